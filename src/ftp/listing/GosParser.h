#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Bull GCOS 7 and GCOS 8, both in fixed columns:
//   - - -----0 SEPT         SYSADMIN         AUG 26, 1997 SEQ1
//   d rwx rwx ---           0 02/25/98           ftptest2      catalog1
//   - rwx rwx ---        1280 05/06/98 10:12:10  uid           testbcd
// GCOS 7 (the first) gives the type, owner, an optional date and the name from
// column 55. GCOS 8 adds owner, group and other rights as on Unix, a size and
// an optional time; its name starts at column 60.
class GosParser final : public StyleParser
{
public:
    std::string_view name() const override { return "gos"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
