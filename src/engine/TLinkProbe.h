#pragma once

#include <atomic>
#include <functional>
#include <string>

#include <QString>

#include "engine/TListing.h"
#include "engine/TLogKind.h"

namespace ftp {
class Client;
}

// Resolves the symbolic links of a listing, entry by entry in server order: a
// link the server lets us enter (CWD name, then back to `returnDirectory`) is a
// directory, one it refuses is a file. A pending stop request ends the probing
// and is cleared; the links not yet probed stay links.
//
// A reply error decides about one entry; any other failure (the connection is
// gone) is thrown, so a half-probed listing is never taken for a whole one.
class TLinkProbe final
{
public:
    using TLog = std::function<void(TLogKind kind, const QString& text)>;

    TLinkProbe(ftp::Client& client, std::atomic<bool>& stopRequested, TLog log);

    void run(TListing& entries, const std::string& returnDirectory);

private:
    ftp::Client& m_client;
    std::atomic<bool>& m_stopRequested;
    TLog m_log;
};
