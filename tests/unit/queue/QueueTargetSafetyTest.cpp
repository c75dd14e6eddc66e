#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "QueueTestSupport.h"
#include "queue/TQueueManager.h"

using namespace queuetest;
using namespace testsupport;

namespace {

// What happens to a target that exists, and to one that cannot be made: which
// command goes out, and that no failed transfer leaves less than there was.
class QueueTargetSafetyTest : public ::testing::Test
{
protected:
    QueueTargetSafetyTest()
    {
        MainConfig()->SetMaxFTPTransferCount(1);
        QObject::connect(&m_manager, &TQueueManager::OnItemComplete,
                         [this](TQueueItem* item) { m_completed.append(item->RemoteFilename); });
        QObject::connect(&m_manager, &TQueueManager::OnItemError, [this](TQueueItem* item) {
            m_errors.append(item->LastError ? item->LastError->Message() : QString());
        });
    }

    TQueueItem* download(const QString& remote, qint64 size = -1, bool directory = false)
    {
        return m_manager.AddDownload(m_host, "/", true, 45000.5, size, directory, m_env.localRoot(), remote);
    }
    TQueueItem* upload(const QString& local)
    {
        return m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local(local));
    }
    void overwriteEverything()
    {
        m_manager.SetDefaultLocalExistsAction(TFileAlreadyExistsAction::faeOverwrite);
        m_manager.SetDefaultLocalSmallerExistsAction(TFileAlreadyExistsAction::faeOverwrite);
        m_manager.SetDefaultRemoteExistsAction(TFileAlreadyExistsAction::faeOverwrite);
        m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeOverwrite);
    }
    // Until nothing runs and every item has completed or failed once.
    bool settle(int failures)
    {
        m_manager.Schedule();
        return waitFor([&] { return m_manager.threadCount() == 0 && m_errors.size() >= failures; });
    }
    // Files in the local root other than the ones named (temporary leftovers).
    QStringList strayFiles(const QStringList& expected) const
    {
        QStringList stray;
        QDirIterator it(m_env.localRoot(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = QDir(m_env.localRoot()).relativeFilePath(it.next());
            if (!expected.contains(name))
                stray.append(name);
        }
        return stray;
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
    TQueueManager m_manager;
    QStringList m_completed;
    QStringList m_errors;
};

} // namespace

// --- Uploads: STOR, APPE, and what a refusal allows ------------------------------------------

TEST_F(QueueTargetSafetyTest, ANewUploadIsStoredAndAResumeAppends)
{
    ASSERT_TRUE(writeAll(m_env.local("new.txt"), "new"));
    ASSERT_TRUE(writeAll(m_env.local("part.bin"), "0123456789"));
    m_server.fs().addFile("/part.bin", "0123");
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    upload("new.txt");
    upload("part.bin");
    ASSERT_TRUE(settle(0));
    EXPECT_EQ(m_completed.size(), 2) << m_errors.join("|").toStdString();
    EXPECT_TRUE(hasCommand(m_server, "STOR new.txt"));
    EXPECT_TRUE(hasCommand(m_server, "APPE part.bin"));
    EXPECT_EQ(m_server.fs().content("/part.bin"), "0123456789");
    EXPECT_EQ(countVerb(m_server, "DELE"), 0);
}

TEST_F(QueueTargetSafetyTest, AResumeTheServerRefusesAsAppendGoesOnWithRestAndStor)
{
    ASSERT_TRUE(writeAll(m_env.local("part.bin"), "0123456789"));
    m_server.fs().addFile("/part.bin", "0123");
    m_server.addOverride({.command = "APPE", .code = 550, .text = "Permission denied."});
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    upload("part.bin");
    ASSERT_TRUE(settle(0));
    EXPECT_EQ(m_completed.size(), 1) << m_errors.join("|").toStdString() << m_server.conversation();
    EXPECT_TRUE(hasCommand(m_server, "REST 4"));
    EXPECT_TRUE(hasCommand(m_server, "STOR part.bin"));
    EXPECT_EQ(m_server.fs().content("/part.bin"), "0123456789");
}

TEST_F(QueueTargetSafetyTest, WithoutRestStreamARefusedAppendFailsAndLeavesTheRemoteFile)
{
    m_server.setFeatures({"SIZE", "EPSV", "PASV", "MLST type*;size*;modify*;"});
    ASSERT_TRUE(writeAll(m_env.local("part.bin"), "0123456789"));
    m_server.fs().addFile("/part.bin", "0123");
    m_server.addOverride({.command = "APPE", .code = 550, .text = "Permission denied."});
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    upload("part.bin");
    ASSERT_TRUE(settle(1));
    EXPECT_EQ(countVerb(m_server, "STOR"), 0);
    EXPECT_EQ(m_server.fs().content("/part.bin"), "0123");
}

TEST_F(QueueTargetSafetyTest, AnOverwriteIsAStorOverTheFileAndDeletesOnlyWhenTheServerRefusesToReplace)
{
    ASSERT_TRUE(writeAll(m_env.local("a.txt"), "new a"));
    ASSERT_TRUE(writeAll(m_env.local("b.txt"), "new b"));
    m_server.fs().addFile("/a.txt", "old a, longer");
    m_server.fs().addFile("/b.txt", "old b, longer");
    // b is read-only on the server: written over it is refused, deleted it may be.
    m_server.addOverride({.command = "STOR", .argument = "b.txt", .code = 553, .times = 1});
    overwriteEverything();
    upload("a.txt");
    upload("b.txt");
    ASSERT_TRUE(settle(0));
    EXPECT_EQ(m_completed.size(), 2) << m_errors.join("|").toStdString();
    EXPECT_EQ(m_server.fs().content("/a.txt"), "new a");
    EXPECT_EQ(m_server.fs().content("/b.txt"), "new b");
    EXPECT_FALSE(hasCommand(m_server, "DELE a.txt"));
    EXPECT_TRUE(hasCommand(m_server, "DELE b.txt"));
}

TEST_F(QueueTargetSafetyTest, ARefusedOrBrokenOverwritingUploadNeverDeletesTheRemoteFile)
{
    ASSERT_TRUE(writeAll(m_env.local("full.txt"), "new"));
    ASSERT_TRUE(writeAll(m_env.local("cut.bin"), QByteArray::fromStdString(pattern(200000))));
    m_server.fs().addFile("/full.txt", "old");
    m_server.fs().addFile("/cut.bin", "old");
    // Out of space: a refusal that deleting would not mend.
    m_server.addOverride({.command = "STOR", .argument = "full.txt", .code = 552, .text = "Quota exceeded"});
    m_server.addOverride(
        {.command = "STOR", .argument = "cut.bin", .data = {.kind = DataFaultKind::CutAfter, .bytes = 1000}});
    overwriteEverything();
    upload("full.txt");
    upload("cut.bin");
    ASSERT_TRUE(settle(2));
    EXPECT_TRUE(m_completed.isEmpty());
    EXPECT_EQ(countVerb(m_server, "DELE"), 0) << m_server.conversation();
    EXPECT_EQ(m_server.fs().content("/full.txt"), "old");
    EXPECT_TRUE(m_server.fs().exists("/cut.bin"));
}

// --- Downloads over an existing file -----------------------------------------------------------

TEST_F(QueueTargetSafetyTest, AnOverwritingDownloadKeepsTheOldFileUntilTheNewOneIsComplete)
{
    const std::string fresh = pattern(300000, 7);
    m_server.fs().addFile("/refused.txt", "new");
    m_server.fs().addFile("/broken.bin", fresh);
    m_server.fs().addFile("/good.bin", fresh);
    m_server.addOverride({.command = "RETR", .argument = "/refused.txt", .code = 550, .text = "Denied"});
    m_server.addOverride({.command = "RETR",
                          .argument = "/broken.bin",
                          .data = {.kind = DataFaultKind::CutAfter, .bytes = 100000}});
    ASSERT_TRUE(writeAll(m_env.local("refused.txt"), "the user's own"));
    ASSERT_TRUE(writeAll(m_env.local("broken.bin"), "the user's own"));
    ASSERT_TRUE(writeAll(m_env.local("good.bin"), "old"));
    ASSERT_EQ(::chmod(m_env.local("good.bin").toUtf8().constData(), 0750), 0);
    overwriteEverything();
    download("/refused.txt", 3);
    download("/broken.bin", qint64(fresh.size()));
    download("/good.bin", qint64(fresh.size()));
    ASSERT_TRUE(settle(2));
    EXPECT_EQ(readAll(m_env.local("refused.txt")), "the user's own");
    EXPECT_EQ(readAll(m_env.local("broken.bin")), "the user's own");
    EXPECT_EQ(readAll(m_env.local("good.bin")).toStdString(), fresh);
    // The replacement keeps the permissions of the file it replaced.
    EXPECT_EQ(QFileInfo(m_env.local("good.bin")).permissions() & QFile::ExeOwner, QFile::ExeOwner);
    EXPECT_EQ(strayFiles({"refused.txt", "broken.bin", "good.bin"}), QStringList());
}

TEST_F(QueueTargetSafetyTest, ADownloadWithoutATargetStillWritesUnderItsNameSoItCanBeResumed)
{
    const std::string content = pattern(300000, 2);
    m_server.fs().addFile("/new.bin", content);
    m_server.addOverride(
        {.command = "RETR", .times = 1, .data = {.kind = DataFaultKind::CutAfter, .bytes = 100000}});
    m_manager.SetDefaultLocalSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    download("/new.bin", qint64(content.size()));
    ASSERT_TRUE(settle(1));
    EXPECT_EQ(QFileInfo(m_env.local("new.bin")).size(), 100000);
    m_manager.TickRetryDelays();
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1; })) << m_server.conversation();
    EXPECT_TRUE(hasCommand(m_server, "REST 100000"));
    EXPECT_EQ(readAll(m_env.local("new.bin")).toStdString(), content);
}

// --- Local directories that cannot be made ------------------------------------------------------

TEST_F(QueueTargetSafetyTest, ADirectoryDownloadWhoseLocalDirectoryCannotBeMadeFailsWithTheCause)
{
    m_server.fs().addFile("/tree/a.txt", "a");
    m_server.fs().addFile("/tree/sub/b.txt", "b");
    m_server.fs().addFile("/locked/c.txt", "c");
    // A file where the subdirectory should go, and a folder nobody may write in.
    ASSERT_TRUE(writeAll(m_env.local("tree/sub"), "in the way"));
    ASSERT_TRUE(QDir().mkpath(m_env.local("ro")));
    ASSERT_EQ(::chmod(m_env.local("ro").toUtf8().constData(), 0555), 0);
    if (::geteuid() == 0)
        GTEST_LOG_(INFO) << "running as root: the read-only folder is writable, only the file case counts";
    MainConfig()->SetMaxFTPTransferCount(2);
    download("/tree", 0, true);
    TQueueItem* locked =
        m_manager.AddDownload(m_host, "/", true, 45000.5, 0, true, m_env.local("ro/"), "/locked");
    ASSERT_TRUE(settle(::geteuid() == 0 ? 1 : 2));
    ASSERT_TRUE(waitFor([&] { return m_manager.threadCount() == 0; }));
    ::chmod(m_env.local("ro").toUtf8().constData(), 0755);
    // a.txt came down; sub failed as a directory, with the reason, and nothing
    // below it was reported done.
    EXPECT_EQ(readAll(m_env.local("tree/a.txt")), "a");
    EXPECT_TRUE(m_completed.contains("/tree/a.txt"));
    EXPECT_FALSE(m_completed.contains("/tree/sub"));
    EXPECT_FALSE(m_completed.contains("/tree/sub/b.txt"));
    ASSERT_FALSE(m_errors.isEmpty());
    EXPECT_TRUE(m_errors.join("|").contains("a file of that name is in the way"))
        << m_errors.join("|").toStdString();
    if (::geteuid() != 0) {
        EXPECT_EQ(locked->State, TTransferState::tsError);
        EXPECT_TRUE(locked->StatusText.contains("Permission denied")) << locked->StatusText.toStdString();
        EXPECT_FALSE(m_completed.contains("/locked"));
    }
}

// --- Sizes the server does not give ---------------------------------------------------------------

TEST_F(QueueTargetSafetyTest, AnUnknownRemoteSizeIsAskedForAndNeverResumedFrom)
{
    // MLST facts without a size; SIZE answers for one file and not the other.
    ASSERT_TRUE(writeAll(m_env.local("known.bin"), "0123456789"));
    ASSERT_TRUE(writeAll(m_env.local("unknown.bin"), "0123456789"));
    m_server.fs().addFile("/known.bin", "0123");
    m_server.fs().addFile("/unknown.bin", "0123");
    for (const char* name : {"known.bin", "unknown.bin"})
        m_server.addOverride(
            {.command = "MLST",
             .argument = name,
             .code = 250,
             .text = std::string("Listing\n type=file;modify=20240305140700; ") + name + "\nEnd"});
    m_server.addOverride(
        {.command = "SIZE", .argument = "unknown.bin", .code = 550, .text = "Not available"});
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    TQueueItem* known = upload("known.bin");
    TQueueItem* unknown = upload("unknown.bin");
    ASSERT_TRUE(settle(1));
    EXPECT_EQ(m_completed, QStringList{"/known.bin"}) << m_errors.join("|").toStdString();
    EXPECT_EQ(m_server.fs().content("/known.bin"), "0123456789");
    Q_UNUSED(known);
    // Not resumable: reported as a target that cannot be resumed, the file untouched.
    ASSERT_TRUE(unknown->LastError);
    EXPECT_STREQ(unknown->LastError->ClassName(), "EFTRemoteFileAlreadyExists");
    EXPECT_FALSE(hasCommand(m_server, "APPE unknown.bin"));
    EXPECT_EQ(m_server.fs().content("/unknown.bin"), "0123");
}
