#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "ftp/Client.h"
#include "ftp/FtpError.h"
#include "support/RealServers.h"

// The protocol layer against pure-ftpd, vsftpd, proftpd and pyftpdlib, each plain
// and with explicit TLS: what the browsing session and the transfer threads do.

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(size, '\0');
    for (auto& c : s)
        c = static_cast<char>(gen() & 0xff);
    return s;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const fs::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

class FtpClientIntegrationTest : public ::testing::TestWithParam<RealServerCase>
{
protected:
    void SetUp() override
    {
        m_server = realServer(GetParam().kind);
        ASSERT_TRUE(realServerReachable(m_server));
        const std::string unique =
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_dirName = "it-" + std::to_string(::getpid()) + "-" + unique.substr(0, unique.find('/'));
        m_local = fs::temp_directory_path() / ("vantor-it-" + std::to_string(::getpid()));
        fs::create_directories(m_local);

        ftp::ClientOptions& o = m_client.options();
        o.host = m_server.host;
        o.port = static_cast<std::uint16_t>(m_server.port);
        o.user = m_server.user;
        o.password = m_server.password;
        o.tlsMode = GetParam().tls ? ftp::TlsMode::RequireExplicit : ftp::TlsMode::None;
        o.connectTimeout = std::chrono::seconds(10);
        o.replyTimeout = std::chrono::seconds(20);
        o.dataReadTimeout = std::chrono::seconds(20);
        const std::string fingerprint = realServerCertificateFingerprint();
        m_client.callbacks().certificate = [this, fingerprint](const ftp::CertificateInfo& info) {
            m_certificate = info;
            return info.sha256 == fingerprint;
        };
        m_client.callbacks().debug = [this](const std::string& line) {
            if (line.find("data connection TLS") != std::string::npos)
                (line.find("resumed") != std::string::npos ? m_resumed : m_fullHandshakes)++;
        };
        m_client.connect();
        m_client.login();
        m_client.setType(ftp::TransferType::Binary);
        m_client.mkd(m_dirName);
        m_client.cwd(m_dirName);
    }

    void TearDown() override
    {
        if (m_client.isConnected())
            m_client.quit();
        std::error_code ec;
        fs::remove_all(m_local, ec);
        fs::remove_all(fs::path(m_server.root) / m_dirName, ec);
    }

    fs::path onServer(const std::string& name) const { return fs::path(m_server.root) / m_dirName / name; }

    RealServer m_server;
    ftp::Client m_client;
    std::string m_dirName;
    fs::path m_local;
    std::optional<ftp::CertificateInfo> m_certificate;
    int m_resumed = 0;
    int m_fullHandshakes = 0;
};

TEST_P(FtpClientIntegrationTest, LogsInAndListsTheSeededTree)
{
    EXPECT_EQ(m_client.tlsActive(), GetParam().tls);
    m_client.cwd("/dir");
    EXPECT_EQ(m_client.pwd(), "/dir");
    auto entries = m_client.list();
    std::map<std::string, ftp::ListingEntry> byName;
    for (const auto& e : entries)
        byName[e.name] = e;
    ASSERT_TRUE(byName.count("file.txt")) << entries.size() << " entries";
    EXPECT_EQ(byName["file.txt"].size, 12);
    EXPECT_EQ(byName["file.txt"].type, ftp::EntryType::File);
    ASSERT_TRUE(byName.count("subdir"));
    EXPECT_TRUE(byName["subdir"].isDirectory());
    ASSERT_TRUE(byName.count("link"));
    // pyftpdlib lists the link itself in LIST; every server gives Unix-style lines.
    EXPECT_EQ(byName["link"].type, ftp::EntryType::Link);
    EXPECT_EQ(byName["link"].linkTarget, "file.txt");
    EXPECT_EQ(byName["file.txt"].permissions.size(), 9u);
    if (GetParam().tls) {
        ASSERT_TRUE(m_certificate);
        EXPECT_FALSE(m_certificate->verified);
        EXPECT_NE(m_certificate->subject.find("127.0.0.1"), std::string::npos);
    }
}

TEST_P(FtpClientIntegrationTest, UploadsDownloadsAndResumesBothWays)
{
    const std::string content = randomBytes(3 * 1024 * 1024 + 17, 42);
    const fs::path local = m_local / "up.bin";
    writeFile(local, content);

    EXPECT_EQ(m_client.store(local.string(), "up.bin"), static_cast<std::int64_t>(content.size()));
    EXPECT_TRUE(readFile(onServer("up.bin")) == content);

    const fs::path down = m_local / "down.bin";
    m_client.retrieve("up.bin", down.string());
    EXPECT_TRUE(readFile(down) == content);

    // Download resume: REST + RETR from the local length.
    writeFile(down, content.substr(0, 1000000));
    EXPECT_TRUE(m_client.resumeSupported());
    EXPECT_EQ(m_client.retrieve("up.bin", down.string(), 1000000),
              static_cast<std::int64_t>(content.size()) - 1000000);
    EXPECT_TRUE(readFile(down) == content);

    // Upload resume with APPE from the remote length.
    writeFile(onServer("up.bin"), content.substr(0, 1234567));
    auto remoteSize = m_client.size("up.bin");
    ASSERT_TRUE(remoteSize);
    EXPECT_EQ(*remoteSize, 1234567);
    m_client.store(local.string(), "up.bin", ftp::Client::StoreMode::Append, *remoteSize);
    EXPECT_TRUE(readFile(onServer("up.bin")) == content);

    // And with REST + STOR.
    writeFile(onServer("up.bin"), content.substr(0, 2000000));
    m_client.store(local.string(), "up.bin", ftp::Client::StoreMode::Restart, 2000000);
    EXPECT_TRUE(readFile(onServer("up.bin")) == content);

    if (GetParam().tls && m_server.tlsSessionReuseRequired) {
        EXPECT_EQ(m_fullHandshakes, 0);
        EXPECT_GT(m_resumed, 0);
    }
}

TEST_P(FtpClientIntegrationTest, MakesRenamesChmodsAndDeletes)
{
    const fs::path local = m_local / "a.txt";
    writeFile(local, "some text\n");
    m_client.store(local.string(), "a.txt");
    m_client.mkd("sub");
    m_client.rename("a.txt", "sub/b.txt");
    EXPECT_TRUE(fs::exists(onServer("sub/b.txt")));
    m_client.cwd("sub");
    EXPECT_EQ(m_client.site("CHMOD 600 b.txt").code, 200);
    auto entries = m_client.list();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "b.txt");
    EXPECT_EQ(entries[0].permissions, "rw-------");
    m_client.dele("b.txt");
    m_client.cdup();
    m_client.rmd("sub");
    EXPECT_FALSE(fs::exists(onServer("sub")));
    try {
        m_client.dele("missing.txt");
        FAIL();
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code() / 100, 5);
    }
    EXPECT_TRUE(m_client.isConnected());
}

TEST_P(FtpClientIntegrationTest, ActiveModeTransfersBothWays)
{
    m_client.options().passive = false;
    const std::string content = randomBytes(600000, 7);
    const fs::path local = m_local / "active.bin";
    writeFile(local, content);
    m_client.store(local.string(), "active.bin");
    const fs::path down = m_local / "active-down.bin";
    m_client.retrieve("active.bin", down.string());
    EXPECT_TRUE(readFile(down) == content);
    EXPECT_EQ(m_client.list().size(), 1u);
}

TEST_P(FtpClientIntegrationTest, KillingADownloadKeepsTheConnectionInStep)
{
    const std::string content = randomBytes(8 * 1024 * 1024, 9);
    writeFile(onServer("big.bin"), content);
    m_client.callbacks().workProgress = [this](std::int64_t) { m_client.killDataChannel(); };
    EXPECT_THROW(m_client.retrieve("big.bin", (m_local / "big.bin").string()), ftp::AbortedError);
    m_client.callbacks().workProgress = nullptr;
    ASSERT_TRUE(m_client.isConnected());
    EXPECT_EQ(m_client.pwd(), "/" + m_dirName);
    const fs::path down = m_local / "big-again.bin";
    m_client.retrieve("big.bin", down.string());
    EXPECT_TRUE(readFile(down) == content);
}

INSTANTIATE_TEST_SUITE_P(AllServers, FtpClientIntegrationTest, ::testing::ValuesIn(allRealServerCases()),
                         realServerCaseName);

} // namespace
