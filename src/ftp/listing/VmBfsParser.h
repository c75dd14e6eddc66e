#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// VM byte file system (BFS) directories:
//   11/20/2002 13:42:38        5 F          1 T1.DATA
//   11/20/2002 13:42:38        - D          - SUBDIR
//   11/20/2002 13:42:38       12 S          1 'link name'
// Date, time, size ("-" for directories), kind (F file, D directory, S
// symbolic link, others special), link count, then the name, quoted when it
// holds blanks.
class VmBfsParser final : public StyleParser
{
public:
    std::string_view name() const override { return "vm-bfs"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
