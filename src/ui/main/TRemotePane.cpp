#include "ui/main/TRemotePane.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/SizeFormat.h"
#include "core/TFilters.h"
#include "core/TMainConfig.h"
#include "engine/TFTPWorker.h"
#include "ui/main/TBrowsingState.h"
#include "ui/main/TDragViews.h"
#include "ui/main/TFileTypes.h"
#include "ui/main/TRemoteFindDialog.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePaneController.h"
#include "ui/main/TRemotePathBox.h"

namespace {

// Actions that talk to the server: enabled while logged in and the worker idle.
const char* const kBrowsingActions[] = {
    "RemoteCDUPAction",           "RemoteRefreshAction",
    "RemoteCDHomeAction",         "RemoteMakeDirAction",
    "RemoteDeleteFileAction",     "RemoteInvertSelectionAction",
    "RemoteSelectBookmarkAction", "RemoteFileAdvancedSearchAction",
    "RemoteViewAction",           "RemoteSelectFilterAction",
};

// The view styles in the order of TViewStyle.
const char* const kViewStyleActions[] = {
    "RemoteViewIconsMenuItem",
    "RemoteViewSmallIconsMenuItem",
    "RemoteViewListMenuItem",
    "RemoteViewDetailsMenuItem",
};

QIcon themeIcon(const char* name, int fallback)
{
    QIcon backup;
    if (fallback >= 0 && QApplication::style())
        backup = QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(fallback));
    return name ? QIcon::fromTheme(QString::fromLatin1(name), backup) : backup;
}

QString menuText(const QString& text)
{
    QString escaped = text;
    return escaped.replace(u'&', QStringLiteral("&&"));
}

} // namespace

TRemotePane::TRemotePane(TFTPWorker& worker, TBrowsingState& state, QWidget* parent)
    : QWidget(parent)
    , m_worker(worker)
    , m_state(state)
    , m_model(new TRemoteListModel(TFileTypes::shared(), this))
{
    setObjectName(QStringLiteral("RemotePanel"));
    createActions();
    createMenus();
    createViews();
    createToolbar();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* dock = new QWidget(this);
    dock->setObjectName(QStringLiteral("RemoteDock"));
    auto* dockLayout = new QVBoxLayout(dock);
    dockLayout->setContentsMargins(0, 0, 0, 0);
    dockLayout->addWidget(m_toolbar);
    layout->addWidget(dock);
    auto* pathPanel = new QWidget(this);
    pathPanel->setObjectName(QStringLiteral("RemotePathPanel"));
    auto* pathLayout = new QVBoxLayout(pathPanel);
    pathLayout->setContentsMargins(2, 0, 2, 0);
    pathLayout->addWidget(m_pathBox);
    layout->addWidget(pathPanel);
    layout->addWidget(m_views, 1);
    layout->addWidget(m_selectionPanel);

    m_controller = std::make_unique<TRemotePaneController>(*this, m_worker, m_state);
    wire();
    applyLanguage();
    applyViewSettings();
    setViewStyle(MainConfig() ? MainConfig()->RemoteViewStyle() : TViewStyle::vsReport);
    updateActions();
}

TRemotePane::~TRemotePane()
{
    // The controller talks to the model and views; it goes first.
    m_controller.reset();
}

QAction* TRemotePane::newAction(const char* name, const char* iconName, int fallbackIcon)
{
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(name));
    const QIcon icon = themeIcon(iconName, fallbackIcon);
    if (!icon.isNull())
        action->setIcon(icon);
    m_actions.insert(action->objectName(), action);
    return action;
}

void TRemotePane::createActions()
{
    newAction("RemoteCDUPAction", "go-up", QStyle::SP_FileDialogToParent);
    newAction("RemoteRefreshAction", "view-refresh", QStyle::SP_BrowserReload);
    newAction("RemoteCDHomeAction", "go-home", QStyle::SP_DirHomeIcon);
    newAction("RemoteMakeDirAction", "folder-new", QStyle::SP_FileDialogNewFolder);
    newAction("RemoteDeleteFileAction", "edit-delete", QStyle::SP_TrashIcon);
    newAction("RemoteInvertSelectionAction", nullptr, -1);
    QAction* selectAll = newAction("RemoteSelectAllAction", "edit-select-all", -1);
    selectAll->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::Key_Minus),
                             QKeySequence(Qt::KeypadModifier | Qt::Key_Minus)});
    selectAll->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(selectAll);
    newAction("RemoteSelectBookmarkAction", "bookmarks", QStyle::SP_DirLinkIcon);
    newAction("RemoteAddCurrentDirBookmarkAction", "bookmark-new", -1);
    newAction("RemoteEditBookmarksAction", "bookmarks-organize", -1);
    newAction("RemoteFileAdvancedSearchAction", "edit-find", QStyle::SP_FileDialogContentsView);
    newAction("SimpleRemoteFileFindAction", "edit-find", -1);
    newAction("RemoteViewAction", "view-choose", QStyle::SP_FileDialogDetailedView);
    newAction("RemoteSelectFilterAction", "view-filter", QStyle::SP_FileDialogListView);
    newAction("RemoteEditFiltersItem", nullptr, -1);
    newAction("DisconnectAction", "network-disconnect", QStyle::SP_BrowserStop);
    newAction("StopAction", "process-stop", QStyle::SP_BrowserStop);
    newAction("RemoteFileOpenAction", "document-open", QStyle::SP_DialogOpenButton);
    newAction("RemoteFileDownloadAction", "go-down", QStyle::SP_ArrowDown);
    newAction("RemoteFileAddToQueueAction", "list-add", -1);
    newAction("RemoteFileCopyURLAction", "edit-copy", -1);
    newAction("RemoteFilePropertiesAction", "document-properties", QStyle::SP_FileDialogInfoView);

    m_viewStyles = new QActionGroup(this);
    m_viewStyles->setExclusive(true);
    for (int style = 0; style < 4; ++style) {
        QAction* item = newAction(kViewStyleActions[style], nullptr, -1);
        item->setCheckable(true);
        item->setData(style);
        m_viewStyles->addAction(item);
    }
}

void TRemotePane::createMenus()
{
    m_viewMenu = new QMenu(this);
    m_viewMenu->setObjectName(QStringLiteral("RemoteViewMenu"));
    m_viewMenu->addActions(m_viewStyles->actions());
    action(QStringLiteral("RemoteViewAction"))->setMenu(m_viewMenu);

    m_bookmarkMenu = new QMenu(this);
    m_bookmarkMenu->setObjectName(QStringLiteral("RemoteBookmarksMenu"));
    m_bookmarkSeparator = m_bookmarkMenu->addSeparator();
    m_bookmarkMenu->addAction(action(QStringLiteral("RemoteAddCurrentDirBookmarkAction")));
    m_bookmarkMenu->addAction(action(QStringLiteral("RemoteEditBookmarksAction")));
    action(QStringLiteral("RemoteSelectBookmarkAction"))->setMenu(m_bookmarkMenu);

    m_filterMenu = new QMenu(this);
    m_filterMenu->setObjectName(QStringLiteral("RemoteFiltersMenu"));
    m_filterSeparator = m_filterMenu->addSeparator();
    m_filterMenu->addAction(action(QStringLiteral("RemoteEditFiltersItem")));
    action(QStringLiteral("RemoteSelectFilterAction"))->setMenu(m_filterMenu);

    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName(QStringLiteral("RemoteListViewPopupMenu"));
    for (const char* name : {"RemoteFileOpenAction", "RemoteFileDownloadAction", "RemoteFileAddToQueueAction",
                             "RemoteFileCopyURLAction"})
        m_popupMenu->addAction(action(QString::fromLatin1(name)));
    m_popupMenu->addSeparator();
    m_popupMenu->addAction(action(QStringLiteral("RemoteFilePropertiesAction")));
}

void TRemotePane::createToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("RemoteToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(22, 22));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto add = [this](const char* actionName, const char* buttonName, bool dropDown = false) {
        QAction* item = action(QString::fromLatin1(actionName));
        m_toolbar->addAction(item);
        QWidget* button = m_toolbar->widgetForAction(item);
        button->setObjectName(QString::fromLatin1(buttonName));
        if (auto* tool = qobject_cast<QToolButton*>(button); tool && dropDown)
            tool->setPopupMode(QToolButton::InstantPopup);
    };
    add("RemoteRefreshAction", "RemoteRefreshButton");
    m_toolbar->addSeparator();
    add("RemoteViewAction", "RemoteViewButton", true);
    m_toolbar->addSeparator();
    add("StopAction", "RemoteStopButton");
    m_toolbar->addSeparator();
    add("RemoteCDHomeAction", "RemoteHomeButton");
    add("RemoteCDUPAction", "RemoteCDUPButton");
    add("RemoteMakeDirAction", "RemoteNewDirectoryButton");
    add("RemoteDeleteFileAction", "RemoteDeleteButton");
    m_toolbar->addSeparator();
    add("RemoteSelectFilterAction", "RemoteFiltersButton", true);
    add("RemoteSelectBookmarkAction", "RemoteBookmarksButton", true);
    add("RemoteFileAdvancedSearchAction", "AdvancedSearchButton");
}

void TRemotePane::setDownloadActions(QAction* download, QAction* addToQueue)
{
    if (!download || findChild<QToolButton*>(QStringLiteral("RemoteDownloadButton")))
        return;
    auto* button = new QToolButton(m_toolbar);
    button->setObjectName(QStringLiteral("RemoteDownloadButton"));
    button->setDefaultAction(download);
    if (addToQueue) {
        auto* menu = new QMenu(button);
        menu->addAction(addToQueue);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    button->setToolButtonStyle(m_toolbar->toolButtonStyle());
    button->setIconSize(m_toolbar->iconSize());
    connect(m_toolbar, &QToolBar::toolButtonStyleChanged, button, &QToolButton::setToolButtonStyle);
    connect(m_toolbar, &QToolBar::iconSizeChanged, button, &QToolButton::setIconSize);
    QAction* stop = action(QStringLiteral("StopAction"));
    m_toolbar->insertWidget(stop, button);
    m_toolbar->insertSeparator(stop);
}

void TRemotePane::createViews()
{
    m_pathBox = new TRemotePathBox(this);
    m_pathBox->setObjectName(QStringLiteral("RemoteComboBox"));
    m_pathBox->setFolderIcons(TFileTypes::shared().folderIcon(), TFileTypes::shared().openFolderIcon());

    m_views = new QStackedWidget(this);
    // Rows are dragged out through the window's drag and drop (TDragDropController).
    m_listView = new TDragTreeView(m_views);
    m_listView->setObjectName(QStringLiteral("RemoteListView"));
    m_listView->setModel(m_model);
    m_listView->setRootIsDecorated(false);
    m_listView->setItemsExpandable(false);
    m_listView->setUniformRowHeights(true);
    m_listView->setAllColumnsShowFocus(true);
    m_listView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_listView->setDragEnabled(true);
    m_listView->setDragDropMode(QAbstractItemView::DragOnly);
    m_listView->header()->setSortIndicator(TRemoteListModel::kName, Qt::AscendingOrder);
    m_listView->header()->setSortIndicatorShown(true);
    m_listView->setSortingEnabled(true);
    // Size wide enough for a file of several gigabytes in kilobytes.
    const int sizeWidth = m_listView->fontMetrics().horizontalAdvance(QStringLiteral("99,999,999 KB")) + 16;
    const int widths[] = {220, std::max(80, sizeWidth), 130, 150, 90, 70, 70};
    for (int column = 0; column < TRemoteListModel::kColumnCount; ++column)
        m_listView->setColumnWidth(column, widths[column]);
    TFormLanguage::keepAccessibleName(m_listView);

    m_iconView = new TDragListView(m_views);
    m_iconView->setObjectName(QStringLiteral("RemoteIconView"));
    m_iconView->setModel(m_model);
    QItemSelectionModel* own = m_iconView->selectionModel();
    m_iconView->setSelectionModel(m_listView->selectionModel());
    delete own;
    m_iconView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_iconView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_iconView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_iconView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_iconView->setDragEnabled(true);
    m_iconView->setDragDropMode(QAbstractItemView::DragOnly);
    m_iconView->setUniformItemSizes(true);
    m_iconView->setLayoutMode(QListView::Batched);
    m_iconView->setBatchSize(2000);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setMovement(QListView::Static);
    TFormLanguage::keepAccessibleName(m_iconView);

    m_views->addWidget(m_listView);
    m_views->addWidget(m_iconView);

    m_selectionPanel = new QLabel(this);
    m_selectionPanel->setObjectName(QStringLiteral("RemoteSelectionPanel"));
    m_selectionPanel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_selectionPanel->setMargin(2);
}

void TRemotePane::configureIconView(TViewStyle style)
{
    const int line = std::max(fontMetrics().height(), 16) + 4;
    switch (style) {
    case TViewStyle::vsIcon:
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setIconSize(QSize(32, 32));
        m_iconView->setFlow(QListView::LeftToRight);
        m_iconView->setWordWrap(true);
        m_iconView->setGridSize(QSize(100, 32 + 2 * line));
        break;
    case TViewStyle::vsSmallIcon:
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(16, 16));
        m_iconView->setFlow(QListView::LeftToRight);
        m_iconView->setWordWrap(false);
        m_iconView->setGridSize(QSize(200, line));
        break;
    case TViewStyle::vsList:
    case TViewStyle::vsReport:
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(16, 16));
        m_iconView->setFlow(QListView::TopToBottom);
        m_iconView->setWordWrap(false);
        m_iconView->setGridSize(QSize(220, line));
        break;
    }
    m_iconView->setWrapping(true);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setMovement(QListView::Static);
    m_iconView->setTextElideMode(Qt::ElideRight);
    // A static QListView stops dragging and taking drops; the window's drag and
    // drop (TDragDropController) needs both in every style.
    m_iconView->setDragEnabled(true);
    m_iconView->viewport()->setAcceptDrops(true);
    m_iconView->setAcceptDrops(true);
}

void TRemotePane::wire()
{
    TRemotePaneController& c = *m_controller;
    const auto on = [this](const char* name, auto&& slot) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
    };
    on("RemoteCDUPAction", [&c] { c.changeUp(); });
    on("RemoteRefreshAction", [&c] { c.refresh(); });
    on("RemoteCDHomeAction", [&c] { c.goHome(); });
    on("RemoteMakeDirAction", [&c] { c.makeDirectory(); });
    on("RemoteDeleteFileAction", [&c] { c.deleteSelection(); });
    on("RemoteInvertSelectionAction", [this] { invertSelection(); });
    on("RemoteSelectAllAction", [this] { selectAllRows(); });
    on("RemoteAddCurrentDirBookmarkAction", [&c] { c.addCurrentDirBookmark(); });
    on("RemoteEditBookmarksAction", [this] { emit editBookmarksRequested(); });
    on("RemoteFileAdvancedSearchAction", [this] { emit advancedSearchRequested(); });
    on("SimpleRemoteFileFindAction", [this] {
        TRemoteFindDialog* dialog = findDialog();
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
    on("RemoteEditFiltersItem", [this] { emit editFiltersRequested(); });
    on("DisconnectAction", [&c] { c.disconnect(); });
    on("StopAction", [&c] { c.stop(); });
    on("RemoteFileOpenAction", [this] { emit openRequested(); });
    on("RemoteFileDownloadAction", [this] { emit downloadRequested(); });
    on("RemoteFileAddToQueueAction", [this] { emit addToQueueRequested(); });
    on("RemoteFileCopyURLAction", [&c] { c.copyUrl(); });
    on("RemoteFilePropertiesAction", [this] { emit propertiesRequested(); });
    connect(m_viewStyles, &QActionGroup::triggered, this,
            [this](QAction* item) { setViewStyle(static_cast<TViewStyle>(item->data().toInt())); });

    connect(&m_state, &TBrowsingState::changed, this, &TRemotePane::updateActions);
    connect(m_pathBox, &TRemotePathBox::pathChosen, this, [this, &c](const QString& path) {
        c.changeDirectory(path);
        activeView()->setFocus();
    });
    QItemSelectionModel* selection = m_listView->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &TRemotePane::updateSelectionDependents);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TRemotePane::updateSelectionDependents);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_listView), static_cast<QAbstractItemView*>(m_iconView)}) {
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, [this, &c](const QModelIndex& index) {
            if (!m_state.busy())
                c.openRow(index.row());
        });
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& position) { showPopupMenu(view, position); });
    }
}

// --- Worker events ---------------------------------------------------------

void TRemotePane::workerConnected()
{
    m_controller->connected();
}

void TRemotePane::workerDisconnected()
{
    m_controller->disconnected();
    updateActions();
}

void TRemotePane::workerLoggedIn()
{
    rebuildBookmarkMenus();
}

void TRemotePane::workerListed()
{
    m_controller->listed();
}

void TRemotePane::workerDeleted()
{
    m_controller->deleted();
}

void TRemotePane::workerBusy()
{
    updateActions();
}

void TRemotePane::workerIdle()
{
    updateActions();
    // A caption being edited keeps the focus (the new folder's name).
    if (!isEditingName())
        activeView()->setFocus();
    m_controller->idle();
}

void TRemotePane::setPendingUploadedName(const QString& name)
{
    m_controller->setPendingUploadedName(name);
}

void TRemotePane::showListing(TListingPtr listing, const QString& directory)
{
    m_controller->showListing(std::move(listing), directory);
}

QString TRemotePane::directory() const
{
    return m_controller->directory();
}

// --- Enabling rules ----------------------------------------------------------

bool TRemotePane::canBrowse() const
{
    return m_state.isAuthenticated();
}

void TRemotePane::updateActions()
{
    const bool browse = canBrowse();
    for (const char* name : kBrowsingActions)
        action(QString::fromLatin1(name))->setEnabled(browse);
    action(QStringLiteral("DisconnectAction"))->setEnabled(m_state.connected());
    action(QStringLiteral("StopAction"))->setEnabled(m_state.busy());
    m_pathBox->setEnabled(!m_state.busy() && (m_state.connected() || m_state.loggedIn()));
    updateSelectionDependents();
}

TRemotePane::TSelectionFacts TRemotePane::selectionFacts() const
{
    TSelectionFacts facts;
    for (int row : selectedRows()) {
        if (m_model->isDirectoryAt(row)) {
            ++facts.directories;
        } else {
            ++facts.files;
            facts.bytes += m_model->fileSizeAt(row).value_or(0);
        }
    }
    return facts;
}

void TRemotePane::updateSelectionDependents()
{
    const TSelectionFacts facts = selectionFacts();
    const bool any = facts.files + facts.directories > 0;
    action(QStringLiteral("RemoteFileOpenAction"))->setEnabled(any && facts.directories == 0);
    action(QStringLiteral("RemoteFileDownloadAction"))->setEnabled(any);
    action(QStringLiteral("RemoteFileAddToQueueAction"))->setEnabled(any);
    action(QStringLiteral("RemoteFileCopyURLAction"))->setEnabled(any);
    // The properties dialog sends SITE commands on the browsing connection.
    action(QStringLiteral("RemoteFilePropertiesAction"))->setEnabled(any && canBrowse());
    updateSelectionSummary(facts);
}

void TRemotePane::updateSelectionSummary(const TSelectionFacts& facts)
{
    if (m_selectionPanel->isHidden())
        return;
    m_selectionPanel->setText(Format(m_language.text(QStringLiteral("IDS_55")),
                                     {facts.files, facts.directories, FormatSizeKB(facts.bytes)}));
}

// --- Menus and settings ----------------------------------------------------

QAction* TRemotePane::action(const QString& objectName) const
{
    return m_actions.value(objectName);
}

void TRemotePane::rebuildBookmarkMenus()
{
    for (QAction* item : std::as_const(m_bookmarkItems))
        delete item;
    m_bookmarkItems.clear();
    for (const QString& bookmark : m_state.host().Bookmarks) {
        auto* item = new QAction(menuText(bookmark), m_bookmarkMenu);
        item->setData(bookmark);
        connect(item, &QAction::triggered, this,
                [this, bookmark] { m_controller->changeDirectory(bookmark); });
        m_bookmarkMenu->insertAction(m_bookmarkSeparator, item);
        m_bookmarkItems.append(item);
    }
}

void TRemotePane::rebuildFilterMenu()
{
    for (QAction* item : std::as_const(m_filterItems))
        delete item;
    m_filterItems.clear();
    if (!Filters())
        return;
    // Listed in reverse store order, as items inserted at the top each time.
    QAction* before = m_filterSeparator;
    for (int index = 0; index < Filters()->count(); ++index) {
        auto* item = new QAction(menuText(Filters()->at(index)->Name), m_filterMenu);
        item->setData(index);
        connect(item, &QAction::triggered, this, [this, index] { m_controller->selectFilter(index); });
        m_filterMenu->insertAction(before, item);
        before = item;
        m_filterItems.append(item);
    }
}

void TRemotePane::retitleColumns()
{
    QStringList titles;
    for (int column = 0; column < TRemoteListModel::kColumnCount; ++column)
        titles.append(
            m_language.collection(QStringLiteral("RemoteListView.Columns[%1].Caption").arg(column)));
    m_model->setColumnTitles(titles);
}

void TRemotePane::applyLanguage()
{
    m_language.setLanguage(MainConfig() ? MainConfig()->Language() : QStringLiteral("English"));
    m_language.apply(this);
    retitleColumns();
    const QString listName = m_language.text(QStringLiteral("strRSSTRemoteListView"));
    m_listView->setAccessibleName(listName);
    m_iconView->setAccessibleName(listName);
    m_pathBox->setAccessibleName(m_language.text(QStringLiteral("strRSSTRemoteComboBox")));
    updateSelectionDependents();
}

void TRemotePane::applyViewSettings()
{
    const bool show = MainConfig() ? MainConfig()->ShowRemoteSelectionPanel() : true;
    m_selectionPanel->setVisible(show);
    if (show)
        updateSelectionDependents();
}

void TRemotePane::setViewStyle(TViewStyle style)
{
    const bool focused = hasListFocus();
    m_viewStyle = style;
    if (style == TViewStyle::vsReport) {
        m_views->setCurrentWidget(m_listView);
    } else {
        configureIconView(style);
        m_views->setCurrentWidget(m_iconView);
    }
    if (focused)
        activeView()->setFocus();
    const QModelIndex current = m_listView->selectionModel()->currentIndex();
    if (current.isValid())
        activeView()->scrollTo(current);
    m_viewStyles->actions().at(static_cast<int>(style))->setChecked(true);
    if (MainConfig())
        MainConfig()->SetRemoteViewStyle(style);
    emit viewStyleChanged(style);
}

void TRemotePane::setSort(int column, Qt::SortOrder order)
{
    m_listView->sortByColumn(column, order);
    if (m_model->sortColumn() != column || m_model->sortOrder() != order)
        m_model->sort(column, order);
}

int TRemotePane::sortColumn() const
{
    return m_model->sortColumn();
}

Qt::SortOrder TRemotePane::sortOrder() const
{
    return m_model->sortOrder();
}

QAbstractItemView* TRemotePane::activeView() const
{
    if (m_viewStyle == TViewStyle::vsReport)
        return m_listView;
    return m_iconView;
}

TRemoteFindDialog* TRemotePane::findDialog()
{
    if (!m_findDialog) {
        m_findDialog = new TRemoteFindDialog(this);
        m_language.apply(m_findDialog);
        connect(m_findDialog, &TRemoteFindDialog::findNext, this, &TRemotePane::findNext);
    }
    return m_findDialog;
}

bool TRemotePane::hasListFocus() const
{
    return m_listView->hasFocus() || m_iconView->hasFocus();
}

bool TRemotePane::isEditingName() const
{
    // An open caption editor is a shown child of the view's viewport.
    const QList<QLineEdit*> editors = activeView()->viewport()->findChildren<QLineEdit*>();
    return std::any_of(editors.begin(), editors.end(), [](QLineEdit* editor) { return !editor->isHidden(); });
}

// --- Selection -------------------------------------------------------------

void TRemotePane::editName(int row)
{
    if (row < 0 || row >= m_model->rowCount() || m_model->isParentRow(row))
        return;
    const QModelIndex index = m_model->index(row, TRemoteListModel::kName);
    QAbstractItemView* view = activeView();
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    view->scrollTo(index);
    view->edit(index);
}

void TRemotePane::findNext(const QString& text)
{
    const int rows = m_model->rowCount();
    if (rows == 0 || text.isEmpty())
        return;
    const int selected = firstSelectedRow();
    clearSelection();
    const QString needle = text.toUpper();
    const auto matches = [&](int row) { return m_model->nameAt(row).toUpper().contains(needle); };
    int hit = -1;
    // After the selected row (after row 0 when none is) to the end, then from the
    // top up to and including the selected row.
    for (int row = selected >= 0 ? selected + 1 : 1; row < rows && hit < 0; ++row) {
        if (matches(row))
            hit = row;
    }
    for (int row = 0; row <= std::max(selected, 0) && hit < 0; ++row) {
        if (matches(row))
            hit = row;
    }
    if (hit >= 0)
        selectRows({hit}, true, true);
}

// --- Keyboard and pop-up menu ------------------------------------------------

bool TRemotePane::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || (watched != m_listView && watched != m_iconView))
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return QWidget::eventFilter(watched, event);
    // A caption editor passes Enter on to the view once it has ended the edit:
    // that Enter must not open the row.
    if (isEditingName())
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const QModelIndex current = m_listView->selectionModel()->currentIndex();
    const int focused = current.isValid() && m_listView->selectionModel()->isRowSelected(current.row())
                            ? current.row()
                            : firstSelectedRow();
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (focused >= 0 && m_model->isDirectoryAt(focused))
            m_controller->openRow(focused);
        return true;
    case Qt::Key_Backspace:
        m_controller->changeUp();
        return true;
    case Qt::Key_Delete:
        if (QAction* remove = action(QStringLiteral("RemoteDeleteFileAction")); remove->isEnabled())
            remove->trigger();
        return true;
    case Qt::Key_F2:
        if (current.isValid())
            editName(current.row());
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TRemotePane::showPopupMenu(QAbstractItemView* view, const QPoint& position)
{
    updateSelectionDependents();
    m_popupMenu->popup(view->viewport()->mapToGlobal(position));
}
