#include <string>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "HostOption.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TQuickHosts.h"
#include "ftp/Client.h"
#include "support/RealServers.h"
#include "support/qt/CliProcess.h"

// A host stored with its enciphered password is found by name and logs in to each
// real server, plain and with TLS, with the password deciphered from the file.

using namespace testsupport;

namespace {

class DataFolder final
{
public:
    DataFolder() { qputenv("VANTOR_FTP_DATA_DIR", m_dir.path().toUtf8()); }
    ~DataFolder() { qunsetenv("VANTOR_FTP_DATA_DIR"); }
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QString root() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

class HostOptionIntegrationTest : public ::testing::TestWithParam<RealServerCase>
{};

TEST_P(HostOptionIntegrationTest, StoredHostLogsInWithItsDecipheredPassword)
{
    const RealServer server = realServer(GetParam().kind);
    ASSERT_TRUE(realServerReachable(server));
    DataFolder data;
    const QString name = QStringLiteral("My host ") + QString::fromStdString(server.name);
    {
        THosts hosts;
        THost host;
        host.CommonName = name;
        host.Hostname = QString::fromStdString(server.host);
        host.Port = server.port;
        host.Username = QString::fromStdString(server.user);
        host.Password = QString::fromStdString(server.password);
        host.UseSSL = GetParam().tls;
        ASSERT_TRUE(hosts.UpdateHost(host));
    }
    const QByteArray file = [&] {
        QFile f(data.path(QStringLiteral("Hosts.xml")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_TRUE(file.contains(name.toUtf8()));
    EXPECT_FALSE(file.contains(QByteArray::fromStdString("\"" + server.password + "\"")));

    std::string error;
    const auto target = cli::resolveHostOption(name.toStdString(), "/", error);
    ASSERT_TRUE(target.has_value()) << error;
    EXPECT_EQ(target->url.password, server.password);
    EXPECT_EQ(target->url.path, "/");

    ftp::Client client;
    ftp::ClientOptions& options = client.options();
    options.host = target->url.host;
    options.port = target->url.port;
    options.user = target->url.user.value_or("anonymous");
    options.password = target->url.password;
    options.tlsMode = target->host.UseSSL ? ftp::TlsMode::RequireExplicit : ftp::TlsMode::None;
    const std::string fingerprint = realServerCertificateFingerprint();
    client.callbacks().certificate = [&](const ftp::CertificateInfo& info) {
        return ftp::CertificateInfo::sameFingerprint(info.sha256, fingerprint);
    };
    ASSERT_NO_THROW({
        client.connect();
        client.login();
    });
    bool sawDir = false;
    for (const auto& entry : client.list(target->url.path))
        sawDir = sawDir || entry.name == "dir";
    EXPECT_TRUE(sawDir);
    client.quit();
}

INSTANTIATE_TEST_SUITE_P(RealServers, HostOptionIntegrationTest, ::testing::ValuesIn(allRealServerCases()),
                         realServerCaseName);

TEST(HostsCommand, ListsTreeAndQuickHostsWithoutPasswords)
{
    DataFolder data;
    {
        THosts hosts;
        THost top;
        top.SetHostIDText(QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"));
        top.CommonName = QStringLiteral("Top");
        top.Hostname = QStringLiteral("ftp.example.org");
        top.Port = 2121;
        top.Username = QStringLiteral("alice");
        top.Password = QStringLiteral("do not print me");
        ASSERT_TRUE(hosts.UpdateHost(top));
        TQuickHosts quick;
        THost q;
        q.SetHostIDText(QStringLiteral("{9B2F1C44-0D6A-4E5B-8C3D-2A1B0F9E8D7C}"));
        q.CommonName = QStringLiteral("quick.example.org");
        q.Hostname = q.CommonName;
        q.Username = QStringLiteral("bob");
        q.Password = QStringLiteral("nor me");
        ASSERT_TRUE(quick.AddOrUpdate(q));
    }
    // Put the first host in a nested group.
    QFile file(data.path(QStringLiteral("Hosts.xml")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray xml = file.readAll();
    file.close();
    xml.replace("<HostList>", "<HostList><Group CommonName=\"Work\"><Group CommonName=\"Servers\">");
    xml.replace("</HostList>", "</Group></Group></HostList>");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(xml);
    file.close();

    const CliRun cli =
        runCli({QStringLiteral("--data-dir"), data.root(), QStringLiteral("hosts")}, {}, 30000);
    EXPECT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_EQ(cli.out, "/Work/Servers\tTop\tftp.example.org\t2121\talice\t"
                       "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}\n"
                       "(quick connect)\tquick.example.org\tquick.example.org\t21\tbob\t"
                       "{9B2F1C44-0D6A-4E5B-8C3D-2A1B0F9E8D7C}\n");
}

} // namespace
