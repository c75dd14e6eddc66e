#include "ftp/ListingParser.h"

namespace ftp {

// Placeholder until the style parsers land: recognises nothing.
ListingParseResult parseListing(std::string_view raw, const ListingParseOptions&)
{
    ListingParseResult result;
    result.unparseable = !raw.empty();
    return result;
}

} // namespace ftp
