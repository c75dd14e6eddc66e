#pragma once

#include <map>

#include <QMutex>
#include <QString>

#include "engine/TListing.h"

// Remote directory path -> that directory's listing, with keys compared without
// regard to case. Adding a path that is present already is ignored, and an empty
// listing is not kept. Thread-safe: the worker fills it, the window invalidates.
class TDirectoryCache final
{
public:
    // Returns whether the listing was stored.
    bool add(const QString& path, TListingPtr listing);
    TListingPtr find(const QString& path) const;
    void invalidate(const QString& path);
    void clear();
    int count() const;

private:
    struct CaseInsensitiveLess
    {
        bool operator()(const QString& a, const QString& b) const
        {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }
    };

    mutable QMutex m_lock;
    std::map<QString, TListingPtr, CaseInsensitiveLess> m_entries;
};
