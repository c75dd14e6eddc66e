#include <cerrno>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <netdb.h>

#include "ClientTestSupport.h"
#include "SilentServer.h"
#include "ftp/FtpError.h"

using namespace testsupport;
using namespace clienttest;
using Commands = std::vector<std::string>;

namespace {

// --- Plain login and the connection's life -----------------------------------

TEST(ClientLoginTest, PlainLoginSendsUserPassFeatAndOptsUtf8)
{
    ScriptedFtpServer server;
    server.setAccount("bob", "secret");
    auto client = makeClient(server);
    connectAndLogin(*client);
    EXPECT_FALSE(client->tlsActive());
    EXPECT_TRUE(client->hasFeature("size"));
    EXPECT_EQ(client->pwd(), "/");
    client->quit();
    EXPECT_FALSE(client->isConnected());
    ASSERT_TRUE(server.waitForSessionsClosed());
    EXPECT_EQ(server.commands(), (Commands{"USER bob", "PASS secret", "FEAT", "OPTS UTF8 ON", "PWD", "QUIT"}))
        << server.conversation();
}

TEST(ClientLoginTest, NoUtf8FeatureMeansNoOptsCommand)
{
    ScriptedFtpServer server;
    server.setFeatures({"UTF8X", "SIZE"});
    auto client = makeClient(server);
    connectAndLogin(*client);
    EXPECT_EQ(server.commands(), (Commands{"USER bob", "PASS secret", "FEAT"}));
}

TEST(ClientLoginTest, UserAnsweredWith230SendsNoPassword)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "USER", .code = 230, .text = "Welcome, no password needed"});
    auto client = makeClient(server);
    connectAndLogin(*client);
    EXPECT_EQ(server.verbs(), (Commands{"USER", "FEAT", "OPTS"}));
}

TEST(ClientLoginTest, AWrongPasswordIsAPermanentReplyErrorAndKeepsTheConnection)
{
    ScriptedFtpServer server;
    server.setAccount("bob", "other");
    auto client = makeClient(server);
    client->connect();
    try {
        client->login();
        FAIL() << "login succeeded";
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 530);
        EXPECT_FALSE(e.retryable());
        // The message names the command but never carries the password.
        EXPECT_EQ(std::string(e.what()).find("secret"), std::string::npos);
    }
    EXPECT_TRUE(client->isConnected());
}

TEST(ClientLoginTest, A120GreetingWaitsForThe220)
{
    ScriptedFtpServer server;
    server.setGreeting({.code = 120, .text = "Ready in a moment", .followUp = {{50ms, "220 Ready now\r\n"}}});
    auto client = makeClient(server);
    client->connect();
    client->login();
    EXPECT_EQ(server.commands().front(), "USER bob");
}

TEST(ClientLoginTest, A421GreetingIsAReplyErrorAndNothingIsSent)
{
    ScriptedFtpServer server;
    server.setGreeting({.code = 421, .text = "Too many users", .close = true});
    auto client = makeClient(server);
    try {
        client->connect();
        FAIL() << "connect succeeded";
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 421);
        EXPECT_TRUE(e.retryable());
    }
    EXPECT_FALSE(client->isConnected());
    EXPECT_TRUE(server.commands().empty());
}

TEST(ClientLoginTest, StatusEventsFollowTheConnectionsLife)
{
    ScriptedFtpServer server;
    auto client = makeClient(server);
    std::vector<ftp::ConnectionStatus> seen;
    client->callbacks().status = [&](ftp::ConnectionStatus s, const std::string&) { seen.push_back(s); };
    connectAndLogin(*client);
    client->quit();
    using S = ftp::ConnectionStatus;
    EXPECT_EQ(seen, (std::vector<S>{S::hsResolving, S::hsConnecting, S::hsConnected, S::hsDisconnecting,
                                    S::hsDisconnected}));
}

TEST(ClientLoginTest, InterceptSeesEveryCommandAndAllReplyText)
{
    ScriptedFtpServer server;
    auto client = makeClient(server);
    Commands sent;
    std::string received;
    client->callbacks().commandSent = [&](const std::string& line) { sent.push_back(line); };
    client->callbacks().replyReceived = [&](std::string_view piece) { received.append(piece); };
    connectAndLogin(*client);
    EXPECT_EQ(sent, server.commands());
    EXPECT_EQ(received.rfind("220 ", 0), 0u) << received;
    EXPECT_NE(received.find("230 Login successful.\r\n"), std::string::npos) << received;
}

// --- Replies the client must survive or refuse ----------------------------------

TEST(ClientReplyTest, RepliesSentByteByByteAndMultiLineRepliesAreRead)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "PWD", .byteDelay = 1ms});
    server.addOverride({.command = "NOOP", .code = 200, .text = "first line\nsecond line\nlast line"});
    auto client = makeClient(server);
    connectAndLogin(*client);
    EXPECT_EQ(client->pwd(), "/");
    ftp::Reply reply = client->raw("NOOP");
    EXPECT_EQ(reply.code, 200);
    EXPECT_EQ(reply.lines.size(), 3u);
    EXPECT_EQ(client->pwd(), "/"); // still in step
}

TEST(ClientReplyTest, AMalformedReplyIsAProtocolErrorThatClosesTheConnection)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "NOOP", .raw = "2x0 what\r\n"});
    auto client = makeClient(server);
    connectAndLogin(*client);
    EXPECT_THROW(client->noop(), ftp::ProtocolError);
    EXPECT_FALSE(client->isConnected());
}

TEST(ClientReplyTest, A421AtAnyTimeClosesTheConnection)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "CWD", .code = 421, .text = "Timeout, closing", .close = true});
    auto client = makeClient(server);
    connectAndLogin(*client);
    try {
        client->cwd("/x");
        FAIL();
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 421);
    }
    EXPECT_FALSE(client->isConnected());
}

TEST(ClientReplyTest, TheServerClosingIsAConnectionResetSocketError)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "NOOP", .close = true});
    auto client = makeClient(server);
    connectAndLogin(*client);
    try {
        client->noop();
        FAIL();
    } catch (const ftp::SocketError& e) {
        EXPECT_EQ(e.code(), ftp::SocketError::kConnectionReset);
        EXPECT_TRUE(e.retryable());
    }
    EXPECT_FALSE(client->isConnected());
}

TEST(ClientReplyTest, NoReplyWithinTheReplyTimeoutIsARetryableTimeOut)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "NOOP", .delay = 3s});
    auto client = makeClient(server);
    client->options().replyTimeout = 200ms;
    connectAndLogin(*client);
    try {
        client->noop();
        FAIL();
    } catch (const ftp::SocketError& e) {
        EXPECT_EQ(e.code(), ftp::SocketError::kTimedOut);
        EXPECT_TRUE(e.retryable());
    }
    EXPECT_FALSE(client->isConnected());
}

TEST(ClientReplyTest, LineBreaksOrNulInAnArgumentAreRefusedBeforeAnythingIsSent)
{
    ScriptedFtpServer server;
    auto client = makeClient(server);
    connectAndLogin(*client);
    server.clearTranscript();
    EXPECT_THROW(client->cwd("dir\r\nDELE precious"), ftp::ProtocolError);
    EXPECT_THROW(client->mkd("a\nb"), ftp::ProtocolError);
    EXPECT_THROW(client->dele(std::string("a\0b", 3)), ftp::ProtocolError);
    EXPECT_THROW(client->rename("ok", "bad\rname"), ftp::ProtocolError);
    EXPECT_TRUE(client->isConnected());
    client->noop();
    EXPECT_EQ(server.commands(), (Commands{"NOOP"}));
}

TEST(ClientReplyTest, AbortWakesABlockedReplyReadFromAnotherThread)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "NOOP", .delay = 20s});
    auto client = makeClient(server);
    client->options().replyTimeout = 30s;
    connectAndLogin(*client);
    std::thread stopper([&] {
        server.waitForCommand("NOOP");
        client->abort();
    });
    // Without the wake-up the delayed 200 would arrive and noop() would succeed.
    EXPECT_THROW(client->noop(), ftp::AbortedError);
    stopper.join();
    EXPECT_FALSE(client->isConnected());
}

TEST(ClientAbortTest, AnAbortJustBeforeConnectFailsItAtOnceAndIsUsedUp)
{
    ScriptedFtpServer server;
    auto client = makeClient(server);
    client->abort();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(client->connect(), ftp::AbortedError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_FALSE(client->isConnected());
    EXPECT_EQ(server.sessionCount(), 0) << "nothing was opened";
    connectAndLogin(*client);
    EXPECT_EQ(client->pwd(), "/");
}

TEST(ClientAbortTest, AnAbortWhileIdleFailsTheNextCommandAndClosesTheConnection)
{
    ScriptedFtpServer server;
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->abort();
    server.clearTranscript();
    EXPECT_THROW(client->noop(), ftp::AbortedError);
    EXPECT_FALSE(client->isConnected());
    EXPECT_TRUE(server.commands().empty());
    connectAndLogin(*client);
    client->noop();
}

TEST(ClientAbortTest, TheOperationAnAbortStopsUsesItUp)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "NOOP", .delay = 20s});
    auto client = makeClient(server);
    client->options().replyTimeout = 30s;
    connectAndLogin(*client);
    std::thread stopper([&] {
        server.waitForCommand("NOOP");
        client->abort();
    });
    EXPECT_THROW(client->noop(), ftp::AbortedError);
    stopper.join();
    connectAndLogin(*client);
    EXPECT_EQ(client->pwd(), "/");
}

TEST(ClientAbortTest, ClearAbortForgetsAnUnusedAbort)
{
    ScriptedFtpServer server;
    auto client = makeClient(server);
    client->abort();
    client->clearAbort();
    connectAndLogin(*client);
    EXPECT_EQ(client->pwd(), "/");
}

TEST(ClientReplyTest, ResumeProbeIsSentOnceAndRemembered)
{
    ScriptedFtpServer server;
    auto client = makeClient(server);
    connectAndLogin(*client);
    server.clearTranscript();
    EXPECT_TRUE(client->resumeSupported());
    EXPECT_TRUE(client->resumeSupported());
    EXPECT_EQ(server.commands(), (Commands{"REST 1", "REST 0"}));
}

TEST(ClientReplyTest, ResumeProbeRefusedMeansNoRestart)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "REST", .code = 502, .text = "REST not implemented"});
    auto client = makeClient(server);
    connectAndLogin(*client);
    server.clearTranscript();
    EXPECT_FALSE(client->resumeSupported());
    EXPECT_FALSE(client->resumeSupported());
    EXPECT_EQ(server.commands(), (Commands{"REST 1"}));
}

TEST(ClientReplyTest, DirectoryCommandsUseTheirCodesAndQuotedPaths)
{
    ScriptedFtpServer server;
    server.fs().addDirectory("/pub");
    server.fs().addFile("/pub/a.txt", "a");
    auto client = makeClient(server);
    connectAndLogin(*client);
    client->cwd("/pub");
    EXPECT_EQ(client->mkd("new \"dir\""), "/pub/new \"dir\"");
    client->rename("a.txt", "b.txt");
    EXPECT_TRUE(server.fs().exists("/pub/b.txt"));
    client->dele("b.txt");
    client->rmd("new \"dir\"");
    client->cdup();
    EXPECT_EQ(client->pwd(), "/");
    EXPECT_EQ(client->site("CHMOD 600 pub").code, 200);
    try {
        client->cwd("/missing");
        FAIL();
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 550);
        EXPECT_FALSE(e.retryable());
    }
    EXPECT_TRUE(client->isConnected());
}

TEST(ClientErrorTest, SocketErrorsUseTheCodesCallersKnow)
{
    EXPECT_EQ(ftp::SocketError::fromErrno(ECONNRESET, "read").code(), 10054);
    EXPECT_EQ(ftp::SocketError::fromErrno(EPIPE, "write").code(), 10054);
    EXPECT_EQ(ftp::SocketError::fromResolver(EAI_NONAME, "nowhere").code(), 11001);
    EXPECT_FALSE(ftp::SocketError::fromResolver(EAI_NONAME, "nowhere").retryable());
    auto refused = ftp::SocketError::fromErrno(ECONNREFUSED, "connect");
    EXPECT_NE(refused.code(), 10054);
    EXPECT_NE(refused.code(), 11001);
    EXPECT_EQ(refused.osError(), ECONNREFUSED);
    EXPECT_NE(std::string(refused.what()).find("refused"), std::string::npos);
}

TEST(ClientErrorTest, AServerThatNeverGreetsTimesOutAfterTheConnectTimeout)
{
    SilentServer silent;
    ftp::Client client;
    client.options().host = "127.0.0.1";
    client.options().port = silent.port();
    client.options().connectTimeout = 300ms;
    client.options().replyTimeout = 30s; // not the greeting's
    const auto started = std::chrono::steady_clock::now();
    try {
        client.connect();
        FAIL() << "connected to a server that said nothing";
    } catch (const ftp::SocketError& e) {
        EXPECT_EQ(e.code(), ftp::SocketError::kTimedOut) << e.what();
        EXPECT_TRUE(e.retryable());
        EXPECT_NE(std::string(e.what()).find("greeting"), std::string::npos) << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_FALSE(client.isConnected());
}

TEST(ClientErrorTest, AConnectThatGetsNoAnswerTimesOut)
{
    SilentServer unanswered(true);
    ftp::Client client;
    client.options().host = "127.0.0.1";
    client.options().port = unanswered.port();
    client.options().connectTimeout = 300ms;
    const auto started = std::chrono::steady_clock::now();
    try {
        client.connect();
        FAIL() << "connected although the handshake was never answered";
    } catch (const ftp::SocketError& e) {
        EXPECT_EQ(e.code(), ftp::SocketError::kTimedOut) << e.what();
        EXPECT_NE(std::string(e.what()).find("connect"), std::string::npos) << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(ClientErrorTest, AClosedPortIsARefusedConnection)
{
    std::uint16_t port;
    {
        ScriptedFtpServer server;
        port = server.port();
    }
    ftp::Client client;
    client.options().host = "127.0.0.1";
    client.options().port = port;
    try {
        client.connect();
        FAIL();
    } catch (const ftp::SocketError& e) {
        EXPECT_EQ(e.osError(), ECONNREFUSED);
        EXPECT_TRUE(e.retryable());
    }
}

} // namespace
