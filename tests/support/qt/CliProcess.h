#pragma once

// Runs the built vantor-ftp-cli as a process, the way a user or a script would.
#include <gtest/gtest.h>

#include <string>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

struct CliRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `input` is written to the tool's standard input, which is then closed (a tool
// that waits for a terminal answer sees end of input). A tool that does not
// start or end in time fails the calling test.
inline CliRun runCli(const QStringList& args, const QByteArray& input = {}, int timeoutMs = 60000)
{
    QProcess p;
    p.start(qEnvironmentVariable("VANTOR_BINARY_DIR") + QStringLiteral("/bin/vantor-ftp-cli"), args);
    CliRun r;
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << "vantor-ftp-cli did not start; build the vantor-ftp-cli target";
        return r;
    }
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        ADD_FAILURE() << "vantor-ftp-cli did not finish";
        p.kill();
        p.waitForFinished(5000);
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

} // namespace testsupport
