#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Unisys ClearPath MCP with DIRECTORY_FORMAT=NATIVE, the server's default:
//   Report for: (UC)A ON PACK
//   A                       SEQDATA    84 03/08/1998  15:32
//   A/B                     SEQDATA    84 06/09/1998  12:03
//               2 Files     168 Octets
// Title, file kind, size in octets, date and time. The title is listed whole,
// with its "/" separated nodes, as the server names the file.
class UnisysParser final : public StyleParser
{
public:
    std::string_view name() const override { return "unisys-clearpath"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
