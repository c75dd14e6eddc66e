#include <string>

#include <gtest/gtest.h>

#include "ClientTestSupport.h"
#include "ftp/FtpError.h"

using namespace testsupport;
using namespace clienttest;

// A listing is refused while it arrives once it passes the connection's limits:
// its parsed entries cost several times its bytes.

namespace {

std::string lines(int count, const std::string& prefix = "-rw-r--r-- 1 u g 1 Jan 01 2020 f")
{
    std::string body;
    for (int i = 0; i < count; ++i)
        body += prefix + std::to_string(i) + "\r\n";
    return body;
}

void expectRefused(ftp::Client& client, const std::string& what)
{
    try {
        client.list("/d");
        FAIL() << "a listing past the limit was taken";
    } catch (const ftp::ProtocolError& e) {
        EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
        EXPECT_FALSE(e.retryable());
    }
    // The transfer was stopped and the connection brought back in step.
    ASSERT_TRUE(client.isConnected());
    EXPECT_EQ(client.pwd(), "/");
}

} // namespace

TEST(ListingLimitTest, TheDefaultsTakeAMillionEntriesOfLongLines)
{
    const ftp::ClientOptions defaults;
    EXPECT_GE(defaults.maxListingEntries, 1000000u);
    EXPECT_GE(defaults.maxListingBytes / defaults.maxListingEntries, 150u);
}

TEST(ListingLimitTest, OneLineMoreThanTheEntryLimitIsRefusedWithAClearError)
{
    ScriptedFtpServer server;
    server.fs().addDirectory("/d");
    auto client = makeClient(server);
    client->options().maxListingEntries = 1000;
    connectAndLogin(*client);

    server.fs().setListing("/d", lines(1000));
    EXPECT_EQ(client->list("/d").size(), 1000u);
    // The last line without its line end still counts.
    server.fs().setListing("/d", lines(1000) + "-rw-r--r-- 1 u g 1 Jan 01 2020 last");
    expectRefused(*client, "more than 1,000 entries");
    // Many tiny lines: entries cost far more than their bytes.
    server.fs().setListing("/d", std::string(200000, '\n'));
    expectRefused(*client, "more than 1,000 entries");
}

TEST(ListingLimitTest, AListingPastTheByteLimitIsRefusedBeforeItIsParsed)
{
    ScriptedFtpServer server;
    server.fs().addDirectory("/d");
    auto client = makeClient(server, true);
    client->options().maxListingBytes = 64 * 1024;
    connectAndLogin(*client);
    server.fs().setListing("/d",
                           lines(1, std::string(40 * 1024, 'x')) + lines(1, std::string(40 * 1024, 'y')));
    expectRefused(*client, "larger than 65,536 bytes");
    server.fs().setListing("/d", lines(100));
    EXPECT_EQ(client->list("/d").size(), 100u);
}
