#include "engine/TFTPWorker.h"

#include <utility>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "core/TMainConfig.h"
#include "engine/EFTRemoteAuthenticationFailed.h"
#include "engine/EFTRemoteCantRename.h"
#include "engine/EFTRemoteCertificateRejected.h"
#include "engine/EFTRemoteConnectionFailed.h"
#include "engine/EFTRemoteDirectoryCantChange.h"
#include "engine/EFTRemoteDirectoryCantCreate.h"
#include "engine/EFTRemoteDirectoryCantRead.h"
#include "engine/EFTRemoteDirectoryParseFailed.h"
#include "engine/EFTRemoteFileCantDelete.h"
#include "engine/EFTRemoteTLSNotAvailable.h"
#include "engine/RemoteNames.h"
#include "engine/SocketErrorRule.h"
#include "engine/TFTPWorkerObserver.h"
#include "engine/TLinkProbe.h"
#include "engine/TRecursiveDelete.h"
#include "engine/TRecursiveWalk.h"
#include "engine/TTrustedCertificates.h"

namespace {

constexpr std::chrono::milliseconds kDataReadTimeout{30000};

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString anonymousPassword()
{
    if (TMainConfig* config = MainConfig())
        return config->AnonymousEmail();
    for (const auto& key : TMainConfig::Keys()) {
        if (qstrcmp(key.name, "AnonymousEmail") == 0)
            return key.defaultText;
    }
    return {};
}

// The error for a failure of an operation with its own class for reply errors.
template <class ReplyClass>
std::unique_ptr<EEngineError> replyFailure(const ftp::FtpError& cause)
{
    auto error = std::make_unique<ReplyClass>();
    error->setCause(cause);
    return error;
}

} // namespace

TFTPWorker::TFTPWorker(QObject* parent)
    : QThread(parent)
    , m_controlLog([this](TLogKind kind, const QString& text) { log(kind, text); })
{
    qRegisterMetaType<TLogKind>();
    qRegisterMetaType<WorkerCommand>();

    ftp::ClientCallbacks& cb = m_client.callbacks();
    // The intercept: runs on the thread that runs the connection's operation.
    cb.commandSent = [this](const std::string& line) {
        ++m_commandsSent;
        m_controlLog.sent(line);
    };
    cb.replyReceived = [this](std::string_view piece) { m_controlLog.received(piece); };
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
    if (isRunning())
        Shutdown();
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

void TFTPWorker::deliver(const Handler& handler, const std::function<void()>& call)
{
    QObject* receiver = handler.receiver.data();
    if (handler.hasReceiver && !receiver)
        return; // the receiver is gone
    auto guarded = [this, &call] {
        try {
            call();
        } catch (const std::exception& e) {
            log(TLogKind::lkError,
                QStringLiteral("An event handler failed: %1").arg(QString::fromUtf8(e.what())));
        } catch (...) {
            log(TLogKind::lkError, QStringLiteral("An event handler failed"));
        }
    };
    if (!receiver || receiver->thread() == QThread::currentThread())
        guarded();
    else
        QMetaObject::invokeMethod(receiver, guarded, Qt::BlockingQueuedConnection);
}

void TFTPWorker::fire(TWorkerEvent event)
{
    if (m_silentReconnect.load() && (event == TWorkerEvent::OnConnected || event == TWorkerEvent::OnLoggedIn))
        return;
    Handler handler;
    {
        QMutexLocker guard(&m_eventLock);
        handler = m_events[static_cast<int>(event)];
    }
    if (handler.notify)
        deliver(handler, [this, &handler] { handler.notify(*this); });
}

void TFTPWorker::fireSearchListing(const TListingPtr& listing)
{
    Handler handler;
    {
        QMutexLocker guard(&m_eventLock);
        handler = m_onSearchListing;
    }
    if (handler.searchListing)
        deliver(handler, [this, &handler, &listing] { handler.searchListing(*this, listing); });
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
            if (handler.certificate)
                deliver(handler, [this, &handler, &prompt] { handler.certificate(*this, prompt); });
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
    m_stopRequested.store(true);
    // A listing reports no progress, so its data connection is closed from here.
    m_client.abortTransfer();
}

// --- Connection --------------------------------------------------------------------

void TFTPWorker::runSetHost()
{
    // What SetHost cut short is over. An abort that found nothing running is
    // forgotten; Shutdown requests the end before it aborts, so the request is
    // looked at after the reset.
    m_cutShort.store(false);
    m_client.clearAbort();
    if (isInterruptionRequested())
        return;
    // Also when the connection is gone already (cut short, or dropped by the
    // server): the window saw OnConnected and hears of the end before the next one.
    if (m_client.isConnected() || m_sessionOpen.load())
        Disconnect();
    // A newer SetHost (or the end) came while the old connection closed: that one
    // connects.
    if (isInterruptionRequested() || m_command.load() == WorkerCommand::Connect)
        return;
    applyHost();
    runConnect(true);
}

void TFTPWorker::applyHost()
{
    THost host;
    {
        QMutexLocker guard(&m_stateLock);
        host.Assign(m_host);
    }
    ftp::ClientOptions& o = m_client.options();
    o.host = utf8(host.Hostname);
    o.port = host.Port > 0 && host.Port <= 65535 ? static_cast<std::uint16_t>(host.Port) : 0;
    o.user = utf8(host.IsAnonymous ? QStringLiteral("anonymous") : host.Username);
    o.password = utf8(host.IsAnonymous ? anonymousPassword() : host.Password);
    o.passive = host.Passive;
    o.tlsMode = host.UseSSL ? ftp::TlsMode::RequireExplicit : ftp::TlsMode::None;
    m_cache.clear();
}

void TFTPWorker::runConnect(bool chainLogin)
{
    bracket(TMessageKey::strRSSTConnecting, [&] {
        m_controlLog.reset();
        try {
            m_client.connect();
        } catch (const ftp::SocketError& e) {
            Disconnect();
            report(MakeSocketError(e));
            return;
        } catch (const ftp::FtpError& e) {
            // A refusing greeting (421 too many users, 5xx) or a garbled one: the
            // connection failed all the same, and the user hears of it.
            Disconnect();
            report(replyFailure<EFTRemoteConnectionFailed>(e));
            return;
        }
        syncConnectionState();
        m_sessionOpen.store(true);
        // Not over a request made meanwhile (a newer SetHost).
        if (chainLogin)
            queueIfIdle(WorkerCommand::Login);
        fire(TWorkerEvent::OnConnected);
    });
}

void TFTPWorker::runLogin()
{
    bracket(TMessageKey::strRSSTLoggingIn, [&] {
        std::unique_ptr<EEngineError> error;
        try {
            m_client.login();
            setCurrentDir(pwd());
        } catch (const ftp::TlsNotAvailableError& e) {
            error = replyFailure<EFTRemoteTLSNotAvailable>(e);
        } catch (const ftp::CertificateRejectedError& e) {
            error = replyFailure<EFTRemoteCertificateRejected>(e);
        } catch (const ftp::SocketError& e) {
            // A dropped or timed-out connection is no wrong password.
            error = MakeSocketError(e);
        } catch (const ftp::FtpError& e) {
            error = replyFailure<EFTRemoteAuthenticationFailed>(e);
        }
        if (error) {
            Disconnect();
            report(std::move(error));
            return;
        }
        syncConnectionState();
        fire(TWorkerEvent::OnLoggedIn);
    });
}

void TFTPWorker::Disconnect()
{
    if (m_client.isConnected()) {
        m_client.killDataChannel();
        m_client.quit();
    }
    syncConnectionState();
    m_sessionOpen.store(false);
    m_cache.clear();
    m_controlLog.reset();
    fire(TWorkerEvent::OnDisconnected);
}

bool TFTPWorker::EnsureConnected()
{
    if (m_client.isConnected())
        return true;
    if (m_client.options().host.empty())
        return false; // no host was ever set: nothing to reconnect to
    const QString remembered = CurrentDir();
    const QString status = StatusText();
    m_silentReconnect.store(true);
    runConnect(false);
    if (m_client.isConnected())
        runLogin();
    m_silentReconnect.store(false);
    if (m_client.isConnected() && !remembered.isEmpty()) {
        try {
            m_client.cwd(utf8(remembered));
        } catch (const ftp::FtpError&) {
        }
        try {
            setCurrentDir(pwd());
        } catch (const ftp::FtpError&) {
        }
    }
    {
        QMutexLocker guard(&m_stateLock);
        m_statusText = status;
    }
    syncConnectionState();
    return m_client.isConnected();
}

void TFTPWorker::syncConnectionState()
{
    m_connected.store(m_client.isConnected());
    m_tlsActive.store(m_client.isConnected() && m_client.tlsActive());
}

// --- Listing ------------------------------------------------------------------------

TListing TFTPWorker::usableEntries(std::vector<ftp::ListingEntry> entries)
{
    TListing result;
    result.reserve(entries.size());
    for (ftp::ListingEntry& e : entries) {
        if (e.name == "." || e.name == ".." || isUsableRemoteName(e.name)) {
            result.push_back(std::move(e));
            continue;
        }
        log(TLogKind::lkError,
            QStringLiteral("Skipped a listing entry whose name cannot be used in a command: \"%1\"")
                .arg(printableRemoteName(e.name)));
    }
    return result;
}

TListing TFTPWorker::listCurrentDirectory()
{
    if (m_stopRequested.load()) {
        consumeStop();
        throw ftp::AbortedError("Listing stopped");
    }
    try {
        return usableEntries(m_client.list());
    } catch (const ftp::AbortedError&) {
        consumeStop(); // the stop has done its work
        throw;
    }
}

void TFTPWorker::probeLinks(TListing& entries, const QString& returnDirectory)
{
    TLinkProbe probe(m_client, m_stopRequested,
                     [this](TLogKind kind, const QString& text) { log(kind, text); });
    probe.run(entries, utf8(returnDirectory));
}

void TFTPWorker::runList()
{
    bracket(TMessageKey::strRSSTListingDirectory, [&] {
        {
            QMutexLocker guard(&m_stateLock);
            m_listing.reset();
        }
        const QString directory = CurrentDir();
        if (TListingPtr cached = m_cache.find(directory)) {
            QMutexLocker guard(&m_stateLock);
            m_listing = std::move(cached);
        } else {
            try {
                TListing entries;
                if (onConnection([&] { entries = listCurrentDirectory(); })) {
                    // A reconnect may have landed elsewhere than asked.
                    const QString listed = CurrentDir();
                    probeLinks(entries, listed);
                    auto listing = std::make_shared<const TListing>(std::move(entries));
                    m_cache.add(listed, listing);
                    QMutexLocker guard(&m_stateLock);
                    m_listing = std::move(listing);
                }
            } catch (const ftp::SocketError& e) {
                report(MakeSocketError(e));
            } catch (const ftp::ReplyError& e) {
                report(replyFailure<EFTRemoteDirectoryCantRead>(e));
            } catch (const ftp::FtpError& e) {
                report(replyFailure<EFTRemoteDirectoryParseFailed>(e));
            }
        }
        fire(TWorkerEvent::OnListed);
    });
    consumeStop();
}

// --- Synchronous operations -----------------------------------------------------------

void TFTPWorker::ChangeDir(const QString& directory)
{
    bracket(TMessageKey::strRSSTChangingDirectory, [&] {
        if (directory == CurrentDir())
            return;
        if (!isSendableArgument(directory)) {
            log(TLogKind::lkError,
                QStringLiteral("Refused to change to a directory whose name holds a line break"));
            report(std::make_unique<EFTRemoteDirectoryCantChange>());
            return;
        }
        try {
            QString now;
            if (!onConnection([&] {
                    m_client.cwd(utf8(directory));
                    now = pwd();
                }))
                return;
            setCurrentDir(now);
            fire(TWorkerEvent::OnDirectoryChanged);
        } catch (const ftp::SocketError& e) {
            report(MakeSocketError(e));
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteDirectoryCantChange>(e));
        } catch (const ftp::FtpError& e) {
            log(TLogKind::lkDebug,
                QStringLiteral("Changing directory failed: %1").arg(QString::fromUtf8(e.what())));
        }
    });
}

void TFTPWorker::ChangeDirUp()
{
    bracket(TMessageKey::strRSSTChangingDirectory, [&] {
        try {
            QString now;
            if (!onConnection([&] {
                    m_client.cdup();
                    now = pwd();
                }))
                return;
            setCurrentDir(now);
            fire(TWorkerEvent::OnDirectoryChanged);
        } catch (const ftp::SocketError& e) {
            report(MakeSocketError(e));
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteDirectoryCantChange>(e));
        } catch (const ftp::FtpError& e) {
            log(TLogKind::lkDebug,
                QStringLiteral("Changing directory failed: %1").arg(QString::fromUtf8(e.what())));
        }
    });
}

void TFTPWorker::MakeDir(const QString& name)
{
    bracket(std::nullopt, [&] {
        if (!isSendableArgument(name)) {
            log(TLogKind::lkError,
                QStringLiteral("Refused to make a directory whose name holds a line break"));
            report(std::make_unique<EFTRemoteDirectoryCantCreate>());
            return;
        }
        try {
            onConnection([&] { m_client.mkd(utf8(name)); });
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteDirectoryCantCreate>(e));
        }
    });
    syncConnectionState();
}

void TFTPWorker::Rename(const QString& oldName, const QString& newName)
{
    bracket(std::nullopt, [&] {
        if (!isSendableArgument(oldName) || !isSendableArgument(newName)) {
            log(TLogKind::lkError, QStringLiteral("Refused to rename: a name holds a line break"));
            report(std::make_unique<EFTRemoteCantRename>());
            return;
        }
        try {
            onConnection([&] { m_client.rename(utf8(oldName), utf8(newName)); });
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteCantRename>(e));
        }
    });
    syncConnectionState();
}

void TFTPWorker::DeleteFile(const QString& name)
{
    bracket(std::nullopt, [&] {
        if (!isSendableArgument(name)) {
            log(TLogKind::lkError, QStringLiteral("Refused to delete a file whose name holds a line break"));
            report(std::make_unique<EFTRemoteFileCantDelete>());
            return;
        }
        try {
            m_client.dele(utf8(name));
        } catch (const ftp::SocketError& e) {
            report(MakeSocketError(e));
        } catch (const ftp::ReplyError& e) {
            report(replyFailure<EFTRemoteFileCantDelete>(e));
        } catch (const ftp::FtpError& e) {
            log(TLogKind::lkDebug, QStringLiteral("Deleting failed: %1").arg(QString::fromUtf8(e.what())));
        }
    });
    syncConnectionState();
}

ftp::Reply TFTPWorker::SiteChmod(const QString& name, const QString& mode)
{
    return m_client.site(utf8(QStringLiteral("CHMOD %1 %2").arg(mode, name)));
}

ftp::Reply TFTPWorker::SiteChown(const QString& name, const QString& user)
{
    return m_client.site(utf8(QStringLiteral("CHOWN %1 %2").arg(user, name)));
}

ftp::Reply TFTPWorker::SiteChgrp(const QString& name, const QString& group)
{
    return m_client.site(utf8(QStringLiteral("CHGRP %1 %2").arg(group, name)));
}

bool TFTPWorker::ResumeSupported()
{
    try {
        return m_client.isConnected() && m_client.resumeSupported();
    } catch (const ftp::FtpError&) {
        syncConnectionState();
        return false;
    }
}

// --- State ---------------------------------------------------------------------------

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
