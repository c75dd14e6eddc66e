#pragma once

#include "engine/EFTPFileAlreadyExistsException.h"

// A download's local target exists with the same size.
class EFTLocalFileAlreadyExists final : public TFileExistsErrorClass<EFTLocalFileAlreadyExists>
{
public:
    static constexpr const char* kClassName = "EFTLocalFileAlreadyExists";
    static constexpr TMessageKey kShortKey = TMessageKey::strRSFTPLocalFileAlreadyExists;
    static constexpr TMessageKey kLongKey = TMessageKey::strRSFTPLocalFileAlreadyExistsLong;

    using TFileExistsErrorClass::TFileExistsErrorClass;
};
