#pragma once

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include "engine/TListing.h"

class TFileTypes;

// A listing date as the remote list shows it: the date in the default locale's
// short form, and with `withTime` the time too when the listing gives one.
QString EntryDateText(const ftp::EntryTime& t, bool withTime);

// The rows of the remote list: a ".." row of the model's own, then the files and
// directories of one listing (the listing's own "." and "..", links that were not
// resolved and other kinds are not shown). Row order follows the remote pane's
// sort rule:
//  - ".." is first whatever the direction;
//  - ascending, directories come before files; descending, after them;
//  - within those, by the sort column: the name case-insensitively in the default
//    locale's collation, the size as a 64-bit number, the modification date-time,
//    any other column's text case-insensitively in the same collation; ties keep
//    the listing order. Descending reverses all but the ties.
//
// Sorting permutes an index vector by 64-bit keys computed once per listing and
// column (collation ranks for texts, TCollationRanks), so a listing of 200,000
// entries fills and re-sorts in a fraction of a second.
//
// The listing is shared and immutable and kept for as long as it is shown. A
// rename in place changes the row's name (nameAt()), never the entry.
// User-interface thread only.
class TRemoteListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum TColumn
    {
        kName,
        kSize,
        kType,
        kDate,
        kPermissions,
        kUser,
        kGroup,
        kColumnCount
    };

    // Asked when a caption edit ends with a new, non-empty name; true when the
    // rename was carried out (the row then takes the new name).
    using TRenameHandler = std::function<bool(int row, const QString& oldName, const QString& newName)>;

    explicit TRemoteListModel(TFileTypes& fileTypes, QObject* parent = nullptr);
    ~TRemoteListModel() override;

    // Shows `listing` sorted by the current column and direction; a null listing
    // leaves the model empty (no ".." row either).
    void setListing(TListingPtr listing);
    void clear();
    const TListingPtr& listing() const { return m_listing; }

    void setColumnTitles(const QStringList& titles);
    void setRenameHandler(TRenameHandler handler) { m_renameHandler = std::move(handler); }

    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // By view row.
    bool isParentRow(int row) const;
    bool isDirectoryAt(int row) const; // ".." included
    QString nameAt(int row) const;
    const ftp::ListingEntry* entryAt(int row) const;
    // Files only; unknown when the listing gives no size.
    std::optional<qint64> fileSizeAt(int row) const;
    // The first row with that name, or -1.
    int rowOfName(const QString& name, Qt::CaseSensitivity sensitivity = Qt::CaseSensitive) const;
    // Every row's name in view order.
    QStringList namesInViewOrder() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    using TKeys = std::vector<qint64>;

    int itemAt(int row) const { return m_order[static_cast<std::size_t>(row)]; }
    bool itemIsDirectory(int item) const { return m_isDirectory[static_cast<std::size_t>(item)] != 0; }
    QString typeNameOf(int item) const;
    QString columnText(int item, int column) const;
    const TKeys& keysFor(int column);
    void sortItems();

    TFileTypes& m_fileTypes;
    TListingPtr m_listing;
    ftp::ListingEntry m_parentEntry;
    // Item i: entry, name and kind; item 0 is the ".." row.
    std::vector<const ftp::ListingEntry*> m_entries;
    std::vector<QString> m_names;
    std::vector<char> m_isDirectory;
    std::vector<int> m_order; // view row -> item
    std::array<TKeys, kColumnCount> m_keys;

    QStringList m_titles;
    int m_sortColumn = kName;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    TRenameHandler m_renameHandler;
};
