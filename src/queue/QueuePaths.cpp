#include "queue/QueuePaths.h"

#include <QDir>
#include <QStringList>

#include "core/PathHelpers.h"

namespace {

// The part below `root`, split at `separator`, each component checked. Empty
// components (a doubled separator) are dropped; they lead nowhere.
std::optional<QStringList> relativeComponents(const QString& root, const QString& path, QChar separator,
                                              QString* error)
{
    if (!path.startsWith(root)) {
        if (error)
            *error = QStringLiteral("\"%1\" does not lie below \"%2\"").arg(path, root);
        return std::nullopt;
    }
    const QStringList parts = path.mid(root.size()).split(separator, Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        if (error)
            *error = QStringLiteral("\"%1\" names no entry below \"%2\"").arg(path, root);
        return std::nullopt;
    }
    for (const QString& part : parts) {
        if (!IsSafeEntryName(part)) {
            if (error)
                *error = QStringLiteral("\"%1\" holds the name \"%2\", which %3")
                             .arg(path, part, UnsafeEntryNameReason(part));
            return std::nullopt;
        }
    }
    return parts;
}

} // namespace

QString UnsafeEntryNameReason(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("is empty");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("names a directory itself or its parent");
    for (const QChar c : name) {
        switch (c.unicode()) {
        case '/':
        case '\\':
            return QStringLiteral("contains a path separator");
        case 0:
            return QStringLiteral("contains a NUL character");
        case '\r':
        case '\n':
            return QStringLiteral("contains a line break");
        default:
            break;
        }
    }
    return QString();
}

bool IsSafeEntryName(const QString& name)
{
    return UnsafeEntryNameReason(name).isEmpty();
}

std::optional<QString> DeriveLocalFilename(const QString& remoteRoot, const QString& remoteFilename,
                                           const QString& localRoot, QString* error)
{
    const auto parts = relativeComponents(remoteRoot, remoteFilename, QLatin1Char('/'), error);
    if (!parts)
        return std::nullopt;
    QString result = IncludeTrailingBackslash(localRoot) + parts->join(QDir::separator());
    // A directory item keeps its trailing separator.
    if (remoteFilename.endsWith(QLatin1Char('/')))
        result += QDir::separator();
    return result;
}

std::optional<QString> DeriveRemoteFilename(const QString& localRoot, const QString& localFilename,
                                            const QString& remoteRoot, QString* error)
{
    const QString root = QDir::fromNativeSeparators(localRoot);
    const QString path = QDir::fromNativeSeparators(localFilename);
    const auto parts = relativeComponents(root, path, QLatin1Char('/'), error);
    if (!parts)
        return std::nullopt;
    QString result = IncludeTrailingSlash(remoteRoot) + parts->join(QLatin1Char('/'));
    if (path.endsWith(QLatin1Char('/')))
        result += QLatin1Char('/');
    return result;
}
