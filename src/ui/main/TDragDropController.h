#pragma once

#include <functional>

#include <QAbstractItemView>
#include <QHash>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QDrag;
class QDropEvent;
class QMimeData;
class QWidget;
class TBrowsingState;
class TFTPWorker;
class THoverRowDelegate;
class TLocalPane;
class TRemotePane;
class TTransferCommands;

// Drag and drop between the local list, the remote list, the queue view and the
// desktop.
//
// Formats: the local list offers its selected paths as a URL list
// (text/uri-list, what file managers exchange); the remote list offers
// "FTPFiles", the names of its selected rows one a line (UTF-8, CRLF), in a
// TDirectSaveMimeData, so that a file manager that supports direct save tells
// the folder the rows were dropped in.
//
// Targets:
// - local list: refuses its own drags, accepts "FTPFiles": downloads of the
//   selected remote rows into the folder row under the pointer (or the current
//   folder), then Schedule;
// - remote list (while logged in): a URL list of local files is uploaded into
//   the directory row under the pointer (or the current directory), then
//   Schedule; "FTPFiles" over a directory row that is not one of the dragged
//   names moves those entries into it (Rename), drops the cached listings of
//   both directories and lists the current one again;
// - queue view (only while the worker's connection is open): "FTPFiles" adds
//   inactive downloads of the selected remote rows into the current local
//   folder, a URL list inactive uploads into the current remote directory.
// A folder or directory row under the pointer is the drop highlight; all three
// targets scroll while the pointer is near their top or bottom edge (one line
// per tick of ScrollTimer, 100 ms). A ".." row is never queued nor moved; a
// file row under the pointer counts as its folder.
//
// After a drag of remote rows that no target of the window took, a drop folder
// told by the file manager gets active downloads of the selected rows.
//
// User-interface thread only.
class TDragDropController final : public QObject
{
    Q_OBJECT

public:
    enum class TTarget
    {
        None,
        Local,
        Remote,
        Queue
    };
    enum class TScroll
    {
        None,
        Up,
        Down
    };
    // Runs a drag to its end (QDrag::exec by default); tests replace it.
    using TDragRunner = std::function<Qt::DropAction(QDrag& drag, Qt::DropActions supported)>;

    static constexpr int kScrollIntervalMs = 100;

    TDragDropController(TLocalPane& local, TRemotePane& remote, QAbstractItemView* queueView,
                        TFTPWorker& worker, TBrowsingState& state, TTransferCommands& commands,
                        QObject* parent = nullptr);
    ~TDragDropController() override;

    static QString filesFormat() { return QStringLiteral("FTPFiles"); }
    // The names an "FTPFiles" payload carries.
    static QStringList filesOf(const QMimeData& data);
    // The local paths of a URL list (file URLs only).
    static QStringList localPathsOf(const QMimeData& data);
    // The temporary "VFTPDROP" folder that must never be uploaded.
    static QString temporaryDropFolder();

    // The data a drag of either list carries; nullptr when nothing is dragged.
    QMimeData* localDragData() const;
    QMimeData* remoteDragData() const;
    void startLocalDrag(Qt::DropActions supported);
    void startRemoteDrag(Qt::DropActions supported);
    // A file manager told `folder` for a drag of the remote rows `names` that no
    // target of the window took: active downloads of those rows (".." never)
    // into it, then Schedule.
    void downloadInto(const QStringList& names, const QString& folder);
    void setDragRunner(TDragRunner runner) { m_runner = std::move(runner); }

    TTarget donor() const { return m_donor; }
    TTarget dropHandled() const { return m_dropHandled; }
    // The highlighted drop row of the local or the remote list (invalid: none).
    QModelIndex hoverRow() const;
    QTimer& scrollTimer() { return m_scrollTimer; }
    QAbstractItemView* scrollControl() const { return m_scrollControl; }
    TScroll scrollDirection() const { return m_scrollDirection; }
    // One tick of ScrollTimer: one line up or down.
    void scrollTick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TView
    {
        TTarget target = TTarget::None;
        QAbstractItemView* view = nullptr;
    };

    void watch(QAbstractItemView* view, TTarget target);
    // The left button held on a selected row of either list past the drag
    // distance starts that list's drag (not after a double click); true when
    // the event was used for that.
    bool mouseForDrag(const TView& source, QEvent* event);
    bool dragOver(const TView& view, QDropEvent& event);
    void drop(const TView& view, QDropEvent& event);
    void dropOnLocal(QAbstractItemView* view, const QDropEvent& event);
    void dropOnRemote(QAbstractItemView* view, const QDropEvent& event);
    void dropOnQueue(const QDropEvent& event);
    void autoScroll(QAbstractItemView* view, const QPoint& position);
    void stopScrolling();
    void setHover(QAbstractItemView* view, const QModelIndex& index);
    void clearHover();
    // The remote directory a drop over `index` goes to.
    QString remoteTargetOf(const QModelIndex& index) const;
    void runDrag(QDrag& drag, Qt::DropActions supported);
    // The end of every drag of either list.
    void afterDrag();

    TLocalPane& m_local;
    TRemotePane& m_remote;
    QPointer<QAbstractItemView> m_queueView;
    TFTPWorker& m_worker;
    TBrowsingState& m_state;
    TTransferCommands& m_commands;
    QHash<QObject*, TView> m_viewports;

    TTarget m_donor = TTarget::None;
    TTarget m_dropHandled = TTarget::None;
    QPointer<QAbstractItemView> m_hoverView;
    THoverRowDelegate* m_remoteHover = nullptr;
    QTimer m_scrollTimer;
    QPointer<QAbstractItemView> m_scrollControl;
    TScroll m_scrollDirection = TScroll::None;
    TDragRunner m_runner;
    QPersistentModelIndex m_pressedIndex;
    QPoint m_pressedAt;
};
