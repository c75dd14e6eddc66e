#include "ftp/listing/MlsdParser.h"

#include "ftp/listing/Fields.h"
#include "ftp/listing/ListingDate.h"

namespace ftp::listing {

namespace {

// RFC 3659 section 2.3: time-val = 14DIGIT [ "." 1*DIGIT ], always UTC.
EntryTime readModify(std::string_view v)
{
    if (v.size() < 14 || !isDigits(v.substr(0, 14)))
        return {};
    if (v.size() > 14 && (v[14] != '.' || !isDigits(v.substr(15))))
        return {};
    int year, month, day, hour, minute, second;
    parseSmall(v.substr(0, 4), year, 4);
    parseSmall(v.substr(4, 2), month, 2);
    parseSmall(v.substr(6, 2), day, 2);
    parseSmall(v.substr(8, 2), hour, 2);
    parseSmall(v.substr(10, 2), minute, 2);
    parseSmall(v.substr(12, 2), second, 2);
    return fromUtc(year, month, day, hour, minute, second);
}

bool isKnownFact(std::string_view key)
{
    static constexpr std::string_view kFacts[] = {"type",   "size", "sizd",  "modify",
                                                  "create", "perm", "unique"};
    for (auto f : kFacts)
        if (equalsNoCase(key, f))
            return true;
    return startsWithNoCase(key, "unix.");
}

void readType(std::string_view v, ListingEntry& e, bool& currentDir, bool& parentDir)
{
    if (equalsNoCase(v, "file")) {
        e.type = EntryType::File;
    } else if (equalsNoCase(v, "dir")) {
        e.type = EntryType::Directory;
    } else if (equalsNoCase(v, "cdir")) {
        e.type = EntryType::Directory;
        currentDir = true;
    } else if (equalsNoCase(v, "pdir")) {
        e.type = EntryType::Directory;
        parentDir = true;
    } else if (startsWithNoCase(v, "OS.unix=slink") || startsWithNoCase(v, "OS.unix=symlink")) {
        e.type = EntryType::Link;
        std::size_t colon = v.find(':');
        if (colon != std::string_view::npos)
            e.linkTarget = std::string(v.substr(colon + 1));
    } else {
        e.type = EntryType::Other; // devices, "OS.unix=chr-13/29" and the like
    }
}

} // namespace

LineResult MlsdParser::parse(Lines lines, std::size_t index, const ParseContext&,
                             std::vector<ListingEntry>& out)
{
    std::string_view line = lines[index];
    // MLST answers on the control connection put one blank before the facts;
    // some servers separate facts and name with a tab.
    if (!line.empty() && line[0] == ' ')
        line.remove_prefix(1);
    std::size_t blank = line.find_first_of(" \t");
    if (blank == std::string_view::npos || blank == 0 || blank + 1 >= line.size())
        return failed();
    std::string_view facts = line.substr(0, blank);
    // Filled in place and taken back when the line turns out not to be one.
    ListingEntry& e = out.emplace_back();
    bool known = false, currentDir = false, parentDir = false;
    std::string_view ownerName, owner, groupName, group;
    while (!facts.empty()) {
        std::size_t semi = facts.find(';');
        std::string_view fact = facts.substr(0, semi);
        facts = semi == std::string_view::npos ? std::string_view{} : facts.substr(semi + 1);
        if (fact.empty())
            continue;
        std::size_t eq = fact.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            out.pop_back();
            return failed();
        }
        std::string_view key = fact.substr(0, eq), value = fact.substr(eq + 1);
        known = known || isKnownFact(key);
        if (equalsNoCase(key, "type")) {
            readType(value, e, currentDir, parentDir);
        } else if (equalsNoCase(key, "size") || equalsNoCase(key, "sizd")) {
            SizeField size = parseSize(value);
            if (size.isNumber && (equalsNoCase(key, "size") || !e.size))
                e.size = size.value;
        } else if (equalsNoCase(key, "modify")) {
            e.modified = readModify(value);
        } else if (equalsNoCase(key, "unix.mode")) {
            e.permissions = permissionsFromOctal(value);
        } else if (equalsNoCase(key, "unix.ownername")) {
            ownerName = value;
        } else if (equalsNoCase(key, "unix.owner") || equalsNoCase(key, "unix.uid")) {
            owner = value;
        } else if (equalsNoCase(key, "unix.groupname")) {
            groupName = value;
        } else if (equalsNoCase(key, "unix.group") || equalsNoCase(key, "unix.gid")) {
            group = value;
        }
    }
    if (!known) {
        out.pop_back();
        return failed();
    }
    e.owner.assign(ownerName.empty() ? owner : ownerName);
    e.group.assign(groupName.empty() ? group : groupName);
    std::string_view name = line.substr(blank + 1);
    if (currentDir)
        name = ".";
    else if (parentDir)
        name = "..";
    e.name.assign(name);
    return entry();
}

} // namespace ftp::listing
