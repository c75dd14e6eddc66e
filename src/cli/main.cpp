#include "ArgvPasswords.h"
#include "CliCommand.h"
#include "CliHelp.h"
#include "CliInterrupt.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>

namespace {

void printHelp(std::FILE* out)
{
    std::fprintf(out,
                 "vantor-ftp-cli: the command-line front end of Vantor FTP.\n\n"
                 "usage: vantor-ftp-cli [--data-dir DIR] [-v] COMMAND [ARGS...]\n\n"
                 "Global options:\n"
                 "  --data-dir DIR  use DIR as the data folder (settings, hosts, queue)\n"
                 "  -v              print the control connection (\"Command> \", \"Reply> \"; passwords\n"
                 "                  masked)\n"
                 "  -h, --help      this text; 'vantor-ftp-cli COMMAND --help' for one command\n"
                 "  --version       the program's version\n\n"
                 "Commands:\n");
    for (const auto& c : cli::CliRegistry::all())
        std::fprintf(out, "  %-14s %s\n", c.name.c_str(), c.summary.c_str());
    std::fprintf(out,
                 "\n%s\nExamples:\n"
                 "  vantor-ftp-cli ls ftp://ftp.example.org/pub/\n"
                 "  vantor-ftp-cli get ftp://bob@example.org/reports/may.pdf ./\n"
                 "  vantor-ftp-cli put --tls site.tar.gz ftp://bob@example.org/uploads/\n\n"
                 "Exit status: 0 success, 1 a failed operation, 2 bad usage, 130 interrupted.\n",
                 cli::help::kUrl);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // Passwords of URLs are read from the copy only; others see them blanked.
    cli::blankUrlPasswords(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantor-ftp-cli"));

    // Global options may come before the command name.
    std::vector<std::string> leading;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            printHelp(stdout);
            return cli::kExitOk;
        }
        if (a == "--version") {
            std::printf("vantor-ftp-cli " VANTOR_VERSION "\n");
            return cli::kExitOk;
        }
        if (a == "-v") {
            leading.push_back(a);
        } else if (a == "--data-dir" &&
                   (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1][0] == '-')) {
            std::fprintf(stderr, "vantor-ftp-cli: option --data-dir needs a directory\n");
            return cli::kExitUsage;
        } else if (a == "--data-dir") {
            leading.push_back(a);
            leading.push_back(args[++i]);
        } else if (a.rfind("--data-dir=", 0) == 0) {
            leading.push_back(a);
        } else {
            break;
        }
    }
    if (i >= args.size()) {
        printHelp(stderr);
        return cli::kExitUsage;
    }
    const cli::CliCommand* command = cli::CliRegistry::find(args[i]);
    if (!command) {
        std::fprintf(stderr, "vantor-ftp-cli: unknown command '%s'\n\n", args[i].c_str());
        printHelp(stderr);
        return cli::kExitUsage;
    }
    std::vector<std::string> rest(leading);
    for (std::size_t j = i + 1; j < args.size(); ++j) {
        if (args[j] == "-h" || args[j] == "--help") {
            std::printf("usage: vantor-ftp-cli %s\n\n%s.\n", command->usage.c_str(),
                        command->summary.c_str());
            if (!command->help.empty())
                std::printf("\n%s", command->help.c_str());
            return cli::kExitOk;
        }
        rest.push_back(args[j]);
    }
    std::string error;
    auto parsed = cli::CliParser::parse(*command, rest, error);
    if (!parsed) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\nusage: vantor-ftp-cli %s\n", error.c_str(),
                     command->usage.c_str());
        return cli::kExitUsage;
    }
    if (auto dir = parsed->value("--data-dir")) {
        if (dir->empty()) {
            std::fprintf(stderr, "vantor-ftp-cli: option --data-dir needs a directory\n");
            return cli::kExitUsage;
        }
        // Made with its missing parents, as every command needs it.
        const QString path = QString::fromStdString(*dir);
        if (!QDir().mkpath(path)) {
            std::fprintf(stderr, "vantor-ftp-cli: cannot make the data folder %s\n", dir->c_str());
            return cli::kExitFailed;
        }
        qputenv("VANTOR_FTP_DATA_DIR", QByteArray::fromStdString(*dir));
    }
    cli::installInterruptHandling();
    return command->run(*parsed);
}
