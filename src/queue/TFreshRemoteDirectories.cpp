#include "queue/TFreshRemoteDirectories.h"

#include <QMutexLocker>

#include "core/PathHelpers.h"

namespace {

QString withoutTrailingSlash(const QString& path)
{
    return path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
}

} // namespace

QString TFreshRemoteDirectories::key(const QString& connection, const QString& path)
{
    return connection + QChar(0) + withoutTrailingSlash(path);
}

void TFreshRemoteDirectories::markCreated(const QString& connection, const QString& directory)
{
    QMutexLocker lock(&m_lock);
    m_created.insert(key(connection, directory));
}

bool TFreshRemoteDirectories::claimUnchecked(const QString& connection, const QString& file)
{
    const QString parent = ExtractRemoteParentPath(file);
    QMutexLocker lock(&m_lock);
    const bool first = !m_claimed.contains(key(connection, file));
    m_claimed.insert(key(connection, file));
    return first && !parent.isEmpty() && m_created.contains(key(connection, parent));
}

void TFreshRemoteDirectories::clear()
{
    QMutexLocker lock(&m_lock);
    m_created.clear();
    m_claimed.clear();
}
