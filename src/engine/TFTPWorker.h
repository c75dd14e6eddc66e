#pragma once

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include "core/THost.h"
#include "core/TMessageTexts.h"
#include "engine/EEngineError.h"
#include "engine/TControlLog.h"
#include "engine/TDirectoryCache.h"
#include "engine/TListing.h"
#include "engine/TLogKind.h"
#include "engine/TWorkerEvents.h"
#include "ftp/Client.h"
#include "ftp/FtpError.h"

class TFTPWorkerObserver;
class TWorkerDeliveries;

// The browsing session: one thread with one FTP control connection.
//
// Contract:
// - The thread (start() it once the events are wired) runs connect, login, the
//   listing, the recursive delete and the recursive walk, one pending command at
//   a time. Calls that set a command return at once.
// - The short operations (ChangeDir, MakeDir, Rename, DeleteFile, the SITE
//   commands, Disconnect) run on the caller's thread on the same connection. No
//   lock guards the connection: call them only while the worker is idle (between
//   OnIdle and the next command) or from inside one of its event handlers.
// - Events are delivered on their receiver's thread while the worker waits, in
//   the order they happen (a call posted to the receiver, or a direct call when the
//   operation already runs on the receiver's thread). A receiver's thread must
//   keep its event loop running while the worker works.
// - Failures never reach the caller as exceptions (except where an operation says
//   so): they become the pending error, announced by workerError().
// - Listings handed out (Listing(), OnSearchListing) are shared and immutable:
//   they stay valid as long as the holder keeps the pointer.
// - Destroy it (or call Shutdown) from the thread that owns it; never QThread::wait()
//   on it from a thread that receives its events. Both may be done from inside an
//   event handler the worker's thread waits for: Shutdown then returns at once and
//   its wait runs when the outermost handler returns; the destructor releases the
//   waiting thread (the handler's results are dropped), cuts the connection and
//   waits for the thread to end. Not from a handler that runs on the worker's own
//   thread (a null receiver), nor the destructor from a handler of a synchronous
//   operation.
class TFTPWorker final : public QThread
{
    Q_OBJECT

public:
    explicit TFTPWorker(QObject* parent = nullptr);
    ~TFTPWorker() override;

    // --- Events. An unassigned event is skipped; a null receiver runs the handler
    // on whichever thread runs the operation.
    void setEvent(TWorkerEvent event, QObject* receiver, TNotifyEvent handler);
    void clearEvent(TWorkerEvent event);
    void setOnSearchListing(QObject* receiver, TSearchListingEvent handler);
    void setOnCertificate(QObject* receiver, TCertificateEvent handler);
    void setObserver(TFTPWorkerObserver* observer);
    // Takes every event away (before shutting down).
    void clearEvents();

    // --- Commands for the thread.
    // Takes a copy of the host, clears a Stop, cuts a running operation short (its
    // failure is not reported) and queues Connect: the thread closes an open
    // connection (OnDisconnected), connects to the new host (OnConnected) and logs
    // in. Never touches the connection itself, so any thread may call it at any time.
    void SetHost(const THost& host);
    void List();
    // `names`: directories in CurrentDir. The worker works on its own copy;
    // DeleteNames() tells what is left when a delete stops.
    void DeleteRecursive(const QStringList& names);
    void Search(const QString& directory);
    // Stops the running data transfer of this connection, or the link probing of
    // a listing; a recursive delete also stops between its files and directories.
    // A stopped listing fires OnListed without a listing, a stopped delete keeps
    // what it did not delete in DeleteNames; neither is an error. Any thread.
    void Stop();

    // --- Synchronous operations, on the caller's thread.
    void ChangeDir(const QString& directory);
    void ChangeDirUp();
    // Reply errors are reported; other failures throw (ftp::FtpError).
    void MakeDir(const QString& name);
    void Rename(const QString& oldName, const QString& newName);
    void DeleteFile(const QString& name);
    // Every failure throws (ftp::FtpError); the reply on success. A connection the
    // server closed is reopened first, as for the other operations; when that fails
    // its error is the pending one and the call throws SocketError.
    ftp::Reply SiteChmod(const QString& name, const QString& mode);
    ftp::Reply SiteChown(const QString& name, const QString& user);
    ftp::Reply SiteChgrp(const QString& name, const QString& group);
    void Disconnect();
    // Gives the open connection away, logged in as it is (ftp::Client::handOver),
    // for a transfer on the same login; the session then stands disconnected
    // (OnDisconnected) without having said QUIT. Null when no connection is open.
    // Only while the worker is idle, like the synchronous operations.
    std::unique_ptr<ftp::Client> ReleaseConnection();

    // --- Queries.
    bool IsConnected() const { return m_connected.load(); }
    QString CurrentDir() const;
    TListingPtr Listing() const;
    QString StatusText() const;
    THost Host() const;
    WorkerCommand Command() const { return m_command.load(); }
    bool StopRequested() const { return m_stopRequested.load(); }
    QStringList DeleteNames() const;
    QString SearchRoot() const;
    // The server accepts restarts (asked once per connection). Caller's thread.
    bool ResumeSupported();
    bool TLSActive() const { return m_tlsActive.load(); }

    // --- Directory cache.
    void InvalidateDir(const QString& path);
    void ClearCache();
    const TDirectoryCache& DirectoryCache() const { return m_cache; }

    // --- The pending error: one slot, the latest error wins.
    bool HasPendingError() const;
    std::unique_ptr<EEngineError> TakePendingError();

    // Takes the events away, ends the thread (which disconnects) and waits for it
    // with a local event loop, at most disconnectMs + threadMs; after that the
    // connection is cut. Call on the owning thread. Inside a handler the thread waits
    // for, the connection is cut at once and the wait runs once the handler returns.
    void Shutdown(int disconnectMs = 3000, int threadMs = 1000);

signals:
    // A pending error was stored (TakePendingError). Emitted on the thread that
    // ran the failing operation.
    void workerError();
    // A line for the log: commands (password masked), replies, status, errors, debug.
    void logLine(TLogKind kind, const QString& text);
    // The thread finished a command (after its events).
    void commandFinished(WorkerCommand command);

protected:
    void run() override;

private:
    friend class TRecursiveDelete;
    friend class TRecursiveWalk;

    struct Handler
    {
        QPointer<QObject> receiver;
        bool hasReceiver = false;
        TNotifyEvent notify;
        TSearchListingEvent searchListing;
        TCertificateEvent certificate;
    };

    // Thread commands.
    // The next command; empties the slot (except for the recursive delete, which
    // does so after OnBusy). Idle when the thread is to end.
    WorkerCommand takeCommand();
    void setCommand(WorkerCommand command);
    bool queueIfIdle(WorkerCommand command);
    void clearCommand(WorkerCommand expected);
    // Connect as SetHost queues it: closes the old connection and applies the host.
    void runSetHost();
    void applyHost();
    void runConnect(bool chainLogin);
    void runLogin();
    void runList();
    // Reopens a connection the server closed, silently: same directory, no
    // OnConnected/OnLoggedIn. False when it could not (the error was reported).
    bool EnsureConnected();
    // Runs `op`, first reconnecting when the connection is closed, and once more
    // when the server turns out to have dropped it at op's first command. False
    // when no connection could be made (already reported).
    template <class Op>
    bool onConnection(Op&& op);

    // The busy bracket: status text, OnBusy, the body, OnIdle whatever happens.
    template <class Body>
    void bracket(std::optional<TMessageKey> status, Body&& body);

    // Events.
    void fire(TWorkerEvent event);
    void fireSearchListing(const TListingPtr& listing);
    bool hasSearchListing() const;
    // Runs `call` on the handler's receiver thread while this thread waits. The call
    // owns what it uses. False when it did not run to its end, or the wait was
    // released by Shutdown or the destructor: the caller must not use its results.
    bool deliver(const Handler& handler, std::function<void(TFTPWorker&)> call);
    // A handler on this thread is serving a delivery the worker's thread waits for.
    bool servingDelivery() const;
    // The second half of Shutdown: waits for the thread's end, serving events.
    void waitForEnd(int disconnectMs, int threadMs);
    bool askCertificate(const ftp::CertificateInfo& info);

    // Listing helpers shared with the recursive operations.
    TListing listCurrentDirectory();
    TListing usableEntries(std::vector<ftp::ListingEntry> entries);
    void probeLinks(TListing& entries, const QString& returnDirectory);

    void report(std::unique_ptr<EEngineError> error);
    void log(TLogKind kind, const QString& text);
    void setCurrentDir(const QString& directory);
    void setStatusText(TMessageKey key);
    QString pwd();
    void syncConnectionState();
    // "SITE command value name" on a connection reopened when the server closed it.
    ftp::Reply site(const char* command, const QString& value, const QString& name);

    // Thrown where a Stop ended the listing or the recursive delete: no failure, so
    // nothing is reported.
    class EStopped final : public std::exception
    {
    public:
        const char* what() const noexcept override { return "Stopped"; }
    };
    // A Stop has no target once the operation it meant is over. Whether one was
    // pending.
    bool consumeStop();
    // Between the steps of a long operation: a pending Stop ends it (EStopped).
    void throwIfStopped();
    // After an AbortedError of a data transfer: whether a Stop caused it (and not a
    // new host or the end, which cut the operation short). Uses the Stop up.
    bool abortedByStop();

    static std::string utf8(const QString& text) { return text.toStdString(); }

    ftp::Client m_client;
    TControlLog m_controlLog;
    TDirectoryCache m_cache;

    std::atomic<WorkerCommand> m_command{WorkerCommand::Idle};
    QMutex m_commandLock;
    QWaitCondition m_commandChanged;

    std::atomic<bool> m_stopRequested{false};
    // Stop and consumeStop set and clear the flag and the connection's transfer
    // abort together, so that a Stop racing with the end of an operation never
    // leaves one without the other (a next listing cut off with no Stop pending).
    QMutex m_stopLock;
    // SetHost or Shutdown cut the running operation short: its failure is no error.
    std::atomic<bool> m_cutShort{false};
    std::atomic<bool> m_connected{false};
    // Between OnConnected and OnDisconnected, as the window sees it.
    std::atomic<bool> m_sessionOpen{false};
    std::atomic<bool> m_tlsActive{false};
    std::atomic<bool> m_silentReconnect{false};
    std::atomic<unsigned> m_commandsSent{0};

    mutable QMutex m_stateLock; // guards the fields below
    THost m_host;
    QString m_currentDir;
    QString m_statusText;
    TListingPtr m_listing;
    QString m_searchRoot;
    QStringList m_deleteNames;
    std::unique_ptr<EEngineError> m_pendingError;

    // Shared with the calls posted to receivers, which may outlive the worker.
    std::shared_ptr<TWorkerDeliveries> m_deliveries;

    mutable QMutex m_eventLock;
    Handler m_events[9];
    Handler m_onSearchListing;
    Handler m_onCertificate;
};

template <class Body>
void TFTPWorker::bracket(std::optional<TMessageKey> status, Body&& body)
{
    if (status)
        setStatusText(*status);
    fire(TWorkerEvent::OnBusy);
    try {
        body();
    } catch (...) {
        fire(TWorkerEvent::OnIdle);
        throw;
    }
    fire(TWorkerEvent::OnIdle);
}

template <class Op>
bool TFTPWorker::onConnection(Op&& op)
{
    if (!EnsureConnected())
        return false;
    const unsigned before = m_commandsSent.load();
    try {
        op();
        return true;
    } catch (const ftp::FtpError& e) {
        const auto* reply = dynamic_cast<const ftp::ReplyError*>(&e);
        const auto* socket = dynamic_cast<const ftp::SocketError*>(&e);
        const bool dropped = (reply && reply->code() == 421) ||
                             (socket && socket->code() == ftp::SocketError::kConnectionReset);
        // Only a command that met an already closed connection is sent again: one
        // that got further may have been carried out.
        if (!dropped || m_client.isConnected() || m_commandsSent.load() - before > 1)
            throw;
        syncConnectionState();
        log(TLogKind::lkStatus, QStringLiteral("The server had closed the connection; connecting again"));
        if (!EnsureConnected())
            return false;
        op();
        return true;
    }
}
