// Connections offered to the queue's threads, and the orderly stop of the queue.
#include <QDateTime>

#include "ftp/Client.h"
#include "queue/TFTPTransfer.h"
#include "queue/TQueueManager.h"

namespace {

// What TFTPTransfer reuses a connection for: the same host, port, account and TLS.
bool sameLogin(const THost& a, const THost& b)
{
    return a.Hostname == b.Hostname && a.Port == b.Port && a.IsAnonymous == b.IsAnonymous &&
           (a.IsAnonymous || (a.Username == b.Username && a.Password == b.Password)) && a.UseSSL == b.UseSSL;
}

} // namespace

void TQueueManager::OfferConnection(const THost& host, std::unique_ptr<ftp::Client> client)
{
    if (!client || !client->isConnected() || m_destroying)
        return;
    m_offered.push_back({host, std::move(client), QDateTime::currentMSecsSinceEpoch()});
}

std::unique_ptr<ftp::Client> TQueueManager::takeOfferedConnection(const THost& host)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (auto it = m_offered.begin(); it != m_offered.end(); ++it) {
        if (!sameLogin(it->host, host))
            continue;
        std::unique_ptr<ftp::Client> client = std::move(it->client);
        const bool fresh = now - it->offeredAt <= kOfferedConnectionMaxAgeMs;
        m_offered.erase(it);
        if (fresh)
            return client;
        client->quit();
        return nullptr;
    }
    return nullptr;
}

void TQueueManager::closeOfferedConnections()
{
    std::vector<TOfferedConnection> offered = std::move(m_offered);
    m_offered.clear();
    for (TOfferedConnection& connection : offered)
        connection.client->quit();
}

void TQueueManager::StopQueueCleanly()
{
    stopQueue(true);
}
