#include "ui/main/TQueueListModel.h"

#include <QDir>
#include <QFont>

#include "core/Format.h"
#include "core/SizeFormat.h"
#include "queue/QueuePaths.h"
#include "queue/TQueueItem.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/main/TFileTypes.h"

namespace {

// Compaction is worth its O(n) only once the dead slots outnumber the rows.
constexpr int kMinDeadSlotsToCompact = 1024;

// The full paths without deriving them into the item: a large queue must not
// grow because it was shown.
QString remotePathOf(const TQueueItem& item)
{
    if (!item.RemoteFilename.isEmpty())
        return item.RemoteFilename;
    return DeriveRemoteFilename(item.LocalRoot, item.LocalFilename, item.RemoteRoot).value_or(QString());
}

QString localPathOf(const TQueueItem& item)
{
    if (!item.LocalFilename.isEmpty())
        return item.LocalFilename;
    return DeriveLocalFilename(item.RemoteRoot, item.RemoteFilename, item.LocalRoot).value_or(QString());
}

qsizetype lastLocalSeparator(const QString& path)
{
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(QDir::separator()));
}

} // namespace

TQueueListModel::TQueueListModel(TQueueManager& manager, const TFormLanguage& language, QObject* parent)
    : QAbstractTableModel(parent)
    , m_language(language)
{
    const QList<TQueueItem*> existing = manager.Items();
    m_slots.reserve(std::size_t(existing.size()));
    for (TQueueItem* item : existing) {
        m_slotOf.insert(item, int(m_slots.size()));
        m_slots.push_back({item, -1, item->FileSize, 0});
    }
    m_index.reset(int(m_slots.size()));
    connect(&manager, &TQueueManager::OnItemAdded, this, &TQueueListModel::itemAdded);
    connect(&manager, &TQueueManager::OnItemStatus, this, &TQueueListModel::itemStatus);
    connect(&manager, &TQueueManager::OnItemDeleted, this, &TQueueListModel::itemDeleted);
    connect(&manager, &TQueueManager::progressTick, this, &TQueueListModel::applyProgress);
    connect(&manager, &QObject::destroyed, this, &TQueueListModel::managerDestroyed);
}

TQueueListModel::~TQueueListModel() = default;

int TQueueListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_index.rows();
}

int TQueueListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : colCount;
}

Qt::ItemFlags TQueueListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

const TQueueListModel::TRow* TQueueListModel::rowAt(int row) const
{
    const int slot = m_index.slotAt(row);
    return slot < 0 ? nullptr : &m_slots[std::size_t(slot)];
}

TQueueItem* TQueueListModel::itemAt(int row) const
{
    const TRow* entry = rowAt(row);
    return entry ? entry->item : nullptr;
}

int TQueueListModel::rowOf(const TQueueItem* item) const
{
    const auto found = m_slotOf.constFind(item);
    return found == m_slotOf.constEnd() ? -1 : m_index.rowOf(*found);
}

QString TQueueListModel::fileNameOf(const TQueueItem& item)
{
    if (item.isDownload()) {
        const QString path = remotePathOf(item);
        return path.mid(path.lastIndexOf(u'/') + 1);
    }
    const QString path = localPathOf(item);
    return path.mid(lastLocalSeparator(path) + 1);
}

QString TQueueListModel::remoteDirectoryOf(const TQueueItem& item)
{
    const QString path = remotePathOf(item);
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString TQueueListModel::localDirectoryOf(const TQueueItem& item)
{
    const QString path = localPathOf(item);
    return path.left(lastLocalSeparator(path) + 1);
}

bool TQueueListModel::isBoldState(TTransferState state)
{
    return state == TTransferState::tsStopped || state == TTransferState::tsPaused ||
           state == TTransferState::tsError;
}

QString TQueueListModel::sizeText(const TRow& row) const
{
    if (row.bytesDone < 0)
        return row.item->FileSize < 0 ? QString() : FormatSizeKB(row.item->FileSize);
    if (row.fileSize < 0)
        return FormatSizeUnits(row.bytesDone);
    return Format(QStringLiteral("%s / %s"), {FormatSizeUnits(row.bytesDone), FormatSizeUnits(row.fileSize)});
}

QVariant TQueueListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.parent().isValid())
        return {};
    const TRow* row = rowAt(index.row());
    if (!row || !row->item)
        return {};
    const TQueueItem& item = *row->item;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case colFilename:
            return fileNameOf(item);
        case colProgress:
            return QString::number(row->progress);
        case colStatus:
            return item.StatusText;
        case colRemotePath:
            return remoteDirectoryOf(item);
        case colLocalPath:
            return localDirectoryOf(item);
        case colSize:
            return sizeText(*row);
        default:
            return {};
        }
    case Qt::ToolTipRole:
        // A failure's text rarely fits the column.
        if (index.column() == colStatus && !item.StatusText.isEmpty())
            return item.StatusText;
        return {};
    case Qt::DecorationRole:
        if (index.column() != colFilename)
            return {};
        return item.IsDirectory ? TFileTypes::shared().folderIcon()
                                : TFileTypes::shared().iconFor(fileNameOf(item));
    case Qt::FontRole:
        if (index.column() == colStatus && isBoldState(item.State)) {
            // Only the weight is set: the view's own family and size stay.
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == colSize)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case ProgressBarRole:
        return item.State == TTransferState::tsTransferring && row->progress > 0 ? row->progress : -1;
    case DirectionRole:
        if (item.IsDirectory)
            return int(TDirectionImage::None);
        return int(item.isDownload() ? TDirectionImage::Download : TDirectionImage::Upload);
    case StateRole:
        return int(item.State);
    default:
        return {};
    }
}

QVariant TQueueListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= colCount)
        return {};
    if (role == Qt::DisplayRole)
        return m_language.collection(QStringLiteral("QueueListView.Columns[%1].Caption").arg(section));
    if (role == Qt::TextAlignmentRole && section == colSize)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

void TQueueListModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, colCount - 1);
}

void TQueueListModel::itemAdded(TQueueItem* item)
{
    if (!item || m_slotOf.contains(item))
        return;
    const int row = m_index.rows();
    beginInsertRows({}, row, row);
    const int slot = m_index.append();
    m_slots.push_back({item, -1, item->FileSize, 0});
    m_slotOf.insert(item, slot);
    endInsertRows();
}

void TQueueListModel::itemStatus(TQueueItem* item, TTransferState state, const QString&)
{
    const auto found = m_slotOf.constFind(item);
    if (found == m_slotOf.constEnd())
        return;
    TRow& entry = m_slots[std::size_t(*found)];
    // Only a transferring item has a bar; any other state takes it away at once.
    if (state != TTransferState::tsTransferring)
        entry.progress = 0;
    const int row = m_index.rowOf(*found);
    emit dataChanged(index(row, 0), index(row, colCount - 1));
}

void TQueueListModel::itemDeleted(TQueueItem* item)
{
    const auto found = m_slotOf.constFind(item);
    if (found == m_slotOf.constEnd())
        return;
    const int slot = *found;
    m_slotOf.erase(found);
    const int row = m_index.rowOf(slot);
    beginRemoveRows({}, row, row);
    m_slots[std::size_t(slot)].item = nullptr;
    m_index.erase(slot);
    ++m_deadSlots;
    endRemoveRows();
    compactIfSparse();
    emit itemRemoved(item);
}

void TQueueListModel::compactIfSparse()
{
    if (m_deadSlots < kMinDeadSlotsToCompact || m_deadSlots <= m_index.rows())
        return;
    // Rows keep their numbers: only the slots behind them move.
    std::vector<TRow> live;
    live.reserve(std::size_t(m_index.rows()));
    for (const TRow& entry : m_slots) {
        if (!entry.item)
            continue;
        m_slotOf[entry.item] = int(live.size());
        live.push_back(entry);
    }
    m_slots = std::move(live);
    m_index.reset(int(m_slots.size()));
    m_deadSlots = 0;
}

void TQueueListModel::applyProgress(const QList<TQueueItemProgress>& running)
{
    for (const TQueueItemProgress& sample : running) {
        const auto found = m_slotOf.constFind(sample.item);
        if (found == m_slotOf.constEnd())
            continue;
        TRow& entry = m_slots[std::size_t(*found)];
        if (entry.bytesDone == sample.bytesDone && entry.fileSize == sample.fileSize &&
            entry.progress == sample.percent)
            continue;
        entry.bytesDone = sample.bytesDone;
        entry.fileSize = sample.fileSize;
        entry.progress = sample.percent;
        const int row = m_index.rowOf(*found);
        emit dataChanged(index(row, colProgress), index(row, colSize), {Qt::DisplayRole, ProgressBarRole});
    }
}

void TQueueListModel::managerDestroyed()
{
    // The manager frees its items without deleting them one by one.
    beginResetModel();
    m_slots.clear();
    m_slotOf.clear();
    m_index.reset(0);
    m_deadSlots = 0;
    endResetModel();
}
