#pragma once

#include <cstdint>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

// A TCP port on 127.0.0.1 that takes connections and never says a word: the
// kernel completes the handshake from the listen backlog, nobody accepts or sends.
// With `fullBacklog` the backlog is full, so a further connect gets no answer at
// all (Linux drops the SYN), as from a host that is unreachable.
class SilentServer final
{
public:
    explicit SilentServer(bool fullBacklog = false)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_fd, fullBacklog ? 0 : 16) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("silent server: no listening socket");
        m_port = ntohs(address.sin_port);
        if (fullBacklog) {
            // A backlog of 0 holds one connection; this one fills it.
            m_filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (m_filler < 0 || ::connect(m_filler, reinterpret_cast<sockaddr*>(&address), length) != 0)
                throw std::runtime_error("silent server: the backlog could not be filled");
        }
    }
    ~SilentServer()
    {
        if (m_filler >= 0)
            ::close(m_filler);
        ::close(m_fd);
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    int m_filler = -1;
    std::uint16_t m_port = 0;
};

} // namespace testsupport
