// What a hostile server's names and replies can do to the user's terminal:
// vantor-ftp-cli run on a pseudo-terminal (script(1)) shows their control
// characters escaped; into a pipe the bytes stay as they are, for scripts.
#include <string>

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "support/ScriptedFtpServer.h"
#include "support/qt/CliProcess.h"

using namespace testsupport;

namespace {

const std::string kEvilName = "evil\x1b]0;owned\x07\x1b[31m.txt";
const std::string kEscapedName = "evil\\x1b]0;owned\\x07\\x1b[31m.txt";

std::string quoted(const QString& arg)
{
    std::string out = "'";
    for (const char c : arg.toStdString()) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

class CmdTerminalTextTest : public ::testing::Test
{
protected:
    CmdTerminalTextTest()
    {
        server.fs().addFile("/" + kEvilName, "x");
        server.setGreeting({.code = 220, .text = "Welcome\x1b[2J\x1b]0;greeted\x07"});
    }
    QString url(const std::string& path) const
    {
        std::string u = server.url(path);
        u.insert(std::string("ftp://").size(), "bob:secret@");
        return QString::fromStdString(u);
    }
    // Everything the tool wrote to its terminal (standard output and error both).
    std::string onTerminal(const QStringList& args) const
    {
        std::string command = quoted(qEnvironmentVariable("VANTOR_BINARY_DIR") + "/bin/vantor-ftp-cli") +
                              " --data-dir " + quoted(m_data.path());
        for (const QString& arg : args)
            command += " " + quoted(arg);
        QProcess p;
        p.setWorkingDirectory(m_work.path());
        p.start(QStringLiteral("script"),
                {QStringLiteral("-qec"), QString::fromStdString(command), QStringLiteral("/dev/null")});
        EXPECT_TRUE(p.waitForStarted(10000));
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return p.readAllStandardOutput().toStdString();
    }
    static bool has(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }

    ScriptedFtpServer server;
    QTemporaryDir m_data;
    QTemporaryDir m_work;
};

} // namespace

TEST_F(CmdTerminalTextTest, LsAndTheControlLogShowServerTextsEscapedOnATerminal)
{
    const std::string shown = onTerminal({QStringLiteral("-v"), QStringLiteral("ls"), url("/")});
    EXPECT_TRUE(has(shown, kEscapedName)) << shown;
    EXPECT_TRUE(has(shown, "Reply> 220 Welcome\\x1b[2J\\x1b]0;greeted\\x07")) << shown;
    EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x07'), std::string::npos) << shown;
}

TEST_F(CmdTerminalTextTest, TransferLinesShowTheNameEscapedOnATerminal)
{
    const std::string shown = onTerminal({QStringLiteral("-v"), QStringLiteral("get"), url("/" + kEvilName),
                                          m_work.path() + QStringLiteral("/")});
    EXPECT_TRUE(has(shown, kEscapedName)) << shown;
    // The progress bar's own line control aside, no escape of the server's gets through.
    EXPECT_FALSE(has(shown, "\x1b]0;")) << shown;
    EXPECT_FALSE(has(shown, "\x1b[2J")) << shown;
    EXPECT_FALSE(has(shown, "\x1b[31m")) << shown;
    // The file itself keeps its name as the server gave it.
    EXPECT_TRUE(QDir(m_work.path()).exists(QString::fromStdString(kEvilName)));
}

TEST_F(CmdTerminalTextTest, IntoAPipeTheNamesStayAsTheServerGaveThem)
{
    const CliRun r = runCli({QStringLiteral("--data-dir"), m_data.path(), QStringLiteral("ls"), url("/")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(r.out, kEvilName)) << r.out;
}
