#include "ftp/listing/LineTokens.h"

namespace ftp::listing {

LineTokens::LineTokens(std::string_view line)
    : m_line(line)
{
    std::size_t pos = 0;
    while (m_count < kMaxTokens) {
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos >= line.size())
            break;
        std::size_t start = pos;
        while (pos < line.size() && !isBlank(line[pos]))
            ++pos;
        m_tokens[m_count++] = Token{line.substr(start, pos - start), start};
    }
}

std::string_view LineTokens::afterOneBlank(std::size_t i) const
{
    std::size_t pos = m_tokens[i].end();
    if (pos < m_line.size())
        ++pos;
    return m_line.substr(pos);
}

std::string_view LineTokens::afterBlanks(std::size_t i) const
{
    std::size_t pos = m_tokens[i].end();
    while (pos < m_line.size() && isBlank(m_line[pos]))
        ++pos;
    return m_line.substr(pos);
}

} // namespace ftp::listing
