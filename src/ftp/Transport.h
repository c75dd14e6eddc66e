#pragma once

#include <cstddef>

namespace ftp {

class TcpTransport;

// One layer of a connection's transport stack: a TCP socket, or TLS over one.
// Control and data code use this interface only and never ask whether TLS is on.
// All calls block (in poll, so the stack's wakers interrupt them at once) and
// belong to the thread that owns the connection.
class Transport
{
public:
    virtual ~Transport() = default;

    // Up to `size` bytes, at least one; 0 when the peer ended the stream.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // All of `data`.
    virtual void write(const char* data, std::size_t size) = 0;
    // Orderly end in both directions: for TLS a close_notify sent and the peer's
    // awaited (reading what it still sends), then the socket is closed.
    virtual void finish() = 0;
    // Immediate close; never throws.
    virtual void close() noexcept = 0;
    // Whether the stream the peer ended was ended properly (TLS: close_notify seen).
    virtual bool endedCleanly() const = 0;
    // Bytes have arrived that read() has not returned yet (checked right after a
    // reply that must be the last thing before a TLS handshake).
    virtual bool hasPendingInput() = 0;
    // The socket at the bottom of the stack.
    virtual TcpTransport& tcp() = 0;
};

} // namespace ftp
