#include "ftp/listing/VmCmsParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isCmsWord(std::string_view s)
{
    if (s.empty() || s.size() > 8)
        return false;
    for (char c : s)
        if (!(isAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '$' || c == '#' || c == '@' || c == '+' ||
              c == '-' || c == '_' || c == ':'))
            return false;
    return true;
}

bool isFileMode(std::string_view s)
{
    return (s.size() == 1 || s.size() == 2) && isAsciiAlpha(s[0]) && (s.size() == 1 || isDigits(s.substr(1)));
}

bool isCountOrDash(std::string_view s)
{
    return s == "-" || isDigits(s);
}

bool readCmsDate(std::string_view s, int& y, int& m, int& d)
{
    NumericDate nd;
    if (!splitNumericDate(s, nd) || nd.count != 3)
        return false;
    if (nd.separator == '-' && nd.digits[0] == 4) {
        y = nd.part[0];
        m = nd.part[1];
        d = nd.part[2];
        return true;
    }
    if (nd.separator == '/' && nd.digits[0] <= 2 && (nd.digits[2] == 2 || nd.digits[2] == 4)) {
        y = expandYear(nd.part[2], nd.digits[2]);
        m = nd.part[0];
        d = nd.part[1];
        return true;
    }
    return false;
}

} // namespace

LineResult VmCmsParser::parse(Lines lines, std::size_t index, const ParseContext&,
                              std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 8 || !isCmsWord(t.text(0)) || !isCmsWord(t.text(1)))
        return failed();
    std::size_t i = 2;
    std::string_view format = t.text(i);
    if (format != "F" && format != "V" && format != "-" && isFileMode(format) && t.size() >= 9)
        format = t.text(++i);
    bool isDir = t.text(1) == "DIR";
    if (!(format == "F" || format == "V" || (isDir && format == "-")))
        return failed();
    if (i + 5 >= t.size() || !isCountOrDash(t.text(i + 1)) || !isCountOrDash(t.text(i + 2)) ||
        !isCountOrDash(t.text(i + 3)))
        return failed();
    int y, m, d, hour, minute, second;
    if (!readCmsDate(t.text(i + 4), y, m, d) || !parseClock(t.text(i + 5), hour, minute, second))
        return failed();
    ListingEntry e;
    e.modified = makeDateTime(y, m, d, hour, minute, second);
    if (isDir) {
        e.type = EntryType::Directory;
        e.name = std::string(t.text(0));
    } else {
        e.name = std::string(t.text(0)) + "." + std::string(t.text(1));
        std::optional<std::int64_t> lrecl = parseSize(t.text(i + 1)).value;
        std::optional<std::int64_t> records = parseSize(t.text(i + 2)).value;
        if (format == "F" && lrecl && records)
            e.size = (*lrecl == 0 || *records == 0) ? 0 : multiplySize(records, *lrecl);
    }
    if (i + 6 < t.size() && t.text(i + 6) != "-")
        e.owner = std::string(t.text(i + 6));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
