#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliWorkerSession.h"

namespace {

int runMkdir(const cli::CliArgs& args)
{
    if (args.positional().size() != 1) {
        std::fprintf(stderr, "usage: vantor-ftp-cli mkdir URL\n");
        return cli::kExitUsage;
    }
    return cli::runOnSession(
        args, args.positional()[0], [](cli::CliWorkerSession& session, const std::string& path) {
            const auto [parent, name] = cli::splitRemotePath(path);
            if (name.empty()) {
                std::fprintf(stderr, "vantor-ftp-cli: the URL names no directory to make\n");
                return cli::kExitUsage;
            }
            if (!session.changeDir(parent))
                return cli::kExitFailed;
            session.worker().MakeDir(QString::fromStdString(name));
            return session.failed() ? cli::kExitFailed : cli::kExitOk;
        });
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{"mkdir", "mkdir URL [--tls] [--active] [--host NAME-OR-ID] ...",
                                   "make a remote directory", cli::CliWorkerSession::flags(),
                                   cli::CliWorkerSession::valueOptions(), runMkdir});
