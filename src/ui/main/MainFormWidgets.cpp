// The main window's widgets as it builds them: its actions, the layout of the
// panes, the menus, the main toolbar and the status bar.
#include "ui/main/MainFormUnit.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/main/TMainFormPanes.h"
#include "ui/main/TMainToolbars.h"

namespace {

QString stripped(const QString& caption)
{
    return TFormLanguage::withoutMnemonic(caption);
}

} // namespace

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
