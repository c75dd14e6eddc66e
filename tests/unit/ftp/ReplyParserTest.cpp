#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ftp/FtpError.h"
#include "ftp/ReplyParser.h"

using ftp::ProtocolError;
using ftp::Reply;
using ftp::ReplyParser;

namespace {

struct ReplyRow
{
    std::string name;
    std::string bytes;
    std::vector<int> codes;              // replies expected, in order
    std::vector<std::size_t> lineCounts; // lines of each
    std::string firstText;               // text() of the first reply
};

std::vector<Reply> feedAll(ReplyParser& parser, const std::string& bytes, std::size_t chunk)
{
    std::vector<Reply> out;
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
        parser.feed(std::string_view(bytes).substr(i, chunk));
        while (auto r = parser.next())
            out.push_back(*r);
    }
    return out;
}

class ReplyFramingTest : public ::testing::TestWithParam<ReplyRow>
{};

// Every row is fed whole, byte by byte and in 7-byte pieces: framing must not
// depend on how the bytes were split into reads.
TEST_P(ReplyFramingTest, AssemblesTheSameRepliesHoweverTheBytesAreSplit)
{
    const ReplyRow& row = GetParam();
    for (std::size_t chunk : {row.bytes.size(), std::size_t{1}, std::size_t{7}}) {
        ReplyParser parser;
        auto replies = feedAll(parser, row.bytes, chunk);
        ASSERT_EQ(replies.size(), row.codes.size()) << "input: " << row.bytes << " chunk " << chunk;
        for (std::size_t i = 0; i < replies.size(); ++i) {
            EXPECT_EQ(replies[i].code, row.codes[i]) << "reply " << i << " chunk " << chunk;
            EXPECT_EQ(replies[i].lines.size(), row.lineCounts[i]) << "reply " << i << " chunk " << chunk;
        }
        EXPECT_EQ(replies[0].text(), row.firstText) << "chunk " << chunk;
        EXPECT_FALSE(parser.hasBufferedData());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rfc959, ReplyFramingTest,
    ::testing::Values(
        ReplyRow{"SingleLine", "220 Service ready\r\n", {220}, {1}, "Service ready"},
        ReplyRow{"BareCode", "200\r\n", {200}, {1}, ""},
        ReplyRow{"LfOnly", "230 Logged in\n", {230}, {1}, "Logged in"},
        ReplyRow{"MultiLine",
                 "211-Features:\r\n UTF8\r\n SIZE\r\n211 End\r\n",
                 {211},
                 {4},
                 "Features:\nUTF8\nSIZE\nEnd"},
        // An inner line starting with another code and a space does not end the reply.
        ReplyRow{"InnerOtherCode",
                 "220-Welcome\r\n230 not the end\r\n220 ready\r\n",
                 {220},
                 {3},
                 "Welcome\n230 not the end\nready"},
        // Only the same code followed by a space ends it: "220-" inside does not.
        ReplyRow{"InnerSameCodeHyphen", "220-a\r\n220-b\r\n220 c\r\n", {220}, {3}, "a\nb\nc"},
        ReplyRow{"SameCodeNoSpaceIsInner", "250-a\r\n2500 x\r\n250 end\r\n", {250}, {3}, "a\n2500 x\nend"},
        ReplyRow{"SeveralInOneRead",
                 "150 Opening\r\n226 Done\r\n221 Bye\r\n",
                 {150, 226, 221},
                 {1, 1, 1},
                 "Opening"},
        ReplyRow{"EmptyInnerLine", "214-Help\r\n\r\n214 End\r\n", {214}, {3}, "Help\n\nEnd"},
        ReplyRow{"ProtectedReply", "631 base64data\r\n", {631}, {1}, "base64data"}),
    [](const ::testing::TestParamInfo<ReplyRow>& info) { return info.param.name; });

struct BadRow
{
    std::string name;
    std::string bytes;
};

class ReplyRejectTest : public ::testing::TestWithParam<BadRow>
{};

TEST_P(ReplyRejectTest, RaisesProtocolErrorAndStaysFailed)
{
    ReplyParser parser;
    EXPECT_THROW(
        {
            parser.feed(GetParam().bytes);
            while (parser.next()) {
            }
        },
        ProtocolError)
        << "input: " << GetParam().bytes;
    // A failed parser never hands out a reply again: the stream is out of step.
    EXPECT_THROW(parser.feed("200 ok\r\n"), ProtocolError);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, ReplyRejectTest,
    ::testing::Values(BadRow{"TwoDigitCode", "22 short\r\n"}, BadRow{"LettersInCode", "2x0 bad\r\n"},
                      BadRow{"NoCode", "hello\r\n"}, BadRow{"CodeZero", "000 zero\r\n"},
                      BadRow{"CodeSevenHundred", "700 beyond\r\n"}, BadRow{"FourDigits", "2200 ready\r\n"},
                      BadRow{"NulInSingleLine", std::string("220 a\0b\r\n", 9)},
                      BadRow{"NulInMultiLine", std::string("220-a\r\nx\0y\r\n220 b\r\n", 19)}),
    [](const ::testing::TestParamInfo<BadRow>& info) { return info.param.name; });

TEST(ReplyParserLimitsTest, ALineOver64KiBFailsBeforeItsEndArrives)
{
    ReplyParser parser;
    parser.feed("220-");
    std::string chunk(4096, 'x');
    // No line end ever comes: the limit must hold on the partial line itself.
    EXPECT_THROW(
        {
            for (int i = 0; i < 17; ++i)
                parser.feed(chunk);
        },
        ProtocolError);
}

TEST(ReplyParserLimitsTest, ALineOfExactly64KiBIsAccepted)
{
    ReplyParser parser;
    std::string line = "220 " + std::string(ReplyParser::kMaxLineLength - 4, 'y');
    parser.feed(line + "\n");
    auto reply = parser.next();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->code, 220);
}

TEST(ReplyParserLimitsTest, MoreThanTenThousandLinesFails)
{
    ReplyParser parser;
    parser.feed("211-start\r\n");
    EXPECT_THROW(
        {
            for (int i = 0; i < 10001; ++i)
                parser.feed(" line\r\n");
        },
        ProtocolError);
}

TEST(ReplyParserLimitsTest, AReplyOverOneMiBFails)
{
    ReplyParser parser;
    parser.feed("211-start\r\n");
    std::string line = " " + std::string(60000, 'z') + "\r\n"; // 18 lines pass 1 MiB
    EXPECT_THROW(
        {
            for (int i = 0; i < 20; ++i)
                parser.feed(line);
        },
        ProtocolError);
}

TEST(ReplyParserLimitsTest, RepliesComeOutInOrderAcrossPartialFeeds)
{
    ReplyParser parser;
    parser.feed("150 Open");
    EXPECT_FALSE(parser.next());
    EXPECT_TRUE(parser.hasBufferedData());
    parser.feed("ing\r\n226 Do");
    auto first = parser.next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->code, 150);
    EXPECT_FALSE(parser.next());
    parser.feed("ne\r\n");
    auto second = parser.next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text(), "Done");
}

} // namespace
