#include "ftp/TcpListener.h"

#include <cerrno>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ftp/FtpError.h"

namespace ftp {

TcpListener::~TcpListener()
{
    close();
}

void TcpListener::listen(const SocketAddress& local)
{
    close();
    m_fd = ::socket(local.family(), SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (m_fd < 0)
        throw SocketError::fromErrno(errno, "socket");
    SocketAddress any = local.withPort(0);
    if (::bind(m_fd, any.get(), any.length()) != 0 || ::listen(m_fd, 4) != 0) {
        int err = errno;
        close();
        throw SocketError::fromErrno(err, "listen for the data connection");
    }
}

int TcpListener::accept(const SocketAddress& allowedPeer, const WaitSet& waits,
                        std::chrono::milliseconds timeout,
                        const std::function<void(const SocketAddress&)>& rejected)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            throw SocketError::timedOut("waiting for the server's data connection");
        waits.wait(m_fd, WaitSet::Direction::Read, left, "waiting for the server's data connection");
        sockaddr_storage s{};
        socklen_t len = sizeof s;
        int fd = ::accept4(m_fd, reinterpret_cast<sockaddr*>(&s), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED)
                continue;
            throw SocketError::fromErrno(errno, "accept");
        }
        SocketAddress peer(reinterpret_cast<sockaddr*>(&s), len);
        if (peer.sameHost(allowedPeer))
            return fd;
        ::close(fd);
        if (rejected)
            rejected(peer);
    }
}

void TcpListener::close() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace ftp
