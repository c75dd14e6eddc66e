#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ftp/CertificateInfo.h"
#include "ftp/Reply.h"

namespace ftp {

enum class TlsMode
{
    None,
    RequireExplicit // AUTH TLS (or AUTH SSL) must succeed; data connections are protected too
};

enum class TransferType
{
    Ascii, // TYPE A
    Binary // TYPE I
};

enum class TransferDirection
{
    Download,
    Upload
};

// What the connection is doing, for status displays.
enum class ConnectionStatus
{
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText, // the text says what
    ftpTransfer,  // a data transfer started
    ftpReady,     // a data transfer completed
    ftpAborted    // a data transfer was stopped
};

// Set before connect(); the client copies nothing from elsewhere.
struct ClientOptions
{
    std::string host;
    std::uint16_t port = 21;
    std::string user = "anonymous";
    std::string password;
    bool passive = true;
    TlsMode tlsMode = TlsMode::None;
    // TLS 1.2 is limited to ECDHE key exchange with AEAD ciphers (AES-GCM,
    // ChaCha20-Poly1305): forward secrecy, no CBC padding oracles. This allows
    // OpenSSL's default list too (static RSA key exchange, CBC with SHA-1 MACs),
    // for old servers that offer nothing better; such connections are weaker.
    bool allowLegacyCiphers = false;
    // A TLS data connection of a download must end with the server's close_notify
    // wherever the length of what arrived cannot be checked (ASCII mode, listings,
    // no size known): otherwise anyone on the path could cut the stream, and the
    // server's genuine 226 would confirm the rest. This accepts a plain end there,
    // for servers that never send close_notify; truncation then goes unnoticed.
    bool acceptDataWithoutCloseNotify = false;
    // Each time-out is a SocketError with kTimedOut.
    std::chrono::milliseconds connectTimeout{30000}; // the TCP connect (per address), then the greeting
    std::chrono::milliseconds replyTimeout{60000};   // every later reply
    std::chrono::milliseconds dataReadTimeout{30000};
    // Limits of one directory listing, enforced while it arrives: a parsed entry
    // costs several times its line, so a hostile server could otherwise exhaust
    // memory with one LIST. Lines are counted (each gives at most one entry).
    // Generous for a million entries of any style.
    std::size_t maxListingBytes = 256u * 1024 * 1024;
    std::size_t maxListingEntries = 1500000;
};

// Per data connection, offered to the creation hook before it is used.
struct DataConnectionSettings
{
    std::chrono::milliseconds readTimeout{30000};
};

// Callbacks run on the thread that runs the client's operation. Any may be empty.
// The status, work-begin and work-end callbacks may be replaced from inside a
// callback; the progress callback must not replace itself while it runs.
struct ClientCallbacks
{
    // Decides on the server's certificate. Without it only a verified certificate
    // is accepted.
    std::function<bool(const CertificateInfo&)> certificate;
    // The intercept: every command line as sent (passwords included: mask them
    // where they are shown) and every piece of reply text as it arrives.
    std::function<void(const std::string&)> commandSent;
    std::function<void(std::string_view)> replyReceived;
    // Every complete reply as the reply parser framed it (RFC 959 section 4.2), in
    // the order the server sent them, as soon as its last line is in: what a log
    // shows, so that it can never frame replies differently from the client.
    std::function<void(const Reply&)> replyParsed;
    std::function<void(ConnectionStatus, const std::string&)> status;
    std::function<void(DataConnectionSettings&)> dataConnectionCreated;
    // A transfer's data connection is open. `expectedBytes` is what this connection
    // should carry (size minus restart offset), -1 when unknown.
    std::function<void(TransferDirection, std::int64_t expectedBytes)> workBegin;
    // Bytes moved on this data connection so far (the restart offset not included).
    std::function<void(std::int64_t bytes)> workProgress;
    // The transfer ended: `completed` only when all data arrived and the server
    // confirmed it.
    std::function<void(bool completed)> workEnd;
    // Debug-level lines (step changes "OLD -> NEW", addresses used).
    std::function<void(const std::string&)> debug;
};

} // namespace ftp
