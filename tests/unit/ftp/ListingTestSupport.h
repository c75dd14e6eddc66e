#pragma once

#include "ftp/ListingEntry.h"
#include "ftp/ListingParser.h"

#include <ctime>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ftp {

inline void PrintTo(const EntryTime& t, std::ostream* os)
{
    if (!t.hasDate()) {
        *os << "(no date)";
        return;
    }
    *os << t.year << '-' << t.month << '-' << t.day;
    if (t.hasTime())
        *os << ' ' << t.hour << ':' << t.minute << (t.second >= 0 ? ":" + std::to_string(t.second) : "");
}

inline void PrintTo(const ListingEntry& e, std::ostream* os)
{
    static const char* kTypes[] = {"file", "dir", "link", "other"};
    *os << "{name \"" << e.name << "\", " << kTypes[static_cast<int>(e.type)] << ", size ";
    if (e.size)
        *os << *e.size;
    else
        *os << "unknown";
    *os << ", ";
    PrintTo(e.modified, os);
    if (e.unixStyle || !e.owner.empty() || !e.group.empty() || !e.permissions.empty())
        *os << ", perms \"" << e.permissions << "\" owner \"" << e.owner << "\" group \"" << e.group << "\"";
    if (!e.linkTarget.empty())
        *os << ", target \"" << e.linkTarget << "\"";
    *os << (e.unixStyle ? ", unix" : "") << "}";
}

} // namespace ftp

namespace listing_test {

// The fixed "now" of every table: 15 June 2024, 12:00 local time.
inline std::time_t fixedNow()
{
    std::tm tm{};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 5;
    tm.tm_mday = 15;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

inline ftp::ListingParseResult parse(const std::string& raw, bool machineListing = false)
{
    ftp::ListingParseOptions options;
    options.now = fixedNow();
    options.machineListing = machineListing;
    return ftp::parseListing(raw, options);
}

// Builds expected entries: file("a").size(3).at(2024, 1, 2, 3, 4).unix("rw-r--r--", "root", "wheel")
class Expect
{
public:
    Expect(std::string name, ftp::EntryType type)
    {
        m_e.name = std::move(name);
        m_e.type = type;
    }
    Expect& size(std::int64_t s)
    {
        m_e.size = s;
        return *this;
    }
    Expect& at(int y, int mo, int d, int h = -1, int mi = -1, int s = -1)
    {
        m_e.modified = ftp::EntryTime{y, mo, d, h, mi, s};
        return *this;
    }
    Expect& unix(std::string perms, std::string owner, std::string group = {})
    {
        m_e.permissions = std::move(perms);
        m_e.owner = std::move(owner);
        m_e.group = std::move(group);
        m_e.unixStyle = true;
        return *this;
    }
    Expect& owner(std::string owner, std::string group = {})
    {
        m_e.owner = std::move(owner);
        m_e.group = std::move(group);
        return *this;
    }
    Expect& perms(std::string p)
    {
        m_e.permissions = std::move(p);
        return *this;
    }
    Expect& target(std::string t)
    {
        m_e.linkTarget = std::move(t);
        return *this;
    }
    operator ftp::ListingEntry() const { return m_e; }

private:
    ftp::ListingEntry m_e;
};

inline Expect file(std::string name)
{
    return Expect(std::move(name), ftp::EntryType::File);
}
inline Expect dir(std::string name)
{
    return Expect(std::move(name), ftp::EntryType::Directory);
}
inline Expect link(std::string name)
{
    return Expect(std::move(name), ftp::EntryType::Link);
}
inline Expect other(std::string name)
{
    return Expect(std::move(name), ftp::EntryType::Other);
}

// One named row of a style table: a listing and the entries it must give.
struct StyleRow
{
    const char* name;
    std::string listing;
    std::vector<ftp::ListingEntry> expected;
    const char* style;
    std::size_t skipped = 0;
    bool machineListing = false;
};

inline void PrintTo(const StyleRow& row, std::ostream* os)
{
    *os << row.name;
}

inline std::string rowName(const testing::TestParamInfo<StyleRow>& info)
{
    return info.param.name;
}

// Checks one row, printing the listing, the expected and the parsed entries on failure.
inline void checkRow(const StyleRow& row)
{
    ftp::ListingParseResult r = parse(row.listing, row.machineListing);
    SCOPED_TRACE("listing:\n" + row.listing);
    EXPECT_EQ(r.style, row.style);
    EXPECT_FALSE(r.unparseable);
    EXPECT_EQ(r.skippedLines, row.skipped);
    EXPECT_EQ(r.entries, row.expected);
}

} // namespace listing_test
