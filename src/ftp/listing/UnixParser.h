#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// "ls -l" and the many servers that imitate it:
//   -rw-r--r--   1 root     other        531 Jan 29 03:26 README
//   lrwxrwxrwx   1 root     other          7 Jan 25 00:17 bin -> usr/bin
//   crw-rw-rw-   1 root     sys       13,  2 Apr  8  1994 null
//   drwxr-xr-x+  2 1000     1000        4096 2005-06-07 21:22 with acl
// with or without link count and group, with inode and block columns in front,
// numeric owners, a storage-class column after the group (Unitree), owners
// such as "MANAGER.SYS" (MPE/iX POSIX), "folder" instead of owner and group
// (NetPresenz) and the date forms readUnixDate() knows.
class UnixParser final : public StyleParser
{
public:
    std::string_view name() const override { return "unix"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
