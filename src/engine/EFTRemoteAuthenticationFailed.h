#pragma once

#include "engine/EFTPTransferException.h"

// Logging in failed.
class EFTRemoteAuthenticationFailed final
    : public TEngineErrorClass<EFTRemoteAuthenticationFailed, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteAuthenticationFailed";

    EFTRemoteAuthenticationFailed()
        : TEngineErrorClass(TMessageKey::strRSFTRemoteAuthenticationFailed,
                            TMessageKey::strRSFTRemoteAuthenticationFailedLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
