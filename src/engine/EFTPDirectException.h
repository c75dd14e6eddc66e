#pragma once

#include "engine/EEngineError.h"

// Base of the errors raised straight to a caller: a message only.
class EFTPDirectException : public TEngineErrorClass<EFTPDirectException, EEngineError>
{
public:
    static constexpr const char* kClassName = "EFTPDirectException";

    using TEngineErrorClass::TEngineErrorClass;
};
