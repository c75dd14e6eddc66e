#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace ftp::listing {

struct Token
{
    std::string_view text;
    std::size_t begin = 0; // offset in the line
    std::size_t end() const { return begin + text.size(); }
};

// The whitespace-separated fields at the start of a listing line, with their
// offsets, so a parser can take a name as "the rest of the line" from any field
// on and keep the spaces inside it. Only the first kMaxTokens fields are split.
class LineTokens final
{
public:
    static constexpr std::size_t kMaxTokens = 24;

    explicit LineTokens(std::string_view line);

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    const Token& operator[](std::size_t i) const { return m_tokens[i]; }
    std::string_view text(std::size_t i) const { return m_tokens[i].text; }
    std::string_view line() const { return m_line; }

    // The line from the start of field i to its end.
    std::string_view restFrom(std::size_t i) const { return m_line.substr(m_tokens[i].begin); }
    // The line after field i, less exactly one separating blank: what a
    // column-aligned listing prints before a name that may itself start with blanks.
    std::string_view afterOneBlank(std::size_t i) const;
    // The line after field i, less all separating blanks.
    std::string_view afterBlanks(std::size_t i) const;

private:
    std::string_view m_line;
    std::array<Token, kMaxTokens> m_tokens; // only the first m_count are set
    std::size_t m_count = 0;
};

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace ftp::listing
