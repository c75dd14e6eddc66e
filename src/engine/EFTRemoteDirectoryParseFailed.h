#pragma once

#include "engine/EFTPTransferException.h"

// A listing arrived but could not be read.
class EFTRemoteDirectoryParseFailed final
    : public TEngineErrorClass<EFTRemoteDirectoryParseFailed, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteDirectoryParseFailed";

    EFTRemoteDirectoryParseFailed()
        : TEngineErrorClass(TMessageKey::strRSFTRemoteDirectoryParseFailed,
                            TMessageKey::strRSFTRemoteDirectoryParseFailedLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
