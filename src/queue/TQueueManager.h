#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>
#include <QString>
#include <QTimer>

#include "core/TFileAlreadyExistsAction.h"
#include "core/THost.h"
#include "engine/TCertificatePrompt.h"
#include "engine/TLogKind.h"
#include "queue/TFileExistsPrompt.h"
#include "queue/TFreshRemoteDirectories.h"
#include "queue/TQueueFile.h"
#include "queue/TQueueItem.h"
#include "queue/TSyncQueueItem.h"
#include "queue/TTransferState.h"

namespace ftp {
class Client;
struct CertificateInfo;
} // namespace ftp

class TFTPTransfer;
struct TTransferJob;

// The outcome of loading a queue file: what was added, and what was left out and
// why. Every element that can be read is loaded; one that cannot is counted and
// the load goes on.
struct TQueueLoadResult
{
    bool ok = false; // the file was read and nothing was left out
    QString message; // the first element's failure ("Can't load QueueItem.\r\nReason: ...") or the file's
    int added = 0;
    int unknownHost = 0;      // elements of hosts in neither host store
    int unknownDirection = 0; // TransferDirection neither "Upload" nor "Download"
    int unreadable = 0;       // elements whose values could not be read (a vanished upload source ...)
    QStringList reasons;      // why each unreadable element failed, in file order (the first 100)
    QString keptAs;           // where the file was copied before it could be written over, when it was
    int leftOut() const { return unknownHost + unknownDirection + unreadable; }
    // "3 items of Queue.xml were left out: 1 of a host that is not stored, ..."; empty when none.
    QString leftOutText(const QString& file) const;
};

// Settings the command-line tool sets for one run without touching Config.xml;
// an empty field reads the setting (MaxFTPTransferCount, MaxRetryCount, RetryDelay).
struct TQueueLimits
{
    std::optional<int> maxTransferCount;
    std::optional<int> maxRetryCount;
    std::optional<int> retryDelay; // seconds
};

// What the window shows of a running item, sampled on a timer (batched, never
// pushed per block).
struct TQueueItemProgress
{
    TQueueItem* item = nullptr;
    qint64 bytesDone = 0;
    qint64 fileSize = -1;
    int percent = 0;
};

// The transfer queue: the items, the transfer threads working them, the retry
// bookkeeping and the file-exists prompt step.
//
// Contract:
// - Main thread only. Transfer threads reach the manager through blocking queued
//   calls (hand-over, status, expansion entries), which run on the main thread.
// - Items and threads are kept in two lists, each under its own re-entrant lock.
//   A wait for threads (StopItem, DeleteItem, StopQueue, ClearQueue) runs a local
//   event loop, so the threads' calls keep being served and may take the items
//   lock again on the main thread.
// - An item that has a Transfer is never handed to a second thread; an item is
//   freed exactly once, even when its thread reports it complete while a delete
//   waits for that thread.
// - Items are owned here; TQueueItem pointers handed out stay valid until
//   OnItemDeleted has been raised for them, and OnItemDeleted is the last event
//   raised for an item. A deleted item is freed once no call further up the
//   stack can still use it (after the outermost stop wait, prompt or event).
// - No stop, delete or clear keeps the main thread waiting much longer than
//   kStopWaitMs: stopping closes the threads' connections at once, and a thread
//   that has not ended by then is cut off from its item and left to end by itself.
//   StopQueueCleanly gives the threads kCleanStopMs to end in order first.
class TQueueManager final : public QObject
{
    Q_OBJECT

public:
    // Looks a host up by its ID text. The default asks the host tree store, then
    // the quick-connect list.
    using THostLookup = std::function<std::optional<THost>(const QString& hostId)>;
    // Decides on a server certificate that did not verify; main thread. The
    // default accepts what TTrustedCertificates trusts for the host and port and
    // otherwise asks the certificate prompter (none set: rejected).
    using TCertificateDecider = std::function<bool(const THost&, const ftp::CertificateInfo&)>;
    using TCertificatePrompter = std::function<void(TCertificatePrompt&)>;

    // The longest a stop, delete or clear waits for the threads it stops.
    static constexpr int kStopWaitMs = 1000;

    explicit TQueueManager(QObject* parent = nullptr);
    // Stops the queue (waiting for the threads) and frees every item.
    ~TQueueManager() override;

    // The process-wide queue manager.
    static TQueueManager& createGlobal();
    static void destroyGlobal();

    // Adding. Both return the new item, which is already in the queue.
    TQueueItem* AddDownload(const THost& host, const QString& remoteRoot, bool active, double modified,
                            qint64 size, bool isDirectory, const QString& localRoot,
                            const QString& remoteFilename);
    // Reads size and time of the local file now; a missing or unreadable file
    // throws EInOutError and adds nothing.
    TQueueItem* AddUpload(const THost& host, const QString& localRoot, bool active, const QString& remoteRoot,
                          const QString& localFilename);

    // Starts threads for eligible items, up to MaxFTPTransferCount (+ extra).
    void Schedule(int extraThreads = 0);
    // The threads' hand-over step (main thread, while the thread waits).
    void TakeNextItem(TFTPTransfer* thread);
    // Once a second: counts the retry delays down.
    void TickRetryDelays();

    void PlayQueue();
    void PauseQueue();
    void StopQueue();
    // StopQueue, ending the running transfers in order where the connection allows
    // (ABOR, then QUIT: TFTPTransfer::StopCleanly) for up to kCleanStopMs; what has
    // not ended by then is stopped as StopQueue does it.
    void StopQueueCleanly();
    static constexpr int kCleanStopMs = 700;
    void ClearQueue();

    // A connection logged in as `host` says, made by someone else (the command
    // line's look-up of what to fetch): the first thread that takes an item of that
    // login and has no connection uses it instead of logging in again. One left
    // unused is closed with QUIT when the manager goes, or not used once older
    // than kOfferedConnectionMaxAgeMs (the server may have dropped it meanwhile).
    void OfferConnection(const THost& host, std::unique_ptr<ftp::Client> client);
    static constexpr int kOfferedConnectionMaxAgeMs = 60000;
    void BeginItem(TQueueItem* item);
    void PauseItem(TQueueItem* item);
    void StopItem(TQueueItem* item);
    void DeleteItem(TQueueItem* item);

    // The queue file (see TQueueFile). Loading appends, with every item inactive.
    bool SaveToFile(const QString& path, QString* error = nullptr);
    // The queue as the file holds it, in queue order.
    QList<TQueueFileRecord> Records() const;
    TQueueLoadResult LoadFromFile(const QString& path);
    // Queue.xml in the data folder. A missing file loads as an empty queue; one
    // that cannot be read is copied aside (the result says where).
    bool SaveQueue(QString* error = nullptr);
    TQueueLoadResult LoadQueue();
    static QString QueueFilePath();

    // The file-exists actions new items take, one per kind: downloads whose local
    // file is as large or larger / smaller, uploads whose remote file is.
    void SetDefaultRemoteExistsAction(TFileAlreadyExistsAction action)
    {
        m_defaultRemoteExistsAction = action;
    }
    void SetDefaultLocalExistsAction(TFileAlreadyExistsAction action) { m_defaultLocalExistsAction = action; }
    void SetDefaultRemoteSmallerExistsAction(TFileAlreadyExistsAction action)
    {
        m_defaultRemoteSmallerExistsAction = action;
    }
    void SetDefaultLocalSmallerExistsAction(TFileAlreadyExistsAction action)
    {
        m_defaultLocalSmallerExistsAction = action;
    }
    // All four from the settings (LocalFileAlreadyExistsAction and the others).
    void SetDefaultExistsActionsFromSettings();
    TFileAlreadyExistsAction DefaultRemoteExistsAction() const { return m_defaultRemoteExistsAction; }
    TFileAlreadyExistsAction DefaultLocalExistsAction() const { return m_defaultLocalExistsAction; }
    TFileAlreadyExistsAction DefaultRemoteSmallerExistsAction() const
    {
        return m_defaultRemoteSmallerExistsAction;
    }
    TFileAlreadyExistsAction DefaultLocalSmallerExistsAction() const
    {
        return m_defaultLocalSmallerExistsAction;
    }

    // The file-exists prompt step: at most one prompt, for the last item holding a
    // file-exists error; the answer applied to that item and, by its scope, to
    // the others. Items whose action is faeSkip are answered Skip without
    // asking, all of them in one step. Returns whether anything was answered.
    bool RunFileExistsPromptStep();
    void setFileExistsPrompter(IFileExistsPrompter* prompter) { m_prompter = prompter; }
    bool isPromptOpen() const { return m_promptOpen; }

    // The one-second retry timer: TickRetryDelays, then the prompt step. The
    // window may drive both itself instead.
    void startRetryTimer(int intervalMs = 1000);
    void stopRetryTimer();

    void setLimits(const TQueueLimits& limits) { m_limits = limits; }
    // Threads started from now on send their control connection's commands and
    // replies to Log (lkCommand, lkReply). Off by default.
    void setLogControlConnections(bool on) { m_logControlConnections = on; }
    int maxTransferCount() const;
    int maxRetryCount() const;
    int retryDelay() const;

    void setHostLookup(THostLookup lookup) { m_hostLookup = std::move(lookup); }
    void setCertificateDecider(TCertificateDecider decider) { m_certificateDecider = std::move(decider); }
    void setCertificatePrompter(TCertificatePrompter prompter)
    {
        m_certificatePrompter = std::move(prompter);
    }

    // Reading (main thread). Items() is a copy of the list in queue order.
    QList<TQueueItem*> Items() const;
    int itemCount() const;
    int threadCount() const;
    QRecursiveMutex& itemsLock() const { return m_itemsLock; }
    // Whether an item could be taken by a thread now.
    bool isEligible(const TQueueItem* item) const;
    // Whether nothing runs and nothing will start by itself: no thread, and no
    // item that is eligible or counting down to a retry, or holding an error the
    // prompt step still has to ask about.
    bool isIdle() const;
    QList<TQueueItemProgress> progressSnapshot() const;

signals:
    void OnItemStatus(TQueueItem* item, TTransferState state, const QString& text);
    void OnItemComplete(TQueueItem* item);
    // Raised before the item is put into the list.
    void OnItemAdded(TQueueItem* item);
    // Raised before the item is removed and freed.
    void OnItemDeleted(TQueueItem* item);
    void OnItemError(TQueueItem* item);
    void Log(TLogKind kind, const QString& text);
    void threadCountChanged(int running);
    // Every 250 ms while threads run: progress of the items they work on.
    void progressTick(const QList<TQueueItemProgress>& running);

private:
    TQueueItem* newItem(const THost& host, bool active, const QString& localRoot, const QString& remoteRoot);
    void appendItem(TQueueItem* item, TFileAlreadyExistsAction action,
                    TFileAlreadyExistsAction smallerAction);
    // Where the answer to a prompt of this kind goes: the item's action for it.
    static TFileAlreadyExistsAction& actionFor(TQueueItem& item, TFileExistsPrompt::TKind kind);
    void setDefaultFor(TFileExistsPrompt::TKind kind, TFileAlreadyExistsAction action);
    void startThread();
    void threadEnded(TFTPTransfer* thread);
    // Stops the threads and waits for them, at most kStopWaitMs in all, serving
    // their calls; a thread that has not ended by then is cut off.
    void stopThreads(const QList<TFTPTransfer*>& threads);
    void stopQueue(bool cleanly);
    // The offered connection for `host`'s login, if one is there and fresh enough.
    std::unique_ptr<ftp::Client> takeOfferedConnection(const THost& host);
    void closeOfferedConnections();
    void cutOff(TFTPTransfer* thread);
    // Stops the item's thread and waits for it (see stopThreads); then, unless the
    // item was deleted meanwhile, shows "Transfer stopped".
    void StopTransfer(TQueueItem* item);
    // Frees a deleted item once nothing up the stack can use it any more.
    void release(TQueueItem* item);
    void reap();
    // Keeps deleted items allocated while a frame holds item pointers across a
    // local event loop (a stop wait, the prompt).
    class THold;
    bool prepareJob(TQueueItem* item, TTransferJob& job);
    void handOverError(TQueueItem* item, std::unique_ptr<EEngineError> error);
    void addExpansion(const TTransferJob& job, bool active, const QList<TSyncQueueItem>& entries);
    void retryTimerTick();
    void emitProgress();
    std::optional<THost> lookupHost(const QString& hostId);
    void applyAnswer(const TFileExistsPrompt& prompt);

    mutable QRecursiveMutex m_itemsLock;
    QList<TQueueItem*> m_items;
    // Deleted items waiting to be freed (see release()).
    QList<TQueueItem*> m_graveyard;
    bool m_reapScheduled = false;
    int m_holds = 0;
    int m_stopWaits = 0; // stop waits in progress: no retry tick, no prompt meanwhile
    mutable QRecursiveMutex m_threadsLock;
    QList<TFTPTransfer*> m_threads;
    // Threads cut off while stopping that have not ended yet; their items keep
    // them as Transfer until they end, so no second thread takes those items.
    QList<QPointer<TFTPTransfer>> m_cutOff;

    TFileAlreadyExistsAction m_defaultRemoteExistsAction = TFileAlreadyExistsAction::faeAsk;
    TFileAlreadyExistsAction m_defaultLocalExistsAction = TFileAlreadyExistsAction::faeAsk;
    TFileAlreadyExistsAction m_defaultRemoteSmallerExistsAction = TFileAlreadyExistsAction::faeAsk;
    TFileAlreadyExistsAction m_defaultLocalSmallerExistsAction = TFileAlreadyExistsAction::faeAsk;
    IFileExistsPrompter* m_prompter = nullptr;
    bool m_promptOpen = false;
    QTimer m_retryTimer;
    QTimer m_progressTimer;
    TQueueLimits m_limits;
    bool m_logControlConnections = false;
    std::shared_ptr<TFreshRemoteDirectories> m_freshDirectories = std::make_shared<TFreshRemoteDirectories>();
    QString m_lastLocalRoot;
    QString m_lastRemoteRoot;
    THostLookup m_hostLookup;
    TCertificateDecider m_certificateDecider;
    TCertificatePrompter m_certificatePrompter;
    bool m_destroying = false;
    struct TOfferedConnection
    {
        THost host;
        std::unique_ptr<ftp::Client> client;
        qint64 offeredAt = 0; // ms since the epoch
    };
    std::vector<TOfferedConnection> m_offered;
};

class TQueueManager::THold
{
public:
    explicit THold(TQueueManager& manager)
        : m_manager(manager)
    {
        ++m_manager.m_holds;
    }
    ~THold()
    {
        if (--m_manager.m_holds == 0 && !m_manager.m_graveyard.isEmpty())
            m_manager.release(nullptr);
    }
    THold(const THold&) = delete;
    THold& operator=(const THold&) = delete;

private:
    TQueueManager& m_manager;
};

// The process-wide queue manager; nullptr when none was created.
TQueueManager* QueueManager();
