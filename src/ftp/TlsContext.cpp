#include "ftp/TlsContext.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include "ftp/FtpError.h"

namespace ftp {

TlsContext::TlsContext()
    : m_ctx(SSL_CTX_new(TLS_client_method()))
{
    if (!m_ctx)
        throw ProtocolError("Cannot create a TLS context", false);
    SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
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
    if (!self)
        return 0;
    // TLS 1.3 tickets may be single-use (servers with a session cache take each
    // back when it is used), so the ticket a resumed data connection receives is
    // kept for the next one: it continues the control connection's session.
    if (self->m_session)
        SSL_SESSION_free(self->m_session);
    self->m_session = session;
    return 1; // we keep the reference
}

} // namespace ftp
