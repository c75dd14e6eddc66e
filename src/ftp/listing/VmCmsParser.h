#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// IBM VM/CMS minidisks and shared file system directories:
//   PROFILE  EXEC     A1 V         17          3          1  9/20/93 11:31:48 WORK
//   ZVMFILE  TRACE       F        65        107          2 2005-10-04 15:28:42 060191
//   SUBDIR   DIR         -         -          -          - 2000-05-05 11:58:19 -
//   SUBDIR2           DIR       -          -          - 2001-06-14 13:35:37
// Name and type become "NAME.TYPE"; a fixed-length file's size is record
// length times records, a variable-length one's is not known from the listing.
// The trailing label (a volume or owner, "-" for none) may be missing.
class VmCmsParser final : public StyleParser
{
public:
    std::string_view name() const override { return "vm-cms"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
