// The remote subcommands of vantor-ftp-cli (ls, mkdir, rm, mv, chmod, chown,
// chgrp, find), run as a process against the scripted server.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <csignal>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "support/ScriptedFtpServer.h"
#include "support/qt/CliProcess.h"

using namespace testsupport;

namespace {

class CmdRemoteTest : public ::testing::Test
{
protected:
    CliRun run(QStringList args)
    {
        return runCli(QStringList{QStringLiteral("--data-dir"), m_data.path()} + args);
    }
    QString url(const std::string& path, const std::string& credentials = "bob:secret@") const
    {
        std::string u = server.url(path);
        u.insert(std::string("ftp://").size(), credentials);
        return QString::fromStdString(u);
    }
    static bool has(const std::vector<std::string>& list, const std::string& item)
    {
        return std::find(list.begin(), list.end(), item) != list.end();
    }

    ScriptedFtpServer server;
    QTemporaryDir m_dir;

private:
    QTemporaryDir m_data;
};

TEST_F(CmdRemoteTest, LsPrintsTheWorkersListingWithLinksResolved)
{
    server.fs().addFile("/pub/readme.txt", "hello");
    server.fs().addDirectory("/real");
    server.fs().addSymlink("/pub/docs", "/real");
    server.addOverride({.command = "CWD", .argument = "docs", .code = 250, .text = "OK"});
    const CliRun r = run({QStringLiteral("ls"), url("/pub")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("d\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\tdocs\t-> /real\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("-\t5\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\treadme.txt\n"), std::string::npos) << r.out;
    EXPECT_TRUE(has(server.commands(), "CWD pub"));
    EXPECT_EQ(server.commands().back(), "QUIT");
}

TEST_F(CmdRemoteTest, VerbosePrintsTheControlLogWithThePasswordMasked)
{
    const CliRun r = run({QStringLiteral("-v"), QStringLiteral("ls"), url("/")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Command> USER bob\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Command> PASS ******\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Reply> 220"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("secret"), std::string::npos) << r.err;
}

TEST_F(CmdRemoteTest, MkdirMvAndRmChangeTheServersFiles)
{
    server.fs().addFile("/pub/old.txt", "x");
    EXPECT_EQ(run({QStringLiteral("mkdir"), url("/pub/new")}).exitCode, 0);
    EXPECT_TRUE(server.fs().isDirectory("/pub/new"));
    EXPECT_EQ(run({QStringLiteral("mv"), url("/pub/old.txt"), QStringLiteral("renamed.txt")}).exitCode, 0);
    EXPECT_TRUE(server.fs().exists("/pub/renamed.txt"));
    EXPECT_EQ(run({QStringLiteral("rm"), url("/pub/renamed.txt")}).exitCode, 0);
    EXPECT_FALSE(server.fs().exists("/pub/renamed.txt"));
    EXPECT_TRUE(has(server.commands(), "RNFR old.txt"));
    EXPECT_TRUE(has(server.commands(), "DELE renamed.txt"));
}

TEST_F(CmdRemoteTest, LsOfAFileListsThatFile)
{
    server.fs().addFile("/pub/readme.txt", "hello");
    server.fs().addFile("/pub/other.txt", "x");
    const CliRun r = run({QStringLiteral("ls"), url("/pub/readme.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_NE(r.out.find("-\t5\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\treadme.txt\n"), std::string::npos) << r.out;
    const CliRun missing = run({QStringLiteral("ls"), url("/pub/nothing.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("pub/nothing.txt: no such file or directory"), std::string::npos)
        << missing.err;
}

TEST_F(CmdRemoteTest, MkdirWithPMakesTheMissingParents)
{
    server.fs().addDirectory("/have");
    EXPECT_EQ(run({QStringLiteral("mkdir"), QStringLiteral("-p"), url("/have/a/b/c")}).exitCode, 0);
    EXPECT_TRUE(server.fs().isDirectory("/have/a/b/c"));
    // An existing directory is no error with -p, and one without it.
    EXPECT_EQ(run({QStringLiteral("mkdir"), QStringLiteral("-p"), url("/have/a")}).exitCode, 0);
    EXPECT_EQ(run({QStringLiteral("mkdir"), url("/have/a")}).exitCode, 1);
    EXPECT_EQ(run({QStringLiteral("mkdir"), url("/none/x")}).exitCode, 1) << "without -p no parents";
    EXPECT_FALSE(server.fs().exists("/none"));
}

TEST_F(CmdRemoteTest, MvOntoAnExistingNameRefusesWithoutForce)
{
    server.fs().addFile("/pub/a.txt", "a");
    server.fs().addFile("/pub/b.txt", "b");
    server.fs().addDirectory("/archive");
    CliRun r = run({QStringLiteral("mv"), url("/pub/a.txt"), QStringLiteral("b.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("b.txt exists: not replaced (--force replaces it)"), std::string::npos) << r.err;
    EXPECT_FALSE(has(server.verbs(), "RNFR"));
    EXPECT_EQ(server.fs().content("/pub/b.txt"), "b");
    r = run({QStringLiteral("mv"), QStringLiteral("--force"), url("/pub/a.txt"), QStringLiteral("b.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(server.fs().content("/pub/b.txt"), "a");
    // A new name in another directory, relative or absolute.
    r = run({QStringLiteral("mv"), url("/pub/b.txt"), QStringLiteral("../archive/b.txt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(server.fs().exists("/archive/b.txt"));
    server.fs().addFile("/pub/c.txt", "c");
    r = run({QStringLiteral("mv"), url("/pub/c.txt"), QStringLiteral("/archive/b.txt")});
    EXPECT_EQ(r.exitCode, 1) << "an absolute name is checked too";
}

TEST_F(CmdRemoteTest, AFailedOperationPrintsItsErrorAndExitsWithOne)
{
    const CliRun r = run({QStringLiteral("rm"), url("/missing.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Could not delete the remote file. (550"), std::string::npos) << r.err;
    const CliRun cd = run({QStringLiteral("ls"), url("/no/such/dir")});
    EXPECT_EQ(cd.exitCode, 1);
    EXPECT_NE(cd.err.find("Could not change to choosen directory."), std::string::npos) << cd.err;
    // Said once, as a text: no class names, with or without -v.
    for (const CliRun& said : {cd, run({QStringLiteral("-v"), QStringLiteral("ls"), url("/no/such/dir")})}) {
        const std::string& err = said.err;
        EXPECT_EQ(err.find("EFT"), std::string::npos) << err;
        const std::size_t first = err.find("Could not change to choosen directory.");
        ASSERT_NE(first, std::string::npos) << err;
        EXPECT_EQ(err.find("Could not change to choosen directory.", first + 1), std::string::npos) << err;
    }
}

TEST_F(CmdRemoteTest, RecursiveRmDeletesATreeAndRefusesOneWithALink)
{
    server.fs().addFile("/t/plain/a/b.txt", "b");
    server.fs().addFile("/t/linked/keep.txt", "k");
    server.fs().addSymlink("/t/linked/sub/link", "/");
    EXPECT_EQ(run({QStringLiteral("rm"), QStringLiteral("-r"), url("/t/plain")}).exitCode, 0);
    EXPECT_FALSE(server.fs().exists("/t/plain"));

    const CliRun r = run({QStringLiteral("rm"), QStringLiteral("-r"), url("/t/linked")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Can't delete directory."), std::string::npos) << r.err;
    // Which link, and where, without -v.
    EXPECT_NE(r.err.find("/t/linked/sub holds the symbolic link \"link\"; nothing there is deleted"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(server.fs().exists("/t/linked/sub/link"));
}

TEST_F(CmdRemoteTest, SiteCommandsPutTheValueBeforeTheName)
{
    server.fs().addFile("/pub/f", "x");
    EXPECT_EQ(run({QStringLiteral("chmod"), QStringLiteral("640"), url("/pub/f")}).exitCode, 0);
    EXPECT_EQ(run({QStringLiteral("chown"), QStringLiteral("alice"), url("/pub/f")}).exitCode, 0);
    EXPECT_EQ(run({QStringLiteral("chgrp"), QStringLiteral("staff"), url("/pub/f")}).exitCode, 0);
    EXPECT_TRUE(has(server.commands(), "SITE CHMOD 640 f"));
    EXPECT_TRUE(has(server.commands(), "SITE CHOWN alice f"));
    EXPECT_TRUE(has(server.commands(), "SITE CHGRP staff f"));
    EXPECT_EQ(server.fs().node("/pub/f")->permissions, "rw-r-----");
    const CliRun bad = run({QStringLiteral("chmod"), QStringLiteral("999"), url("/pub/f")});
    EXPECT_EQ(bad.exitCode, 2);
}

TEST_F(CmdRemoteTest, ChmodTakesOctalOrSymbolicModesAndRefusesAnythingElse)
{
    server.fs().addFile("/pub/f", "x");
    EXPECT_EQ(run({QStringLiteral("chmod"), QStringLiteral("0640"), url("/pub/f")}).exitCode, 0);
    EXPECT_TRUE(has(server.commands(), "SITE CHMOD 0640 f"));
    EXPECT_EQ(server.fs().node("/pub/f")->permissions, "rw-r-----");
    // Symbolic modes start from what the listing shows.
    CliRun r = run({QStringLiteral("chmod"), QStringLiteral("u+x,o+r"), url("/pub/f")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(server.commands(), "SITE CHMOD 744 f")) << server.conversation();
    r = run({QStringLiteral("chmod"), QStringLiteral("go=,u-w"), url("/pub/f")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(server.commands(), "SITE CHMOD 500 f")) << server.conversation();
    const int sessions = server.sessionCount();
    for (const char* bad : {"", "64", "77777", "0x1ff", "rw", "u+q", "u+x;rm", "644 f", "+"}) {
        const CliRun refused = run({QStringLiteral("chmod"), QString::fromLatin1(bad), url("/pub/f")});
        EXPECT_EQ(refused.exitCode, 2) << bad;
    }
    EXPECT_EQ(server.sessionCount(), sessions) << "a bad mode is refused before connecting";
}

TEST_F(CmdRemoteTest, FindPrintsEachMatchThenTheCount)
{
    server.fs().addFile("/w/a.txt", "1");
    server.fs().addFile("/w/sub/B.TXT", "2");
    server.fs().addFile("/w/sub/c.log", "3");
    const CliRun r = run({QStringLiteral("find"), url("/w"), QStringLiteral("*.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "/w\ta.txt\n/w/sub\tB.TXT\n2 matches\n");
    EXPECT_EQ(run({QStringLiteral("find"), url("/w"), QStringLiteral("[z-a]")}).exitCode, 2);
    const CliRun missing = run({QStringLiteral("find"), url("/nowhere"), QStringLiteral("*")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nowhere: the directory could not be read"), std::string::npos) << missing.err;
}

TEST_F(CmdRemoteTest, AnUntrustedCertificateIsRefusedWithoutATerminal)
{
    const CliRun r = run({QStringLiteral("ls"), QStringLiteral("--tls"), url("/")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("--trust-fingerprint " + server.fingerprintSha256()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("The server's certificate was rejected."), std::string::npos) << r.err;
    EXPECT_FALSE(has(server.verbs(), "USER"));

    const CliRun trusted =
        run({QStringLiteral("ls"), QStringLiteral("--tls"), QStringLiteral("--trust-fingerprint"),
             QString::fromStdString(server.fingerprintSha256()), url("/")});
    EXPECT_EQ(trusted.exitCode, 0) << trusted.err;
}

TEST_F(CmdRemoteTest, AFingerprintThatDoesNotMatchIsNamedBesideTheServersOne)
{
    const std::string wrong(64, 'a');
    const std::string line = "does not match " + wrong + " given with --trust-fingerprint";
    // The browsing commands and the queue-based ones alike.
    for (const QString& command : {QStringLiteral("ls"), QStringLiteral("get")}) {
        QStringList args{command, QStringLiteral("--tls"), QStringLiteral("--trust-fingerprint"),
                         QString::fromStdString(wrong), url("/f")};
        if (command == QLatin1String("get"))
            args.append(m_dir.path());
        const CliRun r = run(args);
        EXPECT_EQ(r.exitCode, 1) << command.toStdString();
        EXPECT_NE(r.err.find("its SHA-256 fingerprint " + server.fingerprintSha256() + " " + line),
                  std::string::npos)
            << r.err;
        EXPECT_FALSE(has(server.verbs(), "USER"));
    }
}

TEST_F(CmdRemoteTest, AnInterruptedCommandExits130)
{
    server.setGreeting({.code = 220, .text = "slow", .delay = std::chrono::milliseconds(20000)});
    QProcess p;
    p.start(qEnvironmentVariable("VANTOR_BINARY_DIR") + QStringLiteral("/bin/vantor-ftp-cli"),
            {QStringLiteral("ls"), url("/")});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(server.waitUntil([&] { return server.sessionCount() > 0; }));
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 130);
    EXPECT_NE(p.readAllStandardError().indexOf("interrupted"), -1);
}

TEST_F(CmdRemoteTest, BadUsageExitsWithTwo)
{
    EXPECT_EQ(run({QStringLiteral("ls"), QStringLiteral("http://example.org/")}).exitCode, 2);
    EXPECT_EQ(run({QStringLiteral("mv"), url("/a")}).exitCode, 2);
    EXPECT_EQ(run({QStringLiteral("rm"), url("/")}).exitCode, 2);
}

} // namespace
