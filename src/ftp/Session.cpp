#include "ftp/Session.h"

#include <algorithm>

#include "ftp/FtpError.h"

namespace ftp {

std::string commandVerb(const std::string& line)
{
    return line.substr(0, line.find(' '));
}

Session::Session()
{
    // Looked up at call time, so callers may change their callbacks between operations.
    m_intercept.sent = [this](const std::string& line) {
        if (callbacks.commandSent)
            callbacks.commandSent(line);
    };
    m_intercept.received = [this](std::string_view piece) {
        if (callbacks.replyReceived)
            callbacks.replyReceived(piece);
    };
    m_intercept.reply = [this](const Reply& reply) {
        if (callbacks.replyParsed)
            callbacks.replyParsed(reply);
    };
}

Session::~Session() = default;

WaitSet Session::controlWaits() const
{
    WaitSet w;
    w.addWaker(&abortWaker);
    return w;
}

WaitSet Session::dataWaits() const
{
    WaitSet w;
    w.addWaker(&abortWaker);
    w.addWaker(&dataWaker);
    return w;
}

void Session::status(ConnectionStatus kind, const std::string& text)
{
    if (auto cb = callbacks.status)
        cb(kind, text);
}

void Session::debug(const std::string& text)
{
    if (callbacks.debug)
        callbacks.debug(text);
}

template <class F>
auto Session::guarded(F&& f) -> decltype(f())
{
    requireConnected();
    try {
        return f();
    } catch (const ReplyError&) {
        throw;
    } catch (const AbortedError&) {
        drop();
        abortTaken();
        throw;
    } catch (const FtpError&) {
        drop();
        throw;
    }
}

void Session::requireConnected() const
{
    if (!control)
        throw SocketError(SocketError::kConnectionReset, 0, "Not connected");
}

void Session::send(const std::string& line)
{
    requireConnected();
    // Refusing a line with CR/LF/NUL leaves the connection usable: nothing was sent.
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        throw ProtocolError("Refused to send a command containing a line break or NUL character", false);
    guarded([&] { control->send(line); });
}

Reply Session::read()
{
    Reply reply = guarded([&] { return control->readReply(); });
    if (reply.code == 421) {
        // RFC 959: 421 means the server is closing the control connection.
        drop();
        throw ReplyError(reply.code, reply.text());
    }
    return reply;
}

Reply Session::command(const std::string& line)
{
    send(line);
    return read();
}

Reply Session::expect(const std::string& line, std::initializer_list<int> codes)
{
    Reply reply = command(line);
    if (std::find(codes.begin(), codes.end(), reply.code) == codes.end())
        throw ReplyError(reply.code, reply.text(), commandVerb(line));
    return reply;
}

void Session::drop() noexcept
{
    const bool was = control != nullptr;
    control.reset(); // before the TLS context its connection refers to
    tls.reset();
    features.clear();
    names.clear();
    certificate.reset();
    restSupported.reset();
    transferType.reset();
    tlsActive = false;
    epsvRefused = false;
    eprtRefused = false;
    dataWaker.reset();
    if (was) {
        try {
            status(ConnectionStatus::hsDisconnected);
        } catch (...) {
        }
    }
}

void Session::abortTaken() noexcept
{
    if (!abortWaker.triggered())
        return;
    drop();
    // An abort() that arrives from here on is meant for the next operation.
    abortWaker.reset();
}

} // namespace ftp
