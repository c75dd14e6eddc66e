#include "ui/main/MainFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/AppRegistry.h"
#include "core/Dialup.h"
#include "core/TFilters.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "core/TQuickHosts.h"
#include "engine/TFTPWorker.h"
#include "queue/TFileTransferTypes.h"
#include "queue/TQueueAutoSave.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/THandoffReceiver.h"
#include "ui/main/TMainFormPanes.h"
#include "ui/main/TMainToolbars.h"
#include "ui/main/TMainWorkerObserver.h"
#include "ui/main/TVantorApplication.h"

namespace {

constexpr int kDelayedStartupMs = 100;
constexpr int kWorkerProgressMs = 250;
constexpr int kDisconnectWaitMs = 3000;
constexpr int kThreadWaitMs = 1000;

QString stripped(const QString& caption)
{
    return TFormLanguage::withoutMnemonic(caption);
}

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : TMainForm(TServices{}, parent)
{}

TMainForm::TMainForm(TServices services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
{
    if (!m_services.openUrl)
        m_services.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    if (!m_services.fatal)
        m_services.fatal = [this](const QString& message) {
            TMessageRequest request;
            request.Type = TMessageRequest::TType::Error;
            request.Text = message;
            TMessageDialog::show(this, m_language, request);
            std::_Exit(1);
        };
    construct();
}

TMainForm::~TMainForm()
{
    m_destroying = true;
    if (!m_closed)
        shutDown();
    // The panes read the window's table and state, members that go before the
    // base class frees its children: the children go first.
    delete takeCentralWidget();
}

// ---- creation (FormCreate) ------------------------------------------------------------

void TMainForm::construct()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Vantor FTP"));
    createStores();
    writeAppFilename();
    // The panes hold the worker; its events and its thread start in createWorker().
    m_worker = std::make_unique<TFTPWorker>();
    createActions();
    createLayout();
    createMenus();
    createMainToolbar();
    createStatusBar();
    ApplyLanguage();
    createWorker();
    wireQueue();
    ApplyViewSettings();
    RestoreFormState();
    connect(&m_state, &TBrowsingState::changed, this, &TMainForm::updateActions);
    updateActions();

    m_delayedShowOnStartupTimer.setSingleShot(true);
    m_delayedShowOnStartupTimer.setInterval(kDelayedStartupMs);
    connect(&m_delayedShowOnStartupTimer, &QTimer::timeout, this, &TMainForm::delayedStartup);
    m_workerTimer.setInterval(kWorkerProgressMs);
    connect(&m_workerTimer, &QTimer::timeout, this, &TMainForm::workerProgressTick);
    if (auto* app = qobject_cast<TVantorApplication*>(QCoreApplication::instance()))
        app->setExceptionHook([this](TLogKind kind, const QString& text) { AddToLog(kind, text); });
    m_handoff = THandoffReceiver::createFor(*this);
}

void TMainForm::createStores()
{
    TFileTransferTypes::createGlobal();
    THosts::createGlobal();
    TQuickHosts::createGlobal();
    m_queue = &TQueueManager::createGlobal();
}

void TMainForm::writeAppFilename()
{
    // Read by the hand-over component to start the program; failures are ignored.
    if (auto registry = OpenAppRegistry()) {
        registry->writeString(kAppRegistryKey, QStringLiteral("AppFilename"),
                              QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
        registry->sync();
    }
}

QAction* TMainForm::newAction(const QString& name, const QString& caption, const QKeySequence& shortcut)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    addAction(a); // key preview: the window's shortcuts reach it before the focused control
    m_actions.insert(name, a);
    return a;
}

QAction* TMainForm::action(const QString& objectName) const
{
    if (QAction* own = m_actions.value(objectName))
        return own;
    return m_panes ? m_panes->action(objectName) : nullptr;
}

void TMainForm::createActions()
{
    connect(newAction(QStringLiteral("EditHostsAction"), QStringLiteral("Edit"), Qt::Key_F4),
            &QAction::triggered, this, [this] { m_panes->editHosts(); });
    connect(newAction(QStringLiteral("ConnectAction"), QStringLiteral("Connect")), &QAction::triggered, this,
            [this] { connectActionExecute(m_hostButtonIndex); });
    connect(newAction(QStringLiteral("QuickConnectAction"), QStringLiteral("Quick connect"), Qt::Key_F8),
            &QAction::triggered, this, &TMainForm::quickConnectActionExecute);
    connect(newAction(QStringLiteral("RefreshProxyAction"), QString(), Qt::Key_F5), &QAction::triggered, this,
            &TMainForm::refreshProxyActionExecute);
    connect(newAction(QStringLiteral("EditFiltersAction"), QStringLiteral("Edit filters...")),
            &QAction::triggered, this, [this] { m_panes->editFilters(); });
    connect(newAction(QStringLiteral("AddHostAction"), QStringLiteral("Add")), &QAction::triggered, this,
            [this] { m_panes->addHost(); });
    connect(newAction(QStringLiteral("SettingsAction"), QStringLiteral("Settings...")), &QAction::triggered,
            this, [this] { m_panes->settings(); });
    connect(newAction(QStringLiteral("AboutAction"), QStringLiteral("About...")), &QAction::triggered, this,
            [this] { m_panes->about(); });
    connect(newAction(QStringLiteral("HelpAction"), QStringLiteral("Help"), Qt::Key_F1), &QAction::triggered,
            this, &TMainForm::helpActionExecute);
    connect(newAction(QStringLiteral("ExitAction"), QStringLiteral("&Exit")), &QAction::triggered, this,
            &QWidget::close);
    connect(newAction(QStringLiteral("MinimizeToTrayAction"), QString(), Qt::Key_F9), &QAction::triggered,
            this, &TMainForm::minimizeToTrayActionExecute);
    newAction(QStringLiteral("CustomizeToolbarAction"), QStringLiteral("Customize..."));
    connect(newAction(QStringLiteral("DownloadAction"), QStringLiteral("Download")), &QAction::triggered,
            this, &TMainForm::downloadActionExecute);
    connect(newAction(QStringLiteral("AddRemoteFilesToQueueAction"), QStringLiteral("Add to queue")),
            &QAction::triggered, this, [this] { m_panes->queueRemoteSelection(false); });
    action(QStringLiteral("DownloadAction"))
        ->setIcon(QIcon::fromTheme(QStringLiteral("go-down"), style()->standardIcon(QStyle::SP_ArrowDown)));
    action(QStringLiteral("AddRemoteFilesToQueueAction"))
        ->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    newAction(QStringLiteral("UploadAction"), QStringLiteral("Upload"))
        ->setIcon(QIcon::fromTheme(QStringLiteral("go-up"), style()->standardIcon(QStyle::SP_ArrowUp)));
    newAction(QStringLiteral("AddLocalFilesToQueueAction"), QStringLiteral("Add to queue"));
    for (const char* name :
         {"LocalCDUPAction", "LocalRefreshAction", "LocalMakeDirAction", "LocalCDHomeAction"})
        newAction(QString::fromLatin1(name), QString());
    connect(newAction(QStringLiteral("SimpleFileFindProxyAction"), QString(), QKeySequence::Find),
            &QAction::triggered, this, [this] { m_panes->findInFocusedList(); });
    connect(newAction(QStringLiteral("ShowFiltersAction"), QString(), Qt::Key_Plus), &QAction::triggered,
            this, [this] { m_panes->popUpFilters(); });
    const struct
    {
        const char* name;
        const char* caption;
        const char* setting;
    } toolbars[] = {{"ShowMainToolbarAction", "Main toolbar", "ShowMainToolbar"},
                    {"ShowLocalToolbarAction", "Local files toolbar", "ShowLocalToolbar"},
                    {"ShowRemoteToolbarAction", "Remote files toolbar", "ShowRemoteToolbar"},
                    {"ShowQueueLogToolbarAction", "Queue and log toolbar", "ShowQueueLogToolbar"}};
    for (const auto& t : toolbars) {
        QAction* a = newAction(QString::fromLatin1(t.name), QString::fromLatin1(t.caption));
        a->setCheckable(true);
        a->setChecked(true);
        a->setProperty("setting", QString::fromLatin1(t.setting));
    }
}

void TMainForm::createLayout()
{
    m_panes = std::make_unique<TMainFormPanes>(*this, m_state, m_language);
    auto* mainPanel = new QWidget(this);
    mainPanel->setObjectName(QStringLiteral("MainPanel"));
    auto* layout = new QVBoxLayout(mainPanel);
    layout->setContentsMargins(0, 0, 0, 0);

    m_horzSplitter = new QSplitter(Qt::Vertical, mainPanel);
    m_horzSplitter->setObjectName(QStringLiteral("HorzSplitter"));
    m_vertSplitter = new QSplitter(Qt::Horizontal, m_horzSplitter);
    m_vertSplitter->setObjectName(QStringLiteral("VertSplitter"));
    m_vertSplitter->addWidget(m_panes->localPanel());
    m_vertSplitter->addWidget(m_panes->remotePanel());
    m_vertSplitter->setStretchFactor(1, 1);

    m_bottomPages = new QTabWidget(m_horzSplitter);
    m_bottomPages->setObjectName(QStringLiteral("BottomPageControl"));
    QWidget* queuePage = m_panes->queuePage();
    queuePage->setObjectName(QStringLiteral("QueueTabSheet"));
    QWidget* logPage = m_panes->logPage();
    logPage->setObjectName(QStringLiteral("LogTabSheet"));
    m_bottomPages->addTab(queuePage, QStringLiteral("Queue"));
    m_bottomPages->addTab(logPage, QStringLiteral("Log"));
    auto* bottomPanel = new QWidget(m_horzSplitter);
    bottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    auto* bottomLayout = new QVBoxLayout(bottomPanel);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(0);
    if (QToolBar* queueToolbar = m_panes->queueToolbar())
        bottomLayout->addWidget(queueToolbar);
    bottomLayout->addWidget(m_bottomPages);
    m_horzSplitter->addWidget(m_vertSplitter);
    m_horzSplitter->addWidget(bottomPanel);
    m_horzSplitter->setStretchFactor(0, 1);
    layout->addWidget(m_horzSplitter);
    setCentralWidget(mainPanel);
    m_bottomPages->setAccessibleName(stripped(m_language.caption(QStringLiteral("QueueTabSheet"), "Queue")) +
                                     QStringLiteral(", ") +
                                     stripped(m_language.caption(QStringLiteral("LogTabSheet"), "Log")));
}

void TMainForm::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenuToolbar"));
    const auto menu = [&](QMenu* parent, const char* name, const char* caption) {
        QMenu* m = parent ? parent->addMenu(QString::fromLatin1(caption))
                          : bar->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
        return m;
    };
    // An item of its own that runs an action (the item has its own caption).
    const auto item = [&](QMenu* m, const char* name, const char* caption, const char* actionName) {
        QAction* a = m->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        QAction* target = action(QString::fromLatin1(actionName));
        connect(a, &QAction::triggered, target, &QAction::trigger);
        m_actions.insert(a->objectName(), a);
    };
    const auto add = [&](QMenu* m, const char* actionName) {
        if (QAction* a = action(QString::fromLatin1(actionName)))
            m->addAction(a);
    };

    QMenu* file = menu(nullptr, "FileMenuItem", "&File");
    item(file, "EditHostsMenuItem", "Edit hosts...", "EditHostsAction");
    item(file, "AddHostMenuItem", "Add host...", "AddHostAction");
    item(file, "QuickConnectMenuItem", "Quick connect...", "QuickConnectAction");
    file->addSeparator();
    add(file, "ExitAction");

    QMenu* view = menu(nullptr, "ViewMenuItem", "&View");
    QMenu* toolbars = menu(view, "ToolbarsMenuItem", "Toolbars");
    for (const char* name : {"ShowMainToolbarAction", "ShowLocalToolbarAction", "ShowRemoteToolbarAction",
                             "ShowQueueLogToolbarAction"})
        add(toolbars, name);
    toolbars->addSeparator();
    add(toolbars, "CustomizeToolbarAction");

    QMenu* hosts = menu(nullptr, "HostsMenuItem", "&Hosts");
    add(hosts, "EditHostsAction");
    m_connectToMenu = menu(hosts, "ConnectToSubMenuItem", "Connect to");

    QMenu* local = menu(nullptr, "LocalMenuItem", "&Local computer");
    add(local, "LocalRefreshAction");
    if (QMenu* localView = m_panes->localViewMenu())
        local->addMenu(localView);
    for (const char* name : {"LocalCDHomeAction", "LocalCDUPAction", "LocalMakeDirAction"})
        add(local, name);

    QMenu* remote = menu(nullptr, "RemoteMenuItem", "&Remote computer");
    m_panes->fillRemoteMenu(remote);

    QMenu* tools = menu(nullptr, "ToolsMenuItem", "&Tools");
    add(tools, "SettingsAction");

    QMenu* help = menu(nullptr, "HelpMenuItem", "&Help");
    add(help, "HelpAction");
    help->addSeparator();
    add(help, "AboutAction");
}

void TMainForm::createMainToolbar()
{
    m_mainToolbar = addToolBar(QStringLiteral("Connect"));
    m_mainToolbar->setObjectName(QStringLiteral("MainToolbar"));
    m_mainToolbar->setMovable(false);
    m_mainToolbar->setFloatable(false);
    m_hostButton = new QToolButton(m_mainToolbar);
    m_hostButton->setObjectName(QStringLiteral("HostConnectSubmenuItem"));
    m_hostButton->setText(QStringLiteral("Select a host"));
    m_hostButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_hostButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_hostButton->setIcon(
        QIcon::fromTheme(QStringLiteral("network-server"), style()->standardIcon(QStyle::SP_DriveNetIcon)));
    m_hostMenu = new QMenu(m_hostButton);
    m_hostMenu->setObjectName(QStringLiteral("HostConnectMenu"));
    m_hostButton->setMenu(m_hostMenu);
    connect(m_hostButton, &QToolButton::clicked, this, [this] { connectActionExecute(m_hostButtonIndex); });
    m_mainToolbar->addWidget(m_hostButton);
    const auto add = [this](const char* name, const char* button, const char* icon,
                            QStyle::StandardPixmap fallback) {
        if (QAction* a = action(QString::fromLatin1(name))) {
            if (a->icon().isNull())
                a->setIcon(QIcon::fromTheme(QString::fromLatin1(icon), style()->standardIcon(fallback)));
            m_mainToolbar->addAction(a);
            if (QWidget* widget = m_mainToolbar->widgetForAction(a))
                widget->setObjectName(QString::fromLatin1(button));
        }
    };
    add("DisconnectAction", "DisconnectButton", "network-disconnect", QStyle::SP_BrowserStop);
    m_mainToolbar->addSeparator()->setObjectName(QStringLiteral("TBXSeparatorItem19"));
    add("QuickConnectAction", "TBXItem45", "network-connect", QStyle::SP_ArrowForward);
    m_mainToolbar->addSeparator()->setObjectName(QStringLiteral("TBXSeparatorItem20"));
    add("AddHostAction", "TBXItem6", "list-add", QStyle::SP_FileDialogNewFolder);
    add("EditHostsAction", "TBXItem44", "document-properties", QStyle::SP_FileDialogDetailedView);
    m_mainToolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolbars = new TMainToolbars(*this, [this](const QString& name) { return action(name); });
}

void TMainForm::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    m_statusText = new QLabel(bar);
    m_statusText->setObjectName(QStringLiteral("StatusPanel0"));
    m_statusText->setMinimumWidth(200);
    m_workerProgress = new QProgressBar(bar);
    m_workerProgress->setObjectName(QStringLiteral("FTPWorkerProgressBar"));
    m_workerProgress->setFixedWidth(80);
    m_workerProgress->setRange(0, 100);
    m_workerProgress->setTextVisible(false);
    m_workerProgress->hide();
    m_secureImage = new QLabel(bar);
    m_secureImage->setObjectName(QStringLiteral("StatusPanel2"));
    m_secureImage->setFixedWidth(20);
    m_resumeImage = new QLabel(bar);
    m_resumeImage->setObjectName(QStringLiteral("StatusPanel3"));
    m_resumeImage->setFixedWidth(20);
    m_statusRest = new QLabel(bar);
    m_statusRest->setObjectName(QStringLiteral("StatusPanel4"));
    bar->addWidget(m_statusText, 1);
    bar->addWidget(m_workerProgress);
    bar->addWidget(m_secureImage);
    bar->addWidget(m_resumeImage);
    bar->addWidget(m_statusRest, 1);
}

// ---- language -----------------------------------------------------------------------------

void TMainForm::ApplyLanguage()
{
    m_language.setLanguage(MainConfig() ? MainConfig()->Language() : QStringLiteral("English"));
    const QString dir = QCoreApplication::applicationDirPath();
    m_helpFile = QDir::cleanPath(
        dir + QStringLiteral("/../share/vantor-ftp/help/%1/index.html").arg(m_language.language()));
    m_language.apply(this);
    for (QAction* a : std::as_const(m_actions))
        m_language.apply(a);
    m_panes->applyLanguage();
    UpdateStrings();
}

void TMainForm::UpdateStrings()
{
    if (QAction* a = m_actions.value(QStringLiteral("EditHostsMenuItem")))
        a->setText(m_language.text(QStringLiteral("strEditHosts")));
    if (QAction* a = m_actions.value(QStringLiteral("AddHostMenuItem")))
        a->setText(m_language.text(QStringLiteral("strAddHost")));
    if (QAction* a = m_actions.value(QStringLiteral("QuickConnectMenuItem")))
        a->setText(m_language.text(QStringLiteral("strQuickConnect")));
    TMessageTexts::fill(m_language.table());
    m_hostButton->setAccessibleName(m_language.text(QStringLiteral("strRSSTHostComboBox")));
    m_workerProgress->setAccessibleName(m_language.caption(
        QStringLiteral("FTPWorkerProgressBar"), m_language.text(QStringLiteral("strRSSTConnecting"))));
    m_statusText->setAccessibleName(
        m_language.caption(QStringLiteral("StatusPanel0"), QStringLiteral("Status")));
    if (m_hostButtonIndex >= 0 && Hosts() && m_hostButtonIndex < Hosts()->count()) {
        const QString name = Hosts()->hosts()[std::size_t(m_hostButtonIndex)]->CommonName;
        m_hostButton->setText(name);
        m_hostButton->setToolTip(
            m_language.text(QStringLiteral("strConnectTo")).replace(QLatin1String("%s"), name));
    }
}

// ---- the browsing worker ---------------------------------------------------------------------

void TMainForm::createWorker()
{
    m_observer = std::make_unique<TMainWorkerObserver>();
    m_observer->connected = [this](TFTPWorker&) { onConnected(); };
    m_observer->disconnected = [this](TFTPWorker&) { onDisconnected(); };
    m_observer->loggedIn = [this](TFTPWorker&) { onLoggedIn(); };
    m_observer->listed = [this](TFTPWorker&) { m_panes->workerListed(); };
    m_observer->deleted = [this](TFTPWorker&) { m_panes->workerDeleted(); };
    m_observer->busy = [this](TFTPWorker&) { onBusy(); };
    m_observer->idle = [this](TFTPWorker&) { onIdle(); };
    m_observer->certificate = [this](TFTPWorker&, TCertificatePrompt& prompt) {
        m_panes->askCertificate(prompt);
    };
    m_worker->setObserver(m_observer.get());
    // The log is written from the worker's thread too; the view keeps the order.
    connect(m_worker.get(), &TFTPWorker::logLine, this, &TMainForm::AddToLog, Qt::DirectConnection);
    // Posted, as the window message was: the error is shown once the event that
    // caused it has returned.
    connect(m_worker.get(), &TFTPWorker::workerError, this, &TMainForm::onWorkerError, Qt::QueuedConnection);
    connect(m_worker.get(), &QThread::finished, this, &TMainForm::onWorkerEnded, Qt::QueuedConnection);
    m_worker->start();
}

void TMainForm::wireQueue()
{
    m_panes->attachQueue(*m_queue);
    m_queue->SetDefaultExistsActionsFromSettings();
    connect(m_queue, &TQueueManager::Log, this, &TMainForm::AddToLog);
    // Queue.xml is written within a second of every change from here on, so a
    // program that dies loses at most the last second of the queue.
    m_autoSave = std::make_unique<TQueueAutoSave>(*m_queue);
    connect(m_autoSave.get(), &TQueueAutoSave::saveFailed, this,
            [this](const QString& reason) { AddToLog(TLogKind::lkError, reason); });
    const TQueueLoadResult loaded = m_autoSave->loadQueue();
    if (!loaded.ok && !loaded.message.isEmpty() && loaded.leftOut() == 0)
        AddToLog(TLogKind::lkError,
                 QString(loaded.message).replace(QLatin1String("\r\n"), QLatin1String(" ")));
    m_queue->startRetryTimer();
}

void TMainForm::onConnected()
{
    AddToLog(TLogKind::lkStatus,
             m_language.text(QStringLiteral("IDS_47")).replace(QLatin1String("%s"), m_state.host().Hostname));
    m_state.setConnected(true);
    m_panes->workerConnected();
}

void TMainForm::onDisconnected()
{
    m_state.setConnected(false);
    m_state.setLoggedIn(false);
    m_secureImage->clear();
    m_resumeImage->clear();
    m_panes->workerDisconnected();
    onIdle();
    m_worker->ClearCache();
    AddToLog(TLogKind::lkStatus,
             m_language.text(QStringLiteral("IDS_48")).replace(QLatin1String("%s"), m_state.host().Hostname));
}

void TMainForm::onLoggedIn()
{
    AddToLog(TLogKind::lkStatus, m_language.text(QStringLiteral("IDS_46")));
    m_state.setLoggedIn(true);
    m_state.homeDirectory.clear();
    const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize);
    m_resumeImage->setPixmap(m_worker->ResumeSupported()
                                 ? QIcon::fromTheme(QStringLiteral("view-refresh"),
                                                    style()->standardIcon(QStyle::SP_BrowserReload))
                                       .pixmap(icon)
                                 : QPixmap());
    m_resumeImage->setToolTip(m_worker->ResumeSupported() ? m_language.caption(QStringLiteral("StatusPanel3"))
                                                          : QString());
    m_secureImage->setPixmap(m_worker->TLSActive()
                                 ? QIcon::fromTheme(QStringLiteral("security-high"),
                                                    style()->standardIcon(QStyle::SP_DialogYesButton))
                                       .pixmap(icon)
                                 : QPixmap());
    m_secureImage->setToolTip(m_worker->TLSActive() ? m_language.caption(QStringLiteral("StatusPanel2"))
                                                    : QString());
    m_panes->workerLoggedIn();
    if (!m_state.host().InitialRemoteDirectory.isEmpty())
        m_worker->ChangeDir(m_state.host().InitialRemoteDirectory);
    m_state.homeDirectory = m_worker->CurrentDir();
    m_worker->List();
}

void TMainForm::onBusy()
{
    m_state.setBusy(true);
    m_workerTimer.start();
    m_statusText->setText(m_worker->StatusText());
    m_panes->workerBusy();
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::BusyCursor);
}

void TMainForm::onIdle()
{
    m_state.setBusy(false);
    m_workerTimer.stop();
    m_workerProgress->setValue(0);
    m_workerProgress->hide();
    m_statusText->clear();
    m_panes->workerIdle();
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void TMainForm::workerProgressTick()
{
    // Activity, not progress: the bar runs round while the worker is busy.
    m_workerProgress->show();
    m_workerProgress->setValue(m_workerProgress->value() >= 100 ? 0 : m_workerProgress->value() + 1);
}

void TMainForm::onWorkerError()
{
    // A second notice for an error already shown finds the slot empty.
    if (std::unique_ptr<EEngineError> error = m_worker->TakePendingError())
        m_panes->showWorkerError(std::move(error));
}

void TMainForm::onWorkerEnded()
{
    if (m_closed || m_destroying)
        return;
    m_services.fatal(
        QStringLiteral("FTPWorker has terminated unexpectedly. The application needs to be restarted."));
}

void TMainForm::ConnectToHost(const THost& host)
{
    m_hostButton->setEnabled(false);
    if (m_state.connected() && !m_state.busy())
        m_worker->Disconnect();
    if (!host.DialupConnection.isEmpty())
        DialConnection(host.DialupConnection);
    m_state.homeDirectory.clear();
    m_state.host() = host;
    AddToLog(TLogKind::lkStatus,
             m_language.text(QStringLiteral("IDS_44")).replace(QLatin1String("%s"), host.Hostname));
    // SetHost only queues the connection; the worker's thread closes any old one.
    m_worker->SetHost(m_state.host());
    if (!host.InitialLocalDirectory.isEmpty() && QFileInfo(host.InitialLocalDirectory).isDir())
        m_panes->changeLocalDirectory(host.InitialLocalDirectory);
    m_hostButton->setEnabled(true);
}

// ---- host menus and connecting ------------------------------------------------------------------

void TMainForm::RebuildHostMenus()
{
    THosts* hosts = Hosts();
    if (!hosts)
        return;
    try {
        hosts->Reload();
    } catch (const std::exception& error) {
        AddToLog(TLogKind::lkError, TVantorApplication::describe(error));
    }
    m_hostMenu->clear();
    m_connectToMenu->clear();
    m_hostButtonIndex = -1;
    m_hostButton->setText(
        m_language.caption(QStringLiteral("HostConnectSubmenuItem"), QStringLiteral("Select a host")));
    m_hostButton->setToolTip(m_language.hint(QStringLiteral("HostConnectSubmenuItem")));
    const QString last = MainConfig() ? MainConfig()->LastConnectedHostID() : QString();
    const QString connectTo = m_language.text(QStringLiteral("strConnectTo"));
    int index = 0;
    for (const auto& host : hosts->hosts()) {
        const QString name = host->CommonName;
        if (!last.isEmpty() && host->HostIDText() == last) {
            m_hostButton->setText(name);
            m_hostButton->setToolTip(QString(connectTo).replace(QLatin1String("%s"), name));
            m_hostButtonIndex = index;
        }
        for (QMenu* menu : {m_hostMenu, m_connectToMenu}) {
            QAction* item = menu->addAction(name);
            item->setObjectName(QStringLiteral("HostItem%1").arg(index));
            item->setData(index);
            connect(item, &QAction::triggered, this, [this, index] { connectActionExecute(index); });
        }
        ++index;
    }
    m_hostButton->setAccessibleDescription(m_hostButton->toolTip());
    updateActions();
}

void TMainForm::connectActionExecute(int hostIndex)
{
    THosts* hosts = Hosts();
    if (hostIndex < 0 || !hosts || hostIndex >= hosts->count())
        return;
    const THost& host = *hosts->hosts()[std::size_t(hostIndex)];
    m_hostButtonIndex = hostIndex;
    m_hostButton->setText(host.CommonName);
    m_hostButton->setToolTip(
        m_language.text(QStringLiteral("strConnectTo")).replace(QLatin1String("%s"), host.CommonName));
    if (MainConfig())
        MainConfig()->SetLastConnectedHostID(host.HostIDText());
    ConnectToHost(host);
}

void TMainForm::quickConnectActionExecute()
{
    std::optional<THost> host = m_panes->quickConnect();
    if (host)
        ConnectToHost(*host);
}

void TMainForm::RebuildFilterMenus()
{
    m_panes->rebuildFilterMenus();
}

void TMainForm::refreshProxyActionExecute()
{
    m_panes->refreshFocusedList();
}

void TMainForm::helpActionExecute()
{
    OpenHelp();
}

void TMainForm::OpenHelp(int topic)
{
    QString page = m_helpFile;
    if (topic > 0) {
        const QString topicPage = QFileInfo(m_helpFile).dir().filePath(QStringLiteral("%1.htm").arg(topic));
        if (QFileInfo::exists(topicPage))
            page = topicPage;
    }
    if (!QFileInfo::exists(page) || !m_services.openUrl(QUrl::fromLocalFile(page)))
        AddToLog(TLogKind::lkDebug, QStringLiteral("Helpfile \"%1\" not found.").arg(page));
}

void TMainForm::downloadActionExecute()
{
    m_panes->queueRemoteSelection(true);
}

// ---- tray ---------------------------------------------------------------------------------------

void TMainForm::showTrayIcon(bool on)
{
    if (!on) {
        if (m_tray)
            m_tray->hide();
        return;
    }
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(windowIcon().isNull() ? QApplication::windowIcon() : windowIcon(), this);
        m_tray->setObjectName(QStringLiteral("TrayIcon"));
        m_tray->setToolTip(windowTitle());
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) {
                showNormal();
                raise();
                activateWindow();
            }
        });
    }
    m_tray->show();
}

void TMainForm::minimizeToTrayActionExecute()
{
    showTrayIcon(true);
    hide();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // With the tray icon on, minimising hides the window into the tray.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && MainConfig() &&
        MainConfig()->TrayIcon()) {
        showTrayIcon(true);
        QTimer::singleShot(0, this, &QWidget::hide);
    }
}

// ---- view settings and form state ---------------------------------------------------------------

void TMainForm::ApplyViewSettings()
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    showTrayIcon(config->TrayIcon());
    m_panes->applyViewSettings();
}

void TMainForm::RestoreFormState()
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    if (config->MainFormMaximized()) {
        setWindowState(Qt::WindowMaximized);
    } else {
        QRect geometry(config->MainFormLeft(), config->MainFormTop(), config->MainFormWidth(),
                       config->MainFormHeight());
        // A window stored on a screen that is gone comes back where it can be seen.
        if (QScreen* screen = QApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            if (!available.intersects(geometry))
                geometry.moveTopLeft(available.topLeft());
        }
        setGeometry(geometry.adjusted(0, 0, 0, 0));
    }
    const int width = std::max(100, config->LocalPanelWidth());
    m_vertSplitter->setSizes({width, std::max(100, geometry().width() - width)});
    const int bottom = std::max(60, config->BottomPanelHeight());
    m_horzSplitter->setSizes({std::max(100, geometry().height() - bottom), bottom});
    m_bottomPages->setCurrentIndex(
        std::clamp(config->SelectedBottomPageControlIndex(), 0, m_bottomPages->count() - 1));
    m_toolbars->RestoreToolbars();
}

void TMainForm::SaveFormState()
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    const bool maximized = isMaximized();
    config->SetMainFormMaximized(maximized);
    if (!maximized) {
        const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
        config->SetMainFormTop(g.top());
        config->SetMainFormLeft(g.left());
        config->SetMainFormWidth(g.width());
        config->SetMainFormHeight(g.height());
    }
    const QList<int> columns = m_vertSplitter->sizes();
    if (!columns.isEmpty())
        config->SetLocalPanelWidth(columns.first());
    const QList<int> rows = m_horzSplitter->sizes();
    if (rows.size() > 1)
        config->SetBottomPanelHeight(rows.last());
    m_toolbars->SaveToolbars(*config);
    m_panes->saveSortSettings();
}

// ---- enabling rules -----------------------------------------------------------------------------

void TMainForm::updateActions()
{
    const bool authenticated = m_state.isAuthenticated();
    for (const char* name :
         {"DownloadAction", "AddRemoteFilesToQueueAction", "UploadAction", "AddLocalFilesToQueueAction"})
        if (QAction* a = action(QString::fromLatin1(name)))
            a->setEnabled(authenticated);
    // Connect needs a host chosen before.
    action(QStringLiteral("ConnectAction"))->setEnabled(m_hostButtonIndex >= 0);
    m_panes->updateActions();
}

// ---- show and start-up --------------------------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    RebuildHostMenus();
    RebuildFilterMenus();
    m_panes->applyViewStyles();
    m_delayedShowOnStartupTimer.start();
}

void TMainForm::delayedStartup()
{
    if (m_startupDone)
        return;
    m_startupDone = true;
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    m_panes->closeSplash();
    m_panes->applySortSettings();
    // Data files that could not be read were set aside by their stores.
    m_panes->reportDataFileNotices();
    if (config->FirstRun())
        m_panes->firstRun();
    else
        m_panes->checkDefaultFtpProgram();
    if (config->PlayQueueOnStartup())
        m_queue->PlayQueue();
    if (config->ShowTipOnStartup())
        m_panes->tipOfTheDay();
    if (config->ShowHostManagerOnStartup())
        action(QStringLiteral("EditHostsAction"))->trigger();
    if (config->ShowQuickConnectOnStartup())
        action(QStringLiteral("QuickConnectAction"))->trigger();
}

// ---- close --------------------------------------------------------------------------------------

bool TMainForm::confirmClose()
{
    const int answer =
        ShowRememberedDialog(this, m_language, QStringLiteral("IDS_53"), {},
                             TMessageRequest::TType::Confirmation, QMessageBox::Yes | QMessageBox::No, 6);
    return answer != 7;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    shutDown();
    event->accept();
}

void TMainForm::shutDown()
{
    if (m_closed)
        return;
    m_closed = true;
    m_delayedShowOnStartupTimer.stop();
    m_workerTimer.stop();
    if (m_queue)
        m_queue->stopRetryTimer();
    if (auto* app = qobject_cast<TVantorApplication*>(QCoreApplication::instance()))
        app->setExceptionHook({});
    TMainConfig* config = MainConfig();
    try {
        if (config) {
            config->SetSelectedBottomPageControlIndex(m_bottomPages->currentIndex());
            if (config->RememberFormState())
                SaveFormState();
        }
        if (m_queue) {
            m_autoSave.reset();
            QString error;
            if (!m_queue->SaveQueue(&error))
                qWarning("Vantor FTP: the queue could not be saved: %s", qPrintable(error));
            m_queue->StopQueue();
        }
        if (Filters())
            Filters()->Save();
        if (config)
            config->Save();
    } catch (...) {
        // Closing goes on whatever could not be saved.
    }
    m_panes->deleteTemporaryFiles();
    m_panes->setClosing();
    // The worker: its events go away first, then its connection (at most 3 s) and
    // its thread (at most 1 s).
    disconnect(m_worker.get(), nullptr, this, nullptr);
    try {
        m_worker->clearEvents();
        m_worker->Shutdown(kDisconnectWaitMs, kThreadWaitMs);
    } catch (...) {
    }
    m_panes->detachQueue();
    // FreeStores: queue manager, quick-connect hosts, hosts, transfer types, filters, settings.
    m_queue = nullptr;
    TQueueManager::destroyGlobal();
    TQuickHosts::destroyGlobal();
    THosts::destroyGlobal();
    TFileTransferTypes::destroyGlobal();
}

// ---- log ----------------------------------------------------------------------------------------

void TMainForm::AddToLog(TLogKind kind, const QString& text)
{
    if (kind == TLogKind::lkDebug || m_destroying)
        return;
    m_panes->addToLog(kind, text);
}
