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
