#include "TerminalText.h"

#include <unistd.h>

#include "engine/RemoteNames.h"

namespace cli {

std::string forStream(std::FILE* stream, const std::string& text)
{
    if (::isatty(::fileno(stream)) == 0)
        return text;
    // A tab does nothing to a terminal, and the tool's lines separate their fields with it.
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = text.find('\t', start);
        out += printableRemoteName(text.substr(start, tab == std::string::npos ? tab : tab - start))
                   .toStdString();
        if (tab == std::string::npos)
            return out;
        out += '\t';
        start = tab + 1;
    }
}

} // namespace cli
