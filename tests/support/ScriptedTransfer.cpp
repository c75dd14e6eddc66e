#include "support/ScriptedSession.h"

#include <algorithm>
#include <vector>

#include "support/ScriptedFtpServer.h"

// The data side of the transfer commands: preliminary reply, data connection with
// the scripted fault, final reply.

namespace testsupport {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

} // namespace

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
                    static_cast<int>(settings.dataConnectTimeout.count()), error);
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
