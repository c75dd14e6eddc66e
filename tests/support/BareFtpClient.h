#pragma once

#include <string>
#include <string_view>

#include <openssl/types.h>

namespace testsupport {

// A deliberately small FTP client on blocking sockets and OpenSSL, for tests that
// check the test servers themselves (never the product's client). Every read and
// write times out after timeoutMs, so a silent server fails a test instead of
// hanging it. TLS certificates are not verified; fingerprint() tells which one came.
class BareFtpClient final
{
public:
    struct Reply
    {
        int code = 0;     // 0 when the connection ended or timed out first
        std::string text; // all lines, joined with '\n', codes included
    };

    explicit BareFtpClient(int timeoutMs = 5000);
    ~BareFtpClient();
    BareFtpClient(const BareFtpClient&) = delete;
    BareFtpClient& operator=(const BareFtpClient&) = delete;

    bool connect(const std::string& host, int port);
    // One complete reply (RFC 959 multi-line rules).
    Reply readReply();
    // Whatever bytes arrive within the time-out, up to `size` (raw, for framing tests).
    std::string readBytes(std::size_t size);
    // What one read returns (buffered bytes first), to see how the server split its writes.
    std::string readOnce();
    bool sendRaw(std::string_view bytes);
    Reply command(std::string_view line); // sends line + CRLF, reads one reply
    // Client side of the control connection's TLS handshake (after a 234).
    bool startTls();
    std::string fingerprint() const; // SHA-256 of the server certificate, lower-case hex
    bool controlTls() const { return m_ssl != nullptr; }
    bool closed() const { return m_fd < 0; }

    // Data connections, one at a time. PASV / EPSV send the command and connect to
    // the control connection's peer at the port the reply names.
    bool openPassive(bool extended = false);
    // TLS on the data connection, resuming the control connection's session.
    bool dataStartTls();
    bool dataSessionReused() const;
    std::string dataReadAll(); // until the server closes the data connection
    bool dataWrite(std::string_view bytes);
    // Ends the data connection; with TLS, a complete two-way shutdown first.
    void dataClose();
    int dataFd() const { return m_dataFd; }

private:
    long readSome(bool data, char* buffer, std::size_t size);
    bool writeAll(bool data, std::string_view bytes);

    int m_timeoutMs;
    int m_fd = -1;
    int m_dataFd = -1;
    SSL_CTX* m_ctx = nullptr;
    SSL* m_ssl = nullptr;
    SSL* m_dataSsl = nullptr;
    std::string m_host;
    std::string m_buffer;
};

} // namespace testsupport
