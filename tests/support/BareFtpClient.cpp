#include "support/BareFtpClient.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace testsupport {

namespace {

int connectTo(const std::string& host, int port, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    return fd;
}

} // namespace

BareFtpClient::BareFtpClient(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{}

BareFtpClient::~BareFtpClient()
{
    dataClose();
    SSL_free(m_ssl);
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    SSL_CTX_free(m_ctx);
}

bool BareFtpClient::connect(const std::string& host, int port)
{
    m_host = host;
    m_fd = connectTo(host, port, m_timeoutMs);
    return m_fd >= 0;
}

long BareFtpClient::readSome(bool data, char* buffer, std::size_t size)
{
    SSL* ssl = data ? m_dataSsl : m_ssl;
    const int fd = data ? m_dataFd : m_fd;
    if (fd < 0) {
        return -1;
    }
    if (ssl != nullptr) {
        const int n = SSL_read(ssl, buffer, static_cast<int>(size));
        return n > 0 ? n : (SSL_get_error(ssl, n) == SSL_ERROR_ZERO_RETURN ? 0 : -1);
    }
    return ::recv(fd, buffer, size, 0);
}

bool BareFtpClient::writeAll(bool data, std::string_view bytes)
{
    SSL* ssl = data ? m_dataSsl : m_ssl;
    const int fd = data ? m_dataFd : m_fd;
    while (!bytes.empty() && fd >= 0) {
        const long n = ssl != nullptr ? SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size()))
                                      : ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return bytes.empty();
}

BareFtpClient::Reply BareFtpClient::readReply()
{
    Reply reply;
    std::string code;
    for (;;) {
        const std::size_t end = m_buffer.find('\n');
        if (end == std::string::npos) {
            char chunk[4096];
            const long n = readSome(false, chunk, sizeof chunk);
            if (n <= 0) {
                return Reply{0, reply.text};
            }
            m_buffer.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        std::string line = m_buffer.substr(0, end);
        m_buffer.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        reply.text += (reply.text.empty() ? "" : "\n") + line;
        if (code.empty()) {
            code = line.substr(0, 3);
        }
        // RFC 959 4.2: the reply ends with a line of the same code followed by a space.
        if (line.size() >= 3 && line.compare(0, 3, code) == 0 && (line.size() == 3 || line[3] == ' ')) {
            reply.code = std::atoi(code.c_str());
            return reply;
        }
    }
}

std::string BareFtpClient::readBytes(std::size_t size)
{
    std::string result = m_buffer.substr(0, size);
    m_buffer.erase(0, result.size());
    while (result.size() < size) {
        char chunk[4096];
        const long n = readSome(false, chunk, std::min(sizeof chunk, size - result.size()));
        if (n <= 0) {
            break;
        }
        result.append(chunk, static_cast<std::size_t>(n));
    }
    return result;
}

std::string BareFtpClient::readOnce()
{
    if (!m_buffer.empty()) {
        return std::exchange(m_buffer, {});
    }
    char chunk[4096];
    const long n = readSome(false, chunk, sizeof chunk);
    return n > 0 ? std::string(chunk, static_cast<std::size_t>(n)) : std::string();
}

bool BareFtpClient::sendRaw(std::string_view bytes)
{
    return writeAll(false, bytes);
}

BareFtpClient::Reply BareFtpClient::command(std::string_view line)
{
    if (!writeAll(false, std::string(line) + "\r\n")) {
        return {};
    }
    return readReply();
}

bool BareFtpClient::startTls()
{
    if (m_ctx == nullptr) {
        m_ctx = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
        SSL_CTX_set_session_cache_mode(m_ctx, SSL_SESS_CACHE_CLIENT);
    }
    m_ssl = SSL_new(m_ctx);
    SSL_set_fd(m_ssl, m_fd);
    SSL_set_tlsext_host_name(m_ssl, m_host.c_str());
    return SSL_connect(m_ssl) == 1;
}

std::string BareFtpClient::fingerprint() const
{
    X509* certificate = m_ssl != nullptr ? SSL_get1_peer_certificate(m_ssl) : nullptr;
    if (certificate == nullptr) {
        return {};
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(certificate, EVP_sha256(), digest, &length);
    X509_free(certificate);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}

bool BareFtpClient::openPassive(bool extended)
{
    dataClose();
    const Reply reply = command(extended ? "EPSV" : "PASV");
    int port = 0;
    if (extended && reply.code == 229) {
        const std::size_t open = reply.text.find("(|||");
        port = open == std::string::npos ? 0 : std::atoi(reply.text.c_str() + open + 4);
    } else if (!extended && reply.code == 227) {
        int h[4];
        int p[2];
        const std::size_t open = reply.text.find('(');
        if (open != std::string::npos && std::sscanf(reply.text.c_str() + open + 1, "%d,%d,%d,%d,%d,%d",
                                                     &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) == 6) {
            port = p[0] * 256 + p[1];
        }
    }
    if (port <= 0) {
        return false;
    }
    // The address in the reply is not trusted: the data goes to the control peer.
    m_dataFd = connectTo(m_host, port, m_timeoutMs);
    return m_dataFd >= 0;
}

bool BareFtpClient::dataStartTls()
{
    m_dataSsl = SSL_new(m_ctx);
    SSL_set_fd(m_dataSsl, m_dataFd);
    SSL_set_tlsext_host_name(m_dataSsl, m_host.c_str());
    if (SSL_SESSION* session = SSL_get1_session(m_ssl)) {
        SSL_set_session(m_dataSsl, session);
        SSL_SESSION_free(session);
    }
    return SSL_connect(m_dataSsl) == 1;
}

bool BareFtpClient::dataSessionReused() const
{
    return m_dataSsl != nullptr && SSL_session_reused(m_dataSsl) == 1;
}

std::string BareFtpClient::dataReadAll()
{
    std::string result;
    char chunk[65536];
    long n = 0;
    while ((n = readSome(true, chunk, sizeof chunk)) > 0) {
        result.append(chunk, static_cast<std::size_t>(n));
    }
    return result;
}

bool BareFtpClient::dataWrite(std::string_view bytes)
{
    return writeAll(true, bytes);
}

void BareFtpClient::dataClose()
{
    if (m_dataSsl != nullptr) {
        if (SSL_shutdown(m_dataSsl) == 0) {
            char sink[4096];
            while (SSL_read(m_dataSsl, sink, sizeof sink) > 0) {
            }
        }
        SSL_free(m_dataSsl);
        m_dataSsl = nullptr;
    }
    if (m_dataFd >= 0) {
        ::close(m_dataFd);
        m_dataFd = -1;
    }
}

} // namespace testsupport
