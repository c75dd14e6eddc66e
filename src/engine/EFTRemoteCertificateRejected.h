#pragma once

#include "engine/EFTPTransferException.h"

// The server's certificate was not verified and the user did not accept it.
class EFTRemoteCertificateRejected final
    : public TEngineErrorClass<EFTRemoteCertificateRejected, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteCertificateRejected";

    EFTRemoteCertificateRejected()
        : TEngineErrorClass(TMessageKey::strRSFTRemoteCertificateRejected,
                            TMessageKey::strRSFTRemoteCertificateRejectedLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
