#include <cstdio>
#include <string>

#include "CliCommand.h"
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
    "chmod", "chmod MODE URL [--tls] [--active] [--host NAME-OR-ID] ...",
    "set a remote file's permissions (SITE CHMOD)", cli::CliWorkerSession::flags(),
    cli::CliWorkerSession::valueOptions(),
    [](const cli::CliArgs& args) { return runSite(SiteKind::Chmod, "chmod MODE URL", args); }});
VANTOR_CLI_COMMAND(cli::CliCommand{"chown", "chown USER URL [--tls] [--active] [--host NAME-OR-ID] ...",
                                   "set a remote file's owner (SITE CHOWN)", cli::CliWorkerSession::flags(),
                                   cli::CliWorkerSession::valueOptions(), [](const cli::CliArgs& args) {
                                       return runSite(SiteKind::Chown, "chown USER URL", args);
                                   }});
VANTOR_CLI_COMMAND(cli::CliCommand{"chgrp", "chgrp GROUP URL [--tls] [--active] [--host NAME-OR-ID] ...",
                                   "set a remote file's group (SITE CHGRP)", cli::CliWorkerSession::flags(),
                                   cli::CliWorkerSession::valueOptions(), [](const cli::CliArgs& args) {
                                       return runSite(SiteKind::Chgrp, "chgrp GROUP URL", args);
                                   }});
