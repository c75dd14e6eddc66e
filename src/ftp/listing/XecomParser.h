#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Xecom MicroRTOS, whose files are areas of flash memory:
//   Start    End      length File name
//   00010000 0001FFFF  65536 BOOT.BIN
//   ** Total 1 files, 65536 bytes **
// Start and end addresses in hex, the length, the name; no dates and no
// directories. Lines are read only after the column header, as the entry lines
// alone would take any four columns of numbers for a file.
class XecomParser final : public StyleParser
{
public:
    std::string_view name() const override { return "xecom-micrortos"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;

private:
    bool m_sawHeader = false;
};

} // namespace ftp::listing
