#include <cstdio>
#include <string>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "CliCommand.h"
#include "CliQueueSession.h"
#include "CliRemoteProbe.h"
#include "CliWorkerSession.h"

// get URL... LOCALDIR: every source (a file or a whole directory tree) lands in
// LOCALDIR under its own name, through the transfer queue.

namespace {

struct Download
{
    THost host;
    bool storedHost = false;
    cli::RemoteSource source;
};

int runGet(const cli::CliArgs& args)
{
    const auto& positional = args.positional();
    if (positional.size() < 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli get URL... LOCALDIR\n");
        return cli::kExitUsage;
    }
    std::string error;
    const auto options = cli::CliQueueOptions::parse(args, error);
    if (!options) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    const QString localDir = QDir(QString::fromStdString(positional.back())).absolutePath();
    if (QFileInfo::exists(localDir) && !QFileInfo(localDir).isDir()) {
        std::fprintf(stderr, "vantor-ftp-cli: not a directory: %s\n", positional.back().c_str());
        return cli::kExitUsage;
    }

    try {
        cli::CliQueueEnvironment environment;
        std::vector<Download> downloads;
        {
            cli::CliRemoteProbe probe(args);
            for (std::size_t i = 0; i + 1 < positional.size(); ++i) {
                auto target = cli::RemoteTarget::fromArgs(args, positional[i], error);
                if (!target) {
                    std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                    return args.value("--host") ? cli::kExitFailed : cli::kExitUsage;
                }
                const auto sources = probe.resolve(target->host, target->path, error);
                if (!sources) {
                    std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                    return cli::kExitFailed;
                }
                for (const cli::RemoteSource& source : *sources)
                    downloads.push_back({target->host, args.value("--host").has_value(), source});
            }
        }

        if (const auto queueFile = args.value("--add-to-queue")) {
            TQueueManager staging;
            for (const Download& d : downloads) {
                const auto host = environment.storedHostFor(d.host, d.storedHost, error);
                if (!host) {
                    std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                    return cli::kExitFailed;
                }
                staging.AddDownload(*host, d.source.RemoteRoot, false, d.source.Modified, d.source.Size,
                                    d.source.IsDirectory, localDir, d.source.RemoteFilename);
            }
            return cli::appendToQueueFile(*queueFile, staging);
        }

        cli::CliQueueSession session(args, *options);
        for (const Download& d : downloads)
            session.manager().AddDownload(d.host, d.source.RemoteRoot, true, d.source.Modified, d.source.Size,
                                          d.source.IsDirectory, localDir, d.source.RemoteFilename);
        return session.run();
    } catch (const std::exception& e) {
        return cli::failWith(e);
    }
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "get",
    "get URL... LOCALDIR [--parallel N] [--retries N] [--retry-delay S] [--exists ask|overwrite|resume|skip] "
    "[--resume] [--add-to-queue FILE] [--host NAME-OR-ID] [--tls] [--active] [--insecure] "
    "[--trust-fingerprint HEX]",
    "download files and directory trees into LOCALDIR through the transfer queue (--add-to-queue only adds "
    "them, inactive, to a queue file)",
    cli::joined(cli::CliWorkerSession::flags(), cli::CliQueueOptions::flags()),
    cli::joined(cli::joined(cli::CliWorkerSession::valueOptions(), cli::CliQueueOptions::valueOptions()),
                {"--add-to-queue"}),
    runGet});
