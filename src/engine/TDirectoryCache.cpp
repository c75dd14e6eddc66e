#include "engine/TDirectoryCache.h"

#include <utility>

bool TDirectoryCache::add(const QString& path, TListingPtr listing)
{
    if (!listing || listing->empty())
        return false;
    QMutexLocker guard(&m_lock);
    return m_entries.emplace(path, std::move(listing)).second;
}

TListingPtr TDirectoryCache::find(const QString& path) const
{
    QMutexLocker guard(&m_lock);
    auto it = m_entries.find(path);
    return it == m_entries.end() ? nullptr : it->second;
}

void TDirectoryCache::invalidate(const QString& path)
{
    QMutexLocker guard(&m_lock);
    m_entries.erase(path);
}

void TDirectoryCache::clear()
{
    QMutexLocker guard(&m_lock);
    m_entries.clear();
}

int TDirectoryCache::count() const
{
    QMutexLocker guard(&m_lock);
    return static_cast<int>(m_entries.size());
}
