// What a new user of vantor-ftp-cli reads and does first, run as a process: the
// help of every subcommand, --version, and making stored hosts without the window.
#include <string>

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "support/ScriptedFtpServer.h"
#include "support/qt/CliProcess.h"

using namespace testsupport;

namespace {

class CmdHelpTest : public ::testing::Test
{
protected:
    CliRun run(QStringList args) const
    {
        return runCli(QStringList{QStringLiteral("--data-dir"), m_data.path()} + args);
    }
    static bool contains(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }

    QTemporaryDir m_data;
};

TEST_F(CmdHelpTest, EverySubcommandHasAFullHelpWithExamples)
{
    for (const char* command : {"chgrp", "chmod", "chown", "find", "get", "hosts", "ls", "mkdir", "mv",
                                "parse-listing", "put", "queue", "rm"}) {
        const CliRun r = runCli({QString::fromLatin1(command), QStringLiteral("--help")});
        EXPECT_EQ(r.exitCode, 0) << command;
        const std::string usage = r.out.substr(0, r.out.find('\n'));
        EXPECT_EQ(usage.rfind("usage: vantor-ftp-cli " + std::string(command), 0), 0u) << r.out;
        // Every option is named in the usage line, none hidden behind dots.
        EXPECT_FALSE(contains(usage, "] ...")) << usage;
        EXPECT_FALSE(contains(usage, "\u2026")) << usage;
        EXPECT_TRUE(contains(r.out, "\nExamples:\n  vantor-ftp-cli " + std::string(command))) << r.out;
    }
}

TEST_F(CmdHelpTest, TheHelpExplainsURLsTlsCertificatesAndTheDefaults)
{
    const CliRun get = runCli({QStringLiteral("get"), QStringLiteral("--help")});
    for (const char* part :
         {"ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH", "relative to the directory the login starts in", "%2F",
          "a literal \"%\" is %25", "AUTH TLS", "ftps:// (implicit TLS) is not offered", "--insecure",
          "--trust-fingerprint HEX", "64 hex digits",
          "--parallel N             transfers at once (default 3)", "1 never retries", "(default 30)",
          "--exists ACTION", "VANTOR_FTP_PASSWORD", "~/.netrc"})
        EXPECT_TRUE(contains(get.out, part)) << part << "\n" << get.out;
    const CliRun top = runCli({QStringLiteral("--help")});
    EXPECT_EQ(top.exitCode, 0);
    EXPECT_TRUE(contains(top.out, "--version")) << top.out;
    EXPECT_TRUE(contains(top.out, "Examples:")) << top.out;
}

TEST_F(CmdHelpTest, VersionIsAnOption)
{
    const CliRun option = runCli({QStringLiteral("--version")});
    EXPECT_EQ(option.exitCode, 0) << option.err;
    EXPECT_EQ(option.out.rfind("vantor-ftp-cli ", 0), 0u) << option.out;
    EXPECT_EQ(runCli({QStringLiteral("version")}).out, option.out);
}

TEST_F(CmdHelpTest, HostsAreAddedListedUsedAndRemovedFromTheCommandLine)
{
    CliRun r = run({QStringLiteral("hosts")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, "No stored hosts. Add one with:\n  vantor-ftp-cli hosts add NAME")) << r.err;

    ScriptedFtpServer server;
    server.setAccount("bob", "pw");
    server.fs().addFile("/pub/a.txt", "a");
    std::string url = server.url("/pub");
    url.insert(std::string("ftp://").size(), "bob:pw@");
    r = run({QStringLiteral("hosts"), QStringLiteral("add"), QStringLiteral("My server"),
             QString::fromStdString(url), QStringLiteral("--active")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("added\tMy server\t{", 0), 0u) << r.out;
    {
        QFile stored(m_data.filePath(QStringLiteral("Hosts.xml")));
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
        EXPECT_FALSE(stored.readAll().contains("\"pw\"")) << "the password is stored enciphered";
    }

    r = run({QStringLiteral("hosts")});
    EXPECT_TRUE(contains(r.out, "/\tMy server\t127.0.0.1\t" + std::to_string(server.port()) + "\tbob\t{"))
        << r.out;
    // The path of the URL is the host's initial directory; --active is kept.
    r = run({QStringLiteral("ls"), QStringLiteral("--host"), QStringLiteral("My server")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\ta.txt\n")) << r.out;
    bool sawPort = false;
    for (const std::string& verb : server.verbs())
        sawPort = sawPort || verb == "PORT" || verb == "EPRT";
    EXPECT_TRUE(sawPort);

    // A URL where --host wants a path is refused before connecting.
    const int sessions = server.sessionCount();
    r = run({QStringLiteral("ls"), QStringLiteral("--host"), QStringLiteral("My server"),
             QString::fromStdString(url)});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "with --host the argument is a remote path")) << r.err;
    EXPECT_FALSE(contains(r.err, ":pw@")) << r.err;
    EXPECT_EQ(server.sessionCount(), sessions);

    r = run({QStringLiteral("hosts"), QStringLiteral("add"), QStringLiteral("My server"),
             QString::fromStdString(url)});
    EXPECT_EQ(r.exitCode, 1) << "one name, one host";
    EXPECT_TRUE(contains(r.err, "is stored already")) << r.err;

    r = run({QStringLiteral("hosts"), QStringLiteral("remove"), QStringLiteral("My server")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("removed\tMy server\t{", 0), 0u) << r.out;
    r = run({QStringLiteral("hosts")});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(run({QStringLiteral("hosts"), QStringLiteral("remove"), QStringLiteral("My server")}).exitCode,
              1);
    EXPECT_EQ(run({QStringLiteral("hosts"), QStringLiteral("add"), QStringLiteral("x")}).exitCode, 2);
    EXPECT_EQ(run({QStringLiteral("hosts"), QStringLiteral("add"), QStringLiteral("x"),
                   QStringLiteral("http://example.org/")})
                  .exitCode,
              2);
}

TEST_F(CmdHelpTest, DataDirWithoutAValueIsAUsageErrorNamingTheOption)
{
    CliRun r = runCli({QStringLiteral("--data-dir")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "--data-dir")) << r.err;
    r = runCli({QStringLiteral("hosts"), QStringLiteral("--data-dir")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "option --data-dir needs a value")) << r.err;
}

} // namespace
