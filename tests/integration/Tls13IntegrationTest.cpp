#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "ftp/Client.h"
#include "ftp/FtpError.h"
#include "support/RealServers.h"

// The protocol layer against servers that speak TLS 1.3 only: pyftpdlib, and
// proftpd, which insists on resumed data connections and takes each ticket once.

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class Tls13IntegrationTest : public ::testing::Test
{
protected:
    void start(RealServerKind kind)
    {
        m_server = realServer(kind);
        ASSERT_TRUE(realServerReachable(m_server));
        m_dirName = "it13-" + std::to_string(::getpid());
        ftp::ClientOptions& o = m_client.options();
        o.host = m_server.host;
        o.port = static_cast<std::uint16_t>(m_server.port);
        o.user = m_server.user;
        o.password = m_server.password;
        o.tlsMode = ftp::TlsMode::RequireExplicit;
        o.connectTimeout = std::chrono::seconds(10);
        o.replyTimeout = std::chrono::seconds(20);
        o.dataReadTimeout = std::chrono::seconds(20);
        const std::string fingerprint = realServerCertificateFingerprint();
        m_client.callbacks().certificate = [fingerprint](const ftp::CertificateInfo& info) {
            return info.sha256 == fingerprint;
        };
        m_client.callbacks().status = [this](ftp::ConnectionStatus, const std::string& text) {
            if (!text.empty())
                m_statuses.push_back(text);
        };
        m_client.callbacks().debug = [this](const std::string& line) {
            if (line.find("data connection TLS") != std::string::npos)
                (line.find("resumed") != std::string::npos ? m_resumed : m_fullHandshakes)++;
        };
        logIn();
        m_client.mkd(m_dirName);
        m_client.cwd(m_dirName);
    }

    void logIn()
    {
        m_client.connect();
        m_client.login();
        m_client.setType(ftp::TransferType::Binary);
    }

    void TearDown() override
    {
        if (m_client.isConnected())
            m_client.quit();
        std::error_code ec;
        if (!m_dirName.empty())
            fs::remove_all(fs::path(m_server.root) / m_dirName, ec);
    }

    bool statusSays(const std::string& piece) const
    {
        for (const std::string& line : m_statuses)
            if (line.find(piece) != std::string::npos)
                return true;
        return false;
    }

    fs::path local(const std::string& name) const
    {
        return fs::temp_directory_path() / ("vantor-it13-" + std::to_string(::getpid()) + "-" + name);
    }

    RealServer m_server;
    ftp::Client m_client;
    std::string m_dirName;
    std::vector<std::string> m_statuses;
    int m_resumed = 0;
    int m_fullHandshakes = 0;
};

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(Tls13IntegrationTest, PyftpdlibIsReachedWithTls13AndTransfersBothWays)
{
    start(RealServerKind::PyftpdlibTls13);
    EXPECT_TRUE(statusSays("refused TLS 1.2"));
    EXPECT_TRUE(statusSays("TLS connection established (TLSv1.3)"));
    const fs::path source = local("up.bin");
    const fs::path back = local("back.bin");
    std::ofstream(source, std::ios::binary) << std::string(300000, 'x') << "end";
    for (int i = 0; i < 3; ++i) {
        m_client.store(source.string(), "f" + std::to_string(i));
        m_client.retrieve("f" + std::to_string(i), back.string());
        EXPECT_EQ(readAll(back), readAll(source));
    }
    EXPECT_EQ(m_client.list().size(), 3u);
    fs::remove(source);
    fs::remove(back);

    // The same client goes to TLS 1.3 straight away next time.
    m_client.quit();
    m_statuses.clear();
    logIn();
    EXPECT_FALSE(statusSays("refused TLS 1.2"));
    EXPECT_TRUE(statusSays("TLS connection established (TLSv1.3)"));
}

TEST_F(Tls13IntegrationTest, ProftpdResumesEveryDownloadAndNamesTheCauseWhenUploadsUseUpTheTickets)
{
    start(RealServerKind::ProftpdTls13);
    EXPECT_TRUE(statusSays("TLS connection established (TLSv1.3)"));
    {
        std::ofstream(fs::path(m_server.root) / m_dirName / "seed.txt") << "seeded";
    }
    const fs::path back = local("seed.txt");
    // Each resumed download brings the ticket the next one uses.
    for (int i = 0; i < 5; ++i) {
        m_client.retrieve("seed.txt", back.string());
        EXPECT_EQ(readAll(back), "seeded");
    }
    EXPECT_EQ(m_resumed, 5);
    EXPECT_EQ(m_fullHandshakes, 0);

    // A resumed upload brings none: once the unused tickets are gone the server
    // refuses, and the error says why instead of a bare 425 or reset.
    const fs::path source = local("up.txt");
    std::ofstream(source) << "upload";
    int stored = 0;
    try {
        for (; stored < 6; ++stored)
            m_client.store(source.string(), "u" + std::to_string(stored));
        FAIL() << "proftpd accepted a TLS 1.3 ticket twice";
    } catch (const ftp::ProtocolError& e) {
        EXPECT_NE(std::string(e.what()).find("ticket only once"), std::string::npos) << e.what();
        EXPECT_TRUE(e.retryable());
    }
    EXPECT_GE(stored, 2); // the control connection's two tickets at least
    EXPECT_FALSE(m_client.isConnected());
    for (int i = 0; i < stored; ++i)
        EXPECT_EQ(readAll(fs::path(m_server.root) / m_dirName / ("u" + std::to_string(i))), "upload");

    // A new control connection brings new tickets.
    logIn();
    m_client.cwd(m_dirName);
    m_client.store(source.string(), "again");
    EXPECT_EQ(readAll(fs::path(m_server.root) / m_dirName / "again"), "upload");
    fs::remove(source);
    fs::remove(back);
}

} // namespace
