#include "ftp/listing/UnixDate.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

std::string_view stripPunctuation(std::string_view s)
{
    while (!s.empty() && (s.back() == '.' || s.back() == ','))
        s.remove_suffix(1);
    return s;
}

bool readDay(std::string_view s, int& day)
{
    return parseSmall(stripPunctuation(s), day, 2);
}

// The field after month and day: a time of day (date without a year) or a year.
bool readTimeOrYear(const LineTokens& t, std::size_t i, int month, int day, bool dayHadComma,
                    const ParseContext& context, EntryTime& time, std::size_t& last)
{
    if (i + 1 >= t.size())
        return false;
    std::string_view f = t.text(i);
    int hour, minute, second;
    if (parseClock(f, hour, minute, second)) {
        time = makeYearless(month, day, hour, minute, context);
        last = i;
        return true;
    }
    int year;
    if (f.size() == 4 && parseSmall(f, year, 4)) {
        last = i;
        // "Oct 08, 2002 09:47": year and time together.
        if (dayHadComma && i + 2 < t.size() && parseClock(t.text(i + 1), hour, minute, second)) {
            time = makeDateTime(year, month, day, hour, minute, second);
            last = i + 1;
        } else {
            time = makeDate(year, month, day);
        }
        return true;
    }
    return false;
}

bool readNumericDate(const LineTokens& t, std::size_t first, const ParseContext& context, EntryTime& time,
                     std::size_t& last)
{
    std::string_view f = t.text(first);
    if (first + 1 >= t.size())
        return false;
    // "01-jun-99": day, month name, two- or four-digit year.
    if (std::size_t d1 = f.find('-'); d1 != std::string_view::npos && d1 > 0 && d1 < f.size() - 1) {
        std::size_t d2 = f.find('-', d1 + 1);
        if (d2 != std::string_view::npos && isAsciiAlpha(f[d1 + 1])) {
            int day, year;
            int month = monthFromName(f.substr(d1 + 1, d2 - d1 - 1));
            std::string_view y = f.substr(d2 + 1);
            if (month == 0 || !parseSmall(f.substr(0, d1), day, 2) || (y.size() != 2 && y.size() != 4) ||
                !parseSmall(y, year, 4))
                return false;
            time = makeDate(expandYear(year, y.size()), month, day);
            last = first;
            return true;
        }
    }
    NumericDate d;
    if (!splitNumericDate(f, d))
        return false;
    int hour = -1, minute = -1, second = -1;
    bool withTime = first + 2 < t.size() && parseClock(t.text(first + 1), hour, minute, second);
    if (d.count == 2) {
        // "09-26 13:45" (no year) or "09-26 2000".
        if (d.digits[0] > 2 || d.digits[1] > 2)
            return false;
        if (withTime) {
            time = makeYearless(d.part[0], d.part[1], hour, minute, context);
            last = first + 1;
            return true;
        }
        std::string_view y = t.text(first + 1);
        int year;
        if (first + 2 >= t.size() || y.size() != 4 || !parseSmall(y, year, 4))
            return false;
        time = makeDate(year, d.part[0], d.part[1]);
        last = first + 1;
        return true;
    }
    int year, month, day;
    if (d.digits[0] == 4) {
        year = d.part[0];
        month = d.part[1];
        day = d.part[2];
    } else if (d.digits[2] == 4 || d.digits[2] == 2) {
        year = expandYear(d.part[2], d.digits[2]);
        // Day first with dots and whenever the first part cannot be a month.
        bool dayFirst = d.separator == '.' || d.part[0] > 12;
        month = dayFirst ? d.part[1] : d.part[0];
        day = dayFirst ? d.part[0] : d.part[1];
    } else {
        return false;
    }
    if (d.digits[0] > 4 || d.digits[1] > 2 || d.digits[2] > 4)
        return false;
    time = withTime ? makeDateTime(year, month, day, hour, minute, second) : makeDate(year, month, day);
    last = withTime ? first + 1 : first;
    return true;
}

} // namespace

bool readUnixDate(const LineTokens& t, std::size_t first, const ParseContext& context, EntryTime& time,
                  std::size_t& last)
{
    if (first + 1 >= t.size())
        return false;
    std::string_view f = t.text(first);
    if (f.empty())
        return false;
    if (isAsciiAlpha(f[0]) || static_cast<unsigned char>(f[0]) >= 0x80) {
        int month = monthFromName(stripPunctuation(f));
        int day;
        if (month == 0 || first + 2 >= t.size() || !readDay(t.text(first + 1), day))
            return false;
        bool comma = t.text(first + 1).back() == ',';
        return readTimeOrYear(t, first + 2, month, day, comma, context, time, last);
    }
    // Day before month: "29 Jul 02:27", "2. Okt. 2003".
    int day;
    if (first + 2 < t.size() && readDay(f, day)) {
        std::string_view m = t.text(first + 1);
        if (!m.empty() && (isAsciiAlpha(m[0]) || static_cast<unsigned char>(m[0]) >= 0x80)) {
            int month = monthFromName(stripPunctuation(m));
            if (month == 0)
                return false;
            return readTimeOrYear(t, first + 2, month, day, false, context, time, last);
        }
    }
    return readNumericDate(t, first, context, time, last);
}

} // namespace ftp::listing
