#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include "core/TFileAlreadyExistsAction.h"
#include "core/THost.h"
#include "engine/EEngineError.h"
#include "engine/TLogKind.h"
#include "ftp/Client.h"
#include "queue/DateTimeValue.h"
#include "queue/TSyncQueueItem.h"
#include "queue/TTransferState.h"

namespace ftp {
struct ListingEntry;
struct CertificateInfo;
enum class ConnectionStatus;
} // namespace ftp

class TControlLog;
class TFreshRemoteDirectories;
class TQueueItem;

// What a transfer thread needs of its current item, copied on the main thread
// when the item is handed over: the thread never reads the item itself, so the
// window may change the item (its status, its Active flag) meanwhile.
struct TTransferJob
{
    THost Host;
    QString RemoteRoot;
    QString LocalRoot;
    QString RemoteFilename; // full, derived where needed
    QString LocalFilename;
    bool Download = true;
    bool Active = false;
    bool IsDirectory = false;
    qint64 FileSize = -1;
    double FileModifiedDateTime = kUnknownDateTime;
    // When the target exists: as large as the source or larger, and smaller.
    TFileAlreadyExistsAction FileExistsAction = TFileAlreadyExistsAction::faeAsk;
    TFileAlreadyExistsAction SmallerFileExistsAction = TFileAlreadyExistsAction::faeAsk;
    // FileSize may stand for the remote size (no SIZE asked before the download):
    // a first attempt, with a known size. A retry asks the server again.
    bool SizeIsCurrent = false;
};

// How the thread's last item ended, for the hand-over.
enum class TItemOutcome
{
    Completed,
    Failed,  // PendingError says why
    Stopped, // Stop() cut it short; whoever stopped it decides about the item
};

// A transfer thread: one FTP connection that works queue items one after another
// until the manager hands it none, then closes the connection and ends.
//
// Threads: the work runs in run(). Everything the thread tells the rest of the
// program (hand-over between items, status changes, entries found while expanding
// a directory, log lines) runs on the main thread through blocking queued calls
// while the thread waits; the thread never takes the manager's locks itself and
// never touches a queue item: it works on its own copy of the job and keeps its
// progress in its own counters. The handlers below are set and called on the main
// thread. Stop() and detach() are for the main thread; BytesDone, Percent and the
// state fields may be read from any thread.
class TFTPTransfer final : public QThread
{
    Q_OBJECT

public:
    // Main-thread handlers. OnItemDone is the manager's hand-over step: it takes
    // PendingError and sets Item (and the job) or leaves Item empty.
    using TItemDoneHandler = std::function<void(TFTPTransfer*)>;
    using TExpansionHandler =
        std::function<void(TFTPTransfer*, const TTransferJob&, const QList<TSyncQueueItem>&)>;
    using TItemInfoHandler = std::function<void(TFTPTransfer*, qint64 size, double modified)>;
    using TStatusHandler = std::function<void(TFTPTransfer*, TTransferState, const QString&)>;
    using TLogHandler = std::function<void(TFTPTransfer*, bool error, const QString&)>;
    using TCertificateHandler = std::function<bool(const THost&, const ftp::CertificateInfo&)>;
    // Runs on the transfer thread itself (not the main thread): it must be
    // thread-safe, e.g. emit a queued signal.
    using TControlLogHandler = std::function<void(TLogKind, const QString&)>;

    // `mainContext` lives in the main thread; the blocking calls run in its thread.
    explicit TFTPTransfer(QObject* mainContext);
    ~TFTPTransfer() override;

    TItemDoneHandler OnItemDone;
    TExpansionHandler OnExpansion;
    TItemInfoHandler OnItemInfo;
    TStatusHandler OnStatus;
    TLogHandler OnLog;
    TCertificateHandler OnCertificate;
    // When set (before the thread starts), every command and reply of this
    // thread's control connection, passwords masked. Off by default: a queue of
    // many small files would flood a log.
    TControlLogHandler OnControlLog;
    // The manager's record of directories its threads created (set before the
    // thread starts); may be null.
    std::shared_ptr<TFreshRemoteDirectories> FreshDirectories;

    // Main thread only (the manager's record of what the thread works on). The
    // thread itself never reads Item; Outcome and PendingError are written by the
    // thread before its hand-over and read inside it.
    TQueueItem* Item = nullptr;
    TItemOutcome Outcome = TItemOutcome::Completed;
    std::unique_ptr<EEngineError> PendingError;
    void setJob(TTransferJob job) { m_job = std::move(job); }

    // Closes the connection at once: whatever the thread waits for (a name look-up
    // aside) ends, the item is given up as stopped and the thread ends after its
    // hand-over. The thread also looks for the stop between the steps of an item.
    void Stop();
    // Stops like Stop(), but ends the connection in order where it can: a running
    // transfer is aborted with ABOR (its replies read) and the connection closed
    // with QUIT. A thread waiting for anything but its data connection notices the
    // stop only when that wait ends: whoever stops it this way bounds the wait and
    // calls Stop() after it.
    void StopCleanly();
    bool StopRequested() const { return m_stopRequested.load(); }
    // Main thread, before the thread starts or inside its hand-over: takes `client`
    // (connected and logged in as `host` says) as this thread's connection, so the
    // item of that login does not log in again. Only while the thread has no open
    // connection of its own.
    void adoptConnection(std::unique_ptr<ftp::Client> client, const THost& host);
    // Main thread, inside the hand-over: whether the thread holds an open connection.
    bool hasConnection() const { return m_client->isConnected(); }
    // Cuts the thread off, main thread: none of its handlers runs any more and it
    // hands nothing over; it ends by itself. For a stopped thread that did not end
    // in time, or one blocked in a call that runs further up the main thread's stack.
    void detach();
    bool isDetached() const { return m_detached.load(); }
    // True once run() is past its last call into the main thread.
    bool hasEnded() const { return m_ended.load(); }
    // Main thread: the thread is blocked in a call that the main thread is running
    // right now, further up its own stack. Waiting for the thread then would never end.
    bool isWaitingForMain() const { return m_servingCalls > 0; }

    // Of the current item: bytes done (the resume offset included) and percent of
    // its size.
    qint64 BytesDone() const { return m_bytesDone.load(); }
    int Percent() const { return m_percent.load(); }
    qint64 ResumeOffset() const { return m_resumeOffset.load(); }
    TTransferState StateCode() const { return m_stateCode.load(); }

    // Runs a local event loop (serving the threads' main-thread calls) until every
    // thread given has ended or `timeoutMs` has passed; threads blocked in a call
    // this thread is running are not waited for (they cannot end before it
    // returns). Returns the threads that have not ended. Main thread.
    static QList<TFTPTransfer*> waitForEnd(const QList<TFTPTransfer*>& threads, int timeoutMs);

signals:
    // Emitted by the thread as its last act, after hasEnded() turned true.
    void ended();

protected:
    void run() override;

private:
    bool onMain(const std::function<void()>& call);
    void itemDone();
    void workItem();
    void prepareConnection();
    void connectAndLogin();
    void downloadDirectory();
    void downloadFile();
    void uploadDirectory();
    void uploadFile();
    // STOR, APPE, or REST + STOR as the mode says, with the fallbacks a server's
    // refusal calls for.
    void store(const std::string& name, ftp::Client::StoreMode mode, bool targetExists);
    // SIZE in binary mode; nothing when the server does not say.
    std::optional<qint64> askSize(const std::string& name);
    // Before the first command that names `path` (see ftp::Client::learnNames).
    void learnNames(const QString& path);
    // Ends the item with a local failure the user must mend (not retried).
    [[noreturn]] void failLocally(const QString& reason);
    // The listing entries of a name in the current directory; empty when it does not exist.
    std::vector<ftp::ListingEntry> remoteEntries(const std::string& name);
    void createRemotePath(const QString& path);
    QString connectionKey() const;
    // CWD, left out when the connection is known to be there already.
    void changeDirectory(const QString& path);
    void sendTransferType();
    void CloseConnection();
    void ReportStatus(const QString& text, TTransferState state);
    void attachHandlers();
    void onConnectionStatus(ftp::ConnectionStatus status);
    void onWorkProgress(std::int64_t bytes);
    void log(bool error, const QString& text);
    bool stopping() const;
    // Between the steps of an item: gives the item up when a stop came.
    void checkStop() const;

    QPointer<QObject> m_mainContext;
    std::unique_ptr<ftp::Client> m_client;
    std::unique_ptr<TControlLog> m_controlLog;
    TTransferJob m_job;
    bool m_hasJob = false;
    // The login the open connection was made with: reused only for the same one.
    QString m_connectedHost;
    int m_connectedPort = 0;
    QString m_connectedUser;
    bool m_connectedTls = false;
    // What this connection is known to have been told last; empty when unknown.
    QString m_currentDirectory;
    QString m_currentType;
    bool m_dataBegun = false; // the running transfer's data connection opened

    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_stopCleanly{false};
    std::atomic<bool> m_detached{false};
    std::atomic<bool> m_ended{false};
    std::atomic<qint64> m_bytesDone{0};
    std::atomic<int> m_percent{0};
    std::atomic<qint64> m_resumeOffset{0};
    std::atomic<TTransferState> m_stateCode{TTransferState::tsAwaiting};
    QString m_stateText; // the thread's own
    TTransferState m_lastReported = TTransferState::tsAwaiting;
    int m_servingCalls = 0; // main thread only
};
