#include "ui/dialogs/HostsFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/EStoreError.h"
#include "core/Format.h"
#include "core/TFtpUrl.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/THostPages.h"
#include "ui/dialogs/THostTreeWidget.h"
#include "ui/dialogs/TMessageDialog.h"

namespace {

constexpr int kDefaultPort = 21;

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
    setModified(false);
    m_tree->setFocus();
}

THostsForm::~THostsForm()
{
    // The children go after this body: focus moving off a control being
    // destroyed must not reach updateActions() and its tree, gone already.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
}

void THostsForm::setConnectToHost(std::function<void(const THost&)> connect)
{
    m_connectToHost = std::move(connect);
}

void THostsForm::buildActions()
{
    m_newHostAction = NewDialogAction("NewHostAction", this);
    m_newGroupAction = NewDialogAction("NewGroupAction", this);
    m_renameAction = NewDialogAction("RenameAction", this, QKeySequence(Qt::Key_F2));
    m_cutAction = NewDialogAction("EditCut", this, QKeySequence::Cut);
    m_copyAction = NewDialogAction("EditCopy", this, QKeySequence::Copy);
    m_pasteAction = NewDialogAction("EditPaste", this, QKeySequence::Paste);
    m_selectAllAction = NewDialogAction("EditSelectAll", this, QKeySequence::SelectAll);
    m_connectAction = NewDialogAction("ConnectSelectedAction", this);
    m_applyAction = NewDialogAction("ApplyChangesAction", this);
    m_deleteAction = NewDialogAction("DeleteAction", this, QKeySequence(Qt::Key_Delete));

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
    m_fields = new THostPages(m_language, this);
    m_fields->build(m_pages);

    m_showOnStartup = NewDialogCheckBox("ShowOnStartupCheckBox", this);
    m_ok = NewDialogButton("OKButton", this);
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    m_cancel = NewDialogButton("CancelButton", this);
    m_apply = NewDialogButton("ApplyButton", this);

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
    connect(m_fields, &THostPages::changed, this, [this] { setModified(true); });
    for (QLineEdit* edit : m_pages->findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::selectionChanged, this, [this] { updateActions(); });
    connect(qApp, &QApplication::focusChanged, this, [this] { updateActions(); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { updateActions(); });

    QList<QWidget*> order = m_fields->tabOrder();
    order.prepend(m_pages);
    order.prepend(m_tree);
    order << m_showOnStartup << m_ok << m_cancel << m_apply;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void THostsForm::applyLanguage()
{
    m_language.apply(this);
    m_fields->applyLanguage();
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
    m_fields->writeBack();
    const bool modified = m_modified;
    auto* node = static_cast<THostTreeItem*>(current);
    if (node && node->isHost())
        m_fields->show(node->host());
    else
        m_fields->showNone();
    setModified(modified);
    updateActions();
}

void THostsForm::setModified(bool modified)
{
    m_modified = modified;
    m_applyAction->setEnabled(modified);
    m_apply->setEnabled(modified);
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
    m_fields->writeBack();
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
    m_fields->writeBack();
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

void THostsForm::dropUnsavedEdits()
{
    // The tree shares the store's records and the selection writes into them (an
    // anonymous host even takes "anonymous" as its user name), so the store
    // reads its file again rather than keep what was not saved.
    m_fields->showNone();
    if (THosts* store = Hosts()) {
        try {
            store->Reload();
        } catch (const EStoreError&) {
            // The same load error as when the dialog opened; the window logs it.
        }
    }
}

void THostsForm::done(int result)
{
    bool saved = false;
    if (result == QDialog::Accepted) {
        // Changes that could not be saved keep the dialog open rather than vanish.
        if (!apply())
            return;
        saved = true;
        if (THostTreeItem* node = selectedHostNode(); node && MainConfig())
            MainConfig()->SetLastConnectedHostID(node->host()->HostIDText());
    } else if (m_modified) {
        switch (AskToSaveChanges(this, m_language, QStringLiteral("IDS_3"))) {
        case QMessageBox::Yes:
            if (!apply())
                return;
            saved = true;
            break;
        case QMessageBox::No:
            break;
        default:
            return; // Cancel, or the question's own close box: the dialog stays
        }
    }
    if (!saved)
        dropUnsavedEdits();
    if (TMainConfig* config = MainConfig())
        config->SetShowHostManagerOnStartup(m_showOnStartup->isChecked());
    QDialog::done(result);
}
