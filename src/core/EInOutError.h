#pragma once

#include <stdexcept>

#include <QString>

// A file-system operation of ours failed (a folder that cannot be created, a file
// that cannot be written). The message names the path and the reason.
class EInOutError final : public std::runtime_error
{
public:
    explicit EInOutError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}

    const QString& message() const { return m_message; }

private:
    QString m_message;
};
