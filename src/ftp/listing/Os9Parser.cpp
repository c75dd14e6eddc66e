#include "ftp/listing/Os9Parser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isOwner(std::string_view s)
{
    std::size_t dot = s.find('.');
    return dot != std::string_view::npos && isDigits(s.substr(0, dot)) && isDigits(s.substr(dot + 1));
}

bool isAttributes(std::string_view s)
{
    return s.size() == 8 && (s[0] == 'd' || s[0] == '-') &&
           s.find_first_not_of("dsewr-") == std::string_view::npos;
}

} // namespace

LineResult Os9Parser::parse(Lines lines, std::size_t index, const ParseContext&,
                            std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    if ((t.size() >= 3 && t.text(0) == "Owner" && t.text(1) == "Last") ||
        t.text(0).find_first_not_of('-') == std::string_view::npos)
        return ignored();
    if (t.size() < 7 || !isOwner(t.text(0)) || !isAttributes(t.text(3)))
        return failed();
    NumericDate d;
    std::string_view clock = t.text(2);
    int hour, minute;
    std::int64_t sector;
    SizeField size = parseSize(t.text(5));
    if (!splitNumericDate(t.text(1), d) || d.count != 3 || d.separator != '/' || d.digits[0] != 2 ||
        clock.size() != 4 || !parseSmall(clock.substr(0, 2), hour, 2) ||
        !parseSmall(clock.substr(2), minute, 2) || !parseHex(t.text(4), sector) || !size.isNumber)
        return failed();
    ListingEntry e;
    e.type = t.text(3)[0] == 'd' ? EntryType::Directory : EntryType::File;
    e.owner = std::string(t.text(0));
    e.size = size.value;
    e.modified = makeDateTime(expandYear(d.part[0], 2), d.part[1], d.part[2], hour, minute);
    e.name = std::string(t.afterBlanks(5));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
