#include "ftp/listing/StratusVosParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

constexpr std::int64_t kBlock = 4096;

// "90-05-19 11:53:44" at field i.
bool readDateTime(const LineTokens& t, std::size_t i, EntryTime& time)
{
    NumericDate d;
    int hour, minute, second;
    if (i + 1 >= t.size() || !splitNumericDate(t.text(i), d) || d.count != 3 || d.separator != '-' ||
        (d.digits[0] != 2 && d.digits[0] != 4) || d.digits[1] != 2 || d.digits[2] != 2 ||
        !parseClock(t.text(i + 1), hour, minute, second))
        return false;
    time = makeDateTime(expandYear(d.part[0], d.digits[0]), d.part[1], d.part[2], hour, minute, second);
    return true;
}

bool isSectionHeader(const LineTokens& t, std::string_view label)
{
    return t.size() >= 2 && t.text(0) == label && isDigits(t.text(1));
}

// A section header or the next link: no continuation of a cut link target.
bool startsAnotherLine(const LineTokens& t)
{
    EntryTime unused;
    return isSectionHeader(t, "Files:") || isSectionHeader(t, "Dirs:") || isSectionHeader(t, "Links:") ||
           readDateTime(t, 0, unused);
}

std::string_view trimmedRight(std::string_view s)
{
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

LineResult StratusVosParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                   std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    if (isSectionHeader(t, "Files:") && t.size() == 4 && t.text(2) == "Blocks:" && isDigits(t.text(3))) {
        m_section = EntryType::File;
        return ignored();
    }
    if (isSectionHeader(t, "Dirs:") && t.size() == 2) {
        m_section = EntryType::Directory;
        return ignored();
    }
    if (isSectionHeader(t, "Links:") && t.size() == 2) {
        m_section = EntryType::Link;
        return ignored();
    }

    ListingEntry e;
    e.type = m_section;
    std::size_t consumed = 1;
    if (m_section == EntryType::Link) {
        if (!readDateTime(t, 0, e.modified) || t.size() < 3)
            return failed();
        std::string_view rest = t.afterBlanks(1);
        std::size_t arrow = rest.find(" ->");
        if (arrow == std::string_view::npos)
            return failed();
        // Never empty: the rest starts with the name's first byte.
        std::string_view name = trimmedRight(rest.substr(0, arrow));
        std::string_view target = rest.substr(arrow + 3);
        while (!target.empty() && isBlank(target.front()))
            target.remove_prefix(1);
        e.linkTarget = std::string(trimmedRight(target));
        // A target cut at the arrow goes on in the next line; any further
        // "+" lines continue it.
        if (e.linkTarget.empty() && index + consumed < lines.size() &&
            !startsAnotherLine(LineTokens(lines[index + consumed]))) {
            std::string_view next = lines[index + consumed];
            e.linkTarget += trimmedRight(next.starts_with('+') ? next.substr(1) : next);
            ++consumed;
        }
        while (index + consumed < lines.size() && lines[index + consumed].starts_with('+')) {
            e.linkTarget += trimmedRight(lines[index + consumed].substr(1));
            ++consumed;
        }
        e.name = std::string(name);
    } else {
        // "w  158 stm  90-05-19 11:53:44  name"; directories have no organisation.
        std::string_view access = t.text(0);
        if (t.size() < 5 || access.size() != 1 ||
            std::string_view("unerwsm").find(access[0]) == std::string_view::npos)
            return failed();
        SizeField blocks = parseSize(t.text(1));
        if (!blocks.isNumber)
            return failed();
        std::size_t at = 2;
        if (!readDateTime(t, at, e.modified)) {
            at = 3;
            if (!isAsciiAlpha(t.text(2)[0]) || !readDateTime(t, at, e.modified))
                return failed();
        }
        if (at + 2 >= t.size())
            return failed();
        e.size = multiplySize(blocks.value, kBlock);
        e.name = std::string(t.afterBlanks(at + 1));
        if (e.name == "." || e.name == "..")
            e.type = EntryType::Directory;
    }
    out.push_back(std::move(e));
    return entry(consumed);
}

} // namespace ftp::listing
