#include "ftp/ControlConnection.h"

#include "ftp/FtpError.h"
#include "ftp/TcpTransport.h"

namespace ftp {

ControlConnection::ControlConnection(std::unique_ptr<Transport> transport, const Intercept& intercept)
    : m_transport(std::move(transport))
    , m_intercept(intercept)
{}

int ControlConnection::fd()
{
    return m_transport ? m_transport->tcp().fd() : -1;
}

void ControlConnection::send(const std::string& line)
{
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        throw ProtocolError("Refused to send a command containing a line break or NUL character", false);
    std::string wire = line + "\r\n";
    m_transport->write(wire.data(), wire.size());
    if (m_intercept.sent)
        m_intercept.sent(line);
}

Reply ControlConnection::readReply()
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + m_replyTimeout;
    TcpTransport& tcp = m_transport->tcp();
    const auto savedTimeout = tcp.ioTimeout();
    char buffer[16384];
    for (;;) {
        if (!m_replies.empty()) {
            tcp.setIoTimeout(savedTimeout);
            Reply reply = std::move(m_replies.front());
            m_replies.pop_front();
            return reply;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            tcp.setIoTimeout(savedTimeout);
            throw SocketError::timedOut("waiting for the server's reply");
        }
        tcp.setIoTimeout(left);
        std::size_t n = 0;
        try {
            n = m_transport->read(buffer, sizeof buffer);
        } catch (const SocketError& e) {
            tcp.setIoTimeout(savedTimeout);
            if (e.code() == SocketError::kTimedOut)
                throw SocketError::timedOut("waiting for the server's reply");
            throw;
        } catch (...) {
            tcp.setIoTimeout(savedTimeout);
            throw;
        }
        if (n == 0) {
            tcp.setIoTimeout(savedTimeout);
            throw SocketError(SocketError::kConnectionReset, 0, "The server closed the control connection");
        }
        std::string_view piece(buffer, n);
        if (m_intercept.received)
            m_intercept.received(piece);
        m_parser.feed(piece);
        // Each reply goes to the intercept when it is complete, even when the
        // caller reads it later or never (a connection dropped after it).
        while (std::optional<Reply> reply = m_parser.next()) {
            if (m_intercept.reply)
                m_intercept.reply(*reply);
            m_replies.push_back(std::move(*reply));
        }
    }
}

} // namespace ftp
