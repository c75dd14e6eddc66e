#include "ftp/listing/As400Parser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

std::size_t findType(const LineTokens& t)
{
    for (std::size_t i = 1; i < t.size() && i <= 4; ++i)
        if (t.text(i).size() > 1 && t.text(i)[0] == '*')
            return i;
    return 0;
}

EntryType typeOf(std::string_view objectType)
{
    if (objectType == "*DIR" || objectType == "*LIB" || objectType == "*FLR" || objectType == "*DDIR")
        return EntryType::Directory;
    if (objectType == "*SYMLNK")
        return EntryType::Link;
    return EntryType::File;
}

} // namespace

void As400Parser::prepare(Lines lines)
{
    for (std::string_view line : lines) {
        LineTokens t(line);
        NumericDate d;
        if (findType(t) == 4 && splitNumericDate(t.text(2), d) && d.count == 3 &&
            (d.separator == '.' || (d.part[0] > 12 && d.part[1] <= 12))) {
            m_dayFirst = true;
            return;
        }
    }
}

LineResult As400Parser::parse(Lines lines, std::size_t index, const ParseContext&,
                              std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    std::size_t type = findType(t);
    if (type == 0 || type + 1 >= t.size() || (type != 1 && type != 4))
        return failed();
    ListingEntry e;
    e.owner = std::string(t.text(0));
    if (type == 4) {
        SizeField size = parseSize(t.text(1));
        NumericDate d;
        int hour, minute, second;
        if (!size.isNumber || !splitNumericDate(t.text(2), d) || d.count != 3 || d.digits[0] > 4 ||
            d.digits[1] > 2 || d.digits[2] > 4 || !parseClock(t.text(3), hour, minute, second))
            return failed();
        int year, month, day;
        if (d.digits[0] == 4) {
            year = d.part[0];
            month = d.part[1];
            day = d.part[2];
        } else {
            year = expandYear(d.part[2], d.digits[2]);
            month = m_dayFirst ? d.part[1] : d.part[0];
            day = m_dayFirst ? d.part[0] : d.part[1];
        }
        e.size = size.value;
        e.modified = makeDateTime(year, month, day, hour, minute, second);
    }
    std::string_view objectType = t.text(type);
    e.type = typeOf(objectType);
    std::string_view name = t.afterBlanks(type);
    if (e.type == EntryType::Directory && name.size() > 1 && name.back() == '/')
        name.remove_suffix(1);
    // Members are listed as "FILE/MEMBER.MBR"; within the file the member's own
    // name is what commands take.
    if (objectType == "*MEM" && name.find('/') != std::string_view::npos)
        name = name.substr(name.rfind('/') + 1);
    if (name.empty())
        return failed();
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
