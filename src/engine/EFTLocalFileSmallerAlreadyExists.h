#pragma once

#include "engine/EFTPFileAlreadyExistsException.h"

// A download's local target exists and is smaller: it can be resumed.
class EFTLocalFileSmallerAlreadyExists final : public TFileExistsErrorClass<EFTLocalFileSmallerAlreadyExists>
{
public:
    static constexpr const char* kClassName = "EFTLocalFileSmallerAlreadyExists";
    static constexpr TMessageKey kShortKey = TMessageKey::strRSFTPLocalFileSmallerAlreadyExists;
    static constexpr TMessageKey kLongKey = TMessageKey::strRSFTPLocalFileSmallerAlreadyExistsLong;

    using TFileExistsErrorClass::TFileExistsErrorClass;
};
