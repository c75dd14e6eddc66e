#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small readers for the fields listing lines are made of. All work on bytes and
// never throw: a field that is not of the expected shape is simply rejected.

namespace ftp::listing {

bool isDigits(std::string_view s);
bool isAsciiAlpha(char c);
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool endsWithNoCase(std::string_view s, std::string_view suffix);

// A byte count. `isNumber` is false when the field is not a number at all; a
// number too large for a signed 64-bit value is a number of unknown size.
struct SizeField
{
    bool isNumber = false;
    std::optional<std::int64_t> value;
};

// Plain decimal digits; with `groupSeparators` also "9,730" and "9.730" style grouping.
SizeField parseSize(std::string_view s, bool groupSeparators = false);
// The figure of an "ls" "total" line: blocks, possibly with a unit ("12K").
bool isTotal(std::string_view s);

// `count` units of `unit` bytes each, unknown when the product does not fit.
std::optional<std::int64_t> multiplySize(std::optional<std::int64_t> count, std::int64_t unit);

// A small non-negative decimal of at most `maxDigits` digits.
bool parseSmall(std::string_view s, int& out, std::size_t maxDigits = 9);
bool parseHex(std::string_view s, std::int64_t& out);

// "0755" or "100644" (the last three or four octal digits count) as "rwxr-xr-x";
// empty when the text is not octal.
std::string permissionsFromOctal(std::string_view s);

// 1..12 for an English, German or French month name or abbreviation (any case,
// a trailing dot allowed), 0 otherwise.
int monthFromName(std::string_view s);

} // namespace ftp::listing
