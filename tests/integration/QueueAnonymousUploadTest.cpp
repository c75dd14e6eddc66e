#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/RealServers.h"
#include "unit/queue/QueueTestSupport.h"

// Uploads into vsftpd's anonymous upload folder (anon_upload_enable without
// anon_other_write_enable): new files may be stored, but nothing may be appended
// to, written over or deleted.

using namespace testsupport;
using namespace queuetest;
namespace fs = std::filesystem;

namespace {

class QueueAnonymousUploadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_server = realServer(RealServerKind::Vsftpd);
        ASSERT_TRUE(realServerReachable(m_server));
        ASSERT_FALSE(m_server.anonymousUploadDir.empty());
        m_host.Hostname = QString::fromStdString(m_server.host);
        m_host.Port = m_server.port;
        m_host.IsAnonymous = true;
        m_prefix = "anon-" + std::to_string(::getpid()) + "-";
        QObject::connect(&m_manager, &TQueueManager::OnItemComplete, [this](TQueueItem*) { ++m_completed; });
        QObject::connect(&m_manager, &TQueueManager::OnItemError, [this](TQueueItem* item) {
            m_errors.append(item->LastError ? item->LastError->Message() : QString());
        });
    }

    fs::path onServer(const std::string& name) const
    {
        return fs::path(m_server.root).parent_path() / "anon" / m_server.anonymousUploadDir / name;
    }
    std::string serverContent(const std::string& name) const
    {
        std::ifstream in(onServer(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    TQueueItem* upload(const std::string& name, const QByteArray& content)
    {
        const QString local = m_env.local(QString::fromStdString(m_prefix + name));
        writeAll(local, content);
        return m_manager.AddUpload(m_host, m_env.localRoot(), true,
                                   QString::fromStdString("/" + m_server.anonymousUploadDir + "/"), local);
    }
    bool settle(int completed, int errors)
    {
        m_manager.Schedule();
        return waitFor([&] {
            return m_manager.threadCount() == 0 && m_completed >= completed && m_errors.size() >= errors;
        });
    }

    QueueEnvironment m_env;
    RealServer m_server;
    THost m_host;
    TQueueManager m_manager;
    std::string m_prefix;
    int m_completed = 0;
    QStringList m_errors;
};

} // namespace

TEST_F(QueueAnonymousUploadTest, ANewFileIsStored)
{
    upload("new.txt", "anonymous upload\n");
    ASSERT_TRUE(settle(1, 0)) << m_errors.join("|").toStdString();
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join("|").toStdString();
    EXPECT_EQ(serverContent(m_prefix + "new.txt"), "anonymous upload\n");
}

TEST_F(QueueAnonymousUploadTest, AnOverwriteThatCannotReplaceNorDeleteLeavesTheFileAndSaysWhy)
{
    TQueueItem* first = upload("twice.txt", "first\n");
    ASSERT_TRUE(settle(1, 0)) << m_errors.join("|").toStdString();
    Q_UNUSED(first);
    m_manager.SetDefaultRemoteExistsAction(TFileAlreadyExistsAction::faeOverwrite);
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeOverwrite);
    TQueueItem* second = upload("twice.txt", "second, longer\n");
    ASSERT_TRUE(settle(1, 1));
    EXPECT_EQ(second->StatusText, "Could not delete the remote file.");
    EXPECT_EQ(serverContent(m_prefix + "twice.txt"), "first\n");
}

TEST_F(QueueAnonymousUploadTest, AResumeTheFolderRefusesFailsWithoutTouchingTheFile)
{
    upload("part.bin", "0123");
    ASSERT_TRUE(settle(1, 0)) << m_errors.join("|").toStdString();
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    upload("part.bin", "0123456789");
    ASSERT_TRUE(settle(1, 1));
    EXPECT_EQ(serverContent(m_prefix + "part.bin"), "0123");
}
