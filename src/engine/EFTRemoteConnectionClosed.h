#pragma once

#include "engine/EFTPTransferException.h"

// The connection was reset or closed by the server. Worth another try.
class EFTRemoteConnectionClosed final
    : public TEngineErrorClass<EFTRemoteConnectionClosed, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteConnectionClosed";

    EFTRemoteConnectionClosed()
        : TEngineErrorClass(TMessageKey::strRSFTPRemoteConnectionClosed,
                            TMessageKey::strRSFTPRemoteConnectionClosedLong)
    {
        setRetryable(true);
    }
    EFTRemoteConnectionClosed(QString shortText, QString longText)
        : TEngineErrorClass(std::move(shortText), std::move(longText))
    {
        setRetryable(true);
    }
};
