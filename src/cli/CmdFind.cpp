#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliWorkerSession.h"
#include "TerminalText.h"
#include "core/EMaskException.h"
#include "core/TFileMask.h"

namespace {

// The recursive walk of the advanced search: every entry below URL whose name
// matches MASK, as "directory<TAB>name", then how many there were.
int runFind(const cli::CliArgs& args)
{
    if (args.positional().size() != 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli find URL MASK\n");
        return cli::kExitUsage;
    }
    std::optional<TFileMask> mask;
    try {
        mask.emplace(QString::fromStdString(args.positional()[1]));
    } catch (const EMaskException& e) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", e.what());
        return cli::kExitUsage;
    }
    return cli::runOnSession(
        args, args.positional()[0], [&](cli::CliWorkerSession& session, const std::string& path) {
            TFTPWorker& worker = session.worker();
            long matches = 0;
            bool done = false;
            worker.setOnSearchListing(&session, [&](TFTPWorker& w, const TListingPtr& listing) {
                const QByteArray directory = w.CurrentDir().toUtf8();
                for (const ftp::ListingEntry& entry : *listing) {
                    if (entry.name == "." || entry.name == "..")
                        continue;
                    if (mask->Matches(QString::fromStdString(entry.name))) {
                        std::printf("%s\t%s\n", cli::forStream(stdout, directory.toStdString()).c_str(),
                                    cli::forStream(stdout, entry.name).c_str());
                        ++matches;
                    }
                }
            });
            worker.setEvent(TWorkerEvent::OnSearchDone, &session, [&](TFTPWorker&) { done = true; });
            // The starting directory is entered first, so a missing one is named.
            if (!path.empty()) {
                worker.ChangeDir(QString::fromStdString(path));
                if (const std::string failure = session.takeError(); !failure.empty()) {
                    std::fprintf(stderr, "vantor-ftp-cli: %s: the directory could not be read: %s\n",
                                 path.c_str(), failure.c_str());
                    return cli::kExitFailed;
                }
            }
            const QString root = worker.CurrentDir();
            // Why a walk stopped comes as a debug line of the worker's.
            QString walkFailure;
            const auto logged = QObject::connect(
                &worker, &TFTPWorker::logLine, &session, [&walkFailure](TLogKind kind, const QString& text) {
                    const QString prefix = QStringLiteral("Recursive search failed: ");
                    if (kind == TLogKind::lkDebug && text.startsWith(prefix))
                        walkFailure = text.mid(prefix.size());
                });
            session.runCommand(WorkerCommand::Search, [&] { worker.Search(root); });
            worker.setOnSearchListing(nullptr, {});
            worker.clearEvent(TWorkerEvent::OnSearchDone);
            QObject::disconnect(logged);
            if (session.failed() || !done) {
                std::fprintf(stderr, "vantor-ftp-cli: the search below %s did not complete%s%s\n",
                             root.toUtf8().constData(), walkFailure.isEmpty() ? "" : ": ",
                             walkFailure.toUtf8().constData());
                return cli::kExitFailed;
            }
            std::printf("%ld %s\n", matches, matches == 1 ? "match" : "matches");
            return cli::kExitOk;
        });
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "find", "find URL MASK [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "search a remote tree for names matching MASK (*, ?, [set]); prints directory<TAB>name per match, then "
    "the count",
    cli::CliWorkerSession::flags(), cli::CliWorkerSession::valueOptions(), runFind,
    std::string("MASK matches names in any case: * any text, ? one character, [a-z] one of a set.\n"
                "Quote it so the shell leaves it alone.\n\n") +
        cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli find ftp://ftp.example.org/pub '*.iso'\n"
        "  vantor-ftp-cli find ftp://bob@example.org/ 'report-202?.pdf'\n"
        "  vantor-ftp-cli find --host \"My server\" /www '*.php'\n"});
