#pragma once

#include "engine/EFTPTransferException.h"

enum class TConnectionFailure
{
    cfRefused,      // the host was found but could not be reached
    cfHostNotFound, // the host name does not resolve
};

// The control connection could not be opened. The class is the same for both
// failures; the texts tell them apart. Worth another try unless the cause says
// otherwise (a name that does not resolve).
class EFTRemoteConnectionFailed final
    : public TEngineErrorClass<EFTRemoteConnectionFailed, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteConnectionFailed";

    explicit EFTRemoteConnectionFailed(TConnectionFailure kind = TConnectionFailure::cfRefused)
        : TEngineErrorClass(
              kind == TConnectionFailure::cfHostNotFound ? TMessageKey::strRSFTRemoteHostNotFound
                                                         : TMessageKey::strRSFTRemoteConnectionFailed,
              kind == TConnectionFailure::cfHostNotFound ? TMessageKey::strRSFTRemoteHostNotFoundLong
                                                         : TMessageKey::strRSFTRemoteConnectionFailedLong)
    {
        setRetryable(true);
    }
    EFTRemoteConnectionFailed(QString shortText, QString longText)
        : TEngineErrorClass(std::move(shortText), std::move(longText))
    {
        setRetryable(true);
    }
};
