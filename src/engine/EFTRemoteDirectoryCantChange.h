#pragma once

#include "engine/EFTPTransferException.h"

// The server would not change to the directory.
class EFTRemoteDirectoryCantChange final
    : public TEngineErrorClass<EFTRemoteDirectoryCantChange, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteDirectoryCantChange";

    EFTRemoteDirectoryCantChange()
        : TEngineErrorClass(TMessageKey::strRSFTPRemoteDirectoryCantChange,
                            TMessageKey::strRSFTPRemoteDirectoryCantChangeLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
