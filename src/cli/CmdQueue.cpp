#include <cstdio>
#include <string>
#include <vector>

#include <QFileInfo>

#include "CliCommand.h"
#include "CliQueueSession.h"
#include "CliWorkerSession.h"

// queue run [FILE]: loads a queue file (the data folder's Queue.xml by default),
// plays it and waits until every item has completed or failed for good.
// queue list [FILE]: prints the items without transferring anything.

namespace {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

QString queueFile(const cli::CliArgs& args)
{
    return args.positional().size() > 1 ? QString::fromStdString(args.positional()[1])
                                        : TQueueManager::QueueFilePath();
}

int loadFailure(const TQueueLoadResult& result)
{
    QString message = result.message;
    message.replace(QLatin1String("\r\n"), QLatin1String(" "));
    std::fprintf(stderr, "vantor-ftp-cli: %s\n", utf8(message).c_str());
    return cli::kExitFailed;
}

int runList(const cli::CliArgs& args)
{
    cli::CliQueueEnvironment environment;
    TQueueManager manager;
    const QString path = queueFile(args);
    const TQueueLoadResult result = manager.LoadFromFile(path);
    for (TQueueItem* item : manager.Items()) {
        QString remote;
        QString local;
        try {
            remote = item->GetRemoteFilename();
            local = item->GetLocalFilename();
        } catch (const EEngineError& e) {
            local = QStringLiteral("(%1)").arg(e.Message());
        }
        std::printf("%s\t%s\t%s\t%s\n", item->TransferDirection ? "download" : "upload", utf8(remote).c_str(),
                    utf8(local).c_str(), item->IsDirectory ? "dir" : std::to_string(item->FileSize).c_str());
    }
    if (result.leftOut() > 0) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", utf8(result.leftOutText(path)).c_str());
        return cli::kExitFailed;
    }
    if (!result.ok)
        return loadFailure(result);
    return cli::kExitOk;
}

int runRun(const cli::CliArgs& args, const cli::CliQueueOptions& options)
{
    cli::CliQueueEnvironment environment;
    const QString path = queueFile(args);
    const bool windowQueue = args.positional().size() < 2;
    if (!windowQueue && !QFileInfo::exists(path)) {
        std::fprintf(stderr, "vantor-ftp-cli: no such file: %s\n", utf8(path).c_str());
        return cli::kExitFailed;
    }
    cli::CliQueueSession session(args, options);
    // The window's own queue is loaded as the window loads it: a file that leaves
    // items out is copied aside before the save below writes over it.
    const TQueueLoadResult result =
        windowQueue ? session.manager().LoadQueue() : session.manager().LoadFromFile(path);
    if (!result.ok && result.added == 0 && result.leftOut() == 0 && QFileInfo::exists(path))
        return loadFailure(result);
    // What could not be loaded is said (the manager's log says it for Queue.xml),
    // and the run fails, but everything else still runs.
    if (result.leftOut() > 0 && !windowQueue)
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", utf8(result.leftOutText(path)).c_str());
    int status = session.run();
    if (result.leftOut() > 0)
        status = cli::kExitFailed;
    // The window's own queue keeps what is left, as the window does when it closes.
    if (windowQueue) {
        QString error;
        if (!session.manager().SaveQueue(&error)) {
            std::fprintf(stderr, "vantor-ftp-cli: %s\n", utf8(error).c_str());
            return cli::kExitFailed;
        }
    }
    return status;
}

int runQueue(const cli::CliArgs& args)
{
    const auto& positional = args.positional();
    if (positional.empty() || positional.size() > 2 || (positional[0] != "run" && positional[0] != "list")) {
        std::fprintf(stderr, "usage: vantor-ftp-cli queue run|list [FILE]\n");
        return cli::kExitUsage;
    }
    std::string error;
    const auto options = cli::CliQueueOptions::parse(args, error);
    if (!options) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    try {
        return positional[0] == "list" ? runList(args) : runRun(args, *options);
    } catch (const std::exception& e) {
        return cli::failWith(e);
    }
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "queue",
    "queue run|list [FILE] [--parallel N] [--retries N] [--retry-delay S] [--exists "
    "ask|overwrite|resume|skip] "
    "[--resume] [--insecure] [--trust-fingerprint HEX]",
    "run a queue file (default: the data folder's Queue.xml, which then keeps what is left) or list its "
    "items: direction, remote path, local path, size",
    cli::joined({"--insecure"}, cli::CliQueueOptions::flags()),
    cli::joined({"--trust-fingerprint"}, cli::CliQueueOptions::valueOptions()), runQueue});
