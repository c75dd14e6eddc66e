#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// OpenVMS:
//   Directory DISK$USER:[ANONYMOUS]
//   CII-MANUAL.TEX;1  213/216  29-JAN-1996 03:33:12  [ANONYMOU,ANONYMOUS]   (RWED,RWED,,)
//   A-VERY-LONG-FILE-NAME.TXT;12
//                     170774/170775     24-APR-2003 08:16:15  [FTP,SCOT]  (RWED,RWED,RE,)
//   Total of 2 files, 170987/170991 blocks.
// A name too long for its column puts the details on the next line. Sizes are
// in 512-byte blocks; "NAME.DIR;1" is the directory NAME.
class VmsParser final : public StyleParser
{
public:
    std::string_view name() const override { return "vms"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
