#include "engine/SocketErrorRule.h"

#include "engine/EFTRemoteConnectionClosed.h"
#include "engine/EFTRemoteConnectionFailed.h"
#include "ftp/FtpError.h"

std::unique_ptr<EFTPTransferException> MakeSocketError(int code)
{
    switch (code) {
    case ftp::SocketError::kConnectionReset:
        return std::make_unique<EFTRemoteConnectionClosed>();
    case ftp::SocketError::kHostNotFound:
        return std::make_unique<EFTRemoteConnectionFailed>(TConnectionFailure::cfHostNotFound);
    case ftp::SocketError::kTimedOut:
        return std::make_unique<EFTRemoteConnectionFailed>(TConnectionFailure::cfTimedOut);
    default:
        return std::make_unique<EFTRemoteConnectionFailed>(TConnectionFailure::cfRefused);
    }
}

std::unique_ptr<EFTPTransferException> MakeSocketError(const ftp::SocketError& error)
{
    auto result = MakeSocketError(error.code());
    result->setCause(error);
    return result;
}
