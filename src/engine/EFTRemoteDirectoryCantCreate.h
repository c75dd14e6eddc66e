#pragma once

#include "engine/EFTPTransferException.h"

// The server refused MKD.
class EFTRemoteDirectoryCantCreate final
    : public TEngineErrorClass<EFTRemoteDirectoryCantCreate, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteDirectoryCantCreate";

    EFTRemoteDirectoryCantCreate()
        : TEngineErrorClass(TMessageKey::strRSFTPRemoteDirectoryCantCreate,
                            TMessageKey::strRSFTPRemoteDirectoryCantCreateLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
