#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include "queue/TQueueManager.h"
#include "ui/main/TQueueRowIndex.h"

class TFormLanguage;
class TQueueItem;

// The rows of the queue view: one per queue item, in queue order, kept as the
// queue manager reports its items (added, status, deleted) and sampled for
// progress on the manager's progress tick.
//
// A row exists from OnItemAdded until OnItemDeleted: the deletion removes the
// row at once (before itemRemoved() is emitted) and the model never touches
// the item again. Every step costs O(log n) in the number of rows, so a queue
// of 100,000 items loads, clears and ticks without stalls.
//
// Main thread only (the manager raises its events there).
class TQueueListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum TColumn
    {
        colFilename,
        colProgress,
        colStatus,
        colRemotePath,
        colLocalPath,
        colSize,
        colCount,
    };
    enum TRole
    {
        // The percent the progress bar shows, or -1 when the row has no bar
        // (the item is not transferring or nothing is done yet).
        ProgressBarRole = Qt::UserRole + 1,
        // TDirectionImage: the state image in front of the file name.
        DirectionRole,
        // The item's TTransferState as an int.
        StateRole,
    };
    enum class TDirectionImage
    {
        None, // directory items
        Download,
        Upload,
    };

    TQueueListModel(TQueueManager& manager, const TFormLanguage& language, QObject* parent = nullptr);
    ~TQueueListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int itemCount() const { return m_index.rows(); }
    TQueueItem* itemAt(int row) const;
    // -1 when the item has no row.
    int rowOf(const TQueueItem* item) const;
    bool contains(const TQueueItem* item) const { return m_slotOf.contains(item); }

    // The column titles of the current language.
    void retranslate();

    // The progress timer: the bytes done and percent of the running items
    // (TQueueManager::progressTick). Rows not named keep what they show.
    void applyProgress(const QList<TQueueItemProgress>& running);

    // The texts of a row, as shown.
    static QString fileNameOf(const TQueueItem& item);
    static QString remoteDirectoryOf(const TQueueItem& item);
    static QString localDirectoryOf(const TQueueItem& item);
    static bool isBoldState(TTransferState state);

signals:
    // The item's row is gone; the item is still valid while this runs (it is
    // raised from inside TQueueManager::OnItemDeleted).
    void itemRemoved(TQueueItem* item);

private:
    struct TRow
    {
        TQueueItem* item = nullptr; // nullptr: a dead slot
        qint64 bytesDone = -1;      // -1: not sampled yet (the size column shows the size alone)
        qint64 fileSize = -1;
        int progress = 0;
    };

    void itemAdded(TQueueItem* item);
    void itemStatus(TQueueItem* item, TTransferState state, const QString& text);
    void itemDeleted(TQueueItem* item);
    void managerDestroyed();
    void compactIfSparse();
    const TRow* rowAt(int row) const;
    QString sizeText(const TRow& row) const;

    const TFormLanguage& m_language;
    std::vector<TRow> m_slots;
    TQueueRowIndex m_index;
    QHash<const TQueueItem*, int> m_slotOf;
    int m_deadSlots = 0;
};
