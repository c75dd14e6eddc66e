#pragma once

#include <cstdint>

#include <QString>

#include "engine/EFTPTransferException.h"

// A transfer's target exists already; the file-exists policy decides what happens.
// Sizes are 64-bit: files above 2 GiB are ordinary.
class EFTPFileAlreadyExistsException : public EFTPTransferException
{
public:
    EFTPFileAlreadyExistsException(QString shortText, QString remoteDate, QString localDate,
                                   std::int64_t remoteSize, std::int64_t localSize, QString longText);
    EFTPFileAlreadyExistsException(TMessageKey shortKey, TMessageKey longKey, QString remoteDate,
                                   QString localDate, std::int64_t remoteSize, std::int64_t localSize);

    const char* ClassName() const noexcept override { return "EFTPFileAlreadyExistsException"; }
    std::unique_ptr<EEngineError> clone() const override;
    [[noreturn]] void raise() const override;

    using EFTPTransferException::Assign;
    // Takes both descriptions, both dates and both sizes of `other`.
    void Assign(const EFTPFileAlreadyExistsException& other);

    std::int64_t LocalSize = 0;
    std::int64_t RemoteSize = 0;
    QString LocalDate;
    QString RemoteDate;
};

// Adds the file-exists constructors to each of the four kinds.
template <class Self>
class TFileExistsErrorClass : public TEngineErrorClass<Self, EFTPFileAlreadyExistsException>
{
public:
    using TEngineErrorClass<Self, EFTPFileAlreadyExistsException>::TEngineErrorClass;

    TFileExistsErrorClass(QString remoteDate, QString localDate, std::int64_t remoteSize,
                          std::int64_t localSize)
        : TEngineErrorClass<Self, EFTPFileAlreadyExistsException>(Self::kShortKey, Self::kLongKey,
                                                                  std::move(remoteDate), std::move(localDate),
                                                                  remoteSize, localSize)
    {}
};
