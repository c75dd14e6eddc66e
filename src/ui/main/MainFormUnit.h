#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "core/THost.h"
#include "engine/TLogKind.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/main/TBrowsingState.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QSystemTrayIcon;
class QTabWidget;
class QToolBar;
class QToolButton;
class TFTPWorker;
class THandoffReceiver;
class TMainWorkerObserver;
class TQueueAutoSave;
class TQueueManager;
class TMainFormPanes;
class TMainToolbars;

// The main window: the shell around the remote pane, the local pane and the
// queue and log views. It owns the process-wide stores it creates (file transfer
// types, hosts, quick-connect hosts, queue manager), the browsing worker and the
// session state, builds the menus and the main toolbar, runs the start-up
// sequence and the close sequence, and is the program's log.
//
// Main thread. AddToLog may be called from any thread.
class TMainForm final : public QMainWindow
{
    Q_OBJECT

public:
    // What the window asks of the desktop, replaceable in tests.
    struct TServices
    {
        // Opens a help page (a file URL); false when it could not.
        std::function<bool(const QUrl&)> openUrl;
        // The worker ended while the window still listened: the program must end.
        std::function<void(const QString& message)> fatal;
    };

    explicit TMainForm(QWidget* parent = nullptr);
    TMainForm(TServices services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // --- Services other parts use.
    void AddToLog(TLogKind kind, const QString& text);
    // The window's table: every message of the main window and its panes.
    const TFormLanguage& language() const { return m_language; }
    void ApplyLanguage();
    // The view settings (selection panels, tray icon ...) once more, after the settings dialog.
    void ApplyViewSettings();
    void UpdateStrings();
    void RebuildHostMenus();
    void RebuildFilterMenus();
    // Starts a browsing session with a copy of `host`.
    void ConnectToHost(const THost& host);

    TFTPWorker& worker() { return *m_worker; }
    TMainFormPanes& panes() { return *m_panes; }
    TMainToolbars& toolbars() { return *m_toolbars; }
    TBrowsingState& state() { return m_state; }
    QAction* action(const QString& objectName) const;
    // The help page the window opens for the current language.
    QString helpFile() const { return m_helpFile; }
    // Opens the help page of `topic` ("N.htm" beside the help file), or the help
    // file itself when there is no such page or `topic` is 0.
    void OpenHelp(int topic = 0);

    // --- The hand-over from the desktop (THandoffReceiver.cpp).
    // An ftp:// address from the browser (the VFTPURL block's text): connects to it.
    void ReceiveBrowserURL(const QByteArray& block);
    // Files from the file manager (the VFTPFILES block's text) for the host at
    // `hostIndex` of the registry's host list: asks for the destination and queues them.
    void ReceiveExplorerFiles(qint64 hostIndex, const QByteArray& block);
    void BringToFront();
    THandoffReceiver* handoffReceiver() const { return m_handoff; }

    // The close sequence without the question (tests and the hand-over use it);
    // true when the window may close.
    bool confirmClose();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void construct();
    void createStores();
    void writeAppFilename();
    void createActions();
    QAction* newAction(const QString& name, const QString& caption, const QKeySequence& shortcut = {});
    void createLayout();
    void createMenus();
    void createMainToolbar();
    void createStatusBar();
    void createWorker();
    void wireQueue();
    void RestoreFormState();
    void SaveFormState();
    void updateActions();
    void delayedStartup();
    void shutDown();

    // Worker events (main thread, the worker waits).
    void onConnected();
    void onDisconnected();
    void onLoggedIn();
    void onBusy();
    void onIdle();
    void onWorkerError();
    void onWorkerEnded();
    void workerProgressTick();

    // Actions.
    void connectActionExecute(int hostIndex);
    void quickConnectActionExecute();
    void refreshProxyActionExecute();
    void helpActionExecute();
    void minimizeToTrayActionExecute();
    void showTrayIcon(bool on);
    void downloadActionExecute();

    void appendLogLine(TLogKind kind, const QString& text);

    TServices m_services;
    TFormLanguage m_language{QStringLiteral("MainForm")};
    TBrowsingState m_state;
    std::unique_ptr<TMainWorkerObserver> m_observer;
    std::unique_ptr<TFTPWorker> m_worker;
    TQueueManager* m_queue = nullptr;
    std::unique_ptr<TQueueAutoSave> m_autoSave;
    std::unique_ptr<TMainFormPanes> m_panes;
    THandoffReceiver* m_handoff = nullptr; // a child

    QHash<QString, QAction*> m_actions;
    QMenu* m_hostMenu = nullptr;      // the drop-down of HostConnectSubmenuItem
    QMenu* m_connectToMenu = nullptr; // ConnectToSubMenuItem
    QToolButton* m_hostButton = nullptr;
    int m_hostButtonIndex = -1;
    QToolBar* m_mainToolbar = nullptr;
    TMainToolbars* m_toolbars = nullptr; // a child: places, layouts and customising of the toolbars
    QSplitter* m_vertSplitter = nullptr;
    QSplitter* m_horzSplitter = nullptr;
    QTabWidget* m_bottomPages = nullptr;
    QLabel* m_statusText = nullptr;
    QProgressBar* m_workerProgress = nullptr;
    QLabel* m_secureImage = nullptr;
    QLabel* m_resumeImage = nullptr;
    QLabel* m_statusRest = nullptr;
    QSystemTrayIcon* m_tray = nullptr;

    QTimer m_delayedShowOnStartupTimer;
    QTimer m_workerTimer;
    QString m_helpFile;
    bool m_shown = false;
    bool m_closed = false;
    std::atomic<bool> m_destroying{false};
    bool m_startupDone = false;
};
