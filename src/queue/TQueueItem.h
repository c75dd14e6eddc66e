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
// Threads: every field is read and written on the main thread, or by a transfer
// thread inside a call that runs on the main thread. Progress and BytesDone are
// the exceptions: the working thread writes them freely and the window reads them
// for display.
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
    TFileAlreadyExistsAction FileExistsAction = TFileAlreadyExistsAction::faeAsk;
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

    // Stores state and text and raises OnStatusChange.
    void SetStatus(TTransferState state, const QString& text);
    // Asks the working thread to stop and waits for it to end, serving its
    // main-thread calls meanwhile; then shows "Transfer stopped". Main thread.
    // The item stays alive through the wait even when its thread reports it
    // complete meanwhile (the manager then completes it afterwards). Called from
    // inside one of the thread's own calls (a status handler), it cannot wait:
    // the thread is only asked to stop, and false says so.
    bool StopTransfer();

    // Whether the item is being stopped or deleted (a wait for its thread is in progress).
    bool isBeingStopped() const { return m_stopWaiters > 0 || m_deleting; }

private:
    friend class TQueueManager;

    int m_stopWaiters = 0;
    bool m_deleting = false;
    bool m_completedWhileStopping = false;
};
