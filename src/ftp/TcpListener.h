#pragma once

#include <chrono>
#include <functional>

#include "ftp/SocketAddress.h"
#include "ftp/WaitSet.h"

namespace ftp {

// The listening socket of an active-mode data connection.
class TcpListener final
{
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Listens on `local`'s host at a port the OS picks.
    void listen(const SocketAddress& local);
    SocketAddress address() const { return SocketAddress::ofSocketLocal(m_fd); }

    // Accepts the first connection that comes from `allowedPeer`'s host; others
    // are closed at once and reported through `rejected`. Returns the socket.
    int accept(const SocketAddress& allowedPeer, const WaitSet& waits, std::chrono::milliseconds timeout,
               const std::function<void(const SocketAddress&)>& rejected);

    void close() noexcept;

private:
    int m_fd = -1;
};

} // namespace ftp
