#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// KA9Q NOS and its descendants (packet-radio TCP/IP for DOS):
//   autoexec.bat       1,024  12:40  2/01/95
//   spool/                    16:30  8/05/93
// A trailing slash marks a directory, which has no size.
class Ka9qParser final : public StyleParser
{
public:
    std::string_view name() const override { return "ka9q"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
