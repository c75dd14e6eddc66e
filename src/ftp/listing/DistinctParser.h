#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Distinct TCP/IP for Windows: a short DOS attribute field, size, date, name:
//   -r-w-        1234  Jan 08 2003 13:45  report.txt
//   d----           0  Jan 08 2003 13:45  Program Files
// The first letter marks a directory; the rest are DOS attribute flags.
class DistinctParser final : public StyleParser
{
public:
    std::string_view name() const override { return "distinct"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
