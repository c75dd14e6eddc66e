#include "queue/TFTPTransfer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "core/FileTimes.h"
#include "core/PathHelpers.h"
#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "core/TsanAnnotations.h"
#include "engine/ConnectionTimeouts.h"
#include "engine/EngineErrors.h"
#include "engine/SocketErrorRule.h"
#include "engine/TControlLog.h"
#include "ftp/Client.h"
#include "ftp/FtpError.h"
#include "ftp/ListingParser.h"
#include "queue/QueuePaths.h"
#include "queue/TDownloadDirectory.h"
#include "queue/TDownloadSink.h"
#include "queue/TFTPTransferSupport.h"
#include "queue/TFileTransferTypes.h"
#include "queue/TFreshRemoteDirectories.h"
#include "queue/TQueueItem.h"

namespace {

using namespace transfersupport;

constexpr std::chrono::milliseconds kDataReadTimeout{30000};

// The directory of a download below its item's local root, made where missing
// and opened without following links below the root (TDownloadDirectory).
TDownloadDirectory openLocalDirectory(const QString& root, const QString& directory)
{
    const auto plain = [](const QString& path) {
        return std::string(QFile::encodeName(QDir::cleanPath(QDir::fromNativeSeparators(path))).constData());
    };
    return TDownloadDirectory::open(plain(root), plain(directory), true);
}

} // namespace

TFTPTransfer::TFTPTransfer(QObject* mainContext)
    : m_mainContext(mainContext)
    , m_client(std::make_unique<ftp::Client>())
{}

TFTPTransfer::~TFTPTransfer()
{
    // Freed after its end (deleteLater on finished). Qt still looks at the object
    // in its thread after finished(); the wait, which returns at once, orders that
    // before the free in a way ThreadSanitizer sees too.
    wait();
}

void TFTPTransfer::Stop()
{
    m_stopRequested.store(true);
    // Wakes whatever the thread waits for on its connection (the greeting, a
    // reply, a stalled data connection); the connection is closed then.
    m_client->abort();
}

void TFTPTransfer::detach()
{
    // The handlers stay as they are (one of them may be running further up the
    // stack); onMain() no longer calls them.
    m_detached.store(true);
    Item = nullptr;
}

bool TFTPTransfer::stopping() const
{
    return m_stopRequested.load() || isInterruptionRequested();
}

void TFTPTransfer::checkStop() const
{
    if (stopping())
        throw ftp::AbortedError("Transfer stopped");
}

bool TFTPTransfer::onMain(const std::function<void()>& call)
{
    QObject* context = m_mainContext.data();
    if (!context || m_detached.load())
        return false;
    bool ran = false;
    VANTOR_TSAN_HAND_OVER(&ran);
    const bool delivered = QMetaObject::invokeMethod(
        context,
        [this, &call, &ran] {
            VANTOR_TSAN_SERVE(&ran);
            // Detached while the call was on its way: nobody listens any more.
            if (m_detached.load())
                return;
            ++m_servingCalls;
            try {
                call();
            } catch (...) {
                // A handler's failure must not unwind through the event loop.
            }
            --m_servingCalls;
            ran = true;
        },
        Qt::BlockingQueuedConnection);
    VANTOR_TSAN_HANDED_BACK(&ran);
    return delivered && ran;
}

QList<TFTPTransfer*> TFTPTransfer::waitForEnd(const QList<TFTPTransfer*>& threads, int timeoutMs)
{
    QList<QPointer<TFTPTransfer>> pending;
    QList<TFTPTransfer*> left;
    QEventLoop loop;
    for (TFTPTransfer* thread : threads) {
        if (!thread || thread->hasEnded())
            continue;
        // A thread blocked in a call that runs further up this stack cannot end
        // before this wait does.
        if (thread->isWaitingForMain()) {
            left.append(thread);
            continue;
        }
        pending.append(thread);
        connect(thread, &TFTPTransfer::ended, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    }
    const auto allEnded = [&pending] {
        for (const QPointer<TFTPTransfer>& thread : pending)
            if (thread && !thread->hasEnded())
                return false;
        return true;
    };
    QElapsedTimer clock;
    clock.start();
    // The timer only guards against a quit that arrived before exec(); the threads'
    // blocking calls are served by the loop itself.
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    while (!allEnded() && clock.elapsed() < timeoutMs)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    for (const QPointer<TFTPTransfer>& thread : pending)
        if (thread && !thread->hasEnded())
            left.append(thread.data());
    return left;
}

void TFTPTransfer::run()
{
    itemDone();
    while (!stopping() && m_hasJob) {
        workItem();
        itemDone();
    }
    CloseConnection();
    m_ended.store(true);
    emit ended();
}

void TFTPTransfer::itemDone()
{
    m_hasJob = false;
    bool hasJob = false;
    onMain([this, &hasJob] {
        if (OnItemDone)
            OnItemDone(this);
        else
            Item = nullptr;
        hasJob = Item != nullptr;
    });
    m_hasJob = hasJob && !m_detached.load();
}

void TFTPTransfer::log(bool error, const QString& line)
{
    onMain([&] {
        if (OnLog)
            OnLog(this, error, line);
    });
}

void TFTPTransfer::attachHandlers()
{
    ftp::ClientCallbacks& callbacks = m_client->callbacks();
    if (OnControlLog && !m_controlLog) {
        m_controlLog = std::make_unique<TControlLog>(OnControlLog);
        callbacks.commandSent = [this](const std::string& line) { m_controlLog->sent(line); };
        callbacks.replyParsed = [this](const ftp::Reply& reply) { m_controlLog->received(reply); };
    }
    callbacks.status = [this](ftp::ConnectionStatus status, const std::string&) {
        onConnectionStatus(status);
    };
    callbacks.dataConnectionCreated = [](ftp::DataConnectionSettings& settings) {
        settings.readTimeout = kDataReadTimeout;
    };
    callbacks.workBegin = [this](ftp::TransferDirection, std::int64_t) {
        m_dataBegun = true;
        ReportStatus(text(TMessageKey::strRSSTStartingTransfer), TTransferState::tsStarting);
    };
    callbacks.workProgress = [this](std::int64_t bytes) { onWorkProgress(bytes); };
    callbacks.workEnd = [this](bool completed) {
        // Only a transfer that really completed shows as complete; a failed one
        // keeps its last status until its error is shown.
        if (completed && !stopping())
            ReportStatus(text(TMessageKey::strRSSTTransferComplete), TTransferState::tsComplete);
        m_client->callbacks().status = nullptr;
    };
    callbacks.certificate = [this](const ftp::CertificateInfo& info) {
        if (info.verified)
            return true;
        bool accepted = false;
        onMain([&] { accepted = OnCertificate && OnCertificate(m_job.Host, info); });
        return accepted;
    };
}

void TFTPTransfer::onConnectionStatus(ftp::ConnectionStatus status)
{
    using ftp::ConnectionStatus;
    switch (status) {
    case ConnectionStatus::hsResolving:
        ReportStatus(text(TMessageKey::strRSSTResolving), TTransferState::tsResolving);
        break;
    case ConnectionStatus::hsConnecting:
        ReportStatus(text(TMessageKey::strRSSTConnecting), TTransferState::tsConnecting);
        break;
    case ConnectionStatus::hsConnected:
        ReportStatus(text(TMessageKey::strRSSTConnected), TTransferState::tsConnected);
        break;
    case ConnectionStatus::hsDisconnecting:
        ReportStatus(text(TMessageKey::strRSSTDisconnecting), TTransferState::tsDisconnecting);
        break;
    case ConnectionStatus::hsDisconnected:
        ReportStatus(text(TMessageKey::strRSSTDisconnected), TTransferState::tsDisconnected);
        break;
    case ConnectionStatus::hsStatusText:
        ReportStatus(QString(), TTransferState::tsStatusText);
        break;
    case ConnectionStatus::ftpTransfer:
        ReportStatus(QString(), TTransferState::tsTransferring);
        break;
    case ConnectionStatus::ftpReady:
        ReportStatus(QString(), TTransferState::tsReady);
        break;
    case ConnectionStatus::ftpAborted:
        ReportStatus(QString(), TTransferState::tsStopped);
        break;
    }
}

void TFTPTransfer::onWorkProgress(std::int64_t bytes)
{
    if (stopping()) {
        // Closing the connection makes the running transfer fail at once; an
        // orderly stop closes only the data connection (ABOR follows).
        if (m_stopCleanly.load())
            m_client->killDataChannel();
        else
            m_client->abort();
        return;
    }
    const qint64 done = bytes + m_resumeOffset.load();
    m_bytesDone.store(done);
    const qint64 size = m_job.FileSize;
    m_percent.store(done > 0 && size > 0 ? int(std::llround(double(done) * 100.0 / double(size))) : 0);
    ReportStatus(text(TMessageKey::strRSSTTransfering), TTransferState::tsTransferring);
}

void TFTPTransfer::ReportStatus(const QString& statusText, TTransferState state)
{
    if (stopping())
        return;
    m_stateText = statusText;
    m_stateCode.store(state);
    if (state != TTransferState::tsStarting && state == m_lastReported)
        return;
    m_lastReported = state;
    if (!m_hasJob)
        return;
    onMain([&] {
        if (OnStatus)
            OnStatus(this, state, statusText);
    });
}

void TFTPTransfer::CloseConnection()
{
    if (m_client->isConnected()) {
        m_client->abortTransfer();
        if (stopping() && !m_stopCleanly.load())
            m_client->disconnect();
        else
            m_client->quit();
    }
    ReportStatus(text(TMessageKey::strRSFTPRemoteTransferStopped), TTransferState::tsStopped);
}

void TFTPTransfer::workItem()
{
    m_bytesDone.store(0);
    m_percent.store(0);
    m_resumeOffset.store(0);
    PendingError.reset();
    Outcome = TItemOutcome::Completed;
    m_lastReported = TTransferState::tsAwaiting;
    attachHandlers();
    try {
        checkStop();
        prepareConnection();
        connectAndLogin();
        checkStop();
        if (m_job.Download)
            m_job.IsDirectory ? downloadDirectory() : downloadFile();
        else
            m_job.IsDirectory ? uploadDirectory() : uploadFile();
    } catch (const EFTPFileAlreadyExistsException& error) {
        PendingError = error.clone();
    } catch (const EFTPTransferException& error) {
        // The specific class stays with the thread; the item gets the texts, the
        // server's reply and the retry verdict.
        auto copy = std::make_unique<EFTPTransferException>(error.ShortDescription, error.LongDescription);
        copy->setCause(error.ReplyCode(), error.ServerText(), error.retryable());
        PendingError = std::move(copy);
    } catch (const EEngineError& error) {
        PendingError = error.clone();
    } catch (const ftp::FtpError& error) {
        PendingError = std::make_unique<EEngineError>(wrapped(error));
    } catch (const std::exception& error) {
        PendingError = std::make_unique<EEngineError>(fromUtf8(error.what()));
    }
    if (!PendingError)
        return; // done, even when a stop came too late to cut it short
    Outcome = TItemOutcome::Failed;
    // Whatever a stopped item ran into was the stop's doing (or no longer matters).
    if (stopping()) {
        PendingError.reset();
        Outcome = TItemOutcome::Stopped;
    }
}

void TFTPTransfer::prepareConnection()
{
    const THost& host = m_job.Host;
    const QString user = host.IsAnonymous ? QStringLiteral("anonymous") : host.Username;
    const QString password = host.IsAnonymous ? (MainConfig() ? MainConfig()->AnonymousEmail()
                                                              : QStringLiteral("anonymous@example.com"))
                                              : host.Password;
    // A login is reused only by an item of the same host, port, user and TLS
    // setting: another user's login, or one without the TLS the item asks for,
    // must not carry its transfer.
    if (m_client->isConnected() && (m_connectedHost != host.Hostname || m_connectedPort != host.Port ||
                                    m_connectedUser != user || m_connectedTls != host.UseSSL)) {
        CloseConnection();
    }
    // A TLS 1.3 server that accepts each ticket once and has none left for us
    // would refuse the next data connection: a new login brings new tickets.
    if (m_client->isConnected() && m_client->tlsTicketsSpent()) {
        log(false, QStringLiteral("Logging in again: the server's TLS session tickets are used up"));
        CloseConnection();
    }
    ftp::ClientOptions& options = m_client->options();
    options.host = utf8(host.Hostname);
    options.port = static_cast<std::uint16_t>(host.Port);
    options.passive = host.Passive;
    options.dataReadTimeout = kDataReadTimeout;
    options.acceptDataWithoutCloseNotify = host.AcceptDataWithoutCloseNotify;
    const TConnectionTimeouts timeouts = ConfiguredConnectionTimeouts();
    options.connectTimeout = timeouts.connect;
    options.replyTimeout = timeouts.reply;
    if (!m_client->isConnected()) {
        options.user = utf8(user);
        options.password = utf8(password);
        options.tlsMode = host.UseSSL ? ftp::TlsMode::RequireExplicit : ftp::TlsMode::None;
        options.allowLegacyCiphers = host.AllowLegacyTlsCiphers;
    }
}

void TFTPTransfer::connectAndLogin()
{
    if (m_client->isConnected())
        return;
    m_currentDirectory.clear();
    m_currentType.clear();
    try {
        m_client->connect();
    } catch (const ftp::SocketError& error) {
        // A server that accepted the connection but never greeted timed out; it
        // did not refuse.
        const TConnectionFailure kind =
            error.code() == ftp::SocketError::kHostNotFound ? TConnectionFailure::cfHostNotFound
            : error.code() == ftp::SocketError::kTimedOut   ? TConnectionFailure::cfTimedOut
                                                            : TConnectionFailure::cfRefused;
        EFTRemoteConnectionFailed failure(kind);
        failure.setCause(error);
        ReportStatus(failure.ShortDescription, TTransferState::tsError);
        throw failure;
    } catch (const ftp::AbortedError&) {
        throw;
    } catch (const ftp::FtpError&) {
        // A refusing greeting: logging in says what is wrong.
    }
    try {
        m_client->login();
    } catch (const ftp::AbortedError&) {
        throw;
    } catch (const ftp::CertificateRejectedError& error) {
        EFTRemoteCertificateRejected failure;
        failure.setCause(error);
        ReportStatus(failure.ShortDescription, TTransferState::tsError);
        m_client->disconnect();
        throw failure;
    } catch (const ftp::SocketError& error) {
        // A dropped or silent connection is no wrong password.
        const std::unique_ptr<EFTPTransferException> failure = MakeSocketError(error);
        ReportStatus(failure->ShortDescription, TTransferState::tsError);
        m_client->disconnect();
        failure->raise();
    } catch (const ftp::FtpError& error) {
        ReportStatus(text(TMessageKey::strRSFTRemoteAuthenticationFailed), TTransferState::tsError);
        m_client->disconnect();
        throw wrapped<EFTRemoteAuthenticationFailed>(error);
    }
    const THost& host = m_job.Host;
    m_connectedHost = host.Hostname;
    m_connectedPort = host.Port;
    m_connectedUser = fromUtf8(m_client->options().user);
    m_connectedTls = host.UseSSL;
}

void TFTPTransfer::sendTransferType()
{
    // One TYPE per change: a connection keeps its type until told otherwise
    // (RFC 959 section 3.1.1.1 makes the type a state of the connection).
    const QString command = TransferTypeCommand(FileTransferTypes(), m_job.LocalFilename);
    if (command == m_currentType)
        return;
    m_currentType.clear();
    if (m_client->raw(utf8(command)).positive())
        m_currentType = command;
}

void TFTPTransfer::changeDirectory(const QString& path)
{
    if (!m_currentDirectory.isEmpty() && path == m_currentDirectory)
        return;
    m_currentDirectory.clear();
    m_client->cwd(utf8(path));
    m_currentDirectory = path;
}

void TFTPTransfer::learnNames(const QString& path)
{
    // A name this connection never listed (another thread expanded its directory,
    // or the queue came from a file) is looked up first, so that a name the
    // server spells in Latin-1 goes back in its own bytes and no UTF-8 twin of it
    // is made. Plain ASCII paths cost nothing.
    const std::string p = utf8(path);
    if (!m_client->knowsName(p))
        m_client->learnNames(p);
}

void TFTPTransfer::failLocally(const QString& reason)
{
    ReportStatus(reason, TTransferState::tsError);
    // Retrying does not make a directory or a permission appear.
    EEngineError failure(reason);
    failure.setRetryable(false);
    throw failure;
}

void TFTPTransfer::downloadDirectory()
{
    // Only a directory that is there completes its item: the entries below it
    // would fail, or worse, be reported done.
    try {
        openLocalDirectory(m_job.LocalRoot, m_job.LocalFilename);
    } catch (const ftp::LocalFileError& error) {
        failLocally(fromUtf8(error.what()));
    }
    const QString remoteDir = IncludeTrailingSlash(m_job.RemoteFilename);
    ReportStatus(text(TMessageKey::strRSSTSearchingDirectoryForFiles), TTransferState::tsStarting);
    learnNames(remoteDir);
    QList<TSyncQueueItem> expansion;
    try {
        changeDirectory(remoteDir);
    } catch (const ftp::ReplyError& error) {
        throw wrapped<EFTRemoteDirectoryCantChange>(error);
    }
    std::vector<ftp::ListingEntry> entries;
    try {
        entries = m_client->list();
    } catch (const ftp::ReplyError& error) {
        throw wrapped<EFTRemoteDirectoryCantRead>(error);
    }
    const QString here = IncludeTrailingSlash(fromUtf8(m_client->pwd()));
    for (const ftp::ListingEntry& entry : entries) {
        const QString name = fromUtf8(entry.name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (!IsSafeEntryName(name)) {
            log(true, QStringLiteral("Skipped the entry \"%1\" of %2: the name %3")
                          .arg(name, here, UnsafeEntryNameReason(name)));
            continue;
        }
        TSyncQueueItem found;
        found.RemotePath = here + name;
        found.IsDirectory = entry.isDirectory();
        found.Size = entry.size.value_or(-1);
        found.ModifiedDateTime = EntryTimeToValue(entry.modified);
        expansion.append(found);
    }
    if (stopping())
        throw EEngineError(text(TMessageKey::strRSFTPRemoteTransferStopped));
    onMain([&] {
        if (OnExpansion)
            OnExpansion(this, m_job, expansion);
    });
}

std::optional<qint64> TFTPTransfer::askSize(const std::string& name)
{
    // SIZE counts the bytes TYPE I would send (RFC 3659 section 4).
    static const QString binary = QStringLiteral("TYPE I");
    if (m_currentType != binary) {
        m_currentType.clear();
        if (!m_client->raw(utf8(binary)).positive())
            return std::nullopt;
        m_currentType = binary;
    }
    const std::optional<std::int64_t> size = m_client->size(name);
    if (size && *size >= 0)
        return *size;
    return std::nullopt;
}

void TFTPTransfer::downloadFile()
{
    const QString local = m_job.LocalFilename;
    const QString remote = m_job.RemoteFilename;
    std::optional<TDownloadDirectory> directory;
    try {
        directory = openLocalDirectory(m_job.LocalRoot, QFileInfo(local).path());
    } catch (const ftp::LocalFileError& error) {
        failLocally(fromUtf8(error.what()));
    }
    const std::string name(QFile::encodeName(QFileInfo(local).fileName()).constData());
    learnNames(remote);
    if (m_job.FileSize == -1 || m_job.FileModifiedDateTime == kUnknownDateTime) {
        const std::vector<ftp::ListingEntry> entries = m_client->list(utf8(remote));
        if (!entries.empty()) {
            const ftp::ListingEntry& entry = entryNamed(entries, utf8(ExtractRemoteFileName(remote)));
            m_job.FileSize = entry.size.value_or(-1);
            m_job.FileModifiedDateTime = EntryTimeToValue(entry.modified);
            m_job.SizeIsCurrent = m_job.FileSize >= 0;
            onMain([&] {
                if (OnItemInfo)
                    OnItemInfo(this, m_job.FileSize, m_job.FileModifiedDateTime);
            });
        }
    }
    checkStop();
    const std::string localPath = utf8(local);
    try {
        TDownloadSink::refuseSpecialTarget(directory->fd(), name, localPath);
        TDownloadSink::TMode mode = TDownloadSink::TMode::Create;
        struct stat existing
        {};
        if (::fstatat(directory->fd(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            const qint64 localSize = existing.st_size;
            // A remote size the listing did not give is asked for: without it the
            // local file cannot be told smaller, and nothing is resumed.
            if (m_job.FileSize < 0) {
                if (const auto size = askSize(utf8(remote))) {
                    m_job.FileSize = *size;
                    m_job.SizeIsCurrent = true;
                }
            }
            const bool smaller = m_job.FileSize >= 0 && localSize < m_job.FileSize;
            const TFileAlreadyExistsAction action =
                smaller ? m_job.SmallerFileExistsAction : m_job.FileExistsAction;
            if (action == TFileAlreadyExistsAction::faeOverwrite) {
                mode = TDownloadSink::TMode::Replace;
            } else {
                const QString localDate =
                    FileTimeToText(QDateTime::fromSecsSinceEpoch(existing.st_mtim.tv_sec, Qt::UTC));
                const QString remoteDate = DateTimeValueToText(m_job.FileModifiedDateTime);
                if (!smaller) {
                    ReportStatus(text(TMessageKey::strRSFTPLocalFileAlreadyExists), TTransferState::tsError);
                    throw EFTLocalFileAlreadyExists(remoteDate, localDate, m_job.FileSize, localSize);
                }
                if (action != TFileAlreadyExistsAction::faeResume) {
                    ReportStatus(text(TMessageKey::strRSFTPLocalFileSmallerAlreadyExists),
                                 TTransferState::tsError);
                    throw EFTLocalFileSmallerAlreadyExists(remoteDate, localDate, m_job.FileSize, localSize);
                }
                m_resumeOffset.store(localSize);
                mode = TDownloadSink::TMode::Resume;
            }
        }
        sendTransferType();
        const qint64 offset = m_resumeOffset.load();
        // Without REST the existing part cannot be kept, and it is never overwritten.
        if (offset > 0 && !m_client->resumeSupported())
            throw EEngineError(QStringLiteral("Destination file already exists."));
        checkStop();
        TDownloadSink sink(directory->fd(), name, localPath, mode, offset);
        // A size fresh from the listing saves asking the server for it (SIZE) once more.
        std::optional<std::int64_t> size;
        if (m_job.SizeIsCurrent)
            size = m_job.FileSize;
        m_client->retrieve(utf8(remote), sink, offset, size);
    } catch (const ftp::ReplyError& error) {
        ReportStatus(text(TMessageKey::strRSSTRemoteFileDoesntExist), TTransferState::tsError);
        throw wrapped(error);
    }
}
