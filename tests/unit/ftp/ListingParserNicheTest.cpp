// NetWare, OS/2, VMS and the small and embedded servers.
#include "ListingTestSupport.h"

using namespace listing_test;

namespace {

class NicheListing : public testing::TestWithParam<StyleRow>
{};

TEST_P(NicheListing, ParsesRow)
{
    checkRow(GetParam());
}

const StyleRow kNicheRows[] = {
    {"NetWareDosNameSpace",
     "total 0\r\nd [R----F--] supervisor            512       Jan 16 18:53    LOGIN\r\n"
     "- [RWCEAFMS] rhesus             214059       Oct 20 15:27    CX.EXE\r\n",
     {dir("LOGIN").size(512).at(2024, 1, 16, 18, 53).owner("supervisor"),
      file("CX.EXE").size(214059).at(2023, 10, 20, 15, 27).owner("rhesus")},
     "netware"},
    {"NetWareNfsNameSpaceLongNames",
     "-[RWCEAFMS] user                  1234       Mar  3  2001    Long File Name.txt\r\n",
     {file("Long File Name.txt").size(1234).at(2001, 3, 3).owner("user")},
     "netware"},
    {"Os2DirectoryAndFile",
     "     0           DIR   05-12-97   16:44  PSFONTS\r\n 1123      A    07-14-99   12:37  file one\r\n",
     {dir("PSFONTS").size(0).at(1997, 5, 12, 16, 44), file("file one").size(1123).at(1999, 7, 14, 12, 37)},
     "os2"},
    {"Os2ThreeDigitYears",
     "36611      A    04-23-103  10:57  y2k.file\r\n 1123 DIR  A    10-05-100  23:38  y2k.dir\r\n",
     {file("y2k.file").size(36611).at(2003, 4, 23, 10, 57),
      dir("y2k.dir").size(1123).at(2000, 10, 5, 23, 38)},
     "os2"},
    {"VmsWithHeaderAndTotals",
     "Directory DISK$USER:[ANONYMOUS]\r\n\r\n"
     "CII-MANUAL.TEX;1  213/216  29-JAN-1996 03:33:12  [ANONYMOU,ANONYMOUS]   (RWED,RWED,,)\r\n\r\n"
     "Total of 1 file, 213/216 blocks.\r\n",
     {file("CII-MANUAL.TEX;1").size(213 * 512).at(1996, 1, 29, 3, 33, 12).owner("ANONYMOUS", "ANONYMOU")},
     "vms"},
    {"VmsDirectoryLosesDirSuffix",
     "SUBDIR.DIR;1  1 19-NOV-2001 21:41 [root,root] (RWE,RWE,RE,RE)\r\n",
     {dir("SUBDIR").size(512).at(2001, 11, 19, 21, 41).owner("root", "root")},
     "vms"},
    {"VmsDetailsOnTheNextLine",
     "A-VERY-LONG-FILE-NAME.TXT;12\r\n170774/170775     24-APR-2003 08:16:15  [FTP_CLIENT,SCOT]      "
     "(RWED,RWED,RE,)\r\n"
     "SHORT.TXT;1       10     2-JUL-2003 10:30:08.59  [FTP_CLIENT,SCOT]      (RWED,RWED,RE,)\r\n",
     {file("A-VERY-LONG-FILE-NAME.TXT;12")
          .size(170774LL * 512)
          .at(2003, 4, 24, 8, 16, 15)
          .owner("SCOT", "FTP_CLIENT"),
      file("SHORT.TXT;1").size(5120).at(2003, 7, 2, 10, 30, 8).owner("SCOT", "FTP_CLIENT")},
     "vms"},
    {"VmsWithoutTimeAndOtherFieldOrder",
     "NOTIME.TXT;1    2/8    7-JAN-2000    [IV2_XXX]   (RWED,RWED,RE,)\r\n"
     "ORDER.TXT;1   [SUMMARY]    1/3     2-AUG-2006 13:05  (RWE,RWE,RE,)\r\n"
     "KB.TXT;1 2KB 23-SEP-2005 14:57:07.27\r\n",
     {file("NOTIME.TXT;1").size(1024).at(2000, 1, 7).owner("IV2_XXX"),
      file("ORDER.TXT;1").size(512).at(2006, 8, 2, 13, 5).owner("SUMMARY"),
      file("KB.TXT;1").size(2048).at(2005, 9, 23, 14, 57, 7)},
     "vms"},
    {"Os9",
     "Owner    Last modified  Attributes Sector Bytecount Name\r\n"
     "-------  -------------  ---------- ------ --------- ----\r\n"
     " 20.20   07/03/29 1026  d-ewrewr     2650     85920 CMDS\r\n"
     "  0.0    99/12/31 2359  ----r-wr      A3F       517 startup\r\n",
     {dir("CMDS").size(85920).at(2007, 3, 29, 10, 26).owner("20.20"),
      file("startup").size(517).at(1999, 12, 31, 23, 59).owner("0.0")},
     "os9"},
    {"Tops20",
     "PS:<ANONYMOUS>\r\n MAIL.TXT.1\r\n DOCS.DIRECTORY.1\r\n README.TXT.3;P777752    2 4200(7)   17-Feb-2003 "
     "06:13:38\r\n",
     {file("MAIL.TXT.1"), dir("DOCS"), file("README.TXT.3").at(2003, 2, 17, 6, 13, 38)},
     "tops20"},
    {"MpeFixedAndVariableRecords",
     "ACCOUNT=  SYS         GROUP=  PUB\r\n\r\n"
     "FILENAME  CODE  ------------LOGICAL RECORD-----------  ----SPACE----\r\n"
     "                  SIZE  TYP        EOF      LIMIT R/B  SECTORS #X MX\r\n\r\n"
     "1LINEDIT          80B  FA          12     100000   1       16  1  8\r\n"
     "CATALOG   PROG   128W  FB         300        300   1      304  1  1\r\n"
     "NOTES            254B  VA         100       1023   1      128  1  8\r\n",
     {file("1LINEDIT").size(960), file("CATALOG").size(76800), file("NOTES")},
     "mpe"},
    {"TsxSeveralFilesToALine",
     " 12-Feb-99\r\nSWAP  .SYS    25P 02-Aug-88      TT    .SYS     3  02-Aug-88\r\nREADME.TXT     4  "
     "14-Mar-99\r\n"
     " 3 Files, 32 Blocks\r\n 30000 Free blocks\r\n",
     {file("SWAP.SYS").size(25 * 512).at(1988, 8, 2), file("TT.SYS").size(3 * 512).at(1988, 8, 2),
      file("README.TXT").size(4 * 512).at(1999, 3, 14)},
     "tsx"},
    {"VxWorks",
     "  size          date       time       name\r\n--------       ------     ------    --------\r\n"
     "      2048    Feb-28-1998  05:23:30   LOGS                <DIR>\r\n"
     "    512000    Feb-28-1998  05:23:30   vx Works.st\r\n",
     {dir("LOGS").size(2048).at(1998, 2, 28, 5, 23, 30),
      file("vx Works.st").size(512000).at(1998, 2, 28, 5, 23, 30)},
     "vxworks"},
    {"CiscoIos",
     "Directory of flash:/\r\n\r\n"
     "    1  -rw-     4468  Mar 01 1993 00:12:58 +00:00  config.text\r\n"
     "    2  drw-        0  Mar 01 1993 00:02:24 UTC  html\r\n"
     "    3  -rw-   102400           <no date>  vlan.dat\r\n\r\n"
     "15998976 bytes total (8763392 bytes free)\r\n",
     {file("config.text").size(4468).at(1993, 3, 1, 0, 12, 58), dir("html").size(0).at(1993, 3, 1, 0, 2, 24),
      file("vlan.dat").size(102400)},
     "cisco-ios"},
    {"Ka9q",
     "autoexec.bat       1,024  12:40  2/01/95\r\nspool/                    16:30  8/05/93\r\n",
     {file("autoexec.bat").size(1024).at(1995, 2, 1, 12, 40), dir("spool").at(1993, 8, 5, 16, 30)},
     "ka9q"},
    {"Distinct",
     "-r-w-        1234  Jan 08 2003 13:45  report.txt\r\nd----           0  Jan 08 2003 13:45  Program "
     "Files\r\n",
     {file("report.txt").size(1234).at(2003, 1, 8, 13, 45),
      dir("Program Files").size(0).at(2003, 1, 8, 13, 45)},
     "distinct"},
    {"WinQvtNet",
     "ATTRIB.EXE            2,110  11-26-95  11:38\r\nDOS                   <DIR>  11-26-95  11:38p\r\n",
     {file("ATTRIB.EXE").size(2110).at(1995, 11, 26, 11, 38), dir("DOS").at(1995, 11, 26, 23, 38)},
     "winqvt"},
    {"NonStop",
     "File         Code             EOF  Last Modification    Owner  RWEP\r\n"
     "ACCOUNTS      101             528  6-Apr-07 14:21:18  255, 0  \"oooo\"\r\n"
     "LEDGER        101            1024  6-Apr-07 14:21:18 255,255 \"nunu\"\r\n",
     {file("ACCOUNTS").size(528).at(2007, 4, 6, 14, 21, 18).owner("255, 0"),
      file("LEDGER").size(1024).at(2007, 4, 6, 14, 21, 18).owner("255,255")},
     "nonstop"},
    {"NcsaNameListWithDirectoryMarks",
     "README\r\nSUBDIR/\r\nFILE.TXT\r\n",
     {file("README"), dir("SUBDIR"), file("FILE.TXT")},
     "names"},
};

INSTANTIATE_TEST_SUITE_P(Styles, NicheListing, testing::ValuesIn(kNicheRows), rowName);

} // namespace
