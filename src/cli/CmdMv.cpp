#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliWorkerSession.h"

namespace {

int runMv(const cli::CliArgs& args)
{
    if (args.positional().size() != 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli mv URL NEWNAME\n");
        return cli::kExitUsage;
    }
    const std::string newName = args.positional()[1];
    return cli::runOnSession(
        args, args.positional()[0], [&newName](cli::CliWorkerSession& session, const std::string& path) {
            const auto [parent, name] = cli::splitRemotePath(path);
            if (name.empty() || newName.empty()) {
                std::fprintf(stderr, "vantor-ftp-cli: both the old and the new name are needed\n");
                return cli::kExitUsage;
            }
            if (!session.changeDir(parent))
                return cli::kExitFailed;
            session.worker().Rename(QString::fromStdString(name), QString::fromStdString(newName));
            return session.failed() ? cli::kExitFailed : cli::kExitOk;
        });
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{"mv", "mv URL NEWNAME [--tls] [--active] [--host NAME-OR-ID] ...",
                                   "rename a remote file or directory (NEWNAME relative to its directory)",
                                   cli::CliWorkerSession::flags(), cli::CliWorkerSession::valueOptions(),
                                   runMv});
