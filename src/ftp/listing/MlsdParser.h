#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// Machine listings of MLSD and MLST (RFC 3659 section 7): "fact=value;...; name".
// Facts are matched without regard to case; "modify" is UTC and shown in local
// time; "cdir" and "pdir" entries are reported as "." and "..".
class MlsdParser final : public StyleParser
{
public:
    std::string_view name() const override { return "mlsd"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
