#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// VxWorks targets (routers and embedded boards):
//     size          date       time       name
//   --------       ------     ------    --------
//       2048    Feb-28-1998  05:23:30   LOGS                <DIR>
//     512000    Feb-28-1998  05:23:30   vxWorks.st
class VxWorksParser final : public StyleParser
{
public:
    std::string_view name() const override { return "vxworks"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
