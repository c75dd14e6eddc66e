#pragma once

#include "engine/EFTPFileAlreadyExistsException.h"

// An upload's remote target exists and is smaller: it can be resumed.
class EFTRemoteFileSmallerAlreadyExists final
    : public TFileExistsErrorClass<EFTRemoteFileSmallerAlreadyExists>
{
public:
    static constexpr const char* kClassName = "EFTRemoteFileSmallerAlreadyExists";
    static constexpr TMessageKey kShortKey = TMessageKey::strRSFTPRemoteFileAlreadySmallerExists;
    static constexpr TMessageKey kLongKey = TMessageKey::strRSFTPRemoteFileAlreadySmallerExistsLong;

    using TFileExistsErrorClass::TFileExistsErrorClass;
};
