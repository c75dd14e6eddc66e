#include "ui/main/TLocalPane.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/EMaskException.h"
#include "core/Format.h"
#include "core/SizeFormat.h"
#include "core/TFilters.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TDragViews.h"
#include "ui/main/TFileTypes.h"
#include "ui/main/THoverRowDelegate.h"
#include "ui/main/TLocalFileModel.h"
#include "ui/main/TRemoteFindDialog.h"

namespace {

// The view styles in the order of TViewStyle.
const char* const kViewStyleActions[] = {
    "LocalViewIconsMenuItem",
    "LocalViewSmallIconsMenuItem",
    "LocalViewListMenuItem",
    "LocalViewDetailsMenuItem",
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

QString cleanFolder(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

TLocalSelectionFacts TLocalSelectionFacts::of(const QStringList& paths)
{
    TLocalSelectionFacts facts;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            ++facts.directories;
        } else {
            ++facts.files;
            if (info.exists())
                facts.bytes += info.size();
        }
    }
    return facts;
}

TLocalPane::TLocalPane(const TFormLanguage& language, const QHash<QString, QAction*>& windowActions,
                       QWidget* parent)
    : QWidget(parent)
    , m_language(language)
    , m_model(new TLocalFileModel(this))
{
    setObjectName(QStringLiteral("LocalPanel"));
    createActions(windowActions);
    createViews();
    createToolbar();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* dock = new QWidget(this);
    dock->setObjectName(QStringLiteral("LocalDock"));
    auto* dockLayout = new QVBoxLayout(dock);
    dockLayout->setContentsMargins(0, 0, 0, 0);
    dockLayout->addWidget(m_toolbar);
    layout->addWidget(dock);
    auto* pathPanel = new QWidget(this);
    pathPanel->setObjectName(QStringLiteral("LocalPathPanel"));
    auto* pathLayout = new QVBoxLayout(pathPanel);
    pathLayout->setContentsMargins(2, 0, 2, 0);
    pathLayout->addWidget(m_folderBox);
    layout->addWidget(pathPanel);
    layout->addWidget(m_views, 1);
    layout->addWidget(m_selectionPanel);

    wire();
    changeDirectory(QDir::homePath());
    applyLanguage();
    applyViewSettings();
    setViewStyle(MainConfig() ? MainConfig()->LocalViewStyle() : TViewStyle::vsReport);
    rebuildFilterMenu();
    updateActions();
}

TLocalPane::~TLocalPane() = default;

// --- Construction ------------------------------------------------------------

QAction* TLocalPane::windowAction(const QHash<QString, QAction*>& given, const char* name, const char* icon,
                                  int fallback)
{
    const QString key = QString::fromLatin1(name);
    QAction* action = given.value(key);
    if (!action) {
        action = new QAction(this);
        action->setObjectName(key);
    }
    if (action->icon().isNull() && (icon || fallback >= 0))
        action->setIcon(themeIcon(icon, fallback));
    m_actions.insert(key, action);
    return action;
}

void TLocalPane::createActions(const QHash<QString, QAction*>& windowActions)
{
    windowAction(windowActions, "LocalCDUPAction", "go-up", QStyle::SP_FileDialogToParent);
    windowAction(windowActions, "LocalRefreshAction", "view-refresh", QStyle::SP_BrowserReload);
    windowAction(windowActions, "LocalCDHomeAction", "go-home", QStyle::SP_DirHomeIcon);
    windowAction(windowActions, "LocalMakeDirAction", "folder-new", QStyle::SP_FileDialogNewFolder);
    windowAction(windowActions, "UploadAction", "go-up", QStyle::SP_ArrowUp);
    windowAction(windowActions, "AddLocalFilesToQueueAction", "list-add", -1);
    windowAction({}, "SimpleLocalFileFindAction", nullptr, -1);
    windowAction({}, "LocalViewAction", "view-choose", QStyle::SP_FileDialogDetailedView);
    windowAction({}, "LocalFiltersSubmenuItem", "view-filter", QStyle::SP_FileDialogListView);
    windowAction({}, "LocalEditFiltersItem", nullptr, -1);

    m_viewStyles = new QActionGroup(this);
    m_viewStyles->setExclusive(true);
    for (int style = 0; style < 4; ++style) {
        QAction* item = windowAction({}, kViewStyleActions[style], nullptr, -1);
        item->setCheckable(true);
        item->setData(style);
        m_viewStyles->addAction(item);
    }

    m_viewMenu = new QMenu(this);
    m_viewMenu->setObjectName(QStringLiteral("LocalViewMenuItem"));
    m_viewMenu->addActions(m_viewStyles->actions());
    action(QStringLiteral("LocalViewAction"))->setMenu(m_viewMenu);

    m_filterMenu = new QMenu(this);
    m_filterMenu->setObjectName(QStringLiteral("LocalFiltersMenu"));
    m_filterSeparator = m_filterMenu->addSeparator();
    m_filterMenu->addAction(action(QStringLiteral("LocalEditFiltersItem")));
    action(QStringLiteral("LocalFiltersSubmenuItem"))->setMenu(m_filterMenu);
}

void TLocalPane::createToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("LocalToolbar"));
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
    add("LocalRefreshAction", "TBXItem1");
    m_toolbar->addSeparator();
    add("LocalViewAction", "TBXSubmenuItem2", true);
    m_toolbar->addSeparator();

    // Upload, with Add to queue in its drop-down.
    auto* upload = new QToolButton(m_toolbar);
    upload->setObjectName(QStringLiteral("TBXSubmenuItem6"));
    upload->setDefaultAction(action(QStringLiteral("UploadAction")));
    m_uploadMenu = new QMenu(upload);
    m_uploadMenu->setObjectName(QStringLiteral("LocalUploadMenu"));
    m_uploadMenu->addAction(action(QStringLiteral("AddLocalFilesToQueueAction")));
    upload->setMenu(m_uploadMenu);
    upload->setPopupMode(QToolButton::MenuButtonPopup);
    upload->setToolButtonStyle(m_toolbar->toolButtonStyle());
    upload->setIconSize(m_toolbar->iconSize());
    m_toolbar->addWidget(upload);
    m_toolbar->addSeparator();

    add("LocalCDHomeAction", "TBXItem18");
    add("LocalCDUPAction", "TBXItem3");
    add("LocalMakeDirAction", "TBXItem4");
    m_toolbar->addSeparator();
    add("LocalFiltersSubmenuItem", "LocalFiltersSubmenuItem", true);
}

void TLocalPane::createViews()
{
    m_folderBox = new QComboBox(this);
    m_folderBox->setObjectName(QStringLiteral("LocalShellComboBox"));
    m_folderBox->setEditable(true);
    m_folderBox->setInsertPolicy(QComboBox::NoInsert);
    m_folderBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_folderBox->setMinimumContentsLength(10);
    TFormLanguage::keepAccessibleName(m_folderBox);

    m_views = new QStackedWidget(this);
    m_hover = new THoverRowDelegate(this);

    m_listView = new TDragTreeView(m_views);
    m_listView->setObjectName(QStringLiteral("LocalShellListView"));
    m_listView->setModel(m_model);
    m_listView->setItemDelegate(m_hover);
    m_listView->setRootIsDecorated(false);
    m_listView->setItemsExpandable(false);
    m_listView->setExpandsOnDoubleClick(false);
    m_listView->setUniformRowHeights(true);
    m_listView->setAllColumnsShowFocus(true);
    m_listView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_listView->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_listView->setDragEnabled(true);
    m_listView->setDragDropMode(QAbstractItemView::DragOnly);
    m_listView->header()->setSortIndicator(TLocalFileModel::kName, Qt::AscendingOrder);
    m_listView->header()->setSortIndicatorShown(true);
    m_listView->setSortingEnabled(true);
    const int sizeWidth = m_listView->fontMetrics().horizontalAdvance(QStringLiteral("99,999,999 KB")) + 16;
    const int widths[] = {180, std::max(80, sizeWidth), 120, 140};
    for (int column = 0; column < TLocalFileModel::kColumnCount; ++column)
        m_listView->setColumnWidth(column, widths[column]);
    TFormLanguage::keepAccessibleName(m_listView);

    m_iconView = new TDragListView(m_views);
    m_iconView->setObjectName(QStringLiteral("LocalShellIconView"));
    m_iconView->setModel(m_model);
    QItemSelectionModel* own = m_iconView->selectionModel();
    m_iconView->setSelectionModel(m_listView->selectionModel());
    delete own;
    m_iconView->setItemDelegate(m_hover);
    m_iconView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_iconView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_iconView->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_iconView->setDragEnabled(true);
    m_iconView->setDragDropMode(QAbstractItemView::DragOnly);
    m_iconView->setMovement(QListView::Static);
    TFormLanguage::keepAccessibleName(m_iconView);

    m_views->addWidget(m_listView);
    m_views->addWidget(m_iconView);

    m_selectionPanel = new QLabel(this);
    m_selectionPanel->setObjectName(QStringLiteral("LocalSelectionPanel"));
    m_selectionPanel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_selectionPanel->setMargin(2);
}

void TLocalPane::configureIconView(TViewStyle style)
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
        m_iconView->setGridSize(QSize(180, line));
        break;
    case TViewStyle::vsList:
    case TViewStyle::vsReport:
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(16, 16));
        m_iconView->setFlow(QListView::TopToBottom);
        m_iconView->setWordWrap(false);
        m_iconView->setGridSize(QSize(200, line));
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

void TLocalPane::wire()
{
    const auto on = [this](const char* name, auto&& slot) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
    };
    on("LocalCDUPAction", [this] { goUp(); });
    on("LocalRefreshAction", [this] { refresh(); });
    on("LocalCDHomeAction", [this] { goHome(); });
    on("LocalMakeDirAction", [this] { makeDirectory(); });
    on("LocalEditFiltersItem", [this] { emit editFiltersRequested(); });
    on("SimpleLocalFileFindAction", [this] {
        TRemoteFindDialog* dialog = findDialog();
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
    connect(m_viewStyles, &QActionGroup::triggered, this,
            [this](QAction* item) { setViewStyle(static_cast<TViewStyle>(item->data().toInt())); });

    connect(m_folderBox, &QComboBox::activated, this, [this](int index) {
        const QString path = m_folderBox->itemData(index).toString();
        if (!changeDirectory(path))
            fillFolderBox();
        activeView()->setFocus();
    });
    connect(m_folderBox->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        const QString typed = QDir::fromNativeSeparators(m_folderBox->lineEdit()->text().trimmed());
        if (!changeDirectory(typed))
            fillFolderBox();
        else
            activeView()->setFocus();
    });

    connect(m_listView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TLocalPane::updateSelectionSummary);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TLocalPane::updateSelectionSummary);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_listView), static_cast<QAbstractItemView*>(m_iconView)}) {
        view->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this, &TLocalPane::openRow);
    }
}

// --- Navigation ---------------------------------------------------------------

bool TLocalPane::changeDirectory(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return false;
    m_directory = cleanFolder(path);
    const QModelIndex root = m_model->setRootPath(m_directory);
    m_hover->setHoverRow({});
    m_listView->selectionModel()->clear();
    m_listView->setRootIndex(root);
    m_iconView->setRootIndex(root);
    fillFolderBox();
    updateActions();
    updateSelectionSummary();
    emit directoryChanged(m_directory);
    return true;
}

void TLocalPane::goUp()
{
    QDir dir(m_directory);
    if (dir.cdUp())
        changeDirectory(dir.absolutePath());
}

void TLocalPane::goHome()
{
    if (!m_homeDirectory || !changeDirectory(m_homeDirectory()))
        changeDirectory(QDir::homePath());
}

void TLocalPane::refresh()
{
    // The model watches the folder; a refresh re-reads it all the same (a folder
    // on a file system without change notices).
    const QString directory = m_directory;
    const QStringList selected = selectedPaths();
    m_model->setRootPath(QString());
    changeDirectory(QFileInfo(directory).isDir() ? directory : QDir::homePath());
    selectPaths(selected);
}

void TLocalPane::openRow(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QString path = pathOf(index);
    if (QFileInfo(path).isDir())
        changeDirectory(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TLocalPane::fillFolderBox()
{
    // The folder and its ancestors, the root first, then the home folder.
    QStringList chain;
    for (QDir dir(m_directory);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp())
            break;
    }
    const QString home = cleanFolder(QDir::homePath());
    const QSignalBlocker blocker(m_folderBox);
    m_folderBox->clear();
    const QIcon folder = TFileTypes::shared().folderIcon();
    const QIcon open = TFileTypes::shared().openFolderIcon();
    for (const QString& path : std::as_const(chain))
        m_folderBox->addItem(path == m_directory ? open : folder, QDir::toNativeSeparators(path), path);
    if (!chain.contains(home))
        m_folderBox->addItem(folder, QDir::toNativeSeparators(home), home);
    m_folderBox->setCurrentIndex(int(chain.size()) - 1);
    m_folderBox->setEditText(QDir::toNativeSeparators(m_directory));
}

// --- New directory ---------------------------------------------------------------

void TLocalPane::makeDirectory()
{
    const QDir dir(m_directory);
    // The first free name as the file manager gives it: "New folder", then
    // "New folder (2)", "New folder (3)" ...
    QString name = m_language.text(QStringLiteral("IDS_15"));
    for (int i = 2; QFileInfo::exists(dir.filePath(name)); ++i)
        name = Format(m_language.text(QStringLiteral("IDS_16")), {i});
    const QModelIndex root = m_model->index(m_directory);
    QModelIndex made = m_model->mkdir(root, name);
    if (!made.isValid()) {
        // The model says only that it failed; the system says why.
        std::error_code error;
        const std::filesystem::path target(dir.filePath(name).toStdU16String());
        if (!std::filesystem::create_directory(target, error) && !error)
            error = std::make_error_code(std::errc::file_exists);
        if (error) {
            TMessageRequest request;
            request.Type = TMessageRequest::TType::Warning;
            request.Text = m_language.text(QStringLiteral("strLocalMakeDirFailed"))
                               .arg(QString::fromLocal8Bit(error.message().c_str()), name);
            TMessageDialog::show(this, m_language, request);
            refresh();
            return;
        }
        made = m_model->index(dir.filePath(name));
    }
    activeView()->setFocus();
    if (!made.isValid())
        return;
    selectIndexes({made}, true);
    activeView()->scrollTo(made);
    activeView()->edit(made);
}

// --- Selection ----------------------------------------------------------------

QList<QModelIndex> TLocalPane::rows() const
{
    QList<QModelIndex> list;
    const QModelIndex root = m_listView->rootIndex();
    const int count = m_model->rowCount(root);
    list.reserve(count);
    for (int row = 0; row < count; ++row)
        list.append(m_model->index(row, 0, root));
    return list;
}

QList<QModelIndex> TLocalPane::selectedRows() const
{
    const QModelIndex root = m_listView->rootIndex();
    QList<QModelIndex> list;
    for (const QModelIndex& index : m_listView->selectionModel()->selectedRows(0))
        if (index.parent() == root)
            list.append(index);
    std::sort(list.begin(), list.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return list;
}

QStringList TLocalPane::selectedPaths() const
{
    QStringList paths;
    for (const QModelIndex& index : selectedRows())
        paths.append(pathOf(index));
    return paths;
}

QString TLocalPane::pathOf(const QModelIndex& index) const
{
    return index.isValid() ? QDir::cleanPath(m_model->filePath(index.siblingAtColumn(0))) : QString();
}

void TLocalPane::selectPaths(const QStringList& paths)
{
    QList<QModelIndex> indexes;
    for (const QString& path : paths) {
        const QModelIndex index = m_model->index(path);
        if (index.isValid() && index.parent() == m_listView->rootIndex())
            indexes.append(index);
    }
    selectIndexes(indexes, true);
}

void TLocalPane::selectIndexes(const QList<QModelIndex>& indexes, bool replace)
{
    QItemSelectionModel* selection = m_listView->selectionModel();
    QItemSelection items;
    for (const QModelIndex& index : indexes)
        items.select(index.siblingAtColumn(0), index.siblingAtColumn(TLocalFileModel::kColumnCount - 1));
    if (items.isEmpty() && !replace)
        return;
    selection->select(items, (replace ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Select) |
                                 QItemSelectionModel::Rows);
    if (!indexes.isEmpty())
        selection->setCurrentIndex(indexes.first().siblingAtColumn(0), QItemSelectionModel::NoUpdate);
}

void TLocalPane::selectAllRows()
{
    const QList<QModelIndex> all = rows();
    if (!all.isEmpty())
        selectIndexes(all, true);
}

void TLocalPane::findNext(const QString& text)
{
    const QList<QModelIndex> all = rows();
    if (all.isEmpty() || text.isEmpty())
        return;
    const QList<QModelIndex> selected = selectedRows();
    const int current = selected.isEmpty() ? -1 : selected.first().row();
    m_listView->selectionModel()->clearSelection();
    const QString needle = text.toUpper();
    const auto matches = [&](int row) { return m_model->fileName(all.at(row)).toUpper().contains(needle); };
    int hit = -1;
    // After the selected row (after row 0 when none is) to the end, then from the
    // top up to and including the selected row.
    for (int row = current >= 0 ? current + 1 : 1; row < all.size() && hit < 0; ++row)
        if (matches(row))
            hit = row;
    for (int row = 0; row <= std::max(current, 0) && row < all.size() && hit < 0; ++row)
        if (matches(row))
            hit = row;
    if (hit >= 0) {
        selectIndexes({all.at(hit)}, true);
        activeView()->scrollTo(all.at(hit));
    }
}

TRemoteFindDialog* TLocalPane::findDialog()
{
    if (!m_findDialog) {
        m_findDialog = new TRemoteFindDialog(this);
        m_language.apply(m_findDialog);
        connect(m_findDialog, &TRemoteFindDialog::findNext, this, &TLocalPane::findNext);
    }
    return m_findDialog;
}

void TLocalPane::selectFilter(int filterIndex)
{
    const TFilter* filter = Filters() ? Filters()->at(filterIndex) : nullptr;
    if (!filter)
        return;
    const QList<QModelIndex> all = rows();
    QStringList names;
    names.reserve(all.size());
    for (const QModelIndex& index : all)
        names.append(m_model->fileName(index));
    std::vector<bool> selected(static_cast<std::size_t>(names.size()), false);
    for (const QModelIndex& index : selectedRows())
        selected[static_cast<std::size_t>(index.row())] = true;
    const std::vector<bool> before = selected;
    try {
        filter->selectMatching(names, selected);
    } catch (const EMaskException& e) {
        // The rows matched before the bad mask stay selected.
        emit logRequested(TLogKind::lkError, e.message());
    }
    QList<QModelIndex> added;
    for (std::size_t row = 0; row < selected.size(); ++row)
        if (selected[row] && !before[row])
            added.append(all.at(int(row)));
    selectIndexes(added, false);
    if (!added.isEmpty())
        activeView()->scrollTo(added.first());
}

void TLocalPane::updateSelectionSummary()
{
    if (m_selectionPanel->isHidden())
        return;
    const TLocalSelectionFacts facts = TLocalSelectionFacts::of(selectedPaths());
    m_selectionPanel->setText(Format(m_language.text(QStringLiteral("IDS_55")),
                                     {facts.files, facts.directories, FormatSizeKB(facts.bytes)}));
}

// --- Menus and settings ---------------------------------------------------------

void TLocalPane::updateActions()
{
    action(QStringLiteral("LocalMakeDirAction"))->setEnabled(QFileInfo(m_directory).isDir());
}

void TLocalPane::rebuildFilterMenu()
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
        connect(item, &QAction::triggered, this, [this, index] { selectFilter(index); });
        m_filterMenu->insertAction(before, item);
        before = item;
        m_filterItems.append(item);
    }
}

void TLocalPane::retitleColumns()
{
    QStringList titles;
    for (int column = 0; column < TLocalFileModel::kColumnCount; ++column)
        titles.append(
            m_language.collection(QStringLiteral("LocalShellListView.Columns[%1].Caption").arg(column)));
    m_model->setColumnTitles(titles);
}

void TLocalPane::applyLanguage()
{
    m_language.apply(this);
    for (QAction* item : std::as_const(m_actions))
        m_language.apply(item);
    retitleColumns();
    const QString listName = m_language.text(QStringLiteral("strRSSTLocalListView"));
    m_listView->setAccessibleName(listName);
    m_iconView->setAccessibleName(listName);
    m_folderBox->setAccessibleName(
        m_language.caption(QStringLiteral("LocalPathPanel"), QStringLiteral("Local folder")));
    if (m_findDialog)
        m_language.apply(m_findDialog);
    updateSelectionSummary();
}

void TLocalPane::applyViewSettings()
{
    const bool show = MainConfig() ? MainConfig()->ShowLocalSelectionPanel() : true;
    m_selectionPanel->setVisible(show);
    if (show)
        updateSelectionSummary();
}

void TLocalPane::setViewStyle(TViewStyle style)
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
        MainConfig()->SetLocalViewStyle(style);
}

void TLocalPane::setSortColumn(int column)
{
    column = std::clamp(column, 0, TLocalFileModel::kColumnCount - 1);
    m_listView->sortByColumn(column, Qt::AscendingOrder);
}

int TLocalPane::sortColumn() const
{
    return m_listView->header()->sortIndicatorSection();
}

QAbstractItemView* TLocalPane::activeView() const
{
    if (m_viewStyle == TViewStyle::vsReport)
        return m_listView;
    return m_iconView;
}

bool TLocalPane::hasListFocus() const
{
    return m_listView->hasFocus() || m_iconView->hasFocus();
}

// --- Keyboard -----------------------------------------------------------------

bool TLocalPane::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || (watched != m_listView && watched != m_iconView))
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return QWidget::eventFilter(watched, event);
    auto* view = static_cast<QAbstractItemView*>(watched);
    // An open name editor passes Enter on once it has ended the edit.
    const QList<QLineEdit*> editors = view->viewport()->findChildren<QLineEdit*>();
    if (std::any_of(editors.begin(), editors.end(), [](QLineEdit* editor) { return !editor->isHidden(); }))
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openRow(view->currentIndex());
        return true;
    case Qt::Key_Backspace:
        goUp();
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}
