#pragma once

#include <stdexcept>

#include <QString>

// A file mask that cannot be read: "'%s' is an invalid mask at (%d)", filled
// with the mask and the 1-based position of the offending character.
class EMaskException final : public std::runtime_error
{
public:
    EMaskException(const QString& message, int position)
        : std::runtime_error(message.toStdString())
        , m_message(message)
        , m_position(position)
    {}

    const QString& message() const { return m_message; }
    int position() const { return m_position; }

private:
    QString m_message;
    int m_position;
};
