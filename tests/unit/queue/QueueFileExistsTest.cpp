#include <gtest/gtest.h>

#include <QFileInfo>

#include "QueueTestSupport.h"
#include "engine/EngineErrors.h"
#include "queue/TQueueManager.h"

using namespace queuetest;
using namespace testsupport;

namespace {

class QueueFileExistsTest : public ::testing::Test
{
protected:
    QueueFileExistsTest()
    {
        m_manager.setFileExistsPrompter(&m_prompter);
        QObject::connect(&m_manager, &TQueueManager::OnItemComplete,
                         [this](TQueueItem* item) { m_completed.append(item->RemoteFilename); });
        QObject::connect(&m_manager, &TQueueManager::Log, [this](TLogKind kind, const QString& text) {
            if (kind == TLogKind::lkDebug)
                m_debug.append(text);
        });
    }

    TQueueItem* download(const QString& remote, const std::string& remoteContent,
                         const QByteArray& localContent)
    {
        m_server.fs().addFile(remote.toStdString(), remoteContent);
        writeAll(m_env.localRoot() + remote.mid(1), localContent);
        return m_manager.AddDownload(m_host, "/", true, 45000.5, qint64(remoteContent.size()), false,
                                     m_env.localRoot(), remote);
    }

    TQueueItem* upload(const QString& name, const QByteArray& localContent, const std::string& remoteContent)
    {
        writeAll(m_env.localRoot() + name, localContent);
        m_server.fs().addFile("/" + name.toStdString(), remoteContent);
        return m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.localRoot() + name);
    }

    bool runUntilSettled()
    {
        m_manager.Schedule();
        return waitFor([this] { return m_manager.threadCount() == 0 && !anyAwaitingActive(); });
    }

    bool anyAwaitingActive() const
    {
        for (TQueueItem* item : m_manager.Items())
            if (m_manager.isEligible(item))
                return true;
        return false;
    }

    template <class Error>
    static bool holds(const TQueueItem* item)
    {
        return dynamic_cast<const Error*>(item->LastError.get()) != nullptr;
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
    TQueueManager m_manager;
    ScriptedPrompter m_prompter;
    QStringList m_completed;
    QStringList m_debug;
};

} // namespace

// --- The four kinds ---------------------------------------------------------------------

TEST_F(QueueFileExistsTest, ASameSizeLocalFileRaisesAlreadyExistsEvenWithResume)
{
    TQueueItem* item = download("/f.txt", "12345", "abcde");
    item->FileExistsAction = TFileAlreadyExistsAction::faeResume;
    ASSERT_TRUE(runUntilSettled());
    ASSERT_TRUE(holds<EFTLocalFileAlreadyExists>(item));
    EXPECT_EQ(item->RetryCount, 0);
    EXPECT_EQ(item->RetryDelayLeft, 0);
    EXPECT_EQ(item->State, TTransferState::tsError);
    EXPECT_EQ(item->StatusText, "The local file already exists.");
    EXPECT_EQ(countVerb(m_server, "RETR"), 0);

    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    ASSERT_EQ(m_prompter.shown.size(), 1u);
    const TFileExistsPrompt& shown = m_prompter.shown[0];
    EXPECT_EQ(shown.Kind, TFileExistsPrompt::TKind::LocalFileAlreadyExists);
    EXPECT_FALSE(shown.ResumeAllowed);
    EXPECT_EQ(shown.Filename, m_env.local("f.txt"));
    EXPECT_EQ(shown.LocalSize, 5);
    EXPECT_EQ(shown.RemoteSize, 5);
    EXPECT_EQ(shown.ShortDescription, "The local file already exists.");
    EXPECT_EQ(shown.RemoteDate, DateTimeValueToText(45000.5));
    EXPECT_FALSE(shown.LocalDate.isEmpty());
    // Skip (the scripted default): the item stays in error, holds no error and is not taken again.
    EXPECT_EQ(item->State, TTransferState::tsError);
    EXPECT_FALSE(item->LastError);
    EXPECT_FALSE(m_manager.isEligible(item));
    EXPECT_EQ(m_debug.value(0), "Got an Exception of type EFTLocalFileAlreadyExists!");
    EXPECT_EQ(readAll(m_env.local("f.txt")), "abcde");
}

TEST_F(QueueFileExistsTest, ASmallerLocalFileAnsweredResumeAppendsFromItsLength)
{
    const std::string remote = pattern(50000, 5);
    TQueueItem* item = download("/f.bin", remote, QByteArray::fromStdString(remote.substr(0, 20000)));
    ASSERT_TRUE(runUntilSettled());
    ASSERT_TRUE(holds<EFTLocalFileSmallerAlreadyExists>(item));
    m_prompter.answers.push_back({TFileAlreadyExistsAction::faeResume});
    qint64 bytesAtCompletion = 0;
    QObject::connect(&m_manager, &TQueueManager::OnItemComplete,
                     [&](TQueueItem* done) { bytesAtCompletion = done->BytesDone.load(); });
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    EXPECT_TRUE(m_prompter.shown[0].ResumeAllowed);
    EXPECT_EQ(m_prompter.shown[0].LocalSize, 20000);
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1; }));
    EXPECT_TRUE(hasCommand(m_server, "REST 20000"));
    EXPECT_EQ(readAll(m_env.local("f.bin")).toStdString(), remote);
    EXPECT_EQ(bytesAtCompletion, 50000);
}

TEST_F(QueueFileExistsTest, ASameSizeRemoteFileAnsweredOverwriteForAllFilesAlwaysChangesTheSetting)
{
    TQueueItem* item = upload("u.txt", "local", "remot");
    ASSERT_TRUE(runUntilSettled());
    ASSERT_TRUE(holds<EFTRemoteFileAlreadyExists>(item));
    EXPECT_EQ(item->StatusText, "The remote file already exists.");
    m_prompter.answers.push_back(
        {TFileAlreadyExistsAction::faeOverwrite, TFileExistsPrompt::kAllFilesAlways});
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    const TFileExistsPrompt& shown = m_prompter.shown[0];
    EXPECT_EQ(shown.Kind, TFileExistsPrompt::TKind::RemoteFileAlreadyExists);
    EXPECT_EQ(shown.Filename, "/u.txt");
    EXPECT_FALSE(shown.ResumeAllowed);
    EXPECT_EQ(MainConfig()->RemoteFileAlreadyExistsAction(), TFileAlreadyExistsAction::faeOverwrite);
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1; }));
    // Written over in place: no DELE that would leave the server without a copy
    // if the upload then failed.
    EXPECT_TRUE(hasCommand(m_server, "STOR u.txt"));
    EXPECT_EQ(countVerb(m_server, "DELE"), 0);
    EXPECT_EQ(m_server.fs().content("/u.txt"), "local");

    // A manager made at the next start takes the setting for its new uploads.
    TQueueManager next;
    next.SetDefaultRemoteExistsAction(MainConfig()->RemoteFileAlreadyExistsAction());
    writeAll(m_env.local("v.txt"), "v");
    TQueueItem* later = next.AddUpload(m_host, m_env.localRoot(), false, "/", m_env.local("v.txt"));
    EXPECT_EQ(later->FileExistsAction, TFileAlreadyExistsAction::faeOverwrite);
}

TEST_F(QueueFileExistsTest, ASmallerRemoteFileAnsweredResumeAppendsTheRest)
{
    const std::string content = pattern(40000, 9);
    TQueueItem* item = upload("r.bin", QByteArray::fromStdString(content), content.substr(0, 15000));
    ASSERT_TRUE(runUntilSettled());
    ASSERT_TRUE(holds<EFTRemoteFileSmallerAlreadyExists>(item));
    m_prompter.answers.push_back({TFileAlreadyExistsAction::faeResume});
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    EXPECT_EQ(m_prompter.shown[0].RemoteSize, 15000);
    EXPECT_EQ(m_prompter.shown[0].LocalSize, 40000);
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1; }));
    EXPECT_EQ(m_server.uploaded("/r.bin")->size(), 25000u);
    EXPECT_EQ(m_server.fs().content("/r.bin"), content);
}

// --- Scopes and order -----------------------------------------------------------------------

TEST_F(QueueFileExistsTest, TenSmallerFilesAnsweredOnceForTheQueueWhileSameSizeOnesKeepTheirError)
{
    MainConfig()->SetMaxFTPTransferCount(3);
    TQueueItem* same1 = download("/same1", "xx", "yy");
    TQueueItem* same2 = download("/same2", "xx", "yy");
    QList<TQueueItem*> smaller;
    for (int i = 0; i < 10; ++i) {
        const std::string content = pattern(8000, unsigned(i));
        smaller.append(download(str("/s" + std::to_string(i)), content,
                                QByteArray::fromStdString(content.substr(0, 1000 + std::size_t(i)))));
    }
    ASSERT_TRUE(runUntilSettled());
    for (TQueueItem* item : smaller)
        ASSERT_TRUE(holds<EFTLocalFileSmallerAlreadyExists>(item));

    // The last item is asked first; Resume for all files in the queue covers every
    // item with an error of the same kind, and only those.
    m_prompter.answers.push_back({TFileAlreadyExistsAction::faeResume, TFileExistsPrompt::kAllFilesInQueue});
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].RemoteFilename, "/s9");
    for (TQueueItem* item : smaller) {
        EXPECT_FALSE(item->LastError);
        EXPECT_EQ(item->SmallerFileExistsAction, TFileAlreadyExistsAction::faeResume);
        EXPECT_EQ(item->FileExistsAction, TFileAlreadyExistsAction::faeAsk);
    }
    EXPECT_TRUE(holds<EFTLocalFileAlreadyExists>(same1));
    EXPECT_TRUE(holds<EFTLocalFileAlreadyExists>(same2));
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 10 && m_manager.threadCount() == 0; }));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(readAll(m_env.local(str("s" + std::to_string(i)))).toStdString(),
                  pattern(8000, unsigned(i)));
    // Scope 1 writes no setting.
    EXPECT_EQ(MainConfig()->LocalFileSmallerAlreadyExistsAction(), TFileAlreadyExistsAction::faeAsk);

    // The same-size ones come next, one per step.
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    EXPECT_EQ(m_prompter.shown.back().RemoteFilename, "/same2");
    EXPECT_TRUE(holds<EFTLocalFileAlreadyExists>(same1));
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    EXPECT_EQ(m_prompter.shown.back().RemoteFilename, "/same1");
    EXPECT_EQ(m_manager.itemCount(), 2);
}

TEST_F(QueueFileExistsTest, TwoPendingErrorsAreAnsweredOnePerStepLastItemFirst)
{
    TQueueItem* first = download("/a", "12", "12");
    TQueueItem* second = download("/b", "12", "12");
    ASSERT_TRUE(runUntilSettled());
    m_prompter.answers = {{TFileAlreadyExistsAction::faeOverwrite}, {TFileAlreadyExistsAction::faeOverwrite}};
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    ASSERT_EQ(m_prompter.shown.size(), 1u);
    EXPECT_EQ(m_prompter.shown[0].RemoteFilename, "/b");
    EXPECT_TRUE(first->LastError);
    Q_UNUSED(second);
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    ASSERT_EQ(m_prompter.shown.size(), 2u);
    EXPECT_EQ(m_prompter.shown[1].RemoteFilename, "/a");
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 2; }));
    EXPECT_FALSE(m_manager.RunFileExistsPromptStep());
}

TEST_F(QueueFileExistsTest, AnItemWhoseActionIsSkipIsAnsweredWithoutAPrompt)
{
    TQueueItem* item = download("/a", "12", "12");
    item->FileExistsAction = TFileAlreadyExistsAction::faeSkip;
    ASSERT_TRUE(runUntilSettled());
    ASSERT_TRUE(m_manager.RunFileExistsPromptStep());
    EXPECT_TRUE(m_prompter.shown.empty());
    EXPECT_FALSE(item->LastError);
    EXPECT_EQ(item->State, TTransferState::tsError);
    EXPECT_TRUE(m_manager.isIdle());
}

TEST_F(QueueFileExistsTest, OtherErrorsAreLoggedAndLeftToTheirRetry)
{
    TQueueItem* item = m_manager.AddDownload(m_host, "/", true, 1.0, 5, false, m_env.localRoot(), "/missing");
    ASSERT_TRUE(runUntilSettled());
    ASSERT_TRUE(item->LastError);
    EXPECT_FALSE(m_manager.RunFileExistsPromptStep());
    EXPECT_TRUE(item->LastError);
    EXPECT_TRUE(m_prompter.shown.empty());
    ASSERT_EQ(m_debug.size(), 1);
    EXPECT_TRUE(m_debug[0].startsWith("Got an Exception of type ")) << m_debug[0].toStdString();
}
