#include "support/DataChannel.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Polls fd and the stop descriptor; true when fd is ready.
bool waitFor(int fd, short events, int stopFd, int timeoutMs)
{
    pollfd fds[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n > 0 && (fds[1].revents & POLLIN) == 0;
    }
}

} // namespace

DataChannel::DataChannel(int stopFd)
    : m_stopFd(stopFd)
{}

DataChannel::~DataChannel()
{
    reset();
}

void DataChannel::reset()
{
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
    m_activeHost.clear();
    m_activePort = 0;
}

std::uint16_t DataChannel::listen(const sockaddr_storage& localAddress)
{
    reset();
    sockaddr_storage address = localAddress;
    socklen_t length = address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (address.ss_family == AF_INET6) {
        reinterpret_cast<sockaddr_in6*>(&address)->sin6_port = 0;
    } else {
        reinterpret_cast<sockaddr_in*>(&address)->sin_port = 0;
    }
    m_listenFd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listenFd, 4) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        reset();
        return 0;
    }
    return ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                               : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

bool DataChannel::setActive(const std::string& host, std::uint16_t port)
{
    reset();
    if (port == 0) {
        return false;
    }
    m_activeHost = host;
    m_activePort = port;
    return true;
}

std::unique_ptr<SocketChannel> DataChannel::open(SSL_CTX* tls, int timeoutMs, std::string& error, int tickets)
{
    int fd = -1;
    if (m_listenFd >= 0) {
        if (!waitFor(m_listenFd, POLLIN, m_stopFd, timeoutMs)) {
            error = "no data connection arrived";
            return nullptr;
        }
        fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            error = std::string("accept: ") + std::strerror(errno);
            return nullptr;
        }
    } else if (m_activePort != 0) {
        addrinfo hints{};
        hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(m_activeHost.c_str(), std::to_string(m_activePort).c_str(), &hints, &found) != 0) {
            error = "bad active address " + m_activeHost;
            return nullptr;
        }
        fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        int result = fd < 0 ? -1 : ::connect(fd, found->ai_addr, found->ai_addrlen);
        ::freeaddrinfo(found);
        if (result != 0 && errno == EINPROGRESS && waitFor(fd, POLLOUT, m_stopFd, timeoutMs)) {
            socklen_t length = sizeof result;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length);
            errno = result;
        }
        if (result != 0) {
            error = std::string("connect: ") + std::strerror(errno);
            if (fd >= 0) {
                ::close(fd);
            }
            return nullptr;
        }
    } else {
        error = "no PASV or PORT before the transfer";
        return nullptr;
    }
    auto channel = std::make_unique<SocketChannel>(fd, m_stopFd);
    if (tls != nullptr && !channel->startTls(tls, timeoutMs, tickets)) {
        error = channel->lastError();
        return nullptr;
    }
    return channel;
}

} // namespace testsupport
