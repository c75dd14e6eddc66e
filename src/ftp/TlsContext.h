#pragma once

#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;
typedef struct ssl_session_st SSL_SESSION;

namespace ftp {

// The TLS configuration of one FTP connection (control plus its data connections):
// TLS 1.2 (see the constructor for why not 1.3), the system's trust store, and the
// control connection's session, which every data connection resumes (servers such as vsftpd and proftpd
// refuse a data connection that does not).
class TlsContext final
{
public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    SSL_CTX* get() const { return m_ctx; }

    // The control connection's session (its SSL carries this context as app
    // data): what every data connection resumes.
    SSL_SESSION* controlSession() const { return m_session; }

    // Fingerprint of the certificate accepted on the control connection; data
    // connections must present the same one.
    void setAcceptedFingerprint(std::string sha256) { m_acceptedFingerprint = std::move(sha256); }
    const std::string& acceptedFingerprint() const { return m_acceptedFingerprint; }

private:
    static int onNewSession(SSL* ssl, SSL_SESSION* session);

    SSL_CTX* m_ctx = nullptr;
    SSL_SESSION* m_session = nullptr;
    std::string m_acceptedFingerprint;
};

} // namespace ftp
