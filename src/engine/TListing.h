#pragma once

#include <memory>
#include <vector>

#include "ftp/ListingEntry.h"

// A directory listing in server order. Listings handed out by the worker are
// immutable and shared: an observer that keeps the pointer keeps the entries,
// whatever the worker lists next.
using TListing = std::vector<ftp::ListingEntry>;
using TListingPtr = std::shared_ptr<const TListing>;
