#include "ftp/listing/NonStopParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

LineResult NonStopParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() >= 4 && t.text(0) == "File" && t.text(1) == "Code")
        return ignored();
    if (t.size() < 7 || !isDigits(t.text(1)))
        return failed();
    SizeField size = parseSize(t.text(2));
    std::string_view date = t.text(3);
    std::size_t d1 = date.find('-');
    std::size_t d2 = d1 == std::string_view::npos ? d1 : date.find('-', d1 + 1);
    if (!size.isNumber || d2 == std::string_view::npos)
        return failed();
    int day, year, hour, minute, second;
    int month = monthFromName(date.substr(d1 + 1, d2 - d1 - 1));
    std::string_view y = date.substr(d2 + 1);
    if (month == 0 || !parseSmall(date.substr(0, d1), day, 2) || y.size() != 2 || !parseSmall(y, year, 2) ||
        !parseClock(t.text(4), hour, minute, second))
        return failed();
    // Owner "255, 0" or "255,255", then the quoted security string.
    std::string_view rest = t.afterBlanks(4);
    std::size_t quote = rest.find('"');
    if (quote == std::string_view::npos || quote == 0 || rest.back() != '"')
        return failed();
    std::string_view owner = rest.substr(0, quote);
    while (!owner.empty() && isBlank(owner.back()))
        owner.remove_suffix(1);
    if (owner.find(',') == std::string_view::npos)
        return failed();
    ListingEntry e;
    e.name = std::string(t.text(0));
    e.size = size.value;
    e.modified = makeDateTime(expandYear(year, 2), month, day, hour, minute, second);
    e.owner = std::string(owner);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
