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
    if (t.size() < 7 || t.size() > 10 || !isCmsWord(t.text(0)))
        return failed();
    // The date anchors the line: before it record format, record length, records
    // and blocks; before those name, file type and file mode; after it the time
    // and an optional label.
    int y = 0, m = 0, d = 0, hour = 0, minute = 0, second = 0;
    std::size_t date = 5;
    for (; date <= 7 && date + 1 < t.size(); ++date)
        if (readCmsDate(t.text(date), y, m, d) && parseClock(t.text(date + 1), hour, minute, second))
            break;
    if (date > 7 || date + 1 >= t.size() || t.size() > date + 3)
        return failed();
    const std::size_t format = date - 4;
    std::string_view recfm = t.text(format);
    if (!isCountOrDash(t.text(format + 1)) || !isCountOrDash(t.text(format + 2)) ||
        !isCountOrDash(t.text(format + 3)))
        return failed();
    // Shared file system directories: "NAME DIR - - - - ..." or, without a
    // file type, "NAME DIR - - - ..." with DIR in the record format column.
    bool isDir;
    if (format == 1) {
        if (recfm != "DIR")
            return failed();
        isDir = true;
    } else {
        if (!isCmsWord(t.text(1)) || (format == 3 && !isFileMode(t.text(2))))
            return failed();
        isDir = t.text(1) == "DIR";
        if (!(recfm == "F" || recfm == "V" || (isDir && recfm == "-")))
            return failed();
    }
    ListingEntry e;
    e.modified = makeDateTime(y, m, d, hour, minute, second);
    if (isDir) {
        e.type = EntryType::Directory;
        e.name = std::string(t.text(0));
    } else {
        e.name = std::string(t.text(0)) + "." + std::string(t.text(1));
        std::optional<std::int64_t> lrecl = parseSize(t.text(format + 1)).value;
        std::optional<std::int64_t> records = parseSize(t.text(format + 2)).value;
        if (recfm == "F" && lrecl && records)
            e.size = (*lrecl == 0 || *records == 0) ? 0 : multiplySize(records, *lrecl);
    }
    if (date + 2 < t.size() && t.text(date + 2) != "-")
        e.owner = std::string(t.text(date + 2));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
