#pragma once

#include "engine/EFTPFileAlreadyExistsException.h"

// An upload's remote target exists with the same size.
class EFTRemoteFileAlreadyExists final : public TFileExistsErrorClass<EFTRemoteFileAlreadyExists>
{
public:
    static constexpr const char* kClassName = "EFTRemoteFileAlreadyExists";
    static constexpr TMessageKey kShortKey = TMessageKey::strRSFTPRemoteFileAlreadyExists;
    static constexpr TMessageKey kLongKey = TMessageKey::strRSFTPRemoteFileAlreadyExistsLong;

    using TFileExistsErrorClass::TFileExistsErrorClass;
};
