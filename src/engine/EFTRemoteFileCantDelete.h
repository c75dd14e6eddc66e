#pragma once

#include "engine/EFTPTransferException.h"

// The server refused DELE, or a recursive delete failed.
class EFTRemoteFileCantDelete final : public TEngineErrorClass<EFTRemoteFileCantDelete, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteFileCantDelete";

    EFTRemoteFileCantDelete()
        : TEngineErrorClass(TMessageKey::strRSFTPRemoteFileCantDelete,
                            TMessageKey::strRSFTPRemoteFileCantDeleteLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
