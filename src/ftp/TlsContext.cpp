#include "ftp/TlsContext.h"

#include <csignal>
#include <mutex>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "ftp/FtpError.h"

namespace ftp {

namespace {

// A server sends two TLS 1.3 tickets after a full handshake and one after each
// resumption; more than this are never needed at once.
constexpr std::size_t kMaxUnusedSessions = 8;

} // namespace

TlsContext::TlsContext(bool allowTls13, bool allowLegacyCiphers)
    : m_ctx(SSL_CTX_new(TLS_client_method()))
    , m_allowTls13(allowTls13)
{
    // OpenSSL writes to the socket without MSG_NOSIGNAL: a server that resets a
    // TLS connection must not kill the process with SIGPIPE.
    static std::once_flag ignoreSigpipe;
    std::call_once(ignoreSigpipe, [] { std::signal(SIGPIPE, SIG_IGN); });
    if (!m_ctx)
        throw ProtocolError("Cannot create a TLS context", false);
    SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
    // Every data connection must resume a session of this FTP connection (vsftpd
    // and proftpd refuse it otherwise). A TLS 1.2 session ID can be resumed any
    // number of times. TLS 1.3 tickets cannot: vsftpd and proftpd accept each
    // ticket once, and proftpd sends no new ticket on a resumed upload connection,
    // so after two uploads a control connection has nothing left to offer. TLS 1.2
    // is therefore the preferred maximum, without tickets; TLS 1.3 is only for
    // servers that refuse anything older, with each ticket offered once while
    // unused ones last.
    if (!m_allowTls13) {
        SSL_CTX_set_max_proto_version(m_ctx, TLS1_2_VERSION);
        SSL_CTX_set_options(m_ctx, SSL_OP_NO_TICKET);
    }
    // TLS 1.2: ephemeral elliptic-curve Diffie-Hellman (forward secrecy) with an
    // AEAD cipher, as TLS 1.3 always has. Static RSA key exchange lets whoever
    // gets the server's key later read recorded sessions, and CBC with HMAC-SHA1
    // has a history of padding-oracle attacks. TLS 1.3 suites are all of the
    // strong kind and stay as they are.
    if (!allowLegacyCiphers &&
        SSL_CTX_set_cipher_list(m_ctx, "ECDHE+AESGCM:ECDHE+CHACHA20:!aNULL:!eNULL") != 1) {
        SSL_CTX_free(m_ctx);
        throw ProtocolError("Cannot set the TLS cipher suites", false);
    }
    SSL_CTX_set_default_verify_paths(m_ctx);
    // A wildcard stands for a whole leftmost label only: "*.example.test" names
    // foo.example.test, "f*.example.test" names nothing (RFC 6125 section 7.2
    // leaves partial wildcards to the client; a certificate holding one could
    // match names its owner never meant). Connections inherit the flag.
    X509_VERIFY_PARAM_set_hostflags(SSL_CTX_get0_param(m_ctx), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
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
    for (SSL_SESSION* session : m_unused)
        SSL_SESSION_free(session);
    if (m_offered)
        SSL_SESSION_free(m_offered);
    SSL_CTX_free(m_ctx);
}

void TlsContext::adoptControl(SSL* ssl)
{
    SSL_set_app_data(ssl, this);
}

SSL_SESSION* TlsContext::dataSession(bool& unused)
{
    unused = !m_unused.empty();
    if (unused) {
        if (m_offered)
            SSL_SESSION_free(m_offered);
        m_offered = m_unused.back();
        m_unused.pop_back();
    }
    return m_offered;
}

int TlsContext::onNewSession(SSL* ssl, SSL_SESSION* session)
{
    auto* self = static_cast<TlsContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    if (!self)
        return 0;
    // The control connection's sessions, and the tickets of a data connection
    // that resumed one (a resumption continues the control connection's session).
    // A data connection that could not resume brings a session of its own, which
    // the server would not take as the control connection's.
    const bool control = SSL_get_app_data(ssl) == self;
    if (!control && SSL_session_reused(ssl) != 1)
        return 0;
    if (self->m_unused.size() == kMaxUnusedSessions) {
        SSL_SESSION_free(self->m_unused.front());
        self->m_unused.pop_front();
    }
    self->m_unused.push_back(session);
    return 1; // we keep the reference
}

} // namespace ftp
