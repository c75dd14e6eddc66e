#include "ftp/listing/Os2Parser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isAttributes(std::string_view s)
{
    return !s.empty() && s.size() <= 4 && s.find_first_not_of("ARHS") == std::string_view::npos;
}

} // namespace

LineResult Os2Parser::parse(Lines lines, std::size_t index, const ParseContext&,
                            std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 4)
        return failed();
    SizeField size = parseSize(t.text(0));
    if (!size.isNumber)
        return failed();
    ListingEntry e;
    std::size_t i = 1;
    if (t.text(i) == "DIR") {
        e.type = EntryType::Directory;
        ++i;
    }
    if (i < t.size() && isAttributes(t.text(i)))
        ++i;
    if (i + 2 >= t.size())
        return failed();
    NumericDate d;
    int hour, minute, second;
    if (!splitNumericDate(t.text(i), d) || d.count != 3 || d.separator != '-' || d.digits[0] > 2 ||
        d.digits[1] > 2 || d.digits[2] < 2 || d.digits[2] > 3 ||
        !parseClock(t.text(i + 1), hour, minute, second))
        return failed();
    e.modified = makeDateTime(expandYear(d.part[2], d.digits[2]), d.part[0], d.part[1], hour, minute, second);
    e.size = size.value;
    e.name = std::string(t.afterBlanks(i + 1));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
