// get, put and queue of vantor-ftp-cli, run as a process against the scripted
// server: transfers through the queue, the queue options, queue files.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include "support/ScriptedFtpServer.h"
#include "support/qt/CliProcess.h"

using namespace testsupport;

namespace {

class CmdQueueTest : public ::testing::Test
{
protected:
    CliRun run(QStringList args)
    {
        return runCli(QStringList{QStringLiteral("--data-dir"), m_data.path()} + args);
    }
    QString url(const std::string& path) const
    {
        std::string u = server.url(path);
        u.insert(std::string("ftp://").size(), "bob:secret@");
        return QString::fromStdString(u);
    }
    QString local(const QString& relative = {}) const { return m_local.path() + QLatin1Char('/') + relative; }
    static QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& data)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    int count(const std::string& verb) const
    {
        int n = 0;
        for (const std::string& v : server.verbs())
            n += v == verb;
        return n;
    }
    static bool contains(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }

    // The tool on a terminal of its own (util-linux script), `input` typed into it.
    CliRun runOnTerminal(const QStringList& args, const QByteArray& input)
    {
        QString command = qEnvironmentVariable("VANTOR_BINARY_DIR") + QStringLiteral("/bin/vantor-ftp-cli");
        for (const QString& a : QStringList{QStringLiteral("--data-dir"), m_data.path()} + args)
            command += QStringLiteral(" '") + QString(a).replace(QLatin1String("'"), QLatin1String("'\\''")) +
                       QLatin1Char('\'');
        QProcess p;
        p.start(QStringLiteral("script"), {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
        CliRun r;
        if (!p.waitForStarted(10000))
            return r;
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(5000);
            return r;
        }
        r.exitCode = p.exitCode();
        r.out = p.readAllStandardOutput().toStdString();
        return r;
    }
    static bool hasScript() { return !QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty(); }

    ScriptedFtpServer server;
    QTemporaryDir m_data;
    QTemporaryDir m_local;
};

TEST_F(CmdQueueTest, GetTakesSeveralSourcesFilesAndTreesIntoTheDirectory)
{
    server.fs().addFile("/pub/one.txt", "one");
    server.fs().addFile("/pub/tree/a.txt", "a");
    server.fs().addFile("/pub/tree/sub/b.txt", "bb");
    const CliRun r = run({"get", url("/pub/one.txt"), url("/pub/tree"), local("in"), "--parallel", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("in/one.txt")), "one");
    EXPECT_EQ(read(local("in/tree/a.txt")), "a");
    EXPECT_EQ(read(local("in/tree/sub/b.txt")), "bb");
    EXPECT_TRUE(
        contains(r.out, "done\tdownload\t/pub/tree/sub/b.txt\t" + local("in/tree/sub/b.txt").toStdString()))
        << r.out;
}

TEST_F(CmdQueueTest, PutTakesATreeIntoTheRemoteDirectoryMakingItsLevels)
{
    write(local("up/x.bin"), QByteArray(70000, 'x'));
    write(local("up/deep/y.txt"), "y");
    write(local("single.txt"), "s");
    const CliRun r = run({"put", local("up"), local("single.txt"), url("/in/coming")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(server.fs().content("/in/coming/up/x.bin"), std::string(70000, 'x'));
    EXPECT_EQ(server.fs().content("/in/coming/up/deep/y.txt"), "y");
    EXPECT_EQ(server.fs().content("/in/coming/single.txt"), "s");
}

TEST_F(CmdQueueTest, PutNamesTheTargetAsCpDoes)
{
    server.fs().addDirectory("/in/existing");
    write(local("f.txt"), "file");
    write(local("tree/a.txt"), "a");
    write(local("tree/sub/b.txt"), "b");
    // A name that does not exist is the new file's name.
    CliRun r = run({"put", local("f.txt"), url("/in/renamed.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(server.fs().content("/in/renamed.txt"), "file");
    EXPECT_FALSE(server.fs().exists("/in/renamed.txt/f.txt"));
    // A trailing "/" or an existing directory takes the file under its own name.
    r = run({"put", local("f.txt"), url("/in/made/")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(server.fs().content("/in/made/f.txt"), "file");
    r = run({"put", local("f.txt"), url("/in/existing")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(server.fs().content("/in/existing/f.txt"), "file");
    // A tree to a new name becomes that directory.
    r = run({"put", local("tree"), url("/in/copy")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(server.fs().content("/in/copy/a.txt"), "a");
    EXPECT_EQ(server.fs().content("/in/copy/sub/b.txt"), "b");
    EXPECT_FALSE(server.fs().exists("/in/copy/tree"));
    // Relative to the login directory as well.
    r = run({"put", local("f.txt"), url("/in/existing/../rel.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
}

TEST_F(CmdQueueTest, GetNamesTheTargetAsCpDoes)
{
    server.fs().addFile("/pub/one.txt", "one");
    server.fs().addFile("/pub/tree/a.txt", "a");
    server.fs().addFile("/pub/tree/sub/b.txt", "bb");
    QDir().mkpath(local("existing"));
    CliRun r = run({"get", url("/pub/one.txt"), local("copy.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("copy.txt")), "one");
    EXPECT_TRUE(QFileInfo(local("copy.txt")).isFile());
    r = run({"get", url("/pub/one.txt"), local("made/")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("made/one.txt")), "one");
    r = run({"get", url("/pub/one.txt"), local("existing")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("existing/one.txt")), "one");
    r = run({"get", url("/pub/tree"), local("tree2")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("tree2/a.txt")), "a");
    EXPECT_EQ(read(local("tree2/sub/b.txt")), "bb");
    EXPECT_FALSE(QFileInfo::exists(local("tree2/tree")));
    // Several sources need a directory.
    write(local("plain"), "x");
    EXPECT_EQ(run({"get", url("/pub/one.txt"), url("/pub/tree"), local("plain")}).exitCode, 2);
}

TEST_F(CmdQueueTest, AMissingSourceIsReportedAndTheOthersAreStillFetched)
{
    server.fs().addFile("/pub/one.txt", "one");
    server.fs().addFile("/pub/two.txt", "two");
    const CliRun r =
        run({"get", url("/pub/one.txt"), url("/pub/missing.txt"), url("/pub/two.txt"), local("in")});
    EXPECT_EQ(r.exitCode, 1) << r.err << r.out;
    EXPECT_TRUE(contains(r.err, "/pub/missing.txt: no such file or directory")) << r.err;
    EXPECT_EQ(read(local("in/one.txt")), "one");
    EXPECT_EQ(read(local("in/two.txt")), "two");
    EXPECT_TRUE(contains(r.out, "done\tdownload\t/pub/two.txt")) << r.out;
    // Nothing at all to fetch: a failure, and nothing transferred.
    const CliRun none = run({"get", url("/pub/missing.txt"), local("in2")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(local("in2")));
}

TEST_F(CmdQueueTest, VerboseShowsTheTransferConnectionsWithThePasswordMasked)
{
    write(local("v.txt"), "v");
    const CliRun r = run({"put", local("v.txt"), url("/in/"), "-v"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_TRUE(contains(r.err, "Command> STOR v.txt")) << r.err;
    EXPECT_TRUE(contains(r.err, "Reply> 226")) << r.err;
    EXPECT_TRUE(contains(r.err, "Command> PASS ******")) << r.err;
    EXPECT_FALSE(contains(r.err, "secret")) << r.err;
}

TEST_F(CmdQueueTest, ExistingFilesAreSkippedWithoutATerminalAndTheExitStatusSaysSo)
{
    server.fs().addFile("/f.txt", "remote");
    write(local("f.txt"), "local!");
    CliRun r = run({"get", url("/f.txt"), local()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.out, "skipped\tdownload\t/f.txt")) << r.out;
    EXPECT_EQ(read(local("f.txt")), "local!");
    EXPECT_EQ(count("RETR"), 0);

    r = run({"get", url("/f.txt"), local(), "--exists", "overwrite"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("f.txt")), "remote");
}

TEST_F(CmdQueueTest, ASkipTheUserAskedForSucceeds)
{
    server.fs().addFile("/f.txt", "remote");
    server.fs().addFile("/in/up.txt", "there");
    write(local("f.txt"), "local!");
    write(local("up.txt"), "short");
    CliRun r = run({"get", url("/f.txt"), local(), "--exists", "skip"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_TRUE(contains(r.out, "skipped (already there)\tdownload\t/f.txt")) << r.out;
    EXPECT_EQ(read(local("f.txt")), "local!");
    r = run({"put", local("up.txt"), url("/in/"), "--exists", "skip"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_TRUE(contains(r.out, "skipped (already there)\tupload\t/in/up.txt")) << r.out;
    EXPECT_EQ(server.fs().content("/in/up.txt"), "there");
    // Resuming a file that is already complete has nothing to do.
    write(local("f.txt"), "remote");
    r = run({"get", url("/f.txt"), local(), "--resume"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_TRUE(contains(r.out, "skipped (already there)\tdownload\t/f.txt")) << r.out;
    EXPECT_EQ(count("RETR"), 0);
    // A skip beside a failure: the failure decides.
    server.fs().addFile("/g.txt", "g");
    server.addOverride({.command = "RETR", .code = 550, .text = "Gone"});
    r = run({"get", url("/f.txt"), url("/g.txt"), local(), "--exists", "skip"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(contains(r.out, "failed\tdownload\t/g.txt")) << r.out;
}

TEST_F(CmdQueueTest, ASkipAnsweredOnTheTerminalSucceeds)
{
    if (!hasScript())
        GTEST_SKIP() << "no script(1) to give the tool a terminal";
    server.fs().addFile("/f.txt", "remote");
    write(local("f.txt"), "local!");
    CliRun r = runOnTerminal({"get", url("/f.txt"), local()}, "s\n");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "Your choice (Skip in 30 s)")) << r.out;
    EXPECT_TRUE(contains(r.out, "skipped (already there)\tdownload\t/f.txt")) << r.out;
    EXPECT_EQ(read(local("f.txt")), "local!");
    r = runOnTerminal({"get", url("/f.txt"), local()}, "o\n");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(read(local("f.txt")), "remote");
}

TEST_F(CmdQueueTest, TheProgressSummaryCountsEachByteOnceAndResumedBytesApart)
{
    if (!hasScript())
        GTEST_SKIP() << "no script(1) to give the tool a terminal";
    const std::string content(3 * 1024 * 1024, 'p');
    server.fs().addFile("/big.bin", content);
    CliRun r = runOnTerminal({"get", url("/big.bin"), local()}, {});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "100%  1/1 files  3.0 MiB  ")) << r.out;
    EXPECT_FALSE(contains(r.out, "6.0 MiB")) << r.out;
    EXPECT_FALSE(contains(r.out, "resumed")) << r.out;

    write(local("big.bin"), QByteArray::fromStdString(content.substr(0, 1024 * 1024)));
    r = runOnTerminal({"get", url("/big.bin"), local(), "--resume"}, {});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "100%  1/1 files  3.0 MiB (1.0 MiB resumed)  ")) << r.out;
    EXPECT_EQ(read(local("big.bin")).size(), qsizetype(content.size()));

    // Nothing moved: no bar at all.
    r = runOnTerminal({"get", url("/big.bin"), local(), "--exists", "skip"}, {});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "skipped (already there)")) << r.out;
    EXPECT_FALSE(contains(r.out, "%")) << r.out;
}

TEST_F(CmdQueueTest, TheFileExistsQuestionShowsExactSizesInTheBarsUnits)
{
    if (!hasScript())
        GTEST_SKIP() << "no script(1) to give the tool a terminal";
    server.fs().addFile("/f.bin", std::string(1572864, 'r'));
    write(local("f.bin"), QByteArray(1048576, 'r'));
    const CliRun r = runOnTerminal({"get", url("/f.bin"), local()}, "s\n");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "Local file:   Size: 1.0 MiB (1048576 bytes)")) << r.out;
    EXPECT_TRUE(contains(r.out, "Remote file:  Size: 1.5 MiB (1572864 bytes)")) << r.out;
    EXPECT_FALSE(contains(r.out, " KB")) << r.out;
}

TEST_F(CmdQueueTest, AnInterruptStopsTheTransferSaysHowFarItGotAndExits130)
{
    const std::string content(2 * 1024 * 1024, 'i');
    server.fs().addFile("/big.bin", content);
    server.addOverride({.command = "RETR", .times = 1, .data = {.bytesPerSecond = 256 * 1024}});
    QProcess p;
    p.start(qEnvironmentVariable("VANTOR_BINARY_DIR") + QStringLiteral("/bin/vantor-ftp-cli"),
            {"--data-dir", m_data.path(), "get", url("/big.bin"), local()});
    ASSERT_TRUE(p.waitForStarted(10000));
    p.closeWriteChannel();
    // Some of the file has arrived.
    QDeadlineTimer deadline(20000);
    while (QFileInfo(local("big.bin")).size() < 64 * 1024 && !deadline.hasExpired())
        p.waitForFinished(50);
    ASSERT_GE(QFileInfo(local("big.bin")).size(), 64 * 1024);
    p.terminate(); // SIGTERM, as Ctrl-C's SIGINT
    ASSERT_TRUE(p.waitForFinished(20000));
    const std::string out = p.readAllStandardOutput().toStdString();
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130) << out << err;
    EXPECT_TRUE(contains(out, "interrupted\tdownload\t/big.bin\t")) << out;
    EXPECT_TRUE(contains(out, " of 2097152 bytes; --resume continues it")) << out;
    EXPECT_TRUE(contains(err, "interrupted")) << err;
    EXPECT_LT(QFileInfo(local("big.bin")).size(), qint64(content.size()));

    const CliRun resumed = run({"get", url("/big.bin"), local(), "--resume"});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err << resumed.out;
    EXPECT_EQ(read(local("big.bin")).toStdString(), content);
}

TEST_F(CmdQueueTest, AQuestionNobodyAnswersIsSkippedWhenItsCountdownRunsOut)
{
    if (!hasScript())
        GTEST_SKIP() << "no script(1) to give the tool a terminal";
    server.fs().addFile("/f.txt", "remote");
    write(local("f.txt"), "local!");
    // The terminal stays open and silent: only the countdown can answer.
    QString command = qEnvironmentVariable("VANTOR_BINARY_DIR") + QStringLiteral("/bin/vantor-ftp-cli");
    for (const QString& a : QStringList{"--data-dir", m_data.path(), "get", url("/f.txt"), local()})
        command += QStringLiteral(" '") + a + QLatin1Char('\'');
    QProcess p;
    p.start(QStringLiteral("script"), {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string out = p.readAllStandardOutput().toStdString();
    EXPECT_EQ(p.exitCode(), 0) << out;
    EXPECT_TRUE(contains(out, "No answer: skipped.")) << out;
    EXPECT_TRUE(contains(out, "skipped (already there)\tdownload\t/f.txt")) << out;
    EXPECT_EQ(read(local("f.txt")), "local!");
}

TEST_F(CmdQueueTest, ResumeContinuesAPartialFileFromItsLength)
{
    const std::string content(100000, 'r');
    server.fs().addFile("/big.bin", content + "tail");
    write(local("big.bin"), QByteArray::fromStdString(content.substr(0, 40000)));
    const CliRun r = run({"get", url("/big.bin"), local(), "--resume"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("big.bin")).toStdString(), content + "tail");
    const auto commands = server.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "REST 40000"), commands.end());
}

TEST_F(CmdQueueTest, AFailedTransferIsRetriedAsOftenAsAsked)
{
    server.fs().addFile("/f.txt", "content");
    server.addOverride({.command = "RETR", .code = 450, .text = "Busy", .times = 2});
    CliRun r = run({"get", url("/f.txt"), local(), "--retries", "2", "--retry-delay", "0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.out, "failed\tdownload\t/f.txt")) << r.out;
    EXPECT_TRUE(contains(r.out, "450 Busy")) << r.out;
    EXPECT_EQ(count("RETR"), 2);

    server.addOverride({.command = "RETR", .code = 450, .text = "Busy", .times = 1});
    r = run({"get", url("/f.txt"), local(), "--retries", "3", "--retry-delay", "0"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(read(local("f.txt")), "content");
}

TEST_F(CmdQueueTest, AttemptsCountTheFirstOneAndVerboseShowsEachFailure)
{
    server.fs().addFile("/f.txt", "content");
    server.addOverride({.command = "RETR", .code = 450, .text = "Busy", .times = 2});
    CliRun r = run({"-v", "get", url("/f.txt"), local(), "--attempts", "3", "--retry-delay", "0"});
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_TRUE(contains(r.err, "Status> Attempt 1 of 3 failed: /f.txt: ")) << r.err;
    EXPECT_TRUE(contains(r.err, "Status> Attempt 2 of 3 failed: /f.txt: ")) << r.err;
    EXPECT_TRUE(contains(r.err, "450 Busy")) << r.err;
    EXPECT_FALSE(contains(r.err, "Attempt 3 of 3")) << r.err;
    EXPECT_EQ(count("RETR"), 3);

    for (const char* option : {"--attempts", "--retries"}) {
        r = run({"get", url("/f.txt"), local(), option, "0"});
        EXPECT_EQ(r.exitCode, 2) << option;
        EXPECT_TRUE(contains(r.err, "it counts attempts, the first one included: 1 never retries")) << r.err;
    }
    EXPECT_EQ(run({"get", url("/f.txt"), local(), "--attempts", "1", "--retries", "1"}).exitCode, 2);
}

TEST_F(CmdQueueTest, VerbosePrefixesEveryLineOfAMultiLineReplyAndSaysAnErrorOnce)
{
    // An upload into an absolute directory ending in "/" logs in only on the transfer's connection.
    write(local("up.txt"), "up");
    server.setGreeting({.code = 220, .text = "Welcome\nto the\nscripted server"});
    server.addOverride({.command = "STOR", .code = 550, .text = "No such file here"});
    const CliRun r = run({"-v", "put", local("up.txt"), url("//in/"), "--attempts", "1"});
    EXPECT_EQ(server.sessionCount(), 1);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(contains(r.err, "Reply> 220-Welcome\nReply> to the\nReply> 220 scripted server\n")) << r.err;
    EXPECT_FALSE(contains(r.err, "EFT")) << r.err;
    const std::size_t first = r.out.find("No such file here");
    ASSERT_NE(first, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("No such file here", first + 1), std::string::npos) << r.out;
}

TEST_F(CmdQueueTest, AddToQueueTransfersNothingAndQueueRunDoesItLater)
{
    server.fs().addFile("/pub/a.txt", "aaa");
    server.fs().addFile("/pub/d/b.txt", "b");
    write(local("up.txt"), "up");
    const QString queue = local("my queue.xml");
    CliRun r = run({"get", url("/pub/a.txt"), url("/pub/d"), local("in"), "--add-to-queue", queue});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = run({"put", local("up.txt"), url("/incoming/"), "--add-to-queue", queue});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(count("RETR") + count("STOR") + count("APPE"), 0);
    EXPECT_FALSE(QFileInfo::exists(local("in/a.txt")));
    // The URL's host went into the quick-connect list, so the file can name it.
    EXPECT_TRUE(read(m_data.path() + "/QuickHosts.xml").contains("Hostname=\"127.0.0.1\""));

    r = run({"queue", "list", queue});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "download\t/pub/a.txt\t" + local("in/a.txt").toStdString() + "\t3\n" +
                         "download\t/pub/d\t" + local("in/d").toStdString() + "\tdir\n" +
                         "upload\t/incoming/up.txt\t" + local("up.txt").toStdString() + "\t2\n");

    r = run({"queue", "run", queue});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("in/a.txt")), "aaa");
    EXPECT_EQ(read(local("in/d/b.txt")), "b");
    EXPECT_EQ(server.fs().content("/incoming/up.txt"), "up");
    // What completed is no longer in the file.
    r = run({"queue", "list", queue});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(CmdQueueTest, ANamedQueueFileKeepsWhatIsLeftSoASecondRunContinues)
{
    server.fs().addFile("/a.txt", "a");
    server.fs().addFile("/b.txt", "b");
    const QString queue = local("nightly.xml");
    ASSERT_EQ(run({"get", url("/a.txt"), url("/b.txt"), local("in/"), "--add-to-queue", queue}).exitCode, 0);
    server.addOverride({.command = "RETR", .argument = "/b.txt", .code = 550, .text = "Not now"});
    CliRun r = run({"queue", "run", queue, "--attempts", "1"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(read(local("in/a.txt")), "a");
    r = run({"queue", "list", queue});
    EXPECT_EQ(r.out, "download\t/b.txt\t" + local("in/b.txt").toStdString() + "\t1\n");
    server.clearOverrides();
    const int before = count("RETR");
    r = run({"queue", "run", queue});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(count("RETR"), before + 1) << "only what was left ran";
    EXPECT_EQ(read(local("in/b.txt")), "b");
    EXPECT_EQ(run({"queue", "list", queue}).out, "");
}

TEST_F(CmdQueueTest, WithoutAQueueFileListAndRunAgree)
{
    const QString fresh = m_data.path() + "/not/made/yet";
    CliRun list = runCli({"--data-dir", fresh, "queue", "list"});
    CliRun run = runCli({"--data-dir", fresh, "queue", "run"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(contains(list.err, "nothing queued")) << list.err;
    EXPECT_TRUE(contains(run.err, "nothing queued")) << run.err;
    // A named file that does not exist is a mistake, for both.
    EXPECT_EQ(runCli({"--data-dir", fresh, "queue", "list", local("typo.xml")}).exitCode, 1);
    EXPECT_EQ(runCli({"--data-dir", fresh, "queue", "run", local("typo.xml")}).exitCode, 1);
}

TEST_F(CmdQueueTest, AMissingDataFolderIsMadeForTransfersToo)
{
    server.fs().addFile("/f.txt", "f");
    const QString fresh = m_data.path() + "/deep/er/data";
    const CliRun r = runCli({"--data-dir", fresh, "get", url("/f.txt"), local()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(read(local("f.txt")), "f");
    EXPECT_TRUE(QFileInfo(fresh).isDir());
}

TEST_F(CmdQueueTest, TheWindowsQueueKeepsWhatFailed)
{
    server.fs().addFile("/ok.txt", "ok");
    CliRun r = run({"get", url("/ok.txt"), url("/missing.txt"), local(), "--add-to-queue",
                    m_data.path() + "/Queue.xml"});
    EXPECT_EQ(r.exitCode, 1); // the missing source is found out at once
    r = run({"get", url("/ok.txt"), local(), "--add-to-queue", m_data.path() + "/Queue.xml"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    server.addOverride({.command = "RETR", .code = 550, .text = "Gone"});
    r = run({"queue", "run"});
    EXPECT_EQ(r.exitCode, 1);
    r = run({"queue", "list"});
    EXPECT_TRUE(contains(r.out, "download\t/ok.txt")) << r.out;
    server.clearOverrides();
    r = run({"queue", "run"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    r = run({"queue", "list"});
    EXPECT_EQ(r.out, "");
}

TEST_F(CmdQueueTest, TheWindowsQueueKeepsACopyOfItemsItCouldNotLoadAndRunsTheRest)
{
    server.fs().addFile("/ok.txt", "ok");
    CliRun r = run({"get", url("/ok.txt"), local(), "--add-to-queue", m_data.path() + "/Queue.xml"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // An item of a host that is not stored, and one with a direction the program
    // does not know, beside the good one.
    QByteArray queue = read(m_data.path() + "/Queue.xml");
    const QByteArray foreign =
        "  <QueueItem HostID=\"{99999999-2222-3333-4444-555555555555}\" "
        "RemoteFilename=\"/x\" RemoteRoot=\"/\" IsDirectory=\"False\" FileSize=\"1\" "
        "FileModifiedDateTime=\"\" LocalRoot=\"/in/\" TransferDirection=\"Download\"/>\n"
        "  <QueueItem HostID=\"{99999999-2222-3333-4444-555555555555}\" "
        "TransferDirection=\"Sideways\"/>\n";
    queue.replace("</QueueList>", foreign + "</QueueList>");
    write(m_data.path() + "/Queue.xml", queue);
    r = run({"queue", "run"});
    EXPECT_EQ(r.exitCode, 1) << "items were left out";
    EXPECT_EQ(read(local("ok.txt")), "ok") << "the rest ran";
    EXPECT_TRUE(contains(r.err, "2 item(s) of ")) << r.err;
    EXPECT_TRUE(contains(r.err, "1 of a host that is not stored, 1 with an unknown transfer direction"))
        << r.err;
    const QStringList copies = QDir(m_data.path()).entryList({"Queue.xml.unreadable-*"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1) << r.err;
    EXPECT_TRUE(contains(r.err, copies[0].toStdString())) << r.err;
    EXPECT_EQ(read(m_data.path() + "/" + copies[0]), queue);
}

TEST_F(CmdQueueTest, BadOptionsAreUsageErrors)
{
    EXPECT_EQ(run({"get", url("/f"), local(), "--parallel", "0"}).exitCode, 2);
    EXPECT_EQ(run({"get", url("/f"), local(), "--exists", "maybe"}).exitCode, 2);
    EXPECT_EQ(run({"get", url("/f"), local(), "--resume", "--exists", "skip"}).exitCode, 2);
    EXPECT_EQ(run({"get", url("/f")}).exitCode, 2);
    EXPECT_EQ(run({"queue", "walk"}).exitCode, 2);
    EXPECT_EQ(server.sessionCount(), 0);
}

} // namespace
