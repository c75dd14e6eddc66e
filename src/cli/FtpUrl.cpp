#include "FtpUrl.h"

#include <algorithm>
#include <cctype>

#include "CliPassword.h"

namespace cli {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<std::string> percentDecode(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int hi = hexValue(text[i + 1]);
        int lo = hexValue(text[i + 2]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        char c = static_cast<char>(hi * 16 + lo);
        if (c == '\0')
            return std::nullopt;
        out += c;
        i += 2;
    }
    return out;
}

std::optional<FtpUrl> FtpUrl::parse(const std::string& text, std::string& error)
{
    const auto startsWith = [&](const std::string& scheme) {
        return text.size() >= scheme.size() &&
               std::equal(scheme.begin(), scheme.end(), text.begin(),
                          [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    };
    const std::string scheme = "ftp://";
    if (startsWith("ftps://")) {
        error = "ftps:// (implicit TLS) is not offered: use ftp://... with --tls, which asks the server for "
                "TLS before logging in (explicit TLS, AUTH TLS): " +
                maskedUrl(text);
        return std::nullopt;
    }
    if (!startsWith(scheme)) {
        error = "not an ftp:// URL: " + maskedUrl(text);
        return std::nullopt;
    }
    std::string rest = text.substr(scheme.size());
    std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    std::string rawPath = slash == std::string::npos ? std::string() : rest.substr(slash + 1);

    FtpUrl url;
    // The last "@" ends the user part: an unencoded "@" in a password stays in it.
    if (std::size_t at = authority.rfind('@'); at != std::string::npos) {
        std::string userInfo = authority.substr(0, at);
        authority = authority.substr(at + 1);
        std::size_t colon = userInfo.find(':');
        auto user = percentDecode(userInfo.substr(0, colon));
        auto password =
            percentDecode(colon == std::string::npos ? std::string() : userInfo.substr(colon + 1));
        if (!user || !password || user->empty()) {
            error = "bad user or password in " + maskedUrl(text);
            return std::nullopt;
        }
        url.user = *user;
        url.password = *password;
        url.hasPassword = colon != std::string::npos;
    }
    std::string portText;
    if (!authority.empty() && authority.front() == '[') {
        std::size_t close = authority.find(']');
        if (close == std::string::npos) {
            error = "unclosed [ in " + maskedUrl(text);
            return std::nullopt;
        }
        url.host = authority.substr(1, close - 1);
        std::string after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                error = "bad host in " + maskedUrl(text);
                return std::nullopt;
            }
            portText = after.substr(1);
        }
    } else {
        std::size_t colon = authority.find(':');
        url.host = authority.substr(0, colon);
        if (colon != std::string::npos)
            portText = authority.substr(colon + 1);
    }
    if (url.host.empty()) {
        error = "no host in " + maskedUrl(text);
        return std::nullopt;
    }
    if (!portText.empty()) {
        long port = 0;
        for (char c : portText) {
            if (!std::isdigit(static_cast<unsigned char>(c)) || port > 65535) {
                port = -1;
                break;
            }
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535) {
            error = "bad port in " + maskedUrl(text);
            return std::nullopt;
        }
        url.port = static_cast<std::uint16_t>(port);
    }
    auto path = percentDecode(rawPath);
    if (!path) {
        error = "bad percent-encoding in " + maskedUrl(text);
        return std::nullopt;
    }
    url.path = *path;
    return url;
}

} // namespace cli
