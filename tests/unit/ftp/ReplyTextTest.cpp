#include <string>

#include <gtest/gtest.h>

#include "ftp/FeatureSet.h"
#include "ftp/FtpError.h"
#include "ftp/NameCodec.h"
#include "ftp/ReplyParser.h"
#include "ftp/ReplyText.h"

using namespace ftp;

namespace {

// --- PWD / MKD paths -------------------------------------------------------

TEST(QuotedPathTest, TakesTheTextBetweenFirstAndLastQuoteAndUndoublesQuotes)
{
    EXPECT_EQ(parseQuotedPath("\"/home/bob\" is the current directory"), "/home/bob");
    EXPECT_EQ(parseQuotedPath("\"/say \"\"hi\"\"\" is current"), "/say \"hi\"");
    EXPECT_EQ(parseQuotedPath("\"/a \"b\" c\" created"), "/a \"b\" c");
    EXPECT_EQ(parseQuotedPath("\"\" empty"), "");
    EXPECT_EQ(parseQuotedPath("\"/\xC3\xA5ngstr\xC3\xB6m\""), "/\xC3\xA5ngstr\xC3\xB6m");
}

TEST(QuotedPathTest, RefusesMissingOrUnclosedQuotesAndControlCharacters)
{
    EXPECT_THROW(parseQuotedPath("/home/bob is current"), ProtocolError);
    EXPECT_THROW(parseQuotedPath("\"/home/bob is current"), ProtocolError);
    EXPECT_THROW(parseQuotedPath("\"/a\x01b\""), ProtocolError);
    EXPECT_THROW(parseQuotedPath("\"/a\tb\""), ProtocolError);
}

// --- PASV / EPSV -----------------------------------------------------------

struct PassiveRow
{
    std::string name;
    std::string text;
    bool epsv;
    bool valid;
    std::string host;
    int port;
};

class PassiveReplyTest : public ::testing::TestWithParam<PassiveRow>
{};

TEST_P(PassiveReplyTest, ReadsTheAddressOrRefusesIt)
{
    const PassiveRow& row = GetParam();
    auto parse = [&] { return row.epsv ? parseEpsvReply(row.text) : parsePasvReply(row.text); };
    if (!row.valid) {
        EXPECT_THROW(parse(), ProtocolError) << row.text;
        return;
    }
    PassiveAddress a = parse();
    EXPECT_EQ(a.host, row.host) << row.text;
    EXPECT_EQ(a.port, row.port) << row.text;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PassiveReplyTest,
    ::testing::Values(
        PassiveRow{"Pasv", "Entering Passive Mode (127,0,0,1,117,48)", false, true, "127.0.0.1", 30000},
        PassiveRow{"PasvNoParens", "Entering Passive Mode 10,1,2,3,4,1", false, true, "10.1.2.3", 1025},
        PassiveRow{"PasvTextWithDigitsFirst", "Mode 3 (192,168,1,2,0,21).", false, true, "192.168.1.2", 21},
        PassiveRow{"PasvOctetOver255", "Entering Passive Mode (127,0,0,256,117,48)", false, false, "", 0},
        PassiveRow{"PasvPortByteOver255", "Entering Passive Mode (127,0,0,1,300,1)", false, false, "", 0},
        PassiveRow{"PasvPortZero", "Entering Passive Mode (127,0,0,1,0,0)", false, false, "", 0},
        PassiveRow{"PasvMissingNumber", "Entering Passive Mode (127,0,0,1,117)", false, false, "", 0},
        PassiveRow{"PasvLongNumber", "Entering Passive Mode (127,0,0,1,0000117,48)", false, false, "", 0},
        PassiveRow{"PasvNothing", "Entering Passive Mode", false, false, "", 0},
        PassiveRow{"Epsv", "Entering Extended Passive Mode (|||6446|)", true, true, "", 6446},
        PassiveRow{"EpsvOtherDelimiter", "Entering Extended Passive Mode (!!!21!)", true, true, "", 21},
        PassiveRow{"EpsvPortZero", "Entering Extended Passive Mode (|||0|)", true, false, "", 0},
        PassiveRow{"EpsvPortTooBig", "Entering Extended Passive Mode (|||65536|)", true, false, "", 0},
        PassiveRow{"EpsvHugePort", "Entering Extended Passive Mode (|||99999999|)", true, false, "", 0},
        PassiveRow{"EpsvNoPort", "Entering Extended Passive Mode (||||)", true, false, "", 0},
        PassiveRow{"EpsvMixedDelimiters", "Entering Extended Passive Mode (|!|6446|)", true, false, "", 0},
        PassiveRow{"EpsvUnclosed", "Entering Extended Passive Mode (|||6446|", true, false, "", 0}),
    [](const ::testing::TestParamInfo<PassiveRow>& info) { return info.param.name; });

TEST(AnnouncedSizeTest, ReadsTheByteCountOfAPreliminaryReply)
{
    EXPECT_EQ(parseAnnouncedSize("Opening BINARY mode data connection for f (1234 bytes)."), 1234);
    EXPECT_EQ(parseAnnouncedSize("Opening (mode) data connection for f (99 bytes)"), 99);
    EXPECT_FALSE(parseAnnouncedSize("Accepted data connection"));
    EXPECT_FALSE(parseAnnouncedSize("Opening for f (lots bytes)"));
    EXPECT_EQ(parseDecimal("5368709120"), 5368709120LL); // beyond 32 bits
    EXPECT_FALSE(parseDecimal("12a"));
    EXPECT_FALSE(parseDecimal("99999999999999999999"));
}

// --- FEAT ------------------------------------------------------------------

TEST(FeatureSetTest, MatchesWholeTokensWithoutRegardToCase)
{
    ReplyParser parser;
    parser.feed("211-Features:\r\n utf8x\r\n size\r\n MLST type*;size*;\r\n AUTH TLS\r\n211 End\r\n");
    FeatureSet f = FeatureSet::fromReply(*parser.next());
    EXPECT_FALSE(f.has("UTF8")); // "UTF8X" is another feature
    EXPECT_TRUE(f.has("SIZE"));
    EXPECT_TRUE(f.has("mlst"));
    EXPECT_EQ(f.parameters("MLST"), "type*;size*;");
    EXPECT_FALSE(f.has("MLS"));
    EXPECT_EQ(f.parameters("AUTH"), "TLS");
}

TEST(FeatureSetTest, ARefusedFeatIsNoFeatures)
{
    ReplyParser parser;
    parser.feed("500 Unknown command\r\n");
    EXPECT_TRUE(FeatureSet::fromReply(*parser.next()).empty());
}

// --- Names -----------------------------------------------------------------

TEST(NameCodecTest, KeepsUtf8AndReadsOtherBytesAsLatin1)
{
    NameCodec codec;
    EXPECT_EQ(codec.decode("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(codec.decode("caf\xE9"), "caf\xC3\xA9");
    // Overlong forms and surrogates are not UTF-8.
    EXPECT_FALSE(NameCodec::isValidUtf8("\xC0\xAF"));
    EXPECT_FALSE(NameCodec::isValidUtf8("\xED\xA0\x80"));
    EXPECT_TRUE(NameCodec::isValidUtf8("\xF0\x9F\x98\x80"));
}

TEST(NameCodecTest, SendsTheServersOwnBytesBackForLatin1Names)
{
    NameCodec codec;
    const std::string shown = codec.decode("r\xE9sum\xE9.txt");
    EXPECT_EQ(codec.encode(shown), "r\xE9sum\xE9.txt");
    EXPECT_EQ(codec.encode("/docs/" + shown), "/docs/r\xE9sum\xE9.txt");
    // A UTF-8 name the server gave as UTF-8 goes back unchanged.
    EXPECT_EQ(codec.encode("caf\xC3\xA9"), "caf\xC3\xA9");
}

} // namespace
