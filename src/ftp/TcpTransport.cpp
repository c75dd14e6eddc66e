#include "ftp/TcpTransport.h"

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ftp/FtpError.h"

namespace ftp {

namespace {

void setNonBlocking(int fd)
{
    int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

} // namespace

TcpTransport::TcpTransport(WaitSet waits)
    : m_waits(std::move(waits))
{}

TcpTransport::~TcpTransport()
{
    close();
}

std::vector<SocketAddress> TcpTransport::resolve(const std::string& host, std::uint16_t port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0)
        throw SocketError::fromResolver(rc, host);
    std::vector<SocketAddress> out;
    for (addrinfo* a = list; a; a = a->ai_next)
        out.emplace_back(a->ai_addr, a->ai_addrlen);
    ::freeaddrinfo(list);
    if (out.empty())
        throw SocketError::fromResolver(EAI_NONAME, host);
    return out;
}

void TcpTransport::connect(const std::vector<SocketAddress>& addresses, std::chrono::milliseconds timeout)
{
    std::optional<SocketError> last;
    for (const auto& address : addresses) {
        try {
            connectOne(address, timeout);
            return;
        } catch (const SocketError& e) {
            last = e;
        }
    }
    if (last)
        throw *last;
    throw SocketError::fromErrno(EADDRNOTAVAIL, "connect");
}

void TcpTransport::connectOne(const SocketAddress& address, std::chrono::milliseconds timeout)
{
    close();
    m_fd = ::socket(address.family(), SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (m_fd < 0)
        throw SocketError::fromErrno(errno, "socket");
    if (::connect(m_fd, address.get(), address.length()) != 0) {
        if (errno != EINPROGRESS) {
            int err = errno;
            close();
            throw SocketError::fromErrno(err, "connect to " + address.toString());
        }
        try {
            m_waits.wait(m_fd, WaitSet::Direction::Write, timeout, "connect");
        } catch (...) {
            close();
            throw;
        }
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) {
            close();
            throw SocketError::fromErrno(err, "connect to " + address.toString());
        }
    }
}

void TcpTransport::adopt(int fd)
{
    close();
    m_fd = fd;
    setNonBlocking(m_fd);
}

void TcpTransport::setNoDelay()
{
    int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void TcpTransport::waitReadable()
{
    m_waits.wait(m_fd, WaitSet::Direction::Read, m_ioTimeout, "read");
}

void TcpTransport::waitWritable()
{
    m_waits.wait(m_fd, WaitSet::Direction::Write, m_ioTimeout, "write");
}

std::size_t TcpTransport::read(char* buffer, std::size_t size)
{
    if (m_fd < 0)
        throw SocketError::fromErrno(ENOTCONN, "read");
    for (;;) {
        if (m_waits.aborted())
            throw AbortedError();
        ssize_t n = ::recv(m_fd, buffer, size, 0);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            throw SocketError::fromErrno(errno, "read");
        waitReadable();
    }
}

void TcpTransport::write(const char* data, std::size_t size)
{
    if (m_fd < 0)
        throw SocketError::fromErrno(ENOTCONN, "write");
    while (size > 0) {
        if (m_waits.aborted())
            throw AbortedError();
        ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            throw SocketError::fromErrno(errno, "write");
        waitWritable();
    }
}

void TcpTransport::shutdownWrite() noexcept
{
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_WR);
}

void TcpTransport::finish()
{
    close();
}

void TcpTransport::close() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool TcpTransport::hasPendingInput()
{
    if (m_fd < 0)
        return false;
    int available = 0;
    return ::ioctl(m_fd, FIONREAD, &available) == 0 && available > 0;
}

} // namespace ftp
