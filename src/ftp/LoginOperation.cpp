#include "ftp/LoginOperation.h"

#include "ftp/FtpError.h"
#include "ftp/Session.h"
#include "ftp/TcpTransport.h"
#include "ftp/TlsTransport.h"

namespace ftp {

LoginOperation::LoginOperation(Session& session, bool allowTls13)
    : m_session(session)
    , m_allowTls13(allowTls13)
{}

const char* LoginOperation::stepName(Step step)
{
    switch (step) {
    case Step::Start:
        return "Start";
    case Step::AuthTls:
        return "AuthTls";
    case Step::AuthSsl:
        return "AuthSsl";
    case Step::Handshake:
        return "Handshake";
    case Step::User:
        return "User";
    case Step::Pass:
        return "Pass";
    case Step::Feat:
        return "Feat";
    case Step::OptsUtf8:
        return "OptsUtf8";
    case Step::Pbsz:
        return "Pbsz";
    case Step::Prot:
        return "Prot";
    case Step::Done:
        return "Done";
    }
    return "?";
}

void LoginOperation::setStep(Step step)
{
    m_session.debug(std::string("login: ") + stepName(m_step) + " -> " + stepName(step));
    m_step = step;
}

void LoginOperation::run()
{
    m_session.requireConnected();
    // A greeting of 230 ("already logged in") does not make TLS optional.
    if (m_session.options.tlsMode == TlsMode::RequireExplicit && !m_session.tlsActive)
        negotiateTls();
    logIn();
    probeFeatures();
    if (m_session.tlsActive)
        protectData();
    setStep(Step::Done);
}

void LoginOperation::negotiateTls()
{
    // RFC 4217 section 4: 234 accepts AUTH TLS; older servers answer AUTH SSL
    // with 334. Either starts the handshake right after the reply.
    for (Step step : {Step::AuthTls, Step::AuthSsl}) {
        setStep(step);
        Reply reply = m_session.command(step == Step::AuthTls ? "AUTH TLS" : "AUTH SSL");
        if (reply.code == 234 || reply.code == 334) {
            startTls();
            return;
        }
    }
    m_session.drop();
    throw TlsNotAvailableError("The server does not support TLS (AUTH TLS and AUTH SSL refused)");
}

void LoginOperation::startTls()
{
    setStep(Step::Handshake);
    // Bytes already here came before the handshake, in clear text, yet would be
    // read as if protected: a man in the middle pipelining replies. Refuse.
    if (m_session.control->hasPendingInput()) {
        m_session.drop();
        throw ProtocolError("The server sent clear-text data right after accepting TLS; login refused",
                            false);
    }
    auto& control = *m_session.control;
    auto plain = control.releaseTransport();
    std::unique_ptr<TcpTransport> tcp(static_cast<TcpTransport*>(plain.release()));
    m_session.tls = std::make_unique<TlsContext>(m_allowTls13, m_session.options.allowLegacyCiphers);
    auto secure = std::make_unique<TlsTransport>(std::move(tcp), *m_session.tls, TlsTransport::Role::Control,
                                                 m_session.options.host);
    TlsTransport* tlsTransport = secure.get();
    control.setTransport(std::move(secure));
    try {
        tlsTransport->handshake();
    } catch (const FtpError& e) {
        const bool tryTls13 = !m_allowTls13 && tlsTransport->versionRefused();
        const bool noStrongCipher = tlsTransport->handshakeRefused() && !m_session.options.allowLegacyCiphers;
        m_session.drop();
        if (tryTls13)
            throw TlsVersionRefused(std::string("The server refused TLS 1.2 (") + e.what() + ")");
        if (noStrongCipher)
            throw ProtocolError(std::string("The server refused the TLS handshake (") + e.what() +
                                    "). A server that offers only legacy cipher suites (without forward "
                                    "secrecy or authenticated encryption) can be allowed them in the "
                                    "host's settings; such connections are weaker",
                                false);
        throw;
    }
    m_session.tlsActive = true;
    m_session.status(ConnectionStatus::hsStatusText,
                     "TLS connection established (" + tlsTransport->protocolVersion() + ")");
    m_session.certificate = tlsTransport->peerCertificate();
    checkCertificate();
}

void LoginOperation::checkCertificate()
{
    const CertificateInfo info = *m_session.certificate; // drop() below clears the session's copy
    bool accepted = info.verified;
    if (m_session.callbacks.certificate)
        accepted = m_session.callbacks.certificate(info);
    if (!accepted) {
        m_session.drop();
        std::string why = info.verified ? "rejected" : "not trusted (" + info.verifyError + ")";
        throw CertificateRejectedError("The server's certificate was " + why);
    }
    m_session.tls->setAcceptedFingerprint(info.sha256);
}

void LoginOperation::logIn()
{
    setStep(Step::User);
    Reply reply = m_session.command("USER " + m_session.options.user);
    if (reply.code == 230)
        return; // logged in without a password
    if (reply.code != 331)
        throw ReplyError(reply.code, reply.text(), "USER");
    setStep(Step::Pass);
    reply = m_session.command("PASS " + m_session.options.password);
    if (reply.code != 230 && reply.code != 202)
        throw ReplyError(reply.code, reply.text(), "PASS");
}

void LoginOperation::probeFeatures()
{
    setStep(Step::Feat);
    Reply reply = m_session.command("FEAT");
    m_session.features = FeatureSet::fromReply(reply);
    if (m_session.features.has("UTF8")) {
        setStep(Step::OptsUtf8);
        // Servers that always speak UTF-8 refuse the option (pure-ftpd 504,
        // pyftpdlib 501): their FEAT is answer enough.
        m_session.command("OPTS UTF8 ON");
    }
}

void LoginOperation::protectData()
{
    // RFC 4217 section 9: PBSZ 0 must precede PROT; PROT P protects every data
    // connection. Without it data would flow in clear text: fail instead.
    setStep(Step::Pbsz);
    Reply reply = m_session.command("PBSZ 0");
    if (reply.code != 200)
        throw TlsNotAvailableError("The server refused to protect data connections (PBSZ: " +
                                   std::to_string(reply.code) + " " + reply.text() + ")");
    setStep(Step::Prot);
    reply = m_session.command("PROT P");
    if (reply.code != 200)
        throw TlsNotAvailableError("The server refused to protect data connections (PROT P: " +
                                   std::to_string(reply.code) + " " + reply.text() + ")");
}

} // namespace ftp
