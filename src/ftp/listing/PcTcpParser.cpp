#include "ftp/listing/PcTcpParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isWeekday(std::string_view s)
{
    for (std::string_view day : {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"})
        if (equalsNoCase(s, day))
            return true;
    return false;
}

} // namespace

LineResult PcTcpParser::parse(Lines lines, std::size_t index, const ParseContext&,
                              std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() != 7 || !isWeekday(t.text(2)))
        return failed();
    ListingEntry e;
    if (equalsNoCase(t.text(0), "<dir>")) {
        e.type = EntryType::Directory;
    } else {
        SizeField size = parseSize(t.text(0));
        if (!size.isNumber)
            return failed();
        e.size = size.value;
    }
    int month = monthFromName(t.text(3));
    std::size_t yearDigits = t.text(6).size();
    int day, year, hour, minute, second;
    if (month == 0 || !parseSmall(t.text(4), day, 2) || !parseClock(t.text(5), hour, minute, second) ||
        (yearDigits != 2 && yearDigits != 4) || !parseSmall(t.text(6), year, 4))
        return failed();
    e.modified = makeDateTime(expandYear(year, yearDigits), month, day, hour, minute, second);
    e.name = std::string(t.text(1));
    if (e.name == "." || e.name == "..")
        e.type = EntryType::Directory;
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
