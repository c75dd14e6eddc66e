#include "ftp/SocketAddress.h"

#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace ftp {

namespace {

// The 4-byte IPv4 address behind an AF_INET or IPv4-mapped AF_INET6 address.
bool ipv4Of(const sockaddr_storage& s, in_addr& out)
{
    if (s.ss_family == AF_INET) {
        out = reinterpret_cast<const sockaddr_in&>(s).sin_addr;
        return true;
    }
    if (s.ss_family == AF_INET6) {
        const auto& a6 = reinterpret_cast<const sockaddr_in6&>(s).sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&a6)) {
            std::memcpy(&out, a6.s6_addr + 12, 4);
            return true;
        }
    }
    return false;
}

} // namespace

SocketAddress::SocketAddress(const sockaddr* address, socklen_t length)
{
    if (length > sizeof m_storage)
        length = sizeof m_storage;
    std::memcpy(&m_storage, address, length);
    m_length = length;
}

SocketAddress SocketAddress::ofSocketPeer(int fd)
{
    sockaddr_storage s{};
    socklen_t len = sizeof s;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&s), &len) != 0)
        return {};
    return SocketAddress(reinterpret_cast<sockaddr*>(&s), len);
}

SocketAddress SocketAddress::ofSocketLocal(int fd)
{
    sockaddr_storage s{};
    socklen_t len = sizeof s;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&s), &len) != 0)
        return {};
    return SocketAddress(reinterpret_cast<sockaddr*>(&s), len);
}

std::uint16_t SocketAddress::port() const
{
    if (m_storage.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(m_storage).sin_port);
    if (m_storage.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(m_storage).sin6_port);
    return 0;
}

SocketAddress SocketAddress::withPort(std::uint16_t port) const
{
    SocketAddress copy = *this;
    if (m_storage.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in&>(copy.m_storage).sin_port = htons(port);
    else if (m_storage.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6&>(copy.m_storage).sin6_port = htons(port);
    return copy;
}

std::string SocketAddress::host() const
{
    char buf[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    if (ipv4Of(m_storage, v4)) {
        ::inet_ntop(AF_INET, &v4, buf, sizeof buf);
        return buf;
    }
    if (m_storage.ss_family == AF_INET6) {
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(m_storage).sin6_addr, buf, sizeof buf);
        return buf;
    }
    return {};
}

std::string SocketAddress::toString() const
{
    std::string h = host();
    if (h.find(':') != std::string::npos)
        return "[" + h + "]:" + std::to_string(port());
    return h + ":" + std::to_string(port());
}

bool SocketAddress::sameHost(const SocketAddress& other) const
{
    in_addr a{}, b{};
    bool a4 = ipv4Of(m_storage, a);
    bool b4 = ipv4Of(other.m_storage, b);
    if (a4 || b4)
        return a4 && b4 && a.s_addr == b.s_addr;
    if (m_storage.ss_family != AF_INET6 || other.m_storage.ss_family != AF_INET6)
        return false;
    const auto& x = reinterpret_cast<const sockaddr_in6&>(m_storage);
    const auto& y = reinterpret_cast<const sockaddr_in6&>(other.m_storage);
    return std::memcmp(&x.sin6_addr, &y.sin6_addr, sizeof x.sin6_addr) == 0 &&
           (x.sin6_scope_id == y.sin6_scope_id || x.sin6_scope_id == 0 || y.sin6_scope_id == 0);
}

} // namespace ftp
