#include "ui/main/CustomizeButtonsFormUnit.h"

#include <functional>
#include <optional>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/AppRegistry.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/main/TToolbarLayout.h"

namespace {

constexpr int kSeparatorRole = Qt::UserRole + 1;
const QString kEntryMimeType = QStringLiteral("application/x-vantor-toolbar-entry");

// A list of the dialog whose drags carry "<list name>\n<row>", so that a drop
// knows which entry of which list it moves; the drop itself is the dialog's.
class TButtonListWidget final : public QListWidget
{
public:
    using TDropHandler = std::function<void(const QString& sourceList, int row, int beforeRow)>;

    TButtonListWidget(const QString& name, QWidget* parent)
        : QListWidget(parent)
    {
        setObjectName(name);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setDragEnabled(true);
        setAcceptDrops(true);
        setDropIndicatorShown(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        // The source never removes the entry itself: the drop decides.
        setDefaultDropAction(Qt::CopyAction);
        setUniformItemSizes(true);
    }

    void setDropHandler(TDropHandler handler) { m_drop = std::move(handler); }

    static std::optional<std::pair<QString, int>> entryOf(const QMimeData* data)
    {
        if (!data || !data->hasFormat(kEntryMimeType))
            return std::nullopt;
        const QStringList parts = QString::fromUtf8(data->data(kEntryMimeType)).split(u'\n');
        bool ok = false;
        const int row = parts.size() == 2 ? parts[1].toInt(&ok) : -1;
        if (!ok || row < 0)
            return std::nullopt;
        return std::make_pair(parts[0], row);
    }

protected:
    QStringList mimeTypes() const override { return {kEntryMimeType}; }
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override
    {
        if (items.isEmpty())
            return nullptr;
        auto* data = new QMimeData;
        data->setData(kEntryMimeType, (objectName() + u'\n' + QString::number(row(items.first()))).toUtf8());
        return data;
    }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction | Qt::MoveAction; }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (entryOf(event->mimeData())) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
        } else {
            event->ignore();
        }
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (entryOf(event->mimeData())) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
        } else {
            event->ignore();
        }
    }
    void dropEvent(QDropEvent* event) override
    {
        const auto entry = entryOf(event->mimeData());
        if (!entry || !m_drop) {
            event->ignore();
            return;
        }
        const QModelIndex under = indexAt(event->position().toPoint());
        event->setDropAction(Qt::CopyAction);
        event->accept();
        m_drop(entry->first, entry->second, under.isValid() ? under.row() : -1);
    }

private:
    TDropHandler m_drop;
};

} // namespace

TCustomizeButtonsForm::TCustomizeButtonsForm(QToolBar* toolbar, const QString& registryKey, QWidget* parent)
    : QDialog(parent)
    , m_toolbar(toolbar)
    , m_key(registryKey)
{
    setObjectName(QStringLiteral("CustomizeButtonsForm"));
    if (const auto registry = OpenAppRegistry())
        TToolbarLayout::readOptions(*registry, m_key, &m_captionMode, &m_iconSize);
    if (m_toolbar)
        TToolbarLayout::prepare(m_toolbar);
    buildWidgets();
    fillLists();
}

TCustomizeButtonsForm::~TCustomizeButtonsForm()
{
    // Focus leaving a list being destroyed must not reach updateButtons().
    disconnect(qApp, nullptr, this, nullptr);
}

void TCustomizeButtonsForm::buildWidgets()
{
    auto* available = new TButtonListWidget(QStringLiteral("lstAvailable"), this);
    auto* selected = new TButtonListWidget(QStringLiteral("lstSelected"), this);
    m_available = available;
    m_selected = selected;
    for (TButtonListWidget* list : {available, selected})
        list->setDropHandler([this, list](const QString& source, int row, int beforeRow) {
            auto* from = findChild<QListWidget*>(source);
            if (from == m_available || from == m_selected)
                moveEntry(from, row, list, beforeRow);
        });
    m_insert = NewDialogButton("btnInsert", this);
    m_remove = NewDialogButton("btnRemove", this);
    m_textOptions = new QComboBox(this);
    m_textOptions->setObjectName(QStringLiteral("ComboBox1"));
    m_iconOptions = new QComboBox(this);
    m_iconOptions->setObjectName(QStringLiteral("ComboBox2"));
    m_ok = NewDialogButton("btnOK", this);
    m_ok->setDefault(true);
    m_cancel = NewDialogButton("btnCancel", this);

    auto* grid = new QGridLayout;
    grid->addWidget(NewBuddyLabel("lblAvailable", m_available, this), 0, 0);
    grid->addWidget(m_available, 1, 0);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(m_insert);
    middle->addWidget(m_remove);
    middle->addStretch();
    grid->addLayout(middle, 1, 1);
    grid->addWidget(NewBuddyLabel("lblSelected", m_selected, this), 0, 2);
    grid->addWidget(m_selected, 1, 2);
    auto* options = new QGridLayout;
    options->addWidget(NewBuddyLabel("lblTextOptions", m_textOptions, this), 0, 0);
    options->addWidget(m_textOptions, 0, 1);
    options->addWidget(NewBuddyLabel("lblIconOptions", m_iconOptions, this), 1, 0);
    options->addWidget(m_iconOptions, 1, 1);
    options->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(options);
    layout->addLayout(buttons);

    m_language.apply(this);
    const auto items = [this](const char* key, const QStringList& fallback) {
        const std::optional<QString> text =
            m_language.table().property(TTranslationSection::stMultiLines, QString::fromLatin1(key));
        return text ? text->split(u'\n') : fallback;
    };
    m_textOptions->addItems(
        items("ComboBox1.Items", {QStringLiteral("Show text labels"), QStringLiteral("No text labels")}));
    m_iconOptions->addItems(
        items("ComboBox2.Items", {QStringLiteral("Large icons"), QStringLiteral("Small icons")}));
    m_textOptions->setCurrentIndex(m_captionMode);
    m_iconOptions->setCurrentIndex(m_iconSize);

    setTabOrder(m_available, m_insert);
    setTabOrder(m_insert, m_remove);
    setTabOrder(m_remove, m_selected);
    setTabOrder(m_selected, m_textOptions);
    setTabOrder(m_textOptions, m_iconOptions);
    setTabOrder(m_iconOptions, m_ok);
    setTabOrder(m_ok, m_cancel);

    connect(m_insert, &QPushButton::clicked, this, [this] {
        if (!m_available->selectedItems().isEmpty())
            moveEntry(m_available, m_available->row(m_available->selectedItems().first()), m_selected, -1);
    });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        if (!m_selected->selectedItems().isEmpty())
            moveEntry(m_selected, m_selected->row(m_selected->selectedItems().first()), m_available, -1);
    });
    connect(m_available, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        moveEntry(m_available, m_available->row(item), m_selected, -1);
    });
    connect(m_selected, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { moveEntry(m_selected, m_selected->row(item), m_available, -1); });
    connect(m_available, &QListWidget::itemSelectionChanged, this, &TCustomizeButtonsForm::updateButtons);
    connect(m_selected, &QListWidget::itemSelectionChanged, this, &TCustomizeButtonsForm::updateButtons);
    connect(qApp, &QApplication::focusChanged, this, &TCustomizeButtonsForm::updateButtons);
    connect(m_iconOptions, &QComboBox::currentIndexChanged, this, &TCustomizeButtonsForm::setIconChoice);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QIcon TCustomizeButtonsForm::separatorIcon() const
{
    // A black vertical line in the middle column, 2 pixels short of either edge.
    QIcon icon;
    for (int extent : {TToolbarLayout::kSmallIconSize, TToolbarLayout::kLargeIconSize}) {
        QPixmap pixmap(extent, extent);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setPen(Qt::black);
        painter.drawLine(extent / 2, 2, extent / 2, extent - 3);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void TCustomizeButtonsForm::fillLists()
{
    m_available->clear();
    m_selected->clear();
    auto* separator =
        new QListWidgetItem(separatorIcon(), m_language.text(QStringLiteral("SeparatorCaption")));
    separator->setData(kSeparatorRole, true);
    m_available->addItem(separator);
    const QSize images = m_toolbar ? m_toolbar->iconSize() : QSize();
    m_available->setIconSize(images);
    m_selected->setIconSize(images);
    if (!m_toolbar)
        return;
    for (QAction* item : TToolbarLayout::buttonItems(m_toolbar)) {
        if (TToolbarLayout::kind(item) == TToolbarLayout::TItemKind::Other)
            continue;
        auto* entry = new QListWidgetItem(TToolbarLayout::icon(item), TToolbarLayout::caption(item));
        entry->setData(kSeparatorRole, false);
        m_available->addItem(entry);
    }
    for (QAction* item : m_toolbar->actions()) {
        if (!TToolbarLayout::isShown(item))
            continue;
        int row = -1;
        if (item->isSeparator()) {
            row = m_available->row(separatorEntry());
        } else {
            const QString caption = TToolbarLayout::caption(item);
            for (int i = 0; i < m_available->count() && row < 0; ++i)
                if (!m_available->item(i)->data(kSeparatorRole).toBool() &&
                    m_available->item(i)->text() == caption)
                    row = i;
        }
        if (row >= 0)
            moveEntry(m_available, row, m_selected, -1);
    }
    m_selected->setCurrentRow(0);
    m_available->setCurrentRow(0);
    m_available->setFocus();
    updateButtons();
}

QListWidgetItem* TCustomizeButtonsForm::separatorEntry() const
{
    for (int i = 0; i < m_available->count(); ++i)
        if (m_available->item(i)->data(kSeparatorRole).toBool())
            return m_available->item(i);
    return nullptr;
}

void TCustomizeButtonsForm::moveEntry(QListWidget* from, int row, QListWidget* to, int beforeRow)
{
    if (!from || !to || row < 0 || row >= from->count())
        return;
    QListWidgetItem* source = from->item(row);
    const bool separator = source->data(kSeparatorRole).toBool();
    QListWidgetItem* result = nullptr;
    if (beforeRow < 0 || beforeRow > to->count())
        beforeRow = to->count();
    if (from == to) {
        // Dropped on itself or just behind itself: nothing moves.
        if (beforeRow != row && beforeRow != row + 1) {
            from->takeItem(row);
            to->insertItem(beforeRow > row ? beforeRow - 1 : beforeRow, source);
        }
        result = source;
    } else if (separator && from == m_selected && to == m_available) {
        // The available list keeps its one separator entry.
        delete from->takeItem(row);
        result = separatorEntry();
    } else {
        result = source->clone();
        to->insertItem(beforeRow, result);
        // A separator taken from the available list stays available.
        if (!(separator && from == m_available))
            delete from->takeItem(row);
    }
    if (result) {
        to->setCurrentItem(result);
        to->scrollToItem(result);
    }
    to->setFocus();
    updateButtons();
}

void TCustomizeButtonsForm::setIconChoice(int iconSize)
{
    const int extent = TToolbarLayout::iconExtent(iconSize);
    m_available->setIconSize(QSize(extent, extent));
    m_selected->setIconSize(QSize(extent, extent));
}

void TCustomizeButtonsForm::updateButtons()
{
    const QWidget* focus = QApplication::focusWidget();
    m_insert->setEnabled((focus == m_available || focus == m_insert) &&
                         !m_available->selectedItems().isEmpty());
    m_remove->setEnabled((focus == m_selected || focus == m_remove) &&
                         !m_selected->selectedItems().isEmpty());
}

QStringList TCustomizeButtonsForm::selectedNames() const
{
    QStringList names;
    const QList<QAction*> items = m_toolbar ? m_toolbar->actions() : QList<QAction*>();
    for (int row = 0; row < m_selected->count(); ++row) {
        const QListWidgetItem* entry = m_selected->item(row);
        QString name = QStringLiteral("Separator");
        if (!entry->data(kSeparatorRole).toBool()) {
            // Two items with one caption: the last of them.
            for (int i = int(items.size()) - 1; i >= 0; --i)
                if (!items[i]->isSeparator() && TToolbarLayout::caption(items[i]) == entry->text()) {
                    name = TToolbarLayout::componentName(items[i]);
                    break;
                }
        }
        names.append(name);
    }
    return names;
}

void TCustomizeButtonsForm::accept()
{
    if (m_toolbar) {
        const int captionMode = m_textOptions->currentIndex();
        const int iconSize = m_iconOptions->currentIndex();
        TToolbarLayout::ApplyToolbarLayout(m_toolbar, selectedNames(), captionMode, iconSize);
        if (const auto registry = OpenAppRegistry()) {
            TToolbarLayout::SaveToolbarLayout(*registry, m_toolbar, m_key, captionMode, iconSize);
            registry->sync();
        }
    }
    QDialog::accept();
}
