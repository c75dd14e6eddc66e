// Styles of servers few sites still run: Bull GCOS, Stratus VOS, the DOS and
// Windows 3.x stacks (Chameleon/NEWT, SuperTCP, PC/TCP), Xecom MicroRTOS and
// Unisys ClearPath MCP.
#include "ListingTestSupport.h"

using namespace listing_test;

namespace {

class RareListing : public testing::TestWithParam<StyleRow>
{};

TEST_P(RareListing, ParsesRow)
{
    checkRow(GetParam());
}

const StyleRow kRareRows[] = {
    {"Gcos7FileAndDirectoryWithoutDate",
     "- - -----0 SEPT         SYSADMIN         AUG 26, 1997 SEQ1\r\n"
     "d d -----0 SEPT         SYSADMIN                      CAT1\r\n",
     {file("SEQ1").at(1997, 8, 26).owner("SYSADMIN"), dir("CAT1").owner("SYSADMIN")},
     "gos"},
    {"Gcos7ImpossibleDateAndShortYear",
     "- - -----0 SEPT         OPS              FEB 30, 1997 LEAP\r\n"
     "- - -----0 SEPT         OPS              DEC  1,   98 SHORT.YEAR\r\n",
     {file("LEAP").owner("OPS"), file("SHORT.YEAR").at(1998, 12, 1).owner("OPS")},
     "gos"},
    {"Gcos8WithAndWithoutTime",
     "d rwx rwx ---           0 02/25/98           ftptest2      catalog1\r\n"
     "- rwx rwx ---        1280 05/06/98 10:12:10  uid           testbcd\r\n",
     {dir("catalog1").size(0).at(1998, 2, 25).owner("ftptest2").perms("rwxrwx---"),
      file("testbcd").size(1280).at(1998, 5, 6, 10, 12, 10).owner("uid").perms("rwxrwx---")},
     "gos"},
    {"Gcos8OddRightsImpossibleDateMidnightAndShiftedColumns",
     "- rws r-x t--        4096 02/30/98           OPS           ODD.RIGHTS\r\n"
     "- rw- r-- ---          12 12/31/99 24:00:00  OPS           MIDNIGHT\r\n"
     "- rwx rwx ---  1280 05/06/98 10:12:10 uid testbcd\r\n",
     {file("ODD.RIGHTS").size(4096).owner("OPS"),
      file("MIDNIGHT").size(12).at(2000, 1, 1, 0, 0, 0).owner("OPS").perms("rw-r-----")},
     "gos",
     1},
    {"StratusVosSections",
     "Files: 2  Blocks: 159\r\n\r\n"
     "w        1 seq       03-06-04 12:12:36  notes.txt\r\n"
     " r      158 stm       90-05-19 11:53:44  acctng.cobol\r\n\r\n"
     "Dirs: 1\r\n\r\n"
     "m        3  04-07-13 21:15:43  reports\r\n\r\n"
     "Links: 2\r\n\r\n"
     "04-07-13 21:15:43  logs ->  %sys#m2_d01>l3s>db>logs\r\n"
     "04-07-13 21:15:43  backholding_logs ->\r\n"
     "+%descc#m2_d01>l3s>db>lti>in\r\n"
     "+>cp_exception\r\n",
     {file("notes.txt").size(4096).at(2003, 6, 4, 12, 12, 36),
      file("acctng.cobol").size(158 * 4096).at(1990, 5, 19, 11, 53, 44),
      dir("reports").size(3 * 4096).at(2004, 7, 13, 21, 15, 43),
      link("logs").at(2004, 7, 13, 21, 15, 43).target("%sys#m2_d01>l3s>db>logs"),
      link("backholding_logs")
          .at(2004, 7, 13, 21, 15, 43)
          .target("%descc#m2_d01>l3s>db>lti>in>cp_exception")},
     "stratus-vos"},
    {"StratusVosBlockCountsTooLargeForBytes",
     "Files: 2  Blocks: 0\r\n"
     "w 2251799813685248 stm 90-05-19 11:53:44  product.overflows\r\n"
     "w 99999999999999999999 stm 90-05-19 11:53:44  count.overflows\r\n",
     {file("product.overflows").at(1990, 5, 19, 11, 53, 44),
      file("count.overflows").at(1990, 5, 19, 11, 53, 44)},
     "stratus-vos"},
    {"StratusVosCutLinksDoNotSwallowTheNextLinkOrSection",
     "Links: 2\r\n04-07-13 21:15:43  dangling ->\r\n04-07-13 21:15:43  cut ->\r\n"
     "Files: 1  Blocks: 1\r\nw 1 seq 03-06-04 12:12:36  after.txt\r\n",
     {link("dangling").at(2004, 7, 13, 21, 15, 43), link("cut").at(2004, 7, 13, 21, 15, 43),
      file("after.txt").size(4096).at(2003, 6, 4, 12, 12, 36)},
     "stratus-vos"},
    {"ChameleonNewt",
     ".               <DIR>      Nov 16 1994 17:16\r\n"
     "..              <DIR>      Nov 16 1994 17:16\r\n"
     "DESIGN1.DOC     11264      May 11 1995 14:20   A\r\n"
     "CMT.CSV             0      Jul 06 95 14:56   RHA\r\n",
     {dir(".").at(1994, 11, 16, 17, 16), dir("..").at(1994, 11, 16, 17, 16),
      file("DESIGN1.DOC").size(11264).at(1995, 5, 11, 14, 20),
      file("CMT.CSV").size(0).at(1995, 7, 6, 14, 56)},
     "chameleon-newt"},
    {"SuperTcpShortNamesSlashedDates",
     "CMT             <DIR>           11/21/94        10:17\r\n"
     "DESIGN1.DOC          11264      05/11/95        14:20   \r\n",
     {dir("CMT").at(1994, 11, 21, 10, 17), file("DESIGN1.DOC").size(11264).at(1995, 5, 11, 14, 20)},
     "supertcp"},
    {"SuperTcpLongNamesKeepTheirBlanks",
     ".            <DIR>     11-29-2004  22:04 .\r\n"
     "wrar341.exe  1164112   11-22-2004  15:34 wrar341.exe\r\n"
     "TESTDI~1     <DIR>     11-29-2004  22:16 Test Dir\r\n"
     "TEST~1       <DIR>     11-29-2004  22:52  Test\r\n",
     {dir(".").at(2004, 11, 29, 22, 4), file("wrar341.exe").size(1164112).at(2004, 11, 22, 15, 34),
      dir("Test Dir").at(2004, 11, 29, 22, 16), dir(" Test").at(2004, 11, 29, 22, 52)},
     "supertcp"},
    {"PcTcp",
     "     40774              IO.SYS   Tue May 31 06:22:00 1994\r\n"
     "<dir>                     UTIL   Thu Feb 20 09:55:02 2003\r\n"
     "        12            LEAP.TXT   Sat Feb 29 10:00:00 2003\r\n",
     {file("IO.SYS").size(40774).at(1994, 5, 31, 6, 22, 0), dir("UTIL").at(2003, 2, 20, 9, 55, 2),
      file("LEAP.TXT").size(12)},
     "pc-tcp"},
    {"XecomMicroRtos",
     "Start    End      length File name\r\n"
     "00010000 0001FFFF    65536 BOOT.BIN\r\n"
     "00020000 0002003f       64 config data\r\n"
     "** Total 2 files, 65600 bytes **\r\n",
     {file("BOOT.BIN").size(65536), file("config data").size(64)},
     "xecom-micrortos"},
    {"UnisysClearPathMcp",
     "Report for: (UC)A ON PACK\r\n"
     "A                       SEQDATA    84 03/08/1998  15:32\r\n"
     "A/B                     SEQDATA    84 06/09/1998  12:03\r\n"
     "            2 Files     168 Octets\r\n",
     {file("A").size(84).at(1998, 3, 8, 15, 32), file("A/B").size(84).at(1998, 6, 9, 12, 3)},
     "unisys-clearpath"},
};

INSTANTIATE_TEST_SUITE_P(Styles, RareListing, testing::ValuesIn(kRareRows), rowName);

TEST(RareListing, StratusVosListingOfEmptySectionsIsEmptyNotUnparseable)
{
    auto r = parse("Files: 0  Blocks: 0\r\n\r\nDirs: 0\r\n\r\nLinks: 0\r\n");
    EXPECT_EQ(r.style, "stratus-vos");
    EXPECT_TRUE(r.entries.empty());
    EXPECT_FALSE(r.unparseable);
}

TEST(RareListing, XecomLinesWithoutTheHeaderAreNoListing)
{
    // Four columns of numbers are no file list unless the header says so.
    auto r = parse("00010000 0001FFFF 65536 BOOT.BIN\r\n00020000 0002FFFF 65536 APP.BIN\r\n");
    EXPECT_TRUE(r.unparseable) << r.style;
    EXPECT_TRUE(r.entries.empty());
}

TEST(RareListing, NamesWithControlBytesAreDropped)
{
    std::string gos = "- rwx rwx ---        1280 05/06/98 10:12:10  uid           bad";
    gos += std::string("\0name\r\n", 7);
    gos += "- rwx rwx ---        1280 05/06/98 10:12:10  uid           good\r\n";
    auto r = parse(gos);
    EXPECT_EQ(r.style, "gos");
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].name, "good");
    EXPECT_EQ(r.skippedLines, 1u);
}

} // namespace
