#include "engine/TFTPWorker.h"

#include <algorithm>
#include <utility>

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QTimer>

#include "core/TMainConfig.h"
#include "core/TsanAnnotations.h"
#include "engine/TFTPWorkerObserver.h"
#include "engine/TFTPWorkerSupport.h"
#include "engine/TRecursiveDelete.h"
#include "engine/TRecursiveWalk.h"
#include "engine/TTrustedCertificates.h"

using workersupport::fromUtf8;
using workersupport::replyFailure;

namespace {

constexpr std::chrono::milliseconds kDataReadTimeout{30000};

// Runs an event handler; a failure is returned as the log line it makes (nothing
// may unwind through the event loop).
QString runHandler(const std::function<void(TFTPWorker&)>& call, TFTPWorker& worker)
{
    try {
        call(worker);
    } catch (const std::exception& e) {
        return QStringLiteral("An event handler failed: %1").arg(QString::fromUtf8(e.what()));
    } catch (...) {
        return QStringLiteral("An event handler failed");
    }
    return {};
}

} // namespace

// The worker's thread waits here for the calls it posted to receivers. Shutdown
// and the destructor release that wait, so the thread never waits for a thread
// that waits for it; a released call that still runs finds out here and does
// nothing.
class TWorkerDeliveries final
{
public:
    struct Delivery
    {
        unsigned generation = 0;
        bool done = false; // the call is over (ran, or dropped unrun)
        bool ran = false;  // the handler was called
    };
    // Held by the posted call only: its end (run or dropped) completes the delivery.
    struct Ticket
    {
        Ticket(std::shared_ptr<TWorkerDeliveries> h, std::shared_ptr<Delivery> s)
            : hub(std::move(h))
            , state(std::move(s))
        {}
        ~Ticket()
        {
            QMutexLocker guard(&hub->lock);
            state->done = true;
            hub->changed.wakeAll();
        }
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;

        std::shared_ptr<TWorkerDeliveries> hub;
        std::shared_ptr<Delivery> state;
    };

    // With the lock held.
    bool abandoned(const Delivery& d) const { return destroyed || d.generation != generation; }
    bool servingElsewhere() const
    {
        for (auto it = serving.cbegin(); it != serving.cend(); ++it) {
            if (it.key() != QThread::currentThread())
                return true;
        }
        return false;
    }

    QMutex lock; // guards everything below
    QWaitCondition changed;
    bool destroyed = false;       // the worker is gone: posted calls do nothing
    unsigned generation = 0;      // Shutdown releases the deliveries made before it
    QHash<QThread*, int> serving; // handlers running now, by thread
    // A Shutdown made inside a handler on this thread finishes its wait when the
    // outermost handler there returns.
    QThread* deferredOn = nullptr;
    int deferredDisconnectMs = 0;
    int deferredThreadMs = 0;
};

TFTPWorker::TFTPWorker(QObject* parent)
    : QThread(parent)
    , m_controlLog([this](TLogKind kind, const QString& text) { log(kind, text); })
    , m_deliveries(std::make_shared<TWorkerDeliveries>())
{
    qRegisterMetaType<TLogKind>();
    qRegisterMetaType<WorkerCommand>();

    ftp::ClientCallbacks& cb = m_client.callbacks();
    // The intercept: runs on the thread that runs the connection's operation.
    cb.commandSent = [this](const std::string& line) {
        ++m_commandsSent;
        m_controlLog.sent(line);
    };
    cb.replyParsed = [this](const ftp::Reply& reply) { m_controlLog.received(reply); };
    cb.status = [this](ftp::ConnectionStatus kind, const std::string& text) {
        if (kind == ftp::ConnectionStatus::hsStatusText && !text.empty())
            log(TLogKind::lkStatus, fromUtf8(text));
    };
    cb.debug = [this](const std::string& text) { log(TLogKind::lkDebug, fromUtf8(text)); };
    // Socket buffers keep the system's sizes: a fixed 8 KiB window would cap every
    // transfer at 8 KiB per round trip.
    cb.dataConnectionCreated = [](ftp::DataConnectionSettings& s) { s.readTimeout = kDataReadTimeout; };
    cb.workProgress = [this](std::int64_t) {
        if (m_stopRequested.load())
            m_client.killDataChannel();
    };
    cb.certificate = [this](const ftp::CertificateInfo& info) { return askCertificate(info); };
}

TFTPWorker::~TFTPWorker()
{
    const bool insideHandler = servingDelivery();
    // The orderly way (the thread says goodbye to the server) unless the thread
    // waits for the handler this destructor runs in.
    if (isRunning() && !insideHandler)
        Shutdown();
    clearEvents();
    requestInterruption();
    {
        QMutexLocker guard(&m_commandLock);
        m_commandChanged.wakeAll();
    }
    m_client.abort();
    {
        TWorkerDeliveries& hub = *m_deliveries;
        QMutexLocker guard(&hub.lock);
        hub.destroyed = true;
        hub.changed.wakeAll();
        // A handler running on another thread still uses this object.
        while (hub.servingElsewhere())
            hub.changed.wait(&hub.lock);
    }
    // Qt aborts on destroying a running thread; this one ends quickly now.
    wait();
}

// --- Events --------------------------------------------------------------------

void TFTPWorker::setEvent(TWorkerEvent event, QObject* receiver, TNotifyEvent handler)
{
    QMutexLocker guard(&m_eventLock);
    Handler& h = m_events[static_cast<int>(event)];
    h.receiver = receiver;
    h.hasReceiver = receiver != nullptr;
    h.notify = std::move(handler);
}

void TFTPWorker::clearEvent(TWorkerEvent event)
{
    setEvent(event, nullptr, {});
}

void TFTPWorker::setOnSearchListing(QObject* receiver, TSearchListingEvent handler)
{
    QMutexLocker guard(&m_eventLock);
    m_onSearchListing = Handler{receiver, receiver != nullptr, {}, std::move(handler), {}};
}

void TFTPWorker::setOnCertificate(QObject* receiver, TCertificateEvent handler)
{
    QMutexLocker guard(&m_eventLock);
    m_onCertificate = Handler{receiver, receiver != nullptr, {}, {}, std::move(handler)};
}

void TFTPWorker::setObserver(TFTPWorkerObserver* o)
{
    using E = TWorkerEvent;
    setEvent(E::OnBusy, o, [o](TFTPWorker& w) { o->OnBusy(w); });
    setEvent(E::OnIdle, o, [o](TFTPWorker& w) { o->OnIdle(w); });
    setEvent(E::OnConnected, o, [o](TFTPWorker& w) { o->OnConnected(w); });
    setEvent(E::OnDisconnected, o, [o](TFTPWorker& w) { o->OnDisconnected(w); });
    setEvent(E::OnLoggedIn, o, [o](TFTPWorker& w) { o->OnLoggedIn(w); });
    setEvent(E::OnListed, o, [o](TFTPWorker& w) { o->OnListed(w); });
    setEvent(E::OnDirectoryChanged, o, [o](TFTPWorker& w) { o->OnDirectoryChanged(w); });
    setEvent(E::OnDeleted, o, [o](TFTPWorker& w) { o->OnDeleted(w); });
    setOnCertificate(o, [o](TFTPWorker& w, TCertificatePrompt& p) { o->OnCertificate(w, p); });
}

void TFTPWorker::clearEvents()
{
    QMutexLocker guard(&m_eventLock);
    for (Handler& h : m_events)
        h = Handler{};
    m_onSearchListing = Handler{};
    m_onCertificate = Handler{};
}

bool TFTPWorker::deliver(const Handler& handler, std::function<void(TFTPWorker&)> call)
{
    QObject* receiver = handler.receiver.data();
    if (handler.hasReceiver && !receiver)
        return false; // the receiver is gone
    if (!receiver || receiver->thread() == QThread::currentThread()) {
        if (const QString failure = runHandler(call, *this); !failure.isEmpty())
            log(TLogKind::lkError, failure);
        return true;
    }

    TWorkerDeliveries& hub = *m_deliveries;
    auto state = std::make_shared<TWorkerDeliveries::Delivery>();
    {
        QMutexLocker guard(&hub.lock);
        if (hub.destroyed)
            return false;
        state->generation = hub.generation;
    }
    // The posted call owns the ticket: when the call is destroyed (after it ran, or
    // unrun because its receiver went away) the delivery counts as done.
    auto ticket = std::make_shared<TWorkerDeliveries::Ticket>(m_deliveries, state);
    TFTPWorker* worker = this;
    VANTOR_TSAN_HAND_OVER(ticket.get());
    const bool posted = QMetaObject::invokeMethod(
        receiver,
        [worker, ticket, call = std::move(call)] {
            VANTOR_TSAN_SERVE(ticket.get());
            TWorkerDeliveries& hub = *ticket->hub;
            QThread* const here = QThread::currentThread();
            {
                QMutexLocker guard(&hub.lock);
                if (hub.abandoned(*ticket->state))
                    return; // released: the worker may be gone
                ++hub.serving[here];
            }
            const QString failure = runHandler(call, *worker);
            bool finishShutdown = false;
            bool alive = false;
            int disconnectMs = 0;
            int threadMs = 0;
            {
                QMutexLocker guard(&hub.lock);
                if (--hub.serving[here] == 0)
                    hub.serving.remove(here);
                ticket->state->ran = true;
                ticket->state->done = true;
                hub.changed.wakeAll();
                alive = !hub.destroyed;
                // A Shutdown made inside this handler (or one further in) waits now
                // that the outermost has returned and the thread can go on.
                if (alive && hub.deferredOn == here && !hub.serving.contains(here)) {
                    finishShutdown = true;
                    hub.deferredOn = nullptr;
                    disconnectMs = hub.deferredDisconnectMs;
                    threadMs = hub.deferredThreadMs;
                }
            }
            // From here on the worker is touched only when it still exists.
            if (alive && !failure.isEmpty())
                worker->log(TLogKind::lkError, failure);
            if (finishShutdown)
                worker->waitForEnd(disconnectMs, threadMs);
        },
        Qt::QueuedConnection);
    VANTOR_TSAN_HANDED_BACK(ticket.get());
    ticket.reset();
    if (!posted)
        return false;
    QMutexLocker guard(&hub.lock);
    while (!state->done && !hub.abandoned(*state))
        hub.changed.wait(&hub.lock);
    return state->ran && !hub.abandoned(*state);
}

bool TFTPWorker::servingDelivery() const
{
    QMutexLocker guard(&m_deliveries->lock);
    return m_deliveries->serving.contains(QThread::currentThread());
}

void TFTPWorker::fire(TWorkerEvent event)
{
    if (m_silentReconnect.load() && (event == TWorkerEvent::OnConnected || event == TWorkerEvent::OnLoggedIn))
        return;
    // The last look at the connection before the caller's thread may take it over.
    if (event == TWorkerEvent::OnIdle)
        syncConnectionState();
    Handler handler;
    {
        QMutexLocker guard(&m_eventLock);
        handler = m_events[static_cast<int>(event)];
    }
    if (handler.notify)
        deliver(handler, [notify = handler.notify](TFTPWorker& w) { notify(w); });
}

void TFTPWorker::fireSearchListing(const TListingPtr& listing)
{
    Handler handler;
    {
        QMutexLocker guard(&m_eventLock);
        handler = m_onSearchListing;
    }
    if (handler.searchListing)
        deliver(handler, [event = handler.searchListing, listing](TFTPWorker& w) { event(w, listing); });
}

bool TFTPWorker::hasSearchListing() const
{
    QMutexLocker guard(&m_eventLock);
    return static_cast<bool>(m_onSearchListing.searchListing);
}

bool TFTPWorker::askCertificate(const ftp::CertificateInfo& info)
{
    const QString host = fromUtf8(m_client.options().host);
    const int port = m_client.options().port;
    QString saveError;
    const bool accepted = TTrustedCertificates::instance().decide(
        host, port, info,
        [this](TCertificatePrompt& prompt) {
            Handler handler;
            {
                QMutexLocker guard(&m_eventLock);
                handler = m_onCertificate;
            }
            if (!handler.certificate)
                return;
            // The handler answers a copy: a delivery released by the destructor may
            // still run after this thread has gone on.
            auto answered = std::make_shared<TCertificatePrompt>(prompt);
            if (deliver(handler,
                        [event = handler.certificate, answered](TFTPWorker& w) { event(w, *answered); }))
                prompt = *answered;
        },
        &saveError);
    if (!saveError.isEmpty())
        log(TLogKind::lkError, QStringLiteral("The certificate could not be remembered: %1").arg(saveError));
    const QString fingerprint = fromUtf8(info.fingerprintText());
    if (info.verified)
        log(TLogKind::lkStatus,
            QStringLiteral("The server's certificate is verified (SHA-256 %1)").arg(fingerprint));
    else if (accepted)
        log(TLogKind::lkStatus,
            QStringLiteral("The server's certificate is not verified (%1) but trusted (SHA-256 %2)")
                .arg(fromUtf8(info.verifyError), fingerprint));
    else
        log(TLogKind::lkError,
            QStringLiteral("The server's certificate was rejected (SHA-256 %1)").arg(fingerprint));
    return accepted;
}

// --- The thread ----------------------------------------------------------------

void TFTPWorker::setCommand(WorkerCommand command)
{
    QMutexLocker guard(&m_commandLock);
    m_command.store(command);
    m_commandChanged.wakeAll();
}

bool TFTPWorker::queueIfIdle(WorkerCommand command)
{
    QMutexLocker guard(&m_commandLock);
    if (m_command.load() != WorkerCommand::Idle)
        return false;
    m_command.store(command);
    m_commandChanged.wakeAll();
    return true;
}

void TFTPWorker::clearCommand(WorkerCommand expected)
{
    QMutexLocker guard(&m_commandLock);
    if (m_command.load() == expected)
        m_command.store(WorkerCommand::Idle);
}

WorkerCommand TFTPWorker::takeCommand()
{
    QMutexLocker guard(&m_commandLock);
    while (!isInterruptionRequested()) {
        const WorkerCommand command = m_command.load();
        if (command != WorkerCommand::Idle) {
            // Taken and emptied in one step: a request made meanwhile is never
            // overwritten. The recursive delete empties the slot itself, after OnBusy.
            if (command != WorkerCommand::DeleteRecursive)
                m_command.store(WorkerCommand::Idle);
            return command;
        }
        // Woken by setCommand(); the time-out only notices an interruption request.
        m_commandChanged.wait(&m_commandLock, 100);
    }
    return WorkerCommand::Idle;
}

void TFTPWorker::run()
{
    for (;;) {
        const WorkerCommand command = takeCommand();
        if (command == WorkerCommand::Idle)
            break;
        try {
            switch (command) {
            case WorkerCommand::Connect:
                runSetHost();
                break;
            case WorkerCommand::Login:
                runLogin();
                break;
            case WorkerCommand::List:
                runList();
                break;
            case WorkerCommand::DeleteRecursive:
                TRecursiveDelete(*this).run();
                break;
            case WorkerCommand::Search:
                TRecursiveWalk(*this).run();
                break;
            case WorkerCommand::Idle:
                break;
            }
        } catch (const std::exception& e) {
            // What no handler classified is dropped; the bracket has fired OnIdle.
            log(TLogKind::lkDebug,
                QStringLiteral("Worker command failed: %1").arg(QString::fromUtf8(e.what())));
        } catch (...) {
            log(TLogKind::lkDebug, QStringLiteral("Worker command failed"));
        }
        // After OnIdle the window may use the connection on its own thread: the
        // thread reads nothing of it from there on. The walk fires no OnIdle.
        if (command == WorkerCommand::Search)
            syncConnectionState();
        emit commandFinished(command);
    }
    try {
        Disconnect();
    } catch (...) {
    }
}

void TFTPWorker::Shutdown(int disconnectMs, int threadMs)
{
    clearEvents();
    if (!isRunning())
        return;
    requestInterruption();
    {
        QMutexLocker guard(&m_commandLock);
        m_commandChanged.wakeAll();
    }
    if (QThread::currentThread() == this) {
        // From a handler on the thread itself: it ends once the handler returns.
        m_client.abort();
        return;
    }
    {
        TWorkerDeliveries& hub = *m_deliveries;
        QMutexLocker guard(&hub.lock);
        if (hub.serving.contains(QThread::currentThread())) {
            // The thread waits for the handler this call runs in, so it cannot end
            // before that returns: the rest of the wait runs then.
            hub.deferredOn = QThread::currentThread();
            hub.deferredDisconnectMs = disconnectMs;
            hub.deferredThreadMs = threadMs;
            guard.unlock();
            m_client.abort();
            return;
        }
        // Calls posted and not yet run are dropped; the thread stops waiting for them.
        ++hub.generation;
        hub.changed.wakeAll();
    }
    waitForEnd(disconnectMs, threadMs);
}

void TFTPWorker::waitForEnd(int disconnectMs, int threadMs)
{
    // The thread may still hand something to this thread: keep serving it while
    // waiting, and cut the connection when the orderly way takes too long.
    auto waitFinished = [this](int ms) {
        if (isFinished())
            return true;
        QEventLoop loop;
        connect(this, &QThread::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        if (!isFinished())
            loop.exec();
        return isFinished();
    };
    if (!waitFinished(disconnectMs + threadMs)) {
        m_client.abort();
        waitFinished(threadMs);
    }
    while (!wait(50))
        QCoreApplication::processEvents();
}

// --- Commands for the thread -----------------------------------------------------

void TFTPWorker::SetHost(const THost& host)
{
    m_stopRequested.store(false);
    {
        QMutexLocker guard(&m_stateLock);
        m_host.Assign(host);
    }
    // The thread may be in the middle of an operation on the connection: this
    // thread never touches it. The operation is cut short (without an error to
    // show), and the thread closes the old connection and opens the new one.
    m_cutShort.store(true);
    m_client.abort();
    setCommand(WorkerCommand::Connect);
}

void TFTPWorker::List()
{
    setCommand(WorkerCommand::List);
}

void TFTPWorker::DeleteRecursive(const QStringList& names)
{
    {
        QMutexLocker guard(&m_stateLock);
        m_deleteNames = names;
    }
    setCommand(WorkerCommand::DeleteRecursive);
}

void TFTPWorker::Search(const QString& directory)
{
    {
        QMutexLocker guard(&m_stateLock);
        m_searchRoot = directory;
    }
    setCommand(WorkerCommand::Search);
}

void TFTPWorker::Stop()
{
    QMutexLocker guard(&m_stopLock);
    m_stopRequested.store(true);
    // A listing reports no progress, so its data connection is closed from here.
    m_client.abortTransfer();
}

bool TFTPWorker::consumeStop()
{
    QMutexLocker guard(&m_stopLock);
    m_client.clearAbortTransfer();
    return m_stopRequested.exchange(false);
}

bool TFTPWorker::abortedByStop()
{
    // The stop has done its work either way.
    const bool stopped = consumeStop();
    return stopped && !m_cutShort.load() && !isInterruptionRequested();
}

void TFTPWorker::throwIfStopped()
{
    if (m_stopRequested.load() && consumeStop())
        throw EStopped();
}

// --- Connection --------------------------------------------------------------------

QString TFTPWorker::CurrentDir() const
{
    QMutexLocker guard(&m_stateLock);
    return m_currentDir;
}

TListingPtr TFTPWorker::Listing() const
{
    QMutexLocker guard(&m_stateLock);
    return m_listing;
}

QString TFTPWorker::StatusText() const
{
    QMutexLocker guard(&m_stateLock);
    return m_statusText;
}

THost TFTPWorker::Host() const
{
    QMutexLocker guard(&m_stateLock);
    THost copy;
    copy.Assign(m_host);
    return copy;
}

QStringList TFTPWorker::DeleteNames() const
{
    QMutexLocker guard(&m_stateLock);
    return m_deleteNames;
}

QString TFTPWorker::SearchRoot() const
{
    QMutexLocker guard(&m_stateLock);
    return m_searchRoot;
}

void TFTPWorker::setCurrentDir(const QString& directory)
{
    QMutexLocker guard(&m_stateLock);
    m_currentDir = directory;
}

void TFTPWorker::setStatusText(TMessageKey key)
{
    const QString text = TMessageTexts::text(key);
    QMutexLocker guard(&m_stateLock);
    m_statusText = text;
}

QString TFTPWorker::pwd()
{
    return fromUtf8(m_client.pwd());
}

void TFTPWorker::InvalidateDir(const QString& path)
{
    m_cache.invalidate(path);
}

void TFTPWorker::ClearCache()
{
    m_cache.clear();
}

// --- Errors and log -----------------------------------------------------------------

void TFTPWorker::report(std::unique_ptr<EEngineError> error)
{
    QString line = QStringLiteral("%1: %2").arg(QString::fromLatin1(error->ClassName()), error->Message());
    if (!error->ServerText().isEmpty())
        line += QStringLiteral(" (%1)").arg(error->ServerText());
    if (m_cutShort.load() || isInterruptionRequested()) {
        // The operation was cut short for a new host or the end: nobody waits for it.
        log(TLogKind::lkDebug, QStringLiteral("Not reported (cut short): %1").arg(line));
        return;
    }
    log(TLogKind::lkError, line);
    {
        QMutexLocker guard(&m_stateLock);
        m_pendingError = std::move(error);
    }
    emit workerError();
}

bool TFTPWorker::HasPendingError() const
{
    QMutexLocker guard(&m_stateLock);
    return m_pendingError != nullptr;
}

std::unique_ptr<EEngineError> TFTPWorker::TakePendingError()
{
    QMutexLocker guard(&m_stateLock);
    return std::move(m_pendingError);
}

void TFTPWorker::log(TLogKind kind, const QString& text)
{
    emit logLine(kind, text);
}
