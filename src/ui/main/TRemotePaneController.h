#pragma once

#include <atomic>
#include <optional>

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include "engine/TListing.h"
#include "engine/TLogKind.h"
#include "engine/TWorkerEvents.h"

class TBrowsingState;
class TFTPWorker;
class TRemotePane;

// What the remote pane does with the browsing worker: navigation with the
// selection memory, refilling after a listing, new directory, rename in place,
// delete, bookmarks, Copy URL and the filters. The pane owns it and calls it from
// its actions and its entry points.
//
// Remote work starts only while the state allows it (logged in, worker idle);
// the short operations run here on the main thread, listings and recursive
// deletes are queued for the worker's thread.
class TRemotePaneController final : public QObject
{
    Q_OBJECT

public:
    TRemotePaneController(TRemotePane& pane, TFTPWorker& worker, TBrowsingState& state);
    ~TRemotePaneController() override;

    // Worker events.
    void connected();
    void disconnected();
    void listed();
    void deleted();
    void idle();
    void showListing(TListingPtr listing, const QString& directory);
    void setPendingUploadedName(const QString& name) { m_pendingUploadedName = name; }
    const QString& directory() const { return m_directory; }

    // Navigation.
    void changeDirectory(const QString& path);
    void changeUp();
    void goHome();
    void refresh();
    // A double click or Enter on a row: a directory is entered, a file downloaded.
    void openRow(int row);
    void rememberSelection();

    // Commands.
    void makeDirectory();
    bool renameRow(const QString& oldName, const QString& newName);
    void deleteSelection();
    void copyUrl();
    void addCurrentDirBookmark();
    void selectFilter(int filterIndex);
    void disconnect();
    void stop();

private:
    bool canBrowse() const;
    void restoreSelection();
    void log(TLogKind kind, const QString& text);
    void commandFinished(WorkerCommand command);

    TRemotePane& m_pane;
    TFTPWorker& m_worker;
    TBrowsingState& m_state;

    QString m_directory;
    // Full paths of rows selected when their directory was left; exists from
    // OnConnected to OnDisconnected.
    std::optional<QSet<QString>> m_selectionMemory;
    QString m_pendingNewFolder;
    QString m_pendingUploadedName;
    // The directories handed to the last recursive delete.
    QStringList m_deleteList;
    bool m_deleteRunning = false;
    bool m_deleteRefreshed = false;
    bool m_disconnectWhenIdle = false;
    // Errors the worker reported: counted on whichever thread reports them, so a
    // synchronous call knows whether it failed even when the window has taken
    // the pending error already.
    std::atomic<int> m_errorsReported{0};
};
