#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Members of an MVS partitioned data set:
//    Name     VV.MM   Created       Changed      Size  Init   Mod   Id
//   TESTMEM   01.00 2003/02/20 2003/02/20 15:35    5     5     0 USERID
//   NOSTATS
// and of a load library, whose size column is hexadecimal bytes:
//    Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode
//   PROGRAM   00B308  000411          00 FO                31    ANY
// The "Size" of the first form counts records, not bytes, so it is not taken
// for a size. Members without statistics are names alone, read only after a header.
class MvsPdsParser final : public StyleParser
{
public:
    std::string_view name() const override { return "mvs-pds"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;

private:
    bool m_header = false;
};

} // namespace ftp::listing
