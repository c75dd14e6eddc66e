#include "ftp/listing/UnisysParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

// "SEQDATA", "CANDEDATA", "DCALGOLSYMBOL"
bool isFileKind(std::string_view s)
{
    if (s.empty() || !isAsciiAlpha(s[0]))
        return false;
    for (char c : s)
        if (!isAsciiAlpha(c) && !(c >= '0' && c <= '9') && c != '_')
            return false;
    return true;
}

} // namespace

LineResult UnisysParser::parse(Lines lines, std::size_t index, const ParseContext&,
                               std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() >= 3 && t.text(0) == "Report" && t.text(1) == "for:")
        return ignored();
    // "6 Files     504 Octets", "1 File 84 Octets"
    if (t.size() == 4 && isDigits(t.text(0)) && (t.text(1) == "Files" || t.text(1) == "File") &&
        isDigits(t.text(2)) && (t.text(3) == "Octets" || t.text(3) == "Octet"))
        return ignored();
    if (t.size() != 5 || !isFileKind(t.text(1)))
        return failed();
    SizeField size = parseSize(t.text(2));
    NumericDate d;
    int hour, minute, second;
    if (!size.isNumber || !splitNumericDate(t.text(3), d) || d.count != 3 || d.separator != '/' ||
        d.digits[0] > 2 || d.digits[1] > 2 || (d.digits[2] != 2 && d.digits[2] != 4) ||
        !parseClock(t.text(4), hour, minute, second))
        return failed();
    ListingEntry e;
    e.size = size.value;
    e.modified = makeDateTime(expandYear(d.part[2], d.digits[2]), d.part[0], d.part[1], hour, minute, second);
    e.name = std::string(t.text(0));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
