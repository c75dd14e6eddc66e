#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ClientTestSupport.h"
#include "ftp/FtpError.h"
#include "ftp/NameMemory.h"

// Names that are not UTF-8 on the wire, between connections of one process: the
// browsing connection lists, a transfer connection names what it never listed.

using namespace testsupport;
using namespace clienttest;

namespace {

const std::string kCafe = "caf\xC3\xA9.txt";   // as shown
const std::string kCafeLatin1 = "caf\xE9.txt"; // as the server holds it

class ClientNamesTest : public ::testing::Test
{
protected:
    void SetUp() override { ftp::NameMemory::forgetServers(); }
    void TearDown() override { ftp::NameMemory::forgetServers(); }

    int count(const std::string& line) const
    {
        const auto commands = server.commands();
        return static_cast<int>(std::count(commands.begin(), commands.end(), line));
    }
    bool sent(const std::string& verb) const
    {
        const auto verbs = server.verbs();
        return std::find(verbs.begin(), verbs.end(), verb) != verbs.end();
    }

    ScriptedFtpServer server;
};

TEST_F(ClientNamesTest, ATransferConnectionSendsTheBytesTheBrowsingOneListed)
{
    server.fs().addFile("/pub/" + kCafeLatin1, "latin one");
    auto browsing = makeClient(server);
    connectAndLogin(*browsing);
    browsing->cwd("/pub");
    const auto entries = browsing->list();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, kCafe);

    auto transfer = makeClient(server);
    connectAndLogin(*transfer);
    StringSink sink;
    transfer->retrieve("/pub/" + kCafe, sink);
    EXPECT_EQ(sink.bytes, "latin one");
    EXPECT_EQ(count("RETR /pub/" + kCafeLatin1), 1) << server.conversation();
    // Relative to where the transfer connection went.
    transfer->cwd("/pub");
    StringSink again;
    transfer->retrieve(kCafe, again);
    EXPECT_EQ(again.bytes, "latin one");
    EXPECT_EQ(count("RETR " + kCafeLatin1), 1);

    // SITE names its file like every other command.
    EXPECT_EQ(browsing->site("CHMOD", "600", kCafe).code, 200);
    EXPECT_EQ(count("SITE CHMOD 600 " + kCafeLatin1), 1);
    EXPECT_EQ(server.fs().node("/pub/" + kCafeLatin1)->permissions, "rw-------");
    EXPECT_EQ(browsing->site("CHOWN", "alice", "/pub/" + kCafe).code, 200);
    EXPECT_EQ(server.fs().node("/pub/" + kCafeLatin1)->owner, "alice");
    // Free text goes as it stands.
    EXPECT_THROW(browsing->site("CHMOD 644 /pub/" + kCafe), ftp::ReplyError);
    EXPECT_EQ(count("SITE CHMOD 644 /pub/" + kCafe), 1);
}

TEST_F(ClientNamesTest, LearnNamesListsTheDirectoriesAlongAPathThatAreNotKnown)
{
    server.fs().addFile("/t\xE9/sub\xE9/f\xFC.txt", "deep");
    server.fs().addFile("/t\xE9/plain.txt", "plain");
    auto client = makeClient(server);
    connectAndLogin(*client);
    const std::string deep = "/t\xC3\xA9/sub\xC3\xA9/f\xC3\xBC.txt";
    EXPECT_FALSE(client->knowsName(deep));
    EXPECT_TRUE(client->knowsName("/plain/ascii.txt"));
    server.clearTranscript();
    client->learnNames(deep);
    EXPECT_EQ(count("LIST /"), 1) << server.conversation();
    EXPECT_EQ(count("LIST /t\xE9"), 1);
    EXPECT_EQ(count("LIST /t\xE9/sub\xE9"), 1);
    EXPECT_TRUE(client->knowsName(deep));
    EXPECT_TRUE(client->knowsName("/t\xC3\xA9/plain.txt"));
    StringSink sink;
    client->retrieve(deep, sink);
    EXPECT_EQ(sink.bytes, "deep");

    // Learning what is known asks nothing; a directory that is not there ends it quietly.
    server.clearTranscript();
    client->learnNames(deep);
    EXPECT_FALSE(sent("LIST"));
    client->learnNames("/t\xC3\xA9/missing-\xC3\xA9/\xC3\xBC.txt");
    EXPECT_EQ(count("LIST /t\xE9/missing-\xC3\xA9"), 1) << server.conversation();
    EXPECT_TRUE(client->isConnected());

    // A relative path starts where the connection is, asked with PWD.
    auto fresh = makeClient(server);
    connectAndLogin(*fresh);
    ftp::NameMemory::forgetServers();
    fresh->raw("CWD /t\xE9");
    server.clearTranscript();
    fresh->learnNames("sub\xC3\xA9/f\xC3\xBC.txt");
    EXPECT_EQ(server.verbs().front(), "PWD");
    StringSink relative;
    fresh->retrieve("sub\xC3\xA9/f\xC3\xBC.txt", relative);
    EXPECT_EQ(relative.bytes, "deep");
}

TEST_F(ClientNamesTest, UploadsRenamesAndDirectoriesKeepTheServersSpelling)
{
    server.fs().addFile("/up/" + kCafeLatin1, "old");
    server.fs().addDirectory("/up/d\xE9");
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->learnNames("/up/" + kCafe);
    StringSource source("new content");
    client->store(source, "/up/" + kCafe);
    EXPECT_EQ(server.fs().content("/up/" + kCafeLatin1), "new content");
    EXPECT_FALSE(server.fs().exists("/up/" + kCafe)) << "a UTF-8 twin was made";

    EXPECT_EQ(client->mkd("/up/d\xC3\xA9/below"), "/up/d\xC3\xA9/below");
    EXPECT_TRUE(server.fs().isDirectory("/up/d\xE9/below"));
    client->cwd("/up/d\xC3\xA9");
    EXPECT_EQ(client->pwd(), "/up/d\xC3\xA9");
    client->cdup();
    // A new name goes as UTF-8 and is then known so.
    client->rename(kCafe, "th\xC3\xA9.txt");
    EXPECT_TRUE(server.fs().exists("/up/th\xC3\xA9.txt"));
    EXPECT_FALSE(server.fs().exists("/up/" + kCafeLatin1));
    client->dele("th\xC3\xA9.txt");
    EXPECT_FALSE(server.fs().exists("/up/th\xC3\xA9.txt"));
    client->rmd("d\xC3\xA9/below");
    client->rmd("d\xC3\xA9");
    EXPECT_FALSE(server.fs().exists("/up/d\xE9"));
    // Gone: the same name is a new one now.
    client->mkd("d\xC3\xA9");
    EXPECT_TRUE(server.fs().isDirectory("/up/d\xC3\xA9"));
}

TEST_F(ClientNamesTest, ANameADirectoryHoldsInBothSpellingsIsNeverSent)
{
    server.fs().addFile("/a/" + kCafeLatin1, "latin");
    server.fs().addFile("/a/" + kCafe, "utf-8");
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->cwd("/a");
    const auto entries = client->list();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, kCafe);
    EXPECT_EQ(entries[1].name, kCafe);
    server.clearTranscript();
    EXPECT_THROW(client->dele(kCafe), ftp::ProtocolError);
    EXPECT_THROW(client->rename(kCafe, "x.txt"), ftp::ProtocolError);
    EXPECT_THROW(client->site("CHMOD", "600", kCafe), ftp::ProtocolError);
    StringSink sink;
    EXPECT_THROW(client->retrieve("/a/" + kCafe, sink), ftp::ProtocolError);
    EXPECT_TRUE(server.commands().empty()) << server.conversation();
    EXPECT_EQ(server.fs().content("/a/" + kCafeLatin1), "latin");
    EXPECT_EQ(server.fs().content("/a/" + kCafe), "utf-8");
    EXPECT_EQ(client->pwd(), "/a");
}

TEST_F(ClientNamesTest, TheMemoryOutlivesTheConnectionThatLearntIt)
{
    server.fs().addFile("/pub/" + kCafeLatin1, "latin one");
    {
        auto browsing = makeClient(server);
        connectAndLogin(*browsing);
        browsing->list("/pub");
        browsing->quit();
    }
    // A later login, as a transfer thread's after an idle spell, and a reconnect of
    // the same client.
    auto transfer = makeClient(server);
    connectAndLogin(*transfer);
    EXPECT_TRUE(transfer->knowsName("/pub/" + kCafe));
    transfer->disconnect();
    connectAndLogin(*transfer);
    StringSink sink;
    transfer->retrieve("/pub/" + kCafe, sink);
    EXPECT_EQ(sink.bytes, "latin one");
}

} // namespace
