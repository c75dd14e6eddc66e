#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A TCP relay on 127.0.0.1 in front of a real server's control port, for tests
// of a server that drops an idle connection: dropAll() closes every relayed
// connection on both sides at once, as a server's idle time-out does. Data
// connections do not pass through it: they go to the control connection's peer
// address (127.0.0.1) and the server's passive port.
class EngineDroppingProxy final
{
public:
    EngineDroppingProxy(const std::string& host, int port)
        : m_target(host)
        , m_targetPort(port)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener, 8) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            ::pipe(m_wake) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~EngineDroppingProxy()
    {
        m_stop.store(true);
        wake();
        if (m_thread.joinable())
            m_thread.join();
        closeAll();
        for (int fd : {m_listener, m_wake[0], m_wake[1]})
            if (fd >= 0)
                ::close(fd);
    }
    EngineDroppingProxy(const EngineDroppingProxy&) = delete;
    EngineDroppingProxy& operator=(const EngineDroppingProxy&) = delete;

    int port() const { return m_port; }
    int accepted() const { return m_accepted.load(); }
    // Closes every connection relayed so far; returns once they are closed.
    void dropAll()
    {
        m_dropRequested.store(true);
        wake();
        while (m_dropRequested.load())
            std::this_thread::yield();
    }

private:
    struct Pair
    {
        int client;
        int server;
    };

    void wake() { (void)!::write(m_wake[1], "x", 1); }

    void closeAll()
    {
        for (const Pair& p : m_pairs) {
            ::shutdown(p.client, SHUT_RDWR);
            ::shutdown(p.server, SHUT_RDWR);
            ::close(p.client);
            ::close(p.server);
        }
        m_pairs.clear();
    }

    int connectTarget() const
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(m_targetPort));
        ::inet_pton(AF_INET, m_target.c_str(), &address.sin_addr);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            return fd;
        if (fd >= 0)
            ::close(fd);
        return -1;
    }

    // Copies what `from` has to `to`; false at the end of either.
    static bool relay(int from, int to)
    {
        char buffer[16384];
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        for (ssize_t sent = 0; sent < n;) {
            const ssize_t w = ::write(to, buffer + sent, static_cast<size_t>(n - sent));
            if (w <= 0)
                return false;
            sent += w;
        }
        return true;
    }

    void run()
    {
        while (!m_stop.load()) {
            std::vector<pollfd> fds{{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            for (const Pair& p : m_pairs) {
                fds.push_back({p.client, POLLIN, 0});
                fds.push_back({p.server, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 1000) < 0)
                continue;
            if (fds[1].revents != 0) {
                char drain[64];
                (void)!::read(m_wake[0], drain, sizeof drain);
            }
            if (m_dropRequested.load()) {
                closeAll();
                m_dropRequested.store(false);
                continue;
            }
            std::vector<Pair> keep;
            for (std::size_t i = 0; i < m_pairs.size(); ++i) {
                const Pair p = m_pairs[i];
                const short c = fds[2 + 2 * i].revents;
                const short s = fds[3 + 2 * i].revents;
                bool open = true;
                if (c != 0)
                    open = relay(p.client, p.server);
                if (open && s != 0)
                    open = relay(p.server, p.client);
                if (open) {
                    keep.push_back(p);
                } else {
                    ::close(p.client);
                    ::close(p.server);
                }
            }
            m_pairs = std::move(keep);
            if (fds[0].revents != 0) {
                const int client = ::accept(m_listener, nullptr, nullptr);
                const int server = client >= 0 ? connectTarget() : -1;
                if (server >= 0) {
                    m_pairs.push_back({client, server});
                    ++m_accepted;
                } else if (client >= 0) {
                    ::close(client);
                }
            }
        }
    }

    std::string m_target;
    int m_targetPort;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_dropRequested{false};
    std::atomic<int> m_accepted{0};
    std::vector<Pair> m_pairs; // the relay thread's
    std::thread m_thread;
};
