#include "ftp/listing/VShellParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

LineResult VShellParser::parse(Lines lines, std::size_t index, const ParseContext&,
                               std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 6)
        return failed();
    SizeField size = parseSize(t.text(0));
    int month = monthFromName(t.text(1));
    std::string_view dayField = t.text(2);
    int day, year, hour, minute, second;
    if (!size.isNumber || month == 0 || dayField.size() < 2 || dayField.back() != ',' ||
        !parseSmall(dayField.substr(0, dayField.size() - 1), day, 2) || t.text(3).size() != 4 ||
        !parseSmall(t.text(3), year, 4) || !parseClock(t.text(4), hour, minute, second) || second >= 0)
        return failed();
    std::string_view name = t.afterOneBlank(4);
    ListingEntry e;
    if (name.size() > 1 && name.back() == '/') {
        e.type = EntryType::Directory;
        name.remove_suffix(1);
    }
    if (name.empty())
        return failed();
    e.name = std::string(name);
    e.size = size.value;
    e.modified = makeDateTime(year, month, day, hour, minute);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
