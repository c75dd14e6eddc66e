#include "engine/RemoteNames.h"

#include <string>

bool isUsableRemoteName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0) || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

bool isUsableRemoteName(const std::string& name)
{
    return isUsableRemoteName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

bool isSendableArgument(const QString& text)
{
    for (QChar c : text) {
        if (c == QChar(0) || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

QString joinRemotePath(const QString& directory, const QString& name)
{
    if (directory.endsWith(QLatin1Char('/')))
        return directory + name;
    return directory + QLatin1Char('/') + name;
}

QString printableRemoteName(const std::string& name)
{
    return printableText(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

QString printableText(const QString& text)
{
    QString out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\r')
            out += QLatin1String("\\r");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == 0)
            out += QLatin1String("\\0");
        else if (u < 0x20 || (u >= 0x7f && u <= 0x9f))
            out += QStringLiteral("\\x%1").arg(static_cast<int>(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}
