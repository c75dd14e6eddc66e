#include "ui/main/TDragDropController.h"

#include <memory>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#include "core/PathHelpers.h"
#include "engine/TFTPWorker.h"
#include "ui/main/TBrowsingState.h"
#include "ui/main/TDirectSaveMimeData.h"
#include "ui/main/TDragViews.h"
#include "ui/main/THoverRowDelegate.h"
#include "ui/main/TLocalPane.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "ui/main/TTransferCommands.h"

namespace {

// Within this many pixels of the top edge (y <= 9) or less than 10 above the
// bottom edge, a drag scrolls the list under it.
// How long a drag to another program outlives its drop (file managers ask after it).
constexpr int kDirectSaveGraceMs = 60000;
constexpr int kScrollZoneTop = 9;
constexpr int kScrollZoneBottom = 10;

QString parentFolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

// "/pub/dir/" and "/pub/dir" -> "/pub/"; "/" -> "/".
QString remoteParentOf(QString directory)
{
    while (directory.size() > 1 && directory.endsWith(u'/'))
        directory.chop(1);
    const QString parent = ExtractRemoteParentPath(directory);
    return parent.isEmpty() ? QStringLiteral("/") : parent;
}

} // namespace

TDragDropController::TDragDropController(TLocalPane& local, TRemotePane& remote, QAbstractItemView* queueView,
                                         TFTPWorker& worker, TBrowsingState& state,
                                         TTransferCommands& commands, QObject* parent)
    : QObject(parent)
    , m_local(local)
    , m_remote(remote)
    , m_queueView(queueView)
    , m_worker(worker)
    , m_state(state)
    , m_commands(commands)
{
    m_scrollTimer.setObjectName(QStringLiteral("ScrollTimer"));
    m_scrollTimer.setInterval(kScrollIntervalMs);
    connect(&m_scrollTimer, &QTimer::timeout, this, &TDragDropController::scrollTick);

    m_remoteHover = new THoverRowDelegate(&m_remote);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_remote.listView()),
                                    static_cast<QAbstractItemView*>(m_remote.iconView())}) {
        view->setItemDelegate(m_remoteHover);
        watch(view, TTarget::Remote);
    }
    watch(m_local.listView(), TTarget::Local);
    watch(m_local.iconView(), TTarget::Local);
    if (m_queueView)
        watch(m_queueView, TTarget::Queue);

    // Both lists' drags start from the mouse here (mouseForDrag). Their views
    // keep Qt's drag handling only so that a press on a selected row keeps the
    // selection until the release; Qt's own start of a drag does nothing
    // (TDragViews), as it did not come on X11 for a press on a selected row.
    connect(&m_local, &TLocalPane::directoryChanged, this, [this] {
        if (m_hoverView && (m_hoverView == m_local.listView() || m_hoverView == m_local.iconView()))
            clearHover();
    });
}

TDragDropController::~TDragDropController()
{
    for (auto it = m_viewports.cbegin(); it != m_viewports.cend(); ++it)
        it.key()->removeEventFilter(this);
}

void TDragDropController::watch(QAbstractItemView* view, TTarget target)
{
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
    m_viewports.insert(view->viewport(), {target, view});
    connect(view->viewport(), &QObject::destroyed, this, [this](QObject* gone) { m_viewports.remove(gone); });
}

// --- Formats -------------------------------------------------------------------

QStringList TDragDropController::filesOf(const QMimeData& data)
{
    QStringList names;
    const QString text = QString::fromUtf8(data.data(filesFormat()));
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        names.append(line);
    return names;
}

QStringList TDragDropController::localPathsOf(const QMimeData& data)
{
    QStringList paths;
    if (!data.hasUrls())
        return paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(QDir::cleanPath(url.toLocalFile()));
    return paths;
}

QString TDragDropController::temporaryDropFolder()
{
    return QDir::cleanPath(QDir::tempPath() + QStringLiteral("/VFTPDROP"));
}

QMimeData* TDragDropController::localDragData() const
{
    QList<QUrl> urls;
    for (const QString& path : m_local.selectedPaths())
        if (!path.isEmpty())
            urls.append(QUrl::fromLocalFile(path));
    if (urls.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

QMimeData* TDragDropController::remoteDragData() const
{
    QStringList names;
    for (int row : m_remote.selectedRows())
        names.append(m_remote.model().nameAt(row));
    if (names.isEmpty())
        return nullptr;
    // No URL list of a temporary folder here: a file manager would copy that
    // empty folder into the target. Direct save tells where the drop went.
    auto* data = new TDirectSaveMimeData(names.first());
    data->setData(filesFormat(), names.join(QStringLiteral("\r\n")).toUtf8());
    return data;
}

// --- Drag sources -----------------------------------------------------------------

void TDragDropController::runDrag(QDrag& drag, Qt::DropActions supported)
{
    m_dropHandled = TTarget::None;
    if (m_runner)
        m_runner(drag, supported);
    else
        drag.exec(supported, Qt::CopyAction);
}

void TDragDropController::startLocalDrag(Qt::DropActions)
{
    QMimeData* data = localDragData();
    if (!data)
        return;
    auto* drag = new QDrag(m_local.activeView());
    drag->setMimeData(data);
    m_donor = TTarget::Local;
    runDrag(*drag, Qt::CopyAction | Qt::MoveAction);
    drag->deleteLater();
    afterDrag();
}

void TDragDropController::startRemoteDrag(Qt::DropActions)
{
    QMimeData* data = remoteDragData();
    if (!data)
        return;
    // A file manager may tell the folder after the drag has ended: the rows are
    // taken by name then, and only when no target of the window took the drop.
    const QStringList names = filesOf(*data);
    auto handled = std::make_shared<TTarget>(TTarget::None);
    if (auto* directSave = qobject_cast<TDirectSaveMimeData*>(data))
        connect(
            directSave, &TDirectSaveMimeData::folderChosen, this,
            [this, names, handled](const QString& folder) {
                if (*handled == TTarget::None)
                    downloadInto(names, folder);
            },
            Qt::QueuedConnection);
    auto* drag = new QDrag(m_remote.activeView());
    drag->setMimeData(data);
    m_donor = TTarget::Remote;
    runDrag(*drag, Qt::CopyAction | Qt::MoveAction);
    *handled = m_dropHandled;
    // A file manager asks for the direct-save answer after the drop, from a drag
    // that must still exist then: it goes a while later (or with its view).
    QTimer::singleShot(kDirectSaveGraceMs, drag, &QObject::deleteLater);
    afterDrag();
}

void TDragDropController::afterDrag()
{
    m_donor = TTarget::None;
    stopScrolling();
    clearHover();
}

void TDragDropController::downloadInto(const QStringList& names, const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir() || !m_state.loggedIn())
        return;
    QList<int> rows;
    for (const QString& name : names) {
        const int row = m_remote.model().rowOfName(name);
        if (row >= 0)
            rows.append(row);
    }
    m_commands.queueRemoteRows(rows, true, IncludeTrailingBackslash(QDir::toNativeSeparators(folder)));
    m_commands.schedule();
}

// --- Drop targets ------------------------------------------------------------------

bool TDragDropController::eventFilter(QObject* watched, QEvent* event)
{
    const auto it = m_viewports.constFind(watched);
    if (it == m_viewports.cend())
        return QObject::eventFilter(watched, event);
    const TView view = it.value();
    if ((view.target == TTarget::Local || view.target == TTarget::Remote) && mouseForDrag(view, event))
        return true;
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        dragOver(view, *enter);
        // Taken whatever the data, so the moves keep coming: whether a drop is
        // allowed depends on the row under the pointer, and refused drags
        // scroll the list too.
        enter->accept();
        return true;
    }
    case QEvent::DragMove:
        dragOver(view, *static_cast<QDragMoveEvent*>(event));
        return true;
    case QEvent::DragLeave:
        stopScrolling();
        clearHover();
        return true;
    case QEvent::Drop:
        drop(view, *static_cast<QDropEvent*>(event));
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool TDragDropController::mouseForDrag(const TView& source, QEvent* event)
{
    QAbstractItemView* view = source.view;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressedIndex =
            mouse->button() == Qt::LeftButton ? view->indexAt(mouse->position().toPoint()) : QModelIndex();
        m_pressedAt = mouse->position().toPoint();
        return false;
    }
    case QEvent::MouseButtonDblClick:
        // A double click opens the row: moving on with the button held drags nothing.
        m_pressedIndex = QModelIndex();
        return false;
    case QEvent::MouseButtonRelease:
        m_pressedIndex = QModelIndex();
        return false;
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_pressedIndex.isValid() || !(mouse->buttons() & Qt::LeftButton))
            return false;
        if ((mouse->position().toPoint() - m_pressedAt).manhattanLength() <=
            QApplication::startDragDistance())
            return false;
        const bool selected = view->selectionModel()->isSelected(m_pressedIndex);
        m_pressedIndex = QModelIndex();
        if (!selected)
            return false;
        if (source.target == TTarget::Local)
            startLocalDrag(Qt::CopyAction | Qt::MoveAction);
        else
            startRemoteDrag(Qt::CopyAction | Qt::MoveAction);
        return true;
    }
    default:
        return false;
    }
}

bool TDragDropController::dragOver(const TView& view, QDropEvent& event)
{
    const QPoint position = event.position().toPoint();
    autoScroll(view.view, position);
    const QMimeData* data = event.mimeData();
    const QModelIndex index = view.view->indexAt(position);
    bool accepted = false;
    Qt::DropAction action = Qt::CopyAction;
    switch (view.target) {
    case TTarget::Local: {
        accepted = m_donor != TTarget::Local && data && data->hasFormat(filesFormat());
        const bool folderRow = index.isValid() && QFileInfo(m_local.pathOf(index)).isDir();
        setHover(view.view, folderRow ? index : QModelIndex());
        break;
    }
    case TTarget::Remote: {
        const TRemoteListModel& model = m_remote.model();
        const bool directoryRow = index.isValid() && model.isDirectoryAt(index.row());
        setHover(view.view, directoryRow ? index : QModelIndex());
        if (!m_state.loggedIn() || !data)
            break;
        if (data->hasFormat(filesFormat())) {
            // Remote rows only move into a directory row that is not one of them.
            accepted = directoryRow && m_state.isAuthenticated() &&
                       !filesOf(*data).contains(model.nameAt(index.row()));
            action = Qt::MoveAction;
        } else {
            accepted = !localPathsOf(*data).isEmpty();
        }
        break;
    }
    case TTarget::Queue:
        accepted = m_worker.IsConnected() && data &&
                   (data->hasFormat(filesFormat()) || !localPathsOf(*data).isEmpty());
        break;
    case TTarget::None:
        break;
    }
    if (accepted) {
        event.setDropAction(action);
        event.accept();
    } else {
        event.setDropAction(Qt::IgnoreAction);
        event.ignore();
    }
    return accepted;
}

void TDragDropController::drop(const TView& view, QDropEvent& event)
{
    const bool accepted = dragOver(view, event);
    stopScrolling();
    clearHover();
    if (!accepted)
        return;
    switch (view.target) {
    case TTarget::Local:
        m_dropHandled = TTarget::Local;
        dropOnLocal(view.view, event);
        break;
    case TTarget::Remote:
        m_dropHandled = TTarget::Remote;
        dropOnRemote(view.view, event);
        break;
    case TTarget::Queue:
        m_dropHandled = TTarget::Queue;
        dropOnQueue(event);
        break;
    case TTarget::None:
        break;
    }
}

void TDragDropController::dropOnLocal(QAbstractItemView* view, const QDropEvent& event)
{
    const QModelIndex index = view->indexAt(event.position().toPoint());
    QString folder = m_local.directory();
    if (index.isValid() && QFileInfo(m_local.pathOf(index)).isDir())
        folder = m_local.pathOf(index);
    m_commands.queueRemoteRows(m_remote.selectedRows(), true,
                               IncludeTrailingBackslash(QDir::toNativeSeparators(folder)));
    m_commands.schedule();
}

QString TDragDropController::remoteTargetOf(const QModelIndex& index) const
{
    const QString current = m_worker.CurrentDir();
    const TRemoteListModel& model = m_remote.model();
    if (!index.isValid() || !model.isDirectoryAt(index.row()))
        return current;
    if (model.isParentRow(index.row()))
        return remoteParentOf(current);
    return IncludeTrailingSlash(current) + model.nameAt(index.row());
}

void TDragDropController::dropOnRemote(QAbstractItemView* view, const QDropEvent& event)
{
    const QModelIndex index = view->indexAt(event.position().toPoint());
    const QString target = remoteTargetOf(index);
    const QMimeData& data = *event.mimeData();
    if (data.hasFormat(filesFormat())) {
        const QString current = m_worker.CurrentDir();
        for (const QString& name : filesOf(data)) {
            if (name == QLatin1String("..") || name.isEmpty())
                continue;
            m_worker.Rename(name, IncludeTrailingSlash(target) + name);
        }
        m_worker.InvalidateDir(target);
        m_worker.InvalidateDir(current);
        m_worker.List();
        return;
    }
    const QStringList paths = localPathsOf(data);
    if (paths.isEmpty() || paths.first() == temporaryDropFolder())
        return;
    m_commands.queueUploads(paths,
                            IncludeTrailingBackslash(QDir::toNativeSeparators(parentFolderOf(paths.first()))),
                            true, IncludeTrailingSlash(target));
    m_commands.schedule();
}

void TDragDropController::dropOnQueue(const QDropEvent& event)
{
    const QMimeData& data = *event.mimeData();
    if (data.hasFormat(filesFormat())) {
        m_commands.queueRemoteRows(m_remote.selectedRows(), false, m_commands.localRoot());
    } else {
        const QStringList paths = localPathsOf(data);
        if (!paths.isEmpty() && paths.first() != temporaryDropFolder())
            m_commands.queueUploads(
                paths, IncludeTrailingBackslash(QDir::toNativeSeparators(parentFolderOf(paths.first()))),
                false, m_commands.remoteRoot());
    }
    m_commands.schedule();
}

// --- Highlight and auto-scroll ---------------------------------------------------------

QModelIndex TDragDropController::hoverRow() const
{
    if (!m_hoverView)
        return {};
    if (auto* delegate = dynamic_cast<THoverRowDelegate*>(m_hoverView->itemDelegate()))
        return delegate->hoverRow();
    return {};
}

void TDragDropController::setHover(QAbstractItemView* view, const QModelIndex& index)
{
    auto* delegate = dynamic_cast<THoverRowDelegate*>(view->itemDelegate());
    if (m_hoverView && m_hoverView != view)
        clearHover();
    if (!delegate)
        return;
    if (delegate->hoverRow() == index.siblingAtColumn(0) && (index.isValid() || !m_hoverView))
        return;
    delegate->setHoverRow(index);
    m_hoverView = index.isValid() ? view : nullptr;
    view->viewport()->update();
}

void TDragDropController::clearHover()
{
    if (!m_hoverView)
        return;
    if (auto* delegate = dynamic_cast<THoverRowDelegate*>(m_hoverView->itemDelegate()))
        delegate->setHoverRow({});
    m_hoverView->viewport()->update();
    m_hoverView = nullptr;
}

void TDragDropController::autoScroll(QAbstractItemView* view, const QPoint& position)
{
    const int height = view->viewport()->height();
    TScroll direction = TScroll::None;
    if (position.y() <= kScrollZoneTop)
        direction = TScroll::Up;
    else if (position.y() > height - kScrollZoneBottom)
        direction = TScroll::Down;
    if (direction == TScroll::None) {
        stopScrolling();
        return;
    }
    m_scrollControl = view;
    m_scrollDirection = direction;
    if (!m_scrollTimer.isActive())
        m_scrollTimer.start();
}

void TDragDropController::stopScrolling()
{
    m_scrollTimer.stop();
    m_scrollControl = nullptr;
    m_scrollDirection = TScroll::None;
}

void TDragDropController::scrollTick()
{
    if (!m_scrollControl || m_scrollDirection == TScroll::None)
        return;
    m_scrollControl->verticalScrollBar()->triggerAction(m_scrollDirection == TScroll::Up
                                                            ? QAbstractSlider::SliderSingleStepSub
                                                            : QAbstractSlider::SliderSingleStepAdd);
}
