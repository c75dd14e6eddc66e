#include "ftp/DataChannel.h"

#include <arpa/inet.h>

#include "ftp/FtpError.h"
#include "ftp/ReplyText.h"
#include "ftp/Session.h"
#include "ftp/TlsTransport.h"

namespace ftp {

DataChannel::DataChannel(Session& session)
    : m_session(session)
{
    m_settings.readTimeout = m_session.options.dataReadTimeout;
    if (auto hook = m_session.callbacks.dataConnectionCreated)
        hook(m_settings);
    m_tcp = std::make_unique<TcpTransport>(m_session.dataWaits());
    m_tcp->setIoTimeout(m_settings.readTimeout);
}

DataChannel::~DataChannel()
{
    close();
}

void DataChannel::prepare()
{
    m_active = !m_session.options.passive;
    if (m_active)
        prepareActive();
    else
        preparePassive();
}

void DataChannel::preparePassive()
{
    std::optional<std::uint16_t> port;
    if (!m_session.epsvRefused) {
        Reply reply = m_session.command("EPSV");
        if (reply.code == 229)
            port = parseEpsvReply(reply.text()).port;
        else if (reply.kind() == 5)
            m_session.epsvRefused = true; // remembered: PASV straight away next time
    }
    if (!port) {
        Reply reply = m_session.command("PASV");
        if (reply.code != 227)
            throw ReplyError(reply.code, reply.text(), "PASV");
        PassiveAddress named = parsePasvReply(reply.text());
        port = named.port;
        // The address in a PASV reply is not trusted (it may point the connection
        // at a third host, or be the server's private address behind NAT): the
        // data connection goes to the host the control connection reached.
        const std::string peer = m_session.controlPeer.host();
        if (named.host != peer)
            m_session.status(ConnectionStatus::hsStatusText, "The server named " + named.host +
                                                                 " for the data connection; connecting to " +
                                                                 peer + " instead");
    }
    SocketAddress target = m_session.controlPeer.withPort(*port);
    m_session.debug("data connection to " + target.toString());
    m_tcp->connect({target}, m_session.options.connectTimeout);
}

void DataChannel::prepareActive()
{
    m_listener.listen(m_session.controlLocal);
    SocketAddress local = m_listener.address();
    const std::uint16_t port = local.port();
    const bool v6 = local.family() == AF_INET6;
    if (!m_session.eprtRefused || v6) {
        // RFC 2428: EPRT |proto|address|port|
        Reply reply = m_session.command("EPRT |" + std::string(v6 ? "2" : "1") + "|" + local.host() + "|" +
                                        std::to_string(port) + "|");
        if (reply.code == 200)
            return;
        if (v6 || reply.kind() != 5)
            throw ReplyError(reply.code, reply.text(), "EPRT");
        m_session.eprtRefused = true;
    }
    std::string host = local.host();
    for (char& c : host)
        if (c == '.')
            c = ',';
    m_session.expect("PORT " + host + "," + std::to_string(port >> 8) + "," + std::to_string(port & 0xff),
                     {200});
}

void DataChannel::takeReply(const Reply& reply)
{
    if (reply.preliminary()) {
        m_preliminary = reply;
        return;
    }
    m_final = reply;
    if (!reply.positive())
        throw ReplyError(reply.code, reply.text(), m_verb);
}

void DataChannel::onControlReadable()
{
    takeReply(m_session.read());
}

void DataChannel::open(const std::string& command)
{
    m_verb = commandVerb(command);
    m_session.send(command);
    m_commandSent = true;

    // Until the connection stands, a refusal on the control connection (550, 425)
    // ends the wait instead of a time-out.
    WaitSet& waits = m_tcp->waits();
    waits.setSideWatch(m_session.control->fd(), [this] { onControlReadable(); });
    if (m_active) {
        int fd = m_listener.accept(m_session.controlPeer, waits, m_session.options.connectTimeout,
                                   [this](const SocketAddress& from) {
                                       m_session.status(ConnectionStatus::hsStatusText,
                                                        "Refused a data connection from " + from.toString());
                                   });
        m_listener.close();
        m_tcp->adopt(fd);
    }
    // Without it the last small segments of a transfer (the TLS close_notify, a
    // short final block) wait for the peer's delayed ACK: about 40 ms per file,
    // which dominates a queue of small files. Data is written in large blocks, so
    // Nagle's algorithm gains nothing here.
    m_tcp->setNoDelay();
    if (m_session.tlsActive) {
        startTls();
    } else {
        m_transport = std::move(m_tcp);
    }
    m_transport->tcp().waits().clearSideWatch();
    while (!m_preliminary && !m_final)
        takeReply(m_session.read());
}

void DataChannel::startTls()
{
    // The handshake starts after the command went out: some servers (pyftpdlib)
    // only take it then. It resumes the control connection's session.
    auto tls = std::make_unique<TlsTransport>(std::move(m_tcp), *m_session.tls, TlsTransport::Role::Data,
                                              m_session.options.host);
    TlsTransport* t = tls.get();
    m_transport = std::move(tls);
    t->handshake();
    m_tls13 = t->protocolVersion() == "TLSv1.3";
    if (t->sessionReused()) {
        m_resumption = Resumption::Resumed;
        m_session.tls->noteDataResumed();
    } else if (t->offeredSession())
        m_resumption = t->offeredUnusedSession() ? Resumption::RefusedUnused : Resumption::RefusedUsed;
    m_session.debug(std::string("data connection TLS ") + t->protocolVersion() +
                    (t->sessionReused() ? ", session resumed" : ", new session") +
                    (m_resumption == Resumption::RefusedUsed ? " (session offered before)" : ""));
    // The data connection must end at the server the user accepted.
    CertificateInfo cert = t->peerCertificate();
    if (!CertificateInfo::sameFingerprint(cert.sha256, m_session.tls->acceptedFingerprint()))
        throw CertificateRejectedError(
            "The data connection presented a different certificate than the server");
}

const Reply& DataChannel::readFinalReply()
{
    while (!m_final)
        takeReply(m_session.read());
    return *m_final;
}

void DataChannel::close() noexcept
{
    if (m_transport)
        m_transport->close();
    if (m_tcp)
        m_tcp->close();
    m_listener.close();
}

} // namespace ftp
