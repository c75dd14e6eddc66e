#pragma once

#include <array>
#include <optional>
#include <vector>

#include <QAbstractTableModel>
#include <QCollator>
#include <QString>
#include <QStringList>

#include "ftp/ListingEntry.h"

class TFileTypes;

// One match of the advanced search: the entry's own values, kept apart from the
// worker's listing (which the next directory replaces).
struct TSearchResult
{
    QString name;
    QString path; // the directory the entry was listed in
    bool directory = false;
    std::optional<qint64> size; // files only; unknown when the listing gave none
    QString typeName;
    qint64 dateKey = 0; // orders like the date-time; 0 without a date
    QString dateText;
    QString permissions;
    QString user;
    QString group;

    // `path`: the directory listed. Type names from `fileTypes`.
    static TSearchResult fromEntry(const ftp::ListingEntry& entry, const QString& path,
                                   TFileTypes& fileTypes);
};

// The rows of the advanced search's result list, in the sort order of the list:
//  - ascending, directories before files; descending, files before directories;
//  - within those, by the sort column: the name and every text column
//    case-insensitively in the default locale's collation, the size as a 64-bit
//    number, the date by its date-time; equal keys keep the order of arrival.
//    Descending reverses all but the ties.
//
// Results arrive in batches (append()): a batch is sorted on its own and merged
// into the rows already shown, so the cost of a batch is its own sort plus one
// pass over the rows; selections follow their rows. Collation keys are made once
// per row and column, for the columns sorted by.
// User-interface thread only.
class TSearchResultModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum TColumn
    {
        kName,
        kPath,
        kSize,
        kType,
        kDate,
        kPermissions,
        kUser,
        kGroup,
        kColumnCount
    };

    explicit TSearchResultModel(TFileTypes& fileTypes, QObject* parent = nullptr);
    ~TSearchResultModel() override;

    void append(std::vector<TSearchResult> results);
    void clear();

    void setColumnTitles(const QStringList& titles);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // By view row.
    const TSearchResult& resultAt(int row) const;
    QString textAt(int row, int column) const;
    // One column's texts in view order (tests, summaries).
    QStringList columnTexts(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    using TTextKeys = std::vector<std::optional<QCollatorSortKey>>;

    static QString columnText(const TSearchResult& result, int column);
    // Keys of the sort column for every item that has none yet.
    void makeKeys();
    // Whether item a comes before item b.
    bool before(int a, int b) const;
    // The rows become `order` (a permutation of the items); persistent indexes follow.
    void relayout(std::vector<int> order);

    TFileTypes& m_fileTypes;
    QCollator m_collator;
    std::vector<TSearchResult> m_items; // in order of arrival
    std::vector<int> m_order;           // view row -> item
    std::array<TTextKeys, kColumnCount> m_textKeys;
    QStringList m_titles;
    int m_sortColumn = kName;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
