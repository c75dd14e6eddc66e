#include "ui/main/TRemoteListModel.h"

#include <algorithm>
#include <numeric>

#include <QDate>
#include <QIcon>
#include <QLocale>
#include <QTime>

#include "core/FileTimes.h"
#include "core/SizeFormat.h"
#include "ui/main/TCollationRanks.h"
#include "ui/main/TFileTypes.h"

namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

// Orders like the date-time it stands for; 0 for an entry without a date.
qint64 dateKey(const ftp::EntryTime& t)
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

bool isShown(const ftp::ListingEntry& entry)
{
    if (entry.name.empty() || entry.name == "." || entry.name == "..")
        return false;
    return entry.type == ftp::EntryType::File || entry.type == ftp::EntryType::Directory;
}

} // namespace

QString EntryDateText(const ftp::EntryTime& t, bool withTime)
{
    if (!t.hasDate())
        return {};
    const QDate date(t.year, t.month, t.day);
    if (!date.isValid())
        return {};
    const QLocale locale;
    QString text = locale.toString(date, QLocale::ShortFormat);
    if (withTime && t.hasTime()) {
        const QTime time(t.hour, std::max(t.minute, 0), std::max(t.second, 0));
        const QLocale::FormatType form = t.second >= 0 ? QLocale::LongFormat : QLocale::ShortFormat;
        text += u' ' + locale.toString(time, FormatWithoutTimeZone(locale.timeFormat(form)));
    }
    return text;
}

TRemoteListModel::TRemoteListModel(TFileTypes& fileTypes, QObject* parent)
    : QAbstractTableModel(parent)
    , m_fileTypes(fileTypes)
{
    m_parentEntry.name = "..";
    m_parentEntry.type = ftp::EntryType::Directory;
}

TRemoteListModel::~TRemoteListModel() = default;

void TRemoteListModel::setListing(TListingPtr listing)
{
    beginResetModel();
    m_listing = std::move(listing);
    m_entries.clear();
    m_names.clear();
    m_isDirectory.clear();
    m_order.clear();
    for (TKeys& keys : m_keys)
        keys = TKeys();
    if (m_listing) {
        const std::size_t capacity = m_listing->size() + 1;
        m_entries.reserve(capacity);
        m_names.reserve(capacity);
        m_isDirectory.reserve(capacity);
        m_entries.push_back(&m_parentEntry);
        m_names.push_back(QStringLiteral(".."));
        m_isDirectory.push_back(1);
        for (const ftp::ListingEntry& entry : *m_listing) {
            if (!isShown(entry))
                continue;
            m_entries.push_back(&entry);
            m_names.push_back(fromUtf8(entry.name));
            m_isDirectory.push_back(entry.isDirectory() ? 1 : 0);
        }
        sortItems();
    }
    endResetModel();
}

void TRemoteListModel::clear()
{
    setListing(nullptr);
}

void TRemoteListModel::setColumnTitles(const QStringList& titles)
{
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

bool TRemoteListModel::isParentRow(int row) const
{
    return row >= 0 && row < rowCount() && itemAt(row) == 0;
}

bool TRemoteListModel::isDirectoryAt(int row) const
{
    return row >= 0 && row < rowCount() && itemIsDirectory(itemAt(row));
}

QString TRemoteListModel::nameAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return m_names[static_cast<std::size_t>(itemAt(row))];
}

const ftp::ListingEntry* TRemoteListModel::entryAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    return m_entries[static_cast<std::size_t>(itemAt(row))];
}

std::optional<qint64> TRemoteListModel::fileSizeAt(int row) const
{
    const ftp::ListingEntry* entry = entryAt(row);
    if (!entry || isDirectoryAt(row) || !entry->size)
        return std::nullopt;
    return *entry->size;
}

int TRemoteListModel::rowOfName(const QString& name, Qt::CaseSensitivity sensitivity) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (nameAt(row).compare(name, sensitivity) == 0)
            return row;
    }
    return -1;
}

QStringList TRemoteListModel::namesInViewOrder() const
{
    QStringList names;
    names.reserve(rowCount());
    for (int item : m_order)
        names.append(m_names[static_cast<std::size_t>(item)]);
    return names;
}

int TRemoteListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int TRemoteListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QString TRemoteListModel::typeNameOf(int item) const
{
    if (itemIsDirectory(item))
        return m_fileTypes.folderTypeName();
    return m_fileTypes.typeNameFor(m_names[static_cast<std::size_t>(item)]);
}

QString TRemoteListModel::columnText(int item, int column) const
{
    const ftp::ListingEntry& entry = *m_entries[static_cast<std::size_t>(item)];
    const bool directory = itemIsDirectory(item);
    const bool details = item != 0 && entry.unixStyle;
    switch (column) {
    case kName:
        return m_names[static_cast<std::size_t>(item)];
    case kSize:
        return !directory && entry.size ? FormatSizeKB(*entry.size) : QString();
    case kType:
        return typeNameOf(item);
    case kDate:
        return item == 0 ? QString() : EntryDateText(entry.modified, directory);
    case kPermissions:
        return details
                   ? fromUtf8(entry.ownerPermissions() + entry.groupPermissions() + entry.otherPermissions())
                   : QString();
    case kUser:
        return details ? fromUtf8(entry.owner) : QString();
    case kGroup:
        return details ? fromUtf8(entry.group) : QString();
    default:
        return {};
    }
}

QVariant TRemoteListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount)
        return {};
    const int item = itemAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return columnText(item, index.column());
    case Qt::EditRole:
        return index.column() == kName ? QVariant(m_names[static_cast<std::size_t>(item)]) : QVariant();
    case Qt::DecorationRole:
        if (index.column() != kName)
            return {};
        return itemIsDirectory(item) ? m_fileTypes.folderIcon()
                                     : m_fileTypes.iconFor(m_names[static_cast<std::size_t>(item)]);
    case Qt::TextAlignmentRole:
        if (index.column() == kSize)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    default:
        return {};
    }
}

bool TRemoteListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != kName || isParentRow(index.row()))
        return false;
    const int row = index.row();
    const QString oldName = nameAt(row);
    const QString newName = value.toString();
    if (newName.isEmpty() || newName == oldName || !m_renameHandler)
        return false;
    const TListingPtr shown = m_listing;
    if (!m_renameHandler(row, oldName, newName))
        return false;
    // The handler talks to the server; if a new listing arrived meanwhile, the
    // row is no longer the one that was renamed.
    if (m_listing != shown || row >= rowCount() || nameAt(row) != oldName)
        return false;
    m_names[static_cast<std::size_t>(itemAt(row))] = newName;
    m_keys[kName].clear();
    m_keys[kType].clear();
    emit dataChanged(this->index(row, kName), this->index(row, kType));
    return true;
}

QVariant TRemoteListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return section < m_titles.size() ? m_titles.at(section) : QString();
    case Qt::TextAlignmentRole:
        if (section == kSize)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::InitialSortOrderRole:
        // A click on another column sorts by it in the current direction.
        return static_cast<int>(m_sortOrder);
    default:
        return {};
    }
}

Qt::ItemFlags TRemoteListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Dragged by the window's drag and drop (the names of the selected rows).
    Qt::ItemFlags flags =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren | Qt::ItemIsDragEnabled;
    if (index.column() == kName && !isParentRow(index.row()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

const TRemoteListModel::TKeys& TRemoteListModel::keysFor(int column)
{
    TKeys& keys = m_keys[static_cast<std::size_t>(column)];
    if (keys.size() == m_entries.size())
        return keys;
    const std::size_t count = m_entries.size();
    switch (column) {
    case kName:
        keys = TCollationRanks::compute(m_names, true);
        break;
    case kSize:
        keys.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            keys[i] = m_entries[i]->size.value_or(-1);
        break;
    case kDate:
        keys.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            keys[i] = i == 0 ? 0 : dateKey(m_entries[i]->modified);
        break;
    default: {
        std::vector<QString> texts;
        texts.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            texts.push_back(columnText(static_cast<int>(i), column));
        keys = TCollationRanks::compute(texts, false);
        break;
    }
    }
    return keys;
}

void TRemoteListModel::sortItems()
{
    const std::size_t count = m_entries.size();
    m_order.resize(count);
    if (count == 0)
        return;
    const TKeys& keys = keysFor(m_sortColumn);
    // Sorted as contiguous records rather than through the index: a comparison
    // then touches one cache line instead of three arrays at random places.
    struct TRecord
    {
        qint64 key;
        int item;
        bool directory;
    };
    std::vector<TRecord> records;
    records.reserve(count - 1);
    for (std::size_t item = 1; item < count; ++item)
        records.push_back({keys[item], static_cast<int>(item), m_isDirectory[item] != 0});
    const auto byKey = [](const TRecord& a, const TRecord& b) {
        if (a.directory != b.directory)
            return a.directory;
        if (a.key != b.key)
            return a.key < b.key;
        return a.item < b.item;
    };
    // Descending: files before directories and larger keys first; ties still in
    // listing order.
    const auto byKeyDescending = [](const TRecord& a, const TRecord& b) {
        if (a.directory != b.directory)
            return b.directory;
        if (a.key != b.key)
            return a.key > b.key;
        return a.item < b.item;
    };
    if (m_sortOrder == Qt::AscendingOrder)
        std::sort(records.begin(), records.end(), byKey);
    else
        std::sort(records.begin(), records.end(), byKeyDescending);
    // Item 0, "..", stays first.
    m_order[0] = 0;
    for (std::size_t row = 1; row < count; ++row)
        m_order[row] = records[row - 1].item;
}

void TRemoteListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= kColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    if (m_entries.empty())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> itemsBefore;
    itemsBefore.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        itemsBefore.push_back(itemAt(index.row()));
    sortItems();
    if (!before.isEmpty()) {
        std::vector<int> rowOfItem(m_order.size());
        for (std::size_t row = 0; row < m_order.size(); ++row)
            rowOfItem[static_cast<std::size_t>(m_order[row])] = static_cast<int>(row);
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype k = 0; k < before.size(); ++k)
            after.append(index(rowOfItem[static_cast<std::size_t>(itemsBefore[static_cast<std::size_t>(k)])],
                               before[k].column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
