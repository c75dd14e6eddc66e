#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Pure readers of the parts of reply texts the client relies on.

namespace ftp {

// The path in a 257 reply: between the first and the last double quote, with each
// doubled quote inside standing for one (RFC 959 appendix II). Throws
// ProtocolError when there are no quotes, only one, or control characters in it.
std::string parseQuotedPath(std::string_view text);

struct PassiveAddress
{
    std::string host; // as the server named it: "a.b.c.d" for PASV, empty for EPSV
    std::uint16_t port = 0;
};

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)", with or without parentheses.
// Throws ProtocolError for missing numbers, a number over 255, or port 0.
PassiveAddress parsePasvReply(std::string_view text);
// "229 Entering Extended Passive Mode (|||port|)" (RFC 2428), any delimiter
// character from 33 to 126. Throws ProtocolError for anything malformed or a
// port outside 1..65535.
PassiveAddress parseEpsvReply(std::string_view text);

// The size some servers announce in the preliminary reply to RETR: "(1234 bytes)".
std::optional<std::int64_t> parseAnnouncedSize(std::string_view text);

// A plain non-negative decimal that fits in 63 bits ("213 1234" of SIZE).
std::optional<std::int64_t> parseDecimal(std::string_view text);

} // namespace ftp
