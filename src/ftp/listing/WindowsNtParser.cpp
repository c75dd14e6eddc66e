#include "ftp/listing/WindowsNtParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

// "<DIR>" is followed by ten blanks in the server's fixed columns; blanks
// beyond those belong to the name.
constexpr std::size_t kDirNameGap = 10;

std::string_view firstField(std::string_view line)
{
    std::size_t b = 0;
    while (b < line.size() && isBlank(line[b]))
        ++b;
    std::size_t e = b;
    while (e < line.size() && !isBlank(line[e]))
        ++e;
    return line.substr(b, e - b);
}

} // namespace

void WindowsNtParser::prepare(Lines lines)
{
    for (std::string_view line : lines) {
        NumericDate d;
        if (splitNumericDate(firstField(line), d) && d.count == 3 && d.digits[0] <= 2 && d.part[0] > 12 &&
            d.part[1] <= 12) {
            m_dayFirst = true;
            return;
        }
    }
}

LineResult WindowsNtParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                  std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 4)
        return failed();
    NumericDate d;
    if (!splitNumericDate(t.text(0), d) || d.count != 3 || d.separator == '.')
        return failed();
    int year, month, day;
    if (d.digits[0] == 4 && d.digits[1] <= 2 && d.digits[2] <= 2) {
        year = d.part[0];
        month = d.part[1];
        day = d.part[2];
    } else if (d.digits[0] <= 2 && d.digits[1] <= 2 && (d.digits[2] == 2 || d.digits[2] == 4)) {
        year = expandYear(d.part[2], d.digits[2]);
        month = m_dayFirst ? d.part[1] : d.part[0];
        day = m_dayFirst ? d.part[0] : d.part[1];
    } else {
        return failed();
    }

    std::size_t i = 1;
    int hour, minute, second;
    std::string_view clock = t.text(1);
    std::string clockWithSuffix;
    if (t.size() > 4 && (equalsNoCase(t.text(2), "AM") || equalsNoCase(t.text(2), "PM"))) {
        clockWithSuffix = std::string(clock) + std::string(t.text(2));
        clock = clockWithSuffix;
        ++i;
    }
    if (!parseClock12(clock, hour, minute, second))
        return failed();
    ++i;

    ListingEntry e;
    e.modified = makeDateTime(year, month, day, hour, minute, second);
    std::string_view field = t.text(i);
    std::string_view name;
    if (field == "<DIR>") {
        e.type = EntryType::Directory;
        std::string_view rest = t.line().substr(t[i].end());
        std::size_t blanks = 0;
        while (blanks < rest.size() && isBlank(rest[blanks]))
            ++blanks;
        name = blanks >= kDirNameGap ? rest.substr(kDirNameGap) : rest.substr(blanks);
    } else if (field == "<JUNCTION>" || field == "<SYMLINK>" || field == "<SYMLINKD>") {
        e.type = EntryType::Link;
        name = t.afterBlanks(i);
        // "name [target]"
        if (name.size() > 2 && name.back() == ']') {
            std::size_t open = name.rfind(" [");
            if (open != std::string_view::npos) {
                e.linkTarget = std::string(name.substr(open + 2, name.size() - open - 3));
                name = name.substr(0, open);
            }
        }
    } else {
        SizeField size = parseSize(field, true);
        if (!size.isNumber)
            return failed();
        e.size = size.value;
        name = t.afterOneBlank(i);
    }
    if (name.empty())
        return failed();
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
