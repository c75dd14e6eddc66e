#include "ftp/listing/ChameleonNewtParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isDosAttributes(std::string_view s)
{
    return !s.empty() && s.size() <= 4 && s.find_first_not_of("RHSA") == std::string_view::npos;
}

} // namespace

LineResult ChameleonNewtParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                      std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 6 || t.size() > 7 || (t.size() == 7 && !isDosAttributes(t.text(6))))
        return failed();
    ListingEntry e;
    if (t.text(1) == "<DIR>") {
        e.type = EntryType::Directory;
    } else {
        SizeField size = parseSize(t.text(1));
        if (!size.isNumber)
            return failed();
        e.size = size.value;
    }
    int month = monthFromName(t.text(2));
    std::size_t yearDigits = t.text(4).size();
    int day, year, hour, minute, second;
    if (month == 0 || !parseSmall(t.text(3), day, 2) || (yearDigits != 2 && yearDigits != 4) ||
        !parseSmall(t.text(4), year, 4) || !parseClock(t.text(5), hour, minute, second))
        return failed();
    e.modified = makeDateTime(expandYear(year, yearDigits), month, day, hour, minute, second);
    e.name = std::string(t.text(0));
    if (e.name == "." || e.name == "..")
        e.type = EntryType::Directory;
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
