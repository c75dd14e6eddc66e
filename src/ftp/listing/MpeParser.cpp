#include "ftp/listing/MpeParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"

namespace ftp::listing {

namespace {

bool isMpeName(std::string_view s)
{
    if (s.empty() || s.size() > 8)
        return false;
    for (char c : s)
        if (!(isAsciiAlpha(c) || (c >= '0' && c <= '9')))
            return false;
    return true;
}

// "80B", "128W": record size in bytes.
bool readRecordSize(std::string_view s, std::int64_t& bytes)
{
    if (s.size() < 2 || (s.back() != 'B' && s.back() != 'W'))
        return false;
    SizeField n = parseSize(s.substr(0, s.size() - 1));
    if (!n.isNumber || !n.value)
        return false;
    bytes = *n.value * (s.back() == 'W' ? 2 : 1);
    return true;
}

// One line of a POSIX name-space listing; false when it is none.
bool readPosixLine(const LineTokens& t, std::vector<ListingEntry>& out)
{
    // [code] size typ eof limit r/b sectors #x mx name
    std::size_t i = 0;
    std::int64_t recordBytes;
    if (!readRecordSize(t.text(0), recordBytes)) {
        if (!isMpeName(t.text(0)) || t.size() < 2 || !readRecordSize(t.text(1), recordBytes))
            return false;
        i = 1;
    }
    if (i + 8 >= t.size())
        return false;
    std::string_view recordType = t.text(i + 1);
    SizeField eof = parseSize(t.text(i + 2));
    for (std::size_t k = i + 3; k <= i + 6; ++k)
        if (!isDigits(t.text(k)))
            return false;
    std::string_view maxExtents = t.text(i + 7);
    if (recordType.empty() || !isAsciiAlpha(recordType[0]) || !eof.isNumber ||
        !(maxExtents == "*" || isDigits(maxExtents)))
        return false;
    std::string_view name = t.afterBlanks(i + 7);
    while (!name.empty() && isBlank(name.back()))
        name.remove_suffix(1);
    ListingEntry e;
    if (recordType == "HBD" || (name.size() > 1 && name.back() == '/')) {
        e.type = EntryType::Directory;
        if (name.size() > 1 && name.back() == '/')
            name.remove_suffix(1);
    } else if (recordType[0] == 'F' || recordType[0] == 'B') {
        e.size = multiplySize(eof.value, recordBytes);
    }
    if (name.empty())
        return false;
    e.name = std::string(name);
    out.push_back(std::move(e));
    return true;
}

} // namespace

LineResult MpeParser::parse(Lines lines, std::size_t index, const ParseContext&,
                            std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    std::string_view first = t.text(0);
    if (first.starts_with("PATH=") && (first.size() > 5 || t.size() == 2)) {
        m_posix = true;
        return ignored();
    }
    if (first == "ACCOUNT=" || first == "FILENAME" || (first == "SIZE" && t.size() > 2 && t.text(1) == "TYP"))
        return ignored();
    if (m_posix) {
        if (first == "CODE" && t.text(t.size() - 1) == "FILENAME")
            return ignored();
        return readPosixLine(t, out) ? entry() : failed();
    }
    if (t.size() < 5 || !isMpeName(first))
        return failed();
    std::size_t i = 1;
    std::int64_t recordBytes;
    if (!readRecordSize(t.text(i), recordBytes)) {
        ++i; // a file code comes first
        if (!readRecordSize(t.text(i), recordBytes))
            return failed();
    }
    if (i + 3 >= t.size())
        return failed();
    std::string_view recordType = t.text(i + 1);
    SizeField eof = parseSize(t.text(i + 2));
    if (recordType.empty() || !isAsciiAlpha(recordType[0]) || !eof.isNumber || !isDigits(t.text(i + 3)))
        return failed();
    ListingEntry e;
    e.name = std::string(first);
    if (recordType[0] == 'F')
        e.size = multiplySize(eof.value, recordBytes);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
