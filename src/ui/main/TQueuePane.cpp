#include "ui/main/TQueuePane.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/TMainConfig.h"
#include "queue/TQueueItem.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TLogView.h"
#include "ui/main/TLogindShutdown.h"
#include "ui/main/TQueueListModel.h"
#include "ui/main/TQueueProgressDelegate.h"

namespace {

const char* const kTag = "Tag";

// Minimum and initial widths of the columns, in pixels. The file name starts
// wider for the arrow and the icon in front of it, Status and Size wide enough
// for "Awaiting transfer" and "1.50 MB / 3.00 MB".
struct TColumnWidth
{
    int minimum;
    int initial;
};
constexpr TColumnWidth kColumnWidths[TQueueListModel::colCount] = {
    {30, 160}, {60, 60}, {30, 120}, {30, 200}, {30, 200}, {30, 130},
};

} // namespace

TQueuePane::TQueuePane(TQueueManager& manager, const TFormLanguage& language, TLogView& log, QWidget* parent)
    : QWidget(parent)
    , m_manager(manager)
    , m_language(language)
    , m_log(log)
{
    m_model = new TQueueListModel(manager, language, this);
    createActions();
    createView();
    createPopupMenu();

    connect(&manager, &TQueueManager::OnItemComplete, this, &TQueuePane::itemCompleted);
    connect(m_model, &TQueueListModel::itemRemoved, this, &TQueuePane::itemRemoved);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TQueuePane::updateQueueActions);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TQueuePane::updateQueueActions);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TQueuePane::updateQueueActions);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TQueuePane::selectionChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TQueuePane::updateRowActions);

    updateQueueActions();
    updateRowActions();
    retranslate();
}

TQueuePane::~TQueuePane() = default;

// ---- construction ------------------------------------------------------------------

QAction* TQueuePane::newAction(const QString& name, const char* iconName, int fallbackIcon)
{
    auto* action = new QAction(this);
    action->setObjectName(name);
    if (iconName)
        action->setIcon(QIcon::fromTheme(QString::fromLatin1(iconName),
                                         style()->standardIcon(QStyle::StandardPixmap(fallbackIcon))));
    m_actions.insert(name, action);
    m_actionOrder.append(action);
    return action;
}

void TQueuePane::createActions()
{
    QAction* save =
        newAction(QStringLiteral("SaveQueueAction"), "document-save", QStyle::SP_DialogSaveButton);
    QAction* saveTo =
        newAction(QStringLiteral("SaveQueueToFileAction"), "document-save-as", QStyle::SP_DialogSaveButton);
    QAction* load =
        newAction(QStringLiteral("LoadQueueAction"), "document-open", QStyle::SP_DialogOpenButton);
    QAction* loadFrom =
        newAction(QStringLiteral("LoadQueueFromFileAction"), "document-open", QStyle::SP_DialogOpenButton);
    QAction* play =
        newAction(QStringLiteral("PlayQueueAction"), "media-playback-start", QStyle::SP_MediaPlay);
    QAction* pause =
        newAction(QStringLiteral("PauseQueueAction"), "media-playback-pause", QStyle::SP_MediaPause);
    QAction* stop = newAction(QStringLiteral("StopQueueAction"), "media-playback-stop", QStyle::SP_MediaStop);
    QAction* clear =
        newAction(QStringLiteral("ClearQueueAction"), "edit-clear-all", QStyle::SP_DialogResetButton);
    QAction* begin =
        newAction(QStringLiteral("BeginQueueItemTransferAction"), "go-next", QStyle::SP_ArrowForward);
    QAction* stopItem =
        newAction(QStringLiteral("StopQueueItemAction"), "process-stop", QStyle::SP_BrowserStop);
    QAction* pauseItem =
        newAction(QStringLiteral("PauseQueueItemAction"), "media-playback-pause", QStyle::SP_MediaPause);
    QAction* deleteItem =
        newAction(QStringLiteral("DeleteQueueItemAction"), "edit-delete", QStyle::SP_TrashIcon);
    QAction* clearLog =
        newAction(QStringLiteral("ClearLogAction"), "edit-clear", QStyle::SP_LineEditClearButton);
    QAction* turnOff = newAction(QStringLiteral("TurnOffComputerAction"), nullptr, 0);
    turnOff->setCheckable(true);
    m_queueCommands = {play, pause, stop, clear};

    for (QAction* rowAction : {begin, stopItem, pauseItem, deleteItem})
        rowAction->setProperty(kTag, 1);
    // The Delete key of the queue view.
    deleteItem->setShortcut(QKeySequence::Delete);
    deleteItem->setShortcutContext(Qt::WidgetShortcut);

    connect(save, &QAction::triggered, this, &TQueuePane::SaveQueueActionExecute);
    connect(saveTo, &QAction::triggered, this, &TQueuePane::SaveQueueToFileActionExecute);
    connect(load, &QAction::triggered, this, &TQueuePane::LoadQueueActionExecute);
    connect(loadFrom, &QAction::triggered, this, &TQueuePane::LoadQueueFromFileActionExecute);
    connect(play, &QAction::triggered, this, [this] { m_manager.PlayQueue(); });
    connect(pause, &QAction::triggered, this, [this] { m_manager.PauseQueue(); });
    connect(stop, &QAction::triggered, this, [this] { m_manager.StopQueue(); });
    connect(clear, &QAction::triggered, this, &TQueuePane::ClearQueueActionExecute);
    connect(begin, &QAction::triggered, this,
            [this] { forEachSelected([this](TQueueItem* item) { m_manager.BeginItem(item); }); });
    connect(stopItem, &QAction::triggered, this,
            [this] { forEachSelected([this](TQueueItem* item) { m_manager.StopItem(item); }); });
    connect(pauseItem, &QAction::triggered, this,
            [this] { forEachSelected([this](TQueueItem* item) { m_manager.PauseItem(item); }); });
    connect(deleteItem, &QAction::triggered, this,
            [this] { forEachSelected([this](TQueueItem* item) { m_manager.DeleteItem(item); }); });
    connect(clearLog, &QAction::triggered, &m_log, &TLogView::clearLog);
}

void TQueuePane::createView()
{
    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("QueueListView"));
    m_view->setModel(m_model);
    m_delegate = new TQueueProgressDelegate(m_view);
    m_view->setItemDelegate(m_delegate);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setSortingEnabled(false);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->addAction(m_actions.value(QStringLiteral("DeleteQueueItemAction")));

    // The selection stays visible while the view has no focus.
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_view->setPalette(palette);

    QHeaderView* header = m_view->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(kColumnWidths[0].minimum);
    for (int column = 0; column < TQueueListModel::colCount; ++column)
        header->resizeSection(column, kColumnWidths[column].initial);
    connect(header, &QHeaderView::sectionResized, this, &TQueuePane::keepMinimumWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

void TQueuePane::keepMinimumWidth(int section, int, int newSize)
{
    if (section < 0 || section >= TQueueListModel::colCount || newSize >= kColumnWidths[section].minimum)
        return;
    m_view->header()->resizeSection(section, kColumnWidths[section].minimum);
}

void TQueuePane::createPopupMenu()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("QueueListViewPopupMenu"));
    const auto add = [this](const char* name) {
        m_popup->addAction(m_actions.value(QString::fromLatin1(name)));
    };
    add("BeginQueueItemTransferAction");
    m_popup->addSeparator();
    add("StopQueueItemAction");
    add("PauseQueueItemAction");
    m_popup->addSeparator();
    add("PlayQueueAction");
    add("StopQueueAction");
    add("PauseQueueAction");
    add("ClearQueueAction");
    m_popup->addSeparator();
    add("DeleteQueueItemAction");
    connect(m_popup, &QMenu::aboutToShow, this, &TQueuePane::updateRowActions);
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { m_popup->popup(m_view->viewport()->mapToGlobal(position)); });
}

QToolBar* TQueuePane::createToolbar(QWidget* parent)
{
    auto* toolbar = new QToolBar(parent);
    toolbar->setObjectName(QStringLiteral("QueueLogToolbar"));
    toolbar->setFloatable(false);
    toolbar->setMovable(false);
    const auto dropDown = [&](const char* name, QAction* main, QAction* item) {
        auto* button = new QToolButton(toolbar);
        button->setObjectName(QString::fromLatin1(name));
        if (main) {
            button->setDefaultAction(main);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        } else {
            button->setPopupMode(QToolButton::InstantPopup);
        }
        auto* menu = new QMenu(button);
        menu->addAction(item);
        button->setMenu(menu);
        toolbar->addWidget(button);
        return button;
    };
    const auto button = [&](const char* name, const char* actionName) {
        QAction* action = m_actions.value(QString::fromLatin1(actionName));
        toolbar->addAction(action);
        if (QWidget* widget = toolbar->widgetForAction(action))
            widget->setObjectName(QString::fromLatin1(name));
    };
    const auto separator = [&](const char* name) {
        toolbar->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    dropDown("TBXSubmenuItem4", action(QStringLiteral("SaveQueueAction")),
             action(QStringLiteral("SaveQueueToFileAction")));
    dropDown("TBXSubmenuItem5", action(QStringLiteral("LoadQueueAction")),
             action(QStringLiteral("LoadQueueFromFileAction")));
    separator("TBXSeparatorItem8");
    button("TBXItem7", "PlayQueueAction");
    button("TBXItem8", "StopQueueAction");
    button("TBXItem35", "PauseQueueAction");
    button("TBXItem12", "ClearQueueAction");
    QToolButton* finished =
        dropDown("TBXSubmenuItem12", nullptr, action(QStringLiteral("TurnOffComputerAction")));
    finished->setIcon(QIcon::fromTheme(QStringLiteral("system-shutdown"),
                                       style()->standardIcon(QStyle::SP_TitleBarCloseButton)));
    separator("TBXSeparatorItem7");
    button("TBXItem9", "ClearLogAction");
    m_toolbars.append(toolbar);
    m_language.apply(toolbar);
    return toolbar;
}

void TQueuePane::retranslate()
{
    m_language.apply(this);
    for (const QPointer<QToolBar>& toolbar : std::as_const(m_toolbars))
        if (toolbar)
            m_language.apply(toolbar);
    m_model->retranslate();
    // The status of a waiting row is read in full in every language.
    QHeaderView* header = m_view->header();
    const int status =
        m_view->fontMetrics().horizontalAdvance(m_language.text(QStringLiteral("strRSSTAwaitingTransfer"))) +
        16;
    if (header->sectionSize(TQueueListModel::colStatus) < status)
        header->resizeSection(TQueueListModel::colStatus, status);
}

// ---- enabling rules -------------------------------------------------------------------

void TQueuePane::updateQueueActions()
{
    // QueuePopulatedActionUpdater. Runs for every row added or removed: only a
    // change of the answer touches the actions.
    const int populated = m_model->itemCount() > 0 ? 1 : 0;
    if (populated == m_populated)
        return;
    m_populated = populated;
    for (QAction* command : std::as_const(m_queueCommands))
        command->setEnabled(populated != 0);
}

void TQueuePane::updateRowActions()
{
    const bool selected = m_view->selectionModel()->hasSelection();
    m_selected = selected ? 1 : 0;
    for (QAction* action : m_popup->actions())
        if (action->property(kTag).toInt() == 1)
            action->setEnabled(selected);
}

void TQueuePane::selectionChanged()
{
    // Clearing a selected queue changes the selection once per row.
    if ((m_view->selectionModel()->hasSelection() ? 1 : 0) != m_selected)
        updateRowActions();
}

// ---- row commands ------------------------------------------------------------------------

QList<TQueueItem*> TQueuePane::selectedItems() const
{
    QModelIndexList rows = m_view->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<TQueueItem*> items;
    items.reserve(rows.size());
    for (const QModelIndex& row : std::as_const(rows))
        if (TQueueItem* item = m_model->itemAt(row.row()))
            items.append(item);
    return items;
}

// The selected rows' items are collected first, top to bottom, then the command
// runs for each. A command may wait for transfer threads and serve events
// meanwhile, so items may leave the queue under the loop: those are skipped.
template <typename Call>
void TQueuePane::forEachSelected(Call call)
{
    const QList<TQueueItem*> items = selectedItems();
    QSet<TQueueItem*> gone;
    const QMetaObject::Connection watch = connect(m_model, &TQueueListModel::itemRemoved, this,
                                                  [&gone](TQueueItem* item) { gone.insert(item); });
    for (TQueueItem* item : items)
        if (!gone.contains(item))
            call(item);
    disconnect(watch);
}

// ---- queue files -----------------------------------------------------------------------

TQueueFileRequest TQueuePane::fileRequest(bool save) const
{
    TQueueFileRequest request;
    request.Save = save;
    request.Directory = MainConfig() ? MainConfig()->LastQueueDirectory() : QDir::homePath();
    request.FileName = QStringLiteral("Queue.xml");
    request.DefaultSuffix = QStringLiteral("xml");
    request.NameFilters = QueueFileNameFilters(m_language.text(QStringLiteral("IDS_29")));
    request.FilterIndex = 1; // XML files
    return request;
}

bool TQueuePane::chooseFile(TQueueFileRequest& request)
{
    const bool chosen = m_chooser ? m_chooser(window(), request) : ChooseQueueFile(window(), request);
    return chosen && !request.Chosen.isEmpty();
}

void TQueuePane::setFileChooser(TQueueFileChooser chooser)
{
    m_chooser = std::move(chooser);
}

void TQueuePane::SaveQueueActionExecute()
{
    QString error;
    if (!m_manager.SaveQueue(&error))
        emit Log(TLogKind::lkError,
                 Format(m_language.text(QStringLiteral("strQueueSaveFailed")),
                        {QDir::toNativeSeparators(TQueueManager::QueueFilePath()), error}));
}

void TQueuePane::SaveQueueToFileActionExecute()
{
    TQueueFileRequest request = fileRequest(true);
    if (!chooseFile(request))
        return;
    QString error;
    if (!m_manager.SaveToFile(request.Chosen, &error))
        emit Log(TLogKind::lkError, Format(m_language.text(QStringLiteral("strQueueSaveFailed")),
                                           {QDir::toNativeSeparators(request.Chosen), error}));
}

void TQueuePane::logLoadResult(const TQueueLoadResult& result, const QString& path)
{
    if (result.ok || result.message.isEmpty())
        return;
    emit Log(TLogKind::lkError, Format(m_language.text(QStringLiteral("strQueueLoadFailed")),
                                       {QDir::toNativeSeparators(path), result.message}));
}

void TQueuePane::LoadQueueActionExecute()
{
    // LoadQueue logs what it left out itself.
    const TQueueLoadResult result = m_manager.LoadQueue();
    if (result.leftOut() == 0)
        logLoadResult(result, TQueueManager::QueueFilePath());
}

void TQueuePane::LoadQueueFromFileActionExecute()
{
    TQueueFileRequest request = fileRequest(false);
    if (!chooseFile(request))
        return;
    const TQueueLoadResult result = m_manager.LoadFromFile(request.Chosen);
    if (result.leftOut() > 0)
        emit Log(TLogKind::lkError, result.leftOutText(request.Chosen));
    else
        logLoadResult(result, request.Chosen);
}

void TQueuePane::ClearQueueActionExecute()
{
    const int rows = m_model->itemCount();
    if (rows == 0)
        return;
    TMessageRequest question;
    question.Type = TMessageRequest::TType::Confirmation;
    question.Text = Format(m_language.text(QStringLiteral("IDS_49")), {rows});
    question.Buttons = QMessageBox::Yes | QMessageBox::No;
    question.DefaultButton = QMessageBox::No;
    if (TMessageDialog::show(window(), m_language, question) == QMessageBox::Yes)
        m_manager.ClearQueue();
}

// ---- completed items ---------------------------------------------------------------------

void TQueuePane::itemCompleted(TQueueItem* item)
{
    // OnItemComplete comes right before the item's deletion.
    m_lastCompleted = item;
}

void TQueuePane::itemRemoved(TQueueItem* item)
{
    // Only an item that completed: one deleted by hand or cleared never counts,
    // whatever its state showed.
    const bool completed = item == m_lastCompleted;
    m_lastCompleted = nullptr;
    if (!completed)
        return;
    TCompletedQueueItem done;
    done.Host = item->Host;
    done.Download = item->isDownload();
    done.RemoteRoot = item->RemoteRoot;
    done.RemoteFilename = item->RemoteFilename;
    done.LocalRoot = item->LocalRoot;
    done.LocalFilename = item->LocalFilename;
    done.RemoteDirectory = TQueueListModel::remoteDirectoryOf(*item);
    done.FileName = TQueueListModel::fileNameOf(*item);
    done.QueueEmpty = m_model->itemCount() == 0;
    if (done.RemoteFilename.isEmpty())
        done.RemoteFilename = done.RemoteDirectory + done.FileName;
    if (done.LocalFilename.isEmpty())
        done.LocalFilename = TQueueListModel::localDirectoryOf(*item) + done.FileName;
    if (!done.Download)
        emit uploadCompleted(done);
    if (item->OpenWhenDone)
        emit openWhenDoneCompleted(done);
    if (done.QueueEmpty && turnOffComputerAfterQueue())
        turnOffComputer();
}

bool TQueuePane::turnOffComputerAfterQueue() const
{
    return m_actions.value(QStringLiteral("TurnOffComputerAction"))->isChecked();
}

void TQueuePane::setTurnOffComputerAfterQueue(bool on)
{
    m_actions.value(QStringLiteral("TurnOffComputerAction"))->setChecked(on);
}

void TQueuePane::setShutdown(IShutdown* shutdown)
{
    m_shutdown = shutdown;
}

void TQueuePane::turnOffComputer()
{
    IShutdown* shutdown = m_shutdown;
    if (!shutdown) {
        if (!m_logindShutdown)
            m_logindShutdown = std::make_unique<TLogindShutdown>();
        shutdown = m_logindShutdown.get();
    }
    emit Log(TLogKind::lkStatus, m_language.text(QStringLiteral("strQueueTurningOff")));
    QString error;
    if (!shutdown->powerOff(&error))
        emit Log(TLogKind::lkError,
                 Format(m_language.text(QStringLiteral("strQueueTurnOffFailed")), {error}));
}
