#include "ftp/listing/ListingDate.h"

#include "ftp/listing/Fields.h"

#include <ctime>

namespace ftp::listing {

namespace {

EntryTime fromTm(const std::tm& tm)
{
    EntryTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return t;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

} // namespace

bool isValidDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int limit = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= limit;
}

std::int64_t daysFromCivil(int year, int month, int day)
{
    // Howard Hinnant's days_from_civil.
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned mp = static_cast<unsigned>(month > 2 ? month - 3 : month + 9);
    const unsigned doy = (153 * mp + 2) / 5 + static_cast<unsigned>(day) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

ParseContext makeParseContext(std::time_t now)
{
    ParseContext c;
    c.now = now;
    std::tm tm{};
    if (!localtime_r(&now, &tm))
        return c;
    c.currentYear = tm.tm_year + 1900;
    c.latestYearlessMinute =
        (daysFromCivil(c.currentYear, tm.tm_mon + 1, tm.tm_mday) + 1) * 1440 + tm.tm_hour * 60 + tm.tm_min;
    return c;
}

EntryTime makeDate(int year, int month, int day)
{
    if (!isValidDate(year, month, day))
        return {};
    EntryTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    return t;
}

EntryTime makeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (!isValidDate(year, month, day) || minute < 0 || minute > 59 || second < -1 || second > 60)
        return {};
    if (hour == 24 && minute == 0 && second <= 0) {
        civilFromDays(daysFromCivil(year, month, day) + 1, year, month, day);
        hour = 0;
    }
    if (hour < 0 || hour > 23)
        return {};
    EntryTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

EntryTime makeYearless(int month, int day, int hour, int minute, const ParseContext& context)
{
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return {};
    // Late on 31 December, 1 January of next year is less than a day ahead;
    // 29 February may need to go back up to eight years to find a leap year.
    for (int year = context.currentYear + 1; year > context.currentYear - 9; --year) {
        if (!isValidDate(year, month, day))
            continue;
        EntryTime t = hour < 0 ? makeDate(year, month, day) : makeDateTime(year, month, day, hour, minute);
        if (!t.hasDate())
            return {};
        std::int64_t at =
            daysFromCivil(t.year, t.month, t.day) * 1440 + (t.hasTime() ? t.hour * 60 + t.minute : 0);
        if (at <= context.latestYearlessMinute)
            return t;
    }
    return {};
}

int expandYear(int year, std::size_t digits)
{
    if (digits <= 2)
        return year < 70 ? 2000 + year : 1900 + year;
    if (digits == 3)
        return 1900 + year;
    return year;
}

EntryTime fromUnixSeconds(std::int64_t seconds)
{
    // Beyond year 9999 either way is nonsense from a server, not a date.
    if (seconds < -62135596800LL || seconds > 253402300799LL)
        return {};
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return {};
    return fromTm(tm);
}

EntryTime fromUtc(int year, int month, int day, int hour, int minute, int second)
{
    if (!isValidDate(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 60)
        return {};
    std::int64_t seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return fromUnixSeconds(seconds);
}

bool parseClock(std::string_view s, int& hour, int& minute, int& second)
{
    std::size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2)
        return false;
    if (!parseSmall(s.substr(0, colon), hour, 2))
        return false;
    std::string_view rest = s.substr(colon + 1);
    if (rest.size() < 2 || !parseSmall(rest.substr(0, 2), minute, 2))
        return false;
    rest.remove_prefix(2);
    second = -1;
    if (rest.empty())
        return true;
    if (rest[0] != ':' || rest.size() < 3 || !parseSmall(rest.substr(1, 2), second, 2))
        return false;
    rest.remove_prefix(3);
    if (rest.empty())
        return true;
    // Hundredths, as VMS prints them.
    return rest[0] == '.' && rest.size() > 1 && isDigits(rest.substr(1));
}

bool parseClock12(std::string_view s, int& hour, int& minute, int& second)
{
    int suffix = 0; // 1 AM, 2 PM
    if (endsWithNoCase(s, "am") || endsWithNoCase(s, "pm")) {
        suffix = (s[s.size() - 2] == 'a' || s[s.size() - 2] == 'A') ? 1 : 2;
        s.remove_suffix(2);
    } else if (endsWithNoCase(s, "a") || endsWithNoCase(s, "p")) {
        suffix = (s.back() == 'a' || s.back() == 'A') ? 1 : 2;
        s.remove_suffix(1);
    }
    if (!parseClock(s, hour, minute, second))
        return false;
    if (suffix != 0) {
        if (hour < 1 || hour > 12) {
            hour = 99; // shape is fine, value is not: the date becomes unknown
            return true;
        }
        if (hour == 12)
            hour = 0;
        if (suffix == 2)
            hour += 12;
    }
    return true;
}

bool splitNumericDate(std::string_view s, NumericDate& out)
{
    out = NumericDate{};
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        bool end = i == s.size();
        char c = end ? 0 : s[i];
        if (!end && c >= '0' && c <= '9')
            continue;
        if (!end) {
            if (c != '-' && c != '/' && c != '.')
                return false;
            if (out.separator == 0)
                out.separator = c;
            else if (c != out.separator)
                return false;
        }
        if (out.count >= 3)
            return false;
        std::string_view part = s.substr(start, i - start);
        if (!parseSmall(part, out.part[out.count], 4))
            return false;
        out.digits[out.count] = part.size();
        ++out.count;
        start = i + 1;
    }
    return out.count >= 2;
}

} // namespace ftp::listing
