#include "ftp/listing/SuperTcpParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

// A DOS name: up to eight characters, an optional extension of up to three.
bool isShortName(std::string_view s)
{
    if (s == "." || s == "..")
        return true;
    std::size_t dot = s.find('.');
    std::string_view base = s.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 ||
        (dot != std::string_view::npos && ext.find('.') != std::string_view::npos))
        return false;
    return s.find_first_of("\"*+,/:;<=>?[\\]|") == std::string_view::npos;
}

} // namespace

LineResult SuperTcpParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                 std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 4 || !isShortName(t.text(0)))
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
    NumericDate d;
    int hour, minute, second;
    if (!splitNumericDate(t.text(2), d) || d.count != 3 || (d.separator != '-' && d.separator != '/') ||
        d.digits[0] != 2 || d.digits[1] != 2 || (d.digits[2] != 2 && d.digits[2] != 4) ||
        !parseClock(t.text(3), hour, minute, second))
        return failed();
    e.modified = makeDateTime(expandYear(d.part[2], d.digits[2]), d.part[0], d.part[1], hour, minute, second);
    // Trailing blanks alone are no long name.
    std::string_view longName = t.size() > 4 ? t.afterOneBlank(3) : std::string_view();
    e.name = std::string(longName.empty() ? t.text(0) : longName);
    if (e.name == "." || e.name == "..")
        e.type = EntryType::Directory;
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
