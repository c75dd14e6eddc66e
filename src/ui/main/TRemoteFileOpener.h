#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "core/THost.h"
#include "engine/TCertificatePrompt.h"
#include "engine/TLogKind.h"
#include "platform/TDesktopAssociations.h"
#include "ui/main/TRemoteFileProbe.h"

class QFileSystemWatcher;
class QProcess;
class QWidget;
class TFormLanguage;
class TQueueItem;
class TQueueManager;
class TRemotePane;
struct TCompletedQueueItem;

// "Open" on remote files: downloads them through the queue into a private
// temporary folder, opens each with the desktop's default application for its
// type, watches the copy and offers to upload it back once it was changed.
//
// - openSelection(): one download marked OpenWhenDone per selected file row of
//   the remote pane (not "..", not directories) into temporaryFolder() (created
//   on first use, mode 0700), then Schedule. The listing's size and time of each
//   file are kept to compare with the server before uploading.
// - fileDownloaded(): for a completed OpenWhenDone item: the command of the
//   default application (none: nothing happens, nothing is shown), started
//   without a shell; a record (TTempFile) of the copy, its program and the copy's
//   time and size now.
// - The question (IDS_56, remembered, assumed No) comes when the copy changed
//   and its program has ended, or when the copy changed and then stayed the
//   same for settleMs(): many editors hand the file to an instance already
//   running and exit at once, others keep running long after the save. A copy
//   that never changed asks nothing. After each question the current state of
//   the copy is the new reference, so a later save asks again.
// - On Yes the server's file is listed afresh (TRemoteFileProbe); when its size
//   or time differ from the listing it was downloaded from, strOpenServerChanged
//   asks before it is overwritten. Then an upload (inactive, both file-exists
//   actions faeOverwrite: a resume would append the edited copy's tail to the
//   old file) started at once with BeginItem.
//   When that listing fails, strOpenServerNotChecked asks whether to upload
//   anyway.
// - deleteTemporaryFiles() (the window's close): every record's copy is deleted,
//   the folder too when it is empty then, except a copy whose upload has not
//   completed (it is logged as kept). Programs still running are left running.
//
// Main thread only.
class TRemoteFileOpener final : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSettleMs = 3000;
    static constexpr int kPollMs = 1000;

    // The application for a file; the default asks TDesktopAssociations.
    using TCommandLookup = std::function<std::optional<platform::TOpenCommand>(const QString& file)>;
    // Lists the server's directory for a record (host, remote directory, name);
    // the default runs a TRemoteFileProbe.
    using TServerCheck = std::function<void(const THost& host, const QString& directory, const QString& name,
                                            TRemoteFileProbe::TDone done)>;

    TRemoteFileOpener(QWidget& window, const TFormLanguage& language, TQueueManager& queue,
                      QObject* parent = nullptr);
    ~TRemoteFileOpener() override;

    void setCommandLookup(TCommandLookup lookup) { m_lookup = std::move(lookup); }
    void setServerCheck(TServerCheck check) { m_serverCheck = std::move(check); }
    void setSettleMs(int ms) { m_settleMs = ms; }
    int settleMs() const { return m_settleMs; }
    void setPollMs(int ms);
    // Where downloads go; "" when it cannot be created. Tests may set their own.
    QString temporaryFolder();
    void setTemporaryFolder(const QString& folder) { m_folder = folder; }

    void openSelection(const TRemotePane& remote, const THost& host);
    // Queues one file of `remoteDirectory` (with its listing's size and time).
    void queueOpen(const THost& host, const QString& remoteDirectory, const QString& name, qint64 size,
                   double modified);
    void fileDownloaded(const TCompletedQueueItem& item);
    void deleteTemporaryFiles();

    // How many copies are watched, and the local paths (tests, the close).
    int recordCount() const { return int(m_records.size()); }
    QStringList localFiles() const;

signals:
    void Log(TLogKind kind, const QString& text);
    // A program was started for a copy (tests).
    void programStarted(const QString& localFile);
    // A copy's program ended or could not be started (tests).
    void programEnded(const QString& localFile);
    // An upload of a changed copy was queued and begun.
    void uploadStarted(const QString& localFile);

private:
    struct TTempFile;
    struct TFileState
    {
        QDateTime Modified;
        qint64 Size = -1;
        bool Exists = false;
        friend bool operator==(const TFileState&, const TFileState&) = default;
    };
    static TFileState stateOf(const QString& path);

    TTempFile* recordOf(const QString& localFile) const;
    TTempFile* recordOf(const QProcess* process) const;
    void watch(TTempFile& record);
    void processEnded(QProcess* process);
    void fileMayHaveChanged(const QString& path);
    void pollAll();
    void examine(TTempFile& record);
    void ask(TTempFile& record);
    void checkServerAndUpload(const QString& localFile);
    void upload(const QString& localFile);
    void uploadDone(TQueueItem* item);
    void release(QProcess* process);

    QWidget& m_window;
    const TFormLanguage& m_language;
    TQueueManager& m_queue;
    TCommandLookup m_lookup;
    TServerCheck m_serverCheck;
    QString m_folder;
    int m_settleMs = kSettleMs;
    QTimer m_poll;
    QFileSystemWatcher* m_watcher = nullptr;
    std::vector<std::unique_ptr<TTempFile>> m_records;
    // The listing's size and time of each file queued for opening, by remote path.
    struct TListed
    {
        qint64 Size = -1;
        double Modified = -1;
    };
    QHash<QString, TListed> m_listed;
    // Uploads of changed copies not yet complete, and their local files.
    QHash<TQueueItem*, QString> m_uploads;
    bool m_asking = false;
};
