#include "ftp/listing/NameListParser.h"

namespace ftp::listing {

namespace {

constexpr std::size_t kMaxNameLength = 255;

bool isPlainNameByte(unsigned char c)
{
    if (c < 0x20 || c == 0x7f || c == ' ')
        return false;
    switch (c) {
    case '<':
    case '>':
    case '"':
    case '|':
    case '*':
    case '?':
    case '\\':
    case '/':
        return false;
    default:
        return true;
    }
}

} // namespace

LineResult NameListParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                 std::vector<ListingEntry>& out)
{
    std::string_view name = lines[index];
    if (name.empty() || name.size() > kMaxNameLength)
        return failed();
    ListingEntry e;
    if (name.size() > 1 && name.back() == '/') {
        e.type = EntryType::Directory;
        name.remove_suffix(1);
    }
    for (char c : name)
        if (!isPlainNameByte(static_cast<unsigned char>(c)))
            return failed();
    // A Unix mode alone is a truncated "ls -l" line, not a file.
    if (name.size() == 10 && std::string_view("-dlbcps").find(name[0]) != std::string_view::npos &&
        name.find_first_not_of("-rwxsStT", 1) == std::string_view::npos)
        return failed();
    if (name == "." || name == "..")
        e.type = EntryType::Directory;
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
