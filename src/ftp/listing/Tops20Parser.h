#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// TOPS-20: "NAME.TYPE.GENERATION", under a "DEVICE:<DIRECTORY>" header, with
// optional columns after the name (pages, bytes(byte size), date):
//   PS:<ANONYMOUS>
//    MAIL.TXT.1
//    DOCS.DIRECTORY.1
//    README.TXT.3;P777752    2 4200(7)   17-Feb-2003 06:13:38
// Files keep their generation in the name; "NAME.DIRECTORY.n" is the directory NAME.
class Tops20Parser final : public StyleParser
{
public:
    std::string_view name() const override { return "tops20"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
