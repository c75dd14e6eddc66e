#include "ui/main/TRemoteFileOpener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QUuid>
#include <QWidget>

#include "core/TMainConfig.h"
#include "queue/TQueueItem.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TCompletedQueueItem.h"
#include "unit/ui/QuickConnectFormTestSupport.h"

using platform::TOpenCommand;

namespace {

constexpr int kSettleMs = 300;

// The opener with editors that are shell scripts, the question answered by the
// test and the server check a stand-in, over a queue that starts nothing.
class RemoteFileOpenerTest : public ::testing::Test
{
protected:
    RemoteFileOpenerTest()
    {
        QDir().mkpath(folder());
        m_opener.setTemporaryFolder(folder());
        m_opener.setSettleMs(kSettleMs);
        m_opener.setPollMs(50);
        m_opener.setCommandLookup([this](const QString& file) -> std::optional<TOpenCommand> {
            if (m_script.isEmpty())
                return std::nullopt;
            return TOpenCommand{QStringLiteral("/bin/sh"),
                                {QStringLiteral("-c"), m_script, QStringLiteral("sh"), file},
                                QString()};
        });
        m_opener.setServerCheck([this](const THost&, const QString& directory, const QString& name,
                                       TRemoteFileProbe::TDone done) {
            m_checked.append(directory + name);
            done(m_server);
        });
        TMessageDialog::setAnswerer([this](TMessageRequest& request) {
            m_questions.append(request.Text);
            request.Result = m_answers.isEmpty() ? QMessageBox::No : m_answers.takeFirst();
        });
        m_host.Hostname = QStringLiteral("127.0.0.1");
        m_host.Port = 9;
        m_host.HostID = QUuid::createUuid();
    }
    ~RemoteFileOpenerTest() override { m_queue.ClearQueue(); }

    QString folder() const { return env.root() + QStringLiteral("/open"); }
    QString copy(const QString& name) const { return folder() + u'/' + name; }

    // A download of /pub/<name> that completed: the copy is on disk.
    TCompletedQueueItem downloaded(const QString& name, const QByteArray& content = "original\n")
    {
        QFile file(copy(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        TCompletedQueueItem item;
        item.Host.Assign(m_host);
        item.Download = true;
        item.RemoteRoot = QStringLiteral("/pub/");
        item.RemoteFilename = QStringLiteral("/pub/") + name;
        item.LocalRoot = folder() + u'/';
        item.LocalFilename = copy(name);
        item.FileName = name;
        return item;
    }

    QList<TQueueItem*> uploads() const
    {
        QList<TQueueItem*> found;
        for (TQueueItem* item : m_queue.Items())
            if (!item->isDownload())
                found.append(item);
        return found;
    }

    dialogtest::DialogEnvironment env;
    QWidget m_window;
    TFormLanguage m_language{QStringLiteral("MainForm")};
    TQueueManager m_queue;
    TRemoteFileOpener m_opener{m_window, m_language, m_queue};
    THost m_host;
    QString m_script;
    QStringList m_questions;
    QList<int> m_answers;
    QStringList m_checked;
    TRemoteFileFacts m_server{true, true, 9, 45000.5, {}};
};

TEST_F(RemoteFileOpenerTest, EditorThatSavesAndExitsAsksOnceAndYesUploadsOverwriting)
{
    m_opener.queueOpen(m_host, QStringLiteral("/pub"), QStringLiteral("a.txt"), 9, 45000.5);
    ASSERT_EQ(m_queue.itemCount(), 1);
    TQueueItem* download = m_queue.Items().first();
    EXPECT_TRUE(download->OpenWhenDone);
    EXPECT_EQ(download->LocalRoot, folder() + u'/');

    m_script = QStringLiteral("printf 'edited\\n' >> \"$1\"");
    m_answers = {QMessageBox::Yes};
    QSignalSpy ended(&m_opener, &TRemoteFileOpener::programEnded);
    QSignalSpy uploaded(&m_opener, &TRemoteFileOpener::uploadStarted);
    m_queue.ClearQueue();
    m_opener.fileDownloaded(downloaded(QStringLiteral("a.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return !uploaded.isEmpty(); }, 10000));
    ASSERT_EQ(m_questions.size(), 1);
    EXPECT_EQ(m_questions.first(),
              QStringLiteral(
                  "The file %1 was modified on your computer.\n\nWould you like to upload the modified file?")
                  .arg(copy(QStringLiteral("a.txt"))));
    // The server still lists what was downloaded: no second question.
    EXPECT_EQ(m_checked, QStringList{QStringLiteral("/pub/a.txt")});
    ASSERT_EQ(uploads().size(), 1);
    TQueueItem* upload = uploads().first();
    EXPECT_EQ(upload->RemoteRoot, QStringLiteral("/pub/"));
    EXPECT_EQ(upload->LocalRoot, folder() + u'/');
    EXPECT_EQ(upload->FileExistsAction, TFileAlreadyExistsAction::faeOverwrite);
    EXPECT_EQ(upload->SmallerFileExistsAction, TFileAlreadyExistsAction::faeOverwrite);
    // Nothing more is asked while the copy stays as it is.
    EXPECT_FALSE(queuetest::waitFor([&] { return m_questions.size() > 1; }, kSettleMs * 3));
}

TEST_F(RemoteFileOpenerTest, EditorThatExitsWithoutSavingAsksNothing)
{
    m_script = QStringLiteral("exit 0");
    QSignalSpy ended(&m_opener, &TRemoteFileOpener::programEnded);
    m_opener.fileDownloaded(downloaded(QStringLiteral("b.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return !ended.isEmpty(); }, 10000));
    EXPECT_FALSE(queuetest::waitFor([&] { return !m_questions.isEmpty(); }, kSettleMs * 3));
    EXPECT_TRUE(uploads().isEmpty());
    EXPECT_EQ(m_opener.recordCount(), 1);
}

TEST_F(RemoteFileOpenerTest, HandedOverEditorThatSavesLaterAsksAfterTheSettleTime)
{
    // Hands the file to "another instance" and exits at once; the save comes later.
    m_script = QStringLiteral("(sleep 0.4; printf 'later\\n' >> \"$1\") >/dev/null 2>&1 &");
    QSignalSpy ended(&m_opener, &TRemoteFileOpener::programEnded);
    m_opener.fileDownloaded(downloaded(QStringLiteral("c.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return !ended.isEmpty(); }, 10000));
    EXPECT_TRUE(m_questions.isEmpty()) << "nothing changed when the program ended";
    const QDateTime before = QFileInfo(copy(QStringLiteral("c.txt"))).lastModified();
    ASSERT_TRUE(queuetest::waitFor(
        [&] {
            return QFileInfo(copy(QStringLiteral("c.txt"))).lastModified() != before ||
                   QFileInfo(copy(QStringLiteral("c.txt"))).size() != 9;
        },
        10000));
    QElapsedTimer sinceChange;
    sinceChange.start();
    ASSERT_TRUE(queuetest::waitFor([&] { return !m_questions.isEmpty(); }, 10000));
    EXPECT_GE(sinceChange.elapsed(), kSettleMs - 100) << "asked before the copy had settled";
    EXPECT_EQ(m_questions.size(), 1);
    EXPECT_TRUE(uploads().isEmpty()) << "answered No";

    // A second save while the "editor" keeps the file asks again.
    QFile file(copy(QStringLiteral("c.txt")));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("again\n");
    file.close();
    EXPECT_TRUE(queuetest::waitFor([&] { return m_questions.size() == 2; }, 10000));
}

TEST_F(RemoteFileOpenerTest, RememberedAnswerAsksNothingAndUploadsNothing)
{
    MainConfig()->SetValue(QStringLiteral("IDS_56DialogDefault"), 6);
    m_script = QStringLiteral("printf 'edited\\n' >> \"$1\"");
    QSignalSpy ended(&m_opener, &TRemoteFileOpener::programEnded);
    m_opener.fileDownloaded(downloaded(QStringLiteral("d.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return !ended.isEmpty(); }, 10000));
    EXPECT_FALSE(
        queuetest::waitFor([&] { return !m_questions.isEmpty() || !uploads().isEmpty(); }, kSettleMs * 3));
    // Even a remembered Yes gives the assumed answer No.
    EXPECT_TRUE(m_checked.isEmpty());
}

TEST_F(RemoteFileOpenerTest, TwoFilesTwoPrograms)
{
    m_script = QStringLiteral("sleep 0.3; printf \"$1\\n\" >> \"$1\"");
    m_answers = {QMessageBox::Yes, QMessageBox::Yes};
    QSignalSpy started(&m_opener, &TRemoteFileOpener::programStarted);
    QSignalSpy ended(&m_opener, &TRemoteFileOpener::programEnded);
    m_opener.fileDownloaded(downloaded(QStringLiteral("one.txt")));
    m_opener.fileDownloaded(downloaded(QStringLiteral("two.txt")));
    EXPECT_EQ(started.size(), 2);
    EXPECT_EQ(m_opener.recordCount(), 2);
    ASSERT_TRUE(queuetest::waitFor([&] { return uploads().size() == 2; }, 10000));
    EXPECT_EQ(ended.size(), 2);
    EXPECT_EQ(m_questions.size(), 2);
    QStringList names;
    for (TQueueItem* item : uploads())
        names.append(QFileInfo(item->LocalFilename).fileName());
    names.sort();
    EXPECT_EQ(names, (QStringList{"one.txt", "two.txt"}));
}

TEST_F(RemoteFileOpenerTest, NoApplicationOpensNothingAndShowsNothing)
{
    m_script.clear();
    QSignalSpy started(&m_opener, &TRemoteFileOpener::programStarted);
    m_opener.fileDownloaded(downloaded(QStringLiteral("e.bin")));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(m_opener.recordCount(), 0);
    EXPECT_TRUE(m_questions.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(copy(QStringLiteral("e.bin")))) << "the copy stays";

    // A program that cannot be started: nothing shown either.
    m_opener.setCommandLookup([](const QString&) {
        return std::optional<TOpenCommand>(TOpenCommand{QStringLiteral("/nonexistent/editor"), {}, {}});
    });
    QSignalSpy ended(&m_opener, &TRemoteFileOpener::programEnded);
    m_opener.fileDownloaded(downloaded(QStringLiteral("f.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return !ended.isEmpty(); }, 10000));
    EXPECT_TRUE(m_questions.isEmpty());
}

TEST_F(RemoteFileOpenerTest, FileChangedOnTheServerIsNotOverwrittenWithoutAsking)
{
    m_opener.queueOpen(m_host, QStringLiteral("/pub/"), QStringLiteral("g.txt"), 9, 45000.5);
    m_queue.ClearQueue();
    // Someone else saved it meanwhile: another size and time.
    m_server = {true, true, 20, 45001.0, {}};
    m_script = QStringLiteral("printf 'edited\\n' >> \"$1\"");
    m_answers = {QMessageBox::Yes, QMessageBox::No};
    m_opener.fileDownloaded(downloaded(QStringLiteral("g.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return m_questions.size() == 2; }, 10000));
    EXPECT_EQ(m_questions.at(1), QStringLiteral("The file /pub/g.txt was changed on the server after you "
                                                "downloaded it.\n\nWould you like to overwrite it with your "
                                                "modified file?"));
    EXPECT_TRUE(uploads().isEmpty());

    // Asked again after the next save, and this time overwritten on purpose.
    m_answers = {QMessageBox::Yes, QMessageBox::Yes};
    QFile file(copy(QStringLiteral("g.txt")));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("more\n");
    file.close();
    ASSERT_TRUE(queuetest::waitFor([&] { return uploads().size() == 1; }, 10000));
    EXPECT_EQ(m_questions.size(), 4);
}

TEST_F(RemoteFileOpenerTest, ServerThatCannotBeListedAsksBeforeUploading)
{
    m_server = {false, false, -1, -1, QStringLiteral("Connection refused")};
    m_script = QStringLiteral("printf 'edited\\n' >> \"$1\"");
    m_answers = {QMessageBox::Yes, QMessageBox::No};
    m_opener.fileDownloaded(downloaded(QStringLiteral("i.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return m_questions.size() == 2; }, 10000));
    EXPECT_EQ(m_questions.at(1),
              QStringLiteral("The file /pub/i.txt could not be compared with the server's "
                             "copy: Connection refused\n\nWould you like to upload it anyway?"));
    EXPECT_TRUE(uploads().isEmpty());
}

TEST_F(RemoteFileOpenerTest, CloseKeepsACopyWhoseUploadDidNotComplete)
{
    m_script = QStringLiteral("printf 'edited\\n' >> \"$1\"");
    m_answers = {QMessageBox::Yes};
    QSignalSpy uploaded(&m_opener, &TRemoteFileOpener::uploadStarted);
    QSignalSpy log(&m_opener, &TRemoteFileOpener::Log);
    m_opener.fileDownloaded(downloaded(QStringLiteral("j.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return !uploaded.isEmpty(); }, 10000));
    // The upload cannot reach its server: the edits must not go with the close.
    m_queue.StopQueue();
    m_opener.deleteTemporaryFiles();
    EXPECT_TRUE(QFileInfo::exists(copy(QStringLiteral("j.txt"))));
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(
        log.last().at(1).toString(),
        QStringLiteral("The modified file %1 has not been uploaded yet and was kept.").arg(copy("j.txt")));
}

TEST_F(RemoteFileOpenerTest, CloseDeletesTheCopiesAndTheFolder)
{
    m_script = QStringLiteral("exit 0");
    QSignalSpy ended(&m_opener, &TRemoteFileOpener::programEnded);
    m_opener.fileDownloaded(downloaded(QStringLiteral("h.txt")));
    ASSERT_TRUE(queuetest::waitFor([&] { return !ended.isEmpty(); }, 10000));
    m_opener.deleteTemporaryFiles();
    EXPECT_FALSE(QFileInfo::exists(copy(QStringLiteral("h.txt"))));
    EXPECT_FALSE(QFileInfo::exists(folder()));
    EXPECT_EQ(m_opener.recordCount(), 0);
}

TEST(RemoteFileOpenerFolderTest, TemporaryFolderIsPrivate)
{
    dialogtest::DialogEnvironment env;
    QWidget window;
    TFormLanguage language(QStringLiteral("MainForm"));
    TQueueManager queue;
    TRemoteFileOpener opener(window, language, queue);
    const QString folder = opener.temporaryFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(folder.startsWith(QDir::tempPath()));
    EXPECT_EQ(QFileInfo(folder).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                                 QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
              QFileDevice::Permissions());
    EXPECT_EQ(opener.temporaryFolder(), folder) << "one folder per run";
    opener.deleteTemporaryFiles();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

} // namespace
