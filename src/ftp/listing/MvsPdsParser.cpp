#include "ftp/listing/MvsPdsParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isMemberName(std::string_view s)
{
    if (s.empty() || s.size() > 8)
        return false;
    for (char c : s)
        if (!(isAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '@' || c == '#' || c == '$' || c == '-'))
            return false;
    return true;
}

// "01.00"
bool isVersion(std::string_view s)
{
    return s.size() == 5 && s[2] == '.' && isDigits(s.substr(0, 2)) && isDigits(s.substr(3));
}

bool readIsoSlashDate(std::string_view s, int& y, int& m, int& d)
{
    NumericDate nd;
    if (!splitNumericDate(s, nd) || nd.count != 3 || nd.separator != '/' || nd.digits[0] != 4)
        return false;
    y = nd.part[0];
    m = nd.part[1];
    d = nd.part[2];
    return true;
}

} // namespace

LineResult MvsPdsParser::parse(Lines lines, std::size_t index, const ParseContext&,
                               std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() >= 3 && t.text(0) == "Name" && (t.text(1) == "VV.MM" || t.text(1) == "Size")) {
        m_header = true;
        return ignored();
    }
    if (t.empty() || !isMemberName(t.text(0)))
        return failed();
    ListingEntry e;
    e.name = std::string(t.text(0));
    if (t.size() == 1) {
        if (!m_header)
            return failed();
        out.push_back(std::move(e));
        return entry();
    }
    if (t.size() >= 5 && isVersion(t.text(1))) {
        int y, m, d, hour, minute, second;
        if (!readIsoSlashDate(t.text(2), y, m, d) || !readIsoSlashDate(t.text(3), y, m, d))
            return failed();
        if (parseClock(t.text(4), hour, minute, second))
            e.modified = makeDateTime(y, m, d, hour, minute, second);
        else
            e.modified = makeDate(y, m, d);
        out.push_back(std::move(e));
        return entry();
    }
    std::int64_t size, ttr;
    if (t.size() >= 3 && t.text(1).size() == 6 && t.text(2).size() == 6 && parseHex(t.text(1), size) &&
        parseHex(t.text(2), ttr)) {
        e.size = size;
        out.push_back(std::move(e));
        return entry();
    }
    return failed();
}

} // namespace ftp::listing
