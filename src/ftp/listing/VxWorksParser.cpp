#include "ftp/listing/VxWorksParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

LineResult VxWorksParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    if ((t.size() == 4 && t.text(0) == "size" && t.text(1) == "date") ||
        t.text(0).find_first_not_of('-') == std::string_view::npos)
        return ignored();
    if (t.size() < 4)
        return failed();
    SizeField size = parseSize(t.text(0));
    std::string_view date = t.text(1);
    // "Feb-28-1998"
    if (!size.isNumber || date.size() != 11 || date[3] != '-' || date[6] != '-')
        return failed();
    int month = monthFromName(date.substr(0, 3));
    int day, year, hour, minute, second;
    if (month == 0 || !parseSmall(date.substr(4, 2), day, 2) || !parseSmall(date.substr(7), year, 4) ||
        !parseClock(t.text(2), hour, minute, second))
        return failed();
    ListingEntry e;
    e.size = size.value;
    e.modified = makeDateTime(year, month, day, hour, minute, second);
    std::string_view name = t.afterBlanks(2);
    if (name.size() > 5 && name.ends_with("<DIR>")) {
        e.type = EntryType::Directory;
        name.remove_suffix(5);
        while (!name.empty() && isBlank(name.back()))
            name.remove_suffix(1);
    }
    if (name.empty())
        return failed();
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
