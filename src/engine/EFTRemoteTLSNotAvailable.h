#pragma once

#include "engine/EFTPTransferException.h"

// TLS was required and the server offered none (or would not protect data connections).
class EFTRemoteTLSNotAvailable final
    : public TEngineErrorClass<EFTRemoteTLSNotAvailable, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteTLSNotAvailable";

    EFTRemoteTLSNotAvailable()
        : TEngineErrorClass(TMessageKey::strRSFTRemoteTLSNotSupported,
                            TMessageKey::strRSFTRemoteTLSNotSupportedLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
