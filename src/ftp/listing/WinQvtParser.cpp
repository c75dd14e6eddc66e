#include "ftp/listing/WinQvtParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

LineResult WinQvtParser::parse(Lines lines, std::size_t index, const ParseContext&,
                               std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() != 4)
        return failed();
    ListingEntry e;
    if (t.text(1) == "<DIR>") {
        e.type = EntryType::Directory;
    } else {
        SizeField size = parseSize(t.text(1), true);
        if (!size.isNumber)
            return failed();
        e.size = size.value;
    }
    NumericDate d;
    int hour, minute, second;
    if (!splitNumericDate(t.text(2), d) || d.count != 3 || d.separator != '-' || d.digits[0] != 2 ||
        d.digits[1] != 2 || (d.digits[2] != 2 && d.digits[2] != 4) ||
        !parseClock12(t.text(3), hour, minute, second))
        return failed();
    e.modified = makeDateTime(expandYear(d.part[2], d.digits[2]), d.part[0], d.part[1], hour, minute, second);
    e.name = std::string(t.text(0));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
