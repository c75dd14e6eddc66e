// The browsing worker's connection: taking a host, connecting (with TLS and
// its certificate question), logging in, disconnecting, and handing the
// connection over.
#include "engine/TFTPWorker.h"

#include "core/TMainConfig.h"
#include "engine/ConnectionTimeouts.h"
#include "engine/EFTRemoteAuthenticationFailed.h"
#include "engine/EFTRemoteCertificateRejected.h"
#include "engine/EFTRemoteConnectionFailed.h"
#include "engine/EFTRemoteTLSNotAvailable.h"
#include "engine/SocketErrorRule.h"
#include "engine/TFTPWorkerSupport.h"

using workersupport::fromUtf8;
using workersupport::replyFailure;

namespace {

QString anonymousPassword()
{
    if (TMainConfig* config = MainConfig())
        return config->AnonymousEmail();
    for (const auto& key : TMainConfig::Keys()) {
        if (qstrcmp(key.name, "AnonymousEmail") == 0)
            return key.defaultText;
    }
    return {};
}

} // namespace

void TFTPWorker::runSetHost()
{
    // What SetHost cut short is over. An abort that found nothing running is
    // forgotten; Shutdown requests the end before it aborts, so the request is
    // looked at after the reset.
    m_cutShort.store(false);
    m_client.clearAbort();
    if (isInterruptionRequested())
        return;
    // Also when the connection is gone already (cut short, or dropped by the
    // server): the window saw OnConnected and hears of the end before the next one.
    if (m_client.isConnected() || m_sessionOpen.load())
        Disconnect();
    // A newer SetHost (or the end) came while the old connection closed: that one
    // connects.
    if (isInterruptionRequested() || m_command.load() == WorkerCommand::Connect)
        return;
    applyHost();
    runConnect(true);
}

void TFTPWorker::applyHost()
{
    THost host;
    {
        QMutexLocker guard(&m_stateLock);
        host.Assign(m_host);
    }
    ftp::ClientOptions& o = m_client.options();
    o.host = utf8(host.Hostname);
    o.port = host.Port > 0 && host.Port <= 65535 ? static_cast<std::uint16_t>(host.Port) : 0;
    o.user = utf8(host.IsAnonymous ? QStringLiteral("anonymous") : host.Username);
    o.password = utf8(host.IsAnonymous ? anonymousPassword() : host.Password);
    o.passive = host.Passive;
    o.tlsMode = host.UseSSL ? ftp::TlsMode::RequireExplicit : ftp::TlsMode::None;
    o.allowLegacyCiphers = host.AllowLegacyTlsCiphers;
    o.acceptDataWithoutCloseNotify = host.AcceptDataWithoutCloseNotify;
    const TConnectionTimeouts timeouts = ConfiguredConnectionTimeouts();
    o.connectTimeout = timeouts.connect;
    o.replyTimeout = timeouts.reply;
    m_cache.clear();
}

void TFTPWorker::runConnect(bool chainLogin)
{
    bracket(TMessageKey::strRSSTConnecting, [&] {
        try {
            m_client.connect();
        } catch (const ftp::SocketError& e) {
            Disconnect();
            report(MakeSocketError(e));
            return;
        } catch (const ftp::FtpError& e) {
            // A refusing greeting (421 too many users, 5xx) or a garbled one: the
            // connection failed all the same, and the user hears of it.
            Disconnect();
            report(replyFailure<EFTRemoteConnectionFailed>(e));
            return;
        }
        syncConnectionState();
        m_sessionOpen.store(true);
        // Not over a request made meanwhile (a newer SetHost).
        if (chainLogin)
            queueIfIdle(WorkerCommand::Login);
        fire(TWorkerEvent::OnConnected);
    });
}

void TFTPWorker::runLogin()
{
    bracket(TMessageKey::strRSSTLoggingIn, [&] {
        std::unique_ptr<EEngineError> error;
        try {
            m_client.login();
            setCurrentDir(pwd());
        } catch (const ftp::TlsNotAvailableError& e) {
            error = replyFailure<EFTRemoteTLSNotAvailable>(e);
        } catch (const ftp::CertificateRejectedError& e) {
            error = replyFailure<EFTRemoteCertificateRejected>(e);
        } catch (const ftp::SocketError& e) {
            // A dropped or timed-out connection is no wrong password.
            error = MakeSocketError(e);
        } catch (const ftp::FtpError& e) {
            error = replyFailure<EFTRemoteAuthenticationFailed>(e);
        }
        if (error) {
            Disconnect();
            report(std::move(error));
            return;
        }
        syncConnectionState();
        fire(TWorkerEvent::OnLoggedIn);
    });
}

void TFTPWorker::Disconnect()
{
    if (m_client.isConnected()) {
        m_client.killDataChannel();
        m_client.quit();
    }
    syncConnectionState();
    m_sessionOpen.store(false);
    m_cache.clear();
    fire(TWorkerEvent::OnDisconnected);
}

std::unique_ptr<ftp::Client> TFTPWorker::ReleaseConnection()
{
    if (!m_client.isConnected())
        return nullptr;
    std::unique_ptr<ftp::Client> released = m_client.handOver();
    syncConnectionState();
    m_sessionOpen.store(false);
    m_cache.clear();
    fire(TWorkerEvent::OnDisconnected);
    return released;
}

bool TFTPWorker::EnsureConnected()
{
    if (m_client.isConnected())
        return true;
    if (m_client.options().host.empty())
        return false; // no host was ever set: nothing to reconnect to
    const QString remembered = CurrentDir();
    const QString status = StatusText();
    m_silentReconnect.store(true);
    runConnect(false);
    if (m_client.isConnected())
        runLogin();
    m_silentReconnect.store(false);
    if (m_client.isConnected() && !remembered.isEmpty()) {
        try {
            m_client.cwd(utf8(remembered));
        } catch (const ftp::FtpError&) {
        }
        try {
            setCurrentDir(pwd());
        } catch (const ftp::FtpError&) {
        }
    }
    {
        QMutexLocker guard(&m_stateLock);
        m_statusText = status;
    }
    syncConnectionState();
    return m_client.isConnected();
}

void TFTPWorker::syncConnectionState()
{
    m_connected.store(m_client.isConnected());
    m_tlsActive.store(m_client.isConnected() && m_client.tlsActive());
}

// --- Listing ------------------------------------------------------------------------
