#pragma once

#include <stdexcept>
#include <string>

// The exceptions of the protocol layer. Every error says whether trying the same
// thing again can help, so callers (the queue's retry logic) decide on the flag
// and never by reading messages.

namespace ftp {

class FtpError : public std::runtime_error
{
public:
    FtpError(const std::string& message, bool retryable)
        : std::runtime_error(message)
        , m_retryable(retryable)
    {}
    bool retryable() const { return m_retryable; }

private:
    bool m_retryable;
};

// A failure of the network below FTP. code() uses the numbers callers know from
// the original platform for the two cases they tell apart: 10054 for a connection
// reset or aborted by the peer, 11001 for a host name that does not resolve.
// Everything else keeps a code of its own (errno, or 11002/11003 for temporary and
// permanent resolver failures); osError() keeps the raw errno or resolver value.
class SocketError final : public FtpError
{
public:
    static constexpr int kConnectionReset = 10054;
    static constexpr int kHostNotFound = 11001;
    static constexpr int kResolverTryAgain = 11002;
    static constexpr int kResolverFailure = 11003;
    static constexpr int kTimedOut = 10060;

    SocketError(int code, int osError, const std::string& message);

    // From an errno value after a failed socket call; `what` names the call.
    static SocketError fromErrno(int err, const std::string& what);
    // From a getaddrinfo() result code.
    static SocketError fromResolver(int gaiCode, const std::string& host);
    static SocketError timedOut(const std::string& what);

    int code() const { return m_code; }
    int osError() const { return m_osError; }

private:
    int m_code;
    int m_osError;
};

// The server answered with a reply the operation does not accept.
class ReplyError final : public FtpError
{
public:
    ReplyError(int code, const std::string& text, const std::string& command = {});
    int code() const { return m_code; }
    const std::string& text() const { return m_text; }

private:
    int m_code;
    std::string m_text;
};

// TLS was required but the server accepted no AUTH variant, or refused to protect
// the data connections (PBSZ/PROT). Nothing was sent in clear text after that.
class TlsNotAvailableError final : public FtpError
{
public:
    explicit TlsNotAvailableError(const std::string& message)
        : FtpError(message, false)
    {}
};

// The server's certificate was not accepted (unverified without a callback, or
// the callback said no). Never retried: the next attempt meets the same certificate.
class CertificateRejectedError final : public FtpError
{
public:
    explicit CertificateRejectedError(const std::string& message)
        : FtpError(message, false)
    {}
};

// The operation was stopped by abort(), abortTransfer() or killDataChannel().
class AbortedError final : public FtpError
{
public:
    explicit AbortedError(const std::string& message = "Operation aborted")
        : FtpError(message, false)
    {}
};

// The local file of a transfer could not be opened, read or written.
class LocalFileError final : public FtpError
{
public:
    LocalFileError(const std::string& message, int osError)
        : FtpError(message, false)
        , m_osError(osError)
    {}
    int osError() const { return m_osError; }

private:
    int m_osError;
};

// Any other failure of the protocol: bad reply framing, an unparseable listing, a
// malformed PASV/EPSV reply, a truncated transfer, a TLS failure.
class ProtocolError final : public FtpError
{
public:
    ProtocolError(const std::string& message, bool retryable)
        : FtpError(message, retryable)
    {}
};

} // namespace ftp
