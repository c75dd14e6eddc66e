#pragma once

#include <cstdint>
#include <string>

#include <sys/socket.h>

namespace ftp {

// An IPv4 or IPv6 socket address as the OS gives and takes it.
class SocketAddress final
{
public:
    SocketAddress() = default;
    SocketAddress(const sockaddr* address, socklen_t length);

    static SocketAddress ofSocketPeer(int fd);
    static SocketAddress ofSocketLocal(int fd);

    bool valid() const { return m_length != 0; }
    int family() const { return m_storage.ss_family; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&m_storage); }
    socklen_t length() const { return m_length; }

    std::uint16_t port() const;
    SocketAddress withPort(std::uint16_t port) const;
    // The numeric host ("127.0.0.1", "::1"); an IPv4-mapped IPv6 address is shown as IPv4.
    std::string host() const;
    // "127.0.0.1:21", "[::1]:21"
    std::string toString() const;
    // Same host, ports ignored; an IPv4-mapped IPv6 address equals its IPv4 form.
    bool sameHost(const SocketAddress& other) const;

private:
    sockaddr_storage m_storage{};
    socklen_t m_length = 0;
};

} // namespace ftp
