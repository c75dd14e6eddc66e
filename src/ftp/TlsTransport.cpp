#include "ftp/TlsTransport.h"

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "ftp/CertificateInfo.h"
#include "ftp/FtpError.h"
#include "ftp/TlsContext.h"

namespace ftp {

namespace {

bool isIpLiteral(const std::string& host)
{
    unsigned char buf[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, host.c_str(), buf) == 1 || ::inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

std::string opensslError()
{
    unsigned long e = ERR_get_error();
    if (e == 0)
        return "unknown TLS error";
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    return buf;
}

} // namespace

TlsTransport::TlsTransport(std::unique_ptr<TcpTransport> tcp, TlsContext& context, Role role,
                           std::string serverName)
    : m_tcp(std::move(tcp))
    , m_context(context)
    , m_role(role)
    , m_serverName(std::move(serverName))
{
    m_ssl = SSL_new(m_context.get());
    if (!m_ssl)
        throw ProtocolError("Cannot create a TLS connection: " + opensslError(), false);
    SSL_set_fd(m_ssl, m_tcp->fd());
    CertificateInfo::collectVerifyErrors(m_ssl);
    if (isIpLiteral(m_serverName)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), m_serverName.c_str());
    } else if (!m_serverName.empty()) {
        SSL_set_tlsext_host_name(m_ssl, m_serverName.c_str());
        SSL_set1_host(m_ssl, m_serverName.c_str());
    }
    if (m_role == Role::Control) {
        m_context.adoptControl(m_ssl);
    } else if (SSL_SESSION* session = m_context.dataSession(m_offeredUnused)) {
        SSL_set_session(m_ssl, session);
        m_offered = true;
    }
}

TlsTransport::~TlsTransport()
{
    close();
}

bool TlsTransport::retryAfter(int result, const char* what)
{
    int err = SSL_get_error(m_ssl, result);
    switch (err) {
    case SSL_ERROR_WANT_READ:
        m_tcp->waitReadable();
        return true;
    case SSL_ERROR_WANT_WRITE:
        m_tcp->waitWritable();
        return true;
    case SSL_ERROR_SYSCALL:
        if (ERR_peek_error() == 0)
            throw SocketError::fromErrno(errno != 0 ? errno : ECONNRESET, what);
        break;
    case SSL_ERROR_ZERO_RETURN:
        throw SocketError::fromErrno(ECONNRESET, std::string(what) + " (TLS closed by the server)");
    default:
        break;
    }
    throw ProtocolError(std::string(what) + ": " + opensslError(), false);
}

void TlsTransport::handshake()
{
    for (;;) {
        ERR_clear_error();
        errno = 0;
        int r = SSL_connect(m_ssl);
        if (r == 1)
            return;
        // The server's protocol_version alert: it speaks none of the versions
        // offered (a TLS 1.3-only server meeting a 1.2 maximum).
        if (SSL_get_error(m_ssl, r) == SSL_ERROR_SSL &&
            ERR_GET_REASON(ERR_peek_error()) == SSL_R_TLSV1_ALERT_PROTOCOL_VERSION)
            m_versionRefused = true;
        if (SSL_get_error(m_ssl, r) == SSL_ERROR_SSL &&
            ERR_GET_REASON(ERR_peek_error()) == SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE)
            m_handshakeRefused = true;
        retryAfter(r, "TLS handshake");
    }
}

bool TlsTransport::sessionReused() const
{
    return SSL_session_reused(m_ssl) == 1;
}

std::string TlsTransport::protocolVersion() const
{
    return SSL_get_version(m_ssl);
}

CertificateInfo TlsTransport::peerCertificate() const
{
    return CertificateInfo::fromConnection(m_ssl);
}

bool TlsTransport::readSome(char* buffer, std::size_t size, std::size_t& got, bool wait)
{
    got = 0;
    for (;;) {
        ERR_clear_error();
        errno = 0;
        std::size_t n = 0;
        int r = SSL_read_ex(m_ssl, buffer, size, &n);
        if (r == 1) {
            got = n;
            return true;
        }
        int err = SSL_get_error(m_ssl, r);
        if (err == SSL_ERROR_ZERO_RETURN) {
            m_cleanEnd = true;
            m_ended = true;
            return false;
        }
        if (err == SSL_ERROR_WANT_READ && !wait)
            return true;
        // The peer closed the socket without close_notify: the caller decides
        // whether that cut anything short.
        if ((err == SSL_ERROR_SYSCALL && ERR_peek_error() == 0 && errno == 0) ||
            (err == SSL_ERROR_SSL &&
             ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)) {
            ERR_clear_error();
            m_ended = true;
            return false;
        }
        retryAfter(r, "TLS read");
    }
}

std::size_t TlsTransport::read(char* buffer, std::size_t size)
{
    if (m_ended)
        return 0;
    std::size_t got = 0;
    if (!readSome(buffer, size, got, true))
        return 0;
    // Fill the caller's buffer from what has already arrived (one TLS record is
    // at most 16 KiB), without waiting for more.
    while (got < size && !m_ended) {
        std::size_t more = 0;
        if (!readSome(buffer + got, size - got, more, false) || more == 0)
            break;
        got += more;
    }
    return got;
}

void TlsTransport::write(const char* data, std::size_t size)
{
    while (size > 0) {
        ERR_clear_error();
        errno = 0;
        std::size_t n = 0;
        int r = SSL_write_ex(m_ssl, data, size, &n);
        if (r == 1) {
            data += n;
            size -= n;
            continue;
        }
        retryAfter(r, "TLS write");
    }
}

void TlsTransport::finish()
{
    if (!m_ssl || !m_tcp->isOpen())
        return;
    try {
        int r;
        for (;;) {
            ERR_clear_error();
            errno = 0;
            r = SSL_shutdown(m_ssl);
            if (r >= 0 || !retryAfter(r, "TLS shutdown"))
                break;
        }
        if (r == 0 && !m_ended) {
            // Our close_notify is out; read until the peer's arrives, taking in what
            // it still sends (TLS 1.3 tickets), so closing the socket resets nothing
            // the server has not read. A bounded number of reads: a peer that keeps
            // talking does not hold us.
            char sink[16384];
            for (int i = 0; i < 256; ++i) {
                std::size_t got = 0;
                if (!readSome(sink, sizeof sink, got, true))
                    break;
            }
        }
    } catch (const FtpError&) {
        close();
        throw;
    }
    close();
}

void TlsTransport::close() noexcept
{
    if (m_ssl) {
        // Freeing an SSL that was not shut down marks its session not resumable
        // (on both sides), and a data connection shares the control connection's
        // session: a stopped transfer would make every later data connection
        // fail where the server insists on resumption. So a data connection
        // sends its close_notify if the socket takes it at once (no waiting) and
        // is marked closed.
        if (m_role == Role::Data) {
            if (m_tcp->isOpen() && !(SSL_get_shutdown(m_ssl) & SSL_SENT_SHUTDOWN))
                SSL_shutdown(m_ssl);
            SSL_set_shutdown(m_ssl, SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);
            ERR_clear_error();
        }
        SSL_free(m_ssl);
        m_ssl = nullptr;
    }
    m_tcp->close();
}

bool TlsTransport::hasPendingInput()
{
    return (m_ssl && SSL_pending(m_ssl) > 0) || m_tcp->hasPendingInput();
}

} // namespace ftp
