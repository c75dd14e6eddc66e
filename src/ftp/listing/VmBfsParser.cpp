#include "ftp/listing/VmBfsParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

LineResult VmBfsParser::parse(Lines lines, std::size_t index, const ParseContext&,
                              std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 6)
        return failed();
    NumericDate d;
    int hour, minute, second;
    if (!splitNumericDate(t.text(0), d) || d.count != 3 || d.separator != '/' || d.digits[2] != 4 ||
        d.digits[0] > 2 || d.digits[1] > 2 || !parseClock(t.text(1), hour, minute, second))
        return failed();
    std::string_view size = t.text(2), kind = t.text(3), links = t.text(4);
    if (kind.size() != 1 || (links != "-" && !isDigits(links)))
        return failed();
    ListingEntry e;
    switch (kind[0]) {
    case 'F':
        e.type = EntryType::File;
        break;
    case 'D':
        e.type = EntryType::Directory;
        break;
    case 'S':
        e.type = EntryType::Link;
        break;
    case 'P':
    case 'C':
    case 'B':
        e.type = EntryType::Other;
        break;
    default:
        return failed();
    }
    if (size != "-") {
        SizeField s = parseSize(size);
        if (!s.isNumber)
            return failed();
        e.size = s.value;
    }
    e.modified = makeDateTime(d.part[2], d.part[0], d.part[1], hour, minute, second);
    std::string_view name = t.afterBlanks(4);
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'')
        name = name.substr(1, name.size() - 2);
    if (name.empty())
        return failed();
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
