#include "ftp/listing/Fields.h"

#include <array>
#include <limits>

namespace ftp::listing {

namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct MonthName
{
    std::string_view name;
    int month;
};

// Lower-case names, longest first within a month where one is a prefix of another
// does not matter: lookups compare whole words. Non-ASCII spellings are UTF-8.
constexpr std::array kMonthNames{
    MonthName{"jan", 1},
    MonthName{"january", 1},
    MonthName{"januar", 1},
    MonthName{"janv", 1},
    MonthName{"janvier", 1},
    MonthName{"feb", 2},
    MonthName{"february", 2},
    MonthName{"februar", 2},
    MonthName{"fev", 2},
    MonthName{"f\xc3\xa9v", 2},
    MonthName{"f\xc3\xa9vr", 2},
    MonthName{"mar", 3},
    MonthName{"march", 3},
    MonthName{"mrz", 3},
    MonthName{"m\xc3\xa4r", 3},
    MonthName{"m\xc3\xa4rz", 3},
    MonthName{"mars", 3},
    MonthName{"apr", 4},
    MonthName{"april", 4},
    MonthName{"avr", 4},
    MonthName{"avril", 4},
    MonthName{"may", 5},
    MonthName{"mai", 5},
    MonthName{"jun", 6},
    MonthName{"june", 6},
    MonthName{"juni", 6},
    MonthName{"juin", 6},
    MonthName{"jul", 7},
    MonthName{"july", 7},
    MonthName{"juli", 7},
    MonthName{"juil", 7},
    MonthName{"juillet", 7},
    MonthName{"aug", 8},
    MonthName{"august", 8},
    MonthName{"aou", 8},
    MonthName{"ao\xc3\xbb", 8},
    MonthName{"ao\xc3\xbbt", 8},
    MonthName{"sep", 9},
    MonthName{"sept", 9},
    MonthName{"september", 9},
    MonthName{"oct", 10},
    MonthName{"october", 10},
    MonthName{"okt", 10},
    MonthName{"oktober", 10},
    MonthName{"nov", 11},
    MonthName{"november", 11},
    MonthName{"dec", 12},
    MonthName{"december", 12},
    MonthName{"dez", 12},
    MonthName{"dezember", 12},
    MonthName{"d\xc3\xa9"
              "c",
              12},
};

} // namespace

bool isDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

bool endsWithNoCase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && equalsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

SizeField parseSize(std::string_view s, bool groupSeparators)
{
    SizeField out;
    if (s.empty() || s[0] < '0' || s[0] > '9')
        return out;
    constexpr std::uint64_t kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t value = 0;
    bool overflow = false;
    std::size_t digitsInGroup = 0;
    bool grouped = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c >= '0' && c <= '9') {
            ++digitsInGroup;
            if (!overflow) {
                unsigned d = static_cast<unsigned>(c - '0');
                if (value > (kMax - d) / 10)
                    overflow = true;
                else
                    value = value * 10 + d;
            }
            continue;
        }
        // Grouping: one to three digits first, then groups of exactly three.
        if (!groupSeparators || (c != ',' && c != '.') || digitsInGroup == 0 || digitsInGroup > 3 ||
            (grouped && digitsInGroup != 3))
            return out;
        grouped = true;
        digitsInGroup = 0;
    }
    if (grouped && digitsInGroup != 3)
        return out;
    out.isNumber = true;
    if (!overflow)
        out.value = static_cast<std::int64_t>(value);
    return out;
}

bool isTotal(std::string_view s)
{
    if (!s.empty() && isAsciiAlpha(s.back()))
        s.remove_suffix(1);
    if (!s.empty() && s.find_first_not_of("0123456789.,") == std::string_view::npos)
        return s[0] >= '0' && s[0] <= '9';
    return false;
}

std::optional<std::int64_t> multiplySize(std::optional<std::int64_t> count, std::int64_t unit)
{
    if (!count || unit <= 0 || *count < 0)
        return std::nullopt;
    if (*count > std::numeric_limits<std::int64_t>::max() / unit)
        return std::nullopt;
    return *count * unit;
}

bool parseSmall(std::string_view s, int& out, std::size_t maxDigits)
{
    if (s.empty() || s.size() > maxDigits || maxDigits > 9 || !isDigits(s))
        return false;
    int v = 0;
    for (char c : s)
        v = v * 10 + (c - '0');
    out = v;
    return true;
}

bool parseHex(std::string_view s, std::int64_t& out)
{
    if (s.empty() || s.size() > 15)
        return false;
    std::int64_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        v = v * 16 + d;
    }
    out = v;
    return true;
}

std::string permissionsFromOctal(std::string_view s)
{
    if (s.empty() || s.size() > 7)
        return {};
    for (char c : s)
        if (c < '0' || c > '7')
            return {};
    if (s.size() > 4)
        s = s.substr(s.size() - 4);
    int special = s.size() == 4 ? s[0] - '0' : 0;
    std::string_view bits = s.size() == 4 ? s.substr(1) : s;
    std::string out(9, '-');
    std::size_t offset = 9 - 3 * bits.size();
    for (std::size_t i = 0; i < bits.size(); ++i) {
        int v = bits[i] - '0';
        std::size_t at = offset + 3 * i;
        if (v & 4)
            out[at] = 'r';
        if (v & 2)
            out[at + 1] = 'w';
        if (v & 1)
            out[at + 2] = 'x';
    }
    // setuid, setgid, sticky
    static constexpr char kLower[] = {'s', 's', 't'};
    static constexpr char kUpper[] = {'S', 'S', 'T'};
    for (int i = 0; i < 3; ++i) {
        if (special & (4 >> i)) {
            char& x = out[3 * static_cast<std::size_t>(i) + 2];
            x = x == 'x' ? kLower[i] : kUpper[i];
        }
    }
    return out;
}

int monthFromName(std::string_view s)
{
    if (!s.empty() && s.back() == '.')
        s.remove_suffix(1);
    if (s.size() < 3 || s.size() > 10)
        return 0;
    // Every name starts with one of these letters; most fields are rejected here.
    switch (lower(s[0])) {
    case 'j':
    case 'f':
    case 'm':
    case 'a':
    case 's':
    case 'o':
    case 'n':
    case 'd':
        break;
    default:
        return 0;
    }
    // The common case, English abbreviations, without the table.
    if (s.size() == 3) {
        static constexpr std::string_view kShort[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};
        char key[3] = {lower(s[0]), lower(s[1]), lower(s[2])};
        for (int i = 0; i < 12; ++i)
            if (std::string_view(key, 3) == kShort[i])
                return i + 1;
    }
    for (const auto& m : kMonthNames)
        if (equalsNoCase(s, m.name))
            return m.month;
    return 0;
}

} // namespace ftp::listing
