#include "ftp/listing/VmsParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

constexpr std::int64_t kBlock = 512;

// "NAME.EXT;12"
bool isVersionedName(std::string_view s)
{
    std::size_t semi = s.rfind(';');
    return semi != std::string_view::npos && semi > 0 && isDigits(s.substr(semi + 1));
}

// "29-JAN-1996"
bool readVmsDate(std::string_view s, int& year, int& month, int& day)
{
    std::size_t d1 = s.find('-');
    std::size_t d2 = d1 == std::string_view::npos ? d1 : s.find('-', d1 + 1);
    if (d2 == std::string_view::npos)
        return false;
    std::string_view y = s.substr(d2 + 1);
    month = monthFromName(s.substr(d1 + 1, d2 - d1 - 1));
    return month != 0 && parseSmall(s.substr(0, d1), day, 2) && (y.size() == 4 || y.size() == 2) &&
           parseSmall(y, year, 4) && (year = expandYear(year, y.size()), true);
}

// "213/216", "155", "2KB": the used size.
bool readVmsSize(std::string_view s, std::optional<std::int64_t>& size)
{
    std::string_view used = s.substr(0, s.find('/'));
    if (used.size() != s.size() && !isDigits(s.substr(used.size() + 1)))
        return false;
    static constexpr struct
    {
        std::string_view suffix;
        std::int64_t unit;
    } kUnits[] = {{"KB", 1024}, {"MB", 1024 * 1024}, {"GB", 1024LL * 1024 * 1024}};
    for (const auto& u : kUnits) {
        if (used.size() > u.suffix.size() && endsWithNoCase(used, u.suffix)) {
            SizeField n = parseSize(used.substr(0, used.size() - u.suffix.size()));
            if (!n.isNumber)
                return false;
            size = multiplySize(n.value, u.unit);
            return true;
        }
    }
    SizeField n = parseSize(used);
    if (!n.isNumber)
        return false;
    size = multiplySize(n.value, kBlock);
    return true;
}

// The detail fields after the name, in whatever order the server prints them.
bool readDetails(const LineTokens& t, std::size_t first, ListingEntry& e)
{
    bool haveDate = false, haveSize = false;
    int year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
    for (std::size_t i = first; i < t.size(); ++i) {
        std::string_view f = t.text(i);
        int h, m, s;
        if (!haveDate && readVmsDate(f, year, month, day)) {
            haveDate = true;
        } else if (haveDate && hour < 0 && parseClock(f, h, m, s)) {
            hour = h;
            minute = m;
            second = s;
        } else if (f.front() == '[') {
            std::string_view uic =
                f.substr(1, f.find(']') == std::string_view::npos ? f.npos : f.find(']') - 1);
            std::size_t comma = uic.find(',');
            // [group,member]: the member is the owner.
            e.owner = std::string(comma == std::string_view::npos ? uic : uic.substr(comma + 1));
            if (comma != std::string_view::npos)
                e.group = std::string(uic.substr(0, comma));
        } else if (f.front() == '(') {
            // VMS protection (system, owner, group, world): not Unix permissions.
        } else if (!haveSize && readVmsSize(f, e.size)) {
            haveSize = true;
        } else if (haveDate && e.owner.empty() && isAsciiAlpha(f.front())) {
            e.owner = std::string(f); // an owner without brackets
        } else {
            return false;
        }
    }
    if (!haveDate)
        return false;
    e.modified = hour < 0 ? makeDate(year, month, day) : makeDateTime(year, month, day, hour, minute, second);
    return true;
}

} // namespace

LineResult VmsParser::parse(Lines lines, std::size_t index, const ParseContext&,
                            std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    // "Directory DISK$USER:[NAME]", "Total of 3 files, ...", "Grand total of 2 directories, ..."
    if ((t.size() == 2 && equalsNoCase(t.text(0), "Directory") && t.text(1).back() == ']') ||
        (t.size() >= 3 && equalsNoCase(t.text(0), "Total") && equalsNoCase(t.text(1), "of")) ||
        (t.size() >= 4 && equalsNoCase(t.text(0), "Grand") && equalsNoCase(t.text(1), "total")))
        return ignored();
    if (!isVersionedName(t.text(0)))
        return failed();
    ListingEntry e;
    std::size_t consumed = 1;
    if (t.size() == 1) {
        if (index + 1 >= lines.size())
            return failed();
        LineTokens details(lines[index + 1]);
        if (details.empty() || !readDetails(details, 0, e))
            return failed();
        consumed = 2;
    } else if (!readDetails(t, 1, e)) {
        return failed();
    }
    std::string_view name = t.text(0);
    std::size_t semi = name.rfind(';');
    if (semi >= 4 && endsWithNoCase(name.substr(0, semi), ".DIR")) {
        e.type = EntryType::Directory;
        name = name.substr(0, semi - 4);
        if (name.empty())
            return failed();
    }
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry(consumed);
}

} // namespace ftp::listing
