#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/BareFtpClient.h"
#include "support/RealServers.h"

// Proves the real-server fixture: each server logs in plain and with explicit TLS,
// and a TLS data connection resumes the control session where the server insists.

using namespace testsupport;

class ServersSmokeTest : public ::testing::TestWithParam<RealServerCase>
{};

TEST_P(ServersSmokeTest, LogsInAndListsTheSeededTree)
{
    const RealServer server = realServer(GetParam().kind);
    ASSERT_TRUE(realServerReachable(server));
    ASSERT_TRUE(std::filesystem::exists(server.root + "/dir/file.txt")) << server.root;

    BareFtpClient client(10000);
    ASSERT_TRUE(client.connect(server.host, server.port));
    ASSERT_EQ(client.readReply().code, 220);
    if (GetParam().tls) {
        ASSERT_EQ(client.command("AUTH TLS").code, 234);
        ASSERT_TRUE(client.startTls());
        EXPECT_EQ(client.fingerprint(), realServerCertificateFingerprint());
    }
    ASSERT_EQ(client.command("USER " + server.user).code, 331);
    ASSERT_EQ(client.command("PASS " + server.password).code, 230);
    const BareFtpClient::Reply pwd = client.command("PWD");
    EXPECT_EQ(pwd.code, 257);
    EXPECT_NE(pwd.text.find("\"/\""), std::string::npos) << pwd.text;
    if (GetParam().tls) {
        ASSERT_EQ(client.command("PBSZ 0").code, 200);
        ASSERT_EQ(client.command("PROT P").code, 200);
    }
    ASSERT_EQ(client.command("TYPE A").code, 200);
    ASSERT_TRUE(client.openPassive(true));
    ASSERT_TRUE(client.sendRaw("NLST dir\r\n"));
    const int preliminary = client.readReply().code;
    ASSERT_TRUE(preliminary == 150 || preliminary == 125) << preliminary;
    if (GetParam().tls) {
        // Started after the command, as pyftpdlib needs.
        ASSERT_TRUE(client.dataStartTls());
        if (server.tlsSessionReuseRequired) {
            EXPECT_TRUE(client.dataSessionReused());
        }
    }
    const std::string names = client.dataReadAll();
    client.dataClose();
    EXPECT_EQ(client.readReply().code, 226);
    EXPECT_NE(names.find("file.txt"), std::string::npos) << names;
    EXPECT_EQ(client.command("QUIT").code, 221);
}

INSTANTIATE_TEST_SUITE_P(RealServers, ServersSmokeTest, ::testing::ValuesIn(allRealServerCases()),
                         realServerCaseName);
