#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliWorkerSession.h"

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

// The listing as the window gets it: from the browsing worker, links resolved
// (a link the server lets us enter shows as a directory, its target kept).
int runLs(const cli::CliArgs& args)
{
    const bool stored = args.value("--host").has_value();
    const std::size_t count = args.positional().size();
    if (stored ? count > 1 : count != 1) {
        std::fprintf(stderr, "usage: vantor-ftp-cli ls URL\n");
        return cli::kExitUsage;
    }
    return cli::runOnSession(args, count ? args.positional()[0] : std::string(),
                             [](cli::CliWorkerSession& session, const std::string& path) {
                                 if (!session.changeDir(path))
                                     return cli::kExitFailed;
                                 session.runCommand(WorkerCommand::List, [&] { session.worker().List(); });
                                 if (session.failed())
                                     return cli::kExitFailed;
                                 const TListingPtr listing = session.worker().Listing();
                                 if (!listing)
                                     return cli::kExitFailed;
                                 for (const auto& e : *listing) {
                                     std::string size = e.size ? std::to_string(*e.size) : std::string();
                                     std::printf("%c\t%s\t%s\t%s\t%s\t%s\t%s", typeChar(e.type), size.c_str(),
                                                 timeText(e.modified).c_str(), e.permissions.c_str(),
                                                 e.owner.c_str(), e.group.c_str(), e.name.c_str());
                                     if (!e.linkTarget.empty())
                                         std::printf("\t-> %s", e.linkTarget.c_str());
                                     std::printf("\n");
                                 }
                                 return cli::kExitOk;
                             });
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "ls", "ls URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] | ls --host NAME-OR-ID [PATH]",
    "list a remote directory: type, size, time, permissions, owner, group, name",
    cli::CliWorkerSession::flags(), cli::CliWorkerSession::valueOptions(), runLs});
