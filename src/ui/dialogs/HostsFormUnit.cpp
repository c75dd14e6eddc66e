#include "ui/dialogs/HostsFormUnit.h"

#include <iterator>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/Dialup.h"
#include "core/EStoreError.h"
#include "core/Format.h"
#include "core/TFtpUrl.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/THostTreeWidget.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/dialogs/TPortKeyFilter.h"

namespace {

constexpr int kDefaultPort = 21;

QAction* newAction(const char* name, QObject* parent, const QKeySequence& shortcut = {})
{
    auto* action = new QAction(parent);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QPushButton* newButton(const char* name, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

THostsForm::THostsForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("HostsForm"))
{
    setObjectName(QStringLiteral("HostsForm"));
    buildActions();
    buildWidgets();
    applyLanguage();
    fillTree();

    if (const TMainConfig* config = MainConfig())
        m_showOnStartup->setChecked(config->ShowHostManagerOnStartup());
    SetupPasswordEdit(m_password, m_anonymous->isChecked());
    SetupPasswordEdit(m_proxy.Password, false);

    m_dialup->addItem(m_language.text(QStringLiteral("strNone")));
    m_dialup->addItems(DialupConnectionNames());
    m_dialup->setCurrentIndex(0);

    watchChanges();
    showNoHost();
    setModified(false);
    m_tree->setFocus();
}

THostsForm::~THostsForm() = default;

void THostsForm::setConnectToHost(std::function<void(const THost&)> connect)
{
    m_connectToHost = std::move(connect);
}

void THostsForm::buildActions()
{
    m_newHostAction = newAction("NewHostAction", this);
    m_newGroupAction = newAction("NewGroupAction", this);
    m_renameAction = newAction("RenameAction", this, QKeySequence(Qt::Key_F2));
    m_cutAction = newAction("EditCut", this, QKeySequence::Cut);
    m_copyAction = newAction("EditCopy", this, QKeySequence::Copy);
    m_pasteAction = newAction("EditPaste", this, QKeySequence::Paste);
    m_selectAllAction = newAction("EditSelectAll", this, QKeySequence::SelectAll);
    m_connectAction = newAction("ConnectSelectedAction", this);
    m_applyAction = newAction("ApplyChangesAction", this);
    m_deleteAction = newAction("DeleteAction", this, QKeySequence(Qt::Key_Delete));

    m_newHostAction->setIcon(
        QIcon::fromTheme(QStringLiteral("list-add"), style()->standardIcon(QStyle::SP_FileIcon)));
    m_newGroupAction->setIcon(QIcon::fromTheme(QStringLiteral("folder-new"),
                                               style()->standardIcon(QStyle::SP_FileDialogNewFolder)));
    m_connectAction->setIcon(QIcon::fromTheme(QStringLiteral("network-connect"),
                                              style()->standardIcon(QStyle::SP_DialogYesButton)));
    m_cutAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-cut")));
    m_copyAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-copy")));
    m_pasteAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-paste")));
    m_deleteAction->setIcon(
        QIcon::fromTheme(QStringLiteral("edit-delete"), style()->standardIcon(QStyle::SP_TrashIcon)));

    connect(m_newHostAction, &QAction::triggered, this, &THostsForm::NewHostActionExecute);
    connect(m_newGroupAction, &QAction::triggered, this, &THostsForm::NewGroupActionExecute);
    connect(m_renameAction, &QAction::triggered, this, &THostsForm::RenameActionExecute);
    connect(m_cutAction, &QAction::triggered, this, &THostsForm::EditCutExecute);
    connect(m_copyAction, &QAction::triggered, this, &THostsForm::EditCopyExecute);
    connect(m_pasteAction, &QAction::triggered, this, &THostsForm::EditPasteExecute);
    connect(m_selectAllAction, &QAction::triggered, this, &THostsForm::EditSelectAllExecute);
    connect(m_connectAction, &QAction::triggered, this, &THostsForm::ConnectSelectedActionExecute);
    connect(m_applyAction, &QAction::triggered, this, [this] { apply(); });
    connect(m_deleteAction, &QAction::triggered, this, &THostsForm::DeleteActionExecute);
}

void THostsForm::buildWidgets()
{
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("HostsToolBar"));
    toolbar->setFloatable(false);
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addAction(m_newGroupAction);
    toolbar->addAction(m_newHostAction);
    toolbar->addSeparator();
    toolbar->addAction(m_connectAction);
    toolbar->addSeparator();
    toolbar->addAction(m_cutAction);
    toolbar->addAction(m_copyAction);
    toolbar->addAction(m_pasteAction);
    toolbar->addAction(m_deleteAction);
    // Select All has no button; its shortcut works anywhere in the dialog.
    addAction(m_selectAllAction);

    m_tree = new THostTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("HostsTreeView"));
    m_tree->setMinimumWidth(200);
    // Rename and Delete by key only while the tree has the focus: in an edit,
    // F2 and Delete are the edit's own.
    for (QAction* action : {m_renameAction, m_deleteAction}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        m_tree->addAction(action);
    }
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("HostsPopupMenu"));
    m_popup->addAction(m_newHostAction);
    m_popup->addAction(m_newGroupAction);
    m_popup->addSeparator();
    m_popup->addAction(m_connectAction);
    m_popup->addSeparator();
    m_popup->addAction(m_renameAction);
    m_popup->addSeparator();
    m_popup->addAction(m_cutAction);
    m_popup->addAction(m_copyAction);
    m_popup->addAction(m_pasteAction);
    m_popup->addAction(m_deleteAction);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_generalPage = buildGeneralPage();
    m_directoriesPage = buildDirectoriesPage();
    m_connectionPage = buildConnectionPage();
    m_sslPage = buildSSLPage();
    m_proxyPage = m_proxy.buildPage();
    for (QWidget* page : {m_generalPage, m_directoriesPage, m_connectionPage, m_sslPage, m_proxyPage})
        m_pages->addTab(page, QString());

    m_showOnStartup = NewDialogCheckBox("ShowOnStartupCheckBox", this);
    m_ok = newButton("OKButton", this);
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    m_cancel = newButton("CancelButton", this);
    m_apply = newButton("ApplyButton", this);

    auto* body = new QHBoxLayout;
    body->addWidget(m_tree, 2);
    body->addWidget(m_pages, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_showOnStartup);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(toolbar);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { HostsTreeViewChange(current); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &THostsForm::HostsTreeViewDblClick);
    connect(m_tree, &THostTreeWidget::treeChanged, this, [this] {
        setModified(true);
        updateActions();
    });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, m_applyAction, &QAction::trigger);
    connect(m_applyAction, &QAction::changed, this,
            [this] { m_apply->setEnabled(m_applyAction->isEnabled()); });
    connect(m_anonymous, &QCheckBox::clicked, this, &THostsForm::IsAnonymousCheckBoxClick);
    connect(m_proxy.UseDefault, &QCheckBox::clicked, this, &THostsForm::UseDefaultProxySettingsCheckBoxClick);
    connect(m_useDefaultDialup, &QCheckBox::clicked, this,
            &THostsForm::UseDefaultDialupConnectionCheckBoxClick);
    connect(m_dialup, &QComboBox::currentIndexChanged, this, &THostsForm::DialupConnectionComboBoxChange);
    connect(m_useSSL, &QCheckBox::toggled, this, &THostsForm::UseSSLCheckBoxClick);
    connect(m_browse, &QPushButton::clicked, this, &THostsForm::BrowseInitialDirectoryButtonClick);
    connect(qApp, &QApplication::focusChanged, this, [this] { updateActions(); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { updateActions(); });

    const QWidget* order[] = {m_tree,
                              m_pages,
                              m_hostname,
                              m_port,
                              m_anonymous,
                              m_username,
                              m_password,
                              m_passive,
                              m_localDirectory,
                              m_browse,
                              m_remoteDirectory,
                              m_dialup,
                              m_useDefaultDialup,
                              m_disconnectDialup,
                              m_useSSL,
                              m_legacyCiphers,
                              m_withoutCloseNotify,
                              m_proxy.UseDefault,
                              m_proxy.Type,
                              m_proxy.Host,
                              m_proxy.Port,
                              m_proxy.Username,
                              m_proxy.Password,
                              m_showOnStartup,
                              m_ok,
                              m_cancel,
                              m_apply};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

QWidget* THostsForm::buildGeneralPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("GeneralTabSheet"));
    m_hostname = NewDialogEdit("HostnameEdit", page);
    m_port = NewDialogEdit("PortEdit", page);
    m_port->setMaxLength(5);
    m_port->setFixedWidth(m_port->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_portFilter = new TPortKeyFilter(m_port, QString(), QString());
    m_anonymous = NewDialogCheckBox("IsAnonymousCheckBox", page);
    m_username = NewDialogEdit("UsernameEdit", page);
    m_password = NewDialogEdit("PasswordEdit", page);
    m_passive = NewDialogCheckBox("PassiveTransfersCheckBox", page);
    m_hostID = new QLabel(page);
    m_hostID->setObjectName(QStringLiteral("HostIDLabel"));
    m_hostID->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* grid = new QGridLayout(page);
    grid->addWidget(NewBuddyLabel("HostnameLabel", m_hostname, page), 0, 0);
    grid->addWidget(m_hostname, 0, 1);
    grid->addWidget(NewBuddyLabel("PortLabel", m_port, page), 0, 2);
    grid->addWidget(m_port, 0, 3);
    grid->addWidget(m_anonymous, 1, 1, 1, 3);
    grid->addWidget(NewBuddyLabel("UsernameLabel", m_username, page), 2, 0);
    grid->addWidget(m_username, 2, 1, 1, 3);
    grid->addWidget(NewBuddyLabel("PasswordLabel", m_password, page), 3, 0);
    grid->addWidget(m_password, 3, 1, 1, 3);
    grid->addWidget(m_passive, 4, 1, 1, 3);
    grid->addWidget(m_hostID, 6, 0, 1, 4);
    grid->setRowStretch(5, 1);
    return page;
}

QWidget* THostsForm::buildDirectoriesPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("DirectoriesTabSheet"));
    m_localDirectory = NewDialogEdit("InitialLocalDirectoryEdit", page);
    m_browse = newButton("BrowseInitialDirectoryButton", page);
    m_remoteDirectory = NewDialogEdit("InitialRemoteDirectoryEdit", page);

    auto* layout = new QGridLayout(page);
    layout->addWidget(NewBuddyLabel("InitialLocalDirectoryLabel", m_localDirectory, page), 0, 0, 1, 2);
    layout->addWidget(m_localDirectory, 1, 0);
    layout->addWidget(m_browse, 1, 1);
    layout->addWidget(NewBuddyLabel("InitialRemoteDirectoryLabel", m_remoteDirectory, page), 2, 0, 1, 2);
    layout->addWidget(m_remoteDirectory, 3, 0, 1, 2);
    layout->setRowStretch(4, 1);
    return page;
}

QWidget* THostsForm::buildConnectionPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ConnectionTabSheet"));
    m_dialup = new QComboBox(page);
    m_dialup->setObjectName(QStringLiteral("DialupConnectionComboBox"));
    m_useDefaultDialup = NewDialogCheckBox("UseDefaultDialupConnectionCheckBox", page);
    m_disconnectDialup = NewDialogCheckBox("DisconnectDialupAfterDisconnectCheckBox", page);

    auto* layout = new QGridLayout(page);
    layout->addWidget(NewBuddyLabel("DialupConnectionLabel", m_dialup, page), 0, 0);
    layout->addWidget(m_dialup, 1, 0);
    layout->addWidget(m_useDefaultDialup, 2, 0);
    layout->addWidget(m_disconnectDialup, 3, 0);
    layout->setRowStretch(4, 1);
    return page;
}

QWidget* THostsForm::buildSSLPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("SSLTabSheet"));
    m_useSSL = NewDialogCheckBox("UseSSLCheckBox", page);
    m_legacyCiphers = NewDialogCheckBox("AllowLegacyTlsCiphersCheckBox", page);
    m_withoutCloseNotify = NewDialogCheckBox("AcceptDataWithoutCloseNotifyCheckBox", page);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_useSSL);
    layout->addSpacing(8);
    layout->addWidget(m_legacyCiphers);
    layout->addWidget(m_withoutCloseNotify);
    layout->addStretch(1);
    return page;
}

// Every edit, check box and list of the pages sets the modified flag when it
// changes, except while a host's values are being filled in.
void THostsForm::watchChanges()
{
    for (QWidget* page : {m_generalPage, m_directoriesPage, m_connectionPage, m_sslPage, m_proxyPage}) {
        for (QLineEdit* edit : page->findChildren<QLineEdit*>()) {
            connect(edit, &QLineEdit::textChanged, this, &THostsForm::controlChanged);
            connect(edit, &QLineEdit::selectionChanged, this, [this] { updateActions(); });
        }
        for (QCheckBox* box : page->findChildren<QCheckBox*>())
            connect(box, &QCheckBox::toggled, this, &THostsForm::controlChanged);
        for (QComboBox* combo : page->findChildren<QComboBox*>())
            connect(combo, &QComboBox::currentIndexChanged, this, &THostsForm::controlChanged);
    }
}

void THostsForm::applyLanguage()
{
    m_language.apply(this);
    m_proxy.applyLanguage(m_language);
    m_portFilter->setTexts(m_language.text(QStringLiteral("IDS_11")),
                           m_language.text(QStringLiteral("IDS_10")));
}

void THostsForm::fillTree()
{
    const QString rootCaption = m_language.text(QStringLiteral("strHosts"));
    THosts* store = Hosts();
    if (!store) {
        m_tree->hostTree().addNode(nullptr, rootCaption, nullptr);
    } else {
        try {
            store->Reload();
        } catch (const EStoreError&) {
            // FillTree below meets the same host again and says why.
        }
        try {
            store->FillTree(m_tree->hostTree(), rootCaption);
        } catch (const EStoreError& error) {
            // The hosts before the damaged one are shown; Apply refuses to save
            // the incomplete tree over the file.
            m_loadError = error.message();
        }
        if (m_tree->topLevelItemCount() == 0)
            m_tree->hostTree().addNode(nullptr, rootCaption, nullptr);
    }
    m_tree->prepareFilled();
}

void THostsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_loadError.isEmpty() && !m_loadErrorShown) {
        m_loadErrorShown = true;
        QTimer::singleShot(0, this, [this] { showError(m_loadError); });
    }
}

// --- selection and the host's fields ---------------------------------------

void THostsForm::HostsTreeViewChange(QTreeWidgetItem* current)
{
    writeBack();
    const bool modified = m_modified;
    auto* node = static_cast<THostTreeItem*>(current);
    if (node && node->isHost())
        showHost(node->host());
    else
        showNoHost();
    setModified(modified);
    updateActions();
}

void THostsForm::showHost(const std::shared_ptr<THost>& host)
{
    m_filling = true;
    m_shownHost = host;
    setHostPagesEnabled(true);
    m_hostname->setText(host->Hostname);
    m_port->setText(QString::number(host->Port));
    m_username->setText(host->Username);
    m_password->setText(host->Password);
    m_localDirectory->setText(host->InitialLocalDirectory);
    m_remoteDirectory->setText(host->InitialRemoteDirectory);
    m_passive->setChecked(host->Passive);
    m_useSSL->setChecked(host->UseSSL);
    m_legacyCiphers->setChecked(host->AllowLegacyTlsCiphers);
    m_withoutCloseNotify->setChecked(host->AcceptDataWithoutCloseNotify);
    UseSSLCheckBoxClick();
    // A host whose own entry is not in the list shows "None", not the entry of
    // the host shown before.
    m_dialup->setCurrentIndex(0);
    m_useDefaultDialup->setChecked(host->UseDefaultDialupConnection);
    UseDefaultDialupConnectionCheckBoxClick();
    m_disconnectDialup->setChecked(host->DisconnectDialupAfterDisconnect);
    m_anonymous->setChecked(host->IsAnonymous);
    IsAnonymousCheckBoxClick();
    m_proxy.UseDefault->setChecked(host->UseDefaultProxySettings);
    UseDefaultProxySettingsCheckBoxClick();
    m_hostID->setText(Format(m_language.text(QStringLiteral("strHostID")), {host->HostIDText()}));
    m_filling = false;
}

void THostsForm::showNoHost()
{
    m_filling = true;
    m_shownHost.reset();
    for (QLineEdit* edit : {m_hostname, m_port, m_username, m_password, m_localDirectory, m_remoteDirectory})
        edit->clear();
    setHostPagesEnabled(false);
    m_hostID->setText(m_language.caption(QStringLiteral("HostIDLabel"), QStringLiteral("Host-ID: N/A")));
    m_filling = false;
}

void THostsForm::setHostPagesEnabled(bool enabled)
{
    // The pages as a whole: the controls keep the states their rules gave them.
    for (QWidget* page : {m_generalPage, m_directoriesPage, m_connectionPage, m_sslPage, m_proxyPage})
        page->setEnabled(enabled);
}

void THostsForm::writeBack()
{
    if (!m_shownHost)
        return;
    THost& host = *m_shownHost;
    host.Hostname = m_hostname->text();
    host.Port = PortOfEdit(m_port);
    host.Username = m_username->text();
    host.Password = m_password->text();
    host.InitialRemoteDirectory = m_remoteDirectory->text();
    host.InitialLocalDirectory = m_localDirectory->text();
    host.IsAnonymous = m_anonymous->isChecked();
    host.Passive = m_passive->isChecked();
    host.UseSSL = m_useSSL->isChecked();
    host.AllowLegacyTlsCiphers = m_legacyCiphers->isChecked();
    host.AcceptDataWithoutCloseNotify = m_withoutCloseNotify->isChecked();
    host.UseDefaultDialupConnection = m_useDefaultDialup->isChecked();
    host.DisconnectDialupAfterDisconnect = m_disconnectDialup->isChecked();
    host.UseDefaultProxySettings = m_proxy.UseDefault->isChecked();
    if (!host.UseDefaultDialupConnection)
        host.DialupConnection = m_dialup->currentIndex() > 0 ? m_dialup->currentText() : QString();
    if (!host.UseDefaultProxySettings)
        m_proxy.readInto(host.ProxySettings);
}

void THostsForm::setModified(bool modified)
{
    m_modified = modified;
    m_applyAction->setEnabled(modified);
    m_apply->setEnabled(modified);
}

void THostsForm::controlChanged()
{
    if (!m_filling)
        setModified(true);
}

void THostsForm::IsAnonymousCheckBoxClick()
{
    ApplyAnonymousLogin(m_anonymous->isChecked(), m_username, m_password);
}

void THostsForm::UseDefaultProxySettingsCheckBoxClick()
{
    m_proxy.showForUseDefault(m_shownHost ? m_shownHost->ProxySettings : TIdFtpProxySettings());
}

void THostsForm::UseDefaultDialupConnectionCheckBoxClick()
{
    const bool useDefault = m_useDefaultDialup->isChecked();
    QString name;
    if (useDefault)
        name = MainConfig() ? MainConfig()->DefaultDialupConnection() : QString();
    else if (m_shownHost)
        name = m_shownHost->DialupConnection;
    const int index =
        name.isEmpty() ? -1 : m_dialup->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index > 0)
        m_dialup->setCurrentIndex(index);
    m_dialup->setEnabled(!useDefault);
    DialupConnectionComboBoxChange();
}

void THostsForm::DialupConnectionComboBoxChange()
{
    m_disconnectDialup->setEnabled(m_dialup->currentIndex() > 0);
}

void THostsForm::UseSSLCheckBoxClick()
{
    // The exceptions weaken TLS; without TLS they mean nothing.
    m_legacyCiphers->setEnabled(m_useSSL->isChecked());
    m_withoutCloseNotify->setEnabled(m_useSSL->isChecked());
}

void THostsForm::BrowseInitialDirectoryButtonClick()
{
    const QString folder =
        BrowseForFolder(this, m_language.text(QStringLiteral("IDS_14")), m_localDirectory->text());
    // A cancelled chooser leaves what the user typed.
    if (!folder.isEmpty())
        m_localDirectory->setText(folder);
}

// --- tree commands -----------------------------------------------------------

THostTreeItem* THostsForm::selectedNode() const
{
    return m_tree->currentNode();
}

THostTreeItem* THostsForm::selectedHostNode() const
{
    THostTreeItem* node = selectedNode();
    return node && node->isHost() ? node : nullptr;
}

bool THostsForm::treeFocused() const
{
    return focusWidget() == m_tree;
}

QLineEdit* THostsForm::focusedEdit() const
{
    return qobject_cast<QLineEdit*>(focusWidget());
}

bool THostsForm::clipboardHasFtpURL() const
{
    const std::optional<TFtpUrl> url = TFtpUrl::parse(QApplication::clipboard()->text());
    return url && !url->Host.isEmpty();
}

void THostsForm::NewHostActionExecute()
{
    THostTreeItem* parent = m_tree->groupFor(selectedNode());
    auto host = std::make_shared<THost>();
    host->CommonName = m_language.text(QStringLiteral("IDS_4"));
    host->Port = kDefaultPort;
    host->Passive = true;
    THostTreeItem* item = m_tree->addHost(parent, host);
    if (!item)
        return;
    m_tree->setFocus();
    m_tree->rename(item);
}

void THostsForm::NewGroupActionExecute()
{
    THostTreeItem* parent = m_tree->groupFor(selectedNode());
    THostTreeItem* item = m_tree->addGroup(parent, m_language.text(QStringLiteral("IDS_5")));
    if (!item)
        return;
    m_tree->setFocus();
    m_tree->rename(item);
}

void THostsForm::RenameActionExecute()
{
    m_tree->rename(selectedNode());
}

void THostsForm::DeleteActionExecute()
{
    THostTreeItem* node = selectedNode();
    if (node && !node->isRoot())
        m_tree->removeNode(node);
}

void THostsForm::ConnectSelectedActionExecute()
{
    THostTreeItem* node = selectedHostNode();
    if (!node)
        return;
    writeBack();
    connectTo(*node->host());
}

void THostsForm::HostsTreeViewDblClick(QTreeWidgetItem* item)
{
    auto* node = static_cast<THostTreeItem*>(item);
    if (node && node->isHost())
        connectTo(*node->host());
}

void THostsForm::connectTo(const THost& host)
{
    // A copy: saving on OK may rebuild the store's list.
    const THost record = host;
    if (m_connectToHost)
        m_connectToHost(record);
    accept();
}

void THostsForm::HostsTreeViewContextPopup(const QContextMenuEvent& event)
{
    QPoint position;
    if (event.reason() == QContextMenuEvent::Mouse) {
        // A right click selects the node under the pointer first.
        position = m_tree->viewport()->mapFromGlobal(event.globalPos());
        if (QTreeWidgetItem* item = m_tree->itemAt(position))
            m_tree->setCurrentItem(item);
    } else if (QTreeWidgetItem* item = m_tree->currentItem()) {
        // From the keyboard: below the selected node, which stays selected.
        position = m_tree->visualItemRect(item).bottomLeft();
    }
    m_tree->setFocus();
    updateActions();
    m_popup->popup(m_tree->viewport()->mapToGlobal(position));
}

void THostsForm::EditCutExecute()
{
    if (treeFocused()) {
        if (THostTreeItem* node = selectedHostNode()) {
            QApplication::clipboard()->setText(node->host()->GetURL());
            m_tree->removeNode(node);
        }
    } else if (QLineEdit* edit = focusedEdit()) {
        edit->cut();
    }
}

void THostsForm::EditCopyExecute()
{
    if (treeFocused()) {
        if (THostTreeItem* node = selectedHostNode())
            QApplication::clipboard()->setText(node->host()->GetURL());
    } else if (QLineEdit* edit = focusedEdit()) {
        edit->copy();
    }
}

void THostsForm::EditPasteExecute()
{
    if (treeFocused())
        m_tree->addHostFromURL(m_tree->groupFor(selectedNode()), QApplication::clipboard()->text());
    else if (QLineEdit* edit = focusedEdit())
        edit->paste();
}

void THostsForm::EditSelectAllExecute()
{
    if (QLineEdit* edit = focusedEdit())
        edit->selectAll();
}

void THostsForm::updateActions()
{
    THostTreeItem* node = selectedNode();
    const bool hostSelected = node && node->isHost();
    const bool tree = treeFocused();
    QLineEdit* edit = tree ? nullptr : focusedEdit();
    // A masked password is never copied out of its edit.
    const bool editCopies = edit && edit->hasSelectedText() && edit->echoMode() == QLineEdit::Normal;

    m_renameAction->setEnabled(node && !node->isRoot());
    m_deleteAction->setEnabled(tree && node && !node->isRoot());
    m_connectAction->setEnabled(hostSelected);
    m_cutAction->setEnabled(tree ? hostSelected : editCopies && !edit->isReadOnly());
    m_copyAction->setEnabled(tree ? hostSelected : editCopies);
    m_pasteAction->setEnabled(tree ? clipboardHasFtpURL()
                                   : edit && !edit->isReadOnly() &&
                                         !QApplication::clipboard()->text().isEmpty());
    m_selectAllAction->setEnabled(edit && !edit->text().isEmpty());
    m_applyAction->setEnabled(m_modified);
}

bool THostsForm::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_tree || watched == m_tree->viewport()) && event->type() == QEvent::ContextMenu) {
        HostsTreeViewContextPopup(*static_cast<QContextMenuEvent*>(event));
        return true;
    }
    // The Delete key in the tree, also when the window is not the active one and
    // the shortcut does not reach the action.
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier && !m_tree->isEditing()) {
            DeleteActionExecute();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- apply and closing ---------------------------------------------------------

bool THostsForm::apply()
{
    writeBack();
    if (THosts* store = Hosts()) {
        try {
            store->SaveFromTree(m_tree->hostTree());
        } catch (const EStoreError& error) {
            showError(error.message());
            return false;
        }
        QString error;
        if (!store->Save(&error)) {
            showError(error);
            return false;
        }
        m_savedChanges = true;
    }
    setModified(false);
    updateActions();
    return true;
}

void THostsForm::showError(const QString& text)
{
    TMessageRequest request;
    request.Type = TMessageRequest::TType::Error;
    request.Text = Format(m_language.text(QStringLiteral("strHostsNotSaved")), {text});
    request.Buttons = QMessageBox::Ok;
    TMessageDialog::show(this, m_language, request);
}

void THostsForm::done(int result)
{
    if (result == QDialog::Accepted) {
        // Changes that could not be saved keep the dialog open rather than vanish.
        if (!apply())
            return;
        if (THostTreeItem* node = selectedHostNode(); node && MainConfig())
            MainConfig()->SetLastConnectedHostID(node->host()->HostIDText());
    } else if (m_modified) {
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Confirmation;
        request.Text = m_language.text(QStringLiteral("IDS_3"));
        request.Buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        request.DefaultButton = QMessageBox::Yes;
        switch (TMessageDialog::show(this, m_language, request)) {
        case QMessageBox::Yes:
            if (!apply())
                return;
            break;
        case QMessageBox::No:
            break;
        default:
            return; // Cancel, or the question's own close box: the dialog stays
        }
    }
    if (TMainConfig* config = MainConfig())
        config->SetShowHostManagerOnStartup(m_showOnStartup->isChecked());
    QDialog::done(result);
}
