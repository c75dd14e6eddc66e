#pragma once

#include "ftp/ListingEntry.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// Directory listing parsing: a pure function over the bytes a LIST (or MLSD)
// returned. No socket, no state between calls.

namespace ftp {

struct ListingParseOptions
{
    // "Now" for listings that give a date without a year: such a date takes the
    // most recent year that does not put it more than a day into the future.
    std::time_t now = std::time(nullptr);
    // The data came from MLSD/MLST: facts lists, times in UTC.
    bool machineListing = false;
};

struct ListingParseResult
{
    std::vector<ListingEntry> entries;
    std::size_t skippedLines = 0; // lines that were neither entries nor known headers/totals
    std::string style; // name of the recognised style ("unix", "windows-nt", "mlsd", ...); empty if none
    // True when the listing had content lines but none could be read: the caller
    // reports this as an unparseable listing.
    bool unparseable = false;
};

ListingParseResult parseListing(std::string_view raw, const ListingParseOptions& options = {});

} // namespace ftp
