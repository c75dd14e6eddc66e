#include "ftp/ReplyText.h"

#include <vector>

#include "ftp/FtpError.h"

namespace ftp {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads a run of up to `maxDigits` digits at `pos`; nothing when there is none or
// it is longer (so "0000000000000300" cannot sneak past the range checks).
std::optional<long> readNumber(std::string_view s, std::size_t& pos, std::size_t maxDigits)
{
    std::size_t start = pos;
    long value = 0;
    while (pos < s.size() && isDigit(s[pos])) {
        if (pos - start >= maxDigits)
            return std::nullopt;
        value = value * 10 + (s[pos] - '0');
        ++pos;
    }
    if (pos == start)
        return std::nullopt;
    return value;
}

} // namespace

std::string parseQuotedPath(std::string_view text)
{
    std::size_t first = text.find('"');
    std::size_t last = text.rfind('"');
    if (first == std::string_view::npos)
        throw ProtocolError("The server's directory reply holds no quoted path", false);
    if (last == first)
        throw ProtocolError("The server's directory reply has an unclosed quote", false);
    std::string_view inner = text.substr(first + 1, last - first - 1);
    std::string out;
    out.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(inner[i]);
        if (c < 0x20 || c == 0x7f)
            throw ProtocolError("The server's directory reply holds a control character", false);
        out += inner[i];
        if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"')
            ++i;
    }
    return out;
}

PassiveAddress parsePasvReply(std::string_view text)
{
    // Find the first place where six comma-separated numbers start.
    for (std::size_t start = 0; start < text.size(); ++start) {
        if (!isDigit(text[start]) || (start > 0 && isDigit(text[start - 1])))
            continue;
        std::size_t pos = start;
        std::vector<long> numbers;
        while (numbers.size() < 6) {
            auto n = readNumber(text, pos, 3);
            if (!n)
                break;
            numbers.push_back(*n);
            if (numbers.size() < 6) {
                if (pos >= text.size() || text[pos] != ',')
                    break;
                ++pos;
            }
        }
        if (numbers.size() != 6)
            continue;
        if (pos < text.size() && (isDigit(text[pos]) || text[pos] == ','))
            break; // seven numbers or more: not a PASV address
        for (long n : numbers)
            if (n > 255)
                throw ProtocolError("Malformed PASV reply: a number over 255", false);
        long port = numbers[4] * 256 + numbers[5];
        if (port == 0)
            throw ProtocolError("Malformed PASV reply: port 0", false);
        PassiveAddress out;
        out.host = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
                   std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
        out.port = static_cast<std::uint16_t>(port);
        return out;
    }
    throw ProtocolError("Malformed PASV reply: no address in \"" + std::string(text.substr(0, 80)) + "\"",
                        false);
}

PassiveAddress parseEpsvReply(std::string_view text)
{
    std::size_t open = text.find('(');
    if (open == std::string_view::npos || open + 1 >= text.size())
        throw ProtocolError("Malformed EPSV reply", false);
    char d = text[open + 1];
    if (d < 33 || d > 126 || isDigit(d))
        throw ProtocolError("Malformed EPSV reply", false);
    std::size_t pos = open + 1;
    // (d d d port d)
    for (int i = 0; i < 3; ++i) {
        if (pos >= text.size() || text[pos] != d)
            throw ProtocolError("Malformed EPSV reply", false);
        ++pos;
    }
    auto port = readNumber(text, pos, 5);
    if (!port || pos >= text.size() || text[pos] != d)
        throw ProtocolError("Malformed EPSV reply", false);
    ++pos;
    if (pos >= text.size() || text[pos] != ')')
        throw ProtocolError("Malformed EPSV reply", false);
    if (*port < 1 || *port > 65535)
        throw ProtocolError("Malformed EPSV reply: port out of range", false);
    PassiveAddress out;
    out.port = static_cast<std::uint16_t>(*port);
    return out;
}

std::optional<std::int64_t> parseDecimal(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<std::int64_t> parseAnnouncedSize(std::string_view text)
{
    for (std::size_t open = text.find('('); open != std::string_view::npos; open = text.find('(', open + 1)) {
        std::size_t close = text.find(')', open);
        if (close == std::string_view::npos)
            return std::nullopt;
        std::string_view inner = text.substr(open + 1, close - open - 1);
        std::size_t space = inner.find(' ');
        if (space == std::string_view::npos || inner.substr(space + 1) != "bytes")
            continue;
        if (auto n = parseDecimal(inner.substr(0, space)))
            return n;
    }
    return std::nullopt;
}

} // namespace ftp
