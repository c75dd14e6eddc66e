#include "ui/main/TMainFormPanes.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

#include "core/PathHelpers.h"
#include "core/TDataFileNotices.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "engine/EEngineError.h"
#include "engine/TFTPWorker.h"
#include "queue/DateTimeValue.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/AddHostWizardFormUnit.h"
#include "ui/dialogs/CertificateFormUnit.h"
#include "ui/dialogs/EditBookmarksFormUnit.h"
#include "ui/dialogs/EditFilterFormUnit.h"
#include "ui/dialogs/FTPWorkerErrorFormUnit.h"
#include "ui/dialogs/FirstRunWizardFormUnit.h"
#include "ui/dialogs/HostsFormUnit.h"
#include "ui/dialogs/QuickConnectFormUnit.h"
#include "ui/dialogs/SettingsFormUnit.h"
#include "ui/dialogs/SplashFormUnit.h"
#include "ui/dialogs/TFileExistsDialogPrompter.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/dialogs/TipOfTheDayFormUnit.h"
#include "ui/main/AdvancedSearchFormUnit.h"
#include "ui/main/CheckDefaultFTPProgram.h"
#include "ui/main/FilePropertiesFormUnit.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TBrowsingState.h"
#include "ui/main/TDragDropController.h"
#include "ui/main/TLocalPane.h"
#include "ui/main/TLogView.h"
#include "ui/main/TQueuePane.h"
#include "ui/main/TRemoteFileOpener.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "ui/main/TTransferCommands.h"

struct TMainFormPanes::TParts
{
    std::unique_ptr<TFileExistsDialogPrompter> fileExists;
    QPointer<TLocalPane> local;
    std::unique_ptr<TTransferCommands> commands;
    std::unique_ptr<TDragDropController> dragDrop;
    QPointer<TRemotePane> remote;
    QPointer<QWidget> queuePage;
    QPointer<TQueuePane> queue;
    QPointer<QToolBar> queueToolbar;
    QPointer<QWidget> logPage;
    QPointer<TLogView> log;
    TQueueManager* queueManager = nullptr;
    std::unique_ptr<TRemoteFileOpener> opener;
};

TMainFormPanes::TMainFormPanes(TMainForm& window, TBrowsingState& state, const TFormLanguage& language)
    : m_window(window)
    , m_state(state)
    , m_language(language)
    , m_parts(std::make_unique<TParts>())
{
    createLocalPanel();
    createRemotePane();
    createQueueAndLog();
    createTransfers();
}

TMainFormPanes::~TMainFormPanes()
{
    // The controller watches the panes' views; it goes before them.
    m_parts->dragDrop.reset();
}

void TMainFormPanes::createLocalPanel()
{
    QHash<QString, QAction*> actions;
    for (const char* name : {"LocalCDUPAction", "LocalRefreshAction", "LocalCDHomeAction",
                             "LocalMakeDirAction", "UploadAction", "AddLocalFilesToQueueAction"})
        if (QAction* a = m_window.action(QString::fromLatin1(name)))
            actions.insert(a->objectName(), a);
    auto* local = new TLocalPane(m_language, actions);
    m_parts->local = local;
    local->setHomeDirectory([this] { return m_state.host().InitialLocalDirectory; });
    connect(local, &TLocalPane::editFiltersRequested, this,
            [this] { m_window.action(QStringLiteral("EditFiltersAction"))->trigger(); });
    connect(local, &TLocalPane::logRequested, &m_window, &TMainForm::AddToLog);
    connect(m_window.action(QStringLiteral("UploadAction")), &QAction::triggered, this,
            [this] { queueLocalSelection(true); });
    connect(m_window.action(QStringLiteral("AddLocalFilesToQueueAction")), &QAction::triggered, this,
            [this] { queueLocalSelection(false); });
}

void TMainFormPanes::createTransfers()
{
    m_parts->commands = std::make_unique<TTransferCommands>(
        m_state, m_window.worker(), *m_parts->remote, *m_parts->local, m_language, &m_window,
        [this](TLogKind kind, const QString& text) { m_window.AddToLog(kind, text); });
    m_parts->commands->setQueue(QueueManager());
    m_parts->dragDrop =
        std::make_unique<TDragDropController>(*m_parts->local, *m_parts->remote, m_parts->queue->view(),
                                              m_window.worker(), m_state, *m_parts->commands);
}

void TMainFormPanes::createRemotePane()
{
    auto* remote = new TRemotePane(m_window.worker(), m_state);
    m_parts->remote = remote;
    remote->setDownloadActions(m_window.action(QStringLiteral("DownloadAction")),
                               m_window.action(QStringLiteral("AddRemoteFilesToQueueAction")));
    connect(remote, &TRemotePane::downloadRequested, this,
            [this] { m_window.action(QStringLiteral("DownloadAction"))->trigger(); });
    connect(remote, &TRemotePane::addToQueueRequested, this,
            [this] { m_window.action(QStringLiteral("AddRemoteFilesToQueueAction"))->trigger(); });
    connect(remote, &TRemotePane::editFiltersRequested, this,
            [this] { m_window.action(QStringLiteral("EditFiltersAction"))->trigger(); });
    connect(remote, &TRemotePane::logRequested, &m_window, &TMainForm::AddToLog);
    connect(remote, &TRemotePane::editBookmarksRequested, this, &TMainFormPanes::editBookmarks);
    connect(remote, &TRemotePane::advancedSearchRequested, this, [this] {
        if (m_state.isAuthenticated())
            TAdvancedSearchForm::openFor(m_window.worker(), m_state, &m_window);
    });
    connect(remote, &TRemotePane::propertiesRequested, this, [this] {
        if (m_state.isAuthenticated())
            TFilePropertiesForm::openFor(*m_parts->remote, m_window.worker(), &m_window);
    });

    // Select all works in whichever list has the focus, the queue view included.
    QAction* selectAll = remote->action(QStringLiteral("RemoteSelectAllAction"));
    disconnect(selectAll, &QAction::triggered, remote, nullptr);
    connect(selectAll, &QAction::triggered, this, &TMainFormPanes::selectAllInFocusedList);
}

void TMainFormPanes::createQueueAndLog()
{
    m_parts->logPage = new QWidget;
    auto* logLayout = new QVBoxLayout(m_parts->logPage);
    logLayout->setContentsMargins(0, 0, 0, 0);
    m_parts->log = new TLogView(m_parts->logPage);
    logLayout->addWidget(m_parts->log);

    m_parts->queuePage = new QWidget;
    auto* queueLayout = new QVBoxLayout(m_parts->queuePage);
    queueLayout->setContentsMargins(0, 0, 0, 0);
    TQueueManager* manager = QueueManager();
    Q_ASSERT(manager);
    m_parts->queue = new TQueuePane(*manager, m_language, *m_parts->log, m_parts->queuePage);
    queueLayout->addWidget(m_parts->queue);
    m_parts->queueToolbar = m_parts->queue->createToolbar(nullptr);
    connect(m_parts->queue, &TQueuePane::Log, &m_window, &TMainForm::AddToLog);
    connect(m_parts->queue, &TQueuePane::uploadCompleted, this, &TMainFormPanes::uploadCompleted);
    // Open: downloaded into a temporary folder, opened, watched, offered for upload.
    m_parts->opener = std::make_unique<TRemoteFileOpener>(m_window, m_language, *manager);
    connect(m_parts->opener.get(), &TRemoteFileOpener::Log, &m_window, &TMainForm::AddToLog);
    connect(m_parts->remote, &TRemotePane::openRequested, this, [this] {
        if (m_state.isAuthenticated())
            m_parts->opener->openSelection(*m_parts->remote, m_state.host());
    });
    connect(m_parts->queue, &TQueuePane::openWhenDoneCompleted, m_parts->opener.get(),
            &TRemoteFileOpener::fileDownloaded);
    m_parts->queue->addAction(m_parts->remote->action(QStringLiteral("RemoteSelectAllAction")));
    m_parts->local->addAction(m_parts->remote->action(QStringLiteral("RemoteSelectAllAction")));
}

QWidget* TMainFormPanes::localPanel()
{
    return m_parts->local;
}
QWidget* TMainFormPanes::remotePanel()
{
    return m_parts->remote;
}
QWidget* TMainFormPanes::queuePage()
{
    return m_parts->queuePage;
}
QWidget* TMainFormPanes::logPage()
{
    return m_parts->logPage;
}
QToolBar* TMainFormPanes::queueToolbar()
{
    return m_parts->queueToolbar;
}
QMenu* TMainFormPanes::localViewMenu()
{
    return m_parts->local->viewMenu();
}

TRemotePane& TMainFormPanes::remotePane() const
{
    return *m_parts->remote;
}
TQueuePane& TMainFormPanes::queuePane() const
{
    return *m_parts->queue;
}
TLogView& TMainFormPanes::logView() const
{
    return *m_parts->log;
}
TLocalPane& TMainFormPanes::localPane() const
{
    return *m_parts->local;
}
TDragDropController& TMainFormPanes::dragDrop() const
{
    return *m_parts->dragDrop;
}
TTransferCommands& TMainFormPanes::transferCommands() const
{
    return *m_parts->commands;
}
QString TMainFormPanes::localDirectory() const
{
    return m_parts->local->directory();
}

void TMainFormPanes::fillRemoteMenu(QMenu* menu)
{
    TRemotePane& remote = *m_parts->remote;
    for (const char* name :
         {"RemoteRefreshAction", "RemoteViewAction", "StopAction", "RemoteCDHomeAction", "RemoteCDUPAction",
          "RemoteMakeDirAction", "RemoteDeleteFileAction", "RemoteSelectBookmarkAction"})
        menu->addAction(remote.action(QString::fromLatin1(name)));
}

QAction* TMainFormPanes::action(const QString& objectName) const
{
    if (QAction* a = m_parts->remote->action(objectName))
        return a;
    if (QAction* a = m_parts->local->action(objectName))
        return a;
    return m_parts->queue->action(objectName);
}

void TMainFormPanes::applyLanguage()
{
    m_parts->remote->applyLanguage();
    m_parts->queue->retranslate();
    m_parts->local->applyLanguage();
}

void TMainFormPanes::applyViewSettings()
{
    m_parts->remote->applyViewSettings();
    m_parts->local->applyViewSettings();
}

void TMainFormPanes::applyViewStyles()
{
    if (!MainConfig())
        return;
    m_parts->local->setViewStyle(MainConfig()->LocalViewStyle());
    m_parts->remote->setViewStyle(MainConfig()->RemoteViewStyle());
}

void TMainFormPanes::applySortSettings()
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    m_parts->local->setSortColumn(config->LocalSortColumn());
    const int column =
        std::clamp(config->RemoteHeaderSortColumn(), 0, int(TRemoteListModel::kColumnCount) - 1);
    m_parts->remote->setSort(column, config->RemoteHeaderSortDirection() == TRzLVSortDirection::sdDescending
                                         ? Qt::DescendingOrder
                                         : Qt::AscendingOrder);
}

void TMainFormPanes::saveSortSettings()
{
    TMainConfig* config = MainConfig();
    if (!config)
        return;
    config->SetLocalSortColumn(m_parts->local->sortColumn());
    config->SetRemoteHeaderSortColumn(m_parts->remote->sortColumn());
    config->SetRemoteHeaderSortDirection(m_parts->remote->sortOrder() == Qt::DescendingOrder
                                             ? TRzLVSortDirection::sdDescending
                                             : TRzLVSortDirection::sdAscending);
}

void TMainFormPanes::updateActions() {}

void TMainFormPanes::workerConnected()
{
    m_parts->remote->workerConnected();
}
void TMainFormPanes::workerDisconnected()
{
    m_parts->remote->workerDisconnected();
}
void TMainFormPanes::workerLoggedIn()
{
    m_parts->remote->workerLoggedIn();
}
void TMainFormPanes::workerListed()
{
    m_parts->remote->workerListed();
}
void TMainFormPanes::workerDeleted()
{
    m_parts->remote->workerDeleted();
}
void TMainFormPanes::workerBusy()
{
    m_parts->remote->workerBusy();
}
void TMainFormPanes::workerIdle()
{
    m_parts->remote->workerIdle();
}

void TMainFormPanes::askCertificate(TCertificatePrompt& prompt)
{
    AskCertificate(&m_window, prompt);
}

void TMainFormPanes::showWorkerError(std::unique_ptr<EEngineError> error)
{
    TFTPWorkerErrorForm::ShowWorkerError(&m_window, std::move(error), [this](const QString& line) {
        m_window.AddToLog(TLogKind::lkDebug, line);
    });
}

void TMainFormPanes::attachQueue(TQueueManager& queue)
{
    m_parts->queueManager = &queue;
    m_parts->commands->setQueue(&queue);
    m_parts->fileExists = std::make_unique<TFileExistsDialogPrompter>(&m_window);
    queue.setFileExistsPrompter(m_parts->fileExists.get());
    queue.setCertificatePrompter([this](TCertificatePrompt& prompt) { AskCertificate(&m_window, prompt); });
}

void TMainFormPanes::detachQueue()
{
    if (m_parts->queueManager) {
        m_parts->queueManager->setFileExistsPrompter(nullptr);
        m_parts->queueManager->setCertificatePrompter({});
    }
    m_parts->queueManager = nullptr;
    m_parts->commands->setQueue(nullptr);
}

void TMainFormPanes::addToLog(TLogKind kind, const QString& text)
{
    if (TLogView* log = m_parts->log)
        log->AddToLog(kind, text);
}

void TMainFormPanes::setClosing()
{
    if (TLogView* log = m_parts->log)
        log->setClosing();
}

std::optional<THost> TMainFormPanes::quickConnect()
{
    TQuickConnectForm dialog(&m_window);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.host();
}

void TMainFormPanes::queueRemoteSelection(bool active)
{
    m_parts->commands->downloadRemoteSelection(active);
}

void TMainFormPanes::queueLocalSelection(bool active)
{
    m_parts->commands->uploadLocalSelection(active);
}

void TMainFormPanes::changeLocalDirectory(const QString& directory)
{
    m_parts->local->changeDirectory(directory);
}

void TMainFormPanes::findInFocusedList()
{
    if (m_parts->remote->hasListFocus())
        m_parts->remote->action(QStringLiteral("SimpleRemoteFileFindAction"))->trigger();
    else if (m_parts->local->hasListFocus())
        m_parts->local->action(QStringLiteral("SimpleLocalFileFindAction"))->trigger();
}

void TMainFormPanes::popUpFilters()
{
    if (m_parts->remote->hasListFocus() &&
        m_parts->remote->action(QStringLiteral("RemoteSelectFilterAction"))->isEnabled())
        m_parts->remote->filterMenu()->popup(QCursor::pos());
    else if (m_parts->local->hasListFocus())
        m_parts->local->filterMenu()->popup(QCursor::pos());
}

void TMainFormPanes::refreshFocusedList()
{
    QAction* refresh = m_parts->remote->action(QStringLiteral("RemoteRefreshAction"));
    if (m_parts->remote->hasListFocus() && refresh->isEnabled())
        refresh->trigger();
    else if (m_parts->local->hasListFocus())
        m_parts->local->action(QStringLiteral("LocalRefreshAction"))->trigger();
}

void TMainFormPanes::selectAllInFocusedList()
{
    QTreeView* queueView = m_parts->queue->view();
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == queueView || queueView->isAncestorOf(focus)))
        queueView->selectAll();
    else if (m_parts->local->hasListFocus())
        m_parts->local->selectAllRows();
    else
        m_parts->remote->selectAllRows();
}

void TMainFormPanes::uploadCompleted(const TCompletedQueueItem& item)
{
    // Shown again with the new file selected, when the upload went into the very
    // directory on screen and nothing else is queued.
    if (!m_state.loggedIn() || !item.QueueEmpty || item.Host.HostID != m_state.host().HostID)
        return;
    if (IncludeTrailingSlash(item.RemoteDirectory) != IncludeTrailingSlash(m_window.worker().CurrentDir()))
        return;
    m_parts->remote->setPendingUploadedName(item.FileName);
    QAction* refresh = m_parts->remote->action(QStringLiteral("RemoteRefreshAction"));
    if (refresh->isEnabled())
        refresh->trigger();
}

void TMainFormPanes::rebuildFilterMenus()
{
    m_parts->remote->rebuildFilterMenu();
    m_parts->local->rebuildFilterMenu();
}

void TMainFormPanes::editHosts()
{
    THostsForm form(&m_window);
    form.setConnectToHost([this](const THost& host) { m_window.ConnectToHost(host); });
    // Apply followed by Cancel has written the store too.
    if (form.exec() == QDialog::Accepted || form.savedChanges())
        m_window.RebuildHostMenus();
}

void TMainFormPanes::addHost()
{
    {
        TAddHostWizardForm wizard(&m_window);
        wizard.exec();
    }
    m_window.RebuildHostMenus();
}

void TMainFormPanes::settings()
{
    {
        TSettingsForm form(&m_window);
        form.setOpenHelp([this](int topic) { m_window.OpenHelp(topic); });
        // Kept at once rather than only when the window closes: a start cut
        // short later must not lose what the user just chose.
        if (form.exec() == QDialog::Accepted && MainConfig()) {
            QString error;
            if (!MainConfig()->Save(&error) && !error.isEmpty())
                m_window.AddToLog(TLogKind::lkError, error);
        }
    }
    m_window.ApplyLanguage();
    m_window.ApplyViewSettings();
}

void TMainFormPanes::about()
{
    TSplashForm::showAbout(&m_window);
}

void TMainFormPanes::editFilters()
{
    {
        TEditFilterForm form(&m_window);
        form.exec();
    }
    m_window.RebuildFilterMenus();
}

void TMainFormPanes::editBookmarks()
{
    if (!m_state.loggedIn())
        return;
    {
        TEditBookmarksForm form(m_state.host(), &m_window);
        form.exec();
    }
    m_parts->remote->rebuildBookmarkMenus();
}

void TMainFormPanes::closeSplash()
{
    // The start-up splash lives on its own, not as a child of this window; an
    // About box that happens to be open stays.
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<TSplashForm*>(widget); splash && !splash->aboutMode())
            splash->close();
}

void TMainFormPanes::reportDataFileNotices()
{
    // Each file the stores set aside is logged, and the user is told once.
    const QList<TDataFileNotice> notices = TDataFileNotices::takeAll();
    if (notices.isEmpty())
        return;
    QStringList lines;
    for (const TDataFileNotice& notice : notices) {
        m_window.AddToLog(TLogKind::lkError, notice.text());
        lines.append(notice.text());
    }
    TMessageRequest request;
    request.Type = TMessageRequest::TType::Warning;
    request.Text = lines.join(QStringLiteral("\n\n"));
    TMessageDialog::show(&m_window, m_language, request);
}

void TMainFormPanes::firstRun()
{
    TMainConfig* config = MainConfig();
    bool addSamples = false;
    bool runAddHostWizard = false;
    QString language;
    {
        TFirstRunWizardForm wizard(&m_window);
        wizard.exec();
        addSamples = wizard.addSampleSites();
        runAddHostWizard = wizard.showAddHostWizard();
        language = wizard.chosenLanguage();
    }
    if (addSamples && Hosts()) {
        QString error;
        if (!Hosts()->AddDefaultHosts(&error) && !error.isEmpty())
            m_window.AddToLog(TLogKind::lkError, error);
        m_window.RebuildHostMenus();
    }
    // The language first: the add-host wizard offered next speaks the one just chosen.
    if (!language.isEmpty())
        config->SetLanguage(language);
    config->SetFirstRun(false);
    // Kept at once: a start that ends without closing the window (a crash, a
    // kill) must neither lose the choices nor skip the wizard they came from.
    QString error;
    if (!config->Save(&error) && !error.isEmpty())
        m_window.AddToLog(TLogKind::lkError, error);
    m_window.ApplyLanguage();
    if (runAddHostWizard)
        m_window.action(QStringLiteral("AddHostAction"))->trigger();
}

void TMainFormPanes::checkDefaultFtpProgram()
{
    CheckDefaultFTPProgram(&m_window, m_language);
}

void TMainFormPanes::tipOfTheDay()
{
    TTipOfTheDayForm tip(&m_window);
    tip.exec();
}

void TMainFormPanes::deleteTemporaryFiles()
{
    if (m_parts->opener)
        m_parts->opener->deleteTemporaryFiles();
}
