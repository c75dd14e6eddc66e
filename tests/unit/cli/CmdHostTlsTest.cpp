// The per-host TLS exceptions, from `hosts add` to the connection a stored host
// makes, run as a process.
#include <string>

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "support/ScriptedFtpServer.h"
#include "support/qt/CliProcess.h"

using namespace testsupport;

namespace {

class CmdHostTlsTest : public ::testing::Test
{
protected:
    CliRun run(QStringList args) const
    {
        return runCli(QStringList{QStringLiteral("--data-dir"), m_data.path()} + args);
    }
    static bool contains(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }
    QByteArray storedHosts() const
    {
        QFile file(m_data.filePath(QStringLiteral("Hosts.xml")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_data;
};

TEST_F(CmdHostTlsTest, AStoredHostAllowedLegacyCiphersReachesAServerOfferingOnlyAes128Sha)
{
    TlsIdentity::Params params;
    params.rsaKey = true;
    ScriptedFtpServer server(
        ServerOptions{.tls12Ciphers = "AES128-SHA", .identity = TlsIdentity::create(params)});
    server.setAccount("bob", "pw");
    server.fs().addFile("/pub/a.txt", "a");
    std::string url = server.url("/pub");
    url.insert(std::string("ftp://").size(), "bob:pw@");
    const QString fingerprint = QString::fromStdString(server.fingerprintSha256());

    CliRun r = run({QStringLiteral("hosts"), QStringLiteral("add"), QStringLiteral("Strict"),
                    QString::fromStdString(url), QStringLiteral("--tls")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(storedHosts().contains("AllowLegacyTlsCiphers")) << "an unused exception is not stored";
    r = run({QStringLiteral("hosts"), QStringLiteral("add"), QStringLiteral("Old"),
             QString::fromStdString(url), QStringLiteral("--tls"), QStringLiteral("--legacy-tls-ciphers")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(storedHosts().contains("AllowLegacyTlsCiphers=\"True\"")) << storedHosts().toStdString();

    r = run({QStringLiteral("ls"), QStringLiteral("--host"), QStringLiteral("Strict"),
             QStringLiteral("--trust-fingerprint"), fingerprint});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(contains(r.err, "legacy cipher suites")) << r.err;

    r = run({QStringLiteral("ls"), QStringLiteral("--host"), QStringLiteral("Old"),
             QStringLiteral("--trust-fingerprint"), fingerprint});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\ta.txt\n")) << r.out;
}

TEST_F(CmdHostTlsTest, AStoredHostCanTakeListingsEndingWithoutCloseNotify)
{
    ScriptedFtpServer server;
    server.setAccount("bob", "pw");
    server.fs().addFile("/pub/a.txt", "a");
    // Every listing's data connection ends with a bare FIN after all its bytes.
    server.addOverride(
        {.command = "LIST", .data = {.kind = DataFaultKind::CutAfter, .bytes = 1 << 20, .finalCode = 226}});
    server.addOverride(
        {.command = "MLSD", .data = {.kind = DataFaultKind::CutAfter, .bytes = 1 << 20, .finalCode = 226}});
    std::string url = server.url("/pub");
    url.insert(std::string("ftp://").size(), "bob:pw@");
    const QString fingerprint = QString::fromStdString(server.fingerprintSha256());
    ASSERT_EQ(run({QStringLiteral("hosts"), QStringLiteral("add"), QStringLiteral("Strict"),
                   QString::fromStdString(url), QStringLiteral("--tls")})
                  .exitCode,
              0);
    ASSERT_EQ(run({QStringLiteral("hosts"), QStringLiteral("add"), QStringLiteral("Lax"),
                   QString::fromStdString(url), QStringLiteral("--tls"),
                   QStringLiteral("--tls-without-close-notify")})
                  .exitCode,
              0);

    CliRun r = run({QStringLiteral("ls"), QStringLiteral("--host"), QStringLiteral("Strict"),
                    QStringLiteral("--trust-fingerprint"), fingerprint});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(contains(r.err, "close_notify")) << r.err;
    r = run({QStringLiteral("ls"), QStringLiteral("--host"), QStringLiteral("Lax"),
             QStringLiteral("--trust-fingerprint"), fingerprint});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\ta.txt\n")) << r.out;
}

} // namespace
