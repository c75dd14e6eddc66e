#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliWorkerSession.h"
#include "TerminalText.h"

namespace {

char typeChar(ftp::EntryType type)
{
    switch (type) {
    case ftp::EntryType::Directory:
        return 'd';
    case ftp::EntryType::File:
        return '-';
    case ftp::EntryType::Link:
        return 'l';
    case ftp::EntryType::Other:
        break;
    }
    return '?';
}

std::string timeText(const ftp::EntryTime& t)
{
    if (!t.hasDate())
        return {};
    char buf[32];
    if (t.hasTime())
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

void printEntry(const ftp::ListingEntry& e)
{
    std::string size = e.size ? std::to_string(*e.size) : std::string();
    // Every text of the entry is the server's.
    const auto shown = [](const std::string& text) { return cli::forStream(stdout, text); };
    std::printf("%c\t%s\t%s\t%s\t%s\t%s\t%s", typeChar(e.type), size.c_str(), timeText(e.modified).c_str(),
                shown(e.permissions).c_str(), shown(e.owner).c_str(), shown(e.group).c_str(),
                shown(e.name).c_str());
    if (!e.linkTarget.empty())
        std::printf("\t-> %s", shown(e.linkTarget).c_str());
    std::printf("\n");
}

bool list(cli::CliWorkerSession& session)
{
    session.runCommand(WorkerCommand::List, [&] { session.worker().List(); });
    return !session.failed() && session.worker().Listing();
}

int listPath(cli::CliWorkerSession& session, const std::string& path)
{
    TFTPWorker& worker = session.worker();
    if (!path.empty())
        worker.ChangeDir(QString::fromStdString(path));
    const std::string notADirectory = session.takeError();
    if (notADirectory.empty()) {
        if (!list(session))
            return cli::kExitFailed;
        for (const auto& e : *worker.Listing())
            printEntry(e);
        return cli::kExitOk;
    }
    // Not a directory: a file is listed on its own, from its directory's listing.
    const auto [parent, name] = cli::splitRemotePath(path);
    if (!name.empty() &&
        (parent.empty() || (worker.ChangeDir(QString::fromStdString(parent)), session.takeError().empty())) &&
        list(session)) {
        for (const auto& e : *worker.Listing())
            if (e.name == name) {
                printEntry(e);
                return cli::kExitOk;
            }
    }
    std::fprintf(stderr, "vantor-ftp-cli: %s: no such file or directory (%s)\n", path.c_str(),
                 notADirectory.c_str());
    return cli::kExitFailed;
}

// The listing as the window gets it: from the browsing worker, links resolved
// (a link the server lets us enter shows as a directory, its target kept).
int runLs(const cli::CliArgs& args)
{
    const bool stored = args.value("--host").has_value();
    const std::size_t count = args.positional().size();
    if (stored ? count > 1 : count != 1) {
        std::fprintf(stderr, "usage: vantor-ftp-cli ls URL | ls --host NAME-OR-ID [PATH]\n");
        return cli::kExitUsage;
    }
    return cli::runOnSession(args, count ? args.positional()[0] : std::string(), listPath);
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "ls",
    "ls URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] | ls --host NAME-OR-ID [PATH] [--tls] "
    "[--active] [--insecure] [--trust-fingerprint HEX]",
    "list a remote directory, or one remote file: type, size, time, permissions, owner, group, name",
    cli::CliWorkerSession::flags(), cli::CliWorkerSession::valueOptions(), runLs,
    std::string(
        "One line per entry, tab-separated: type (d, -, l), size in bytes, time, permissions,\n"
        "owner, group, name, and \"-> TARGET\" for a link. A URL naming a file lists that file.\n\n") +
        cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli ls ftp://ftp.example.org/pub/\n"
        "  vantor-ftp-cli ls --tls ftp://bob@example.org/%2Fvar/www/\n"
        "  vantor-ftp-cli ls --host \"My server\" /incoming\n"});
