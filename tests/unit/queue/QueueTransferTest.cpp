#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <netinet/in.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "QueueTestSupport.h"
#include "core/EInOutError.h"
#include "engine/EFTPTransferException.h"
#include "ftp/CertificateInfo.h"
#include "queue/TQueueManager.h"
#include "unit/ftp/SilentServer.h"

using namespace queuetest;
using namespace testsupport;

namespace {

class QueueTransferTest : public ::testing::Test
{
protected:
    QueueTransferTest()
    {
        MainConfig()->SetMaxFTPTransferCount(1);
        QObject::connect(&m_manager, &TQueueManager::OnItemComplete,
                         [this](TQueueItem* item) { m_completed.append(item->RemoteFilename); });
        QObject::connect(&m_manager, &TQueueManager::OnItemError, [this](TQueueItem* item) {
            m_errors.append(item->LastError ? item->LastError->Message() : QString());
            m_errorStates.append(item->StatusText);
        });
        QObject::connect(&m_manager, &TQueueManager::Log,
                         [this](TLogKind, const QString& text) { m_log.append(text); });
    }

    TQueueItem* download(const QString& remote, qint64 size = -1)
    {
        return m_manager.AddDownload(m_host, "/", true, kUnknownDateTime, size, false, m_env.localRoot(),
                                     remote);
    }

    bool runUntilIdle(int timeoutMs = 20000)
    {
        m_manager.Schedule();
        return waitFor([this] { return m_manager.isIdle(); }, timeoutMs);
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
    TQueueManager m_manager;
    QStringList m_completed;
    QStringList m_errors;
    QStringList m_errorStates;
    QStringList m_log;
};

// Every file below `dir`, relative path -> content.
std::map<QString, QByteArray> localTree(const QString& dir)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(dir).relativeFilePath(path)] = readAll(path);
    }
    return files;
}

} // namespace

// --- Directories both ways -----------------------------------------------------------------

TEST_F(QueueTransferTest, ADirectoryTreeComesDownByteForByte)
{
    m_server.fs().addFile("/pub/tree/a.bin", pattern(70000, 1));
    m_server.fs().addFile("/pub/tree/.hidden", "h");
    m_server.fs().addFile("/pub/tree/x/y/z.bin", pattern(3000, 2));
    m_server.fs().addFile("/pub/tree/x/empty.txt", "");
    m_server.fs().addDirectory("/pub/tree/void");
    MainConfig()->SetMaxFTPTransferCount(3);
    m_manager.AddDownload(m_host, "/pub/", true, kUnknownDateTime, 0, true, m_env.localRoot(), "/pub/tree");
    ASSERT_TRUE(runUntilIdle()) << m_server.conversation();
    EXPECT_EQ(m_manager.itemCount(), 0) << m_errors.join("|").toStdString();
    const auto files = localTree(m_env.local("tree"));
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files.at("a.bin").toStdString(), pattern(70000, 1));
    EXPECT_EQ(files.at(".hidden"), "h");
    EXPECT_EQ(files.at("x/y/z.bin").toStdString(), pattern(3000, 2));
    EXPECT_EQ(files.at("x/empty.txt"), "");
    EXPECT_TRUE(QFileInfo(m_env.local("tree/void")).isDir());
}

TEST_F(QueueTransferTest, AnEmptyRemoteDirectoryMakesTheLocalOneAndAddsNothing)
{
    m_server.fs().addDirectory("/empty");
    int added = 0;
    QObject::connect(&m_manager, &TQueueManager::OnItemAdded, [&](TQueueItem*) { ++added; });
    m_manager.AddDownload(m_host, "/", true, kUnknownDateTime, 0, true, m_env.localRoot(), "/empty");
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(added, 1);
    EXPECT_EQ(m_completed, QStringList{"/empty"});
    EXPECT_TRUE(QFileInfo(m_env.local("empty")).isDir());
}

TEST_F(QueueTransferTest, ADirectoryTreeGoesUpByteForByte)
{
    ASSERT_TRUE(writeAll(m_env.local("up/one.bin"), QByteArray::fromStdString(pattern(90000, 3))));
    ASSERT_TRUE(writeAll(m_env.local("up/deep/er/two.txt"), "two"));
    ASSERT_TRUE(writeAll(m_env.local("up/.dot"), ""));
    ASSERT_TRUE(QDir().mkpath(m_env.local("up/nothing")));
    m_server.fs().addDirectory("/in");
    MainConfig()->SetMaxFTPTransferCount(3);
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/in/", m_env.local("up"));
    ASSERT_TRUE(runUntilIdle()) << m_server.conversation();
    EXPECT_EQ(m_manager.itemCount(), 0) << m_errors.join("|").toStdString();
    EXPECT_EQ(m_server.fs().content("/in/up/one.bin"), pattern(90000, 3));
    EXPECT_EQ(m_server.fs().content("/in/up/deep/er/two.txt"), "two");
    EXPECT_EQ(m_server.fs().content("/in/up/.dot"), "");
    EXPECT_TRUE(m_server.fs().isDirectory("/in/up/nothing"));
    // Files go up with STOR (APPE only resumes). The directories were made by
    // this run, so nothing can be in them yet: no file is asked for.
    EXPECT_TRUE(hasCommand(m_server, "STOR one.bin"));
    EXPECT_EQ(countVerb(m_server, "MLST"), 0);
    EXPECT_EQ(countVerb(m_server, "APPE"), 0);
    EXPECT_EQ(countVerb(m_server, "LIST"), 0);
}

TEST_F(QueueTransferTest, AnUploadIntoAnExistingDirectoryAsksWhetherTheFileIsThere)
{
    ASSERT_TRUE(writeAll(m_env.local("f.txt"), "f"));
    m_server.fs().addDirectory("/in");
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/in/", m_env.local("f.txt"));
    ASSERT_TRUE(runUntilIdle()) << m_server.conversation();
    EXPECT_EQ(m_server.fs().content("/in/f.txt"), "f");
    // A missing name's 550 is no error.
    EXPECT_TRUE(hasCommand(m_server, "MLST f.txt"));
}

TEST_F(QueueTransferTest, ASecondUploadOfTheSameNameIntoANewDirectoryIsChecked)
{
    // The directory item expands after the file item queued behind it: the file
    // item goes first into the directory the run made, the expansion's twin of it
    // then finds the file there instead of writing over it.
    ASSERT_TRUE(writeAll(m_env.local("d/f.txt"), "same"));
    m_server.fs().addDirectory("/in");
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/in/", m_env.local("d"));
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/in/", m_env.local("d/f.txt"));
    m_manager.Schedule();
    // The twin waits for an answer to its prompt, so the queue is not idle.
    ASSERT_TRUE(waitFor([this] { return m_manager.threadCount() == 0 && m_errors.size() == 1; }, 20000))
        << m_server.conversation();
    EXPECT_EQ(m_server.fs().content("/in/d/f.txt"), "same");
    EXPECT_EQ(countVerb(m_server, "MLST"), 1);
    EXPECT_EQ(countVerb(m_server, "STOR"), 1);
    EXPECT_EQ(m_manager.itemCount(), 1);
}

TEST_F(QueueTransferTest, AnUploadToABCCreatesBAndCInTurn)
{
    ASSERT_TRUE(writeAll(m_env.local("c/f.txt"), "f"));
    m_server.fs().addDirectory("/a");
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/a/b/", m_env.local("c"));
    ASSERT_TRUE(runUntilIdle());
    const std::vector<std::string> commands = m_server.commands();
    std::vector<std::string> relevant;
    for (const std::string& c : commands)
        if (c.rfind("CWD", 0) == 0 || c.rfind("MKD", 0) == 0)
            relevant.push_back(c);
    ASSERT_GE(relevant.size(), 7u) << m_server.conversation();
    EXPECT_EQ(
        std::vector<std::string>(relevant.begin(), relevant.begin() + 7),
        (std::vector<std::string>{"CWD /a/b/c/", "CWD /a", "CWD b", "MKD b", "CWD b", "CWD c", "MKD c"}));
    EXPECT_EQ(m_server.fs().content("/a/b/c/f.txt"), "f");
}

TEST_F(QueueTransferTest, ARemoteDirectoryThatCannotBeEnteredAfterMkdFailsWithNoPermission)
{
    ASSERT_TRUE(writeAll(m_env.local("c/f.txt"), "f"));
    m_server.addOverride({.command = "CWD", .argument = "/b", .code = 550, .text = "Permission denied"});
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local("c/f.txt"));
    m_manager.Items()[0]->RemoteFilename = "/b/f.txt";
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(m_errorStates.size(), 1);
    EXPECT_EQ(m_errorStates[0], "Can't create upload file directory. Insufficient permissions.");
    EXPECT_TRUE(hasCommand(m_server, "MKD /b"));
}

// --- Names and paths that must not be used -------------------------------------------------------

TEST_F(QueueTransferTest, ListingNamesWithDotsOrSeparatorsNeverEscapeTheLocalRoot)
{
    m_server.fs().addDirectory("/d");
    m_server.fs().setListing("/d", "-rw-r--r--   1 ftp ftp   5 Mar  5 14:07 ../../escape.txt\r\n"
                                   "drwxr-xr-x   2 ftp ftp 4096 Mar  5 14:07 ..\r\n"
                                   "-rw-r--r--   1 ftp ftp   5 Mar  5 14:07 back\\slash\r\n"
                                   "-rw-r--r--   1 ftp ftp   2 Mar  5 14:07 ok.txt\r\n");
    m_server.fs().addFile("/d/ok.txt", "ok");
    m_server.fs().addFile("/escape.txt", "bad");
    const QString root = m_env.local("inner/");
    m_manager.AddDownload(m_host, "/", true, kUnknownDateTime, 0, true, root, "/d");
    ASSERT_TRUE(runUntilIdle()) << m_server.conversation();
    EXPECT_EQ(m_completed, (QStringList{"/d", "/d/ok.txt"}));
    const auto written = localTree(m_env.local(""));
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written.begin()->first, "inner/d/ok.txt");
    EXPECT_FALSE(QFile::exists(m_env.local("escape.txt")));
    EXPECT_FALSE(QFile::exists(m_env.root() + "/escape.txt"));
    EXPECT_EQ(readAll(root + "d/ok.txt"), "ok");
    EXPECT_EQ(countVerb(m_server, "RETR"), 1);
    ASSERT_EQ(m_log.size(), 2) << m_log.join("\n").toStdString();
    EXPECT_TRUE(m_log[0].contains("../../escape.txt"));
}

TEST_F(QueueTransferTest, AnItemWhosePathLeavesItsRootFailsWithoutAnyCommand)
{
    download("/../../etc/passwd", 10);
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_TRUE(m_errors[0].startsWith("Refusing the local path")) << m_errors[0].toStdString();
    EXPECT_EQ(m_server.sessionCount(), 0);
    EXPECT_EQ(m_manager.Items()[0]->State, TTransferState::tsError);
    EXPECT_EQ(m_manager.Items()[0]->RetryCount, 3);
}

TEST_F(QueueTransferTest, ADownloadIntoASymlinkOrFifoIsRefused)
{
    m_server.fs().addFile("/link.txt", "remote");
    m_server.fs().addFile("/fifo.txt", "remote");
    ASSERT_TRUE(writeAll(m_env.root() + "/target.txt", "keep"));
    ASSERT_EQ(::symlink((m_env.root() + "/target.txt").toUtf8().constData(),
                        m_env.local("link.txt").toUtf8().constData()),
              0);
    ASSERT_EQ(::mkfifo(m_env.local("fifo.txt").toUtf8().constData(), 0600), 0);
    TQueueItem* link = download("/link.txt");
    TQueueItem* fifo = download("/fifo.txt");
    link->FileExistsAction = TFileAlreadyExistsAction::faeOverwrite;
    fifo->FileExistsAction = TFileAlreadyExistsAction::faeOverwrite;
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(m_errors.size(), 2);
    EXPECT_TRUE(m_errors[0].contains("a symbolic link")) << m_errors[0].toStdString();
    EXPECT_TRUE(m_errors[1].contains("a FIFO")) << m_errors[1].toStdString();
    EXPECT_EQ(readAll(m_env.root() + "/target.txt"), "keep");
    EXPECT_TRUE(QFileInfo(m_env.local("link.txt")).isSymLink());
    EXPECT_EQ(countVerb(m_server, "RETR"), 0);
}

// --- Connections ------------------------------------------------------------------------

TEST_F(QueueTransferTest, ItemsOfOneLoginShareItAndAnotherUserOrTlsSettingGetsItsOwn)
{
    for (const char* name : {"/1", "/2", "/3", "/4", "/5"})
        m_server.fs().addFile(name, name);
    download("/1");
    download("/2");
    THost other = m_host;
    other.Username = "alice";
    m_manager.AddDownload(other, "/", true, kUnknownDateTime, -1, false, m_env.localRoot(), "/3");
    THost secure = other;
    secure.UseSSL = true;
    m_manager.AddDownload(secure, "/", true, kUnknownDateTime, -1, false, m_env.localRoot(), "/4");
    m_manager.AddDownload(m_host, "/", true, kUnknownDateTime, -1, false, m_env.localRoot(), "/5");
    const std::string fingerprint = m_server.fingerprintSha256();
    m_manager.setCertificateDecider(
        [fingerprint](const THost&, const ftp::CertificateInfo& info) { return info.sha256 == fingerprint; });
    ASSERT_TRUE(runUntilIdle()) << m_server.conversation();
    EXPECT_EQ(m_completed.size(), 5) << m_errors.join("|").toStdString();
    EXPECT_EQ(m_server.sessionCount(), 4);
    const std::vector<std::string> users = [&] {
        std::vector<std::string> u;
        for (const std::string& c : m_server.commands())
            if (c.rfind("USER ", 0) == 0)
                u.push_back(c);
        return u;
    }();
    EXPECT_EQ(users, (std::vector<std::string>{"USER bob", "USER alice", "USER alice", "USER bob"}));
    EXPECT_EQ(countVerb(m_server, "AUTH"), 1);
}

TEST_F(QueueTransferTest, UploadsLogInAgainBeforeTheTls13TicketsRunOut)
{
    // A TLS-1.3-only server that takes each ticket back and gives none on a
    // resumed upload (as proftpd does): two uploads per login, and no failure.
    ScriptedFtpServer server(
        {.tls13Only = true, .settings = {.requireTlsSessionReuse = true, .ticketsOnDataConnections = false}});
    server.fs().addDirectory("/in");
    THost host = hostFor(server);
    host.UseSSL = true;
    const std::string fingerprint = server.fingerprintSha256();
    m_manager.setCertificateDecider(
        [fingerprint](const THost&, const ftp::CertificateInfo& info) { return info.sha256 == fingerprint; });
    for (int i = 1; i <= 5; ++i) {
        const QString name = QStringLiteral("f%1.txt").arg(i);
        ASSERT_TRUE(writeAll(m_env.local(name), name.toUtf8()));
        m_manager.AddUpload(host, m_env.localRoot(), true, "/in/", m_env.local(name));
    }
    ASSERT_TRUE(runUntilIdle()) << server.conversation();
    EXPECT_EQ(m_completed.size(), 5) << m_errors.join("|").toStdString();
    EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join("|").toStdString();
    EXPECT_EQ(server.fs().content("/in/f5.txt").value_or(""), "f5.txt");
    EXPECT_EQ(server.dataStats().resumedTlsSessions, 5);
}

TEST_F(QueueTransferTest, AnUnverifiedCertificateWithoutConsentIsAPermanentFailure)
{
    m_server.fs().addFile("/f", "f");
    m_host.UseSSL = true;
    TQueueItem* item = download("/f");
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_FALSE(item->LastError->retryable());
    EXPECT_EQ(item->RetryCount, 3);
    EXPECT_EQ(countVerb(m_server, "RETR"), 0);
}

TEST_F(QueueTransferTest, UnknownHostAndRefusedConnectionShowTheirTexts)
{
    int port = 0;
    {
        // A port nobody listens on: bound, then closed.
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        ::close(fd);
    }
    THost refused = m_host;
    refused.Port = port;
    THost unknown = m_host;
    unknown.Hostname = "no-such-host.invalid";
    TQueueItem* a = m_manager.AddDownload(refused, "/", true, 1.0, 1, false, m_env.localRoot(), "/f");
    TQueueItem* b = m_manager.AddDownload(unknown, "/", true, 1.0, 1, false, m_env.localRoot(), "/f");
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_errors.size() == 2 && m_manager.threadCount() == 0; }, 40000));
    EXPECT_EQ(a->StatusText, "Connection to remote host refused.");
    EXPECT_EQ(b->StatusText, "Host not found.");
    const auto* failed = dynamic_cast<const EFTPTransferException*>(b->LastError.get());
    ASSERT_NE(failed, nullptr);
    EXPECT_TRUE(failed->LongDescription.startsWith("Can't find the hostname"));
}

// --- Resume and transfer type ----------------------------------------------------------------

TEST_F(QueueTransferTest, ADownloadCutMidFileResumesByteExactOnTheRetry)
{
    const std::string content = pattern(300000, 7);
    m_server.fs().addFile("/big.bin", content);
    m_server.addOverride(
        {.command = "RETR", .times = 1, .data = {.kind = DataFaultKind::CutAfter, .bytes = 100000}});
    m_manager.SetDefaultLocalSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    TQueueItem* item = download("/big.bin");
    qint64 bytesAtCompletion = 0;
    QObject::connect(&m_manager, &TQueueManager::OnItemComplete,
                     [&](TQueueItem* done) { bytesAtCompletion = done->BytesDone.load(); });
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_errors.size() == 1 && m_manager.threadCount() == 0; }))
        << m_server.conversation();
    EXPECT_TRUE(item->LastError->retryable());
    EXPECT_EQ(QFileInfo(m_env.local("big.bin")).size(), 100000);
    m_manager.TickRetryDelays();
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1; })) << m_server.conversation();
    EXPECT_TRUE(hasCommand(m_server, "REST 100000"));
    EXPECT_EQ(sha256(readAll(m_env.local("big.bin"))), sha256(QByteArray::fromStdString(content)));
    EXPECT_EQ(bytesAtCompletion, 300000);
}

TEST_F(QueueTransferTest, TheTypeComesFromTheTableByTheLocalName)
{
    m_server.fs().addFile("/notes.TXT", "a\nb\n");
    m_server.fs().addFile("/data.bin", "xy");
    FileTransferTypes()->setTypeList({{".txt", "ASCII"}});
    download("/notes.TXT");
    download("/data.bin");
    ASSERT_TRUE(runUntilIdle());
    std::vector<std::string> types;
    for (const std::string& c : m_server.commands())
        if (c.rfind("TYPE", 0) == 0)
            types.push_back(c);
    EXPECT_EQ(types, (std::vector<std::string>{"TYPE A", "TYPE I"}));
    EXPECT_EQ(readAll(m_env.local("data.bin")), "xy");
}

TEST_F(QueueTransferTest, OverwritingARemoteFileThatCannotBeReplacedOrDeletedFails)
{
    // As an anonymous upload folder answers: no writing over a file, no deleting.
    ASSERT_TRUE(writeAll(m_env.local("f.txt"), "new"));
    m_server.fs().addFile("/f.txt", "old");
    m_server.addOverride({.command = "STOR", .code = 553, .text = "Could not create file."});
    m_server.addOverride({.command = "DELE", .code = 550, .text = "Permission denied"});
    m_manager.SetDefaultRemoteExistsAction(TFileAlreadyExistsAction::faeOverwrite);
    TQueueItem* item = m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local("f.txt"));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(item->StatusText, "Could not delete the remote file.");
    ASSERT_EQ(m_errors.size(), 1);
    EXPECT_EQ(m_errors[0], "Could not delete the remote file.");
    EXPECT_EQ(m_server.fs().content("/f.txt"), "old");
}

TEST_F(QueueTransferTest, AnUploadResumesFromTheSizeOfItsOwnEntryWhenTheServerListsOthersToo)
{
    // A server without MLST is asked with LIST; one that globs, or reads a leading
    // "-" as options, lists more than the name.
    m_server.setFeatures({"SIZE", "REST STREAM", "EPSV", "PASV"});
    ASSERT_TRUE(writeAll(m_env.local("a.txt"), "abcdefghij"));
    m_server.fs().addFile("/a.txt", "abc");
    m_server.fs().setListing("/a.txt", "-rw-r--r--   1 ftp ftp   100 Mar  5 14:07 a.txt.bak\r\n"
                                       "-rw-r--r--   1 ftp ftp     3 Mar  5 14:07 a.txt\r\n");
    m_manager.SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction::faeResume);
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local("a.txt"));
    ASSERT_TRUE(runUntilIdle()) << m_server.conversation();
    EXPECT_EQ(m_completed.size(), 1) << m_errors.join("|").toStdString();
    EXPECT_EQ(m_server.uploaded("/a.txt"), "defghij");
    EXPECT_EQ(m_server.fs().content("/a.txt"), "abcdefghij");
    EXPECT_EQ(countVerb(m_server, "MLST"), 0);
    EXPECT_EQ(countVerb(m_server, "LIST"), 1);
}

TEST_F(QueueTransferTest, AStaleSizeFailsTheFirstAttemptAndTheRetryAsksTheServer)
{
    // The size given with the item saves a SIZE command, but a file that shrank
    // since must not pass for complete; the retry takes the server's word.
    m_server.fs().addFile("/shrunk.bin", pattern(1000, 4));
    TQueueItem* item =
        m_manager.AddDownload(m_host, "/", true, 1.0, 2000, false, m_env.localRoot(), "/shrunk.bin");
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_errors.size() == 1 && m_manager.threadCount() == 0; }));
    EXPECT_TRUE(item->LastError->retryable()) << m_errors[0].toStdString();
    EXPECT_EQ(countVerb(m_server, "SIZE"), 0);
    // The partial file is smaller than the size the item still believes in.
    item->SmallerFileExistsAction = TFileAlreadyExistsAction::faeOverwrite;
    m_manager.TickRetryDelays();
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1; })) << m_server.conversation();
    EXPECT_EQ(countVerb(m_server, "SIZE"), 1);
    EXPECT_EQ(readAll(m_env.local("shrunk.bin")).toStdString(), pattern(1000, 4));
}

TEST_F(QueueTransferTest, AnUploadedTreeLeavesOutFifosAndLinksToDirectories)
{
    ASSERT_TRUE(writeAll(m_env.local("t/file.txt"), "f"));
    ASSERT_EQ(::mkfifo(m_env.local("t/pipe").toUtf8().constData(), 0600), 0);
    ASSERT_EQ(::symlink(m_env.local("t").toUtf8().constData(), m_env.local("t/loop").toUtf8().constData()),
              0);
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local("t"));
    ASSERT_TRUE(runUntilIdle()) << m_server.conversation();
    EXPECT_EQ(m_manager.itemCount(), 0);
    EXPECT_EQ(m_server.fs().content("/t/file.txt"), "f");
    EXPECT_FALSE(m_server.fs().exists("/t/pipe"));
    EXPECT_FALSE(m_server.fs().exists("/t/loop"));
    EXPECT_EQ(m_log.size(), 2) << m_log.join("\n").toStdString();
    // Given by itself, a FIFO is refused before it could block anything.
    EXPECT_THROW(m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local("t/pipe")),
                 EInOutError);
}

TEST_F(QueueTransferTest, WithoutMlstAMissingNamesErrorReplyToListIsNoError)
{
    m_server.setFeatures({"SIZE", "REST STREAM", "EPSV", "PASV"});
    ASSERT_TRUE(writeAll(m_env.local("new.txt"), "new"));
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local("new.txt"));
    ASSERT_TRUE(runUntilIdle()) << m_server.conversation();
    EXPECT_EQ(m_completed.size(), 1) << m_errors.join("|").toStdString();
    EXPECT_TRUE(hasCommand(m_server, "LIST new.txt"));
    EXPECT_EQ(m_server.fs().content("/new.txt"), "new");
}

TEST_F(QueueTransferTest, AServerThatNeverGreetsIsATimeOutNotARefusal)
{
    SilentServer silent;
    MainConfig()->SetValue(QStringLiteral("ConnectTimeout"), 1);
    THost host = m_host;
    host.Port = silent.port();
    TQueueItem* item =
        m_manager.AddDownload(host, "/", true, 45000.5, 5, false, m_env.localRoot(), QStringLiteral("/f"));
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_errors.size() == 1 && m_manager.threadCount() == 0; }, 10000));
    EXPECT_EQ(m_errors[0], "Connection to remote host timed out.");
    EXPECT_EQ(item->StatusText, "Connection to remote host timed out.");
    ASSERT_TRUE(item->LastError);
    EXPECT_TRUE(item->LastError->retryable());
}
