#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Cisco IOS file systems (flash:, nvram:), as "dir" shows them:
//   Directory of flash:/
//       1  -rw-     4468  Mar 01 1993 00:12:58 +00:00  config.text
//       2  drw-        0  Mar 01 1993 00:02:24 +00:00  html
//       3  -rw-   102400           <no date>  vlan.dat
//   15998976 bytes total (8763392 bytes free)
class CiscoIosParser final : public StyleParser
{
public:
    std::string_view name() const override { return "cisco-ios"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
