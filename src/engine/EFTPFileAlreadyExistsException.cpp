#include "engine/EFTPFileAlreadyExistsException.h"

#include <utility>

EFTPFileAlreadyExistsException::EFTPFileAlreadyExistsException(QString shortText, QString remoteDate,
                                                               QString localDate, std::int64_t remoteSize,
                                                               std::int64_t localSize, QString longText)
    : EFTPTransferException(std::move(shortText), std::move(longText))
    , LocalSize(localSize)
    , RemoteSize(remoteSize)
    , LocalDate(std::move(localDate))
    , RemoteDate(std::move(remoteDate))
{}

EFTPFileAlreadyExistsException::EFTPFileAlreadyExistsException(TMessageKey shortKey, TMessageKey longKey,
                                                               QString remoteDate, QString localDate,
                                                               std::int64_t remoteSize,
                                                               std::int64_t localSize)
    : EFTPTransferException(shortKey, longKey)
    , LocalSize(localSize)
    , RemoteSize(remoteSize)
    , LocalDate(std::move(localDate))
    , RemoteDate(std::move(remoteDate))
{}

std::unique_ptr<EEngineError> EFTPFileAlreadyExistsException::clone() const
{
    return std::make_unique<EFTPFileAlreadyExistsException>(*this);
}

void EFTPFileAlreadyExistsException::raise() const
{
    throw *this;
}

void EFTPFileAlreadyExistsException::Assign(const EFTPFileAlreadyExistsException& other)
{
    EFTPTransferException::Assign(other);
    LocalSize = other.LocalSize;
    RemoteSize = other.RemoteSize;
    LocalDate = other.LocalDate;
    RemoteDate = other.RemoteDate;
}
