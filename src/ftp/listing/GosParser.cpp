#include "ftp/listing/GosParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

// Offsets of the columns (0-based).
constexpr std::size_t kGcos7Owner = 24;
constexpr std::size_t kGcos7Date = 41;
constexpr std::size_t kGcos7Name = 54;
constexpr std::size_t kGcos8Size = 14;
constexpr std::size_t kGcos8Date = 26;
constexpr std::size_t kGcos8Time = 35;
constexpr std::size_t kGcos8Owner = 45;
constexpr std::size_t kGcos8Name = 59;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isRights(std::string_view s)
{
    return s.size() == 3 && s.find_first_not_of("tsrwx-") == std::string_view::npos;
}

// The three triples as Unix permissions when they read like them ("rwx", "r-s"),
// empty otherwise.
std::string unixPermissions(std::string_view line)
{
    std::string out;
    for (std::size_t at : {2u, 6u, 10u}) {
        std::string_view r = line.substr(at, 3);
        if ((r[0] != 'r' && r[0] != '-') || (r[1] != 'w' && r[1] != '-'))
            return {};
        out += r;
    }
    return out;
}

void finish(ListingEntry& e, char type, std::string_view owner, std::string_view name)
{
    e.type = type == 'd' || name == "." || name == ".." ? EntryType::Directory : EntryType::File;
    e.owner = std::string(owner);
    e.name = std::string(name);
}

// "d rwx rwx ---  <size> MM/DD/YY [HH:MM:SS]  <owner> <name>"
bool readGcos8(std::string_view line, ListingEntry& e)
{
    if (line.size() <= kGcos8Name || isBlank(line[kGcos8Name]) || line[5] != ' ' || line[9] != ' ' ||
        line[13] != ' ' || !isRights(line.substr(2, 3)) || !isRights(line.substr(6, 3)) ||
        !isRights(line.substr(10, 3)) || line[kGcos8Date - 1] != ' ' || line[kGcos8Time - 1] != ' ')
        return false;
    SizeField size = parseSize(trimmed(line.substr(kGcos8Size, kGcos8Date - 1 - kGcos8Size)));
    NumericDate d;
    if (!size.isNumber || !splitNumericDate(line.substr(kGcos8Date, 8), d) || d.count != 3 ||
        d.separator != '/' || d.digits[0] != 2 || d.digits[1] != 2 || d.digits[2] != 2)
        return false;
    int year = expandYear(d.part[2], 2);
    std::string_view clock = trimmed(line.substr(kGcos8Time, kGcos8Owner - kGcos8Time));
    if (clock.empty()) {
        e.modified = makeDate(year, d.part[0], d.part[1]);
    } else {
        int hour, minute, second;
        if (!parseClock(clock, hour, minute, second))
            return false;
        e.modified = makeDateTime(year, d.part[0], d.part[1], hour, minute, second);
    }
    e.size = size.value;
    e.permissions = unixPermissions(line);
    finish(e, line[0], trimmed(line.substr(kGcos8Owner, kGcos8Name - kGcos8Owner)), line.substr(kGcos8Name));
    return true;
}

// "AUG 26, 1997" or blanks.
bool readGcos7Date(std::string_view field, EntryTime& time)
{
    LineTokens t(field);
    if (t.empty())
        return true;
    if (t.size() != 3)
        return false;
    std::string_view dayText = t.text(1);
    if (!dayText.empty() && dayText.back() == ',')
        dayText.remove_suffix(1);
    int month = monthFromName(t.text(0));
    int day, year;
    std::size_t yearDigits = t.text(2).size();
    if (month == 0 || !parseSmall(dayText, day, 2) || (yearDigits != 2 && yearDigits != 4) ||
        !parseSmall(t.text(2), year, 4))
        return false;
    time = makeDate(expandYear(year, yearDigits), month, day);
    return true;
}

// "- - -----0 SEPT         <owner>          MON DD, YYYY <name>"
bool readGcos7(std::string_view line, ListingEntry& e)
{
    if (line.size() <= kGcos7Name || line[3] != ' ' ||
        std::string_view("-dsm").find(line[2]) == std::string_view::npos || line[kGcos7Owner - 1] != ' ' ||
        isBlank(line[kGcos7Owner]) || line[kGcos7Name - 1] != ' ' || isBlank(line[kGcos7Name]))
        return false;
    if (!readGcos7Date(line.substr(kGcos7Date, kGcos7Name - 1 - kGcos7Date), e.modified))
        return false;
    finish(e, line[0], trimmed(line.substr(kGcos7Owner, kGcos7Date - kGcos7Owner)), line.substr(kGcos7Name));
    return true;
}

} // namespace

LineResult GosParser::parse(Lines lines, std::size_t index, const ParseContext&,
                            std::vector<ListingEntry>& out)
{
    std::string_view line = lines[index];
    if (line.size() < 4 || (line[0] != '-' && line[0] != 'd') || line[1] != ' ')
        return failed();
    ListingEntry e;
    if (!(line[3] == ' ' ? readGcos7(line, e) : readGcos8(line, e)))
        return failed();
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
