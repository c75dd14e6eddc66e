#include "ftp/listing/MvsDatasetParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

bool isDatasetName(std::string_view s)
{
    if (s.empty() || s.size() > 44)
        return false;
    for (char c : s)
        if (!(isAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '.' || c == '@' || c == '#' || c == '$' ||
              c == '-' || c == '_' || c == '\''))
            return false;
    return true;
}

bool isUsed(std::string_view s)
{
    return isDigits(s) || s == "????" || s == "++++";
}

void push(std::vector<ListingEntry>& out, std::string_view name, EntryType type, EntryTime time = {})
{
    ListingEntry e;
    e.name = std::string(name);
    e.type = type;
    e.modified = time;
    out.push_back(std::move(e));
}

} // namespace

LineResult MvsDatasetParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                   std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    const std::size_t n = t.size();
    if (n >= 2 && t.text(0) == "Volume" && t.text(1) == "Unit")
        return ignored();
    if (n < 2 || !isDatasetName(t.text(n - 1)))
        return failed();
    std::string_view name = t.text(n - 1);
    if (n == 2 && t.text(0) == "Migrated") {
        push(out, name, EntryType::File);
        return entry();
    }
    if (n == 3 && t.text(0) == "Pseudo" && t.text(1) == "Directory") {
        push(out, name, EntryType::Directory);
        return entry();
    }
    // Archived or on a device without a catalogue entry the listing can show.
    if (n == 6 && t.text(1) == "Not" && t.text(2) == "Direct" && t.text(3) == "Access") {
        push(out, name, EntryType::File);
        return entry();
    }
    if (n == 3 && equalsNoCase(t.text(1), "Tape")) {
        push(out, name, EntryType::File);
        return entry();
    }
    if (n == 4 && t.text(2) == "VSAM") {
        push(out, name, EntryType::File);
        return entry();
    }
    if (n != 9 && n != 10)
        return failed();
    // Volume, unit, referred date, [extents], used, recfm, lrecl, blksize, dsorg, name.
    std::string_view referred = t.text(2);
    EntryTime time;
    NumericDate d;
    if (referred != "**NONE**") {
        if (!splitNumericDate(referred, d) || d.count != 3 || d.separator != '/')
            return failed();
        if (d.digits[0] == 4)
            time = makeDate(d.part[0], d.part[1], d.part[2]);
        else if (d.digits[0] == 2 && d.digits[1] == 2 && d.digits[2] == 2) // older systems: MM/DD/YY
            time = makeDate(expandYear(d.part[2], 2), d.part[0], d.part[1]);
        else
            return failed();
    }
    std::size_t used = n == 10 ? 4 : 3;
    if ((n == 10 && !isDigits(t.text(3))) || !isUsed(t.text(used)) || !isDigits(t.text(n - 4)) ||
        !isDigits(t.text(n - 3)))
        return failed();
    std::string_view dsorg = t.text(n - 2);
    push(out, name, (dsorg == "PO" || dsorg == "PO-E") ? EntryType::Directory : EntryType::File, time);
    return entry();
}

} // namespace ftp::listing
