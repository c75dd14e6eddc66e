#include "support/SocketChannel.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

SocketChannel::SocketChannel(int fd, int stopFd)
    : m_fd(fd)
    , m_stopFd(stopFd)
{
    if (m_fd >= 0) {
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    }
}

SocketChannel::~SocketChannel()
{
    close();
}

SocketChannel::Wait SocketChannel::wait(short events, int timeoutMs)
{
    if (m_fd < 0) {
        return Wait::Stopped;
    }
    pollfd fds[2] = {{m_fd, events, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || (fds[1].revents & POLLIN) != 0) {
            return Wait::Stopped;
        }
        if (n == 0) {
            return Wait::TimedOut;
        }
        return Wait::Ready; // POLLERR/POLLHUP surface in the following call
    }
}

bool SocketChannel::tlsRetry(int result, int timeoutMs)
{
    Wait outcome = Wait::Stopped;
    m_timedOut = false;
    switch (SSL_get_error(m_ssl, result)) {
    case SSL_ERROR_WANT_READ:
        outcome = wait(POLLIN, timeoutMs);
        break;
    case SSL_ERROR_WANT_WRITE:
        outcome = wait(POLLOUT, timeoutMs);
        break;
    default:
        return false;
    }
    m_timedOut = outcome == Wait::TimedOut;
    return outcome == Wait::Ready;
}

long SocketChannel::read(char* buffer, std::size_t size, int timeoutMs)
{
    if (m_fd < 0) {
        return -1;
    }
    if (m_ssl != nullptr) {
        for (;;) {
            ERR_clear_error();
            const int n = SSL_read(m_ssl, buffer, static_cast<int>(size));
            if (n > 0) {
                return n;
            }
            const int error = SSL_get_error(m_ssl, n);
            if (error == SSL_ERROR_ZERO_RETURN) {
                m_peerCloseNotify = true;
                return 0;
            }
            if (error == SSL_ERROR_SYSCALL || error == SSL_ERROR_SSL) {
                // A TCP end without close_notify reads as an end of stream here; the
                // caller tells it apart with peerSentCloseNotify().
                const bool eof = ERR_peek_error() == 0 ||
                                 ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
                m_error = "TLS read failed";
                return eof ? 0 : -1;
            }
            if (!tlsRetry(n, timeoutMs)) {
                return m_timedOut ? -2 : -1;
            }
        }
    }
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, size, 0);
        if (n >= 0) {
            return static_cast<long>(n);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_error = std::strerror(errno);
            return -1;
        }
        const Wait outcome = wait(POLLIN, timeoutMs);
        if (outcome != Wait::Ready) {
            return outcome == Wait::TimedOut ? -2 : -1;
        }
    }
}

bool SocketChannel::write(std::string_view data)
{
    while (!data.empty()) {
        if (m_fd < 0) {
            return false;
        }
        if (m_ssl != nullptr) {
            ERR_clear_error();
            const int n = SSL_write(m_ssl, data.data(), static_cast<int>(data.size()));
            if (n > 0) {
                data.remove_prefix(static_cast<std::size_t>(n));
            } else if (!tlsRetry(n, 30000)) {
                m_error = "TLS write failed";
                return false;
            }
            continue;
        }
        const ssize_t n = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (wait(POLLOUT, 30000) != Wait::Ready) {
                return false;
            }
        } else {
            m_error = std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool SocketChannel::readable()
{
    if (m_ssl != nullptr && SSL_pending(m_ssl) > 0) {
        return true;
    }
    return wait(POLLIN, 0) == Wait::Ready;
}

SocketChannel::Wait SocketChannel::waitReadable(int timeoutMs)
{
    if (m_ssl != nullptr && SSL_pending(m_ssl) > 0) {
        return Wait::Ready;
    }
    return wait(POLLIN, timeoutMs);
}

bool SocketChannel::startTls(SSL_CTX* ctx, int timeoutMs, int tickets)
{
    m_ssl = SSL_new(ctx);
    SSL_set_fd(m_ssl, m_fd);
    if (tickets >= 0) {
        SSL_set_num_tickets(m_ssl, static_cast<std::size_t>(tickets));
    }
    for (;;) {
        ERR_clear_error();
        const int n = SSL_accept(m_ssl);
        if (n == 1) {
            return true;
        }
        if (!tlsRetry(n, timeoutMs)) {
            char detail[256] = {};
            ERR_error_string_n(ERR_peek_error(), detail, sizeof detail);
            m_error = std::string("TLS handshake failed: ") + detail;
            return false;
        }
    }
}

bool SocketChannel::tlsSessionReused() const
{
    return m_ssl != nullptr && SSL_session_reused(m_ssl) == 1;
}

void SocketChannel::closeTls(bool waitForPeer, int timeoutMs)
{
    if (m_ssl == nullptr || m_fd < 0) {
        return;
    }
    for (int round = 0; round < 4; ++round) {
        ERR_clear_error();
        const int n = SSL_shutdown(m_ssl);
        if (n == 1 || (n == 0 && !waitForPeer)) {
            return;
        }
        if (n == 0) {
            // Our close_notify is out; read until the peer's arrives or the stream ends.
            char sink[4096];
            while (read(sink, sizeof sink, timeoutMs) > 0) {
            }
            return;
        }
        if (!tlsRetry(n, timeoutMs)) {
            return;
        }
    }
}

void SocketChannel::finishSending()
{
    if (m_fd < 0) {
        return;
    }
    if (m_ssl != nullptr) {
        ERR_clear_error();
        SSL_shutdown(m_ssl);
    }
    ::shutdown(m_fd, SHUT_WR);
}

void SocketChannel::close()
{
    if (m_ssl != nullptr) {
        SSL_free(m_ssl);
        m_ssl = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace testsupport
