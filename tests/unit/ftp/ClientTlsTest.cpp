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

} // namespace
