#include "ArgvPasswords.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace cli {

namespace {

void blank(char* arg)
{
    const std::string_view text(arg);
    const std::size_t scheme = text.find("://");
    if (scheme == std::string_view::npos)
        return;
    const std::size_t start = scheme + 3;
    const std::size_t slash = text.find('/', start);
    const std::string_view authority =
        text.substr(start, slash == std::string_view::npos ? slash : slash - start);
    // The last "@" ends the user part, as the URL parser reads it.
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos)
        return;
    const std::size_t colon = authority.substr(0, at).find(':');
    if (colon == std::string_view::npos || colon + 1 == at)
        return;
    const std::size_t from = start + colon + 1;
    const std::size_t length = at - colon - 1;
    const std::size_t stars = std::min<std::size_t>(length, 3);
    const std::size_t total = text.size();
    std::memset(arg + from, '*', stars);
    std::memmove(arg + from + stars, arg + from + length, total - from - length);
    std::memset(arg + total - (length - stars), '\0', length - stars);
}

} // namespace

void blankUrlPasswords(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i])
            blank(argv[i]);
}

} // namespace cli
