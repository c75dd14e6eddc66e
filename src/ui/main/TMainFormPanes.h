#pragma once

#include <memory>
#include <optional>

#include <QObject>
#include <QString>

#include "core/THost.h"
#include "engine/TCertificatePrompt.h"
#include "engine/TLogKind.h"

class EEngineError;
class QAction;
class QMenu;
class QToolBar;
class QWidget;
class TBrowsingState;
class TDragDropController;
class TFormLanguage;
class TMainForm;
class TLocalPane;
class TLogView;
class TQueuePane;
class TQueueManager;
class TRemotePane;
class TTransferCommands;
struct TCompletedQueueItem;

// The main window's panes and the dialogs it opens, behind one interface: the
// window's shell (MainFormUnit) builds menus, runs the start-up and the close and
// handles the session; what happens inside the remote pane, the local pane, the
// queue and log views and the dialogs is delegated here.
//
// Main thread, except addToLog(), which any thread may call.
class TMainFormPanes final : public QObject
{
    Q_OBJECT

public:
    TMainFormPanes(TMainForm& window, TBrowsingState& state, const TFormLanguage& language);
    ~TMainFormPanes() override;

    QWidget* localPanel();
    QWidget* remotePanel();
    QWidget* queuePage();
    QWidget* logPage();
    QToolBar* queueToolbar();
    QMenu* localViewMenu();
    void fillRemoteMenu(QMenu* menu);
    QAction* action(const QString& objectName) const;
    TRemotePane& remotePane() const;
    TQueuePane& queuePane() const;
    TLogView& logView() const;
    TLocalPane& localPane() const;
    TDragDropController& dragDrop() const;
    TTransferCommands& transferCommands() const;
    // The local pane's current folder.
    QString localDirectory() const;

    void applyLanguage();
    void applyViewSettings();
    void applyViewStyles();
    void applySortSettings();
    void saveSortSettings();
    void updateActions();

    // The browsing worker's events.
    void workerConnected();
    void workerDisconnected();
    void workerLoggedIn();
    void workerListed();
    void workerDeleted();
    void workerBusy();
    void workerIdle();
    void askCertificate(TCertificatePrompt& prompt);
    void showWorkerError(std::unique_ptr<EEngineError> error);

    void attachQueue(TQueueManager& queue);
    void detachQueue();
    void addToLog(TLogKind kind, const QString& text);
    // Every log line is dropped from now on (the window is closing).
    void setClosing();

    // Commands of the window.
    std::optional<THost> quickConnect();
    void queueRemoteSelection(bool active);
    void queueLocalSelection(bool active);
    // Shows `directory` in the local pane when it is a folder.
    void changeLocalDirectory(const QString& directory);
    void findInFocusedList();
    void popUpFilters();
    void refreshFocusedList();
    void rebuildFilterMenus();
    void editHosts();
    void addHost();
    void settings();
    void about();
    void editFilters();
    // The bookmarks of the connected host, then the bookmark menus rebuilt.
    void editBookmarks();

    // Start-up and close.
    void closeSplash();
    void reportDataFileNotices();
    void firstRun();
    void checkDefaultFtpProgram();
    void tipOfTheDay();
    void deleteTemporaryFiles();

private:
    void createLocalPanel();
    void createRemotePane();
    void createQueueAndLog();
    void createTransfers();
    void selectAllInFocusedList();
    void uploadCompleted(const TCompletedQueueItem& item);

    struct TParts;
    TMainForm& m_window;
    TBrowsingState& m_state;
    const TFormLanguage& m_language;
    std::unique_ptr<TParts> m_parts;
};
