#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The script of the scripted FTP server is plain data: overrides matched by
// command, each with a reply and actions. Fields are listed in the order
// designated initializers must follow.

namespace testsupport {

using namespace std::chrono_literals;

// What happens on the data connection of a LIST, NLST, MLSD, RETR, STOR or APPE.
enum class DataFaultKind
{
    None,
    // The server never accepts (passive) or never connects (active). It sends the
    // preliminary reply, then waits finalDelay (or, when that is 0, until the
    // client sends anything or closes) and sends the final reply. In passive mode
    // the client's connect still succeeds (the kernel completes it), but nothing is
    // ever read or written there, a TLS handshake included. A connect that fails
    // outright is a raw PASV/EPSV reply naming a port where nothing listens.
    NeverOpen,
    // After `bytes` bytes the server closes the data connection (with TLS and
    // without tlsCloseNotify: no close_notify, as a cut cable looks), then
    // sends the final reply (426 unless finalCode says otherwise; 226 lies).
    CutAfter,
    // After `bytes` bytes the server keeps the data connection open and silent
    // until the client closes it, sends ABOR, or the server stops.
    StallAfter,
};

struct DataFault
{
    DataFaultKind kind = DataFaultKind::None;
    std::int64_t bytes = 0;
    bool tlsCloseNotify = false;
    int finalCode = 0; // 0: the fault's default (425 NeverOpen, 426 CutAfter); -1: no final reply
    std::string finalText;
    std::chrono::milliseconds finalDelay{0};
    std::int64_t bytesPerSecond = 0; // throttles the whole transfer; 0: as fast as possible
};

// A piece sent after the reply, after a pause (e.g. the 220 that follows a 120 greeting).
struct Chunk
{
    std::chrono::milliseconds after{0};
    std::string bytes;
};

// One scripted reaction. `command` is matched case-insensitively against the verb;
// the empty command matches the greeting. When `argument` is set, it must equal the
// argument exactly. `times` < 0 applies forever, otherwise to the first N matches
// (all sessions together, or only session `session` when it is > 0). The first
// matching override that is not used up wins.
//
// An override with a reply (code, raw or close) replaces the server's handling of the
// command: delay, then the reply (`code` + `text`, where a text of several lines
// becomes a multi-line reply; or `raw` bytes exactly), then `trailing` in the same
// write, then `followUp`, then a close when `close` is set. A code of 234/334 to AUTH
// still starts TLS; 221 to QUIT still ends the session.
//
// An override without a reply keeps the server's own handling and only modifies it:
// delay, byteDelay, trailing and followUp apply to the command's first reply, `data`
// to its data connection.
struct Override
{
    std::string command;
    std::optional<std::string> argument;
    int code = 0;
    std::string text;
    int times = -1;
    int session = 0;
    std::chrono::milliseconds delay{0};     // before the reply
    std::chrono::milliseconds byteDelay{0}; // the reply goes out one byte per write, with this pause
    std::string raw;                        // sent as it stands instead of code + text
    std::string trailing;                   // sent right behind the reply, in the same write
    std::vector<Chunk> followUp;
    bool close = false; // close the control connection after whatever was sent
    DataFault data;
};

struct CommandRecord
{
    int session = 0;  // 1 for the first connection, 2 for the next ...
    std::string line; // as received, without the line end
};

struct DataStats
{
    int connections = 0;        // data connections that opened
    int tlsConnections = 0;     // of those, with TLS
    int resumedTlsSessions = 0; // of those, resuming the control connection's session
};

} // namespace testsupport
