#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace ftp {

// File names between the wire and the caller's UTF-8. Bytes from the server that
// are valid UTF-8 are taken as they are; anything else is read as Latin-1 (older
// servers), and the codec remembers the server's own bytes for such a name so
// that a command naming it sends exactly those bytes back.
class NameCodec final
{
public:
    static constexpr std::size_t kMaxRemembered = 100000;

    std::string decode(std::string_view raw);
    // A name or a path: each "/"-separated part that was read as Latin-1 goes back
    // as the server's bytes, the rest as UTF-8.
    std::string encode(std::string_view utf8) const;
    void clear() { m_rawByName.clear(); }

    static bool isValidUtf8(std::string_view s);
    static std::string latin1ToUtf8(std::string_view s);

private:
    std::unordered_map<std::string, std::string> m_rawByName;
};

} // namespace ftp
