#include "ftp/listing/NameListParser.h"

namespace ftp::listing {

namespace {

constexpr std::size_t kMaxNameLength = 255;

enum class NameShape : std::uint8_t
{
    Plain,      // one word of name bytes
    WithBlanks, // words of name bytes with single or multiple blanks between them
    None,
};

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

// The name without a directory's trailing slash.
std::string_view stripDirectoryMark(std::string_view line, bool& isDirectory)
{
    isDirectory = line.size() > 1 && line.back() == '/';
    if (isDirectory)
        line.remove_suffix(1);
    return line;
}

NameShape shapeOf(std::string_view name)
{
    if (name.empty() || name.size() > kMaxNameLength || name.front() == ' ' || name.back() == ' ')
        return NameShape::None;
    bool blank = false;
    for (char c : name) {
        if (c == ' ')
            blank = true;
        else if (!isPlainNameByte(static_cast<unsigned char>(c)))
            return NameShape::None;
    }
    // A Unix mode alone is a truncated "ls -l" line, not a file.
    if (name.size() == 10 && std::string_view("-dlbcps").find(name[0]) != std::string_view::npos &&
        name.find_first_not_of("-rwxsStT", 1) == std::string_view::npos)
        return NameShape::None;
    return blank ? NameShape::WithBlanks : NameShape::Plain;
}

} // namespace

void NameListParser::prepare(Lines lines)
{
    std::size_t plain = 0, withBlanks = 0;
    for (std::string_view line : lines) {
        bool isDirectory;
        switch (shapeOf(stripDirectoryMark(line, isDirectory))) {
        case NameShape::Plain:
            ++plain;
            break;
        case NameShape::WithBlanks:
            ++withBlanks;
            break;
        case NameShape::None:
            break;
        }
    }
    // Lines of words are prose unless most lines are single names.
    m_blanksInNames = withBlanks > 0 && plain > withBlanks;
}

LineResult NameListParser::parse(Lines lines, std::size_t index, const ParseContext&,
                                 std::vector<ListingEntry>& out)
{
    bool isDirectory;
    std::string_view name = stripDirectoryMark(lines[index], isDirectory);
    NameShape shape = shapeOf(name);
    if (shape == NameShape::None || (shape == NameShape::WithBlanks && !m_blanksInNames))
        return failed();
    ListingEntry e;
    e.type = (isDirectory || name == "." || name == "..") ? EntryType::Directory : EntryType::File;
    e.name = std::string(name);
    out.push_back(std::move(e));
    return entry();
}

} // namespace ftp::listing
