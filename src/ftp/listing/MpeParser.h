#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// HP MPE/iX in its own LISTF form:
//   ACCOUNT=  SYS         GROUP=  PUB
//   FILENAME  CODE  ------------LOGICAL RECORD-----------  ----SPACE----
//                     SIZE  TYP        EOF      LIMIT R/B  SECTORS #X MX
//   1LINEDIT          80B  FA          12     100000   1       16  1  8
//   CATALOG   PROG   128W  FB         300        300   1      304  1  1
// The size is the end-of-file record count times the record size (B bytes,
// W two-byte words) for fixed-length records; variable-length ones give no size.
// A listing of the POSIX name space starts with a PATH= header and puts the
// name, which may hold blanks, last; HBD marks a directory, its name ends in "/":
//   PATH= /SYS/PUB/
//   CODE  ------------LOGICAL RECORD-----------  ----SPACE----  FILENAME
//           SIZE  TYP        EOF      LIMIT R/B  SECTORS #X MX
//             1B  BA        1234   2147483647   1       16  1  *  my notes.txt
//             1B  HBD          2   2147483647   1       16  1  *  reports/
// There byte-stream files (1B records) give their size in bytes as well.
class MpeParser final : public StyleParser
{
public:
    std::string_view name() const override { return "mpe"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;

private:
    bool m_posix = false; // a PATH= header was seen
};

} // namespace ftp::listing
