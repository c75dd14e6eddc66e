#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// IBM MVS / z/OS data sets:
//   Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname
//   WYOSPT 3420   2003/05/21  1  200  FB      80  8053  PS  USER.DATA
//   WPTA01 3290   2004/03/04  1    3  FB      80  3125  PO  USER.PDS
//   NRP004 3390   **NONE**    1   15  NONE     0     0  PO  USER.NODATE
//   TSO004 3390   VSAM USER.CLUSTER
//   Migrated                                                USER.OLD
//   Pseudo Directory                                        USER.LEVEL
// Older systems head the date column "Date" and write it MM/DD/YY:
//   Volume Unit    Date  Ext Used Recfm Lrecl BlkSz Dsorg Dsname
//   SYSA01 3380D  06/11/97  1   15  FB      80  6160  PS  USER.TEST.DATA
// Partitioned data sets (PO, PO-E) and qualifier levels are directories; the
// listing gives no byte sizes.
class MvsDatasetParser final : public StyleParser
{
public:
    std::string_view name() const override { return "mvs"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
