#pragma once

#include "ftp/ListingEntry.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace ftp::listing {

// What the parse of one listing knows besides the lines themselves.
struct ParseContext
{
    std::time_t now = 0;
    // Local "now" plus one day, in minutes since the civil epoch: the latest
    // moment a date without a year may fall on.
    std::int64_t latestYearlessMinute = 0;
    int currentYear = 1970;
};

ParseContext makeParseContext(std::time_t now);

enum class LineKind : std::uint8_t
{
    Entry,   // one or more entries were appended
    Ignored, // a header, total or separator line of this style
    Failed,  // not a line of this style
};

struct LineResult
{
    LineKind kind = LineKind::Failed;
    std::size_t consumed = 1; // lines used, more than one when an entry spans several
};

using Lines = std::span<const std::string_view>;

// One listing style. A fresh instance reads one listing from its first line on,
// so a parser may remember headers it has seen.
class StyleParser
{
public:
    virtual ~StyleParser() = default;
    virtual std::string_view name() const = 0;
    // A style that reads almost anything (a plain name list) is chosen only
    // when no other style reads the listing.
    virtual bool fallbackOnly() const { return false; }
    // Called once before the first parse() with every line of the listing, for
    // styles whose lines are ambiguous alone (day-month order, for instance).
    virtual void prepare(Lines) {}
    virtual LineResult parse(Lines lines, std::size_t index, const ParseContext& context,
                             std::vector<ListingEntry>& out) = 0;

protected:
    static LineResult entry(std::size_t consumed = 1) { return {LineKind::Entry, consumed}; }
    static LineResult ignored() { return {LineKind::Ignored, 1}; }
    static LineResult failed() { return {LineKind::Failed, 1}; }
};

} // namespace ftp::listing
