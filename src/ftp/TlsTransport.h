#pragma once

#include <memory>
#include <string>

#include "ftp/CertificateInfo.h"
#include "ftp/TcpTransport.h"
#include "ftp/Transport.h"

namespace ftp {

class TlsContext;

// TLS over a TCP socket. The socket stays non-blocking; OpenSSL's want-read and
// want-write are answered with the socket's interruptible waits.
class TlsTransport final : public Transport
{
public:
    enum class Role
    {
        Control, // verifies the server name; its session is kept for the data connections
        Data     // resumes a session of the control connection
    };

    TlsTransport(std::unique_ptr<TcpTransport> tcp, TlsContext& context, Role role, std::string serverName);
    ~TlsTransport() override;

    void handshake();
    // After a failed handshake: the server refused every protocol version offered.
    bool versionRefused() const { return m_versionRefused; }
    // After a failed handshake: the server answered with a handshake_failure alert,
    // as servers do when they share no cipher suite with the client.
    bool handshakeRefused() const { return m_handshakeRefused; }
    bool sessionReused() const;
    // A data connection offered a session to resume; `unused` when none had offered it before.
    bool offeredSession() const { return m_offered; }
    bool offeredUnusedSession() const { return m_offeredUnused; }
    std::string protocolVersion() const;
    CertificateInfo peerCertificate() const;

    std::size_t read(char* buffer, std::size_t size) override;
    void write(const char* data, std::size_t size) override;
    void finish() override;
    void close() noexcept override;
    bool endedCleanly() const override { return m_cleanEnd; }
    bool hasPendingInput() override;
    TcpTransport& tcp() override { return *m_tcp; }

private:
    // Handles a failed SSL call: waits and returns true to retry, or throws.
    bool retryAfter(int result, const char* what);
    // One SSL_read_ex; returns false on end of stream.
    bool readSome(char* buffer, std::size_t size, std::size_t& got, bool wait);

    std::unique_ptr<TcpTransport> m_tcp;
    TlsContext& m_context;
    Role m_role;
    std::string m_serverName;
    SSL* m_ssl = nullptr;
    bool m_cleanEnd = false;
    bool m_versionRefused = false;
    bool m_handshakeRefused = false;
    bool m_offered = false;
    bool m_offeredUnused = false;
    bool m_ended = false;
};

} // namespace ftp
