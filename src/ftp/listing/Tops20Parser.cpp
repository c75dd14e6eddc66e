#include "ftp/listing/Tops20Parser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isNameChar(char c)
{
    return isAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '$';
}

// Splits "NAME.TYPE.GEN[;attributes]"; false when the field is not of that shape.
bool splitFileName(std::string_view s, std::string_view& file, std::string_view& type,
                   std::string_view& whole)
{
    whole = s.substr(0, s.find(';'));
    std::size_t d1 = whole.find('.');
    std::size_t d2 = d1 == std::string_view::npos ? d1 : whole.find('.', d1 + 1);
    if (d1 == 0 || d2 == std::string_view::npos || whole.find('.', d2 + 1) != std::string_view::npos ||
        !isDigits(whole.substr(d2 + 1)))
        return false;
    file = whole.substr(0, d1);
    type = whole.substr(d1 + 1, d2 - d1 - 1);
    for (char c : whole.substr(0, d2))
        if (c != '.' && !isNameChar(c))
            return false;
    return true;
}

// "17-Feb-2003"
bool readDate(std::string_view s, int& y, int& m, int& d)
{
    std::size_t d1 = s.find('-');
    std::size_t d2 = d1 == std::string_view::npos ? d1 : s.find('-', d1 + 1);
    if (d2 == std::string_view::npos)
        return false;
    std::string_view year = s.substr(d2 + 1);
    m = monthFromName(s.substr(d1 + 1, d2 - d1 - 1));
    if (m == 0 || !parseSmall(s.substr(0, d1), d, 2) || (year.size() != 2 && year.size() != 4) ||
        !parseSmall(year, y, 4))
        return false;
    y = expandYear(y, year.size());
    return true;
}

} // namespace

LineResult Tops20Parser::parse(Lines lines, std::size_t index, const ParseContext&,
                               std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    std::string_view first = t.text(0);
    // "PS:<ANONYMOUS>" or "PS:<SRC.MONITOR>"
    if (t.size() == 1 && first.find(":<") != std::string_view::npos && first.back() == '>')
        return ignored();
    std::string_view file, type, whole;
    if (!splitFileName(first, file, type, whole))
        return failed();
    ListingEntry e;
    for (std::size_t i = 1; i + 1 < t.size(); ++i) {
        int y, m, d, hour, minute, second;
        if (readDate(t.text(i), y, m, d)) {
            e.modified = parseClock(t.text(i + 1), hour, minute, second)
                             ? makeDateTime(y, m, d, hour, minute, second)
                             : makeDate(y, m, d);
            break;
        }
    }
    if (equalsNoCase(type, "DIRECTORY")) {
        e.type = EntryType::Directory;
        e.name = std::string(file);
    } else {
        e.name = std::string(whole);
    }
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
