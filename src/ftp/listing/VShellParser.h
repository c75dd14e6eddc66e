#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Older VShell servers: size, "Mon DD, YYYY HH:MM" and the name; a trailing
// slash marks a directory:
//   206876  Apr 04, 2000 21:06 install notes.txt
//        0  Dec 12, 2002 02:13 incoming/
class VShellParser final : public StyleParser
{
public:
    std::string_view name() const override { return "vshell"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
