#pragma once

#include "core/EStoreError.h"

// A stored text that must have a fixed form does not: a host ID that is not an
// ID, a password that cannot be deciphered.
class EConvertError final : public EStoreError
{
public:
    using EStoreError::EStoreError;
};
