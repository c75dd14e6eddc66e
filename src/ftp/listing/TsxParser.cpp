#include "ftp/listing/TsxParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

constexpr std::int64_t kBlock = 512;

bool isRadixName(std::string_view s, std::size_t maxLength)
{
    if (s.empty() || s.size() > maxLength)
        return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '$'))
            return false;
    return true;
}

// "SWAP.SYS" or "SWAP" followed by ".SYS"; advances `i` past the name.
bool readName(const LineTokens& t, std::size_t& i, std::string& name)
{
    std::string_view f = t.text(i);
    std::size_t dot = f.find('.');
    if (dot != std::string_view::npos) {
        if (!isRadixName(f.substr(0, dot), 6) || !isRadixName(f.substr(dot + 1), 3))
            return false;
        name = std::string(f);
        ++i;
        return true;
    }
    if (!isRadixName(f, 6) || i + 1 >= t.size())
        return false;
    std::string_view ext = t.text(i + 1);
    if (ext.size() < 2 || ext[0] != '.' || !isRadixName(ext.substr(1), 3))
        return false;
    name = std::string(f) + std::string(ext);
    i += 2;
    return true;
}

// "02-Aug-88"
bool readDate(std::string_view s, EntryTime& time)
{
    if (s.size() != 9 || s[2] != '-' || s[6] != '-')
        return false;
    int day, year, month = monthFromName(s.substr(3, 3));
    if (month == 0 || !parseSmall(s.substr(0, 2), day, 2) || !parseSmall(s.substr(7), year, 2))
        return false;
    time = makeDate(expandYear(year, 2), month, day);
    return true;
}

} // namespace

LineResult TsxParser::parse(Lines lines, std::size_t index, const ParseContext&,
                            std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    EntryTime unused;
    if ((t.size() == 1 && readDate(t.text(0), unused)) ||
        (t.size() >= 3 && isDigits(t.text(0)) &&
         (startsWithNoCase(t.text(1), "Files") || equalsNoCase(t.text(1), "Free"))) ||
        (t.size() >= 2 && t.text(0) == "<" && t.text(1) == "UNUSED"))
        return ignored();
    std::vector<ListingEntry> found;
    for (std::size_t i = 0; i < t.size();) {
        ListingEntry e;
        if (!readName(t, i, e.name) || i >= t.size())
            return failed();
        std::string_view blocks = t.text(i);
        if (!blocks.empty() && blocks.back() == 'P')
            blocks.remove_suffix(1);
        SizeField n = parseSize(blocks);
        if (!n.isNumber)
            return failed();
        e.size = multiplySize(n.value, kBlock);
        ++i;
        if (i < t.size() && readDate(t.text(i), e.modified))
            ++i;
        found.push_back(std::move(e));
    }
    for (auto& e : found)
        out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
