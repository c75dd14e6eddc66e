#pragma once

#include <type_traits>

#include <QString>

#include "core/EnumNames.h"

// Text forms of values in the data files: booleans "True"/"False", integers in
// decimal, enumerations by value name, texts as they are. Reading is forgiving
// where the files may have been edited by hand (any case, surrounding spaces,
// a number for a boolean); a text that does not convert reads as the fallback.

inline QString toConfigText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

inline QString toConfigText(int value)
{
    return QString::number(value);
}

inline QString toConfigText(qint64 value)
{
    return QString::number(value);
}

inline QString toConfigText(const QString& value)
{
    return value;
}

template <typename E>
requires std::is_enum_v<E> QString toConfigText(E value)
{
    return EnumToName(value);
}

inline bool fromConfigText(const QString& text, bool fallback)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qint64 number = t.toLongLong(&ok);
    return ok ? number != 0 : fallback;
}

inline int fromConfigText(const QString& text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

inline qint64 fromConfigText(const QString& text, qint64 fallback)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    return ok ? value : fallback;
}

inline QString fromConfigText(const QString& text, const QString&)
{
    return text;
}

template <typename E>
requires std::is_enum_v<E> E fromConfigText(const QString& text, E fallback)
{
    return EnumFromName<E>(QStringView(text).trimmed(), fallback);
}
