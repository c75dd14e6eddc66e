#pragma once

#include "engine/EFTPTransferException.h"

// A recursive delete met a symbolic link (or a directory that is not where its name says) and stopped.
class EFTRemoteSymbolicLinkInRecursiveDelete final
    : public TEngineErrorClass<EFTRemoteSymbolicLinkInRecursiveDelete, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteSymbolicLinkInRecursiveDelete";

    EFTRemoteSymbolicLinkInRecursiveDelete()
        : TEngineErrorClass(TMessageKey::strRSFTPRemoteSymbolicLinkInRecursiveDelete,
                            TMessageKey::strRSFTPRemoteSymbolicLinkInRecursiveDeleteLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
