#pragma once

#include "engine/EFTPTransferException.h"

// The server refused RNFR or RNTO.
class EFTRemoteCantRename final : public TEngineErrorClass<EFTRemoteCantRename, EFTPTransferException>
{
public:
    static constexpr const char* kClassName = "EFTRemoteCantRename";

    EFTRemoteCantRename()
        : TEngineErrorClass(TMessageKey::strRSFTPRemoteCantRename, TMessageKey::strRSFTPRemoteCantRenameLong)
    {}
    using TEngineErrorClass::TEngineErrorClass;
};
