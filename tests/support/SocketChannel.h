#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <openssl/types.h>

namespace testsupport {

// One socket of the scripted server, plain or TLS, with every wait also woken by the
// server's stop descriptor so stopping never hangs on a silent client.
class SocketChannel final
{
public:
    enum class Wait
    {
        Ready,
        TimedOut,
        Stopped, // the server is stopping or the socket failed
    };

    SocketChannel(int fd, int stopFd); // takes ownership of fd and makes it non-blocking
    ~SocketChannel();
    SocketChannel(const SocketChannel&) = delete;
    SocketChannel& operator=(const SocketChannel&) = delete;

    // > 0: bytes read; 0: end of stream; -1: error or stop; -2: time-out.
    // timeoutMs < 0 waits without limit.
    long read(char* buffer, std::size_t size, int timeoutMs = -1);
    bool write(std::string_view data);
    // Readable now (or TLS data already decrypted) without blocking.
    bool readable();
    // Waits for readability (or the end of the stream); TLS data already decrypted counts.
    Wait waitReadable(int timeoutMs);

    // Server side of a TLS handshake on this socket.
    // `tickets`: how many TLS 1.3 tickets the handshake ends with (-1: OpenSSL's default).
    bool startTls(SSL_CTX* ctx, int timeoutMs, int tickets = -1);
    bool tlsActive() const { return m_ssl != nullptr; }
    bool tlsSessionReused() const;
    // After read() returned 0 under TLS: whether the peer ended with close_notify.
    bool peerSentCloseNotify() const { return m_peerCloseNotify; }
    // Sends close_notify; with waitForPeer also waits (bounded) for the peer's.
    void closeTls(bool waitForPeer, int timeoutMs);
    // The end of a sending side: close_notify under TLS, then FIN. The socket stays
    // open, so whatever the peer still sends never meets a reset that could overtake
    // data in flight; close it later.
    void finishSending();

    // Closes the socket at once: no close_notify, no linger.
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    std::string lastError() const { return m_error; }

private:
    Wait wait(short events, int timeoutMs);
    // Handles SSL_ERROR_WANT_*: true to retry the call.
    bool tlsRetry(int result, int timeoutMs);

    int m_fd;
    int m_stopFd;
    SSL* m_ssl = nullptr;
    bool m_peerCloseNotify = false;
    bool m_timedOut = false;
    std::string m_error;
};

} // namespace testsupport
