#include "ftp/listing/Ka9qParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

LineResult Ka9qParser::parse(Lines lines, std::size_t index, const ParseContext&,
                             std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() != 3 && t.size() != 4)
        return failed();
    std::string_view name = t.text(0);
    ListingEntry e;
    std::size_t i = 1;
    if (name.size() > 1 && name.back() == '/') {
        if (t.size() != 3)
            return failed();
        e.type = EntryType::Directory;
        name.remove_suffix(1);
    } else {
        if (t.size() != 4)
            return failed();
        SizeField size = parseSize(t.text(1), true);
        if (!size.isNumber)
            return failed();
        e.size = size.value;
        i = 2;
    }
    int hour, minute, second;
    NumericDate d;
    if (!parseClock(t.text(i), hour, minute, second) || second >= 0 || !splitNumericDate(t.text(i + 1), d) ||
        d.count != 3 || d.separator != '/' || d.digits[0] > 2 || d.digits[1] != 2 || d.digits[2] != 2)
        return failed();
    e.modified = makeDateTime(expandYear(d.part[2], 2), d.part[0], d.part[1], hour, minute);
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
