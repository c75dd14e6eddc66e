#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// NetManage Chameleon/NEWT (Windows 3.x):
//   INSTALL         <DIR>      Nov 16 1994 17:17
//   DESIGN1.DOC     11264      May 11 1995 14:20   A
//   CMT.CSV             0      Jul 06 1995 14:56   RHA
// An 8.3 name, size or "<DIR>", month-name date, time and DOS attributes.
class ChameleonNewtParser final : public StyleParser
{
public:
    std::string_view name() const override { return "chameleon-newt"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
