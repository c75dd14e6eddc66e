#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "core/TFilter.h"
#include "core/TXMLDocument.h"

// The user's filters, kept in Filters.xml: root "FilterList", one "Filter"
// element (attribute "Name") per filter in list order, and in it one "FileMask"
// element (attribute "Mask") per mask. There are no built-in filters.
//
// User-interface thread only.
class TFilters final
{
public:
    // Opens Filters.xml in the data folder (or `filePath`), creating it empty when
    // missing, and loads it. A file that cannot be read is copied aside (see
    // loadError()) and the list starts empty. Throws EInOutError only when there
    // is no data folder.
    explicit TFilters(const QString& filePath = QString());

    TFilters(const TFilters&) = delete;
    TFilters& operator=(const TFilters&) = delete;

    // The process-wide store: createGlobal() replaces any earlier one,
    // destroyGlobal() frees it.
    static TFilters& createGlobal(const QString& filePath = QString());
    static void destroyGlobal();

    // Reads the file again. Each filter's masks are joined with ";" and split
    // again (TFilter::SplitMasks), so a stored mask with a space in it comes back
    // as two. Root children other than "Filter" and filter children other than
    // "FileMask" are ignored; a missing "Name" or "Mask" reads as empty.
    void Reload();

    void Add(std::unique_ptr<TFilter> filter);
    void Clear();

    // Rewrites the document from the list and writes Filters.xml atomically.
    bool Save(QString* error = nullptr);

    int count() const { return static_cast<int>(m_filters.size()); }
    TFilter* at(int index) const;
    const std::vector<std::unique_ptr<TFilter>>& filters() const { return m_filters; }

    const QString& loadError() const { return m_loadError; }
    const QString& filePath() const { return m_document.filePath(); }

private:
    TXMLDocument m_document;
    std::vector<std::unique_ptr<TFilter>> m_filters;
    QString m_loadError;
};

// The process-wide filter store; null before TFilters::createGlobal() and after
// TFilters::destroyGlobal().
TFilters* Filters();
