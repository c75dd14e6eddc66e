#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include <QString>
#include <QtGlobal>

#include "core/TFileAlreadyExistsAction.h"
#include "core/THost.h"
#include "engine/EEngineError.h"
#include "queue/DateTimeValue.h"
#include "queue/TTransferState.h"

class TFTPTransfer;

// One file or directory to move between the local file system and one host, in
// one direction. The queue manager owns every item; a transfer thread works on it
// while `Transfer` is set.
//
// Threads: main thread only. Transfer threads never touch an item: they work on a
// copy of what they need, and the manager copies their progress into Progress and
// BytesDone when it samples them (progressSnapshot()).
class TQueueItem final
{
public:
    using TStatusChangeEvent = std::function<void(TQueueItem*, TTransferState, const QString&)>;

    // The item holds its own copy of the host: later edits in the stores do not
    // reach items already queued.
    explicit TQueueItem(const THost& host);
    ~TQueueItem();
    TQueueItem(const TQueueItem&) = delete;
    TQueueItem& operator=(const TQueueItem&) = delete;

    THost Host;
    QString RemoteRoot;            // always ends in "/"
    QString RemoteFilename;        // derived from the local side for uploads
    QString LocalRoot;             // always ends in the local separator
    QString LocalFilename;         // derived from the remote side for downloads
    bool TransferDirection = true; // true: download
    bool Active = false;
    TStatusChangeEvent OnStatusChange;
    void* ProgressControl = nullptr; // the queue view's; never touched here
    std::unique_ptr<EEngineError> LastError;
    qint32 RetryCount = 0;
    qint32 RetryDelayLeft = 0;
    // What the transfer does when the target exists and is as large as the source
    // or larger (FileExistsAction), or smaller (SmallerFileExistsAction). Each of
    // the file-exists kinds has its own answer: one never decides the other.
    TFileAlreadyExistsAction FileExistsAction = TFileAlreadyExistsAction::faeAsk;
    TFileAlreadyExistsAction SmallerFileExistsAction = TFileAlreadyExistsAction::faeAsk;
    TTransferState State = TTransferState::tsAwaiting;
    QString StatusText;
    double FileModifiedDateTime = kUnknownDateTime;
    TFTPTransfer* Transfer = nullptr;
    std::atomic<int> Progress{0};
    std::atomic<qint64> BytesDone{0}; // of the running attempt, resume offset included
    bool IsDirectory = false;
    qint64 FileSize = -1; // -1: unknown
    bool OpenWhenDone = false;

    bool isDownload() const { return TransferDirection; }

    // The full paths. For the side that was not given, derived on first use and
    // then kept: the other side's path without its root, under this side's root.
    // A path that would leave the root (a ".." component, a name holding a
    // separator) is never derived: these throw EEngineError, non-retryable.
    QString GetRemoteFilename();
    QString GetLocalFilename();

    // Stores state and text and raises OnStatusChange, unless the item is being
    // deleted (OnItemDeleted is the last event an item raises). Stopping the
    // item's thread is the manager's (TQueueManager::StopItem).
    void SetStatus(TTransferState state, const QString& text);

    // Whether the item is being stopped or deleted (a wait for its thread is in progress).
    bool isBeingStopped() const { return m_stopWaiters > 0 || m_deleting; }
    bool isDeleted() const { return m_deleting; }

private:
    friend class TQueueManager;

    int m_stopWaiters = 0;
    bool m_deleting = false;
    bool m_completedWhileStopping = false;
};
