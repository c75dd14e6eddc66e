#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ftp/Reply.h"
#include "ftp/ReplyParser.h"
#include "ftp/Transport.h"

namespace ftp {

// The command/reply channel: writes command lines and reads whole replies from
// whatever transport is below (plain, then TLS after AUTH).
class ControlConnection final
{
public:
    struct Intercept
    {
        std::function<void(const std::string&)> sent;   // each command line as sent, without CRLF
        std::function<void(std::string_view)> received; // each piece of reply text as read
        std::function<void(const Reply&)> reply;        // each reply once complete, in order
    };

    ControlConnection(std::unique_ptr<Transport> transport, const Intercept& intercept);

    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    std::chrono::milliseconds replyTimeout() const { return m_replyTimeout; }

    // Refuses (ProtocolError, nothing sent) a line holding CR, LF or NUL: such a
    // line would smuggle a second command to the server.
    void send(const std::string& line);
    // The next reply; waits at most the reply time-out for all of it.
    Reply readReply();
    // Whether a reply (or part of one) is already here without reading.
    bool replyBuffered() const { return !m_replies.empty() || m_parser.hasBufferedData(); }
    // Whether bytes are waiting anywhere below: parser, TLS or socket.
    bool hasPendingInput() { return replyBuffered() || m_transport->hasPendingInput(); }

    Transport& transport() { return *m_transport; }
    std::unique_ptr<Transport> releaseTransport() { return std::move(m_transport); }
    void setTransport(std::unique_ptr<Transport> transport) { m_transport = std::move(transport); }
    int fd();

private:
    std::unique_ptr<Transport> m_transport;
    const Intercept& m_intercept;
    ReplyParser m_parser;
    std::deque<Reply> m_replies; // complete, shown to the intercept, not yet read
    std::chrono::milliseconds m_replyTimeout{60000};
};

} // namespace ftp
