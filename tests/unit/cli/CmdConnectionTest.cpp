// How vantor-ftp-cli uses its connections, run as a process against the scripted
// server: the look-up of what a get names and its transfer share one login, and an
// interrupted transfer ends with ABOR and QUIT.
#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "support/ScriptedFtpServer.h"
#include "support/qt/CliProcess.h"

using namespace testsupport;

namespace {

class CmdConnectionTest : public ::testing::Test
{
protected:
    CliRun run(const QStringList& args)
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
    int count(const std::string& verb) const
    {
        int n = 0;
        for (const std::string& v : server.verbs())
            n += v == verb;
        return n;
    }
    // The verbs one connection sent, in order.
    std::vector<std::string> verbsOf(int session) const
    {
        std::vector<std::string> verbs;
        for (const std::string& line : server.commands(session))
            verbs.push_back(line.substr(0, line.find(' ')));
        return verbs;
    }

    ScriptedFtpServer server;
    QTemporaryDir m_data;
    QTemporaryDir m_local;
};

TEST_F(CmdConnectionTest, AGetOfOneFileLogsInOnceAndSaysGoodbyeOnce)
{
    server.fs().addFile("/pub/one.txt", "one");
    const CliRun r = run({"get", url("/pub/one.txt"), local()});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("one.txt")), "one");
    EXPECT_EQ(server.sessionCount(), 1) << server.conversation();
    EXPECT_EQ(count("USER"), 1) << server.conversation();
    EXPECT_EQ(count("PASS"), 1) << server.conversation();
    ASSERT_TRUE(server.waitForCommand("QUIT"));
    EXPECT_EQ(count("QUIT"), 1) << server.conversation();
    // The transfer ran on the look-up's connection: after its LIST, not before.
    const std::vector<std::string> verbs = verbsOf(1);
    const auto list = std::find(verbs.begin(), verbs.end(), "LIST");
    EXPECT_NE(std::find(list, verbs.end(), "RETR"), verbs.end()) << server.conversation();
}

TEST_F(CmdConnectionTest, APutThatAsksWhereItsTargetIsLogsInOnce)
{
    QFile f(local("up.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("up");
    f.close();
    server.fs().addDirectory("/in");
    // No trailing "/": the server is asked whether /in is a directory first.
    const CliRun r = run({"put", local("up.txt"), url("/in")});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(server.fs().content("/in/up.txt"), "up");
    EXPECT_EQ(count("USER"), 1) << server.conversation();
    ASSERT_TRUE(server.waitForSessionsClosed());
    EXPECT_EQ(count("QUIT"), 1) << server.conversation();
}

TEST_F(CmdConnectionTest, OnlyTheFirstTransferOfALoginTakesTheLookUpsConnection)
{
    server.fs().addFile("/pub/a.txt", "a");
    server.fs().addFile("/pub/b.txt", "b");
    // One thread: both files go over the one login.
    CliRun r = run({"get", url("/pub/a.txt"), url("/pub/b.txt"), local("one"), "--parallel", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("one/b.txt")), "b");
    EXPECT_EQ(count("USER"), 1) << server.conversation();

    // Two threads: the second logs in on its own.
    server.clearTranscript();
    const int before = server.sessionCount();
    r = run({"get", url("/pub/a.txt"), url("/pub/b.txt"), local("two"), "--parallel", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(read(local("two/a.txt")), "a");
    EXPECT_EQ(read(local("two/b.txt")), "b");
    EXPECT_LE(server.sessionCount() - before, 2) << server.conversation();
    EXPECT_EQ(count("USER"), server.sessionCount() - before) << server.conversation();
}

TEST_F(CmdConnectionTest, AnInterruptedDownloadSendsAborAndQuitAndExits130)
{
    const std::string content(2 * 1024 * 1024, 'i');
    server.fs().addFile("/big.bin", content);
    server.addOverride({.command = "RETR", .times = 1, .data = {.bytesPerSecond = 256 * 1024}});
    QProcess p;
    p.start(qEnvironmentVariable("VANTOR_BINARY_DIR") + QStringLiteral("/bin/vantor-ftp-cli"),
            {"--data-dir", m_data.path(), "get", url("/big.bin"), local()});
    ASSERT_TRUE(p.waitForStarted(10000));
    p.closeWriteChannel();
    QDeadlineTimer deadline(20000);
    while (QFileInfo(local("big.bin")).size() < 64 * 1024 && !deadline.hasExpired())
        p.waitForFinished(50);
    ASSERT_GE(QFileInfo(local("big.bin")).size(), 64 * 1024);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(20000));
    const std::string out = p.readAllStandardOutput().toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130) << out << p.readAllStandardError().toStdString();
    EXPECT_NE(out.find(" of 2097152 bytes; --resume continues it"), std::string::npos) << out;

    // On the transfer's connection: ABOR while RETR ran, then QUIT, and nothing
    // cut it before.
    ASSERT_TRUE(server.waitForSessionsClosed());
    const std::vector<std::string> verbs = verbsOf(1);
    const auto retr = std::find(verbs.begin(), verbs.end(), "RETR");
    const auto abor = std::find(retr, verbs.end(), "ABOR");
    ASSERT_NE(abor, verbs.end()) << server.conversation();
    EXPECT_NE(std::find(abor, verbs.end(), "QUIT"), verbs.end()) << server.conversation();
    EXPECT_EQ(count("QUIT"), 1) << server.conversation();
}

} // namespace
