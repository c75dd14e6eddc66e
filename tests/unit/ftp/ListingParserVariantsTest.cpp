// Variants of known styles that real servers send: name lists with spaces and
// dot files, KA9Q's two-column form, z/VM shared file system directories,
// older MVS data-set listings, MPE/iX POSIX-namespace listings, and the
// Unix-like mailbox, VShell and router formats.
#include "ListingTestSupport.h"

using namespace listing_test;

namespace {

class VariantListing : public testing::TestWithParam<StyleRow>
{};

TEST_P(VariantListing, ParsesRow)
{
    checkRow(GetParam());
}

const std::string kMpePosixHeader = "PATH= /SYS/PUB/\r\n\r\n"
                                    "CODE  ------------LOGICAL RECORD-----------  ----SPACE----  FILENAME\r\n"
                                    "        SIZE  TYP        EOF      LIMIT R/B  SECTORS #X MX\r\n\r\n";

const StyleRow kVariantRows[] = {
    {"NameListWithSpacesAndDotFiles",
     "README\r\nOld Projects\r\n.profile\r\nbin\r\nnotes.txt\r\narchive.tar.gz\r\n",
     {file("README"), file("Old Projects"), file(".profile"), file("bin"), file("notes.txt"),
      file("archive.tar.gz")},
     "names"},
    {"NameListOfDotFilesOnly",
     ".profile\r\n.bashrc\r\n.ssh/\r\n",
     {file(".profile"), file(".bashrc"), dir(".ssh")},
     "names"},
    {"NameListKeepsInnerBlanksExactly",
     "a  b\r\nplain\r\nTrailing dot.\r\nother\r\nthird\r\n",
     {file("a  b"), file("plain"), file("Trailing dot."), file("other"), file("third")},
     "names"},
    {"Ka9qTwoEntriesToALineAndSummary",
     "autoexec.bat     1,024 12:40  2/01/95   command.com     54,619 18:00  4/09/91\r\n"
     "spool/                 16:30  8/05/93   config.sys         512 12:40 12/31/99\r\n"
     "finger/                09:15 11/22/94\r\n"
     "5 files. 12,345,678 bytes free. Disk size 40,000,000 bytes.\r\n",
     {file("autoexec.bat").size(1024).at(1995, 2, 1, 12, 40),
      file("command.com").size(54619).at(1991, 4, 9, 18, 0), dir("spool").at(1993, 8, 5, 16, 30),
      file("config.sys").size(512).at(1999, 12, 31, 12, 40), dir("finger").at(1994, 11, 22, 9, 15)},
     "ka9q"},
    {"Ka9qLargeSizeWithGroups",
     "backup.zip  3,221,225,472 23:59 12/31/99   dirone/                00:00  1/01/00\r\n"
     "1 file. 1,024 bytes free.\r\n",
     {file("backup.zip").size(3221225472LL).at(1999, 12, 31, 23, 59), dir("dirone").at(2000, 1, 1, 0, 0)},
     "ka9q"},
    {"ZvmSfsDirectoriesAndOptionalLabels",
     "PROFILE  EXEC     V         71          9          1 2001-06-14 13:35:41 -\r\n"
     "DATA     FILE     F         80        250          5 2001-06-14 13:35:41 ZVM191\r\n"
     "SUBDIR1           DIR       -          -          - 2001-06-14 13:35:37 -\r\n"
     "SUBDIR2           DIR       -          -          - 2001-06-14 13:35:37\r\n"
     "README   TXT      V         40          4          1  6/14/01 09:02:11\r\n",
     {file("PROFILE.EXEC").at(2001, 6, 14, 13, 35, 41),
      file("DATA.FILE").size(20000).at(2001, 6, 14, 13, 35, 41).owner("ZVM191"),
      dir("SUBDIR1").at(2001, 6, 14, 13, 35, 37), dir("SUBDIR2").at(2001, 6, 14, 13, 35, 37),
      file("README.TXT").at(2001, 6, 14, 9, 2, 11)},
     "vm-cms"},
    {"MvsOlderDateHeader",
     "Volume Unit    Date  Ext Used Recfm Lrecl BlkSz Dsorg Dsname\r\n"
     "SYSA01 3380D  06/11/97  1   15  FB      80  6160  PS  USER.TEST.DATA\r\n"
     "SYSA02 3380K  12/31/99  2  120  FB      80  3120  PO  USER.SOURCE\r\n"
     "SYSA01 3380D  01/05/03  1    1  VB     255  3120  PS  USER.NOTES\r\n"
     "SYSA01 3380D  02/30/03  1    1  VB     255  3120  PS  USER.BADDATE\r\n",
     {file("USER.TEST.DATA").at(1997, 6, 11), dir("USER.SOURCE").at(1999, 12, 31),
      file("USER.NOTES").at(2003, 1, 5), file("USER.BADDATE")},
     "mvs"},
    {"MpePosixNamespace",
     kMpePosixHeader + "          1B  BA        1234   2147483647   1       16  1  *  notes.txt\r\n"
                       "          1B  BA          77   2147483647   1       16  1  *  my notes.txt\r\n"
                       "         16W  FB          12         1023   1       16  1  1  APPFILE\r\n"
                       "PROG    128W  FB         300          300   1      304  1  1  PROGFILE\r\n"
                       "        254B  VA         100         1023   1      128  1  8  logfile\r\n"
                       "          1B  HBD          2   2147483647   1       16  1  *  reports/\r\n",
     {file("notes.txt").size(1234), file("my notes.txt").size(77), file("APPFILE").size(384),
      file("PROGFILE").size(76800), file("logfile"), dir("reports")},
     "mpe"},
    {"ConnectEnterpriseMailbox",
     "-C--E-----FTP B QUA1I1      18128       41 Aug 12 13:56 QUADTEST\r\n"
     "-C--E-----FTP A BCC3I1       7670  1294495 Jan 13 07:42 monthly report.txt\r\n"
     "-CR-E-----TCP B BCC3I1       7671     5120 Dec 24  2023 OLDBATCH\r\n",
     {file("QUADTEST").size(41).at(2023, 8, 12, 13, 56).owner("QUA1I1"),
      file("monthly report.txt").size(1294495).at(2024, 1, 13, 7, 42).owner("BCC3I1"),
      file("OLDBATCH").size(5120).at(2023, 12, 24).owner("BCC3I1")},
     "connect-enterprise"},
    {"VShellOld",
     "206876  Apr 04, 2000 21:06 install notes.txt\r\n"
     "     0  Dec 12, 2002 02:13 incoming/\r\n"
     "  1024  Jan  5, 2004 09:47 a.txt\r\n"
     "    12  Feb 30, 2004 09:47 bad date\r\n",
     {file("install notes.txt").size(206876).at(2000, 4, 4, 21, 6),
      dir("incoming").size(0).at(2002, 12, 12, 2, 13), file("a.txt").size(1024).at(2004, 1, 5, 9, 47),
      file("bad date").size(12)},
     "vshell"},
    {"RouterNameFirstWithWeekday",
     "router.cfg       1014196  06/03/04  Thur.   10:20:03\r\n"
     "boot image.bin    524288  11/16/04  Tues.   03:45:32\r\n"
     "log.txt              128  12/01/04  Wed.    23:59:59\r\n",
     {file("router.cfg").size(1014196).at(2004, 6, 3, 10, 20, 3),
      file("boot image.bin").size(524288).at(2004, 11, 16, 3, 45, 32),
      file("log.txt").size(128).at(2004, 12, 1, 23, 59, 59)},
     "router"},
};

INSTANTIATE_TEST_SUITE_P(Styles, VariantListing, testing::ValuesIn(kVariantRows), rowName);

TEST(VariantListing, NameListDecidesOnTheWholeListing)
{
    // Mostly plain names: the one with blanks is a name too. Mostly words with
    // blanks between them: prose, not a listing.
    auto names = parse("alpha\r\nbeta\r\nMy Documents\r\n");
    EXPECT_EQ(names.style, "names");
    ASSERT_EQ(names.entries.size(), 3u);
    EXPECT_EQ(names.entries[2].name, "My Documents");

    auto prose = parse("Welcome to the server\r\nplease log in\r\nnow\r\n");
    EXPECT_TRUE(prose.unparseable) << prose.style;
    EXPECT_TRUE(prose.entries.empty());
}

TEST(VariantListing, NameListRejectsControlBytesAndMarkup)
{
    for (const char* raw : {"alpha\r\nbeta\r\n<b>bold</b>\r\n", "alpha\r\nbeta\r\nbell\x07here\r\n"}) {
        auto r = parse(raw);
        EXPECT_NE(r.style, "names") << raw;
    }
}

TEST(VariantListing, Ka9qSecondColumnThatIsNoEntryFailsTheLine)
{
    auto r = parse("autoexec.bat     1,024 12:40  2/01/95   trailing words here\r\n"
                   "config.sys         512 12:40  2/01/95\r\n");
    EXPECT_EQ(r.style, "ka9q");
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].name, "config.sys");
    EXPECT_EQ(r.skippedLines, 1u);
}

TEST(VariantListing, MpePosixLinesNeedTheirHeader)
{
    // Without the PATH= header a line ending in a name is no MPE line.
    auto r = parse("          1B  BA        1234   2147483647   1       16  1  *  notes.txt\r\n");
    EXPECT_NE(r.style, "mpe");
}

TEST(VariantListing, NamesWithControlBytesAreDroppedInTheNewStyles)
{
    std::string raw = "router.cfg       1014196  06/03/04  Thur.   10:20:03\r\n";
    raw += "bad" + std::string(1, '\0') + "name         12  06/03/04  Thur.   10:20:03\r\n";
    auto r = parse(raw);
    EXPECT_EQ(r.style, "router");
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].name, "router.cfg");
}

} // namespace
