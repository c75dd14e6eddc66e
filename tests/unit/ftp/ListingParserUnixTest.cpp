#include "ListingTestSupport.h"

using namespace listing_test;

namespace {

class UnixListing : public testing::TestWithParam<StyleRow>
{};

TEST_P(UnixListing, ParsesRow)
{
    checkRow(GetParam());
}

const StyleRow kUnixRows[] = {
    {"StandardFileWithTime",
     "-rw-r--r--   1 root     other        531 Jan 29 03:26 README\r\n",
     {file("README").size(531).at(2024, 1, 29, 3, 26).unix("rw-r--r--", "root", "other")},
     "unix"},
    {"DirectoryWithYear",
     "dr-xr-xr-x   2 root     other        512 Apr  8  1994 etc\r\n",
     {dir("etc").size(512).at(1994, 4, 8).unix("r-xr-xr-x", "root", "other")},
     "unix"},
    {"TotalLineIsNoEntry",
     "total 1234\r\n-rw-r--r-- 1 a b 1 Jan 1 2000 x\r\n",
     {file("x").size(1).at(2000, 1, 1).unix("rw-r--r--", "a", "b")},
     "unix"},
    {"LinkWithTarget",
     "lrwxrwxrwx   1 root     other          7 Jan 25 00:17 bin -> usr/bin\r\n",
     {link("bin").size(7).at(2024, 1, 25, 0, 17).unix("rwxrwxrwx", "root", "other").target("usr/bin")},
     "unix"},
    {"LinkNameWithSpacesAndArrowInTarget",
     "lrwxrwxrwx 1 u g 7 Jan 25 00:17 my link -> a -> b\n",
     {link("my link").size(7).at(2024, 1, 25, 0, 17).unix("rwxrwxrwx", "u", "g").target("a -> b")},
     "unix"},
    {"ArrowInAFileNameStaysInTheName",
     "-rw-r--r-- 1 u g 7 Jan 25 00:17 a -> b\n",
     {file("a -> b").size(7).at(2024, 1, 25, 0, 17).unix("rw-r--r--", "u", "g")},
     "unix"},
    {"NoGroup",
     "dr-xr-xr-x   2 root                  512 Apr  8  1994 nogroup dir\r\n",
     {dir("nogroup dir").size(512).at(1994, 4, 8).unix("r-xr-xr-x", "root")},
     "unix"},
    {"NoOwnerNoGroup",
     "-rw-r--r-- 1 12 Nov 11 2005 bare\r\n",
     {file("bare").size(12).at(2005, 11, 11).unix("rw-r--r--", "")},
     "unix"},
    {"NumericOwnerAndGroup",
     "-rw-------      1  99999999 0              3 Apr   4 11:00 numeric\r\n",
     {file("numeric").size(3).at(2024, 4, 4, 11, 0).unix("rw-------", "99999999", "0")},
     "unix"},
    {"CharacterDevice",
     "crw-rw-rw-   1 root     sys       13,  2 Apr  8  1994 null\r\n",
     {other("null").at(1994, 4, 8).unix("rw-rw-rw-", "root", "sys")},
     "unix"},
    {"BlockDeviceNumbersInOneField",
     "brw-r-----   1 root disk 8,0 Apr  8  1994 sda\r\n",
     {other("sda").at(1994, 4, 8).unix("rw-r-----", "root", "disk")},
     "unix"},
    {"NamedPipeKeepsItsSize",
     "prw-r--r-- 1 root root 0 Apr  8  1994 fifo\r\n",
     {other("fifo").size(0).at(1994, 4, 8).unix("rw-r--r--", "root", "root")},
     "unix"},
    {"LeadingAndInnerSpacesKept",
     "-rw-r--r-- 1 u g 5 Jan 29 03:26   two  spaces \r\n",
     {file("  two  spaces ").size(5).at(2024, 1, 29, 3, 26).unix("rw-r--r--", "u", "g")},
     "unix"},
    {"AclMark",
     "drwxr-xr-x+ 2 u g 4096 Mar  3 10:00 acl\r\n",
     {dir("acl").size(4096).at(2024, 3, 3, 10, 0).unix("rwxr-xr-x", "u", "g")},
     "unix"},
    {"ExtendedAttributeMark",
     "-rw-r--r--@ 1 u staff 10 Mar  3 10:00 xattr\r\n",
     {file("xattr").size(10).at(2024, 3, 3, 10, 0).unix("rw-r--r--", "u", "staff")},
     "unix"},
    {"SetuidAndSticky",
     "-rwsr-sr-t 1 u g 10 Mar  3 10:00 special\r\n",
     {file("special").size(10).at(2024, 3, 3, 10, 0).unix("rwsr-sr-t", "u", "g")},
     "unix"},
    {"InodeAndBlocksInFront",
     "  1234567   8 -rw-r--r--   1 u g 4096 Mar  3 10:00 inode\r\n",
     {file("inode").size(4096).at(2024, 3, 3, 10, 0).unix("rw-r--r--", "u", "g")},
     "unix"},
    {"DotAndDotDotAreDirectories",
     "drwxr-xr-x 2 u g 4096 Mar  3 10:00 .\r\ndrwxr-xr-x 9 u g 4096 Mar  3 10:00 ..\r\n",
     {dir(".").size(4096).at(2024, 3, 3, 10, 0).unix("rwxr-xr-x", "u", "g"),
      dir("..").size(4096).at(2024, 3, 3, 10, 0).unix("rwxr-xr-x", "u", "g")},
     "unix"},
    {"IsoDateAndTime",
     "-rw-r--r--   1 root other 531 2005-06-07 21:22 iso\r\n",
     {file("iso").size(531).at(2005, 6, 7, 21, 22).unix("rw-r--r--", "root", "other")},
     "unix"},
    {"SlashDate",
     "-r-xr-xr-x 2 root other 2235 1999/10/12 17:12 slash\r\n",
     {file("slash").size(2235).at(1999, 10, 12, 17, 12).unix("r-xr-xr-x", "root", "other")},
     "unix"},
    {"DayFirstNumericDate",
     "-r-xr-xr-x 2 root other 2235 24-04-2003 17:12 dmy\r\n",
     {file("dmy").size(2235).at(2003, 4, 24, 17, 12).unix("r-xr-xr-x", "root", "other")},
     "unix"},
    {"MonthDayWithYearAfter",
     "-rw-r--r-- 1 root other 531 09-26 2000 md\r\n",
     {file("md").size(531).at(2000, 9, 26).unix("rw-r--r--", "root", "other")},
     "unix"},
    {"ShortDateWithMonthName",
     "-r-xr-xr-x 2 owner group 4512 01-jun-99 short\r\n",
     {file("short").size(4512).at(1999, 6, 1).unix("r-xr-xr-x", "owner", "group")},
     "unix"},
    {"DayBeforeMonth",
     "drwxr-xr-x 3 user group 512 01 oct 2004 swapped\r\n",
     {dir("swapped").size(512).at(2004, 10, 1).unix("rwxr-xr-x", "user", "group")},
     "unix"},
    {"GermanDate",
     "drwxr-xr-x 6 user sys 1024 30. Jan., 12:40 german\r\n",
     {dir("german").size(1024).at(2024, 1, 30, 12, 40).unix("rwxr-xr-x", "user", "sys")},
     "unix"},
    {"YearAndTimeTogether",
     "-rwxr-xr-x    1 user group        9 Oct 08, 2002 09:47 vshell\r\n",
     {file("vshell").size(9).at(2002, 10, 8, 9, 47).unix("rwxr-xr-x", "user", "group")},
     "unix"},
    {"UnitreeStorageClass",
     "-rw-r--r--   1 marvin   ncsa     AR      13946 Aug 21  1996 unitree\r\n",
     {file("unitree").size(13946).at(1996, 8, 21).unix("rw-r--r--", "marvin", "ncsa")},
     "unix"},
    {"MpePosixOwner",
     "-rw-r--r--   1 MANAGER.SYS  SYS   1234 Jan  2  2001 mpefile\r\n",
     {file("mpefile").size(1234).at(2001, 1, 2).unix("rw-r--r--", "MANAGER.SYS", "SYS")},
     "unix"},
    {"NetPresenzFolder",
     "drwxrwxr-x               folder        2 May 10  1996 netpresenz\r\n",
     {dir("netpresenz").size(2).at(1996, 5, 10).unix("rwxrwxr-x", "folder")},
     "unix"},
    {"DomainGroup",
     "-rw-r--r--   1 user domain users 531 Jan 29 03:26 domain\r\n",
     {file("domain").size(531).at(2024, 1, 29, 3, 26).unix("rw-r--r--", "user", "domain users")},
     "unix"},
    {"OwnerNamedLikeAMonth",
     "-rw-r--r-- 1 jan may 531 Jan 29 03:26 months\r\n",
     {file("months").size(531).at(2024, 1, 29, 3, 26).unix("rw-r--r--", "jan", "may")},
     "unix"},
    {"NameThatLooksLikeADate",
     "-rw-r--r-- 1 u g 1 Jan 29 03:26 Feb 3 2001 notes\r\n",
     {file("Feb 3 2001 notes").size(1).at(2024, 1, 29, 3, 26).unix("rw-r--r--", "u", "g")},
     "unix"},
    {"LsFDirectoryMark",
     "drwxr-xr-x 2 u g 4096 Mar  3 10:00 marked/\r\n",
     {dir("marked").size(4096).at(2024, 3, 3, 10, 0).unix("rwxr-xr-x", "u", "g")},
     "unix"},
    {"LineFeedOnlyEndings",
     "-rw-r--r-- 1 u g 1 Jan 1 2000 a\n-rw-r--r-- 1 u g 2 Jan 1 2000 b",
     {file("a").size(1).at(2000, 1, 1).unix("rw-r--r--", "u", "g"),
      file("b").size(2).at(2000, 1, 1).unix("rw-r--r--", "u", "g")},
     "unix"},
    {"TabSeparated",
     "-rw-r--r--\t1\tu\tg\t1\tJan\t1\t2000\ttabbed\n",
     {file("tabbed").size(1).at(2000, 1, 1).unix("rw-r--r--", "u", "g")},
     "unix"},
};

INSTANTIATE_TEST_SUITE_P(Styles, UnixListing, testing::ValuesIn(kUnixRows), rowName);

// The rules every style follows, shown on Unix lines.
TEST(UnixListingRules, SizeBeyondSixtyFourBitsIsUnknownNotWrapped)
{
    auto r = parse("-rw-r--r-- 1 u g 18446744073709551617 Jan 1 2000 huge\r\n"
                   "-rw-r--r-- 1 u g 9223372036854775807 Jan 1 2000 max\r\n"
                   "-rw-r--r-- 1 u g 9223372036854775808 Jan 1 2000 maxplusone\r\n");
    ASSERT_EQ(r.entries.size(), 3u);
    EXPECT_FALSE(r.entries[0].size.has_value());
    EXPECT_EQ(r.entries[1].size, std::int64_t{9223372036854775807});
    EXPECT_FALSE(r.entries[2].size.has_value());
    EXPECT_EQ(r.entries[2].name, "maxplusone");
}

TEST(UnixListingRules, YearlessDatesTakeTheMostRecentYearAtMostADayAhead)
{
    // now is 2024-06-15 12:00
    auto r = parse("-rw-r--r-- 1 u g 1 Jun 16 11:00 tomorrow\n"
                   "-rw-r--r-- 1 u g 1 Jun 16 13:00 beyond\n"
                   "-rw-r--r-- 1 u g 1 Jun 17 00:00 later\n"
                   "-rw-r--r-- 1 u g 1 Dec 31 23:59 december\n"
                   "-rw-r--r-- 1 u g 1 Feb 29 10:00 leapday\n");
    ASSERT_EQ(r.entries.size(), 5u);
    EXPECT_EQ(r.entries[0].modified.year, 2024);
    EXPECT_EQ(r.entries[1].modified.year, 2023);
    EXPECT_EQ(r.entries[2].modified.year, 2023);
    EXPECT_EQ(r.entries[3].modified.year, 2023);
    EXPECT_EQ(r.entries[4].modified.year, 2024);
}

TEST(UnixListingRules, LeapDayWithoutYearGoesBackToALeapYear)
{
    ftp::ListingParseOptions options;
    std::tm tm{};
    tm.tm_year = 2025 - 1900;
    tm.tm_mon = 5;
    tm.tm_mday = 1;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    options.now = std::mktime(&tm);
    auto r = ftp::parseListing("-rw-r--r-- 1 u g 1 Feb 29 10:00 leapday\n", options);
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].modified, (ftp::EntryTime{2024, 2, 29, 10, 0, -1}));
}

TEST(UnixListingRules, NewYearsDayJustAheadTakesNextYear)
{
    ftp::ListingParseOptions options;
    std::tm tm{};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 31;
    tm.tm_hour = 23;
    tm.tm_min = 30;
    tm.tm_isdst = -1;
    options.now = std::mktime(&tm);
    auto r = ftp::parseListing("-rw-r--r-- 1 u g 1 Jan  1 00:10 clock-skew\n"
                               "-rw-r--r-- 1 u g 1 Jan  2 00:10 too-far\n",
                               options);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].modified.year, 2025);
    EXPECT_EQ(r.entries[1].modified.year, 2024);
}

TEST(UnixListingRules, ImpossibleDatesKeepTheEntryWithoutADate)
{
    auto r = parse("-rw-r--r-- 1 u g 1 Feb 30 2001 feb30\n"
                   "-rw-r--r-- 1 u g 2 Jan 10 25:00 hour25\n"
                   "-rw-r--r-- 1 u g 3 Jan 10 12:61 minute61\n"
                   "-rw-r--r-- 1 u g 4 2001-13-01 10:00 month13\n"
                   "-rw-r--r-- 1 u g 5 Apr  4 24:00 midnight\n");
    ASSERT_EQ(r.entries.size(), 5u);
    EXPECT_EQ(r.skippedLines, 0u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(r.entries[i].modified.hasDate()) << r.entries[i].name;
        EXPECT_EQ(r.entries[i].size, i + 1);
    }
    // 24:00 is the end of the day, as some servers write midnight.
    EXPECT_EQ(r.entries[4].modified, (ftp::EntryTime{2024, 4, 5, 0, 0, -1}));
}

TEST(UnixListingRules, UnparseableLinesAmongGoodOnesAreCounted)
{
    auto r = parse("total 3\n"
                   "-rw-r--r-- 1 u g 1 Jan 1 2000 a\n"
                   "garbage here\n"
                   "-rw-r--r-- 1 u g 1 Jan 1 2000 b\n"
                   "-rw-r--r-- 1 u g notasize Jan 1 2000 c\n");
    EXPECT_EQ(r.style, "unix");
    EXPECT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.skippedLines, 2u);
    EXPECT_FALSE(r.unparseable);
}

} // namespace
