#pragma once

#include <cstddef>
#include <deque>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;
typedef struct ssl_session_st SSL_SESSION;

namespace ftp {

// The TLS configuration of one FTP connection (control plus its data connections):
// TLS 1.2, or from TLS 1.2 up to TLS 1.3 for servers that refuse 1.2 (see the
// constructor for why 1.2 is preferred), the system's trust store, and the sessions
// the data connections resume (servers such as vsftpd and proftpd refuse a data
// connection that does not resume the control connection's session).
class TlsContext final
{
public:
    // `allowLegacyCiphers`: TLS 1.2 may also use cipher suites without forward
    // secrecy or AEAD (see ClientOptions::allowLegacyCiphers).
    explicit TlsContext(bool allowTls13 = false, bool allowLegacyCiphers = false);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    SSL_CTX* get() const { return m_ctx; }
    bool allowsTls13() const { return m_allowTls13; }

    // The session a new data connection offers, or null before the control
    // connection has one. A session nobody has offered yet when there is one, the
    // newest first (vsftpd and proftpd take a TLS 1.3 ticket back when it is used);
    // otherwise the one offered last again (a TLS 1.2 session ID, or a ticket of a
    // server that accepts tickets more than once). `unused` tells which it was.
    SSL_SESSION* dataSession(bool& unused);
    std::size_t unusedSessionCount() const { return m_unused.size(); }

    // A data connection resumed a session: the server works with resumption.
    void noteDataResumed() { m_dataResumed = true; }
    // TLS 1.3 with a server that resumes data connections, and no unused ticket
    // left: the next data connection could only offer a spent one, which servers
    // that take tickets back refuse.
    bool ticketsSpent() const { return m_allowTls13 && m_dataResumed && m_unused.empty(); }

    // Fingerprint of the certificate accepted on the control connection; data
    // connections must present the same one.
    void setAcceptedFingerprint(std::string sha256) { m_acceptedFingerprint = std::move(sha256); }
    const std::string& acceptedFingerprint() const { return m_acceptedFingerprint; }

    // Marks `ssl` as the control connection: its sessions are kept.
    void adoptControl(SSL* ssl);

private:
    static int onNewSession(SSL* ssl, SSL_SESSION* session);

    SSL_CTX* m_ctx = nullptr;
    bool m_allowTls13 = false;
    bool m_dataResumed = false;
    std::deque<SSL_SESSION*> m_unused; // newest at the back
    SSL_SESSION* m_offered = nullptr;  // the session offered last
    std::string m_acceptedFingerprint;
};

} // namespace ftp
