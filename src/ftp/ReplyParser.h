#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "ftp/Reply.h"

namespace ftp {

// Assembles replies from the bytes of a control connection, whatever way the bytes
// were split into reads. Pure: no socket, no clock.
//
// RFC 959 section 4.2: a reply is one line "xyz text", or several lines, the first
// "xyz-text" and the last "xyz text" with the same code; lines between may hold
// anything, including other codes followed by a space. LF alone ends a line too.
//
// Limits keep memory bounded against a hostile server; breaking one throws
// ProtocolError and the parser is unusable afterwards (the connection is closed).
class ReplyParser final
{
public:
    static constexpr std::size_t kMaxLineLength = 64 * 1024;
    static constexpr std::size_t kMaxReplyBytes = 1024 * 1024;
    static constexpr std::size_t kMaxReplyLines = 10000;

    void feed(std::string_view bytes);
    // The next complete reply, in the order the server sent them.
    std::optional<Reply> next();
    // Bytes of a reply (or line) not yet complete, or complete replies not taken.
    bool hasBufferedData() const { return !m_partialLine.empty() || m_current || !m_ready.empty(); }
    void clear();

private:
    void takeLine(std::string line);

    std::string m_partialLine;
    std::optional<Reply> m_current; // multi-line reply in progress
    std::size_t m_currentBytes = 0;
    std::deque<Reply> m_ready;
    bool m_failed = false;
};

} // namespace ftp
