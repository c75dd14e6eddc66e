#include "ftp/NameCodec.h"

#include <cstdint>

namespace ftp {

bool NameCodec::isValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > s.size())
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += len;
    }
    return true;
}

std::string NameCodec::latin1ToUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size() * 2);
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string NameCodec::decode(std::string_view raw)
{
    if (isValidUtf8(raw))
        return std::string(raw);
    std::string name = latin1ToUtf8(raw);
    if (m_rawByName.size() >= kMaxRemembered)
        m_rawByName.clear();
    m_rawByName[name] = std::string(raw);
    return name;
}

std::string NameCodec::encode(std::string_view utf8) const
{
    if (m_rawByName.empty())
        return std::string(utf8);
    if (auto it = m_rawByName.find(std::string(utf8)); it != m_rawByName.end())
        return it->second;
    std::string out;
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = utf8.find('/', start);
        std::string part(
            utf8.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        auto it = m_rawByName.find(part);
        out += it == m_rawByName.end() ? part : it->second;
        if (slash == std::string_view::npos)
            break;
        out += '/';
        start = slash + 1;
    }
    return out;
}

} // namespace ftp
