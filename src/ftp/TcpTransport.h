#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/SocketAddress.h"
#include "ftp/Transport.h"
#include "ftp/WaitSet.h"

namespace ftp {

// A TCP socket (IPv4 or IPv6), non-blocking underneath, with every wait in poll()
// so the wakers of its WaitSet interrupt it from any thread.
class TcpTransport final : public Transport
{
public:
    explicit TcpTransport(WaitSet waits);
    ~TcpTransport() override;
    TcpTransport(const TcpTransport&) = delete;
    TcpTransport& operator=(const TcpTransport&) = delete;

    // getaddrinfo(); blocking and not interruptible (the wakers are checked after).
    static std::vector<SocketAddress> resolve(const std::string& host, std::uint16_t port);

    // Tries each address in turn; throws the last failure.
    void connect(const std::vector<SocketAddress>& addresses, std::chrono::milliseconds timeout);
    // Takes over an already connected socket (an accepted active-mode connection).
    void adopt(int fd);

    // Limit on any single wait for reading or writing (an inactivity time-out).
    void setIoTimeout(std::chrono::milliseconds timeout) { m_ioTimeout = timeout; }
    std::chrono::milliseconds ioTimeout() const { return m_ioTimeout; }
    void setNoDelay();
    WaitSet& waits() { return m_waits; }

    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    SocketAddress peer() const { return SocketAddress::ofSocketPeer(m_fd); }
    SocketAddress local() const { return SocketAddress::ofSocketLocal(m_fd); }

    void waitReadable();
    void waitWritable();
    // Half-close: no more bytes from us.
    void shutdownWrite() noexcept;

    std::size_t read(char* buffer, std::size_t size) override;
    void write(const char* data, std::size_t size) override;
    void finish() override;
    void close() noexcept override;
    bool endedCleanly() const override { return true; }
    bool hasPendingInput() override;
    TcpTransport& tcp() override { return *this; }

private:
    void connectOne(const SocketAddress& address, std::chrono::milliseconds timeout);

    WaitSet m_waits;
    int m_fd = -1;
    std::chrono::milliseconds m_ioTimeout{60000};
};

} // namespace ftp
