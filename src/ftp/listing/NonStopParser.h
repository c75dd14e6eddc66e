#pragma once

#include "ftp/listing/StyleParser.h"

namespace ftp::listing {

// HP NonStop (Guardian) volumes:
//   File         Code             EOF  Last Modification    Owner  RWEP
//   ACCOUNTS      101             528  6-Apr-07 14:21:18  255, 0  "oooo"
// Name, file code, end-of-file byte count, date, time, owner as
// "group, user", security string.
class NonStopParser final : public StyleParser
{
public:
    std::string_view name() const override { return "nonstop"; }
    LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                     std::vector<ListingEntry>& out) override;
};

} // namespace ftp::listing
