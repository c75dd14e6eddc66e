#include "ListingTestSupport.h"

using namespace listing_test;

namespace {

class WindowsNtListing : public testing::TestWithParam<StyleRow>
{};

TEST_P(WindowsNtListing, ParsesRow)
{
    checkRow(GetParam());
}

const StyleRow kWindowsRows[] = {
    {"DirectoryTwelveHour",
     "04-27-00  09:09PM       <DIR>          licensed\r\n",
     {dir("licensed").at(2000, 4, 27, 21, 9)},
     "windows-nt"},
    {"FileTwelveHour",
     "04-14-00  03:47PM                  589 readme.htm\r\n",
     {file("readme.htm").size(589).at(2000, 4, 14, 15, 47)},
     "windows-nt"},
    {"NoonAndMidnight",
     "04-14-00  12:05PM                  1 noon\r\n04-14-00  12:05AM                  2 midnight\r\n",
     {file("noon").size(1).at(2000, 4, 14, 12, 5), file("midnight").size(2).at(2000, 4, 14, 0, 5)},
     "windows-nt"},
    {"TwentyFourHourLongYear",
     "2002-09-02  18:48       <DIR>          long year\r\n",
     {dir("long year").at(2002, 9, 2, 18, 48)},
     "windows-nt"},
    {"GroupedSize",
     "2002-09-02  19:06                9,730 grouped.doc\r\n",
     {file("grouped.doc").size(9730).at(2002, 9, 2, 19, 6)},
     "windows-nt"},
    {"FourDigitYearMonthFirst",
     "05-17-2007  07:58PM       <DIR>          muntemp\r\n",
     {dir("muntemp").at(2007, 5, 17, 19, 58)},
     "windows-nt"},
    {"DayFirstDecidedByAnotherLine",
     "03-04-05  10:00                  1 first\r\n25-04-05  10:00                  2 second\r\n",
     {file("first").size(1).at(2005, 4, 3, 10, 0), file("second").size(2).at(2005, 4, 25, 10, 0)},
     "windows-nt"},
    {"LeadingSpacesInNames",
     "04-14-00  03:47PM                  589  spaced file\r\n04-27-00  09:09PM       <DIR>            spaced "
     "dir\r\n",
     {file(" spaced file").size(589).at(2000, 4, 14, 15, 47), dir("  spaced dir").at(2000, 4, 27, 21, 9)},
     "windows-nt"},
    {"DotDirectories",
     "04-27-00  09:09PM       <DIR>          .\r\n04-27-00  09:09PM       <DIR>          ..\r\n",
     {dir(".").at(2000, 4, 27, 21, 9), dir("..").at(2000, 4, 27, 21, 9)},
     "windows-nt"},
    {"JunctionWithTarget",
     "2020-01-02  10:00    <JUNCTION>     Docs [C:\\Users\\me\\Documents]\r\n",
     {link("Docs").at(2020, 1, 2, 10, 0).target("C:\\Users\\me\\Documents")},
     "windows-nt"},
    {"ImpossibleDateKeepsEntry",
     "02-30-00  03:47PM                  589 feb30\r\n",
     {file("feb30").size(589)},
     "windows-nt"},
    {"HugeSizeUnknown",
     "04-14-00  03:47PM  99999999999999999999 huge\r\n",
     {file("huge").at(2000, 4, 14, 15, 47)},
     "windows-nt"},
};

INSTANTIATE_TEST_SUITE_P(Styles, WindowsNtListing, testing::ValuesIn(kWindowsRows), rowName);

} // namespace
