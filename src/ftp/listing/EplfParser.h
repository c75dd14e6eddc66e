#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Easily Parsed LIST Format: "+facts,...\tname", facts "/" (directory),
// "r" (retrievable file), "s<size>", "m<seconds since 1970>", "i<id>", "up<mode>".
class EplfParser final : public StyleParser
{
public:
    std::string_view name() const override { return "eplf"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
