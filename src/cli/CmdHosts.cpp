#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "core/EInOutError.h"
#include "core/EXMLLoadException.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMemoryHostTree.h"
#include "core/TQuickHosts.h"

namespace {

// The group path of quick-connect hosts; tree paths always start with "/".
const char* const kQuickGroup = "(quick connect)";

// One field of a tab-separated line: tabs and line breaks would split it.
std::string field(const QString& text)
{
    QString clean = text;
    for (QChar& c : clean)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return clean.toStdString();
}

void printHost(const std::string& group, const THost& host)
{
    // Never the password.
    std::printf("%s\t%s\t%s\t%d\t%s\t%s\n", group.c_str(), field(host.CommonName).c_str(),
                field(host.Hostname).c_str(), host.Port, field(host.Username).c_str(),
                field(host.HostIDText()).c_str());
}

void reportProblem(const QString& problem, bool& failed)
{
    if (problem.isEmpty())
        return;
    std::fprintf(stderr, "vantor-ftp-cli: %s\n",
                 QString(problem).replace(QLatin1String("\r\n"), QLatin1String(" ")).toUtf8().constData());
    failed = true;
}

int runHosts(const cli::CliArgs& args)
{
    if (!args.positional().empty()) {
        std::fprintf(stderr, "usage: vantor-ftp-cli hosts\n");
        return cli::kExitUsage;
    }
    bool failed = false;
    try {
        THosts hosts;
        TMemoryHostTree tree;
        try {
            hosts.FillTree(tree, QStringLiteral("Hosts"));
        } catch (const EXMLLoadException&) {
            // The hosts read before the one that failed are listed; the error follows.
        }
        tree.forEach([](const TMemoryHostTree::MemoryNode& node, const std::vector<QString>& path) {
            if (!node.host())
                return;
            // path[0] is the tree's own root node.
            std::string group;
            for (std::size_t i = 1; i < path.size(); ++i)
                group += "/" + field(path[i]);
            printHost(group.empty() ? "/" : group, *node.host());
        });
        reportProblem(hosts.loadError(), failed);

        TQuickHosts quickHosts;
        quickHosts.setSaveOnDestruction(false);
        for (const auto& host : quickHosts.hosts())
            printHost(kQuickGroup, *host);
        reportProblem(quickHosts.loadError(), failed);
    } catch (const EInOutError& e) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", e.message().toUtf8().constData());
        return cli::kExitFailed;
    }
    return failed ? cli::kExitFailed : cli::kExitOk;
}

} // namespace

VANTOR_CLI_COMMAND({
    "hosts",
    "hosts",
    "list the stored hosts: group path, name, host name, port, user name, ID (tab-separated; quick-connect "
    "hosts have the group \"(quick connect)\")",
    {},
    {},
    runHosts,
});
