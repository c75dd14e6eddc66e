#include "support/ScriptedSession.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>

#include "support/ScriptedFtpServer.h"

// The data side of a session: PASV/EPSV/PORT/EPRT, and for the transfer commands the
// preliminary reply, the data connection with the scripted fault, the final reply.

namespace testsupport {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

std::string upper(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

void ScriptedSession::cmdPasv(const std::string&)
{
    if (m_localAddress.ss_family != AF_INET) {
        reply(425, "Use EPSV over IPv6.");
        return;
    }
    const std::uint16_t port = m_data.listen(m_localAddress);
    std::string address = m_server.settings().pasvReplyAddress;
    if (address.empty()) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&m_localAddress)->sin_addr, text, sizeof text);
        address = text;
    }
    std::replace(address.begin(), address.end(), '.', ',');
    if (port == 0) {
        reply(425, "Cannot open passive connection.");
        return;
    }
    reply(227, "Entering Passive Mode (" + address + "," + std::to_string(port / 256) + "," +
                   std::to_string(port % 256) + ").");
}

void ScriptedSession::cmdEpsv(const std::string& argument)
{
    if (upper(argument) == "ALL") {
        reply(200, "EPSV ALL ok.");
        return;
    }
    const std::uint16_t port = m_data.listen(m_localAddress);
    port == 0 ? reply(425, "Cannot open passive connection.")
              : reply(229, "Entering Extended Passive Mode (|||" + std::to_string(port) + "|)");
}

void ScriptedSession::cmdPort(const std::string& argument)
{
    int n[6] = {};
    char tail = 0;
    if (std::sscanf(argument.c_str(), "%d,%d,%d,%d,%d,%d%c", &n[0], &n[1], &n[2], &n[3], &n[4], &n[5],
                    &tail) != 6 ||
        std::any_of(std::begin(n), std::end(n), [](int v) { return v < 0 || v > 255; })) {
        reply(501, "Illegal PORT command.");
        return;
    }
    const std::string host = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) +
                             "." + std::to_string(n[3]);
    m_data.setActive(host, static_cast<std::uint16_t>(n[4] * 256 + n[5]))
        ? reply(200, "PORT command successful.")
        : reply(501, "Illegal PORT command.");
}

void ScriptedSession::cmdEprt(const std::string& argument)
{
    // RFC 2428: EPRT <d><proto><d><address><d><port><d>
    if (argument.size() < 7) {
        reply(501, "Illegal EPRT command.");
        return;
    }
    const char d = argument[0];
    const std::size_t a = argument.find(d, 1);
    const std::size_t b = a == std::string::npos ? a : argument.find(d, a + 1);
    const std::size_t c = b == std::string::npos ? b : argument.find(d, b + 1);
    if (c == std::string::npos || c + 1 != argument.size()) {
        reply(501, "Illegal EPRT command.");
        return;
    }
    const std::string protocol = argument.substr(1, a - 1);
    const std::string port = argument.substr(b + 1, c - b - 1);
    if (protocol != "1" && protocol != "2") {
        reply(522, "Network protocol not supported, use (1,2)");
        return;
    }
    const long number = port.empty() || port.size() > 5 ? 0 : std::strtol(port.c_str(), nullptr, 10);
    number <= 0 || number > 65535 ||
            !m_data.setActive(argument.substr(a + 1, b - a - 1), static_cast<std::uint16_t>(number))
        ? reply(501, "Illegal EPRT command.")
        : reply(200, "EPRT command successful.");
}

std::unique_ptr<SocketChannel> ScriptedSession::openData(const DataFault& fault)
{
    const ServerSettings settings = m_server.settings();
    m_lingering.reset();
    if (fault.kind == DataFaultKind::NeverOpen) {
        // Nothing accepts and nothing connects; the client's wait is what is tested.
        if (fault.finalDelay.count() > 0) {
            pause(fault.finalDelay);
        } else {
            m_control.waitReadable(-1);
        }
        m_data.reset();
        finalReply(fault, 425, "Can't open data connection.");
        return nullptr;
    }
    std::string error;
    std::unique_ptr<SocketChannel> channel =
        m_data.open(m_protectData ? m_server.tlsContext() : nullptr,
                    static_cast<int>(settings.dataConnectTimeout.count()), error,
                    settings.ticketsOnDataConnections ? -1 : 0);
    m_data.reset();
    if (!channel) {
        reply(425, "Can't open data connection.");
        return nullptr;
    }
    m_server.recordDataConnection(channel->tlsActive(), channel->tlsSessionReused());
    if (channel->tlsActive() && settings.requireTlsSessionReuse && !channel->tlsSessionReused()) {
        channel->close();
        reply(522, "SSL connection failed: session reuse required");
        return nullptr;
    }
    return channel;
}

void ScriptedSession::finalReply(const DataFault& fault, int defaultCode, std::string_view defaultText)
{
    const int code = fault.finalCode == 0 ? defaultCode : fault.finalCode;
    if (code < 0) {
        return;
    }
    if (!fault.finalText.empty()) {
        reply(code, fault.finalText);
    } else if (code == defaultCode) {
        reply(code, defaultText);
    } else {
        reply(code, code / 100 == 2 ? "Transfer complete." : "Transfer failed.");
    }
}

void ScriptedSession::throttle(const DataFault& fault, std::int64_t done,
                               std::chrono::steady_clock::time_point start)
{
    if (fault.bytesPerSecond <= 0) {
        return;
    }
    const auto due = start + std::chrono::milliseconds(done * 1000 / fault.bytesPerSecond);
    const auto now = std::chrono::steady_clock::now();
    if (due > now) {
        pause(std::chrono::duration_cast<std::chrono::milliseconds>(due - now));
    }
}

void ScriptedSession::sendData(std::string body)
{
    if (!m_data.configured()) {
        reply(425, "Use PORT or PASV first.");
        return;
    }
    const DataFault fault = m_modifiers ? m_modifiers->data : DataFault{};
    reply(150,
          m_type == 'A' ? "Opening ASCII mode data connection." : "Opening BINARY mode data connection.");
    std::unique_ptr<SocketChannel> data = openData(fault);
    if (!data) {
        return;
    }
    const bool cut = fault.kind == DataFaultKind::CutAfter || fault.kind == DataFaultKind::StallAfter;
    const std::size_t limit =
        cut ? std::min<std::size_t>(static_cast<std::size_t>(std::max<std::int64_t>(fault.bytes, 0)),
                                    body.size())
            : body.size();
    std::size_t block = kBlock;
    if (fault.bytesPerSecond > 0) {
        block = std::clamp<std::size_t>(static_cast<std::size_t>(fault.bytesPerSecond / 20), 1, kBlock);
    }
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t done = 0; done < limit;) {
        if (abortPending()) {
            data->close();
            reply(426, "Transfer aborted.");
            return;
        }
        const std::size_t n = std::min(block, limit - done);
        if (!data->write(std::string_view(body).substr(done, n))) {
            data->close();
            reply(426, "Connection closed; transfer aborted.");
            return;
        }
        done += n;
        throttle(fault, static_cast<std::int64_t>(done), start);
    }
    if (fault.kind == DataFaultKind::CutAfter) {
        if (fault.tlsCloseNotify) {
            data->closeTls(false, 1000);
        }
        data->close();
        finalReply(fault, 426, "Connection closed; transfer aborted.");
        return;
    }
    if (fault.kind == DataFaultKind::StallAfter) {
        // Silent until the client gives up on the data connection or aborts.
        while (!abortPending()) {
            const SocketChannel::Wait state = data->waitReadable(50);
            if (state == SocketChannel::Wait::Stopped) {
                break;
            }
            char sink[4096];
            const long n = state == SocketChannel::Wait::Ready ? data->read(sink, sizeof sink, 0) : -2;
            if (n == 0 || n == -1) {
                break; // the client closed the data connection
            }
        }
        data->close();
        finalReply(fault, 426, "Transfer aborted.");
        return;
    }
    data->finishSending();
    m_lingering = std::move(data);
    reply(226, "Transfer complete.");
}

void ScriptedSession::receiveData(const std::function<void(const std::string&)>& store)
{
    if (!m_data.configured()) {
        reply(425, "Use PORT or PASV first.");
        return;
    }
    const DataFault fault = m_modifiers ? m_modifiers->data : DataFault{};
    reply(150, "Ok to send data.");
    std::unique_ptr<SocketChannel> data = openData(fault);
    if (!data) {
        return;
    }
    const bool cut = fault.kind == DataFaultKind::CutAfter || fault.kind == DataFaultKind::StallAfter;
    const std::size_t limit =
        cut ? static_cast<std::size_t>(std::max<std::int64_t>(fault.bytes, 0)) : SIZE_MAX;
    std::string received;
    std::vector<char> buffer(kBlock);
    bool failed = false;
    const auto start = std::chrono::steady_clock::now();
    while (received.size() < limit) {
        const long n = data->read(buffer.data(), std::min(buffer.size(), limit - received.size()), 200);
        if (n == -2) {
            if (abortPending()) {
                data->close();
                store(received);
                reply(426, "Transfer aborted.");
                return;
            }
            continue;
        }
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        received.append(buffer.data(), static_cast<std::size_t>(n));
        throttle(fault, static_cast<std::int64_t>(received.size()), start);
    }
    if (cut && received.size() >= limit) {
        // Stalling an upload: stop reading and let the client's writes back up.
        while (fault.kind == DataFaultKind::StallAfter && !abortPending() && pause(50ms)) {
        }
        data->close();
        store(received);
        finalReply(fault, 426, "Failure reading network stream.");
        return;
    }
    const bool unclean = data->tlsActive() && !data->peerSentCloseNotify();
    if (data->tlsActive() && !unclean) {
        data->closeTls(false, 1000); // answers the client's close_notify
    }
    data->close();
    store(received);
    if (failed || (unclean && m_server.settings().requireUploadCloseNotify)) {
        reply(426, "Failure reading network stream.");
    } else {
        reply(226, "Transfer complete.");
    }
}

} // namespace testsupport
