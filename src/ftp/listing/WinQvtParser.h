#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// WinQVT/Net and other DOS servers that put the 8.3 name first:
//   ATTRIB.EXE            2,110  11-26-95  11:38
//   DOS                   <DIR>  11-26-95  11:38
// Name, size or "<DIR>", month-first date, time.
class WinQvtParser final : public StyleParser
{
public:
    std::string_view name() const override { return "winqvt"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
