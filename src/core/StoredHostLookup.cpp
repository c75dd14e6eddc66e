#include "core/StoredHostLookup.h"

#include <optional>
#include <vector>

#include "core/THost.h"
#include "core/THosts.h"
#include "core/TQuickHosts.h"

namespace {

std::vector<const THost*> allHosts(const THosts* hosts, const TQuickHosts* quickHosts)
{
    std::vector<const THost*> all;
    if (hosts)
        for (const auto& host : hosts->hosts())
            all.push_back(host.get());
    if (quickHosts)
        for (const auto& host : quickHosts->hosts())
            all.push_back(host.get());
    return all;
}

std::vector<const THost*> byName(const std::vector<const THost*>& all, const QString& name,
                                 Qt::CaseSensitivity cs)
{
    std::vector<const THost*> found;
    for (const THost* host : all)
        if (host->CommonName.compare(name, cs) == 0)
            found.push_back(host);
    return found;
}

} // namespace

THost* FindHostByID(const THosts* hosts, const TQuickHosts* quickHosts, const QString& id)
{
    if (hosts)
        if (THost* host = hosts->FindByID(id))
            return host;
    return quickHosts ? quickHosts->FindByID(id) : nullptr;
}

THost* FindHostByID(const QString& id)
{
    return FindHostByID(Hosts(), QuickHosts(), id);
}

THostLookupResult FindHostByNameOrID(const THosts* hosts, const TQuickHosts* quickHosts,
                                     const QString& nameOrID)
{
    THostLookupResult result;
    const QString text = nameOrID.trimmed();
    if (const std::optional<QUuid> id = THost::HostIDFromText(text)) {
        if (const THost* host = FindHostByID(hosts, quickHosts, THost::HostIDToText(*id))) {
            result.host = host;
            return result;
        }
    }

    const std::vector<const THost*> all = allHosts(hosts, quickHosts);
    std::vector<const THost*> found = byName(all, nameOrID, Qt::CaseSensitive);
    if (found.empty())
        found = byName(all, nameOrID, Qt::CaseInsensitive);
    if (found.size() == 1) {
        result.host = found.front();
    } else if (found.empty()) {
        result.error = QStringLiteral("no stored host is named or has the ID \"%1\"").arg(nameOrID);
    } else {
        QStringList ids;
        for (const THost* host : found)
            ids << host->HostIDText();
        result.error = QStringLiteral("%1 hosts are named \"%2\"; give one of their IDs instead: %3")
                           .arg(found.size())
                           .arg(nameOrID, ids.join(QStringLiteral(", ")));
    }
    return result;
}
