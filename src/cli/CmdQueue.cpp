#include <cstdio>
#include <string>
#include <vector>

#include <QFileInfo>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliInterrupt.h"
#include "CliQueueSession.h"
#include "CliWorkerSession.h"

// queue run [FILE]: loads a queue file (the data folder's Queue.xml by default),
// plays it, waits until every item has completed or failed for good, and writes
// back what is left.
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
    const bool windowQueue = args.positional().size() < 2;
    if (!QFileInfo::exists(path)) {
        // The window's queue before anything was queued is empty; a named file must exist.
        if (windowQueue) {
            std::fprintf(stderr, "nothing queued\n");
            return cli::kExitOk;
        }
        std::fprintf(stderr, "vantor-ftp-cli: no such file: %s\n", utf8(path).c_str());
        return cli::kExitFailed;
    }
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
    if (windowQueue && !QFileInfo::exists(path)) {
        std::fprintf(stderr, "nothing queued\n");
        return cli::kExitOk;
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
    if (result.leftOut() > 0 && status != cli::kExitInterrupted)
        status = cli::kExitFailed;
    // The file keeps what is left (failed or skipped), as the window's queue does
    // when the window closes, so a second run continues with it. A named file that
    // had items the program could not load is left as it was: they would be lost.
    QString error;
    if (windowQueue) {
        if (!session.manager().SaveQueue(&error)) {
            std::fprintf(stderr, "vantor-ftp-cli: %s\n", utf8(error).c_str());
            return cli::kExitFailed;
        }
    } else if (result.leftOut() > 0) {
        std::fprintf(stderr,
                     "vantor-ftp-cli: %s is left as it was (it holds items that could not be loaded)\n",
                     utf8(path).c_str());
    } else if (!session.manager().SaveToFile(path, &error)) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", utf8(error).c_str());
        return cli::kExitFailed;
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
    "queue run|list [FILE] [--parallel N] [--attempts N] [--retry-delay S] [--exists "
    "ask|overwrite|resume|skip] [--resume] [--insecure] [--trust-fingerprint HEX]",
    "run a queue file or list its items (default: the data folder's Queue.xml, the window's queue)",
    cli::joined({"--insecure"}, cli::CliQueueOptions::flags()),
    cli::joined({"--trust-fingerprint"}, cli::CliQueueOptions::valueOptions()), runQueue,
    std::string("queue list prints one line per item: direction, remote path, local path, size (or\n"
                "\"dir\"). queue run transfers the items; the file then keeps only what is left\n"
                "(failed or skipped), so running it again continues. Without FILE both work on the\n"
                "window's queue. Nothing queued is no error.\n\n") +
        cli::help::kQueue +
        "\nExamples:\n"
        "  vantor-ftp-cli queue list nightly.xml\n"
        "  vantor-ftp-cli queue run nightly.xml --parallel 2\n"
        "  vantor-ftp-cli get ftp://bob@example.org/logs/ ./logs/ --add-to-queue nightly.xml\n"});
