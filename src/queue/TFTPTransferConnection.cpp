// The connection a transfer thread is given and the orderly stop.
#include "queue/TFTPTransfer.h"

#include "engine/TControlLog.h"

void TFTPTransfer::StopCleanly()
{
    m_stopCleanly.store(true);
    m_stopRequested.store(true);
    // Wakes the data connection's waits only: the transfer fails, ABOR is sent and
    // its replies read, and the control connection stays usable for QUIT.
    m_client->abortTransfer();
}

void TFTPTransfer::adoptConnection(std::unique_ptr<ftp::Client> client, const THost& host)
{
    if (!client || m_client->isConnected())
        return;
    m_client = std::move(client);
    // The giver's callbacks went with it; this thread's are set per item, the
    // control log's once per connection.
    m_client->callbacks() = {};
    if (OnControlLog) {
        if (!m_controlLog)
            m_controlLog = std::make_unique<TControlLog>(OnControlLog);
        m_client->callbacks().commandSent = [this](const std::string& line) { m_controlLog->sent(line); };
        m_client->callbacks().replyParsed = [this](const ftp::Reply& reply) {
            m_controlLog->received(reply);
        };
    }
    m_connectedHost = host.Hostname;
    m_connectedPort = host.Port;
    m_connectedUser = host.IsAnonymous ? QStringLiteral("anonymous") : host.Username;
    m_connectedTls = host.UseSSL;
    // Where the giver left it, and its type, are not known here.
    m_currentDirectory.clear();
    m_currentType.clear();
}
