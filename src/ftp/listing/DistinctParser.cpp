#include "ftp/listing/DistinctParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

LineResult DistinctParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                 std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 7)
        return failed();
    std::string_view attributes = t.text(0);
    if (attributes.size() != 5 || (attributes[0] != 'd' && attributes[0] != '-') ||
        attributes.find_first_not_of("drwxash-") != std::string_view::npos)
        return failed();
    SizeField size = parseSize(t.text(1));
    int month = monthFromName(t.text(2));
    int day, year, hour, minute, second;
    if (!size.isNumber || month == 0 || !parseSmall(t.text(3), day, 2) || t.text(4).size() != 4 ||
        !parseSmall(t.text(4), year, 4) || !parseClock(t.text(5), hour, minute, second))
        return failed();
    ListingEntry e;
    e.type = attributes[0] == 'd' ? EntryType::Directory : EntryType::File;
    e.size = size.value;
    e.modified = makeDateTime(year, month, day, hour, minute, second);
    e.name = std::string(t.afterBlanks(5));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
