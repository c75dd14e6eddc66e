#pragma once

#include "core/EStoreError.h"

// Loading the host tree stopped at an element that could not be read; the
// message names the host and the reason.
class EXMLLoadException final : public EStoreError
{
public:
    using EStoreError::EStoreError;
};
