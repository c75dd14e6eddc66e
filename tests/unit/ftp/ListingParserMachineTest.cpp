#include "ListingTestSupport.h"

#include <cstdlib>

using namespace listing_test;

namespace {

// Local time of a UTC moment, as the parsers must show MLSD and EPLF times.
ftp::EntryTime localOf(std::int64_t utcSeconds)
{
    std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    return ftp::EntryTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

ftp::ListingEntry at(ftp::ListingEntry e, std::int64_t utcSeconds)
{
    e.modified = localOf(utcSeconds);
    return e;
}

// 2008-11-05 16:52:15 UTC and 2008-04-26 13:55:01 UTC
constexpr std::int64_t kNov2008 = 1225903935;
constexpr std::int64_t kApr2008 = 1209218101;

class MachineListing : public testing::TestWithParam<StyleRow>
{};

TEST_P(MachineListing, ParsesRow)
{
    checkRow(GetParam());
}

const StyleRow kMachineRows[] = {
    {"MlsdFile",
     "Type=file;mOdIfY=20081105165215;size=1234; mlsd file\r\n",
     {at(file("mlsd file").size(1234), kNov2008)},
     "mlsd"},
    {"MlsdUnixFacts",
     "modify=20080426135501;perm=;size=65718921;type=file;unique=802U1066013B;UNIX.group=1179;UNIX.mode=0644;"
     "UNIX.owner=1179; with facts\r\n",
     {at(file("with facts").size(65718921).owner("1179", "1179").perms("rw-r--r--"), kApr2008)},
     "mlsd"},
    {"MlsdOwnerNamesPreferred",
     "type=dir;unix.owner=1000;unix.ownername=ann;unix.group=5;unix.groupname=tty; d\r\n",
     {dir("d").owner("ann", "tty")},
     "mlsd"},
    {"MlsdWhitespaceKept",
     "Type=file; \t leading and trailing\t \r\n",
     {file("\t leading and trailing\t ")},
     "mlsd"},
    {"MlsdSymlinkWithTarget",
     "type=OS.unix=slink:/foo; symlink\r\n",
     {link("symlink").target("/foo")},
     "mlsd"},
    {"MlsdCdirAndPdirAreDotAndDotDot",
     "type=cdir;modify=20081105165215; /home/ann\r\ntype=pdir; /home\r\n",
     {at(dir("."), kNov2008), dir("..")},
     "mlsd"},
    {"MlsdDirectorySizd", "type=dir;sizd=4096; sub\r\n", {dir("sub").size(4096)}, "mlsd"},
    {"MlsdNoTrailingSemicolon", "type=file old draft\r\n", {file("old draft")}, "mlsd"},
    {"MlsdSetuidMode", "type=file;UNIX.mode=4755; suid\r\n", {file("suid").perms("rwsr-xr-x")}, "mlsd"},
    {"MlsdImpossibleModifyKeepsEntry",
     "type=file;modify=20080230250000;size=1; bad time\r\n",
     {file("bad time").size(1)},
     "mlsd"},
    {"MlsdPreEpoch", "type=file;modify=19681105165215; old\r\n", {at(file("old"), -36400065)}, "mlsd"},
    {"MlsdRecognisedWithoutTheOption",
     "size=1365694195;type=file;modify=20090722092510;\tadsl TV 2009-07-22\r\n",
     {at(file("adsl TV 2009-07-22").size(1365694195), 1248254710)},
     "mlsd"},
    {"MlsdByOption", "type=file;size=5; forced\r\n", {file("forced").size(5)}, "mlsd", 0, true},
    {"EplfFile",
     "+i8388621.48594,m825718503,r,s280,up755\teplf file\r\n",
     {at(file("eplf file").size(280), 825718503)},
     "eplf"},
    {"EplfDirectory",
     "+i8388621.50690,m824255907,/,\teplf dir\r\n",
     {at(dir("eplf dir"), 824255907)},
     "eplf"},
};

INSTANTIATE_TEST_SUITE_P(Styles, MachineListing, testing::ValuesIn(kMachineRows), rowName);

TEST(MachineListingTime, ModifyIsUtcShownInLocalTime)
{
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    // Central European time without needing zone files: UTC+1, summer UTC+2.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    auto r =
        parse("type=file;modify=20240115120000; winter\r\ntype=file;modify=20240715120000; summer\r\n", true);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].modified, (ftp::EntryTime{2024, 1, 15, 13, 0, 0}));
    EXPECT_EQ(r.entries[1].modified, (ftp::EntryTime{2024, 7, 15, 14, 0, 0}));
}

TEST(MachineListingTime, MlsdOptionRejectsOtherStyles)
{
    auto r = parse("-rw-r--r-- 1 u g 1 Jan 1 2000 a\r\n", true);
    EXPECT_TRUE(r.unparseable);
    EXPECT_TRUE(r.entries.empty());
}

} // namespace
