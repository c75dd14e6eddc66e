#include <algorithm>
#include <ctime>
#include <vector>

#include <gtest/gtest.h>

#include "ClientTestSupport.h"
#include "ftp/FtpError.h"

using namespace testsupport;
using namespace clienttest;
using Commands = std::vector<std::string>;

namespace {

TEST(ClientTlsTest, RequiredTlsNegotiatesBeforeCredentialsAndProtectsData)
{
    ScriptedFtpServer server;
    server.updateSettings([](ServerSettings& s) { s.requireTlsForLogin = true; });
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    EXPECT_TRUE(client->tlsActive());
    EXPECT_EQ(server.commands(),
              (Commands{"AUTH TLS", "USER bob", "PASS secret", "FEAT", "OPTS UTF8 ON", "PBSZ 0", "PROT P"}));
}

TEST(ClientTlsTest, TheCertificateCallbackGetsTheServersFacts)
{
    ScriptedFtpServer server;
    auto client = makeClient(server, true);
    std::optional<ftp::CertificateInfo> seen;
    client->callbacks().certificate = [&](const ftp::CertificateInfo& info) {
        seen = info;
        return true;
    };
    connectAndLogin(*client);
    ASSERT_TRUE(seen);
    EXPECT_FALSE(seen->verified); // self-signed: not in the system's trust store
    EXPECT_FALSE(seen->verifyError.empty());
    EXPECT_EQ(seen->sha256, server.fingerprintSha256());
    EXPECT_NE(seen->subject.find("CN=127.0.0.1"), std::string::npos) << seen->subject;
    EXPECT_EQ(seen->issuer, seen->subject);
    EXPECT_EQ(seen->pem, server.certificatePem());
    const std::time_t now = std::time(nullptr);
    EXPECT_LT(seen->notBefore, now);
    EXPECT_GT(seen->notAfter, now);
    EXPECT_EQ(client->certificate()->sha256, seen->sha256);
}

TEST(ClientTlsTest, WithoutACallbackAnUnverifiedCertificateIsRejectedBeforeLogin)
{
    ScriptedFtpServer server;
    auto client = makeClient(server, true);
    client->callbacks().certificate = nullptr;
    client->connect();
    try {
        client->login();
        FAIL() << "an untrusted certificate was accepted";
    } catch (const ftp::CertificateRejectedError& e) {
        EXPECT_FALSE(e.retryable());
    }
    EXPECT_FALSE(client->isConnected());
    EXPECT_EQ(server.commands(), (Commands{"AUTH TLS"}));
}

TEST(ClientTlsTest, ACallbackSayingNoRejectsTheCertificate)
{
    ScriptedFtpServer server;
    auto client = makeClient(server, true);
    client->callbacks().certificate = [](const ftp::CertificateInfo&) { return false; };
    client->connect();
    EXPECT_THROW(client->login(), ftp::CertificateRejectedError);
    EXPECT_EQ(server.commands(), (Commands{"AUTH TLS"}));
}

TEST(ClientTlsTest, NoAuthAcceptedIsTlsNotAvailableAndNoCredentialsAreSent)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "AUTH", .code = 504, .text = "Not here"});
    auto client = makeClient(server, true);
    client->connect();
    try {
        client->login();
        FAIL();
    } catch (const ftp::TlsNotAvailableError& e) {
        EXPECT_FALSE(e.retryable());
    }
    EXPECT_EQ(server.commands(), (Commands{"AUTH TLS", "AUTH SSL"}));
}

TEST(ClientTlsTest, AuthSslAnsweredWith334StartsTheHandshake)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "AUTH", .argument = "TLS", .code = 500, .text = "Unknown"});
    server.addOverride({.command = "AUTH", .argument = "SSL", .code = 334, .text = "Go ahead"});
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    EXPECT_TRUE(client->tlsActive());
    EXPECT_EQ(server.verbs(), (Commands{"AUTH", "AUTH", "USER", "PASS", "FEAT", "OPTS", "PBSZ", "PROT"}));
}

TEST(ClientTlsTest, PlaintextPipelinedBehindTheAuthReplyFailsTheLogin)
{
    ScriptedFtpServer server;
    // A man in the middle answering for the server before TLS starts.
    server.addOverride({.command = "AUTH", .code = 234, .text = "Proceed", .trailing = "230 Logged in\r\n"});
    auto client = makeClient(server, true);
    client->connect();
    EXPECT_THROW(client->login(), ftp::ProtocolError);
    EXPECT_FALSE(client->isConnected());
    EXPECT_EQ(server.commands(), (Commands{"AUTH TLS"}));
}

TEST(ClientTlsTest, AGreetingOf230DoesNotSkipTls)
{
    ScriptedFtpServer server;
    server.setGreeting({.code = 230, .text = "Already logged in"});
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    EXPECT_TRUE(client->tlsActive());
    EXPECT_EQ(server.commands().front(), "AUTH TLS");
}

TEST(ClientTlsTest, ProtPRefusedFailsTheLoginInsteadOfClearTextData)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "PROT", .code = 534, .text = "Request denied for policy reasons"});
    auto client = makeClient(server, true);
    client->connect();
    EXPECT_THROW(client->login(), ftp::TlsNotAvailableError);
    EXPECT_EQ(server.verbs().back(), "PROT");
}

TEST(ClientTlsTest, PbszRefusedFailsTheLogin)
{
    ScriptedFtpServer server;
    server.addOverride({.command = "PBSZ", .code = 503, .text = "No"});
    auto client = makeClient(server, true);
    client->connect();
    EXPECT_THROW(client->login(), ftp::TlsNotAvailableError);
    EXPECT_EQ(server.verbs().back(), "PBSZ");
}

// TLS 1.3: the control connection stops at 1.2 unless the server refuses it, and
// each data connection offers a ticket nobody has offered yet.

std::unique_ptr<ftp::Client> makeTls13Client(const ScriptedFtpServer& server,
                                             std::vector<std::string>& statuses)
{
    auto client = makeClient(server, true);
    client->callbacks().status = [&statuses](ftp::ConnectionStatus, const std::string& text) {
        if (!text.empty())
            statuses.push_back(text);
    };
    return client;
}

bool anyContains(const std::vector<std::string>& lines, const std::string& piece)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(piece) != std::string::npos; });
}

TEST(ClientTlsTest, ATls12ServerIsNotAskedForTls13)
{
    ScriptedFtpServer server;
    std::vector<std::string> statuses;
    auto client = makeTls13Client(server, statuses);
    connectAndLogin(*client);
    EXPECT_TRUE(anyContains(statuses, "TLS connection established (TLSv1.2)"));
    EXPECT_EQ(server.sessionCount(), 1);
}

TEST(ClientTlsTest, ATls13OnlyServerIsLoggedInToAgainWithTls13AndRemembered)
{
    ScriptedFtpServer server({.tls13Only = true});
    std::vector<std::string> statuses;
    auto client = makeTls13Client(server, statuses);
    connectAndLogin(*client);
    EXPECT_TRUE(client->tlsActive());
    EXPECT_TRUE(anyContains(statuses, "refused TLS 1.2")) << ::testing::PrintToString(statuses);
    EXPECT_TRUE(anyContains(statuses, "TLS connection established (TLSv1.3)"));
    EXPECT_EQ(server.sessionCount(), 2);
    // The first connection ended in its handshake: no credentials went over it.
    const Commands commands = server.commands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ((Commands{commands[0], commands[1], commands[2]}),
              (Commands{"AUTH TLS", "AUTH TLS", "USER bob"}));

    client->quit();
    statuses.clear();
    connectAndLogin(*client);
    EXPECT_FALSE(anyContains(statuses, "refused TLS 1.2")) << ::testing::PrintToString(statuses);
    EXPECT_EQ(server.sessionCount(), 3);
}

TEST(ClientTlsTest, SingleUseTicketsCarryManyDataConnectionsBothWays)
{
    ScriptedFtpServer server({.tls13Only = true, .settings = {.requireTlsSessionReuse = true}});
    server.fs().addFile("/a.bin", std::string(70000, 'a'));
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    // Each ticket is good once: past the control connection's two, every data
    // connection lives on the ticket the one before it brought, uploads included.
    for (int i = 0; i < 4; ++i) {
        StringSink sink;
        client->retrieve("/a.bin", sink);
        EXPECT_EQ(sink.bytes.size(), 70000u);
        StringSource source(std::string(30000 + i, 'u'));
        client->store(source, "/up" + std::to_string(i) + ".bin");
        EXPECT_EQ(server.fs().content("/up" + std::to_string(i) + ".bin").value_or("").size(), 30000u + i);
        EXPECT_FALSE(client->list().empty());
    }
    const DataStats stats = server.dataStats();
    EXPECT_EQ(stats.connections, 12);
    EXPECT_EQ(stats.resumedTlsSessions, 12);
}

TEST(ClientTlsTest, WhenTheTicketsRunOutTheFailureNamesTheCauseAndANewConnectionRecovers)
{
    // proftpd's way: no new ticket on a resumed data connection.
    ScriptedFtpServer server(
        {.tls13Only = true, .settings = {.requireTlsSessionReuse = true, .ticketsOnDataConnections = false}});
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    client->setType(ftp::TransferType::Binary);
    auto upload = [&](int i) {
        StringSource source("data " + std::to_string(i));
        client->store(source, "/f" + std::to_string(i));
    };
    upload(1); // the control connection's two tickets
    EXPECT_FALSE(client->tlsTicketsSpent());
    upload(2);
    EXPECT_TRUE(client->tlsTicketsSpent()); // a caller can log in again before it fails
    try {
        upload(3);
        FAIL() << "a ticket was accepted twice";
    } catch (const ftp::ProtocolError& e) {
        EXPECT_NE(std::string(e.what()).find("each TLS 1.3 session ticket only once"), std::string::npos)
            << e.what();
        EXPECT_TRUE(e.retryable());
    }
    EXPECT_FALSE(client->isConnected()); // so that a retry brings new tickets
    connectAndLogin(*client);
    EXPECT_FALSE(client->tlsTicketsSpent());
    upload(3);
    EXPECT_EQ(server.fs().content("/f3").value_or(""), "data 3");
    EXPECT_EQ(server.dataStats().resumedTlsSessions, 3);
}

TEST(ClientTlsTest, ASessionTheServerForgotEndsTheConnectionSoThatARetryRecovers)
{
    ScriptedFtpServer server({.settings = {.requireTlsSessionReuse = true}});
    server.fs().addFile("/a.txt", "alpha");
    auto client = makeClient(server, true);
    connectAndLogin(*client);
    auto download = [&] {
        StringSink sink;
        client->retrieve("/a.txt", sink);
        EXPECT_EQ(sink.bytes, "alpha");
    };
    download();
    download();
    EXPECT_FALSE(client->tlsTicketsSpent()); // a TLS 1.2 session serves any number
    // The server's session cache lets the TLS 1.2 session go, as after hours on
    // one control connection.
    server.forgetTlsSessions();
    try {
        download();
        FAIL() << "a forgotten session was resumed";
    } catch (const ftp::ProtocolError& e) {
        EXPECT_NE(std::string(e.what()).find("no longer resumes"), std::string::npos) << e.what();
        EXPECT_TRUE(e.retryable());
    }
    EXPECT_FALSE(client->isConnected());
    connectAndLogin(*client);
    download();
    EXPECT_EQ(server.dataStats().resumedTlsSessions, 3);
}

} // namespace
