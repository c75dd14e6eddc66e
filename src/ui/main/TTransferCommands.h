#pragma once

#include <functional>

#include <QList>
#include <QString>
#include <QStringList>

#include "engine/TLogKind.h"

class QWidget;
class TBrowsingState;
class TFTPWorker;
class TFormLanguage;
class TLocalPane;
class TQueueManager;
class TRemotePane;

// The commands that turn a local or remote selection, or a drop, into queue
// items: Upload and Add to queue of the local pane, Download and Add to queue of
// the remote pane, and the building blocks the drops use. Every item gets a copy
// of the session's host. Nothing transfers here; active items start with
// Schedule().
//
// A ".." row is never queued. An upload whose file cannot be read (it vanished,
// it is no regular file) is logged, and the rest of that command is not queued.
//
// User-interface thread only.
class TTransferCommands final
{
public:
    using TLog = std::function<void(TLogKind kind, const QString& text)>;

    TTransferCommands(TBrowsingState& state, TFTPWorker& worker, TRemotePane& remote, TLocalPane& local,
                      const TFormLanguage& language, QWidget* dialogParent, TLog log);

    void setQueue(TQueueManager* queue) { m_queue = queue; }
    TQueueManager* queue() const { return m_queue; }

    // UploadAction (active, then Schedule) and AddLocalFilesToQueueAction.
    void uploadLocalSelection(bool active);
    // DownloadAction (active; with nothing selected it asks whether to take every
    // row; then Schedule) and AddRemoteFilesToQueueAction.
    void downloadRemoteSelection(bool active);

    // Uploads of `paths` below `localRoot` into `remoteRoot`; how many were queued.
    int queueUploads(const QStringList& paths, const QString& localRoot, bool active,
                     const QString& remoteRoot);
    // Downloads of the remote list's `rows` (view rows) into `localRoot`.
    int queueRemoteRows(const QList<int>& rows, bool active, const QString& localRoot);
    void schedule();

    // The worker's current directory with a trailing "/".
    QString remoteRoot() const;
    // The local pane's folder with a trailing separator.
    QString localRoot() const;

private:
    TBrowsingState& m_state;
    TFTPWorker& m_worker;
    TRemotePane& m_remote;
    TLocalPane& m_local;
    const TFormLanguage& m_language;
    QWidget* m_dialogParent;
    TLog m_log;
    TQueueManager* m_queue = nullptr;
};
