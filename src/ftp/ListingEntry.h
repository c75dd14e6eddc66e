#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ftp {

enum class EntryType : std::uint8_t
{
    File,
    Directory,
    Link,
    Other, // devices, sockets, job-queue entries and other kinds that are neither file nor directory
};

// A point in local time as far as a listing tells it. A listing may give a date
// without a time (MVS, many DOS-era servers) or nothing at all.
struct EntryTime
{
    int year = 0; // 0 when the date is unknown
    int month = 0;
    int day = 0;
    int hour = -1; // -1 when the time of day is unknown
    int minute = -1;
    int second = -1; // -1 when the listing gives no seconds

    bool hasDate() const { return year != 0; }
    bool hasTime() const { return hour >= 0; }
    friend bool operator==(const EntryTime&, const EntryTime&) = default;
};

// One entry of a parsed directory listing: a plain copyable value.
struct ListingEntry
{
    std::string name;
    std::optional<std::int64_t> size; // unknown when the listing gives none or it does not fit
    EntryTime modified;
    // The one-byte members together, so a large listing pays no padding for them.
    EntryType type = EntryType::File;
    bool unixStyle = false; // parsed from an ls -l style line

    // Unix-style listings only (empty elsewhere).
    std::string owner;
    std::string group;
    std::string linkTarget;
    std::string permissions; // nine characters, "rwxr-x---"; empty when not given

    std::string ownerPermissions() const { return permissions.size() == 9 ? permissions.substr(0, 3) : ""; }
    std::string groupPermissions() const { return permissions.size() == 9 ? permissions.substr(3, 3) : ""; }
    std::string otherPermissions() const { return permissions.size() == 9 ? permissions.substr(6, 3) : ""; }

    bool isDirectory() const { return type == EntryType::Directory; }
    friend bool operator==(const ListingEntry&, const ListingEntry&) = default;
};

} // namespace ftp
