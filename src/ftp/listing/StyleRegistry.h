#pragma once

#include "ftp/listing/StyleParser.h"

#include <cstddef>
#include <memory>

namespace ftp::listing {

// Every listing style, most specific first: when two styles read a listing
// equally well, the earlier one wins.
class StyleRegistry final
{
public:
    static std::size_t count();
    static std::unique_ptr<StyleParser> create(std::size_t index);
    static std::size_t machineListingIndex();
};

} // namespace ftp::listing
