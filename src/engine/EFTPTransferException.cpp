#include "engine/EFTPTransferException.h"

#include <utility>

EFTPTransferException::EFTPTransferException(QString shortText, QString longText)
    : EEngineError(shortText)
    , LongDescription(std::move(longText))
    , ShortDescription(std::move(shortText))
{}

EFTPTransferException::EFTPTransferException(TMessageKey shortKey, TMessageKey longKey)
    : EFTPTransferException(TMessageTexts::pair(shortKey, longKey))
{}

EFTPTransferException::EFTPTransferException(const TMessagePair& texts)
    : EFTPTransferException(texts.shortText, texts.longText)
{}

std::unique_ptr<EEngineError> EFTPTransferException::clone() const
{
    return std::make_unique<EFTPTransferException>(*this);
}

void EFTPTransferException::raise() const
{
    throw *this;
}

void EFTPTransferException::Assign(const EFTPTransferException& other)
{
    LongDescription = other.LongDescription;
    ShortDescription = other.ShortDescription;
}
