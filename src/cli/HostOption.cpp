#include "HostOption.h"

#include <memory>

#include "core/EInOutError.h"
#include "core/StoredHostLookup.h"
#include "core/THosts.h"
#include "core/TQuickHosts.h"

namespace cli {

std::optional<StoredHostTarget> resolveHostOption(const std::string& nameOrID, const std::string& remotePath,
                                                  std::string& error)
{
    // The window's stores when they exist; otherwise read-only copies of the files.
    std::unique_ptr<THosts> ownHosts;
    std::unique_ptr<TQuickHosts> ownQuickHosts;
    const THosts* hosts = Hosts();
    const TQuickHosts* quickHosts = QuickHosts();
    QString loadProblems;
    try {
        if (!hosts) {
            ownHosts = std::make_unique<THosts>();
            hosts = ownHosts.get();
        }
        if (!quickHosts) {
            ownQuickHosts = std::make_unique<TQuickHosts>();
            ownQuickHosts->setSaveOnDestruction(false);
            quickHosts = ownQuickHosts.get();
        }
    } catch (const EInOutError& e) {
        error = "the stored hosts cannot be read: " + e.message().toStdString();
        return std::nullopt;
    }
    for (const QString& problem : {hosts->loadError(), quickHosts->loadError()})
        if (!problem.isEmpty())
            loadProblems += QStringLiteral(" (") +
                            QString(problem).replace(QLatin1String("\r\n"), QLatin1String(" ")) +
                            QLatin1Char(')');

    const THostLookupResult found = FindHostByNameOrID(hosts, quickHosts, QString::fromStdString(nameOrID));
    if (!found.host) {
        error = (found.error + loadProblems).toStdString();
        return std::nullopt;
    }

    StoredHostTarget target;
    target.host.Assign(*found.host);
    const THost& host = target.host;
    if (host.Hostname.isEmpty()) {
        error = "the stored host \"" + host.CommonName.toStdString() + "\" has no host name";
        return std::nullopt;
    }
    if (host.Port < 1 || host.Port > 65535) {
        error = "the stored host \"" + host.CommonName.toStdString() + "\" has the port " +
                std::to_string(host.Port) + ", which is not a port number";
        return std::nullopt;
    }
    target.url.host = host.Hostname.toStdString();
    target.url.port = static_cast<std::uint16_t>(host.Port);
    if (!host.IsAnonymous) {
        target.url.user = host.Username.toStdString();
        target.url.password = host.Password.toStdString();
    }
    target.url.path = remotePath.empty() ? host.InitialRemoteDirectory.toStdString() : remotePath;
    return target;
}

} // namespace cli
