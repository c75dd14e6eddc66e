#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Servers that answer LIST with names only (NCSA for DOS and other small
// servers; "SUBDIR/" marks a directory), and NLST-style lists. A line is taken
// for a name when it is one plain word, so that prose, markup and binary data
// are not mistaken for files. A name with blanks inside ("Old Projects") is
// read too, but only in a listing where plain names are the majority: that is
// decided on the whole listing in prepare().
class NameListParser final : public StyleParser
{
public:
    std::string_view name() const override { return "names"; }
    bool fallbackOnly() const override { return true; }
    void prepare(Lines lines) override;
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;

private:
    bool m_blanksInNames = false;
};

} // namespace ftp::listing
