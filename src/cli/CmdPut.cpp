#include <cstdio>
#include <string>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "CliCommand.h"
#include "CliQueueSession.h"
#include "CliRemoteProbe.h"
#include "CliWorkerSession.h"

// put LOCALPATH... URL: every source (a file or a whole directory tree) lands in
// the remote directory URL under its own name, through the transfer queue. Missing
// remote directories are made level by level.

namespace {

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
    auto target = cli::RemoteTarget::fromArgs(args, positional.back(), error);
    if (!target) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return args.value("--host") ? cli::kExitFailed : cli::kExitUsage;
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
        QString remoteDir;
        if (target->path.rfind('/', 0) == 0) {
            remoteDir = cli::CliRemoteProbe::absolutePath(QStringLiteral("/"), target->path);
        } else {
            // A path relative to the login directory: ask the server where that is.
            cli::CliRemoteProbe probe(args);
            const auto login = probe.loginDirectory(target->host, error);
            if (!login) {
                std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                return cli::kExitFailed;
            }
            remoteDir = cli::CliRemoteProbe::absolutePath(*login, target->path);
        }

        const bool stored = args.value("--host").has_value();
        if (const auto queueFile = args.value("--add-to-queue")) {
            const auto host = environment.storedHostFor(target->host, stored, error);
            if (!host) {
                std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                return cli::kExitFailed;
            }
            TQueueManager staging;
            for (const QString& source : sources)
                staging.AddUpload(*host, QFileInfo(source).path(), false, remoteDir, source);
            return cli::appendToQueueFile(*queueFile, staging);
        }

        cli::CliQueueSession session(args, *options);
        for (const QString& source : sources)
            session.manager().AddUpload(target->host, QFileInfo(source).path(), true, remoteDir, source);
        return session.run();
    } catch (const std::exception& e) {
        return cli::failWith(e);
    }
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "put",
    "put LOCALPATH... URL [--parallel N] [--retries N] [--retry-delay S] [--exists "
    "ask|overwrite|resume|skip] "
    "[--resume] [--add-to-queue FILE] [--host NAME-OR-ID] [--tls] [--active] [--insecure] "
    "[--trust-fingerprint HEX]",
    "upload files and directory trees into the remote directory URL through the transfer queue "
    "(--add-to-queue only adds them, inactive, to a queue file)",
    cli::joined(cli::CliWorkerSession::flags(), cli::CliQueueOptions::flags()),
    cli::joined(cli::joined(cli::CliWorkerSession::valueOptions(), cli::CliQueueOptions::valueOptions()),
                {"--add-to-queue"}),
    runPut});
