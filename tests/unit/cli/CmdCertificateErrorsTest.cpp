// vantor-ftp-cli names every reason a server's certificate is not trusted.
#include <string>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/ScriptedFtpServer.h"
#include "support/TlsIdentity.h"
#include "support/qt/CliProcess.h"

using namespace testsupport;

TEST(CmdCertificateErrorsTest, AnExpiredCertificateForAnotherNameIsRefusedNamingBothFaults)
{
    ScriptedFtpServer server({.identity = TlsIdentity::create({.commonName = "wrong.example",
                                                               .altNames = {"DNS:wrong.example"},
                                                               .notBeforeDays = -30,
                                                               .notAfterDays = -1})});
    QTemporaryDir data;
    std::string url = server.url("/");
    url.insert(std::string("ftp://").size(), "bob:secret@");
    const CliRun r = runCli({QStringLiteral("--data-dir"), data.path(), QStringLiteral("ls"),
                             QStringLiteral("--tls"), QString::fromStdString(url)});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("  not trusted: certificate has expired\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  not trusted: IP address mismatch\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  not trusted: self-signed certificate\n"), std::string::npos) << r.err;
}
