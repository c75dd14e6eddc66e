#include "ftp/listing/VseParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isVseName(std::string_view s, std::size_t maxLength)
{
    if (s.empty() || s.size() > maxLength)
        return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '$' || c == '#' || c == '@' ||
              c == '.' || c == '-' || c == '_'))
            return false;
    return true;
}

bool isOneOf(std::string_view s, std::initializer_list<std::string_view> words)
{
    for (auto w : words)
        if (s == w)
            return true;
    return false;
}

// "2003-06-03" or "03-06-03" (yy-mm-dd, as the librarian prints it).
bool readVseDate(std::string_view s, EntryTime& time)
{
    NumericDate d;
    if (!splitNumericDate(s, d) || d.count != 3 || d.separator != '-' || d.digits[1] != 2 ||
        d.digits[2] != 2 || (d.digits[0] != 4 && d.digits[0] != 2))
        return false;
    time = makeDate(expandYear(d.part[0], d.digits[0]), d.part[1], d.part[2]);
    return true;
}

void push(std::vector<ListingEntry>& out, std::string name, EntryType type, EntryTime time = {},
          std::optional<std::int64_t> size = {})
{
    ListingEntry e;
    e.name = std::move(name);
    e.type = type;
    e.modified = time;
    e.size = size;
    out.push_back(std::move(e));
}

bool isHeader(const LineTokens& t)
{
    std::string_view f = t.text(0);
    std::string_view second = t.size() > 1 ? t.text(1) : std::string_view{};
    return f.find_first_not_of("-=") == std::string_view::npos || (f == "DIRECTORY" && second == "DISPLAY") ||
           (f == "M" && second == "E") || (f == "S" && second == "U") ||
           (f == "NAME" && (second == "TYPE" || second == "DATE")) || (f == "TIME:" && t.size() == 2) ||
           (f == "JOBNAME" && second == "NUMBER");
}

} // namespace

LineResult VseParser::parse(Lines lines, std::size_t index, const ParseContext&,
                            std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty() || isHeader(t))
        return ignored();
    if (t.size() < 2 || !isVseName(t.text(0), 44))
        return failed();
    std::string_view name = t.text(0), second = t.text(1);
    EntryTime time;

    // Root directory: one entry per file system.
    if (t.size() <= 3 && isVseName(name, 8) &&
        isOneOf(second, {"LIBRARY", "POWER", "VSAM", "VTOC", "ICCF"})) {
        push(out, std::string(name), EntryType::Directory);
        return entry();
    }
    // VSAM catalogue.
    if (isOneOf(second, {"KSDS", "ESDS", "RRDS", "VRDS", "LDS", "AIX", "PATH", "CLUSTER"})) {
        if (t.size() >= 3)
            readVseDate(t.text(2), time);
        push(out, std::string(name), EntryType::File, time);
        return entry();
    }
    // VTOC: data set name, type, creation date, volume.
    if (t.size() >= 3 && isOneOf(second, {"SD", "DA", "IS", "DLA", "VSAM"}) && readVseDate(t.text(2), time)) {
        push(out, std::string(name), EntryType::File, time);
        return entry();
    }
    // POWER queue: job name, number, queue, class, disposition.
    if (t.size() >= 5 && isVseName(name, 8) && second.size() == 5 && isDigits(second) &&
        isOneOf(t.text(2), {"RDR", "LST", "PUN", "XMT", "WRK"})) {
        push(out, std::string(name) + "." + std::string(second), EntryType::Other);
        return entry();
    }
    if (!isVseName(name, 8))
        return failed();
    // Library: sub-libraries with creation date, member and block counts.
    if (t.size() == 4 && readVseDate(second, time) && isDigits(t.text(2)) && isDigits(t.text(3))) {
        push(out, std::string(name), EntryType::Directory, time);
        return entry();
    }
    // Sub-library: members.
    if (t.size() >= 6 && isVseName(second, 8) && readVseDate(t.text(2), time)) {
        std::size_t i = 3;
        EntryTime updated;
        if (readVseDate(t.text(i), updated)) {
            time = updated;
            ++i;
        } else {
            while (i < t.size() && t.text(i) == "-")
                ++i;
        }
        if (i + 1 >= t.size() || (t.text(i + 1) != "B" && t.text(i + 1) != "R"))
            return failed();
        SizeField count = parseSize(t.text(i));
        if (!count.isNumber)
            return failed();
        std::optional<std::int64_t> size;
        if (t.text(i + 1) == "B")
            size = count.value;
        push(out, std::string(name) + "." + std::string(second), EntryType::File, time, size);
        return entry();
    }
    return failed();
}

} // namespace ftp::listing
