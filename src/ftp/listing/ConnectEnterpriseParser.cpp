#include "ftp/listing/ConnectEnterpriseParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/UnixDate.h"

namespace ftp::listing {

namespace {

constexpr std::size_t kFlagFieldLength = 13;

// "-C--E-----FTP": flags as upper-case letters or dashes, at least one dash.
bool isFlagField(std::string_view s)
{
    if (s.size() != kFlagFieldLength || s.find('-') == std::string_view::npos)
        return false;
    for (char c : s)
        if (c != '-' && (c < 'A' || c > 'Z'))
            return false;
    return true;
}

bool isMailboxId(std::string_view s)
{
    if (s.empty() || s.size() > 16)
        return false;
    for (char c : s)
        if (!(isAsciiAlpha(c) || (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '#' || c == '@'))
            return false;
    return true;
}

} // namespace

LineResult ConnectEnterpriseParser::parse(Lines lines, std::size_t index, const ParseContext& context,
                                          std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() < 8 || !isFlagField(t.text(0)) || t.text(1).size() != 1 || !isAsciiAlpha(t.text(1)[0]) ||
        !isMailboxId(t.text(2)) || !isDigits(t.text(3)))
        return failed();
    SizeField size = parseSize(t.text(4));
    EntryTime time;
    std::size_t last = 0;
    if (!size.isNumber || !readUnixDate(t, 5, context, time, last))
        return failed();
    std::string_view name = t.afterOneBlank(last);
    if (name.empty())
        return failed();
    ListingEntry& e = out.emplace_back();
    e.name.assign(name);
    e.size = size.value;
    e.modified = time;
    e.owner.assign(t.text(2));
    return entry();
}

} // namespace ftp::listing
