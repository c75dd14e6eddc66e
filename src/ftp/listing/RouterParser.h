#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// The FTP servers of some routers (Nortel wfFtp and the like): name first,
// then size, "MM/DD/YY", an abbreviated weekday and the time:
//   router.cfg       1014196  06/03/04  Thur.   10:20:03
//   boot image.bin    524288  11/16/04  Tues.   03:45:32
// The name may hold blanks; everything before the size is the name.
class RouterParser final : public StyleParser
{
public:
    std::string_view name() const override { return "router"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
