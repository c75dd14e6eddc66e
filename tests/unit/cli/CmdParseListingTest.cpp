// vantor-ftp-cli parse-listing, run as a process: JSON shape, escaping, exit codes.
#include <gtest/gtest.h>

#include "support/qt/CliProcess.h"
#include <QByteArray>
#include <QString>

using namespace testsupport;

namespace {

CliRun parseListing(const QByteArray& input, const QStringList& extra = {})
{
    QStringList args{QStringLiteral("parse-listing"), QStringLiteral("--now"), QStringLiteral("1718445600")};
    return runCli(args + extra, input, 30000);
}

TEST(CmdParseListing, PrintsEveryFieldWithNullsForWhatTheStyleLacks)
{
    CliRun r = parseListing("lrwxrwxrwx   1 root     other          7 Jan  5  2001 bin -> usr/bin\r\n"
                            "04-27-00  09:09PM       <DIR>          licensed\r\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The second line is not Unix: skipped, and the listing stays Unix.
    EXPECT_EQ(
        r.out,
        "[\n  {\"name\": \"bin\", \"type\": \"link\", \"size\": 7, \"link_target\": \"usr/bin\", \"owner\": "
        "\"root\", \"group\": \"other\", \"permissions\": \"rwxrwxrwx\", \"date\": \"2001-01-05\", \"time\": "
        "null}\n]\n");
}

TEST(CmdParseListing, WindowsEntriesHaveNoOwnerGroupOrPermissions)
{
    CliRun r =
        parseListing("04-27-00  09:09PM       <DIR>          licensed\r\n04-14-00  03:47PM   589 a.htm\r\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(
        r.out,
        "[\n  {\"name\": \"licensed\", \"type\": \"dir\", \"size\": null, \"link_target\": null, \"owner\": "
        "null, "
        "\"group\": null, \"permissions\": null, \"date\": \"2000-04-27\", \"time\": \"21:09\"},\n"
        "  {\"name\": \"a.htm\", \"type\": \"file\", \"size\": 589, \"link_target\": null, \"owner\": null, "
        "\"group\": null, \"permissions\": null, \"date\": \"2000-04-14\", \"time\": \"15:47\"}\n]\n");
}

TEST(CmdParseListing, EscapesQuotesControlCharactersAndInvalidUtf8)
{
    QByteArray name = "q\"b\\t\tc\x01"
                      "\x7f"
                      "\xc3\xa9"
                      "\xff"
                      "\xc3"
                      "("
                      "\xed\xa0\x80";
    CliRun r = parseListing("-rw-r--r-- 1 u g 1 Jan 1 2000 " + name + "\r\n");
    EXPECT_EQ(r.exitCode, 0);
    // Valid UTF-8 (the e acute) passes; other bytes are read as Latin-1, a
    // UTF-16 surrogate encoded in UTF-8 included.
    EXPECT_NE(
        r.out.find("\"name\": \"q\\\"b\\\\t\\tc\\u0001\\u007f\xc3\xa9\\u00ff\\u00c3(\\u00ed\\u00a0\\u0080\""),
        std::string::npos)
        << r.out;
}

TEST(CmdParseListing, MlsdOptionReadsFacts)
{
    CliRun r = parseListing("type=file;size=12; facts.txt\r\n", {QStringLiteral("--mlsd")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("\"name\": \"facts.txt\", \"type\": \"file\", \"size\": 12"), std::string::npos)
        << r.out;
    CliRun unix = parseListing("-rw-r--r-- 1 u g 1 Jan 1 2000 a\r\n", {QStringLiteral("--mlsd")});
    EXPECT_EQ(unix.exitCode, 1);
}

TEST(CmdParseListing, UnparseableListingExitsOneWithAMessage)
{
    CliRun r = parseListing("550 No such file or directory.\r\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("could not be parsed"), std::string::npos) << r.err;
}

TEST(CmdParseListing, EmptyListingIsAnEmptyArray)
{
    CliRun r = parseListing("");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "[]\n");
}

} // namespace
