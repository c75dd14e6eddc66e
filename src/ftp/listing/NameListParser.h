#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Servers that answer LIST with names only (NCSA for DOS and other small
// servers; "SUBDIR/" marks a directory). A line here is taken for a name only
// when it is one plain word, so that prose, markup and binary data are not
// mistaken for files.
class NameListParser final : public StyleParser
{
public:
    std::string_view name() const override { return "names"; }
    bool fallbackOnly() const override { return true; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
