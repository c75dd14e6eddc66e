#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace cli {

// ftp://[user[:password]@]host[:port]/path, percent-decoded (a literal "%" is "%25").
// ftps:// (implicit TLS) is refused with a pointer to --tls (explicit TLS). The path is taken
// relative to the login directory ("ftp://h/dir/f" names "dir/f"; "ftp://h/%2Fetc"
// names "/etc"), as RFC 1738 section 3.2.2 reads it.
struct FtpUrl
{
    std::string host;
    std::uint16_t port = 21;
    std::optional<std::string> user; // none: anonymous
    std::string password;
    bool hasPassword = false; // "user:password@" or "user:@", not only "user@"
    std::string path;         // empty: the login directory

    // Nothing, with `error` set, for anything that is not such a URL.
    static std::optional<FtpUrl> parse(const std::string& text, std::string& error);
};

// "%41" -> "A"; nothing for a "%" not followed by two hex digits or a decoded NUL.
std::optional<std::string> percentDecode(const std::string& text);

} // namespace cli
