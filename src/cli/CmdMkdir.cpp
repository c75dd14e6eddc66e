#include <cstdio>
#include <string>
#include <vector>

#include <QStringList>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliWorkerSession.h"

namespace {

// -p: every level of the path, each entered when it exists and made when not.
int makeParents(cli::CliWorkerSession& session, const std::string& path)
{
    TFTPWorker& worker = session.worker();
    if (path.rfind('/', 0) == 0 && !session.changeDir("/"))
        return cli::kExitFailed;
    const QStringList levels = QString::fromStdString(path).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (levels.isEmpty()) {
        std::fprintf(stderr, "vantor-ftp-cli: the URL names no directory to make\n");
        return cli::kExitUsage;
    }
    for (const QString& level : levels) {
        worker.ChangeDir(level);
        if (!worker.TakePendingError())
            continue;
        worker.MakeDir(level);
        if (session.failed())
            return cli::kExitFailed;
        worker.ChangeDir(level);
        if (session.failed())
            return cli::kExitFailed;
    }
    return cli::kExitOk;
}

int runMkdir(const cli::CliArgs& args)
{
    if (args.positional().size() != 1) {
        std::fprintf(stderr, "usage: vantor-ftp-cli mkdir [-p] URL\n");
        return cli::kExitUsage;
    }
    const bool parents = args.flag("-p");
    return cli::runOnSession(
        args, args.positional()[0], [parents](cli::CliWorkerSession& session, const std::string& path) {
            if (parents)
                return makeParents(session, path);
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

std::vector<std::string> mkdirFlags()
{
    auto flags = cli::CliWorkerSession::flags();
    flags.push_back("-p");
    return flags;
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "mkdir", "mkdir [-p] URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "make a remote directory (-p: its missing parents too)", mkdirFlags(),
    cli::CliWorkerSession::valueOptions(), runMkdir,
    std::string("Options:\n"
                "  -p                       make missing parent directories too; an existing\n"
                "                           directory is then no error\n\n") +
        cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli mkdir ftp://bob@example.org/uploads/2026\n"
        "  vantor-ftp-cli mkdir -p ftp://bob@example.org/%2Fsrv/ftp/a/b/c\n"
        "  vantor-ftp-cli mkdir --host \"My server\" incoming/new\n"});
