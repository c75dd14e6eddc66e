#pragma once

#include <QString>
#include <QStringList>

class THost;
class THosts;
class TQuickHosts;

// Looks a host up by its ID text the way queue files and settings refer to
// hosts: the host tree store first, then the quick-connect list. Either store may
// be null. The comparison is exact (upper case, braces).
THost* FindHostByID(const THosts* hosts, const TQuickHosts* quickHosts, const QString& id);
// The same over the process-wide stores.
THost* FindHostByID(const QString& id);

struct THostLookupResult
{
    const THost* host = nullptr;
    QString error; // why no single host was found, when host is null
};

// Finds the host a user names on the command line: by HostID first (in any
// case, with or without braces; tree store, then quick-connect list), else by
// CommonName in both stores, exactly, or ignoring case when nothing matches
// exactly. A name that several hosts carry is an error listing their IDs.
THostLookupResult FindHostByNameOrID(const THosts* hosts, const TQuickHosts* quickHosts,
                                     const QString& nameOrID);
