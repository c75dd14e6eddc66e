#pragma once

#include "ftp/ListingEntry.h"
#include "ftp/listing/StyleParser.h"

#include <cstdint>
#include <string_view>

// Date and time building for the listing parsers. Every builder checks the
// calendar: an impossible date or time (30 February, hour 25) gives an unknown
// time, so the entry is kept without one.

namespace ftp::listing {

bool isValidDate(int year, int month, int day);
std::int64_t daysFromCivil(int year, int month, int day);

EntryTime makeDate(int year, int month, int day);
// `second` -1 when the listing gives none. 24:00 is read as midnight at the end
// of the day, as some servers write it.
EntryTime makeDateTime(int year, int month, int day, int hour, int minute, int second = -1);
// A date without a year takes the most recent year that puts it no more than a
// day after `context.now`. `hour` -1 when there is no time.
EntryTime makeYearless(int month, int day, int hour, int minute, const ParseContext& context);

// Two-digit years: 70-99 are 19xx, 00-69 20xx. Three digits are years since
// 1900, as some servers print them after 1999 ("103" is 2003).
int expandYear(int year, std::size_t digits);

// Seconds since the epoch, shown in local time.
EntryTime fromUnixSeconds(std::int64_t seconds);
// A UTC date and time, shown in local time.
EntryTime fromUtc(int year, int month, int day, int hour, int minute, int second);

// "HH:MM", "H:MM", "HH:MM:SS" and "HH:MM:SS.ff"; values are not range-checked
// here (the builders do that), only the shape.
bool parseClock(std::string_view s, int& hour, int& minute, int& second);
// As parseClock, with an optional "AM"/"PM" (or "a"/"p") suffix turned into a 24-hour time.
bool parseClock12(std::string_view s, int& hour, int& minute, int& second);

// Numeric dates with two or three parts separated by one of "-/.":
// returns the parts and their digit counts.
struct NumericDate
{
    int part[3] = {0, 0, 0};
    std::size_t digits[3] = {0, 0, 0};
    int count = 0;
    char separator = 0;
};
bool splitNumericDate(std::string_view s, NumericDate& out);

} // namespace ftp::listing
