#pragma once

#include <QString>

#include "core/TMessageTexts.h"
#include "engine/EEngineError.h"

// Base of every error that carries a short and a long localised text; the message
// is the short text. Texts are taken from the process-wide message texts when the
// error is made, both from the same language, so a later language switch leaves
// an existing error as it is.
class EFTPTransferException : public EEngineError
{
public:
    EFTPTransferException(QString shortText, QString longText);
    EFTPTransferException(TMessageKey shortKey, TMessageKey longKey);

    const char* ClassName() const noexcept override { return "EFTPTransferException"; }
    std::unique_ptr<EEngineError> clone() const override;
    [[noreturn]] void raise() const override;

    // Takes both descriptions of `other`; the message stays as it is.
    virtual void Assign(const EFTPTransferException& other);

    QString LongDescription;
    QString ShortDescription;

private:
    EFTPTransferException(const TMessagePair& texts);
};
