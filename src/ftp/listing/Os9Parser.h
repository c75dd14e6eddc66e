#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Microware OS-9:
//   Owner    Last modified  Attributes Sector Bytecount Name
//   -------  -------------  ---------- ------ --------- ----
//    20.20   07/03/29 1026  d-ewrewr     2650     85920 CMDS
//     0.0    99/12/31 2359  ----r-wr      A3F       517 startup
// Owner group.user, a yy/mm/dd date and hhmm time, attributes whose first
// letter marks a directory, the start sector (hexadecimal), the size, the name.
class Os9Parser final : public StyleParser
{
public:
    std::string_view name() const override { return "os9"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
