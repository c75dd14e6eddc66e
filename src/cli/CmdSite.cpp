#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliWorkerSession.h"
#include "ftp/FtpError.h"

// chmod, chown and chgrp: the SITE commands of the file properties.

namespace {

enum class SiteKind
{
    Chmod,
    Chown,
    Chgrp,
};

int runSite(SiteKind kind, const char* usage, const cli::CliArgs& args)
{
    if (args.positional().size() != 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli %s\n", usage);
        return cli::kExitUsage;
    }
    const QString value = QString::fromStdString(args.positional()[0]);
    return cli::runOnSession(args, args.positional()[1],
                             [&](cli::CliWorkerSession& session, const std::string& path) {
                                 const auto [parent, name] = cli::splitRemotePath(path);
                                 if (name.empty() || value.isEmpty()) {
                                     std::fprintf(stderr, "usage: vantor-ftp-cli %s\n", usage);
                                     return cli::kExitUsage;
                                 }
                                 if (!session.changeDir(parent))
                                     return cli::kExitFailed;
                                 const QString qname = QString::fromStdString(name);
                                 TFTPWorker& worker = session.worker();
                                 try {
                                     switch (kind) {
                                     case SiteKind::Chmod:
                                         worker.SiteChmod(qname, value);
                                         break;
                                     case SiteKind::Chown:
                                         worker.SiteChown(qname, value);
                                         break;
                                     case SiteKind::Chgrp:
                                         worker.SiteChgrp(qname, value);
                                         break;
                                     }
                                 } catch (const ftp::FtpError& e) {
                                     return cli::failWith(e);
                                 }
                                 return cli::kExitOk;
                             });
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "chmod", "chmod MODE URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "set a remote file's permissions (SITE CHMOD)", cli::CliWorkerSession::flags(),
    cli::CliWorkerSession::valueOptions(),
    [](const cli::CliArgs& args) { return runSite(SiteKind::Chmod, "chmod MODE URL", args); },
    std::string("MODE is octal, three or four digits (644, 0755), or symbolic as chmod(1) takes it\n"
                "(u+x, go-w, a=r, u+x,g-w), worked out from the permissions the listing shows.\n"
                "Anything else is refused (exit status 2).\n\n") +
        cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli chmod 644 ftp://bob@example.org/www/index.html\n"
        "  vantor-ftp-cli chmod u+x ftp://bob@example.org/bin/run.sh\n"
        "  vantor-ftp-cli chmod 0750 --host \"My server\" /private\n"});
VANTOR_CLI_COMMAND(cli::CliCommand{
    "chown", "chown USER URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "set a remote file's owner (SITE CHOWN; many servers refuse it)", cli::CliWorkerSession::flags(),
    cli::CliWorkerSession::valueOptions(),
    [](const cli::CliArgs& args) { return runSite(SiteKind::Chown, "chown USER URL", args); },
    std::string("USER is a user name or number on the server.\n\n") + cli::help::kUrl + "\n" +
        cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli chown www-data ftp://root@example.org/%2Fvar/www/index.html\n"
        "  vantor-ftp-cli chown 1000 --host \"My server\" /home/bob/f\n"});
VANTOR_CLI_COMMAND(cli::CliCommand{
    "chgrp", "chgrp GROUP URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "set a remote file's group (SITE CHGRP; many servers refuse it)", cli::CliWorkerSession::flags(),
    cli::CliWorkerSession::valueOptions(),
    [](const cli::CliArgs& args) { return runSite(SiteKind::Chgrp, "chgrp GROUP URL", args); },
    std::string("GROUP is a group name or number on the server.\n\n") + cli::help::kUrl + "\n" +
        cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli chgrp staff ftp://bob@example.org/shared/plan.txt\n"
        "  vantor-ftp-cli chgrp 100 --host \"My server\" /shared\n"});
