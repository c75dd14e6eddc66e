#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliWorkerSession.h"

namespace {

int runRm(const cli::CliArgs& args)
{
    if (args.positional().size() != 1) {
        std::fprintf(stderr, "usage: vantor-ftp-cli rm [-r] URL\n");
        return cli::kExitUsage;
    }
    const bool recursive = args.flag("-r");
    return cli::runOnSession(
        args, args.positional()[0], [recursive](cli::CliWorkerSession& session, const std::string& path) {
            const auto [parent, name] = cli::splitRemotePath(path);
            if (name.empty() || name == "." || name == "..") {
                std::fprintf(stderr, "vantor-ftp-cli: the URL names nothing that can be deleted\n");
                return cli::kExitUsage;
            }
            if (!session.changeDir(parent))
                return cli::kExitFailed;
            const QString qname = QString::fromStdString(name);
            if (!recursive) {
                session.worker().DeleteFile(qname);
                return session.failed() ? cli::kExitFailed : cli::kExitOk;
            }
            session.runCommand(WorkerCommand::DeleteRecursive,
                               [&] { session.worker().DeleteRecursive({qname}); });
            if (session.failed())
                return cli::kExitFailed;
            return session.deleted() ? cli::kExitOk : cli::kExitFailed;
        });
}

std::vector<std::string> rmFlags()
{
    auto flags = cli::CliWorkerSession::flags();
    flags.push_back("-r");
    return flags;
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "rm", "rm [-r] URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "delete a remote file, or with -r a whole directory tree (refused when it holds a symbolic link)",
    rmFlags(), cli::CliWorkerSession::valueOptions(), runRm,
    std::string("Options:\n"
                "  -r                       delete a directory with everything below it; a tree that\n"
                "                           holds a symbolic link is left alone and the link named\n\n") +
        cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli rm ftp://bob@example.org/old.log\n"
        "  vantor-ftp-cli rm -r ftp://bob@example.org/build/2025\n"
        "  vantor-ftp-cli rm --host \"My server\" /tmp/upload.part\n"});
