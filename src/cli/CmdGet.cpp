#include <cstdio>
#include <string>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliInterrupt.h"
#include "CliQueueSession.h"
#include "CliRemoteProbe.h"
#include "CliWorkerSession.h"

// get URL... LOCALPATH: every source (a file or a whole directory tree) goes
// through the transfer queue, into the directory LOCALPATH under its own name or,
// as cp does it, to the name LOCALPATH.

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
        std::fprintf(stderr, "usage: vantor-ftp-cli get URL... LOCALPATH\n");
        return cli::kExitUsage;
    }
    std::string error;
    const auto options = cli::CliQueueOptions::parse(args, error);
    if (!options) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    const std::string& localArg = positional.back();
    const QString localPath = QDir(QString::fromStdString(localArg)).absolutePath();
    const bool localIsDirectory = QFileInfo(localPath).isDir();
    const bool severalSources = positional.size() > 2;
    const bool endsInSlash = !localArg.empty() && localArg.back() == '/';
    if ((severalSources || endsInSlash) && QFileInfo::exists(localPath) && !localIsDirectory) {
        std::fprintf(stderr, "vantor-ftp-cli: not a directory: %s\n", localArg.c_str());
        return cli::kExitUsage;
    }
    // Every URL is checked before anything logs in: a malformed one is bad usage.
    std::vector<cli::RemoteTarget> targets;
    for (std::size_t i = 0; i + 1 < positional.size(); ++i) {
        int status = cli::kExitFailed;
        auto target = cli::RemoteTarget::fromArgs(args, positional[i], error, &status);
        if (!target) {
            std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
            return status;
        }
        targets.push_back(std::move(*target));
    }

    try {
        cli::CliQueueEnvironment environment;
        std::vector<Download> downloads;
        // A source that cannot be found is reported; the others are still fetched.
        bool missing = false;
        // Lives on: the queue takes over its connections.
        cli::CliRemoteProbe probe(args);
        for (const cli::RemoteTarget& target : targets) {
            const auto sources = probe.resolve(target.host, target.path, error);
            if (!sources) {
                std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                missing = true;
                continue;
            }
            for (const cli::RemoteSource& source : *sources)
                downloads.push_back({target.host, args.value("--host").has_value(), source});
        }
        if (downloads.empty())
            return missing ? cli::kExitFailed : cli::kExitOk;
        // As cp does: LOCALPATH ending in "/", naming an existing directory, or
        // given several sources is the directory they go into (made when
        // missing); otherwise it is the new name of the one source.
        const bool intoDirectory = severalSources || downloads.size() > 1 || localIsDirectory || endsInSlash;
        const auto add = [&](TQueueManager& manager, const Download& d, const THost& host, bool active) {
            if (intoDirectory) {
                manager.AddDownload(host, d.source.RemoteRoot, active, d.source.Modified, d.source.Size,
                                    d.source.IsDirectory, localPath, d.source.RemoteFilename);
                return;
            }
            // A tree's entries are placed relative to the tree itself, under the new name.
            const QString remoteRoot =
                d.source.IsDirectory ? d.source.RemoteFilename + QLatin1Char('/') : d.source.RemoteRoot;
            const QString localRoot = d.source.IsDirectory ? localPath : QFileInfo(localPath).path();
            TQueueItem* item = manager.AddDownload(host, remoteRoot, active, d.source.Modified, d.source.Size,
                                                   d.source.IsDirectory, localRoot, d.source.RemoteFilename);
            item->LocalFilename = localPath;
        };

        if (const auto queueFile = args.value("--add-to-queue")) {
            // A queue file gets all of them or none.
            if (missing)
                return cli::kExitFailed;
            TQueueManager staging;
            for (const Download& d : downloads) {
                const auto host = environment.storedHostFor(d.host, d.storedHost, error);
                if (!host) {
                    std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                    return cli::kExitFailed;
                }
                add(staging, d, *host, false);
            }
            return cli::appendToQueueFile(*queueFile, staging);
        }

        cli::CliQueueSession session(args, *options);
        for (const Download& d : downloads)
            add(session.manager(), d, d.host, true);
        // The first transfer of each login goes on the look-up's connection.
        for (auto& [host, client] : probe.releaseConnections())
            session.manager().OfferConnection(host, std::move(client));
        const int status = session.run();
        return missing && status != cli::kExitInterrupted ? cli::kExitFailed : status;
    } catch (const std::exception& e) {
        return cli::failWith(e);
    }
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "get",
    "get URL... LOCALPATH [--parallel N] [--attempts N] [--retry-delay S] [--exists "
    "ask|overwrite|resume|skip] [--resume] [--add-to-queue FILE] [--tls] [--active] [--insecure] "
    "[--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "download files and directory trees through the transfer queue",
    cli::joined(cli::CliWorkerSession::flags(), cli::CliQueueOptions::flags()),
    cli::joined(cli::joined(cli::CliWorkerSession::valueOptions(), cli::CliQueueOptions::valueOptions()),
                {"--add-to-queue"}),
    runGet,
    std::string(
        "As cp does: when LOCALPATH ends in \"/\", is an existing directory or several URLs\n"
        "are given, every source goes into that directory (made when missing) under its own\n"
        "name; otherwise LOCALPATH is the new name of the one file or tree. A source that\n"
        "does not exist is reported and the others are still fetched (exit status 1).\n\n"
        "Options:\n"
        "  --add-to-queue FILE      only add the items, inactive, to the queue FILE (made when\n"
        "                           missing), to run later with 'vantor-ftp-cli queue run FILE'\n\n") +
        cli::help::kQueue + "\n" + cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli get ftp://ftp.example.org/pub/README ./\n"
        "  vantor-ftp-cli get ftp://bob@example.org/site/ ./site-copy --parallel 4\n"
        "  vantor-ftp-cli get --resume ftp://bob@example.org/%2Fdata/big.iso big.iso\n"});
