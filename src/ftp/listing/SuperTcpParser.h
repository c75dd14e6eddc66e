#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// SuperTCP; on Windows 3.x the 8.3 name only, on 32-bit Windows the long name
// follows one blank after the time:
//   CMT             <DIR>           11/21/94        10:17
//   DESIGN1.DOC          11264      05-11-95        14:20
//   TESTDI~1     <DIR>     11-29-2004  22:16 Test Dir
//   TEST~1       <DIR>     11-29-2004  22:52  Test
// The last long name starts with a blank. Lines without a long name and with
// dashed dates read the same as WinQVT/Net's, which is tried first.
class SuperTcpParser final : public StyleParser
{
public:
    std::string_view name() const override { return "supertcp"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
