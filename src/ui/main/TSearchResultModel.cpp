#include "ui/main/TSearchResultModel.h"

#include <algorithm>
#include <iterator>

#include <QDate>
#include <QIcon>
#include <QLocale>
#include <QTime>

#include "core/FileTimes.h"
#include "core/SizeFormat.h"
#include "ui/main/TFileTypes.h"
#include "ui/main/TRemoteListModel.h"

namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

qint64 entryDateKey(const ftp::EntryTime& t)
{
    if (!t.hasDate())
        return 0;
    qint64 key = t.year;
    key = key * 13 + t.month;
    key = key * 32 + t.day;
    key = key * 25 + (t.hour + 1);
    key = key * 61 + (t.minute + 1);
    key = key * 62 + (t.second + 1);
    return key;
}

bool isTextColumn(int column)
{
    return column != TSearchResultModel::kSize && column != TSearchResultModel::kDate;
}

} // namespace

TSearchResult TSearchResult::fromEntry(const ftp::ListingEntry& entry, const QString& path,
                                       TFileTypes& fileTypes)
{
    TSearchResult result;
    result.name = fromUtf8(entry.name);
    result.path = path;
    result.directory = entry.isDirectory();
    if (!result.directory)
        result.size = entry.size;
    result.typeName = result.directory ? fileTypes.folderTypeName() : fileTypes.typeNameFor(result.name);
    result.dateKey = entryDateKey(entry.modified);
    result.dateText = EntryDateText(entry.modified, result.directory);
    if (entry.unixStyle) {
        result.permissions =
            fromUtf8(entry.ownerPermissions() + entry.groupPermissions() + entry.otherPermissions());
        result.user = fromUtf8(entry.owner);
        result.group = fromUtf8(entry.group);
    }
    return result;
}

TSearchResultModel::TSearchResultModel(TFileTypes& fileTypes, QObject* parent)
    : QAbstractTableModel(parent)
    , m_fileTypes(fileTypes)
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

TSearchResultModel::~TSearchResultModel() = default;

QString TSearchResultModel::columnText(const TSearchResult& result, int column)
{
    switch (column) {
    case kName:
        return result.name;
    case kPath:
        return result.path;
    case kSize:
        return result.size ? FormatSizeKB(*result.size) : QString();
    case kType:
        return result.typeName;
    case kDate:
        return result.dateText;
    case kPermissions:
        return result.permissions;
    case kUser:
        return result.user;
    case kGroup:
        return result.group;
    default:
        return {};
    }
}

void TSearchResultModel::makeKeys()
{
    if (!isTextColumn(m_sortColumn))
        return;
    TTextKeys& keys = m_textKeys[static_cast<std::size_t>(m_sortColumn)];
    const std::size_t from = keys.size();
    keys.resize(m_items.size());
    for (std::size_t i = from; i < m_items.size(); ++i)
        // Folded first: under the C locale the collator compares code points and
        // ignores its case setting.
        keys[i] = m_collator.sortKey(columnText(m_items[i], m_sortColumn).toCaseFolded());
}

bool TSearchResultModel::before(int a, int b) const
{
    const TSearchResult& x = m_items[static_cast<std::size_t>(a)];
    const TSearchResult& y = m_items[static_cast<std::size_t>(b)];
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    if (x.directory != y.directory)
        return descending ? y.directory : x.directory;
    int order = 0;
    switch (m_sortColumn) {
    case kSize: {
        const qint64 sx = x.size.value_or(-1);
        const qint64 sy = y.size.value_or(-1);
        order = sx < sy ? -1 : (sx > sy ? 1 : 0);
        break;
    }
    case kDate:
        order = x.dateKey < y.dateKey ? -1 : (x.dateKey > y.dateKey ? 1 : 0);
        break;
    default: {
        const TTextKeys& keys = m_textKeys[static_cast<std::size_t>(m_sortColumn)];
        order = keys[static_cast<std::size_t>(a)]->compare(*keys[static_cast<std::size_t>(b)]);
        break;
    }
    }
    if (order != 0)
        return descending ? order > 0 : order < 0;
    return a < b;
}

void TSearchResultModel::relayout(std::vector<int> order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> items;
    items.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        items.push_back(index.isValid() ? m_order[static_cast<std::size_t>(index.row())] : -1);
    m_order = std::move(order);
    if (!before.isEmpty()) {
        std::vector<int> rowOf(m_items.size());
        for (std::size_t row = 0; row < m_order.size(); ++row)
            rowOf[static_cast<std::size_t>(m_order[row])] = static_cast<int>(row);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const int item = items[static_cast<std::size_t>(i)];
            after.append(item < 0 ? QModelIndex()
                                  : index(rowOf[static_cast<std::size_t>(item)], before[i].column()));
        }
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TSearchResultModel::append(std::vector<TSearchResult> results)
{
    if (results.empty())
        return;
    const int first = static_cast<int>(m_items.size());
    const int count = static_cast<int>(results.size());
    m_items.insert(m_items.end(), std::make_move_iterator(results.begin()),
                   std::make_move_iterator(results.end()));
    makeKeys();
    std::vector<int> batch(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        batch[static_cast<std::size_t>(i)] = first + i;
    const auto less = [this](int a, int b) { return before(a, b); };
    std::sort(batch.begin(), batch.end(), less);

    const int rows = static_cast<int>(m_order.size());
    beginInsertRows({}, rows, rows + count - 1);
    const bool inPlace = m_order.empty() || before(m_order.back(), batch.front());
    m_order.insert(m_order.end(), batch.begin(), batch.end());
    endInsertRows();
    if (inPlace)
        return;
    std::vector<int> merged;
    merged.reserve(m_order.size());
    std::merge(m_order.begin(), m_order.begin() + rows, batch.begin(), batch.end(),
               std::back_inserter(merged), less);
    relayout(std::move(merged));
}

void TSearchResultModel::clear()
{
    beginResetModel();
    m_items.clear();
    m_order.clear();
    for (TTextKeys& keys : m_textKeys)
        keys.clear();
    endResetModel();
}

void TSearchResultModel::setColumnTitles(const QStringList& titles)
{
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

const TSearchResult& TSearchResultModel::resultAt(int row) const
{
    return m_items[static_cast<std::size_t>(m_order[static_cast<std::size_t>(row)])];
}

QString TSearchResultModel::textAt(int row, int column) const
{
    return columnText(resultAt(row), column);
}

QStringList TSearchResultModel::columnTexts(int column) const
{
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(m_order.size()));
    for (int row = 0; row < rowCount(); ++row)
        texts.append(textAt(row, column));
    return texts;
}

int TSearchResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int TSearchResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TSearchResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TSearchResult& result = resultAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (role == Qt::ToolTipRole && index.column() != kName && index.column() != kPath)
            return {};
        return columnText(result, index.column());
    case Qt::DecorationRole:
        if (index.column() != kName)
            return {};
        return result.directory ? m_fileTypes.folderIcon() : m_fileTypes.iconFor(result.name);
    case Qt::TextAlignmentRole:
        if (index.column() == kSize)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TSearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return section < m_titles.size() ? m_titles[section] : QString();
    if (role == Qt::TextAlignmentRole && section == kSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    // A click on another column sorts by it ascending.
    if (role == Qt::InitialSortOrderRole)
        return Qt::AscendingOrder;
    return {};
}

Qt::ItemFlags TSearchResultModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TSearchResultModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    makeKeys();
    std::vector<int> sorted = m_order;
    std::sort(sorted.begin(), sorted.end(), [this](int a, int b) { return before(a, b); });
    relayout(std::move(sorted));
}
