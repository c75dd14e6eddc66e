#pragma once

#include <cstdio>
#include <string>

namespace cli {

// `text` as it may be written to `stream`: on a terminal, control characters
// (escape sequences of a hostile server's names and replies among them) are
// shown escaped (\x1b, \r ...), tabs excepted; into a file or a pipe the text
// stays as it is.
std::string forStream(std::FILE* stream, const std::string& text);

} // namespace cli
