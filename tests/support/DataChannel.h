#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <openssl/types.h>
#include <sys/socket.h>

#include "support/SocketChannel.h"

namespace testsupport {

// The data side of one control session: a passive listener or an active target,
// and the opening of the connection when a transfer command arrives.
class DataChannel final
{
public:
    explicit DataChannel(int stopFd);
    ~DataChannel();
    DataChannel(const DataChannel&) = delete;
    DataChannel& operator=(const DataChannel&) = delete;

    // Passive: a listener on the given local address with an ephemeral port; 0 on failure.
    std::uint16_t listen(const sockaddr_storage& localAddress);
    // Active: where to connect when the transfer starts (numeric host).
    bool setActive(const std::string& host, std::uint16_t port);
    bool configured() const { return m_listenFd >= 0 || m_activePort != 0; }

    // Accepts (passive) or connects (active) within the time-out, then runs the TLS
    // handshake when a context is given. Null with `error` set on failure.
    std::unique_ptr<SocketChannel> open(SSL_CTX* tls, int timeoutMs, std::string& error, int tickets = -1);
    // Forgets the listener and the active target (after each transfer command).
    void reset();

private:
    int m_stopFd;
    int m_listenFd = -1;
    std::string m_activeHost;
    std::uint16_t m_activePort = 0;
};

} // namespace testsupport
