#include "core/PathHelpers.h"

#include <QDir>
#include <QUrl>

namespace {

const QChar kSlash = QLatin1Char('/');
const QChar kBackslash = QLatin1Char('\\');

QString includeTrailing(const QString& path, QChar separator)
{
    if (path.isEmpty())
        return QString(separator);
    return path.endsWith(separator) ? path : path + separator;
}

// RFC 3986 section 3.2.1: the user information may hold unreserved characters,
// sub-delimiters and percent-escapes; ":" separates the password and "@" ends it.
const QByteArray kUserInfoKeep = "!$&'()*+,;=";
const QByteArray kPathKeep = "!$&'()*+,;=:@/";

QString encode(const QString& text, const QByteArray& keep)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, keep));
}

} // namespace

QString IncludeTrailingSlash(const QString& path)
{
    return includeTrailing(path, kSlash);
}

QString IncludeTrailingBackslash(const QString& path)
{
    return includeTrailing(path, QDir::separator());
}

QString ExtractRemoteFileName(const QString& path)
{
    return path.mid(path.lastIndexOf(kSlash) + 1);
}

QString ExtractRemoteParentPath(const QString& path)
{
    const qsizetype last = path.lastIndexOf(kSlash);
    if (last < 0)
        return QString();
    return last == 0 ? QString(kSlash) : path.left(last + 1);
}

QString BackslashesToSlashes(const QString& text)
{
    QString result = text;
    return result.replace(kBackslash, kSlash);
}

QString SlashesToBackslashes(const QString& text)
{
    QString result = text;
    return result.replace(kSlash, kBackslash);
}

QString MakeFTPURL(const QString& user, const QString& password, const QString& host, int port,
                   const QString& path)
{
    const bool bareIPv6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['));
    const QString hostPart = bareIPv6 ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return QStringLiteral("ftp://%1:%2@%3:%4/%5")
        .arg(encode(user, kUserInfoKeep), encode(password, kUserInfoKeep), hostPart, QString::number(port),
             encode(path, kPathKeep));
}
