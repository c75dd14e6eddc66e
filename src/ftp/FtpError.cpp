#include "ftp/FtpError.h"

#include <cerrno>
#include <cstring>

#include <netdb.h>

namespace ftp {

namespace {

int mapErrno(int err)
{
    switch (err) {
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
        return SocketError::kConnectionReset;
    case ETIMEDOUT:
        return SocketError::kTimedOut;
    default:
        return err;
    }
}

} // namespace

SocketError::SocketError(int code, int osError, const std::string& message)
    : FtpError(message, code != kHostNotFound && code != kResolverFailure)
    , m_code(code)
    , m_osError(osError)
{}

SocketError SocketError::fromErrno(int err, const std::string& what)
{
    return SocketError(mapErrno(err), err, what + ": " + std::strerror(err));
}

SocketError SocketError::fromResolver(int gaiCode, const std::string& host)
{
    int code = kResolverFailure;
    switch (gaiCode) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
        code = kHostNotFound;
        break;
    case EAI_AGAIN:
        code = kResolverTryAgain;
        break;
    case EAI_SYSTEM:
        return fromErrno(errno, "resolving " + host);
    default:
        break;
    }
    return SocketError(code, gaiCode, "Cannot resolve " + host + ": " + gai_strerror(gaiCode));
}

SocketError SocketError::timedOut(const std::string& what)
{
    return SocketError(kTimedOut, ETIMEDOUT, what + ": timed out");
}

namespace {

std::string replyMessage(int code, const std::string& text, const std::string& command)
{
    std::string m = std::to_string(code) + " " + text;
    if (!command.empty())
        m += " (after " + command + ")";
    return m;
}

} // namespace

// RFC 959 section 4.2: 4yz replies are transient negative completions, 5yz
// permanent ones; anything else where a success was expected is treated as permanent.
ReplyError::ReplyError(int code, const std::string& text, const std::string& command)
    : FtpError(replyMessage(code, text, command), code >= 400 && code < 500)
    , m_code(code)
    , m_text(text)
{}

} // namespace ftp
