#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// OS/2 servers:
//      0           DIR   05-12-97   16:44  PSFONTS
//  36611      A          04-23-103  10:57  test.file
// Size first, "DIR" for directories, attribute letters, then a month-first
// date whose year may have three digits (years since 1900).
class Os2Parser final : public StyleParser
{
public:
    std::string_view name() const override { return "os2"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
