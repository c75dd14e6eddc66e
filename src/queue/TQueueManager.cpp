#include "queue/TQueueManager.h"

#include <memory>

#include <QFile>
#include <QFileInfo>

#include "core/EInOutError.h"
#include "core/FileTimes.h"
#include "core/PathHelpers.h"
#include "core/StoredHostLookup.h"
#include "core/THost.h"
#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "engine/EFTPFileAlreadyExistsException.h"
#include "engine/TTrustedCertificates.h"
#include "queue/TFTPTransfer.h"

namespace {

constexpr int kProgressIntervalMs = 250;

std::unique_ptr<TQueueManager>& globalManager()
{
    static std::unique_ptr<TQueueManager> instance;
    return instance;
}

QString awaitingText()
{
    return TMessageTexts::text(TMessageKey::strRSSTAwaitingTransfer);
}

} // namespace

int TQueueManager::maxTransferCount() const
{
    if (m_limits.maxTransferCount)
        return *m_limits.maxTransferCount;
    return MainConfig() ? MainConfig()->MaxFTPTransferCount() : 3;
}

int TQueueManager::maxRetryCount() const
{
    if (m_limits.maxRetryCount)
        return *m_limits.maxRetryCount;
    return MainConfig() ? MainConfig()->MaxRetryCount() : 3;
}

int TQueueManager::retryDelay() const
{
    if (m_limits.retryDelay)
        return *m_limits.retryDelay;
    return MainConfig() ? MainConfig()->RetryDelay() : 30;
}

TQueueManager* QueueManager()
{
    return globalManager().get();
}

TQueueManager& TQueueManager::createGlobal()
{
    globalManager().reset();
    globalManager() = std::make_unique<TQueueManager>();
    return *globalManager();
}

void TQueueManager::destroyGlobal()
{
    globalManager().reset();
}

TQueueManager::TQueueManager(QObject* parent)
    : QObject(parent)
{
    m_retryTimer.setInterval(1000);
    connect(&m_retryTimer, &QTimer::timeout, this, &TQueueManager::retryTimerTick);
    m_progressTimer.setInterval(kProgressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &TQueueManager::emitProgress);
    m_hostLookup = [](const QString& id) -> std::optional<THost> {
        if (const THost* host = FindHostByID(id))
            return *host;
        return std::nullopt;
    };
    m_certificateDecider = [this](const THost& host, const ftp::CertificateInfo& info) {
        const TTrustedCertificates::TAsk ask = m_certificatePrompter;
        QString saveError;
        const bool accepted =
            TTrustedCertificates::instance().decide(host.Hostname, host.Port, info, ask, &saveError);
        if (!saveError.isEmpty())
            emit Log(TLogKind::lkError, saveError);
        return accepted;
    };
}

TQueueManager::~TQueueManager()
{
    m_destroying = true;
    m_retryTimer.stop();
    StopQueue();
    closeOfferedConnections();
    // Threads cut off by a stop still run their handlers' code paths into this
    // object (their control log, the fresh-directory record): they were told to
    // stop and their connections are closed, so they end soon.
    for (const QPointer<TFTPTransfer>& thread : std::as_const(m_cutOff))
        if (thread)
            thread->wait();
    QMutexLocker lock(&m_itemsLock);
    qDeleteAll(m_items);
    m_items.clear();
    qDeleteAll(m_graveyard);
    m_graveyard.clear();
}

// ---- adding ----------------------------------------------------------------

TQueueItem* TQueueManager::newItem(const THost& host, bool active, const QString& localRoot,
                                   const QString& remoteRoot)
{
    auto* item = new TQueueItem(host);
    item->Active = active;
    // Items added together share their roots' text instead of holding a copy each.
    const QString local = IncludeTrailingBackslash(localRoot);
    if (local != m_lastLocalRoot)
        m_lastLocalRoot = local;
    const QString remote = IncludeTrailingSlash(remoteRoot);
    if (remote != m_lastRemoteRoot)
        m_lastRemoteRoot = remote;
    item->LocalRoot = m_lastLocalRoot;
    item->RemoteRoot = m_lastRemoteRoot;
    item->OnStatusChange = [this](TQueueItem* changed, TTransferState state, const QString& text) {
        emit OnItemStatus(changed, state, text);
    };
    return item;
}

void TQueueManager::appendItem(TQueueItem* item, TFileAlreadyExistsAction action,
                               TFileAlreadyExistsAction smallerAction)
{
    emit OnItemAdded(item);
    {
        QMutexLocker lock(&m_itemsLock);
        m_items.append(item);
    }
    item->FileExistsAction = action;
    item->SmallerFileExistsAction = smallerAction;
    item->SetStatus(TTransferState::tsAwaiting, awaitingText());
}

TQueueItem* TQueueManager::AddDownload(const THost& host, const QString& remoteRoot, bool active,
                                       double modified, qint64 size, bool isDirectory,
                                       const QString& localRoot, const QString& remoteFilename)
{
    TQueueItem* item = newItem(host, active, localRoot, remoteRoot);
    item->TransferDirection = true;
    item->RemoteFilename = remoteFilename;
    item->FileModifiedDateTime = modified;
    item->IsDirectory = isDirectory;
    item->FileSize = isDirectory ? 0 : size;
    appendItem(item, m_defaultLocalExistsAction, m_defaultLocalSmallerExistsAction);
    return item;
}

TQueueItem* TQueueManager::AddUpload(const THost& host, const QString& localRoot, bool active,
                                     const QString& remoteRoot, const QString& localFilename)
{
    const QFileInfo info(localFilename);
    bool isDirectory = false;
    qint64 size = 0;
    if (info.isDir()) {
        isDirectory = true;
    } else if (info.exists() && !info.isFile()) {
        // Opening a FIFO for reading would wait for a writer, on the main thread.
        throw EInOutError(
            QStringLiteral("Cannot open file \"%1\". It is not a regular file").arg(localFilename));
    } else {
        QFile file(localFilename);
        if (!file.open(QIODevice::ReadOnly))
            throw EInOutError(
                QStringLiteral("Cannot open file \"%1\". %2").arg(localFilename, file.errorString()));
        size = file.size();
    }
    auto item = std::unique_ptr<TQueueItem>(newItem(host, active, localRoot, remoteRoot));
    item->TransferDirection = false;
    item->LocalFilename = localFilename;
    item->FileModifiedDateTime = DateTimeToValue(GetFileDateTime(localFilename));
    item->IsDirectory = isDirectory;
    item->FileSize = size;
    TQueueItem* added = item.release();
    appendItem(added, m_defaultRemoteExistsAction, m_defaultRemoteSmallerExistsAction);
    return added;
}

// ---- scheduling --------------------------------------------------------------

namespace {

// The eligibility rule, with the retry limit read once per walk over the list.
bool eligible(const TQueueItem* item, int maxRetries)
{
    return item->State == TTransferState::tsAwaiting && item->Active && item->RetryCount < maxRetries &&
           item->RetryDelayLeft == 0 && !item->Transfer && !item->isBeingStopped();
}

} // namespace

bool TQueueManager::isEligible(const TQueueItem* item) const
{
    return eligible(item, maxRetryCount());
}

void TQueueManager::Schedule(int extraThreads)
{
    if (m_destroying)
        return;
    int running = 0;
    {
        QMutexLocker lock(&m_threadsLock);
        running = int(m_threads.size());
    }
    int eligibleItems = 0;
    {
        QMutexLocker lock(&m_itemsLock);
        const int maxRetries = maxRetryCount();
        for (const TQueueItem* item : std::as_const(m_items))
            if (eligible(item, maxRetries))
                ++eligibleItems;
    }
    // Threads beyond the eligible items would find nothing and end at once.
    const int limit = maxTransferCount() + extraThreads;
    while (running < limit && eligibleItems > 0) {
        startThread();
        ++running;
        --eligibleItems;
    }
}

void TQueueManager::startThread()
{
    auto* thread = new TFTPTransfer(this);
    thread->OnItemDone = [this](TFTPTransfer* t) { TakeNextItem(t); };
    thread->OnStatus = [](TFTPTransfer* t, TTransferState state, const QString& text) {
        // A report that was under way when the thread was stopped arrives late.
        if (t->Item && t->Item->Transfer == t && !t->StopRequested())
            t->Item->SetStatus(state, text);
    };
    thread->OnItemInfo = [](TFTPTransfer* t, qint64 size, double modified) {
        if (t->Item && t->Item->Transfer == t) {
            t->Item->FileSize = size;
            t->Item->FileModifiedDateTime = modified;
        }
    };
    thread->OnExpansion = [this](TFTPTransfer* t, const TTransferJob& job,
                                 const QList<TSyncQueueItem>& entries) {
        // Entries take the directory item's flag as it is now: paused while it
        // was being listed, they come in paused.
        const bool active = t->Item && t->Item->Transfer == t ? t->Item->Active : job.Active;
        addExpansion(job, active, entries);
    };
    thread->OnLog = [this](TFTPTransfer*, bool error, const QString& text) {
        emit Log(error ? TLogKind::lkError : TLogKind::lkStatus, text);
    };
    thread->FreshDirectories = m_freshDirectories;
    if (m_logControlConnections) {
        // Runs on the transfer thread: the signal reaches main-thread receivers queued.
        thread->OnControlLog = [this](TLogKind kind, const QString& text) { emit Log(kind, text); };
    }
    thread->OnCertificate = [this](const THost& host, const ftp::CertificateInfo& info) {
        return m_certificateDecider && m_certificateDecider(host, info);
    };
    connect(thread, &TFTPTransfer::ended, this, [this, thread] { threadEnded(thread); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    int running = 0;
    {
        QMutexLocker lock(&m_threadsLock);
        m_threads.append(thread);
        running = int(m_threads.size());
    }
    thread->start();
    if (!m_progressTimer.isActive())
        m_progressTimer.start();
    emit threadCountChanged(running);
}

void TQueueManager::threadEnded(TFTPTransfer* thread)
{
    int running = 0;
    bool removed = false;
    {
        QMutexLocker lock(&m_threadsLock);
        removed = m_threads.removeOne(thread);
        running = int(m_threads.size());
    }
    if (thread->isDetached()) {
        // A thread cut off while stopping: its item may be taken again now.
        m_cutOff.removeAll(thread);
        QMutexLocker lock(&m_itemsLock);
        for (TQueueItem* item : std::as_const(m_items))
            if (item->Transfer == thread)
                item->Transfer = nullptr;
    }
    if (running == 0) {
        m_progressTimer.stop();
        // What was fresh in this busy spell may have been written by others since.
        m_freshDirectories->clear();
    }
    if (removed)
        emit threadCountChanged(running);
    // A thread that was stopped leaves work behind that no other thread may come
    // back for.
    if (thread->StopRequested())
        Schedule();
}

void TQueueManager::stopThreads(const QList<TFTPTransfer*>& threads)
{
    if (threads.isEmpty())
        return;
    for (TFTPTransfer* thread : threads)
        thread->Stop();
    // The retry timer would run the retry tick and the file-exists prompt inside
    // this wait, nested in the caller's command.
    const bool timerWasActive = m_retryTimer.isActive();
    m_retryTimer.stop();
    ++m_stopWaits;
    const QList<TFTPTransfer*> left = TFTPTransfer::waitForEnd(threads, kStopWaitMs);
    --m_stopWaits;
    if (timerWasActive && !m_destroying)
        m_retryTimer.start();
    for (TFTPTransfer* thread : left) {
        // One blocked in a call further up this stack goes on when that call
        // returns, sees the stop at once and hands its item over as usual.
        if (!thread->isWaitingForMain())
            cutOff(thread);
    }
}

void TQueueManager::cutOff(TFTPTransfer* thread)
{
    if (thread->isDetached())
        return;
    TQueueItem* item = thread->Item;
    thread->detach();
    m_cutOff.append(thread);
    // Until it ends, the item keeps it as Transfer: no second thread may write the
    // same file meanwhile. A deleted item is not looked at again.
    if (item && item->m_deleting)
        item->Transfer = nullptr;
    int running = 0;
    bool removed = false;
    {
        QMutexLocker lock(&m_threadsLock);
        removed = m_threads.removeOne(thread);
        running = int(m_threads.size());
    }
    if (removed)
        emit threadCountChanged(running);
}

void TQueueManager::StopTransfer(TQueueItem* item)
{
    if (TFTPTransfer* thread = item->Transfer) {
        THold hold(*this);
        ++item->m_stopWaiters;
        stopThreads({thread});
        --item->m_stopWaiters;
    }
    if (!item->m_deleting)
        item->SetStatus(TTransferState::tsStopped,
                        TMessageTexts::text(TMessageKey::strRSFTPRemoteTransferStopped));
}

void TQueueManager::release(TQueueItem* item)
{
    if (item)
        m_graveyard.append(item);
    if (m_destroying || m_reapScheduled || m_graveyard.isEmpty())
        return;
    // Not now: the caller may be an event handler of this very item, deep in a
    // call that still uses it.
    m_reapScheduled = true;
    QMetaObject::invokeMethod(
        this, [this] { reap(); }, Qt::QueuedConnection);
}

void TQueueManager::reap()
{
    m_reapScheduled = false;
    if (m_holds > 0)
        return; // the last hold to go schedules it again
    QMutexLocker lock(&m_itemsLock);
    QList<TQueueItem*> kept;
    for (TQueueItem* item : std::as_const(m_graveyard)) {
        if (item->m_stopWaiters > 0)
            kept.append(item);
        else
            delete item;
    }
    m_graveyard = kept;
}

bool TQueueManager::prepareJob(TQueueItem* item, TTransferJob& job)
{
    try {
        job.RemoteFilename = item->GetRemoteFilename();
        job.LocalFilename = item->GetLocalFilename();
    } catch (const EEngineError& error) {
        emit Log(TLogKind::lkError, error.Message());
        handOverError(item, error.clone());
        return false;
    }
    job.Host = item->Host;
    job.RemoteRoot = item->RemoteRoot;
    job.LocalRoot = item->LocalRoot;
    job.Download = item->TransferDirection;
    job.Active = item->Active;
    job.IsDirectory = item->IsDirectory;
    job.FileSize = item->FileSize;
    job.FileModifiedDateTime = item->FileModifiedDateTime;
    job.FileExistsAction = item->FileExistsAction;
    job.SmallerFileExistsAction = item->SmallerFileExistsAction;
    job.SizeIsCurrent = item->RetryCount == 0 && item->FileSize >= 0;
    return true;
}

void TQueueManager::handOverError(TQueueItem* item, std::unique_ptr<EEngineError> error)
{
    const bool fileExists = dynamic_cast<const EFTPFileAlreadyExistsException*>(error.get()) != nullptr;
    const bool retryable = error->retryable();
    const QString message = error->Message();
    item->LastError = std::move(error);
    if (!fileExists) {
        // A permanent failure (a refusing 5xx reply, a rejected certificate) is
        // counted like any other, but spends the remaining attempts at once:
        // trying it again cannot help until the user restarts it.
        item->RetryCount = retryable ? item->RetryCount + 1 : std::max(item->RetryCount + 1, maxRetryCount());
        item->RetryDelayLeft = std::max(retryDelay(), 0);
    }
    // A failure that reported no status of its own would otherwise go on showing
    // "Transfering" while it waits for its retry.
    if (item->State != TTransferState::tsError)
        item->SetStatus(TTransferState::tsError, message);
    // Without a delay there is no countdown to make it awaiting again.
    if (!fileExists && item->RetryDelayLeft == 0)
        item->State = TTransferState::tsAwaiting;
    emit OnItemError(item);
}

void TQueueManager::TakeNextItem(TFTPTransfer* thread)
{
    QMutexLocker lock(&m_itemsLock);
    if (TQueueItem* done = thread->Item) {
        thread->Item = nullptr;
        done->Transfer = nullptr;
        done->BytesDone.store(thread->BytesDone());
        done->Progress.store(thread->Percent());
        const TItemOutcome outcome = thread->Outcome;
        std::unique_ptr<EEngineError> error = std::move(thread->PendingError);
        if (done->m_deleting) {
            // Deleted while its thread worked on it: OnItemDeleted was its last word.
        } else if (outcome == TItemOutcome::Stopped) {
            // Whoever stopped it shows it stopped.
            if (!done->isBeingStopped())
                done->SetStatus(TTransferState::tsStopped,
                                TMessageTexts::text(TMessageKey::strRSFTPRemoteTransferStopped));
        } else if (outcome == TItemOutcome::Failed && error) {
            handOverError(done, std::move(error));
        } else if (done->isBeingStopped()) {
            // A stop is waiting for this thread and decides about the item.
            done->m_completedWhileStopping = true;
        } else {
            emit OnItemComplete(done);
            DeleteItem(done);
        }
    }
    // A thread asked to stop ends after this hand-over: it gets nothing more.
    if (thread->StopRequested() || m_destroying)
        return;
    const int maxRetries = maxRetryCount();
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        TQueueItem* item = m_items[i];
        if (!eligible(item, maxRetries))
            continue;
        TTransferJob job;
        if (!prepareJob(item, job))
            continue;
        item->State = TTransferState::tsAssigned;
        item->Transfer = thread;
        item->BytesDone.store(0);
        item->Progress.store(0);
        item->m_completedWhileStopping = false;
        thread->Item = item;
        if (!thread->hasConnection())
            thread->adoptConnection(takeOfferedConnection(job.Host), job.Host);
        thread->setJob(std::move(job));
        return;
    }
}

void TQueueManager::addExpansion(const TTransferJob& job, bool active, const QList<TSyncQueueItem>& entries)
{
    for (const TSyncQueueItem& entry : entries) {
        try {
            if (job.Download)
                AddDownload(job.Host, job.RemoteRoot, active, entry.ModifiedDateTime, entry.Size,
                            entry.IsDirectory, job.LocalRoot, entry.RemotePath);
            else
                AddUpload(job.Host, job.LocalRoot, active, job.RemoteRoot, entry.LocalPath);
        } catch (const EInOutError& error) {
            emit Log(TLogKind::lkError, error.message());
        }
    }
    if (active && !entries.isEmpty())
        Schedule();
}

void TQueueManager::TickRetryDelays()
{
    // Inside a stop wait (another timer of the caller's): the tick comes again.
    if (m_stopWaits > 0)
        return;
    bool changed = false;
    {
        QMutexLocker lock(&m_itemsLock);
        for (TQueueItem* item : std::as_const(m_items)) {
            if (item->RetryDelayLeft <= 0)
                continue;
            --item->RetryDelayLeft;
            changed = true;
            // No event: the view keeps the error text until the next status.
            if (item->RetryDelayLeft == 0 && item->State != TTransferState::tsAwaiting && !item->Transfer)
                item->State = TTransferState::tsAwaiting;
        }
    }
    if (changed)
        Schedule();
}

// ---- commands ------------------------------------------------------------------

void TQueueManager::PlayQueue()
{
    {
        QMutexLocker lock(&m_itemsLock);
        for (TQueueItem* item : std::as_const(m_items)) {
            item->Active = true;
            // A running item keeps its state: it must not look free to another thread.
            if (item->Transfer)
                continue;
            item->RetryCount = 0;
            item->RetryDelayLeft = 0;
            item->State = TTransferState::tsAwaiting;
            item->SetStatus(TTransferState::tsAwaiting, awaitingText());
        }
    }
    Schedule();
}

void TQueueManager::PauseQueue()
{
    QMutexLocker lock(&m_itemsLock);
    for (TQueueItem* item : std::as_const(m_items)) {
        item->Active = false;
        if (item->State == TTransferState::tsAwaiting)
            item->SetStatus(TTransferState::tsPaused, TMessageTexts::text(TMessageKey::strRSSTPaused));
    }
}

void TQueueManager::StopQueue()
{
    stopQueue(false);
}

void TQueueManager::stopQueue(bool cleanly)
{
    {
        QMutexLocker lock(&m_itemsLock);
        const QString stopped = TMessageTexts::text(TMessageKey::strRSFTPRemoteTransferStopped);
        for (TQueueItem* item : std::as_const(m_items)) {
            item->Active = false;
            item->SetStatus(TTransferState::tsStopped, stopped);
        }
    }
    // Every thread is cut off at once: it finishes nothing more, takes no further
    // item and reports nothing back.
    QList<TFTPTransfer*> noted;
    {
        QMutexLocker lock(&m_threadsLock);
        for (qsizetype i = m_threads.size() - 1; i >= 0; --i)
            noted.append(m_threads[i]);
    }
    THold hold(*this);
    for (TFTPTransfer* thread : std::as_const(noted)) {
        if (cleanly)
            thread->StopCleanly();
        else
            thread->Stop();
        cutOff(thread);
    }
    if (!noted.isEmpty())
        m_progressTimer.stop();
    // Cut off, the threads call nothing here: the wait only watches them end.
    stopThreads(cleanly ? TFTPTransfer::waitForEnd(noted, kCleanStopMs) : noted);
}

void TQueueManager::ClearQueue()
{
    QMutexLocker lock(&m_itemsLock);
    THold hold(*this);
    // Every row goes first, then the running ones are stopped together: one wait
    // for all threads, not one per item.
    const QList<TQueueItem*> snapshot = m_items;
    QList<TFTPTransfer*> running;
    for (TQueueItem* item : snapshot) {
        // A handler of an earlier row's event may have deleted this one meanwhile;
        // an item leaves the list only marked so, and stays allocated under the hold.
        if (item->m_deleting)
            continue;
        item->m_deleting = true;
        emit OnItemDeleted(item);
        if (item->Transfer && !running.contains(item->Transfer))
            running.append(item->Transfer);
    }
    QList<TQueueItem*> removed;
    m_items.removeIf([&removed](TQueueItem* item) {
        if (!item->m_deleting)
            return false;
        removed.append(item);
        return true;
    });
    stopThreads(running);
    for (TQueueItem* item : std::as_const(removed)) {
        if (item->Transfer && item->Transfer->Item == item)
            item->Transfer->Item = nullptr;
        item->Transfer = nullptr;
        release(item);
    }
}

void TQueueManager::DeleteItem(TQueueItem* item)
{
    QMutexLocker lock(&m_itemsLock);
    if (!item || item->m_deleting || !m_items.contains(item))
        return;
    item->m_deleting = true;
    emit OnItemDeleted(item);
    m_items.removeOne(item);
    if (TFTPTransfer* thread = item->Transfer) {
        StopTransfer(item);
        // A thread that could not be waited for (it is blocked in a call further
        // up this stack) hands over nothing for the item: it may be freed first.
        if (thread == item->Transfer && thread->Item == item)
            thread->Item = nullptr;
        item->Transfer = nullptr;
    }
    release(item);
}

void TQueueManager::BeginItem(TQueueItem* item)
{
    {
        QMutexLocker lock(&m_itemsLock);
        if (!item || !m_items.contains(item))
            return;
        item->Active = true;
        if (!item->Transfer) {
            item->RetryCount = 0;
            item->RetryDelayLeft = 0;
            item->State = TTransferState::tsAwaiting;
            item->SetStatus(TTransferState::tsAwaiting, awaitingText());
        }
    }
    Schedule(1);
}

void TQueueManager::PauseItem(TQueueItem* item)
{
    QMutexLocker lock(&m_itemsLock);
    if (!item || !m_items.contains(item))
        return;
    item->Active = false;
    if (item->State == TTransferState::tsAwaiting)
        item->SetStatus(TTransferState::tsPaused, TMessageTexts::text(TMessageKey::strRSSTPaused));
}

void TQueueManager::StopItem(TQueueItem* item)
{
    QMutexLocker lock(&m_itemsLock);
    if (!item || item->m_deleting || !m_items.contains(item))
        return;
    THold hold(*this);
    item->Active = false;
    StopTransfer(item);
    if (item->m_deleting)
        return; // deleted while the stop waited: freed once the hold ends
    // Its thread finished the transfer before it saw the stop: the item is done.
    if (item->m_completedWhileStopping && !item->isBeingStopped()) {
        item->m_completedWhileStopping = false;
        emit OnItemComplete(item);
        DeleteItem(item);
    }
}

// ---- reading -------------------------------------------------------------------

QList<TQueueItem*> TQueueManager::Items() const
{
    QMutexLocker lock(&m_itemsLock);
    return m_items;
}

int TQueueManager::itemCount() const
{
    QMutexLocker lock(&m_itemsLock);
    return int(m_items.size());
}

int TQueueManager::threadCount() const
{
    QMutexLocker lock(&m_threadsLock);
    return int(m_threads.size());
}

bool TQueueManager::isIdle() const
{
    if (threadCount() > 0)
        return false;
    QMutexLocker lock(&m_itemsLock);
    const int maxRetries = maxRetryCount();
    for (const TQueueItem* item : std::as_const(m_items)) {
        if (eligible(item, maxRetries) || item->Transfer)
            return false;
        if (!item->Active)
            continue;
        if (item->RetryDelayLeft > 0 && item->RetryCount < maxRetries)
            return false;
        if (item->LastError && dynamic_cast<const EFTPFileAlreadyExistsException*>(item->LastError.get()))
            return false;
    }
    return true;
}

QList<TQueueItemProgress> TQueueManager::progressSnapshot() const
{
    // The running items are the threads' items: a tick costs as much as there are
    // threads, whatever the length of the queue.
    QList<TQueueItemProgress> running;
    QMutexLocker lock(&m_threadsLock);
    for (TFTPTransfer* thread : std::as_const(m_threads)) {
        TQueueItem* item = thread->Item;
        if (!item || thread->isDetached() || item->m_deleting || item->Transfer != thread)
            continue;
        // The thread keeps its own counters; the item shows the latest of them.
        item->BytesDone.store(thread->BytesDone());
        item->Progress.store(thread->Percent());
        running.append({item, item->BytesDone.load(), item->FileSize, item->Progress.load()});
    }
    return running;
}

void TQueueManager::emitProgress()
{
    emit progressTick(progressSnapshot());
}

// ---- retry timer -----------------------------------------------------------------

void TQueueManager::startRetryTimer(int intervalMs)
{
    m_retryTimer.setInterval(intervalMs);
    m_retryTimer.start();
}

void TQueueManager::stopRetryTimer()
{
    m_retryTimer.stop();
}

void TQueueManager::retryTimerTick()
{
    TickRetryDelays();
    if (!m_destroying && !m_promptOpen)
        RunFileExistsPromptStep();
}
