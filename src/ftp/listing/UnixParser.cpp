#include "ftp/listing/UnixParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/LineTokens.h"
#include "ftp/listing/UnixDate.h"

namespace ftp::listing {

namespace {

constexpr std::size_t kMaxOwnerFields = 5;

bool isModeChar(char c, std::size_t position)
{
    if (c == '-')
        return true;
    switch (position % 3) {
    case 1:
        return c == 'r';
    case 2:
        return c == 'w';
    default:
        return c == 'x' || c == 's' || c == 'S' || c == 't' || c == 'T' || c == 'l' || c == 'L';
    }
}

// "drwxr-xr-x", optionally followed by one ACL "+", extended-attribute "@" or
// SELinux "." mark.
bool readMode(std::string_view field, EntryType& type)
{
    if (field.size() != 10 &&
        !(field.size() == 11 && (field[10] == '+' || field[10] == '@' || field[10] == '.')))
        return false;
    switch (field[0]) {
    case '-':
    case 'f':
        type = EntryType::File;
        break;
    case 'd':
        type = EntryType::Directory;
        break;
    case 'l':
        type = EntryType::Link;
        break;
    case 'b':
    case 'c':
    case 'p':
    case 's':
    case 'D':
    case 'n':
    case '?':
        type = EntryType::Other;
        break;
    default:
        return false;
    }
    for (std::size_t i = 1; i < 10; ++i)
        if (!isModeChar(field[i], i))
            return false;
    return true;
}

bool isUnitreeClass(std::string_view s)
{
    return s == "AR" || s == "DK" || s == "UNK";
}

bool isDeviceMajor(std::string_view s)
{
    return s.size() >= 2 && s.back() == ',' && isDigits(s.substr(0, s.size() - 1));
}

// "13,2": major and minor device numbers written as one field.
bool isDeviceNumbers(std::string_view s)
{
    std::size_t comma = s.find(',');
    return comma != std::string_view::npos && isDigits(s.substr(0, comma)) && isDigits(s.substr(comma + 1));
}

} // namespace

LineResult UnixParser::parse(Lines lines, std::size_t index, const ParseContext& context,
                             std::vector<ListingEntry>& out)
{
    LineTokens t(lines[index]);
    if (t.empty())
        return ignored();
    if (t.size() == 2 && equalsNoCase(t.text(0), "total") && isTotal(t.text(1)))
        return ignored();

    // Up to two numeric columns (inode, blocks) may come before the mode.
    std::size_t mode = 0;
    EntryType type = EntryType::File;
    while (mode < 2 && mode < t.size() && isDigits(t.text(mode)))
        ++mode;
    if (mode >= t.size() || !readMode(t.text(mode), type)) {
        if (mode == 0 || !readMode(t.text(0), type))
            return failed();
        mode = 0;
    }

    // The date is the anchor: the field before it is the size, the fields
    // between mode and size are link count, owner and group.
    EntryTime time;
    std::size_t sizeField = 0, last = 0;
    bool found = false;
    for (std::size_t k = mode + 2; k + 1 < t.size() && k <= mode + 2 + kMaxOwnerFields; ++k) {
        std::string_view size = t.text(k - 1);
        if (!parseSize(size).isNumber && !(type == EntryType::Other && isDeviceNumbers(size)))
            continue;
        if (readUnixDate(t, k, context, time, last)) {
            sizeField = k - 1;
            found = true;
            break;
        }
    }
    if (!found)
        return failed();

    std::string_view name = t.afterOneBlank(last);
    std::string_view target;
    if (type == EntryType::Link) {
        std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos) {
            target = name.substr(arrow + 4);
            name = name.substr(0, arrow);
        }
    }
    if (type == EntryType::Directory && name.size() > 1 && name.back() == '/')
        name.remove_suffix(1); // "ls -F" marks directories; a name cannot hold a slash
    if (name.empty())
        return failed();

    // Filled in place: listings run to hundreds of thousands of entries.
    ListingEntry& e = out.emplace_back();
    e.name.assign(name);
    e.linkTarget.assign(target);
    e.type = type;
    e.unixStyle = true;
    e.modified = time;
    e.permissions.assign(t.text(mode).substr(1, 9));

    // Devices show "major, minor" where others show the size.
    std::size_t ownerEnd = sizeField;
    bool device = false;
    if (type == EntryType::Other && ownerEnd > mode + 1 && isDeviceMajor(t.text(ownerEnd - 1))) {
        --ownerEnd;
        device = true;
    }
    if (!device)
        e.size = parseSize(t.text(sizeField)).value;

    std::size_t first = mode + 1;
    std::size_t count = ownerEnd - first;
    if (count >= 1 && isDigits(t.text(first))) {
        // The link count; alone it is a listing without owner and group.
        ++first;
        --count;
    }
    if (count == 3 && isUnitreeClass(t.text(first + 2)))
        count = 2;
    if (count >= 1)
        e.owner.assign(t.text(first));
    if (count >= 2) {
        std::size_t from = t[first + 1].begin;
        std::size_t to = t[first + count - 1].end();
        e.group.assign(t.line().substr(from, to - from));
    }
    return entry();
}

} // namespace ftp::listing
