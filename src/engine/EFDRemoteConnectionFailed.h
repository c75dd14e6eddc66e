#pragma once

#include "core/TMessageTexts.h"
#include "engine/EFTPDirectException.h"

// A host could not be handed to the browsing worker.
class EFDRemoteConnectionFailed final : public EFTPDirectException
{
public:
    static constexpr const char* kClassName = "EFDRemoteConnectionFailed";

    EFDRemoteConnectionFailed()
        : EFTPDirectException(TMessageTexts::text(TMessageKey::strRSFTRemoteConnectionFailed))
    {}
    using EFTPDirectException::EFTPDirectException;

    const char* ClassName() const noexcept override { return kClassName; }
    std::unique_ptr<EEngineError> clone() const override
    {
        return std::make_unique<EFDRemoteConnectionFailed>(*this);
    }
    [[noreturn]] void raise() const override { throw *this; }
};
