#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// TSX-Plus (and RT-11) directories, often two or three files to a line:
//    12-Feb-99
//   SWAP  .SYS    25P 02-Aug-88      TT    .SYS     3  02-Aug-88
//   README.TXT     4  14-Mar-99
//    3 Files, 32 Blocks
//    30000 Free blocks
// Sizes are 512-byte blocks; "P" marks a protected file.
class TsxParser final : public StyleParser
{
public:
    std::string_view name() const override { return "tsx"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
