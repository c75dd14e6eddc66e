#include "ftp/listing/XecomParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"

namespace ftp::listing {

LineResult XecomParser::parse(Lines lines, std::size_t index, const ParseContext&,
                              std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() == 5 && equalsNoCase(t.text(0), "Start") && equalsNoCase(t.text(1), "End") &&
        equalsNoCase(t.text(2), "length") && equalsNoCase(t.text(3), "File") &&
        equalsNoCase(t.text(4), "name")) {
        m_sawHeader = true;
        return ignored();
    }
    if (!m_sawHeader || t.size() < 4)
        return failed();
    // "** Total 3 files, 1234 bytes **"
    if (t.size() == 7 && t.text(0) == "**" && t.text(1) == "Total" && t.text(6) == "**")
        return ignored();
    std::int64_t start, end;
    SizeField length = parseSize(t.text(2));
    if (!parseHex(t.text(0), start) || !parseHex(t.text(1), end) || !length.isNumber)
        return failed();
    ListingEntry e;
    e.size = length.value;
    e.name = std::string(t.afterBlanks(2));
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
