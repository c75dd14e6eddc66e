#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliWorkerSession.h"

namespace {

// Whether `name` (relative to the current directory, or absolute) exists: its
// directory's listing holds it. The current directory is kept.
bool exists(cli::CliWorkerSession& session, const std::string& name)
{
    TFTPWorker& worker = session.worker();
    const QString back = worker.CurrentDir();
    const auto [directory, base] = cli::splitRemotePath(name);
    if (base.empty() || base == "." || base == "..")
        return true;
    bool found = false;
    worker.ChangeDir(QString::fromStdString(directory.empty() ? back.toStdString() : directory));
    if (!worker.TakePendingError()) {
        session.runCommand(WorkerCommand::List, [&] { worker.List(); });
        worker.TakePendingError();
        if (const TListingPtr listing = worker.Listing())
            for (const auto& entry : *listing)
                found = found || entry.name == base;
    }
    worker.ChangeDir(back);
    worker.TakePendingError();
    return found;
}

bool confirmReplace(const std::string& name)
{
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO))
        return false;
    std::fprintf(stderr, "vantor-ftp-cli: %s exists. Replace it? [y/N] ", name.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes";
}

int runMv(const cli::CliArgs& args)
{
    if (args.positional().size() != 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli mv [--force] URL NEWNAME\n");
        return cli::kExitUsage;
    }
    const std::string newName = args.positional()[1];
    const bool force = args.flag("--force");
    return cli::runOnSession(
        args, args.positional()[0], [&](cli::CliWorkerSession& session, const std::string& path) {
            const auto [parent, name] = cli::splitRemotePath(path);
            if (name.empty() || newName.empty()) {
                std::fprintf(stderr, "vantor-ftp-cli: both the old and the new name are needed\n");
                return cli::kExitUsage;
            }
            if (!session.changeDir(parent))
                return cli::kExitFailed;
            if (!force && exists(session, newName) && !confirmReplace(newName)) {
                std::fprintf(stderr, "vantor-ftp-cli: %s exists: not replaced (--force replaces it)\n",
                             newName.c_str());
                return cli::kExitFailed;
            }
            session.worker().Rename(QString::fromStdString(name), QString::fromStdString(newName));
            return session.failed() ? cli::kExitFailed : cli::kExitOk;
        });
}

std::vector<std::string> mvFlags()
{
    auto flags = cli::CliWorkerSession::flags();
    flags.push_back("--force");
    return flags;
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "mv",
    "mv URL NEWNAME [--force] [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "rename or move a remote file or directory (NEWNAME relative to its directory, or absolute)", mvFlags(),
    cli::CliWorkerSession::valueOptions(), runMv,
    std::string("NEWNAME is relative to the directory URL lies in (\"../old/x\" moves it up), or\n"
                "absolute (\"/archive/x\"). When NEWNAME exists the tool asks on a terminal and\n"
                "otherwise refuses.\n\n"
                "Options:\n"
                "  --force                  replace an existing NEWNAME without asking\n\n") +
        cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli mv ftp://bob@example.org/draft.txt final.txt\n"
        "  vantor-ftp-cli mv ftp://bob@example.org/in/report.pdf ../archive/report.pdf\n"
        "  vantor-ftp-cli mv --force --host \"My server\" /www/index.new index.html\n"});
