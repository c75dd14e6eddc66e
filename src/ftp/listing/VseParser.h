#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// IBM VSE, whose server shows its several file systems each in its own form:
//   root directory      PRD1      LIBRARY             (also POWER, VSAM, VTOC, ICCF)
//   library             BASE      2003-06-03    4512  23000        sub-libraries
//   sub-library         $$A$SUPI  PHASE   2003-06-03 2003-06-04  51240 B   64
//                       DTRIINIT  PROC    2002-11-14 -            33 R     2
//   VSAM catalogue      VSE.MESSAGE.ROUTING.FILE  KSDS  2003-06-03
//   VTOC                VSE.POWER.DATA.FILE       SD    2003-06-03  DOSRES
//   POWER queue         PAUSEBG   00012  LST  A  D  ...
// Library members become "NAME.TYPE" with their byte count ("B") when the
// librarian gives one ("R" counts records); POWER queue entries are jobs.
class VseParser final : public StyleParser
{
public:
    std::string_view name() const override { return "vse"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
