#include "ui/dialogs/EditBookmarksFormUnit.h"

#include <functional>

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TQuickHosts.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TCaptionDelegate.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/dialogs/TNumberedCaption.h"

namespace {

// A bookmark row, ordered by its path as the host's list orders bookmarks
// (without case), ties by the exact text so the order is stable.
class TBookmarkItem final : public QTreeWidgetItem
{
public:
    explicit TBookmarkItem(const QString& caption)
    {
        setText(0, caption);
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    }

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const QString mine = text(0);
        const QString theirs = other.text(0);
        const int order = mine.compare(theirs, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : mine < theirs;
    }
};

// The list, with a way to end an edit in progress from outside and without
// letting the Enter that confirms an edit reach the dialog's default button.
class TBookmarksListView final : public QTreeWidget
{
public:
    using QTreeWidget::QTreeWidget;

    void commitOpenEditors()
    {
        if (state() != QAbstractItemView::EditingState)
            return;
        for (QLineEdit* editor : viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (state() == QAbstractItemView::EditingState &&
            (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
            event->accept();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }
};

} // namespace

TEditBookmarksForm::TEditBookmarksForm(THost& host, QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("EditBookmarksForm"))
    , m_host(host)
{
    setObjectName(QStringLiteral("EditBookmarksForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    buildWidgets();
    applyLanguage();
    fillList();
    setModified(false);
    m_list->setFocus();
}

TEditBookmarksForm::~TEditBookmarksForm() = default;

void TEditBookmarksForm::buildWidgets()
{
    const QIcon newIcon = QIcon::fromTheme(
        QStringLiteral("bookmark-new"),
        QIcon::fromTheme(QStringLiteral("list-add"), style()->standardIcon(QStyle::SP_FileIcon)));
    const QIcon deleteIcon =
        QIcon::fromTheme(QStringLiteral("edit-delete"), style()->standardIcon(QStyle::SP_TrashIcon));
    m_newAction = NewDialogAction("NewBookmarkAction", this, newIcon);
    m_newAction->setShortcut(QKeySequence(Qt::Key_Insert));
    m_newAction->setShortcutContext(Qt::WidgetShortcut);
    m_deleteAction = NewDialogAction("DeleteBookmarkAction", this, deleteIcon);
    m_deleteAction->setShortcut(QKeySequence::Delete);
    // Only in the list: in a caption being edited Delete deletes characters.
    m_deleteAction->setShortcutContext(Qt::WidgetShortcut);
    m_applyAction = NewDialogAction("ApplyChangesAction", this);

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("BookmarksToolBar"));
    toolbar->setFloatable(false);
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addAction(m_newAction);
    toolbar->addAction(m_deleteAction);

    auto* list = new TBookmarksListView(this);
    m_list = list;
    m_list->setObjectName(QStringLiteral("BookmarksListView"));
    m_list->setColumnCount(1);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_list->setItemDelegate(new TCaptionDelegate(
        0, [this] { setModified(true); }, m_list));
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(0, Qt::AscendingOrder);
    // Always ascending: the header is a caption, not a sort control.
    m_list->header()->setSortIndicatorShown(false);
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setStretchLastSection(true);
    m_list->addAction(m_newAction);
    m_list->addAction(m_deleteAction);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("BookmarksLabel"));
    label->setBuddy(m_list);

    m_ok = NewDialogButton("OKButton", this);
    m_ok->setDefault(true);
    m_cancel = NewDialogButton("CancelButton", this);
    m_apply = NewDialogButton("ApplyButton", this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(toolbar);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    setMinimumSize(360, 300);
    resize(420, 360);

    connect(m_newAction, &QAction::triggered, this, &TEditBookmarksForm::NewBookmarkActionExecute);
    connect(m_deleteAction, &QAction::triggered, this, &TEditBookmarksForm::DeleteBookmarkActionExecute);
    connect(m_applyAction, &QAction::triggered, this, &TEditBookmarksForm::ApplyChangesActionExecute);
    // The Apply button is the action's: same caption, same enabling.
    connect(m_applyAction, &QAction::changed, this, [this] {
        m_apply->setText(m_applyAction->text());
        m_apply->setEnabled(m_applyAction->isEnabled());
        m_apply->setToolTip(m_applyAction->toolTip());
    });
    connect(m_apply, &QPushButton::clicked, m_applyAction, &QAction::trigger);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &TEditBookmarksForm::updateActions);

    setTabOrder(m_list, m_ok);
    setTabOrder(m_ok, m_cancel);
    setTabOrder(m_cancel, m_apply);
}

void TEditBookmarksForm::applyLanguage()
{
    m_language.apply(this);
    m_list->setHeaderLabels({m_language.collection(QStringLiteral("BookmarksListView.Columns[0].Caption"))});
    m_apply->setText(m_applyAction->text());
    m_apply->setAccessibleName(TFormLanguage::withoutMnemonic(m_applyAction->text()));
}

void TEditBookmarksForm::fillList()
{
    m_list->clear();
    for (const QString& path : m_host.Bookmarks)
        addItem(path);
    updateActions();
}

QTreeWidgetItem* TEditBookmarksForm::addItem(const QString& caption)
{
    auto* item = new TBookmarkItem(caption);
    m_list->addTopLevelItem(item);
    m_list->sortItems(0, Qt::AscendingOrder);
    return item;
}

QStringList TEditBookmarksForm::captions() const
{
    QStringList texts;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        texts << m_list->topLevelItem(i)->text(0);
    return texts;
}

QString TEditBookmarksForm::newCaption() const
{
    // Captions compare exactly here: "new bookmark" does not take the name.
    return NumberedCaption(captions(), m_language.text(QStringLiteral("IDS_0")),
                           m_language.text(QStringLiteral("IDS_1")));
}

void TEditBookmarksForm::NewBookmarkActionExecute()
{
    commitEdit();
    QTreeWidgetItem* item = addItem(newCaption());
    m_list->clearSelection();
    m_list->setCurrentItem(item);
    m_list->scrollToItem(item);
    m_list->setFocus();
    m_list->editItem(item, 0);
    setModified(true);
}

void TEditBookmarksForm::DeleteBookmarkActionExecute()
{
    commitEdit();
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    qDeleteAll(selected);
    setModified(true);
    updateActions();
}

bool TEditBookmarksForm::ApplyChangesActionExecute()
{
    commitEdit();
    m_host.Bookmarks.clear();
    for (const QString& caption : captions())
        m_host.AddBookmark(caption);

    QString error;
    bool stored = true;
    THosts* hosts = Hosts();
    if (hosts && hosts->FindByID(m_host.HostIDText()))
        stored = hosts->UpdateHost(m_host, &error);
    else if (TQuickHosts* quickHosts = QuickHosts())
        stored = quickHosts->AddOrUpdate(m_host, &error);
    THost::SaveStores();
    if (!stored) {
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Error;
        request.Text = Format(m_language.text(QStringLiteral("strSaveError")), {error});
        request.Buttons = QMessageBox::Ok;
        TMessageDialog::show(this, m_language, request);
        return false;
    }
    // Shows what the host now holds: paths that differed only in case are one.
    fillList();
    setModified(false);
    return true;
}

void TEditBookmarksForm::done(int result)
{
    commitEdit();
    if (CloseEditor(this, m_language, QStringLiteral("IDS_2"), result == QDialog::Accepted, m_modified,
                    [this] { return ApplyChangesActionExecute(); }) == TEditorClose::Stay)
        return;
    QDialog::done(result);
}

void TEditBookmarksForm::setModified(bool modified)
{
    m_modified = modified;
    updateActions();
}

void TEditBookmarksForm::updateActions()
{
    m_deleteAction->setEnabled(!m_list->selectedItems().isEmpty());
    m_applyAction->setEnabled(m_modified);
}

void TEditBookmarksForm::commitEdit()
{
    static_cast<TBookmarksListView*>(m_list)->commitOpenEditors();
}
