#include <cstdio>
#include <optional>
#include <string>

#include "CliCommand.h"
#include "CliHelp.h"
#include "CliWorkerSession.h"
#include "ftp/FtpError.h"

// chmod, chown and chgrp: the SITE commands of the file properties.

namespace {

enum class SiteKind
{
    Chmod,
    Chown,
    Chgrp,
};

bool isOctalMode(const std::string& mode)
{
    if (mode.size() != 3 && mode.size() != 4)
        return false;
    for (const char c : mode)
        if (c < '0' || c > '7')
            return false;
    return true;
}

// chmod(1)'s symbolic clauses, "u+x", "go-w", "a=r", "u+x,g-w": applied to `mode`.
// Nothing for text that is no such mode.
std::optional<int> applySymbolic(const std::string& text, int mode, bool isDirectory)
{
    if (text.empty())
        return std::nullopt;
    std::size_t i = 0;
    while (i <= text.size()) {
        int who = 0;
        for (; i < text.size() && std::string("ugoa").find(text[i]) != std::string::npos; ++i)
            who |= text[i] == 'u' ? 04700 : text[i] == 'g' ? 02070 : text[i] == 'o' ? 01007 : 07777;
        if (who == 0)
            who = 07777;
        if (i >= text.size() || std::string("+-=").find(text[i]) == std::string::npos)
            return std::nullopt;
        while (i < text.size() && std::string("+-=").find(text[i]) != std::string::npos) {
            const char op = text[i++];
            int bits = 0;
            for (; i < text.size() && std::string("rwxXst").find(text[i]) != std::string::npos; ++i) {
                switch (text[i]) {
                case 'r':
                    bits |= 0444;
                    break;
                case 'w':
                    bits |= 0222;
                    break;
                case 'x':
                    bits |= 0111;
                    break;
                case 'X':
                    if (isDirectory || (mode & 0111))
                        bits |= 0111;
                    break;
                case 's':
                    bits |= 06000;
                    break;
                case 't':
                    bits |= 01000;
                    break;
                }
            }
            // "u+" adds nothing: surely not what was meant. "go=" clears.
            if (bits == 0 && op != '=' && text[i - 1] == op)
                return std::nullopt;
            bits &= who;
            if (op == '+')
                mode |= bits;
            else if (op == '-')
                mode &= ~bits;
            else
                mode = (mode & ~who) | bits;
        }
        if (i == text.size())
            return mode;
        if (text[i] != ',')
            return std::nullopt;
        ++i;
    }
    return std::nullopt;
}

// "rwxr-x---" (a leading type letter allowed) as a mode; nothing for other text.
std::optional<int> modeFromListing(std::string text)
{
    if (text.size() == 10)
        text.erase(0, 1);
    if (text.size() != 9)
        return std::nullopt;
    int mode = 0;
    static const char kLetters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) {
        const char c = text[std::size_t(i)];
        const int bit = 1 << (8 - i);
        if (c == kLetters[i])
            mode |= bit;
        else if ((i == 2 || i == 5 || i == 8) && (c == 's' || c == 't')) {
            mode |= bit | (i == 2 ? 04000 : i == 5 ? 02000 : 01000);
        } else if ((i == 2 || i == 5 || i == 8) && (c == 'S' || c == 'T')) {
            mode |= i == 2 ? 04000 : i == 5 ? 02000 : 01000;
        } else if (c != '-')
            return std::nullopt;
    }
    return mode;
}

int runSite(SiteKind kind, const char* usage, const cli::CliArgs& args)
{
    if (args.positional().size() != 2) {
        std::fprintf(stderr, "usage: vantor-ftp-cli %s\n", usage);
        return cli::kExitUsage;
    }
    QString value = QString::fromStdString(args.positional()[0]);
    const std::string modeText = args.positional()[0];
    const bool symbolic = kind == SiteKind::Chmod && !isOctalMode(modeText);
    if (symbolic && !applySymbolic(modeText, 0, false)) {
        std::fprintf(stderr,
                     "vantor-ftp-cli: not a mode: '%s' (three or four octal digits such as 644 or 0755, or "
                     "symbolic such as u+x or go-w)\n",
                     modeText.c_str());
        return cli::kExitUsage;
    }
    return cli::runOnSession(
        args, args.positional()[1], [&](cli::CliWorkerSession& session, const std::string& path) {
            const auto [parent, name] = cli::splitRemotePath(path);
            if (name.empty() || value.isEmpty()) {
                std::fprintf(stderr, "usage: vantor-ftp-cli %s\n", usage);
                return cli::kExitUsage;
            }
            if (!session.changeDir(parent))
                return cli::kExitFailed;
            const QString qname = QString::fromStdString(name);
            TFTPWorker& worker = session.worker();
            if (symbolic) {
                // Worked out from the permissions the listing shows.
                session.runCommand(WorkerCommand::List, [&] { worker.List(); });
                if (session.failed())
                    return cli::kExitFailed;
                std::optional<int> mode;
                const TListingPtr listing = worker.Listing();
                for (const auto& entry : listing ? *listing : TListing())
                    if (entry.name == name)
                        if (const auto current = modeFromListing(entry.permissions))
                            mode = applySymbolic(modeText, *current, entry.isDirectory());
                if (!mode) {
                    std::fprintf(stderr,
                                 "vantor-ftp-cli: the listing shows no permissions for %s: "
                                 "give the mode in octal\n",
                                 path.c_str());
                    return cli::kExitFailed;
                }
                value = QString::number(*mode, 8).rightJustified(3, QLatin1Char('0'));
            }
            try {
                switch (kind) {
                case SiteKind::Chmod:
                    worker.SiteChmod(qname, value);
                    break;
                case SiteKind::Chown:
                    worker.SiteChown(qname, value);
                    break;
                case SiteKind::Chgrp:
                    worker.SiteChgrp(qname, value);
                    break;
                }
            } catch (const ftp::FtpError& e) {
                return cli::failWith(e);
            }
            return cli::kExitOk;
        });
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "chmod", "chmod MODE URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "set a remote file's permissions (SITE CHMOD)", cli::CliWorkerSession::flags(),
    cli::CliWorkerSession::valueOptions(),
    [](const cli::CliArgs& args) { return runSite(SiteKind::Chmod, "chmod MODE URL", args); },
    std::string("MODE is octal, three or four digits (644, 0755), or symbolic as chmod(1) takes it\n"
                "(u+x, go-w, a=r, u+x,g-w), worked out from the permissions the listing shows.\n"
                "Anything else is refused (exit status 2).\n\n") +
        cli::help::kUrl + "\n" + cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli chmod 644 ftp://bob@example.org/www/index.html\n"
        "  vantor-ftp-cli chmod u+x ftp://bob@example.org/bin/run.sh\n"
        "  vantor-ftp-cli chmod 0750 --host \"My server\" /private\n"});
VANTOR_CLI_COMMAND(cli::CliCommand{
    "chown", "chown USER URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "set a remote file's owner (SITE CHOWN; many servers refuse it)", cli::CliWorkerSession::flags(),
    cli::CliWorkerSession::valueOptions(),
    [](const cli::CliArgs& args) { return runSite(SiteKind::Chown, "chown USER URL", args); },
    std::string("USER is a user name or number on the server.\n\n") + cli::help::kUrl + "\n" +
        cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli chown www-data ftp://root@example.org/%2Fvar/www/index.html\n"
        "  vantor-ftp-cli chown 1000 --host \"My server\" /home/bob/f\n"});
VANTOR_CLI_COMMAND(cli::CliCommand{
    "chgrp", "chgrp GROUP URL [--tls] [--active] [--insecure] [--trust-fingerprint HEX] [--host NAME-OR-ID]",
    "set a remote file's group (SITE CHGRP; many servers refuse it)", cli::CliWorkerSession::flags(),
    cli::CliWorkerSession::valueOptions(),
    [](const cli::CliArgs& args) { return runSite(SiteKind::Chgrp, "chgrp GROUP URL", args); },
    std::string("GROUP is a group name or number on the server.\n\n") + cli::help::kUrl + "\n" +
        cli::help::kConnection +
        "\nExamples:\n"
        "  vantor-ftp-cli chgrp staff ftp://bob@example.org/shared/plan.txt\n"
        "  vantor-ftp-cli chgrp 100 --host \"My server\" /shared\n"});
