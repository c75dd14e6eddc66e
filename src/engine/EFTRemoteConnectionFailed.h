#pragma once

#include "engine/EFTPTransferException.h"

enum class TConnectionFailure
{
    cfRefused,      // the host was found but could not be reached
    cfHostNotFound, // the host name does not resolve
    cfTimedOut,     // no answer in time: the connect, the greeting or a later reply
};

// The control connection could not be opened (or stopped answering). The class is
// the same for every failure; the texts tell them apart. Worth another try unless
// the cause says otherwise (a name that does not resolve).
class EFTRemoteConnectionFailed final
    : public TEngineErrorClass<EFTRemoteConnectionFailed, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteConnectionFailed";

    explicit EFTRemoteConnectionFailed(TConnectionFailure kind = TConnectionFailure::cfRefused)
        : TEngineErrorClass(shortKey(kind), longKey(kind))
    {
        setRetryable(true);
    }
    EFTRemoteConnectionFailed(QString shortText, QString longText)
        : TEngineErrorClass(std::move(shortText), std::move(longText))
    {
        setRetryable(true);
    }

private:
    static TMessageKey shortKey(TConnectionFailure kind)
    {
        switch (kind) {
        case TConnectionFailure::cfHostNotFound:
            return TMessageKey::strRSFTRemoteHostNotFound;
        case TConnectionFailure::cfTimedOut:
            return TMessageKey::strRSFTRemoteConnectionTimedOut;
        case TConnectionFailure::cfRefused:
            break;
        }
        return TMessageKey::strRSFTRemoteConnectionFailed;
    }
    static TMessageKey longKey(TConnectionFailure kind)
    {
        switch (kind) {
        case TConnectionFailure::cfHostNotFound:
            return TMessageKey::strRSFTRemoteHostNotFoundLong;
        case TConnectionFailure::cfTimedOut:
            return TMessageKey::strRSFTRemoteConnectionTimedOutLong;
        case TConnectionFailure::cfRefused:
            break;
        }
        return TMessageKey::strRSFTRemoteConnectionFailedLong;
    }
};
