#pragma once

#include "core/EStoreError.h"

// A stored value is missing or does not convert to the type it must have (a
// boolean that is neither True nor False, a port that is not a number).
class EVariantError final : public EStoreError
{
public:
    using EStoreError::EStoreError;
};
