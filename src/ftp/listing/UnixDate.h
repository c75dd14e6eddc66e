#pragma once

#include "ftp/ListingEntry.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/StyleParser.h"

#include <cstddef>

namespace ftp::listing {

// Reads the date columns of an ls-like line starting at field `first`:
//   "Jan 29 03:26", "Apr  8  1994", "Oct 08, 2002 09:47", "29 Jul 02:27",
//   "26. Juli, 20:10", "2005-06-07 21:22", "1999/10/12", "24-04-2003 17:12",
//   "09-26 13:45", "01-jun-99".
// Returns false when the fields do not have the shape of a date. A date of the
// right shape that cannot exist (30 February, 25:00) returns true with `time`
// unknown. `last` is the index of the last field that belonged to the date.
// A name field must follow; a date at the end of the line is not one.
bool readUnixDate(const LineTokens& tokens, std::size_t first, const ParseContext& context, EntryTime& time,
                  std::size_t& last);

} // namespace ftp::listing
