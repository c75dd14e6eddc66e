#pragma once

#include <string>
#include <vector>

namespace ftp {

// One complete server reply (RFC 959 section 4.2).
struct Reply
{
    int code = 0;
    std::vector<std::string> lines; // as received, without line ends, code prefixes included

    // The text after the code of each line, joined with "\n" (for messages).
    std::string text() const;
    int kind() const { return code / 100; } // 1 preliminary ... 5 permanent negative
    bool preliminary() const { return kind() == 1; }
    bool positive() const { return kind() == 2; }
    bool intermediate() const { return kind() == 3; }
};

} // namespace ftp
