#include "support/ScriptedFtpServer.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/ScriptedSession.h"

namespace testsupport {

namespace {

std::string upper(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

std::string verbOf(const std::string& line)
{
    return upper(line.substr(0, line.find(' ')));
}

} // namespace

ScriptedFtpServer::ScriptedFtpServer(ServerOptions options)
    : m_identity(options.identity ? options.identity : TlsIdentity::shared())
    , m_host(options.ipv6 ? "::1" : "127.0.0.1")
    , m_settings(std::move(options.settings))
{
    // A client that vanishes mid-write must not kill the test process (OpenSSL writes
    // with plain write(), which raises SIGPIPE).
    std::signal(SIGPIPE, SIG_IGN);
    m_tlsContext = m_identity->makeServerContext();
    if (options.tls13Only) {
        SSL_CTX_set_min_proto_version(m_tlsContext, TLS1_3_VERSION);
        // Stateful tickets: OpenSSL removes a TLS 1.3 session from the cache when
        // it is resumed.
        SSL_CTX_set_options(m_tlsContext, SSL_OP_NO_TICKET);
    }
    if (!options.tls12Ciphers.empty()) {
        SSL_CTX_set_max_proto_version(m_tlsContext, TLS1_2_VERSION);
        if (SSL_CTX_set_cipher_list(m_tlsContext, options.tls12Ciphers.c_str()) != 1) {
            throw std::runtime_error("ScriptedFtpServer: unknown cipher list " + options.tls12Ciphers);
        }
    }
    if (::pipe(m_stopPipe) != 0) {
        throw std::runtime_error("ScriptedFtpServer: pipe failed");
    }
    sockaddr_storage address{};
    socklen_t length = 0;
    if (options.ipv6) {
        auto* a6 = reinterpret_cast<sockaddr_in6*>(&address);
        a6->sin6_family = AF_INET6;
        a6->sin6_addr = in6addr_loopback;
        length = sizeof(sockaddr_in6);
    } else {
        auto* a4 = reinterpret_cast<sockaddr_in*>(&address);
        a4->sin_family = AF_INET;
        a4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof(sockaddr_in);
    }
    m_listenFd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listenFd, 64) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const std::string error = std::strerror(errno);
        stop();
        throw std::runtime_error("ScriptedFtpServer: cannot listen on " + m_host + ": " + error);
    }
    m_port = ntohs(options.ipv6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

ScriptedFtpServer::~ScriptedFtpServer()
{
    stop();
}

void ScriptedFtpServer::stop()
{
    if (m_stopped) {
        return;
    }
    m_stopped = true;
    if (m_stopPipe[1] >= 0) {
        const char byte = 's';
        [[maybe_unused]] const ssize_t written = ::write(m_stopPipe[1], &byte, 1);
    }
    if (m_acceptThread.joinable()) {
        m_acceptThread.join();
    }
    // The accept thread is gone, so the list no longer grows.
    for (std::thread& thread : m_sessionThreads) {
        thread.join();
    }
    m_sessionThreads.clear();
    for (int* fd : {&m_listenFd, &m_stopPipe[0], &m_stopPipe[1]}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
    SSL_CTX_free(m_tlsContext);
    m_tlsContext = nullptr;
}

std::string ScriptedFtpServer::url(std::string_view path) const
{
    const std::string host = m_host.find(':') != std::string::npos ? "[" + m_host + "]" : m_host;
    return "ftp://" + host + ":" + std::to_string(m_port) + std::string(path);
}

void ScriptedFtpServer::acceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        const int id = ++m_sessionCount;
        ++m_openSessions;
        m_sessionThreads.emplace_back([this, id, fd] {
            {
                ScriptedSession session(*this, id, fd);
                session.run();
            }
            sessionEnded();
        });
    }
}

void ScriptedFtpServer::addOverride(Override override)
{
    {
        std::lock_guard lock(m_mutex);
        m_overrides.push_back(std::move(override));
    }
}

void ScriptedFtpServer::setGreeting(Override override)
{
    override.command.clear();
    addOverride(std::move(override));
}

void ScriptedFtpServer::clearOverrides()
{
    std::lock_guard lock(m_mutex);
    m_overrides.clear();
}

ServerSettings ScriptedFtpServer::settings() const
{
    std::lock_guard lock(m_mutex);
    return m_settings;
}

void ScriptedFtpServer::updateSettings(const std::function<void(ServerSettings&)>& change)
{
    std::lock_guard lock(m_mutex);
    change(m_settings);
}

void ScriptedFtpServer::setAccount(std::string user, std::string password)
{
    updateSettings([&](ServerSettings& s) {
        s.user = std::move(user);
        s.password = std::move(password);
    });
}

void ScriptedFtpServer::setFeatures(std::vector<std::string> lines)
{
    updateSettings([&](ServerSettings& s) { s.features = std::move(lines); });
}

void ScriptedFtpServer::setPasvReplyAddress(std::string ipv4)
{
    updateSettings([&](ServerSettings& s) { s.pasvReplyAddress = std::move(ipv4); });
}

std::vector<std::string> ScriptedFtpServer::commands() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines;
    for (const CommandRecord& record : m_transcript) {
        lines.push_back(record.line);
    }
    return lines;
}

std::vector<std::string> ScriptedFtpServer::commands(int session) const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> lines;
    for (const CommandRecord& record : m_transcript) {
        if (record.session == session) {
            lines.push_back(record.line);
        }
    }
    return lines;
}

std::vector<std::string> ScriptedFtpServer::verbs() const
{
    std::vector<std::string> result = commands();
    for (std::string& line : result) {
        line = verbOf(line);
    }
    return result;
}

std::vector<CommandRecord> ScriptedFtpServer::transcript() const
{
    std::lock_guard lock(m_mutex);
    return m_transcript;
}

std::string ScriptedFtpServer::conversation() const
{
    std::lock_guard lock(m_mutex);
    std::string text;
    for (const auto& [session, line] : m_conversation) {
        text += line.substr(0, 1) + std::to_string(session) + line.substr(1) + "\n";
    }
    return text;
}

int ScriptedFtpServer::sessionCount() const
{
    std::lock_guard lock(m_mutex);
    return m_sessionCount;
}

int ScriptedFtpServer::openSessionCount() const
{
    std::lock_guard lock(m_mutex);
    return m_openSessions;
}

std::optional<std::string> ScriptedFtpServer::uploaded(std::string_view path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_uploads.find(MemoryFileSystem::normalize("/", path));
    return it == m_uploads.end() ? std::nullopt : std::optional<std::string>(it->second);
}

DataStats ScriptedFtpServer::dataStats() const
{
    std::lock_guard lock(m_mutex);
    return m_dataStats;
}

void ScriptedFtpServer::clearTranscript()
{
    std::lock_guard lock(m_mutex);
    m_transcript.clear();
    m_conversation.clear();
    m_uploads.clear();
    m_dataStats = {};
}

void ScriptedFtpServer::forgetTlsSessions()
{
    // Sessions expire at their creation time plus their time-out; a flush at a
    // moment far ahead removes them all.
    SSL_CTX_flush_sessions(m_tlsContext, static_cast<long>(std::time(nullptr)) + 100000000L);
}

bool ScriptedFtpServer::waitUntil(const std::function<bool()>& predicate,
                                  std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::uint64_t seen = 0;
        {
            std::lock_guard lock(m_eventMutex);
            seen = m_generation;
        }
        // The predicate runs unlocked: it takes m_mutex through the accessors.
        if (predicate()) {
            return true;
        }
        std::unique_lock lock(m_eventMutex);
        if (!m_event.wait_until(lock, deadline, [&] { return m_generation != seen; })) {
            lock.unlock();
            return predicate();
        }
    }
}

bool ScriptedFtpServer::waitForCommand(std::string_view verb, int count,
                                       std::chrono::milliseconds timeout) const
{
    const std::string wanted = upper(verb);
    return waitUntil(
        [&] {
            const std::vector<std::string> seen = verbs();
            return std::count(seen.begin(), seen.end(), wanted) >= count;
        },
        timeout);
}

bool ScriptedFtpServer::waitForSessionsClosed(std::chrono::milliseconds timeout) const
{
    return waitUntil([&] { return openSessionCount() == 0; }, timeout);
}

std::optional<Override> ScriptedFtpServer::takeOverride(int session, std::string_view verb,
                                                        std::string_view argument)
{
    const std::string wanted = upper(verb);
    std::lock_guard lock(m_mutex);
    for (Override& candidate : m_overrides) {
        if (candidate.times == 0 || upper(candidate.command) != wanted ||
            (candidate.session > 0 && candidate.session != session) ||
            (candidate.argument && *candidate.argument != argument)) {
            continue;
        }
        if (candidate.times > 0) {
            --candidate.times;
        }
        return candidate;
    }
    return std::nullopt;
}

void ScriptedFtpServer::recordCommand(int session, std::string line)
{
    {
        std::lock_guard lock(m_mutex);
        m_conversation.emplace_back(session, "C> " + line);
        m_transcript.push_back(CommandRecord{session, std::move(line)});
    }
    notify();
}

void ScriptedFtpServer::recordReply(int session, std::string_view bytes)
{
    {
        std::lock_guard lock(m_mutex);
        std::size_t start = 0;
        while (start < bytes.size()) {
            std::size_t end = bytes.find('\n', start);
            end = end == std::string_view::npos ? bytes.size() : end + 1;
            std::string line(bytes.substr(start, end - start));
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
                line.pop_back();
            }
            m_conversation.emplace_back(session, "S> " + line);
            start = end;
        }
    }
    notify();
}

void ScriptedFtpServer::recordUpload(const std::string& path, std::string data)
{
    {
        std::lock_guard lock(m_mutex);
        m_uploads[path] = std::move(data);
    }
    notify();
}

void ScriptedFtpServer::recordDataConnection(bool tls, bool resumed)
{
    {
        std::lock_guard lock(m_mutex);
        ++m_dataStats.connections;
        m_dataStats.tlsConnections += tls ? 1 : 0;
        m_dataStats.resumedTlsSessions += resumed ? 1 : 0;
    }
    notify();
}

void ScriptedFtpServer::sessionEnded()
{
    {
        std::lock_guard lock(m_mutex);
        --m_openSessions;
    }
    notify();
}

void ScriptedFtpServer::notify()
{
    {
        std::lock_guard lock(m_eventMutex);
        ++m_generation;
    }
    m_event.notify_all();
}

} // namespace testsupport
