#include "ftp/ReplyParser.h"

#include "ftp/FtpError.h"

namespace ftp {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The code at the start of a line, or -1.
int codeOf(const std::string& line)
{
    if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2]))
        return -1;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

} // namespace

std::string Reply::text() const
{
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (i)
            out += '\n';
        // Lines carrying the reply's code lose it and its separator; inner lines
        // of a multi-line reply are kept as they are, less one leading space.
        if (codeOf(l) == code && (l.size() == 3 || l[3] == ' ' || l[3] == '-'))
            out += l.size() > 4 ? l.substr(4) : std::string();
        else
            out += (!l.empty() && l[0] == ' ') ? l.substr(1) : l;
    }
    return out;
}

void ReplyParser::clear()
{
    m_partialLine.clear();
    m_current.reset();
    m_currentBytes = 0;
    m_ready.clear();
    m_failed = false;
}

void ReplyParser::feed(std::string_view bytes)
{
    if (m_failed)
        throw ProtocolError("Control connection is out of step with the server", false);
    try {
        while (!bytes.empty()) {
            std::size_t lf = bytes.find('\n');
            std::string_view piece = lf == std::string_view::npos ? bytes : bytes.substr(0, lf);
            if (piece.find('\0') != std::string_view::npos)
                throw ProtocolError("The server sent a NUL byte in a reply", false);
            if (m_partialLine.size() + piece.size() > kMaxLineLength)
                throw ProtocolError("The server sent a reply line longer than 64 KiB", false);
            m_partialLine.append(piece);
            if (lf == std::string_view::npos)
                break;
            bytes.remove_prefix(lf + 1);
            std::string line = std::move(m_partialLine);
            m_partialLine.clear();
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            takeLine(std::move(line));
        }
    } catch (const ProtocolError&) {
        m_failed = true;
        throw;
    }
}

void ReplyParser::takeLine(std::string line)
{
    if (!m_current) {
        int code = codeOf(line);
        // A first line is "xyz", "xyz text" or "xyz-text", x from 1 to 6 (RFC 2228
        // adds the 6yz protected replies).
        if (code < 100 || code >= 700 || (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
            throw ProtocolError("The server sent a malformed reply: \"" + line.substr(0, 80) + "\"", false);
        Reply reply;
        reply.code = code;
        const bool multi = line.size() > 3 && line[3] == '-';
        m_currentBytes = line.size();
        reply.lines.push_back(std::move(line));
        if (multi)
            m_current = std::move(reply);
        else
            m_ready.push_back(std::move(reply));
        return;
    }
    m_currentBytes += line.size() + 1;
    if (m_currentBytes > kMaxReplyBytes)
        throw ProtocolError("The server sent a reply larger than 1 MiB", false);
    if (m_current->lines.size() + 1 > kMaxReplyLines)
        throw ProtocolError("The server sent a reply of more than 10,000 lines", false);
    const bool last = codeOf(line) == m_current->code && line.size() >= 4 && line[3] == ' ';
    m_current->lines.push_back(std::move(line));
    if (last) {
        m_ready.push_back(std::move(*m_current));
        m_current.reset();
        m_currentBytes = 0;
    }
}

std::optional<Reply> ReplyParser::next()
{
    if (m_ready.empty())
        return std::nullopt;
    Reply r = std::move(m_ready.front());
    m_ready.pop_front();
    return r;
}

} // namespace ftp
