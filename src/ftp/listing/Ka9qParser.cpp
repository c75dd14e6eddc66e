#include "ftp/listing/Ka9qParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

// "5 files. 12,345,678 bytes free. Disk size 40,000,000 bytes."
bool isSummary(const LineTokens& t)
{
    return t.size() >= 5 && isDigits(t.text(0)) && (t.text(1) == "files." || t.text(1) == "file.") &&
           parseSize(t.text(2), true).isNumber && t.text(3) == "bytes" && t.text(4).starts_with("free");
}

// One entry from field `at` on; the index after it, or 0 when the fields there
// are no entry.
std::size_t readEntry(const LineTokens& t, std::size_t at, ListingEntry& e)
{
    std::string_view name = t.text(at);
    std::size_t i = at + 1;
    if (name.size() > 1 && name.back() == '/') {
        e.type = EntryType::Directory;
        name.remove_suffix(1);
    } else {
        if (i >= t.size())
            return 0;
        SizeField size = parseSize(t.text(i), true);
        if (!size.isNumber)
            return 0;
        e.size = size.value;
        ++i;
    }
    if (i + 1 >= t.size())
        return 0;
    int hour, minute, second;
    NumericDate d;
    if (!parseClock(t.text(i), hour, minute, second) || second >= 0 || !splitNumericDate(t.text(i + 1), d) ||
        d.count != 3 || d.separator != '/' || d.digits[0] > 2 || d.digits[1] != 2 || d.digits[2] != 2)
        return 0;
    e.modified = makeDateTime(expandYear(d.part[2], 2), d.part[0], d.part[1], hour, minute);
    e.name = std::string(name);
    return i + 2;
}

} // namespace

LineResult Ka9qParser::parse(Lines lines, std::size_t index, const ParseContext&,
                             std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (isSummary(t))
        return ignored();
    if (t.empty())
        return failed();
    // Every field must belong to one of at most two entries.
    ListingEntry entries[2];
    std::size_t count = 0;
    for (std::size_t at = 0; at < t.size(); ++count) {
        if (count == 2)
            return failed();
        at = readEntry(t, at, entries[count]);
        if (at == 0)
            return failed();
    }
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(std::move(entries[i]));
    return entry();
}

} // namespace ftp::listing
