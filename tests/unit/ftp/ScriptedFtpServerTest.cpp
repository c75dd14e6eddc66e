#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/BareFtpClient.h"
#include "support/ScriptedFtpServer.h"

// These guard the scripted server itself, through a bare client of the test's own:
// if the fixture lies, every protocol test built on it lies too.

using namespace testsupport;

namespace {

bool login(BareFtpClient& client, const ScriptedFtpServer& server)
{
    return client.connect(server.host(), server.port()) && client.readReply().code == 220 &&
           client.command("USER bob").code == 331 && client.command("PASS secret").code == 230;
}

bool loginTls(BareFtpClient& client, const ScriptedFtpServer& server)
{
    return client.connect(server.host(), server.port()) && client.readReply().code == 220 &&
           client.command("AUTH TLS").code == 234 && client.startTls() &&
           client.command("USER bob").code == 331 && client.command("PASS secret").code == 230 &&
           client.command("PBSZ 0").code == 200 && client.command("PROT P").code == 200;
}

} // namespace

TEST(ScriptedFtpServerTest, RecordsTheExactTranscriptAndQuotesThePwdPath)
{
    ScriptedFtpServer server;
    server.fs().addDirectory("/say \"hi\"");
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    EXPECT_EQ(client.command("CWD /say \"hi\"").code, 250);
    EXPECT_EQ(client.command("PWD").text, "257 \"/say \"\"hi\"\"\" is the current directory");
    EXPECT_EQ(client.command("CWD /missing").code, 550);
    EXPECT_EQ(client.command("XYZZY").code, 500);
    EXPECT_EQ(client.command("QUIT").code, 221);
    ASSERT_TRUE(server.waitForSessionsClosed());
    EXPECT_EQ(server.commands(), (std::vector<std::string>{"USER bob", "PASS secret", "CWD /say \"hi\"",
                                                           "PWD", "CWD /missing", "XYZZY", "QUIT"}));
}

TEST(ScriptedFtpServerTest, OverridesApplyForTheirCountAndArgument)
{
    ScriptedFtpServer server;
    server.setAccount("bob", "secret");
    server.addOverride({.command = "PASS", .code = 530, .text = "Login incorrect", .times = 1});
    server.addOverride({.command = "type", .argument = "A", .code = 504, .text = "No ASCII here"});
    BareFtpClient client;
    ASSERT_TRUE(client.connect(server.host(), server.port()));
    EXPECT_EQ(client.readReply().code, 220);
    EXPECT_EQ(client.command("USER bob").code, 331);
    EXPECT_EQ(client.command("PASS secret").text, "530 Login incorrect");
    EXPECT_EQ(client.command("USER bob").code, 331);
    EXPECT_EQ(client.command("PASS wrong").code,
              530); // the account itself is checked once the override is spent
    EXPECT_EQ(client.command("USER bob").code, 331);
    EXPECT_EQ(client.command("PASS secret").code, 230);
    EXPECT_EQ(client.command("TYPE A").code, 504);
    EXPECT_EQ(client.command("TYPE A").code, 504); // no count: forever
    EXPECT_EQ(client.command("TYPE I").code, 200);
    EXPECT_EQ(client.command("CDUP").code, 250);
}

TEST(ScriptedFtpServerTest, CommandsBeforeLoginAreRefused)
{
    ScriptedFtpServer server;
    BareFtpClient client;
    ASSERT_TRUE(client.connect(server.host(), server.port()));
    client.readReply();
    EXPECT_EQ(client.command("PWD").code, 530);
    EXPECT_EQ(client.command("PASS x").code, 503);
}

TEST(ScriptedFtpServerTest, ScriptedRepliesGoOutByteForByteAsWritten)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "NOOP", .code = 200, .text = "first\n middle\nlast"});
    server.addOverride({.command = "SYST", .raw = std::string("215 has\0nul\r\n", 13)});
    server.addOverride({.command = "MODE", .raw = "200 one\r\n200 two\r\n"});
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    EXPECT_EQ(client.command("NOOP").text, "200-first\n middle\n200 last");
    client.sendRaw("SYST\r\n");
    EXPECT_EQ(client.readBytes(13), std::string("215 has\0nul\r\n", 13));
    client.sendRaw("MODE S\r\n");
    EXPECT_EQ(client.readOnce(), "200 one\r\n200 two\r\n"); // several replies in one write
}

TEST(ScriptedFtpServerTest, ByteByByteRepliesArriveInPieces)
{
    ScriptedFtpServer server;
    server.setGreeting({.byteDelay = 20ms});
    BareFtpClient client;
    ASSERT_TRUE(client.connect(server.host(), server.port()));
    // Each byte is alone on the wire for 20 ms, so a read sees one byte at a time.
    EXPECT_EQ(client.readOnce(), "2");
    EXPECT_EQ(client.readOnce(), "2");
    EXPECT_EQ(client.readBytes(30), "0 Scripted FTP server ready.\r\n");
}

TEST(ScriptedFtpServerTest, GreetingCanWaitOrRefuse)
{
    ScriptedFtpServer server;
    server.setGreeting(
        {.code = 120, .text = "Wait a moment", .times = 1, .followUp = {{50ms, "220 Ready\r\n"}}});
    server.setGreeting({.code = 421, .text = "Too many users", .times = 1, .close = true});
    BareFtpClient first;
    ASSERT_TRUE(first.connect(server.host(), server.port()));
    EXPECT_EQ(first.readReply().code, 120);
    EXPECT_EQ(first.readReply().text, "220 Ready");
    BareFtpClient second;
    ASSERT_TRUE(second.connect(server.host(), server.port()));
    EXPECT_EQ(second.readReply().code, 421);
    EXPECT_EQ(second.readReply().code, 0); // closed
    BareFtpClient third;
    ASSERT_TRUE(third.connect(server.host(), server.port()));
    EXPECT_EQ(third.readReply().code, 220);
}

TEST(ScriptedFtpServerTest, CloseInsteadOfReplyEndsTheSession)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "CWD", .close = true});
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    EXPECT_EQ(client.command("CWD /").code, 0);
    EXPECT_TRUE(server.waitForSessionsClosed());
    EXPECT_EQ(server.sessionCount(), 1);
    EXPECT_FALSE(server.waitForCommand("NOOP", 1, 50ms));
}

TEST(ScriptedFtpServerTest, TlsHandshakeUsesTheExposedCertificateAndResumesOnData)
{
    ScriptedFtpServer server;
    server.updateSettings([](ServerSettings& s) { s.requireTlsSessionReuse = true; });
    server.fs().addFile("/dir/a.txt", "alpha");
    BareFtpClient client;
    ASSERT_TRUE(loginTls(client, server));
    EXPECT_EQ(client.fingerprint(), server.fingerprintSha256());
    EXPECT_NE(server.certificatePem().find("BEGIN CERTIFICATE"), std::string::npos);
    ASSERT_TRUE(client.openPassive(true));
    client.sendRaw("NLST /dir\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    ASSERT_TRUE(client.dataStartTls());
    EXPECT_TRUE(client.dataSessionReused());
    EXPECT_EQ(client.dataReadAll(), "a.txt\r\n");
    client.dataClose();
    EXPECT_EQ(client.readReply().code, 226);
    EXPECT_EQ(server.dataStats().resumedTlsSessions, 1);
}

TEST(ScriptedFtpServerTest, TlsUploadMustEndWithCloseNotify)
{
    ScriptedFtpServer server;
    BareFtpClient client;
    ASSERT_TRUE(loginTls(client, server));
    ASSERT_TRUE(client.openPassive());
    client.sendRaw("STOR up.bin\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    ASSERT_TRUE(client.dataStartTls());
    ASSERT_TRUE(client.dataWrite("payload"));
    ::shutdown(client.dataFd(), SHUT_RDWR); // a bare FIN: no close_notify
    EXPECT_EQ(client.readReply().code, 426);
    client.dataClose();
    ASSERT_TRUE(client.openPassive());
    client.sendRaw("STOR up.bin\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    ASSERT_TRUE(client.dataStartTls());
    ASSERT_TRUE(client.dataWrite("payload"));
    client.dataClose();
    EXPECT_EQ(client.readReply().code, 226);
    EXPECT_EQ(server.uploaded("/up.bin"), "payload");
}

TEST(ScriptedFtpServerTest, AuthTrailingBytesArriveWithThe234)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "AUTH", .trailing = "230 injected\r\n"});
    BareFtpClient client;
    ASSERT_TRUE(client.connect(server.host(), server.port()));
    client.readReply();
    client.sendRaw("AUTH TLS\r\n");
    EXPECT_EQ(client.readOnce(), "234 Proceed with negotiation.\r\n230 injected\r\n");
}

TEST(ScriptedFtpServerTest, PassiveTransfersMoveBytesBothWays)
{
    ScriptedFtpServer server;
    server.setPasvReplyAddress("10.9.8.7");
    server.fs().addFile("/f.bin", std::string("0123456789"));
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    EXPECT_EQ(client.command("TYPE I").code, 200);
    EXPECT_EQ(client.command("REST 4").code, 350);
    ASSERT_TRUE(client.openPassive()); // the reply names 10.9.8.7; the data still comes from the control peer
    client.sendRaw("RETR /f.bin\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    EXPECT_EQ(client.dataReadAll(), "456789");
    EXPECT_EQ(client.readReply().code, 226);
    ASSERT_TRUE(client.openPassive());
    client.sendRaw("APPE /f.bin\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    client.dataWrite("AB");
    client.dataClose();
    EXPECT_EQ(client.readReply().code, 226);
    EXPECT_EQ(server.fs().content("/f.bin"), "0123456789AB");
    EXPECT_EQ(server.uploaded("/f.bin"), "AB");
    EXPECT_NE(server.conversation().find("S1> 227 Entering Passive Mode (10,9,8,7,"), std::string::npos);
}

TEST(ScriptedFtpServerTest, DataCutShortEndsWithTheScriptedReply)
{
    ScriptedFtpServer server;
    server.fs().addFile("/big", std::string(100000, 'x'));
    server.addOverride(
        {.command = "RETR", .times = 1, .data = {.kind = DataFaultKind::CutAfter, .bytes = 1000}});
    server.addOverride({.command = "RETR",
                        .times = 1,
                        .data = {.kind = DataFaultKind::CutAfter, .bytes = 10, .finalCode = 226}});
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    ASSERT_TRUE(client.openPassive());
    client.sendRaw("RETR /big\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    EXPECT_EQ(client.dataReadAll().size(), 1000u);
    EXPECT_EQ(client.readReply().code, 426);
    ASSERT_TRUE(client.openPassive());
    client.sendRaw("RETR /big\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    EXPECT_EQ(client.dataReadAll().size(), 10u);
    EXPECT_EQ(client.readReply().code, 226); // the lie a client must catch by the size
}

TEST(ScriptedFtpServerTest, DataConnectionThatNeverOpensGets425)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "LIST", .data = {.kind = DataFaultKind::NeverOpen, .finalDelay = 50ms}});
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    ASSERT_TRUE(client.openPassive());
    client.sendRaw("LIST\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    EXPECT_EQ(client.readReply().code, 425);
    EXPECT_EQ(server.dataStats().connections, 0);
}

TEST(ScriptedFtpServerTest, StalledDownloadEndsOnAbort)
{
    ScriptedFtpServer server;
    server.fs().addFile("/f", std::string(5000, 'y'));
    server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::StallAfter, .bytes = 100}});
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    ASSERT_TRUE(client.openPassive());
    client.sendRaw("RETR /f\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    ASSERT_TRUE(server.waitForCommand("RETR"));
    client.sendRaw("ABOR\r\n");
    EXPECT_EQ(client.readReply().code, 426);
    EXPECT_EQ(client.readReply().code, 226);
}

TEST(ScriptedFtpServerTest, ActiveModeConnectsToTheClient)
{
    ScriptedFtpServer server;
    server.fs().addFile("/a", "active data");
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    EXPECT_EQ(client.command("EPRT |1|127.0.0.1|" + std::to_string(port) + "|").code, 200);
    client.sendRaw("RETR /a\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    const int data = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(data, 0);
    char buffer[64] = {};
    std::string received;
    for (ssize_t n; (n = ::recv(data, buffer, sizeof buffer, 0)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(data);
    ::close(listener);
    EXPECT_EQ(received, "active data");
    EXPECT_EQ(client.readReply().code, 226);
    EXPECT_EQ(client.command("PORT 127,0,0,1,300,1").code, 501);
}

TEST(ScriptedFtpServerTest, ServesIpv6WhenAsked)
{
    ScriptedFtpServer server({.ipv6 = true});
    EXPECT_EQ(server.url("/x"), "ftp://[::1]:" + std::to_string(server.port()) + "/x");
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    EXPECT_EQ(client.command("PASV").code, 425);
    ASSERT_TRUE(client.openPassive(true));
    client.sendRaw("LIST\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    EXPECT_EQ(client.dataReadAll(), "");
    EXPECT_EQ(client.readReply().code, 226);
}

TEST(ScriptedFtpServerTest, GeneratedListingsLookLikeAUnixServers)
{
    const std::time_t t = MemoryFileSystem::kDefaultTime; // 2024-03-05 14:07:09 UTC
    const FsNode file{NodeType::File, "hello world\n", {}, t, {}, "ftp", "ftp"};
    const FsNode link{NodeType::Symlink, {}, "file.txt", t, {}, "ftp", "ftp"};
    EXPECT_EQ(unixListLine("file.txt", file, t + 86400),
              "-rw-r--r--    1 ftp      ftp                12 Mar  5 14:07 file.txt");
    EXPECT_EQ(unixListLine("file.txt", file, t + 400 * 86400),
              "-rw-r--r--    1 ftp      ftp                12 Mar  5  2024 file.txt");
    EXPECT_EQ(unixListLine("link", link, t),
              "lrwxrwxrwx    1 ftp      ftp                 8 Mar  5 14:07 link -> file.txt");
    EXPECT_EQ(mlsdLine("file.txt", file),
              "type=file;size=12;modify=20240305140709;UNIX.mode=0644;UNIX.owner=ftp;"
              "UNIX.group=ftp; file.txt");
}

TEST(ScriptedFtpServerTest, RawListingsAndSiteChmodComeThrough)
{
    ScriptedFtpServer server;
    server.fs().addFile("/d/f", "x");
    server.fs().setListing("/d", "total 0\r\nodd line\n");
    BareFtpClient client;
    ASSERT_TRUE(login(client, server));
    ASSERT_TRUE(client.openPassive());
    client.sendRaw("LIST -la /d\r\n");
    EXPECT_EQ(client.readReply().code, 150);
    EXPECT_EQ(client.dataReadAll(), "total 0\r\nodd line\n");
    EXPECT_EQ(client.readReply().code, 226);
    EXPECT_EQ(client.command("SITE CHMOD 640 /d/f").code, 200);
    EXPECT_EQ(server.fs().node("/d/f")->permissions, "rw-r-----");
    EXPECT_EQ(client.command("SITE CHMOD 9 /d/f").code, 501);
    EXPECT_EQ(client.command("RNFR /d").code, 350);
    EXPECT_EQ(client.command("RNTO /e").code, 250);
    EXPECT_EQ(server.fs().content("/e/f"), "x");
    EXPECT_EQ(client.command("RMD /e").code, 550); // not empty
}
