#include "ftp/listing/RouterParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

// "Mon.", "Tues.", "Thurs.": two to five letters of an English weekday and a dot.
bool isWeekday(std::string_view s)
{
    static constexpr std::string_view kDays[] = {"monday", "tuesday",  "wednesday", "thursday",
                                                 "friday", "saturday", "sunday"};
    if (s.size() < 3 || s.size() > 6 || s.back() != '.')
        return false;
    s.remove_suffix(1);
    for (std::string_view day : kDays)
        if (startsWithNoCase(day, s))
            return true;
    return false;
}

} // namespace

LineResult RouterParser::parse(Lines lines, std::size_t index, const ParseContext&,
                               std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    const std::size_t n = t.size();
    // A line with more fields than are split cannot be read from its end.
    if (n < 5 || n == LineTokens::kMaxTokens)
        return failed();
    SizeField size = parseSize(t.text(n - 4));
    NumericDate d;
    int hour, minute, second;
    if (!size.isNumber || !splitNumericDate(t.text(n - 3), d) || d.count != 3 || d.separator != '/' ||
        d.digits[0] > 2 || d.digits[1] > 2 || (d.digits[2] != 2 && d.digits[2] != 4) ||
        !isWeekday(t.text(n - 2)) || !parseClock(t.text(n - 1), hour, minute, second) || second < 0)
        return failed();
    const std::size_t from = t[0].begin;
    std::string_view name = t.line().substr(from, t[n - 5].end() - from);
    ListingEntry& e = out.emplace_back();
    e.name.assign(name);
    e.size = size.value;
    e.modified = makeDateTime(expandYear(d.part[2], d.digits[2]), d.part[0], d.part[1], hour, minute, second);
    return entry();
}

} // namespace ftp::listing
