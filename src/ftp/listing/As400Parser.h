#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// IBM AS/400 (OS/400, IBM i) in its own list format:
//   QSYS            77824 02/23/00 15:09:55 *DIR       QOpenSys/
//   QPGMR           36864 18.09.06 14:21:26 *FILE      AS400.FILE
//   QPGMR                                   *MEM       AS400.FILE/MEMBER.MBR
//   OWNER          123456 02/23/00 15:09:55 *STMF      notes.txt
// Owner, size, date, time, object type, name. Whether dates are month or day
// first is decided from all lines of the listing.
class As400Parser final : public StyleParser
{
public:
    std::string_view name() const override { return "as400"; }
    void prepare(Lines lines) override;
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;

private:
    bool m_dayFirst = false;
};

} // namespace ftp::listing
