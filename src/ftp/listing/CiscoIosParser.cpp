#include "ftp/listing/CiscoIosParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isAccess(std::string_view s)
{
    return s.size() == 4 && (s[0] == 'd' || s[0] == '-') && (s[1] == 'r' || s[1] == '-') &&
           (s[2] == 'w' || s[2] == '-') && (s[3] == 'x' || s[3] == '-');
}

// "+00:00", "-05:00" or a zone name such as "UTC" or "PST".
bool isZone(std::string_view s)
{
    if (s.size() == 6 && (s[0] == '+' || s[0] == '-') && s[3] == ':')
        return isDigits(s.substr(1, 2)) && isDigits(s.substr(4));
    if (s.size() < 3 || s.size() > 5)
        return false;
    for (char c : s)
        if (c < 'A' || c > 'Z')
            return false;
    return true;
}

} // namespace

LineResult CiscoIosParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                 std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    if ((t.size() >= 3 && t.text(0) == "Directory" && t.text(1) == "of") ||
        (t.size() >= 3 && isDigits(t.text(0)) && t.text(1) == "bytes" && t.text(2) == "total"))
        return ignored();
    if (t.size() < 5 || !isDigits(t.text(0)) || !isAccess(t.text(1)))
        return failed();
    SizeField size = parseSize(t.text(2));
    if (!size.isNumber)
        return failed();
    ListingEntry e;
    e.type = t.text(1)[0] == 'd' ? EntryType::Directory : EntryType::File;
    e.size = size.value;
    std::size_t last;
    if (t.text(3) == "<no" && t.text(4) == "date>") {
        last = 4;
    } else {
        int month = monthFromName(t.text(3));
        int day, year, hour, minute, second;
        if (t.size() < 8 || month == 0 || !parseSmall(t.text(4), day, 2) || t.text(5).size() != 4 ||
            !parseSmall(t.text(5), year, 4) || !parseClock(t.text(6), hour, minute, second))
            return failed();
        e.modified = makeDateTime(year, month, day, hour, minute, second);
        last = 6;
        if (last + 2 < t.size() && isZone(t.text(7)))
            last = 7;
    }
    std::string_view name = t.afterBlanks(last);
    if (name.empty())
        return failed();
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
