#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Novell NetWare, in the DOS and the NFS name space alike (long names with
// blanks only in the latter):
//   d [R----F--] supervisor            512       Jan 16 18:53    login
//   - [RWCEAFMS] rhesus             214059       Oct 20 15:27    cx.exe
//   -[RWCEAFMS] user                  1234       Mar  3  2001    Long File.txt
// The rights in brackets are NetWare's, not Unix permissions.
class NetWareParser final : public StyleParser
{
public:
    std::string_view name() const override { return "netware"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
