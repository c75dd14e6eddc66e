#include <cstdio>
#include <string>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliQueueSession.h"
#include "CliRemoteProbe.h"
#include "CliWorkerSession.h"

// put LOCALPATH... URL: every source (a file or a whole directory tree) goes
// through the transfer queue, into the remote directory URL under its own name or,
// as cp does it, to the name URL. Missing remote directories are made level by level.

namespace {

// Where the sources go: into the directory `remote`, or (one source) to the name `remote`.
struct Placement
{
    QString remote; // absolute
    bool intoDirectory = true;
};

void addUpload(TQueueManager& manager, const THost& host, bool active, const Placement& placement,
               const QString& source)
{
    if (placement.intoDirectory) {
        manager.AddUpload(host, QFileInfo(source).path(), active, placement.remote, source);
        return;
    }
    if (QFileInfo(source).isDir()) {
        // The tree's entries are placed relative to the tree itself, under the new name.
        TQueueItem* item = manager.AddUpload(host, source, active, placement.remote, source);
        item->RemoteFilename = placement.remote;
        return;
    }
    const QString parent = placement.remote.left(placement.remote.lastIndexOf(QLatin1Char('/')));
    TQueueItem* item = manager.AddUpload(host, QFileInfo(source).path(), active,
                                         parent.isEmpty() ? QStringLiteral("/") : parent, source);
    item->RemoteFilename = placement.remote;
}

int runPut(const cli::CliArgs& args)
{
    const auto& positional = args.positional();
    if (positional.size() < 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli put LOCALPATH... URL\n");
        return cli::kExitUsage;
    }
    std::string error;
    const auto options = cli::CliQueueOptions::parse(args, error);
    if (!options) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    int status = cli::kExitFailed;
    auto target = cli::RemoteTarget::fromArgs(args, positional.back(), error, &status);
    if (!target) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return status;
    }
    QStringList sources;
    for (std::size_t i = 0; i + 1 < positional.size(); ++i) {
        const QFileInfo info(QString::fromStdString(positional[i]));
        if (!info.exists()) {
            std::fprintf(stderr, "vantor-ftp-cli: no such file or directory: %s\n", positional[i].c_str());
            return cli::kExitFailed;
        }
        QString path = info.absoluteFilePath();
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        sources.append(path);
    }

    try {
        cli::CliQueueEnvironment environment;
        // As cp does: a URL ending in "/", naming an existing directory, or given
        // several sources is the directory the sources go into (made when
        // missing); otherwise it is the new name of the one source.
        const std::string& path = target->path;
        const bool endsInSlash = path.empty() || path.back() == '/';
        Placement placement;
        placement.intoDirectory = endsInSlash || sources.size() > 1;
        // Logs in only when asked something; the queue takes over its connection.
        cli::CliRemoteProbe probe(args);
        if (path.rfind('/', 0) == 0 && placement.intoDirectory) {
            placement.remote = cli::CliRemoteProbe::absolutePath(QStringLiteral("/"), path);
        } else {
            // Where a relative path lies, and whether the name is a directory: the server says.
            const auto place = probe.place(target->host, path, error);
            if (!place) {
                std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                return cli::kExitFailed;
            }
            placement.remote = place->absolute;
            placement.intoDirectory = placement.intoDirectory || place->isDirectory;
        }
        if (!placement.intoDirectory && placement.remote == QLatin1String("/"))
            placement.intoDirectory = true;

        const bool stored = args.value("--host").has_value();
        if (const auto queueFile = args.value("--add-to-queue")) {
            const auto host = environment.storedHostFor(target->host, stored, error);
            if (!host) {
                std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                return cli::kExitFailed;
            }
            TQueueManager staging;
            for (const QString& source : sources)
                addUpload(staging, *host, false, placement, source);
            return cli::appendToQueueFile(*queueFile, staging);
        }

        cli::CliQueueSession session(args, *options);
        for (const QString& source : sources)
            addUpload(session.manager(), target->host, true, placement, source);
        for (auto& [host, client] : probe.releaseConnections())
            session.manager().OfferConnection(host, std::move(client));
        return session.run();
    } catch (const std::exception& e) {
        return cli::failWith(e);
    }
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "put",
    "put LOCALPATH... URL [--parallel N] [--attempts N] [--retry-delay S] [--exists "
    "ask|overwrite|resume|skip] [--resume] [--add-to-queue FILE] [--tls] [--active] [--insecure] "
    "[--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "upload files and directory trees through the transfer queue",
    cli::joined(cli::CliWorkerSession::flags(), cli::CliQueueOptions::flags()),
    cli::joined(cli::joined(cli::CliWorkerSession::valueOptions(), cli::CliQueueOptions::valueOptions()),
                {"--add-to-queue"}),
    runPut,
    std::string(
        "As cp does: when URL ends in \"/\", names an existing remote directory or several\n"
        "sources are given, every source goes into that directory under its own name;\n"
        "otherwise URL is the new name of the one file or tree. Missing remote\n"
        "directories are made level by level.\n\n"
        "Options:\n"
        "  --add-to-queue FILE      only add the items, inactive, to the queue FILE (made when\n"
        "                           missing), to run later with 'vantor-ftp-cli queue run FILE'\n\n") +
        cli::help::kQueue + "\n" + cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli put notes.txt ftp://bob@example.org/docs/\n"
        "  vantor-ftp-cli put --tls site/ ftp://bob@example.org/%2Fvar/www/site\n"
        "  vantor-ftp-cli put a.jpg b.jpg --host \"My server\" /photos/ --exists skip\n"});
