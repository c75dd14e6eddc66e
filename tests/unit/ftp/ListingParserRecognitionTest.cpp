// Style recognition over whole listings, the limits every style shares, and
// input that is no listing at all.
#include "ListingTestSupport.h"

using namespace listing_test;

namespace {

TEST(ListingRecognition, EmptyAndBlankListingsAreEmptyNotUnparseable)
{
    for (const char* raw : {"", "\r\n", "   \r\n\t\r\n\n"}) {
        auto r = parse(raw);
        EXPECT_TRUE(r.entries.empty()) << raw;
        EXPECT_FALSE(r.unparseable) << raw;
        EXPECT_EQ(r.skippedLines, 0u);
    }
}

TEST(ListingRecognition, HeaderOnlyListingIsEmptyNotUnparseable)
{
    auto r = parse("total 0\r\n");
    EXPECT_TRUE(r.entries.empty());
    EXPECT_FALSE(r.unparseable);
    EXPECT_EQ(r.skippedLines, 0u);
}

TEST(ListingRecognition, StyleIsDecidedByTheMajorityOfLines)
{
    // The second line alone would read as a TOPS-20 file; the listing is Unix.
    auto r = parse("-rw-r--r-- 1 u g 1 Jan 1 2000 a\r\n"
                   "NEWS.TXT.1\r\n"
                   "-rw-r--r-- 1 u g 2 Jan 1 2000 b\r\n"
                   "-rw-r--r-- 1 u g 3 Jan 1 2000 c\r\n");
    EXPECT_EQ(r.style, "unix");
    ASSERT_EQ(r.entries.size(), 3u);
    EXPECT_EQ(r.skippedLines, 1u);
    EXPECT_EQ(r.entries[2].name, "c");
}

TEST(ListingRecognition, NameListIsNotTakenForAnotherStyleByOneLine)
{
    auto r = parse("README\r\nINSTALL\r\nNEWS.TXT.1\r\nCHANGES\r\n");
    EXPECT_EQ(r.style, "names");
    ASSERT_EQ(r.entries.size(), 4u);
    EXPECT_EQ(r.entries[2].name, "NEWS.TXT.1");
}

TEST(ListingRecognition, WholeListingIsReadWithTheRecognisedStyle)
{
    // Recognition looks at the first lines only; later lines of the same style
    // are read, later lines of another style are skipped and counted.
    std::string raw;
    for (int i = 0; i < 200; ++i)
        raw += "04-14-00  03:47PM                  " + std::to_string(i) + " f" + std::to_string(i) + "\r\n";
    raw += "-rw-r--r-- 1 u g 1 Jan 1 2000 unix-line\r\n";
    auto r = parse(raw);
    EXPECT_EQ(r.style, "windows-nt");
    EXPECT_EQ(r.entries.size(), 200u);
    EXPECT_EQ(r.skippedLines, 1u);
    EXPECT_EQ(r.entries[199].size, 199);
}

TEST(ListingRecognition, VmsEntriesSpanningLinesAreRecognised)
{
    auto r = parse("VERY-LONG-NAME-ONE.TXT;1\r\n  4/8  2-JUL-2003 10:30:08  [A,B]  (RWED,RWED,RE,)\r\n"
                   "VERY-LONG-NAME-TWO.TXT;1\r\n  4/8  2-JUL-2003 10:30:08  [A,B]  (RWED,RWED,RE,)\r\n");
    EXPECT_EQ(r.style, "vms");
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.skippedLines, 0u);
    EXPECT_EQ(r.entries[1].name, "VERY-LONG-NAME-TWO.TXT;1");
}

// Listings that the styles of few servers (tried last) could also read, at
// least in part: each must still go to the style that is its own.
struct SimilarListing
{
    const char* name;
    std::string listing;
    const char* style;
};

void PrintTo(const SimilarListing& l, std::ostream* os)
{
    *os << l.name;
}

class SimilarStyles : public testing::TestWithParam<SimilarListing>
{};

TEST_P(SimilarStyles, GoToTheirOwnStyle)
{
    auto r = parse(GetParam().listing);
    EXPECT_EQ(r.style, GetParam().style);
    EXPECT_EQ(r.skippedLines, 0u);
    EXPECT_FALSE(r.entries.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Listings, SimilarStyles,
    testing::Values(
        // SuperTCP on Windows 3.x with dashed dates prints WinQVT/Net's lines.
        SimilarListing{"WinQvtNotSuperTcp",
                       "CMT             <DIR>           11-21-94        10:17\r\n"
                       "DESIGN1.DOC          11264      05-11-95        14:20\r\n",
                       "winqvt"},
        SimilarListing{"SuperTcpWithSlashesNotKa9q",
                       "CMT  <DIR>  11/21/94  10:17\r\nREADME  1045  05/10/95  11:01\r\n", "supertcp"},
        SimilarListing{
            "Ka9qNotSuperTcp",
            "autoexec.bat       1,024  12:40  2/01/95\r\nspool/                    16:30  8/05/93\r\n",
            "ka9q"},
        SimilarListing{"DistinctNotChameleon",
                       "-r-w-        1234  Jan 08 2003 13:45  report.txt\r\nd----     0  Jan 08 2003 13:45  "
                       "BIN\r\n",
                       "distinct"},
        SimilarListing{
            "Os2NotPcTcp",
            "     0           DIR   05-12-97   16:44  PSFONTS\r\n 1123      A    07-14-99   12:37  "
            "IO.SYS\r\n",
            "os2"},
        SimilarListing{"WindowsNtNotUnisys",
                       "04-27-00  09:09PM       <DIR>          licensed\r\n07-18-00  10:16AM            4 "
                       "readme.txt\r\n",
                       "windows-nt"},
        SimilarListing{"DosNameListNotSuperTcp", "README.TXT\r\nINSTALL.EXE\r\nCMT\r\n", "names"},
        SimilarListing{"UnixNotGos",
                       "drwxr-xr-x   2 root     other        512 Apr  8  1994 d\r\n"
                       "-rw-r--r--   1 root     other        531 Jan 29  2003 - rwx rwx ---\r\n",
                       "unix"},
        SimilarListing{"GosNotNameList", "- - -----0 SEPT         SYSADMIN         AUG 26, 1997 SEQ1\r\n",
                       "gos"},
        // The variants below and the styles whose lines look most like theirs.
        SimilarListing{"UnixWithCommaDateNotVShell",
                       "-rwxr-xr-x    1 user group        9 Oct 08, 2002 09:47 notes\r\n"
                       "drwxr-xr-x    2 user group      512 Oct 08, 2002 09:47 incoming\r\n",
                       "unix"},
        SimilarListing{"VShellNotUnixOrGos",
                       "206876  Apr 04, 2000 21:06 notes\r\n     0  Dec 12, 2002 02:13 incoming/\r\n",
                       "vshell"},
        SimilarListing{"UnixDotFilesNotNameList",
                       "-rw-r--r--   1 root     other        531 Jan 29 03:26 .profile\r\n"
                       "drwxr-xr-x   2 root     other        512 Jan 29 03:26 Old Projects\r\n",
                       "unix"},
        SimilarListing{"ConnectEnterpriseNotUnix",
                       "-C--E-----FTP B QUA1I1      18128       41 Aug 12 13:56 QUADTEST\r\n"
                       "-C--E-----FTP A QUA1I1      18129      100 Aug 12 13:57 QUADTEST2\r\n",
                       "connect-enterprise"},
        SimilarListing{"WinQvtNotRouter",
                       "ATTRIB.EXE            2,110  11-26-95  11:38\r\nREADME.TXT            1,024  "
                       "11-26-95  11:40\r\n",
                       "winqvt"},
        SimilarListing{"RouterNotVxWorksOrWinQvt",
                       "router.cfg       1014196  06/03/04  Thur.   10:20:03\r\nlog.txt  128  12/01/04  Wed. "
                       " 23:59:59\r\n",
                       "router"},
        SimilarListing{"Ka9qTwoColumnsNotSuperTcp",
                       "autoexec.bat     1,024 12:40  2/01/95   spool/                 16:30  8/05/93\r\n"
                       "1 file. 1,024 bytes free.\r\n",
                       "ka9q"},
        SimilarListing{"ZvmDirectoryWithoutTypeNotNameList",
                       "SUBDIR1           DIR       -          -          - 2001-06-14 13:35:37 -\r\n"
                       "SUBDIR2           DIR       -          -          - 2001-06-14 13:35:37\r\n",
                       "vm-cms"},
        SimilarListing{"MvsOldDatesNotOtherHosts",
                       "Volume Unit    Date  Ext Used Recfm Lrecl BlkSz Dsorg Dsname\r\n"
                       "SYSA01 3380D  06/11/97  1   15  FB      80  6160  PS  USER.TEST.DATA\r\n",
                       "mvs"},
        SimilarListing{"MpeNativeStaysNative",
                       "ACCOUNT=  SYS         GROUP=  PUB\r\n"
                       "1LINEDIT          80B  FA          12     100000   1       16  1  8\r\n",
                       "mpe"},
        SimilarListing{
            "MpePosixNotNameList",
            "PATH= /SYS/PUB/\r\n          1B  BA        1234   2147483647   1       16  1  *  notes.txt\r\n",
            "mpe"},
        SimilarListing{"NameListWithBlanksNotTops20", "NEWS.TXT.1\r\nREADME\r\nOld Projects\r\n.profile\r\n",
                       "names"}),
    [](const auto& info) { return std::string(info.param.name); });

// Each of these is what a misbehaving server or proxy might send on the data
// connection instead of a listing; none may turn into files.
class GarbageListing : public testing::TestWithParam<std::pair<const char*, std::string>>
{};

TEST_P(GarbageListing, IsUnparseable)
{
    auto r = parse(GetParam().second);
    EXPECT_TRUE(r.unparseable) << "style " << r.style;
    EXPECT_TRUE(r.entries.empty());
    EXPECT_GT(r.skippedLines, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, GarbageListing,
    testing::Values(
        std::make_pair("ReplyText", std::string("550 No such file or directory.\r\n")),
        std::make_pair("HtmlPage",
                       std::string("<html>\r\n<head><title>Index of /</title></head>\r\n<body>\r\n")),
        std::make_pair("Prose", std::string("Hello world, this is not a listing\r\nat all.\r\n")),
        std::make_pair("BinaryBytes", std::string("\x7f"
                                                  "ELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00",
                                                  16)),
        std::make_pair("NumbersOnlyColumns", std::string("12 34 56\r\n78 90 12\r\n")),
        std::make_pair("UnixLineWithoutName", std::string("-rw-r--r-- 1 u g 1 Jan 1 2000\r\n")),
        std::make_pair("ModeAlone", std::string("drwxr-xr-x\r\n")),
        std::make_pair("FactsWithoutKnownFacts", std::string("a=b; name\r\n")),
        std::make_pair("EplfWithoutFacts", std::string("+\tname\r\n")),
        std::make_pair("ProseWithOneWordLine",
                       std::string("Welcome to the server\r\nplease log in\r\nnow\r\n")),
        std::make_pair("Ka9qSecondColumnCut",
                       std::string("autoexec.bat     1,024 12:40  2/01/95   spool/  16:30\r\n"))),
    [](const auto& info) { return std::string(info.param.first); });

TEST(ListingLimits, LinesOverTenThousandBytesAreSkippedAndCounted)
{
    std::string prefix = "-rw-r--r-- 1 u g 1 Jan 1 2000 ";
    std::string atLimit = prefix + std::string(10000 - prefix.size(), 'a');
    std::string overLimit = prefix + std::string(10001 - prefix.size(), 'b');
    auto r = parse(atLimit + "\r\n" + overLimit + "\r\n-rw-r--r-- 1 u g 1 Jan 1 2000 short\r\n");
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].name.size(), 10000 - prefix.size());
    EXPECT_EQ(r.entries[1].name, "short");
    EXPECT_EQ(r.skippedLines, 1u);

    auto only = parse(overLimit);
    EXPECT_TRUE(only.unparseable);
}

TEST(ListingLimits, NamesWithNulOrCarriageReturnAreDropped)
{
    std::string raw = "-rw-r--r-- 1 u g 1 Jan 1 2000 good\r\n";
    raw += std::string("-rw-r--r-- 1 u g 1 Jan 1 2000 bad\0name\r\n", 41);
    raw += "-rw-r--r-- 1 u g 1 Jan 1 2000 cr\rinside\r\n";
    raw += "type=file; mlsd\rname\r\n";
    auto r = parse(raw);
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].name, "good");
    EXPECT_EQ(r.skippedLines, 3u);
}

TEST(ListingLimits, ListingOfOnlyUnsafeNamesIsUnparseable)
{
    auto r = parse(std::string("-rw-r--r-- 1 u g 1 Jan 1 2000 a\0b\r\n", 35));
    EXPECT_TRUE(r.entries.empty());
    EXPECT_TRUE(r.unparseable);
}

TEST(ListingLimits, EveryStyleSurvivesTruncatedLines)
{
    // Each sample line cut at every length must parse or fail cleanly, never
    // read past its end (the sanitiser build catches that).
    const char* samples[] = {
        "-rw-r--r--   1 root     other        531 Jan 29 03:26 README",
        "04-27-00  09:09PM       <DIR>          licensed",
        "+i8388621.48594,m825718503,r,s280,up755\teplf",
        "type=file;size=12;modify=20080426135501;UNIX.mode=0755; x",
        "d [R----F--] supervisor            512       Jan 16 18:53    login",
        "CII-MANUAL.TEX;1  213/216  29-JAN-1996 03:33:12  [ANONYMOU,ANONYMOUS]   (RWED,RWED,,)",
        "WYOSPT 3420   2003/05/21  1  200  FB      80  8053  PS  USER.DATA",
        "PROFILE  EXEC     A1 V         17          3          1  9/20/93 11:31:48 WORK",
        "SWAP  .SYS    25P 02-Aug-88      TT    .SYS     3  02-Aug-88",
        "    1  -rw-     4468  Mar 01 1993 00:12:58 +00:00  config.text",
        "ACCOUNTS      101             528  6-Apr-07 14:21:18  255, 0  \"oooo\"",
        "- - -----0 SEPT         SYSADMIN         AUG 26, 1997 SEQ1",
        "- rwx rwx ---        1280 05/06/98 10:12:10  uid           testbcd",
        "w      158 stm       90-05-19 11:53:44  acctng.cobol",
        "DESIGN1.DOC     11264      May 11 1995 14:20   A",
        "TEST~1       <DIR>     11-29-2004  22:52  Test",
        "     40774              IO.SYS   Tue May 31 06:22:00 1994",
        "A                       SEQDATA    84 03/08/1998  15:32",
        "autoexec.bat     1,024 12:40  2/01/95   spool/                 16:30  8/05/93",
        "SUBDIR1           DIR       -          -          - 2001-06-14 13:35:37 -",
        "SYSA01 3380D  06/11/97  1   15  FB      80  6160  PS  USER.TEST.DATA",
        "-C--E-----FTP B QUA1I1      18128       41 Aug 12 13:56 QUADTEST",
        "206876  Apr 04, 2000 21:06 install notes.txt",
        "boot image.bin    524288  11/16/04  Tues.   03:45:32",
    };
    for (std::string_view sample : samples) {
        for (std::size_t n = 0; n <= sample.size(); ++n) {
            auto r = parse(std::string(sample.substr(0, n)));
            for (const auto& e : r.entries)
                EXPECT_FALSE(e.name.empty()) << sample.substr(0, n);
        }
    }
    // Styles that read their lines only after a header.
    const std::string mpePosix = "PATH= /SYS/PUB/\r\n";
    std::string_view posixLine = "PROG    128W  FB         300          300   1      304  1  1  my file";
    for (std::size_t n = 0; n <= posixLine.size(); ++n) {
        auto r = parse(mpePosix + std::string(posixLine.substr(0, n)));
        for (const auto& e : r.entries)
            EXPECT_FALSE(e.name.empty()) << posixLine.substr(0, n);
    }
}

} // namespace
