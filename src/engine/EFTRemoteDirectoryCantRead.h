#pragma once

#include "engine/EFTPTransferException.h"

// The server refused LIST, or the listing's data connection failed.
class EFTRemoteDirectoryCantRead final
    : public TEngineErrorClass<EFTRemoteDirectoryCantRead, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteDirectoryCantRead";

    EFTRemoteDirectoryCantRead()
        : TEngineErrorClass(TMessageKey::strRSFTPRemoteDirectoryCantRead,
                            TMessageKey::strRSFTPRemoteDirectoryCantReadLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
