#include <cerrno>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "QueueTestSupport.h"
#include "ftp/FtpError.h"
#include "queue/TDownloadDirectory.h"
#include "queue/TDownloadSink.h"
#include "queue/TQueueManager.h"

using namespace queuetest;
using namespace testsupport;

namespace {

bool plantLink(const QString& target, const QString& link)
{
    return ::symlink(target.toUtf8().constData(), link.toUtf8().constData()) == 0;
}

// Links planted in the tree a download writes into: the files must never land
// where a link points, and a file that appears after the checks is never
// written over.
class QueueDownloadLinksTest : public ::testing::Test
{
protected:
    QueueDownloadLinksTest()
    {
        MainConfig()->SetMaxFTPTransferCount(1);
        QObject::connect(&m_manager, &TQueueManager::OnItemComplete,
                         [this](TQueueItem* item) { m_completed.append(item->RemoteFilename); });
        QObject::connect(&m_manager, &TQueueManager::OnItemError, [this](TQueueItem* item) {
            m_errors.append(item->LastError ? item->LastError->Message() : QString());
        });
        QDir().mkpath(victim());
        m_manager.SetDefaultLocalExistsAction(TFileAlreadyExistsAction::faeOverwrite);
        m_manager.SetDefaultLocalSmallerExistsAction(TFileAlreadyExistsAction::faeOverwrite);
    }

    QString victim() const { return m_env.root() + QStringLiteral("/victim"); }
    bool settle()
    {
        m_manager.Schedule();
        return waitFor([&] { return m_manager.isIdle() && m_manager.threadCount() == 0; });
    }
    QStringList victimEntries() const
    {
        return QDir(victim()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
    TQueueManager m_manager;
    QStringList m_completed;
    QStringList m_errors;
};

} // namespace

TEST_F(QueueDownloadLinksTest, ADirectoryDownloadNeverEntersALinkPlantedInTheTargetTree)
{
    m_server.fs().addFile("/d/f.txt", "remote");
    m_server.fs().addFile("/t/e/g.txt", "remote");
    m_server.fs().addFile("/t/h.txt", "h");
    // out/d is the directory the download would make; out/t/e one level deeper.
    ASSERT_TRUE(plantLink(victim(), m_env.local("d")));
    ASSERT_TRUE(QDir().mkpath(m_env.local("t")));
    ASSERT_TRUE(plantLink(victim(), m_env.local("t/e")));
    m_manager.AddDownload(m_host, "/", true, 45000.5, 0, true, m_env.localRoot(), "/d");
    m_manager.AddDownload(m_host, "/", true, 45000.5, 0, true, m_env.localRoot(), "/t");
    ASSERT_TRUE(settle()) << m_server.conversation();
    EXPECT_TRUE(victimEntries().isEmpty()) << victimEntries().join(",").toStdString();
    EXPECT_FALSE(m_completed.contains("/d")) << m_completed.join(",").toStdString();
    EXPECT_FALSE(m_completed.contains("/t/e"));
    // The real directory beside the link is written as ever.
    EXPECT_EQ(readAll(m_env.local("t/h.txt")), "h");
    ASSERT_FALSE(m_errors.isEmpty());
    EXPECT_TRUE(m_errors.join("|").contains("is a symbolic link")) << m_errors.join("|").toStdString();
    EXPECT_TRUE(QFileInfo(m_env.local("d")).isSymLink());
}

TEST_F(QueueDownloadLinksTest, AFileBelowALinkedDirectoryIsRefusedBeforeItsRetr)
{
    m_server.fs().addFile("/d/f.txt", "remote");
    ASSERT_TRUE(plantLink(victim(), m_env.local("d")));
    m_manager.AddDownload(m_host, "/", true, 45000.5, 6, false, m_env.localRoot(), "/d/f.txt");
    ASSERT_TRUE(settle());
    EXPECT_TRUE(victimEntries().isEmpty());
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors[0].contains("is a symbolic link")) << m_errors[0].toStdString();
    EXPECT_EQ(countVerb(m_server, "RETR"), 0);
}

TEST_F(QueueDownloadLinksTest, ALocalRootReachedThroughALinkIsTheUsersChoiceAndIsFollowed)
{
    m_server.fs().addFile("/d/f.txt", "remote");
    const QString linkedRoot = m_env.root() + QStringLiteral("/linked");
    ASSERT_TRUE(plantLink(victim(), linkedRoot));
    m_manager.AddDownload(m_host, "/", true, 45000.5, 0, true, linkedRoot + "/", "/d");
    ASSERT_TRUE(settle());
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join("|").toStdString();
    EXPECT_EQ(readAll(victim() + "/d/f.txt"), "remote");
}

// --- The sink on its own: what appears between the checks and the open ------------------

TEST(DownloadSinkTest, ANewFileThatAppearedAfterTheChecksIsNeverWrittenOver)
{
    QTemporaryDir dir;
    const std::string root = QFile::encodeName(dir.path()).toStdString();
    TDownloadDirectory directory = TDownloadDirectory::open(root, root, false);
    {
        TDownloadSink sink(directory.fd(), "new.txt", root + "/new.txt", TDownloadSink::TMode::Create);
        ASSERT_TRUE(writeAll(dir.path() + "/new.txt", "someone else's"));
        EXPECT_THROW(sink.write("xy", 2), ftp::LocalFileError);
    }
    EXPECT_EQ(readAll(dir.path() + "/new.txt"), "someone else's");
    {
        // A link that appears is refused as a link, and its target is untouched.
        ASSERT_TRUE(writeAll(dir.path() + "/target", "keep"));
        TDownloadSink sink(directory.fd(), "late.txt", root + "/late.txt", TDownloadSink::TMode::Create);
        ASSERT_TRUE(plantLink(dir.path() + "/target", dir.path() + "/late.txt"));
        try {
            sink.complete();
            ADD_FAILURE() << "an empty download went through a link";
        } catch (const ftp::LocalFileError& error) {
            EXPECT_TRUE(std::string(error.what()).find("symbolic link") != std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(readAll(dir.path() + "/target"), "keep");
}

TEST(DownloadSinkTest, AReplaceRenamesInsideTheOpenedDirectoryEvenWhenItsPathChangesMeanwhile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/out/d"));
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/victim"));
    ASSERT_TRUE(writeAll(dir.path() + "/out/d/f.txt", "old"));
    ASSERT_TRUE(writeAll(dir.path() + "/victim/f.txt", "victim's"));
    const std::string root = QFile::encodeName(dir.path() + "/out").toStdString();
    TDownloadDirectory directory = TDownloadDirectory::open(root, root + "/d", false);
    TDownloadSink sink(directory.fd(), "f.txt", root + "/d/f.txt", TDownloadSink::TMode::Replace);
    sink.write("new", 3);
    // The directory is swapped for a link after it was opened.
    ASSERT_TRUE(QDir().rename(dir.path() + "/out/d", dir.path() + "/out/moved"));
    ASSERT_TRUE(plantLink(dir.path() + "/victim", dir.path() + "/out/d"));
    sink.complete();
    EXPECT_EQ(readAll(dir.path() + "/victim/f.txt"), "victim's");
    EXPECT_EQ(readAll(dir.path() + "/out/moved/f.txt"), "new");
}

TEST(DownloadDirectoryTest, LevelsAreMadeBelowTheRootAndPathsOutsideItAreRefused)
{
    QTemporaryDir dir;
    const std::string root = QFile::encodeName(dir.path() + "/new/root").toStdString();
    // The root is made with its parents, the levels below it one by one.
    TDownloadDirectory made = TDownloadDirectory::open(root + "/", root + "/a/./b//c", true);
    EXPECT_TRUE(QFileInfo(dir.path() + "/new/root/a/b/c").isDir());
    EXPECT_EQ(made.path(), root + "/a/./b//c");
    EXPECT_THROW(TDownloadDirectory::open(root, QFile::encodeName(dir.path()).toStdString() + "/other", true),
                 ftp::LocalFileError);
    EXPECT_THROW(TDownloadDirectory::open(root, root + "/a/../../x", true), ftp::LocalFileError);
    EXPECT_THROW(TDownloadDirectory::open(root, root + "/missing", false), ftp::LocalFileError);
    EXPECT_FALSE(QFileInfo(dir.path() + "/new/x").exists());
}
