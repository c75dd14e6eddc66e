#include "ftp/listing/NetWareParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/UnixDate.h"

namespace ftp::listing {

namespace {

bool isRights(std::string_view s)
{
    if (s.size() < 3 || s.front() != '[' || s.back() != ']')
        return false;
    for (char c : s.substr(1, s.size() - 2))
        if (c != '-' && std::string_view("RWCEAFMS").find(c) == std::string_view::npos)
            return false;
    return true;
}

} // namespace

LineResult NetWareParser::parse(Lines lines, std::size_t index, const ParseContext& context,
                                std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.size() == 2 && equalsNoCase(t.text(0), "total") && isTotal(t.text(1)))
        return ignored();
    if (t.size() < 6)
        return failed();
    std::string_view kind = t.text(0);
    std::size_t next;
    if (kind.size() == 1 && (kind[0] == 'd' || kind[0] == '-') && isRights(t.text(1)))
        next = 2;
    else if (kind.size() > 1 && (kind[0] == 'd' || kind[0] == '-') && isRights(kind.substr(1)))
        next = 1;
    else
        return failed();
    if (next + 3 >= t.size())
        return failed();
    SizeField size = parseSize(t.text(next + 1));
    EntryTime time;
    std::size_t last;
    if (!size.isNumber || !readUnixDate(t, next + 2, context, time, last))
        return failed();
    std::string_view name = t.afterBlanks(last);
    if (name.empty())
        return failed();
    ListingEntry e;
    e.type = kind[0] == 'd' ? EntryType::Directory : EntryType::File;
    e.owner = std::string(t.text(next));
    e.size = size.value;
    e.modified = time;
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
