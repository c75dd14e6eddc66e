#pragma once

#include <stdexcept>

#include <QString>

// A data store could not read or change its file: the base of the stores' own
// errors, so a caller can catch them all in one place.
class EStoreError : public std::runtime_error
{
public:
    explicit EStoreError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}

    const QString& message() const { return m_message; }

private:
    QString m_message;
};
