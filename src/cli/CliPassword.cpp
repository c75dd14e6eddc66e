#include "CliPassword.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace cli {

namespace {

// Whitespace-separated words; a double-quoted word may hold spaces (and \" or \\).
std::vector<std::string> netrcWords(const std::string& text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i >= text.size())
            break;
        std::string word;
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                word += text[i];
            }
            ++i;
        } else {
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
                word += text[i++];
        }
        // A macro definition runs to the next empty line.
        if (word == "macdef") {
            const std::size_t end = text.find("\n\n", i);
            i = end == std::string::npos ? text.size() : end + 2;
            continue;
        }
        words.push_back(word);
    }
    return words;
}

std::optional<std::string> fromNetrc(const std::string& host, const std::string& user)
{
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return std::nullopt;
    const std::string path = std::string(home) + "/.netrc";
    struct stat st
    {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    auto password = netrcPassword(text.str(), host, user);
    if (password && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        std::fprintf(stderr,
                     "vantor-ftp-cli: %s can be read by others: its password is not used (chmod 600 %s)\n",
                     path.c_str(), path.c_str());
        return std::nullopt;
    }
    return password;
}

std::optional<std::string> askOnTerminal(const std::string& host, const std::string& user)
{
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO))
        return std::nullopt;
    termios saved{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        silent.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &silent);
    }
    // Asked only once the echo is off: nothing typed after the question shows.
    std::fprintf(stderr, "Password for %s@%s: ", user.c_str(), host.c_str());
    std::fflush(stderr);
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    if (!read)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

std::optional<std::string> netrcPassword(const std::string& text, const std::string& host,
                                         const std::string& user)
{
    const std::vector<std::string> words = netrcWords(text);
    bool inEntry = false; // inside the entry of this host (or the default one)
    bool userMatches = false;
    std::optional<std::string> password;
    const auto finished = [&]() { return inEntry && userMatches && password; };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "machine" || w == "default") {
            if (finished())
                return password;
            inEntry = w == "default" || (i + 1 < words.size() && words[i + 1] == host);
            userMatches = false;
            password.reset();
            if (w == "machine")
                ++i;
        } else if ((w == "login" || w == "password" || w == "account") && i + 1 < words.size()) {
            const std::string& value = words[++i];
            if (w == "login")
                userMatches = value == user;
            else if (w == "password")
                password = value;
        }
    }
    if (finished())
        return password;
    return std::nullopt;
}

std::optional<std::string> findPassword(const std::string& host, const std::string& user, std::string& error)
{
    static std::map<std::pair<std::string, std::string>, std::string> known;
    const auto key = std::make_pair(host, user);
    if (auto it = known.find(key); it != known.end())
        return it->second;
    std::optional<std::string> password;
    if (const char* fromEnvironment = std::getenv("VANTOR_FTP_PASSWORD"))
        password = fromEnvironment;
    if (!password)
        password = fromNetrc(host, user);
    if (!password)
        password = askOnTerminal(host, user);
    if (!password) {
        error = "no password for " + user + "@" + host + ": put it in the URL (ftp://" + user + ":PASSWORD@" +
                host +
                "/), in VANTOR_FTP_PASSWORD or in ~/.netrc, or run on a terminal to be asked; "
                "\"" +
                user + ":@\" logs in with an empty one";
        return std::nullopt;
    }
    known[key] = *password;
    return password;
}

std::string maskedUrl(const std::string& url)
{
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const std::size_t start = scheme + 3;
    const std::size_t slash = url.find('/', start);
    const std::size_t at = url.rfind('@', slash == std::string::npos ? std::string::npos : slash);
    if (at == std::string::npos || at < start)
        return url;
    const std::size_t colon = url.find(':', start);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon + 1) + "****" + url.substr(at);
}

} // namespace cli
