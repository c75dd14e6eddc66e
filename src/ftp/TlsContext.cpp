#include "ftp/TlsContext.h"

#include <csignal>
#include <mutex>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include "ftp/FtpError.h"

namespace ftp {

TlsContext::TlsContext()
    : m_ctx(SSL_CTX_new(TLS_client_method()))
{
    // OpenSSL writes to the socket without MSG_NOSIGNAL: a server that resets a
    // TLS connection must not kill the process with SIGPIPE.
    static std::once_flag ignoreSigpipe;
    std::call_once(ignoreSigpipe, [] { std::signal(SIGPIPE, SIG_IGN); });
    if (!m_ctx)
        throw ProtocolError("Cannot create a TLS context", false);
    SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
    // Data connections must resume the control connection's session (vsftpd and
    // proftpd refuse them otherwise), once per transfer. TLS 1.3 tickets do not
    // allow that: vsftpd and OpenSSL-based servers take each ticket back when it
    // is used, and proftpd accepts only the control connection's own session.
    // TLS 1.2 session IDs can be resumed any number of times, so FTP connections
    // stay at TLS 1.2, without tickets (proftpd compares session IDs).
    SSL_CTX_set_max_proto_version(m_ctx, TLS1_2_VERSION);
    SSL_CTX_set_options(m_ctx, SSL_OP_NO_TICKET);
    SSL_CTX_set_default_verify_paths(m_ctx);
    // Verification runs, but its verdict is only recorded: the certificate callback
    // decides with the facts in hand (an unverified certificate may be trusted).
    SSL_CTX_set_verify(m_ctx, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_mode(m_ctx, SSL_MODE_AUTO_RETRY);
    SSL_CTX_set_session_cache_mode(m_ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_set_app_data(m_ctx, this);
    SSL_CTX_sess_set_new_cb(m_ctx, &TlsContext::onNewSession);
}

TlsContext::~TlsContext()
{
    if (m_session)
        SSL_SESSION_free(m_session);
    SSL_CTX_free(m_ctx);
}

int TlsContext::onNewSession(SSL* ssl, SSL_SESSION* session)
{
    auto* self = static_cast<TlsContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    // Only the control connection's session: a data connection that could not
    // resume brings a session of its own, which the server would not accept as
    // the control connection's.
    if (!self || SSL_get_app_data(ssl) != self)
        return 0;
    if (self->m_session)
        SSL_SESSION_free(self->m_session);
    self->m_session = session;
    return 1; // we keep the reference
}

} // namespace ftp
