#include "ui/main/TRemoteFileOpener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QTemporaryDir>

#include "core/Format.h"
#include "core/PathHelpers.h"
#include "core/TFileAlreadyExistsAction.h"
#include "queue/DateTimeValue.h"
#include "queue/TQueueItem.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/CertificateFormUnit.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TCompletedQueueItem.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"

struct TRemoteFileOpener::TTempFile
{
    THost Host;
    QString RemoteRoot;
    QString RemoteFilename;
    QString LocalFile;
    QPointer<QProcess> Process;
    bool ProcessEnded = false;
    bool UploadPending = false; // an upload of it was queued and has not completed
    // The copy as it was when its program started, or when last asked about.
    TFileState Opened;
    TFileState LastSeen;
    TListed Listed;
    QTimer Settle;
};

namespace {

QString remoteNameOf(const QString& remoteFilename)
{
    return remoteFilename.mid(remoteFilename.lastIndexOf(u'/') + 1);
}

QString remoteDirectoryOf(const QString& remoteFilename)
{
    return remoteFilename.left(remoteFilename.lastIndexOf(u'/') + 1);
}

} // namespace

TRemoteFileOpener::TRemoteFileOpener(QWidget& window, const TFormLanguage& language, TQueueManager& queue,
                                     QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_language(language)
    , m_queue(queue)
    , m_watcher(new QFileSystemWatcher(this))
{
    m_lookup = [](const QString& file) { return platform::TDesktopAssociations().commandFor(file); };
    m_serverCheck = [this](const THost& host, const QString& directory, const QString& name,
                           TRemoteFileProbe::TDone done) {
        // The probe is freed once its answer was handed on.
        auto self = std::make_shared<QPointer<TRemoteFileProbe>>();
        auto* probe = new TRemoteFileProbe(
            host, directory, name,
            [self, done](const TRemoteFileFacts& facts) {
                if (done)
                    done(facts);
                if (*self)
                    (*self)->deleteLater();
            },
            [this](TCertificatePrompt& prompt) { AskCertificate(&m_window, prompt); }, this);
        *self = probe;
        probe->start();
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &TRemoteFileOpener::fileMayHaveChanged);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { pollAll(); });
    // Watches can be lost (a save by rename, a network file system): a slow poll as well.
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &TRemoteFileOpener::pollAll);
    connect(&m_queue, &TQueueManager::OnItemComplete, this, &TRemoteFileOpener::uploadDone);
    connect(&m_queue, &TQueueManager::OnItemDeleted, this,
            [this](TQueueItem* item) { m_uploads.remove(item); });
}

TRemoteFileOpener::~TRemoteFileOpener()
{
    for (const std::unique_ptr<TTempFile>& record : m_records)
        release(record->Process);
}

void TRemoteFileOpener::release(QProcess* process)
{
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // A QProcess kills its program when it is destroyed: the user's editor may
    // hold unsaved work, so a running program's object is let go instead.
    process->setParent(nullptr);
}

void TRemoteFileOpener::setPollMs(int ms)
{
    m_poll.setInterval(ms);
}

QString TRemoteFileOpener::temporaryFolder()
{
    if (!m_folder.isEmpty() && QFileInfo(m_folder).isDir())
        return m_folder;
    // Private to this user (0700) and to this run of the program.
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vantor-ftp-XXXXXX"));
    if (!dir.isValid())
        return {};
    dir.setAutoRemove(false);
    m_folder = dir.path();
    return m_folder;
}

QStringList TRemoteFileOpener::localFiles() const
{
    QStringList files;
    for (const std::unique_ptr<TTempFile>& record : m_records)
        files.append(record->LocalFile);
    return files;
}

void TRemoteFileOpener::openSelection(const TRemotePane& remote, const THost& host)
{
    const TRemoteListModel& model = remote.model();
    const QString remoteRoot = IncludeTrailingSlash(remote.directory());
    for (int row : remote.selectedRows()) {
        const ftp::ListingEntry* entry = model.entryAt(row);
        // A directory cannot be opened in an editor.
        if (!entry || model.isParentRow(row) || model.isDirectoryAt(row))
            continue;
        queueOpen(host, remoteRoot, model.nameAt(row), model.fileSizeAt(row).value_or(-1),
                  EntryTimeToValue(entry->modified));
    }
    m_queue.Schedule();
}

void TRemoteFileOpener::queueOpen(const THost& host, const QString& remoteDirectory, const QString& name,
                                  qint64 size, double modified)
{
    const QString folder = temporaryFolder();
    if (folder.isEmpty()) {
        emit Log(TLogKind::lkError, Format(m_language.text(QStringLiteral("strOpenNoTemporaryFolder")),
                                           {QDir::toNativeSeparators(QDir::tempPath())}));
        return;
    }
    const QString remoteRoot = IncludeTrailingSlash(remoteDirectory);
    try {
        TQueueItem* item = m_queue.AddDownload(host, remoteRoot, true, modified, size, false,
                                               IncludeTrailingBackslash(folder), remoteRoot + name);
        item->OpenWhenDone = true;
        m_listed.insert(remoteRoot + name, {size, modified});
    } catch (const std::exception& error) {
        emit Log(TLogKind::lkError, QString::fromUtf8(error.what()));
    }
}

TRemoteFileOpener::TFileState TRemoteFileOpener::stateOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return {info.lastModified(), info.size(), true};
}

TRemoteFileOpener::TTempFile* TRemoteFileOpener::recordOf(const QString& localFile) const
{
    for (const std::unique_ptr<TTempFile>& record : m_records)
        if (record->LocalFile == localFile)
            return record.get();
    return nullptr;
}

TRemoteFileOpener::TTempFile* TRemoteFileOpener::recordOf(const QProcess* process) const
{
    for (const std::unique_ptr<TTempFile>& record : m_records)
        if (process && record->Process == process)
            return record.get();
    return nullptr;
}

void TRemoteFileOpener::fileDownloaded(const TCompletedQueueItem& item)
{
    if (!item.Download || item.LocalFilename.isEmpty())
        return;
    const QString localFile = QDir::cleanPath(item.LocalFilename);
    const std::optional<platform::TOpenCommand> command = m_lookup ? m_lookup(localFile) : std::nullopt;
    if (!command) {
        emit Log(TLogKind::lkDebug, QStringLiteral("No application opens %1").arg(localFile));
        return;
    }
    // Opened again: the same copy, a new program and a new reference.
    TTempFile* record = recordOf(localFile);
    if (!record) {
        m_records.push_back(std::make_unique<TTempFile>());
        record = m_records.back().get();
        record->LocalFile = localFile;
        record->Settle.setSingleShot(true);
        connect(&record->Settle, &QTimer::timeout, this, [this, localFile] {
            if (TTempFile* r = recordOf(localFile))
                if (r->LastSeen.Exists && !(r->LastSeen == r->Opened))
                    ask(*r);
        });
    }
    release(record->Process);
    record->Host.Assign(item.Host);
    record->RemoteRoot = item.RemoteRoot;
    record->RemoteFilename = item.RemoteFilename;
    record->Listed = m_listed.take(item.RemoteFilename);
    record->Opened = stateOf(localFile);
    record->LastSeen = record->Opened;
    record->ProcessEnded = false;
    record->Settle.stop();

    auto* process = new QProcess(this);
    process->setProgram(command->Program);
    process->setArguments(command->Arguments);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setInputChannelMode(QProcess::ForwardedInputChannel);
    record->Process = process;
    connect(process, &QProcess::finished, this, [this, process] { processEnded(process); });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        // A program that cannot be started leaves the copy where it is; nothing is shown.
        if (error == QProcess::FailedToStart)
            processEnded(process);
    });
    watch(*record);
    process->start();
    emit programStarted(localFile);
}

void TRemoteFileOpener::watch(TTempFile& record)
{
    if (!m_watcher->files().contains(record.LocalFile))
        m_watcher->addPath(record.LocalFile);
    const QString folder = QFileInfo(record.LocalFile).absolutePath();
    if (!m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
    if (!m_poll.isActive())
        m_poll.start();
}

void TRemoteFileOpener::processEnded(QProcess* process)
{
    TTempFile* record = recordOf(process);
    if (!record || record->ProcessEnded)
        return;
    record->ProcessEnded = true;
    emit programEnded(record->LocalFile);
    const TFileState now = stateOf(record->LocalFile);
    record->LastSeen = now;
    record->Settle.stop();
    if (now.Exists && !(now == record->Opened))
        ask(*record);
}

void TRemoteFileOpener::fileMayHaveChanged(const QString& path)
{
    // A save by rename drops the watch on the old file: watch the new one.
    if (QFileInfo::exists(path) && !m_watcher->files().contains(path))
        m_watcher->addPath(path);
    if (TTempFile* record = recordOf(QDir::cleanPath(path)))
        examine(*record);
}

void TRemoteFileOpener::pollAll()
{
    for (const std::unique_ptr<TTempFile>& record : m_records)
        examine(*record);
}

void TRemoteFileOpener::examine(TTempFile& record)
{
    const TFileState now = stateOf(record.LocalFile);
    if (now == record.LastSeen)
        return;
    record.LastSeen = now;
    if (now.Exists && !m_watcher->files().contains(record.LocalFile))
        m_watcher->addPath(record.LocalFile);
    // Still being written, or changed back: the question waits until the copy
    // has stayed the same for a while.
    if (now.Exists && !(now == record.Opened))
        record.Settle.start(m_settleMs);
    else
        record.Settle.stop();
}

void TRemoteFileOpener::ask(TTempFile& record)
{
    if (m_asking) {
        // One question at a time; this one comes once the other was answered.
        record.Settle.start(m_settleMs);
        return;
    }
    const QString localFile = record.LocalFile;
    record.Opened = record.LastSeen;
    m_asking = true;
    const int answer = ShowRememberedDialog(
        &m_window, m_language, QStringLiteral("IDS_56"), {QDir::toNativeSeparators(localFile)},
        TMessageRequest::TType::Confirmation, QMessageBox::Yes | QMessageBox::No, 7);
    m_asking = false;
    if (answer == 6)
        checkServerAndUpload(localFile);
}

void TRemoteFileOpener::checkServerAndUpload(const QString& localFile)
{
    TTempFile* record = recordOf(localFile);
    if (!record)
        return;
    if (!m_serverCheck) {
        upload(localFile);
        return;
    }
    const QString directory = remoteDirectoryOf(record->RemoteFilename);
    const QString name = remoteNameOf(record->RemoteFilename);
    m_serverCheck(record->Host, directory, name, [this, localFile](const TRemoteFileFacts& facts) {
        TTempFile* r = recordOf(localFile);
        if (!r)
            return;
        if (!facts.Checked) {
            // Unknown whether someone else changed it: the user decides (Yes, as
            // they already chose to upload).
            TMessageRequest question;
            question.Type = TMessageRequest::TType::Warning;
            question.Text = Format(m_language.text(QStringLiteral("strOpenServerNotChecked")),
                                   {r->RemoteFilename, facts.Error});
            question.Buttons = QMessageBox::Yes | QMessageBox::No;
            question.DefaultButton = QMessageBox::Yes;
            if (TMessageDialog::show(&m_window, m_language, question) == QMessageBox::Yes)
                upload(localFile);
            return;
        }
        const bool sizeChanged =
            facts.Exists && r->Listed.Size >= 0 && facts.Size >= 0 && facts.Size != r->Listed.Size;
        const bool timeChanged = facts.Exists && r->Listed.Modified >= 0 && facts.Modified >= 0 &&
                                 facts.Modified != r->Listed.Modified;
        if (sizeChanged || timeChanged) {
            TMessageRequest question;
            question.Type = TMessageRequest::TType::Warning;
            question.Text =
                Format(m_language.text(QStringLiteral("strOpenServerChanged")), {r->RemoteFilename});
            question.Buttons = QMessageBox::Yes | QMessageBox::No;
            question.DefaultButton = QMessageBox::No;
            if (TMessageDialog::show(&m_window, m_language, question) != QMessageBox::Yes) {
                emit Log(TLogKind::lkStatus,
                         Format(m_language.text(QStringLiteral("strOpenNotUploaded")), {r->RemoteFilename}));
                return;
            }
        }
        upload(localFile);
    });
}

void TRemoteFileOpener::upload(const QString& localFile)
{
    TTempFile* record = recordOf(localFile);
    if (!record)
        return;
    try {
        TQueueItem* item =
            m_queue.AddUpload(record->Host, IncludeTrailingBackslash(QFileInfo(localFile).path()), false,
                              record->RemoteRoot, localFile);
        item->FileExistsAction = TFileAlreadyExistsAction::faeOverwrite;
        item->SmallerFileExistsAction = TFileAlreadyExistsAction::faeOverwrite;
        m_uploads.insert(item, localFile);
        record->UploadPending = true;
        m_queue.BeginItem(item);
        emit uploadStarted(localFile);
    } catch (const std::exception& error) {
        emit Log(TLogKind::lkError, QString::fromUtf8(error.what()));
    }
}

void TRemoteFileOpener::uploadDone(TQueueItem* item)
{
    const QString localFile = m_uploads.take(item);
    TTempFile* record = localFile.isEmpty() ? nullptr : recordOf(localFile);
    if (!record)
        return;
    record->UploadPending = false;
    for (TQueueItem* other : m_uploads.keys())
        if (m_uploads.value(other) == localFile)
            record->UploadPending = true;
    if (!m_serverCheck)
        return;
    // The server's file is ours now: what it lists from here on is the reference.
    record->Listed = {};
    m_serverCheck(record->Host, remoteDirectoryOf(record->RemoteFilename),
                  remoteNameOf(record->RemoteFilename), [this, localFile](const TRemoteFileFacts& facts) {
                      if (TTempFile* r = recordOf(localFile); r && facts.Checked && facts.Exists)
                          r->Listed = {facts.Size, facts.Modified};
                  });
}

void TRemoteFileOpener::deleteTemporaryFiles()
{
    for (const std::unique_ptr<TTempFile>& record : m_records) {
        record->Settle.stop();
        // An upload that has not completed (still queued, stopped by the close,
        // failed) needs its copy: the edits would be lost, and the saved queue
        // names the file.
        if (record->UploadPending) {
            emit Log(TLogKind::lkError, Format(m_language.text(QStringLiteral("strOpenCopyKept")),
                                               {QDir::toNativeSeparators(record->LocalFile)}));
            continue;
        }
        if (QFileInfo(record->LocalFile).isFile())
            QFile::remove(record->LocalFile);
    }
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    m_poll.stop();
    for (const std::unique_ptr<TTempFile>& record : m_records)
        release(record->Process);
    m_records.clear();
    // The folder goes too when nothing else is left in it.
    if (!m_folder.isEmpty())
        QDir().rmdir(m_folder);
}
