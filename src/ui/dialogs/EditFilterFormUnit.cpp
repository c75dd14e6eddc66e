#include "ui/dialogs/EditFilterFormUnit.h"

#include <functional>
#include <memory>

#include <QAction>
#include <QCollator>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/TFilter.h"
#include "core/TFilters.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TCaptionDelegate.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/dialogs/TNumberedCaption.h"

namespace {

constexpr int kNameColumn = 0;
constexpr int kMasksColumn = 1;

// A filter row, ordered by name as people read it: letter case aside, then by
// the exact text so that equal names keep a fixed order.
class TFilterItem final : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override
    {
        static const QCollator collator = [] {
            QCollator c;
            c.setCaseSensitivity(Qt::CaseInsensitive);
            return c;
        }();
        const QString a = text(kNameColumn);
        const QString b = other.text(kNameColumn);
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    }
};

} // namespace

TEditFilterForm::TEditFilterForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("EditFilterForm"))
{
    setObjectName(QStringLiteral("EditFilterForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    buildWidgets();
    m_language.apply(this);
    for (int column : {kNameColumn, kMasksColumn})
        m_list->headerItem()->setText(
            column, m_language.collection(QStringLiteral("FiltersListView.Columns[%1].Caption").arg(column)));
    // The button stands for the action: the same caption and hint.
    m_apply->setText(m_applyAction->text());
    m_apply->setToolTip(m_applyAction->toolTip());
    loadFilters();
    setModified(false);
    m_list->setFocus();
}

TEditFilterForm::~TEditFilterForm() = default;

void TEditFilterForm::buildWidgets()
{
    m_newAction = NewDialogAction(
        "NewFilterAction", this,
        QIcon::fromTheme(QStringLiteral("document-new"), style()->standardIcon(QStyle::SP_FileIcon)));
    m_deleteAction = NewDialogAction(
        "DeleteFilterAction", this,
        QIcon::fromTheme(QStringLiteral("edit-delete"), style()->standardIcon(QStyle::SP_TrashIcon)));
    m_deleteAction->setShortcut(QKeySequence::Delete);
    // Only while the list has the focus: an edit keeps its own Delete key.
    m_deleteAction->setShortcutContext(Qt::WidgetShortcut);
    m_applyAction = NewDialogAction("ApplyChangesAction", this);

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("FiltersToolBar"));
    toolbar->setFloatable(false);
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addAction(m_newAction);
    toolbar->addAction(m_deleteAction);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("FiltersListView"));
    m_list->setColumnCount(2);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_list->setItemDelegate(new TCaptionDelegate(
        kNameColumn, [this] { FiltersListViewEdited(); }, m_list));
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(kNameColumn, Qt::AscendingOrder);
    // Always by name: the header does not offer other orders.
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setSortIndicatorShown(false);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(kNameColumn, m_list->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 14);
    m_list->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_list->addAction(m_newAction);
    m_list->addAction(m_deleteAction);

    m_fileMasks = new QLineEdit(this);
    m_fileMasks->setObjectName(QStringLiteral("FileMasksEdit"));
    m_update = NewDialogButton("UpdateButton", this);

    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setDefault(true);
    m_cancel = NewDialogButton("CancelButton", this);
    m_apply = NewDialogButton("ApplyButton", this);

    auto* masksRow = new QHBoxLayout;
    masksRow->addWidget(m_fileMasks, 1);
    masksRow->addWidget(m_update);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(toolbar);
    layout->addWidget(NewBuddyLabel("FiltersLabel", m_list, this));
    layout->addWidget(m_list, 1);
    layout->addWidget(NewBuddyLabel("FileMasksLabel", m_fileMasks, this));
    layout->addLayout(masksRow);
    layout->addSpacing(layout->spacing());
    layout->addLayout(buttons);
    resize(480, 360);

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TEditFilterForm::FiltersListViewSelectionChange);
    connect(m_newAction, &QAction::triggered, this, &TEditFilterForm::NewFilterActionExecute);
    connect(m_deleteAction, &QAction::triggered, this, &TEditFilterForm::DeleteFilterActionExecute);
    connect(m_applyAction, &QAction::triggered, this, [this] { ApplyChangesActionExecute(); });
    connect(m_update, &QPushButton::clicked, this, &TEditFilterForm::UpdateButtonClick);
    connect(m_apply, &QPushButton::clicked, m_applyAction, &QAction::trigger);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_list, m_fileMasks);
    setTabOrder(m_fileMasks, m_update);
    setTabOrder(m_update, m_ok);
    setTabOrder(m_ok, m_cancel);
    setTabOrder(m_cancel, m_apply);
}

bool TEditFilterForm::eventFilter(QObject* watched, QEvent* event)
{
    // F2 renames the filter whichever column of its row is current.
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F2 &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        if (QTreeWidgetItem* item = m_list->currentItem()) {
            m_list->editItem(item, kNameColumn);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TEditFilterForm::loadFilters()
{
    TFilters* store = Filters();
    if (!store)
        return;
    // What another window or an earlier run saved, not what this run holds.
    store->Reload();
    m_filling = true;
    for (const auto& filter : store->filters())
        addItem(filter->Name, filter->masksText());
    m_filling = false;
}

QTreeWidgetItem* TEditFilterForm::addItem(const QString& name, const QString& masksText)
{
    auto* item = new TFilterItem;
    item->setText(kNameColumn, name);
    item->setText(kMasksColumn, masksText);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_list->addTopLevelItem(item);
    return item;
}

QStringList TEditFilterForm::captions() const
{
    QStringList names;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        names << m_list->topLevelItem(i)->text(kNameColumn);
    return names;
}

void TEditFilterForm::FiltersListViewSelectionChange()
{
    updateActions();
    if (m_filling)
        return;
    // The item just selected shows its masks; with none selected the edit empties.
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        m_fileMasks->setText(QString());
        return;
    }
    QTreeWidgetItem* shown = m_list->currentItem();
    if (!shown || !shown->isSelected())
        shown = selected.constLast();
    m_fileMasks->setText(shown->text(kMasksColumn));
}

void TEditFilterForm::FiltersListViewEdited()
{
    setModified(true);
}

void TEditFilterForm::NewFilterActionExecute()
{
    const QString caption = NumberedCaption(captions(), m_language.text(QStringLiteral("IDS_0")),
                                            m_language.text(QStringLiteral("IDS_1")));
    QTreeWidgetItem* item = addItem(caption, QString());
    // The new filter alone is selected, so masks typed next go to it.
    m_list->clearSelection();
    m_list->setCurrentItem(item);
    m_list->scrollToItem(item);
    m_list->setFocus();
    m_list->editItem(item, kNameColumn);
    setModified(true);
}

void TEditFilterForm::DeleteFilterActionExecute()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    m_filling = true;
    qDeleteAll(selected);
    m_filling = false;
    m_fileMasks->setText(QString());
    setModified(true);
}

void TEditFilterForm::UpdateButtonClick()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const QString masksText = m_fileMasks->text();
    for (QTreeWidgetItem* item : selected)
        item->setText(kMasksColumn, masksText);
    m_fileMasks->setModified(false);
    setModified(true);
}

bool TEditFilterForm::ApplyChangesActionExecute()
{
    // Masks typed but not yet carried over go to the selected filters. Text the
    // edit merely shows (that of one selected filter) is not copied to the others.
    if (m_fileMasks->isModified())
        UpdateButtonClick();
    TFilters* store = Filters();
    if (store) {
        store->Clear();
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = m_list->topLevelItem(i);
            store->Add(std::make_unique<TFilter>(item->text(kNameColumn), item->text(kMasksColumn)));
        }
        QString error;
        if (!store->Save(&error)) {
            TMessageRequest request;
            request.Type = TMessageRequest::TType::Error;
            request.Text =
                Format(m_language.text(QStringLiteral("strSaveFailed")), {store->filePath(), error});
            request.Buttons = QMessageBox::Ok;
            TMessageDialog::show(this, m_language, request);
            return false;
        }
    }
    setModified(false);
    return true;
}

void TEditFilterForm::done(int result)
{
    const TEditorClose close =
        CloseEditor(this, m_language, QStringLiteral("IDS_2"), result == QDialog::Accepted, m_modified,
                    [this] { return ApplyChangesActionExecute(); });
    if (close == TEditorClose::Stay)
        return;
    QDialog::done(close == TEditorClose::Saved ? int(QDialog::Accepted) : result);
}

void TEditFilterForm::setModified(bool modified)
{
    m_modified = modified;
    updateActions();
}

void TEditFilterForm::updateActions()
{
    m_deleteAction->setEnabled(!m_list->selectedItems().isEmpty());
    m_applyAction->setEnabled(m_modified);
    m_apply->setEnabled(m_modified);
}
