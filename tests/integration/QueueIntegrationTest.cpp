#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/TTrustedCertificates.h"
#include "support/RealServers.h"
#include "unit/queue/QueueTestSupport.h"

// The transfer queue against pure-ftpd, vsftpd, proftpd and pyftpdlib, each plain
// and with explicit TLS: whole trees down and up again byte for byte through
// three threads, and both kinds of resume.

using namespace testsupport;
using namespace queuetest;
namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> treeOf(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_directory()) {
            files[relative + "/"] = "";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            files[relative] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return files;
}

class QueueIntegrationTest : public ::testing::TestWithParam<RealServerCase>
{
protected:
    void SetUp() override
    {
        m_server = realServer(GetParam().kind);
        ASSERT_TRUE(realServerReachable(m_server));
        TTrustedCertificates::resetInstance();
        TTrustedCertificates::instance().trustForThisRun(
            QString::fromStdString(m_server.host), m_server.port,
            QString::fromStdString(realServerCertificateFingerprint()));
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_dirName = "queue-" + std::to_string(::getpid()) + "-" + test.substr(0, test.find('/'));
        fs::create_directory(onServer(m_dirName));
        own(m_dirName);

        m_host.Hostname = QString::fromStdString(m_server.host);
        m_host.Port = m_server.port;
        m_host.Username = QString::fromStdString(m_server.user);
        m_host.Password = QString::fromStdString(m_server.password);
        m_host.UseSSL = GetParam().tls;
        MainConfig()->SetMaxFTPTransferCount(3);
        QObject::connect(&m_manager, &TQueueManager::OnItemError, [this](TQueueItem* item) {
            m_errors += item->LastError ? item->LastError->Message().toStdString() + " (" +
                                              item->LastError->ServerText().toStdString() + ")\n"
                                        : std::string("?\n");
        });
    }
    void TearDown() override
    {
        m_manager.StopQueue();
        std::error_code ignored;
        fs::remove_all(onServer(m_dirName), ignored);
        TTrustedCertificates::resetInstance();
    }

    fs::path onServer(const std::string& relative) const { return fs::path(m_server.root) / relative; }
    void own(const std::string& relative)
    {
        struct stat root = {};
        ASSERT_EQ(::stat(m_server.root.c_str(), &root), 0);
        ASSERT_EQ(::lchown(onServer(relative).c_str(), root.st_uid, root.st_gid), 0) << relative;
    }
    void makeFile(const std::string& relative, const std::string& content)
    {
        std::ofstream(onServer(relative), std::ios::binary) << content;
        own(relative);
    }
    void makeDirectory(const std::string& relative)
    {
        fs::create_directory(onServer(relative));
        own(relative);
    }
    QString remote(const std::string& relative) const
    {
        return QString::fromStdString("/" + m_dirName + relative);
    }

    bool runToEnd()
    {
        // A failed attempt is retried as the window retries it, by the retry timer.
        m_manager.startRetryTimer(200);
        m_manager.Schedule();
        const bool idle = waitFor([this] { return m_manager.isIdle(); }, 120000);
        m_manager.stopRetryTimer();
        if (!idle)
            m_errors += state();
        return idle;
    }
    // What every item and the manager are doing, for a failure message.
    std::string state() const
    {
        std::string text = "threads: " + std::to_string(m_manager.threadCount()) + "\n";
        for (const TQueueItem* item : m_manager.Items())
            text += item->RemoteFilename.toStdString() + " state " + std::to_string(int(item->State)) +
                    " \"" + item->StatusText.toStdString() + "\" retries " +
                    std::to_string(item->RetryCount) + " delay " + std::to_string(item->RetryDelayLeft) +
                    (item->Transfer ? " running" : "") + "\n";
        return text;
    }

    QueueEnvironment m_env;
    RealServer m_server;
    std::string m_dirName;
    THost m_host;
    TQueueManager m_manager;
    std::string m_errors;
};

TEST_P(QueueIntegrationTest, ATreeGoesDownAndUpAgainByteForByte)
{
    makeDirectory(m_dirName + "/tree");
    makeDirectory(m_dirName + "/tree/sub dir");
    makeDirectory(m_dirName + "/tree/sub dir/deeper");
    makeDirectory(m_dirName + "/tree/empty");
    makeFile(m_dirName + "/tree/big.bin", pattern(700000, 1));
    makeFile(m_dirName + "/tree/zero.txt", "");
    makeFile(m_dirName + "/tree/sub dir/a file.txt", "line one\nline two\n");
    for (int i = 0; i < 12; ++i)
        makeFile(m_dirName + "/tree/sub dir/deeper/f" + std::to_string(i),
                 pattern(5000 + i * 999, unsigned(i)));

    m_manager.AddDownload(m_host, remote("/"), true, kUnknownDateTime, 0, true, m_env.localRoot(),
                          remote("/tree"));
    ASSERT_TRUE(runToEnd()) << m_errors;
    ASSERT_EQ(m_manager.itemCount(), 0) << m_errors;
    const auto source = treeOf(onServer(m_dirName + "/tree"));
    EXPECT_EQ(treeOf(m_env.local("tree").toStdString()), source);

    makeDirectory(m_dirName + "/back");
    m_manager.AddUpload(m_host, m_env.localRoot(), true, remote("/back/again/"), m_env.local("tree"));
    ASSERT_TRUE(runToEnd()) << m_errors;
    ASSERT_EQ(m_manager.itemCount(), 0) << m_errors;
    EXPECT_EQ(treeOf(onServer(m_dirName + "/back/again/tree")), source);
}

TEST_P(QueueIntegrationTest, ASmallerLocalFileIsResumedAndASmallerRemoteOneAppendedTo)
{
    const std::string content = pattern(400000, 3);
    makeFile(m_dirName + "/down.bin", content);
    makeFile(m_dirName + "/up.bin", content.substr(0, 123457));
    ASSERT_TRUE(writeAll(m_env.local("down.bin"), QByteArray::fromStdString(content.substr(0, 98765))));
    ASSERT_TRUE(writeAll(m_env.local("up.bin"), QByteArray::fromStdString(content)));
    m_manager.SetDefaultLocalSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    m_manager.AddDownload(m_host, remote("/"), true, kUnknownDateTime, -1, false, m_env.localRoot(),
                          remote("/down.bin"));
    m_manager.AddUpload(m_host, m_env.localRoot(), true, remote("/"), m_env.local("up.bin"));
    ASSERT_TRUE(runToEnd()) << m_errors;
    ASSERT_EQ(m_manager.itemCount(), 0) << m_errors;
    EXPECT_EQ(sha256(readAll(m_env.local("down.bin"))), sha256(QByteArray::fromStdString(content)));
    std::ifstream in(onServer(m_dirName + "/up.bin"), std::ios::binary);
    const std::string uploaded((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(uploaded.size(), content.size());
    EXPECT_TRUE(uploaded == content);
}

TEST_P(QueueIntegrationTest, ExistingTargetsOfTheSameSizeAreReportedNotTouched)
{
    makeFile(m_dirName + "/same.txt", "12345");
    ASSERT_TRUE(writeAll(m_env.local("same.txt"), "abcde"));
    TQueueItem* down = m_manager.AddDownload(m_host, remote("/"), true, kUnknownDateTime, -1, false,
                                             m_env.localRoot(), remote("/same.txt"));
    TQueueItem* up =
        m_manager.AddUpload(m_host, m_env.localRoot(), true, remote("/"), m_env.local("same.txt"));
    m_manager.Schedule();
    ASSERT_TRUE(
        waitFor([&] { return m_manager.threadCount() == 0 && down->LastError && up->LastError; }, 60000))
        << m_errors;
    EXPECT_STREQ(down->LastError->ClassName(), "EFTLocalFileAlreadyExists");
    EXPECT_STREQ(up->LastError->ClassName(), "EFTRemoteFileAlreadyExists");
    EXPECT_EQ(readAll(m_env.local("same.txt")), "abcde");
    std::ifstream in(onServer(m_dirName + "/same.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "12345");
}

TEST_P(QueueIntegrationTest, ATreeWithLatin1NamesComesDownAndGoesBackOverTheSameNames)
{
    // pyftpdlib lists such bytes as "?" and cannot be asked for them at all.
    if (m_server.kind == RealServerKind::Pyftpdlib)
        GTEST_SKIP() << "pyftpdlib cannot serve names that are not UTF-8";
    makeDirectory(m_dirName + "/tr\xE9");
    makeDirectory(m_dirName + "/tr\xE9/sub\xE9");
    makeFile(m_dirName + "/tr\xE9/caf\xE9.txt", "coffee\n");
    makeFile(m_dirName + "/tr\xE9/sub\xE9/na\xEFve.bin", pattern(90000, 4));
    makeFile(m_dirName + "/tr\xE9/plain.txt", "plain");
    // Shown decoded: the item names the directory as the window would.
    m_manager.AddDownload(m_host, remote("/"), true, kUnknownDateTime, 0, true, m_env.localRoot(),
                          remote("/") + QStringLiteral("tr\u00E9"));
    ASSERT_TRUE(runToEnd()) << m_errors;
    ASSERT_EQ(m_manager.itemCount(), 0) << m_errors;
    const QString local = m_env.local(QStringLiteral("tr\u00E9"));
    EXPECT_EQ(readAll(local + QStringLiteral("/caf\u00E9.txt")), "coffee\n");
    EXPECT_EQ(readAll(local + QStringLiteral("/sub\u00E9/na\u00EFve.bin")).toStdString(), pattern(90000, 4));

    // Changed here, then sent back over the same names.
    ASSERT_TRUE(writeAll(local + QStringLiteral("/caf\u00E9.txt"), "tea, much longer\n"));
    ASSERT_TRUE(writeAll(local + QStringLiteral("/sub\u00E9/na\u00EFve.bin"),
                         QByteArray::fromStdString(pattern(120000, 5))));
    m_manager.SetDefaultRemoteExistsAction(TFileAlreadyExistsAction::faeOverwrite);
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeOverwrite);
    m_manager.AddUpload(m_host, m_env.localRoot(), true, remote("/"), local);
    ASSERT_TRUE(runToEnd()) << m_errors;
    ASSERT_EQ(m_manager.itemCount(), 0) << m_errors;
    const auto onDisk = treeOf(onServer(m_dirName + "/tr\xE9"));
    const std::map<std::string, std::string> expected = {{"caf\xE9.txt", "tea, much longer\n"},
                                                         {"plain.txt", "plain"},
                                                         {"sub\xE9/", ""},
                                                         {"sub\xE9/na\xEFve.bin", pattern(120000, 5)}};
    EXPECT_EQ(onDisk, expected) << "no UTF-8 twins, the same bytes as before";
    EXPECT_EQ(treeOf(onServer(m_dirName)).size(), onDisk.size() + 1) << "nothing beside the tree";
}

INSTANTIATE_TEST_SUITE_P(RealServers, QueueIntegrationTest, ::testing::ValuesIn(allRealServerCases()),
                         realServerCaseName);

} // namespace
