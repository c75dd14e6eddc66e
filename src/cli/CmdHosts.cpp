#include <cstdio>
#include <string>

#include "CliCommand.h"
#include "CliPassword.h"
#include "FtpUrl.h"
#include "core/EInOutError.h"
#include "core/EXMLLoadException.h"
#include "core/StoredHostLookup.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TMemoryHostTree.h"
#include "core/TQuickHosts.h"
#include "core/TSecretStore.h"

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

int listHosts()
{
    bool failed = false;
    int count = 0;
    try {
        THosts hosts;
        TMemoryHostTree tree;
        try {
            hosts.FillTree(tree, QStringLiteral("Hosts"));
        } catch (const EXMLLoadException&) {
            // The hosts read before the one that failed are listed; the error follows.
        }
        tree.forEach([&count](const TMemoryHostTree::MemoryNode& node, const std::vector<QString>& path) {
            if (!node.host())
                return;
            // path[0] is the tree's own root node.
            std::string group;
            for (std::size_t i = 1; i < path.size(); ++i)
                group += "/" + field(path[i]);
            printHost(group.empty() ? "/" : group, *node.host());
            ++count;
        });
        reportProblem(hosts.loadError(), failed);

        TQuickHosts quickHosts;
        quickHosts.setSaveOnDestruction(false);
        for (const auto& host : quickHosts.hosts()) {
            printHost(kQuickGroup, *host);
            ++count;
        }
        reportProblem(quickHosts.loadError(), failed);
    } catch (const EInOutError& e) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", e.message().toUtf8().constData());
        return cli::kExitFailed;
    }
    if (count == 0 && !failed)
        std::fprintf(stderr, "No stored hosts. Add one with:\n"
                             "  vantor-ftp-cli hosts add NAME ftp://USER@HOST[:PORT]/[PATH] [--tls]\n");
    return failed ? cli::kExitFailed : cli::kExitOk;
}

int addHost(const cli::CliArgs& args)
{
    const std::string& name = args.positional()[1];
    if (name.empty()) {
        std::fprintf(stderr, "vantor-ftp-cli: a stored host needs a name\n");
        return cli::kExitUsage;
    }
    if (args.flag("--passive") && args.flag("--active")) {
        std::fprintf(stderr, "vantor-ftp-cli: --passive contradicts --active\n");
        return cli::kExitUsage;
    }
    std::string error;
    const auto url = cli::FtpUrl::parse(args.positional()[2], error);
    if (!url) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    THost host;
    host.CommonName = QString::fromStdString(name);
    host.Hostname = QString::fromStdString(url->host);
    host.Port = url->port;
    host.IsAnonymous = !url->user.has_value();
    if (url->user) {
        const QString notice = TSecretStore::passwordStorageNotice();
        if (!notice.isEmpty())
            std::fprintf(stderr, "%s\n", notice.toUtf8().constData());
        std::string password = url->password;
        if (!url->hasPassword) {
            const auto found = cli::findPassword(url->host, *url->user, error);
            if (!found) {
                std::fprintf(stderr, "vantor-ftp-cli: %s\n", error.c_str());
                return cli::kExitFailed;
            }
            password = *found;
        }
        host.Username = QString::fromStdString(*url->user);
        host.Password = QString::fromStdString(password);
    }
    host.InitialRemoteDirectory = QString::fromStdString(url->path);
    host.UseSSL = args.flag("--tls");
    host.AllowLegacyTlsCiphers = args.flag("--legacy-tls-ciphers");
    host.AcceptDataWithoutCloseNotify = args.flag("--tls-without-close-notify");
    host.Passive = !args.flag("--active");
    try {
        THosts hosts;
        if (!hosts.loadError().isEmpty()) {
            bool failed = false;
            reportProblem(hosts.loadError(), failed);
            std::fprintf(stderr, "vantor-ftp-cli: the stored hosts are left as they are\n");
            return cli::kExitFailed;
        }
        for (const auto& stored : hosts.hosts())
            if (stored->CommonName == host.CommonName) {
                std::fprintf(stderr,
                             "vantor-ftp-cli: a host named \"%s\" is stored already (%s); remove it first or "
                             "choose another name\n",
                             name.c_str(), stored->HostIDText().toUtf8().constData());
                return cli::kExitFailed;
            }
        QString reason;
        if (!hosts.UpdateHost(host, &reason)) {
            std::fprintf(stderr, "vantor-ftp-cli: %s\n", reason.toUtf8().constData());
            return cli::kExitFailed;
        }
        if (!hosts.secretStoreError().isEmpty())
            std::fprintf(stderr, "vantor-ftp-cli: %s; the password was kept in Hosts.xml\n",
                         hosts.secretStoreError().toUtf8().constData());
    } catch (const EInOutError& e) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", e.message().toUtf8().constData());
        return cli::kExitFailed;
    }
    std::printf("added\t%s\t%s\n", field(host.CommonName).c_str(), field(host.HostIDText()).c_str());
    return cli::kExitOk;
}

int removeHost(const std::string& nameOrID)
{
    try {
        THosts hosts;
        TQuickHosts quickHosts;
        quickHosts.setSaveOnDestruction(false);
        if (!hosts.loadError().isEmpty() || !quickHosts.loadError().isEmpty()) {
            bool failed = false;
            reportProblem(hosts.loadError(), failed);
            reportProblem(quickHosts.loadError(), failed);
            std::fprintf(stderr, "vantor-ftp-cli: the stored hosts are left as they are\n");
            return cli::kExitFailed;
        }
        const THostLookupResult found =
            FindHostByNameOrID(&hosts, &quickHosts, QString::fromStdString(nameOrID));
        if (!found.host) {
            std::fprintf(
                stderr, "vantor-ftp-cli: %s\n",
                QString(found.error).replace(QLatin1String("\r\n"), QLatin1String(" ")).toUtf8().constData());
            return cli::kExitFailed;
        }
        const THost removed = *found.host;
        QString reason;
        bool saved = false;
        if (hosts.FindByID(removed.HostIDText())) {
            TMemoryHostTree tree;
            hosts.FillTree(tree, QStringLiteral("Hosts"));
            TMemoryHostTree::MemoryNode* node = nullptr;
            tree.forEach([&](const TMemoryHostTree::MemoryNode& n, const std::vector<QString>&) {
                if (!node && n.host() && n.host()->HostID == removed.HostID)
                    node = const_cast<TMemoryHostTree::MemoryNode*>(&n);
            });
            if (node)
                tree.removeNode(node);
            hosts.SaveFromTree(tree);
            saved = hosts.Save(&reason);
        } else {
            saved = quickHosts.Delete(removed, &reason);
        }
        if (!saved) {
            std::fprintf(stderr, "vantor-ftp-cli: %s\n", reason.toUtf8().constData());
            return cli::kExitFailed;
        }
        std::printf("removed\t%s\t%s\n", field(removed.CommonName).c_str(),
                    field(removed.HostIDText()).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantor-ftp-cli: %s\n", e.what());
        return cli::kExitFailed;
    }
    return cli::kExitOk;
}

// The settings for the length of a command (UseSecretStore says where passwords
// go), unless the caller has them already.
class TSettingsForCommand final
{
public:
    TSettingsForCommand()
        : m_owns(!MainConfig())
    {
        if (m_owns)
            TMainConfig::createGlobal();
    }
    ~TSettingsForCommand()
    {
        if (m_owns)
            TMainConfig::destroyGlobal();
    }
    TSettingsForCommand(const TSettingsForCommand&) = delete;
    TSettingsForCommand& operator=(const TSettingsForCommand&) = delete;

private:
    bool m_owns;
};

int runHosts(const cli::CliArgs& args)
{
    const TSettingsForCommand settings;
    const auto& positional = args.positional();
    const std::string verb = positional.empty() ? "list" : positional[0];
    if (verb == "list" && positional.size() <= 1)
        return listHosts();
    if (verb == "add" && positional.size() == 3)
        return addHost(args);
    if (verb == "remove" && positional.size() == 2)
        return removeHost(positional[1]);
    std::fprintf(stderr, "usage: vantor-ftp-cli hosts [list] | hosts add NAME URL [--tls] "
                         "[--legacy-tls-ciphers] [--tls-without-close-notify] [--passive|--active] | "
                         "hosts remove NAME-OR-ID\n");
    return cli::kExitUsage;
}

} // namespace

VANTOR_CLI_COMMAND({
    "hosts",
    "hosts [list] | hosts add NAME URL [--tls] [--legacy-tls-ciphers] [--tls-without-close-notify] "
    "[--passive|--active] | hosts remove NAME-OR-ID",
    "list, add or remove the stored hosts that --host NAME-OR-ID names",
    {"--tls", "--legacy-tls-ciphers", "--tls-without-close-notify", "--passive", "--active"},
    {},
    runHosts,
    std::string("hosts (or hosts list) prints one line per stored host, tab-separated: group path,\n"
                "name, host name, port, user name, ID; quick-connect hosts have the group\n"
                "\"(quick connect)\". Passwords are never printed.\n"
                "hosts add stores a host in Hosts.xml (at the top of the host tree) from a URL: its\n"
                "user, password (asked for as the URL commands do when the URL has none), port and\n"
                "path (the initial remote directory). --tls requires explicit TLS, --active\n"
                "turns passive mode off (passive is the default). With the setting\n"
                "UseSecretStore on (Config.xml), passwords go to the desktop's secret store\n"
                "and Hosts.xml holds none.\n"
                "Two exceptions for old TLS servers, both weaker than the default and off\n"
                "unless given: --legacy-tls-ciphers lets TLS 1.2 use cipher suites without\n"
                "forward secrecy or authenticated encryption (recorded traffic can be read\n"
                "by whoever obtains the server's key later); --tls-without-close-notify takes\n"
                "a listing or ASCII download whose TLS data connection ends without\n"
                "close_notify as complete (a transfer cut short on the way then looks whole).\n"
                "hosts remove deletes the host with that name or ID (from the tree or the\n"
                "quick-connect list).\n\n"
                "Examples:\n"
                "  vantor-ftp-cli hosts\n"
                "  vantor-ftp-cli hosts add \"My server\" ftp://bob@example.org/pub --tls\n"
                "  vantor-ftp-cli hosts remove \"My server\"\n"),
});
