// The main window's transfer commands and drag and drop between the local list,
// the remote list and the queue view, on a session with the scripted server.
// Drops are the events a drag delivers, sent to the views' viewports with the
// formats the lists really offer.
#include <memory>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include "core/TFilters.h"
#include "queue/TQueueItem.h"
#include "queue/TQueueManager.h"
#include "support/ScriptedFtpServer.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TDirectSaveMimeData.h"
#include "ui/main/TDragDropController.h"
#include "ui/main/TDragViews.h"
#include "ui/main/THoverRowDelegate.h"
#include "ui/main/TLocalPane.h"
#include "ui/main/TLogView.h"
#include "ui/main/TMainFormPanes.h"
#include "ui/main/TQueuePane.h"
#include "ui/main/TRemoteFindDialog.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "unit/queue/QueueTestSupport.h"

using namespace queuetest;
using namespace testsupport;
using TTarget = TDragDropController::TTarget;

namespace {

constexpr Qt::DropActions kCopyOrMove = Qt::CopyAction | Qt::MoveAction;

// Sends what a drag over `view` at `position` delivers: enter, move and, when
// `release`, the drop. True when the last event was accepted.
bool dragTo(QAbstractItemView* view, const QPoint& position, const QMimeData& data, bool release = true)
{
    QWidget* viewport = view->viewport();
    QDragEnterEvent enter(position, kCopyOrMove, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(position, kCopyOrMove, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    if (!release)
        return move.isAccepted();
    QDropEvent drop(QPointF(position), kCopyOrMove, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    return drop.isAccepted();
}

std::unique_ptr<QMimeData> remoteFiles(const QStringList& names)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(TDragDropController::filesFormat(), names.join(QStringLiteral("\r\n")).toUtf8());
    return data;
}

std::unique_ptr<QMimeData> localFiles(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

class WindowDragDropTest : public ::testing::Test
{
protected:
    WindowDragDropTest()
    {
        TFilters::createGlobal();
        server.fs().addFile("/pub/a.txt", "alpha");
        server.fs().addFile("/pub/b.txt", "bravo");
        server.fs().addDirectory("/pub/sub");
        QDir().mkpath(localFolder());
    }
    ~WindowDragDropTest() override
    {
        TMessageDialog::setAnswerer(nullptr);
        if (m_window) {
            m_window->panes().dragDrop().setDragRunner({});
            // Hidden first: a shown window's children ask its table while ~QWidget hides them.
            m_window->hide();
        }
        m_window.reset();
        TFilters::destroyGlobal();
    }

    TMainForm& window()
    {
        if (!m_window) {
            TMainForm::TServices services;
            services.openUrl = [](const QUrl&) { return true; };
            services.fatal = [](const QString&) {};
            m_window = std::make_unique<TMainForm>(services);
            m_window->resize(1100, 700);
            m_window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
            TMessageDialog::setAnswerer([this](TMessageRequest& request) {
                m_asked.append(request.Text);
                request.Result = m_answer;
            });
        }
        return *m_window;
    }
    // Logged in to /pub with its listing shown, the local pane on localFolder().
    void connect()
    {
        THost host = hostFor(server);
        host.InitialRemoteDirectory = QStringLiteral("/pub");
        window().ConnectToHost(host);
        ASSERT_TRUE(waitFor([&] {
            return window().state().isAuthenticated() &&
                   remote().model().rowOfName(QStringLiteral("sub")) >= 0;
        })) << server.conversation();
        window().panes().changeLocalDirectory(localFolder());
    }
    TRemotePane& remote() { return window().panes().remotePane(); }
    TLocalPane& local() { return window().panes().localPane(); }
    TDragDropController& dnd() { return window().panes().dragDrop(); }
    QAbstractItemView* queueView() { return window().panes().queuePane().view(); }
    QString localFolder() const { return m_env.root() + QStringLiteral("/here"); }
    QList<TQueueItem*> items() { return QueueManager()->Items(); }
    // No transfer starts until releaseQueue(): what was queued can be looked at.
    void holdQueue()
    {
        TQueueLimits limits;
        limits.maxTransferCount = 0;
        QueueManager()->setLimits(limits);
    }
    void releaseQueue()
    {
        QueueManager()->setLimits({});
        QueueManager()->Schedule();
    }
    void selectRemote(const QStringList& names)
    {
        std::vector<int> rows;
        for (const QString& name : names)
            rows.push_back(remote().model().rowOfName(name));
        remote().selectRows(rows, true, false);
    }
    QPoint remoteRowCenter(const QString& name)
    {
        const QModelIndex index = remote().model().index(remote().model().rowOfName(name), 0);
        return remote().listView()->visualRect(index).center();
    }
    // Below the last row of a list: no row under the pointer.
    static QPoint emptyArea(QAbstractItemView* view)
    {
        return QPoint(view->viewport()->width() / 2, view->viewport()->height() - 20);
    }
    static QStringList remoteNames(const QList<TQueueItem*>& list)
    {
        QStringList names;
        for (const TQueueItem* item : list)
            names.append(item->RemoteFilename);
        return names;
    }

    QueueEnvironment m_env;
    ScriptedFtpServer server;
    std::unique_ptr<TMainForm> m_window;
    QStringList m_asked;
    QMessageBox::StandardButton m_answer = QMessageBox::No;
};

} // namespace

TEST_F(WindowDragDropTest, DownloadWithNothingSelectedAsksAndNoQueuesNothing)
{
    connect();
    remote().clearSelection();
    window().action(QStringLiteral("DownloadAction"))->trigger();
    ASSERT_EQ(m_asked.size(), 1);
    EXPECT_EQ(m_asked[0], QStringLiteral("No files where selected. Would you like to download all the files "
                                         "in the remote directory?"));
    EXPECT_TRUE(items().isEmpty());

    // Yes takes every row but "..", active, into the local pane's folder.
    m_answer = QMessageBox::Yes;
    holdQueue();
    window().action(QStringLiteral("DownloadAction"))->trigger();
    ASSERT_EQ(items().size(), 3);
    QStringList names = remoteNames(items());
    names.sort();
    EXPECT_EQ(names, (QStringList{"/pub/a.txt", "/pub/b.txt", "/pub/sub"}));
    for (const TQueueItem* item : items()) {
        EXPECT_TRUE(item->TransferDirection);
        EXPECT_EQ(item->LocalRoot, localFolder() + u'/');
        EXPECT_EQ(item->RemoteRoot, QStringLiteral("/pub/"));
    }
}

TEST_F(WindowDragDropTest, RemoteRowsDroppedOnTheLocalListNeverQueueTheParentRow)
{
    connect();
    ASSERT_TRUE(QDir(localFolder()).mkdir(QStringLiteral("into")));
    ASSERT_TRUE(waitFor([&] { return local().rows().size() == 1; }));
    remote().selectAllRows();
    holdQueue();
    const auto data = remoteFiles({"..", "sub", "a.txt", "b.txt"});
    // Over the folder row: it is the drop highlight and the target folder.
    const QRect folderRow = local().listView()->visualRect(local().rows().first());
    EXPECT_TRUE(dragTo(local().listView(), folderRow.center(), *data, false));
    EXPECT_EQ(dnd().hoverRow(), local().rows().first());
    EXPECT_TRUE(dragTo(local().listView(), folderRow.center(), *data));
    EXPECT_EQ(dnd().dropHandled(), TTarget::Local);
    EXPECT_FALSE(dnd().hoverRow().isValid()) << "the highlight goes with the drop";
    ASSERT_EQ(items().size(), 3) << remoteNames(items()).join(u',').toStdString();
    EXPECT_FALSE(remoteNames(items()).contains(QStringLiteral("/pub/..")));
    for (const TQueueItem* item : items()) {
        EXPECT_TRUE(item->Active);
        EXPECT_EQ(item->LocalRoot, localFolder() + QStringLiteral("/into/"));
    }
    releaseQueue();
    ASSERT_TRUE(waitFor([&] {
        return readAll(localFolder() + QStringLiteral("/into/a.txt")) == "alpha" &&
               readAll(localFolder() + QStringLiteral("/into/b.txt")) == "bravo" && items().isEmpty();
    })) << server.conversation();
}

TEST_F(WindowDragDropTest, ALocalFolderDroppedOnARemoteDirectoryRowIsOneDirectoryUploadIntoIt)
{
    connect();
    const QString tree = m_env.root() + QStringLiteral("/tree");
    ASSERT_TRUE(writeAll(tree + QStringLiteral("/inner/f.txt"), "inner file"));
    holdQueue();
    const auto data = localFiles({tree});
    EXPECT_TRUE(dragTo(remote().listView(), remoteRowCenter(QStringLiteral("sub")), *data, false));
    EXPECT_EQ(dnd().hoverRow().row(), remote().model().rowOfName(QStringLiteral("sub")));
    EXPECT_TRUE(dragTo(remote().listView(), remoteRowCenter(QStringLiteral("sub")), *data));
    ASSERT_EQ(items().size(), 1);
    const TQueueItem* item = items().first();
    EXPECT_FALSE(item->TransferDirection);
    EXPECT_TRUE(item->IsDirectory);
    EXPECT_TRUE(item->Active);
    EXPECT_EQ(item->RemoteRoot, QStringLiteral("/pub/sub/"));
    EXPECT_EQ(item->LocalRoot, m_env.root() + u'/');
    EXPECT_EQ(item->LocalFilename, tree);

    // The temporary drop folder is never uploaded, even when it exists.
    const bool existed = QFileInfo::exists(TDragDropController::temporaryDropFolder());
    ASSERT_TRUE(QDir().mkpath(TDragDropController::temporaryDropFolder()));
    const auto temporary = localFiles({TDragDropController::temporaryDropFolder()});
    dragTo(remote().listView(), remoteRowCenter(QStringLiteral("sub")), *temporary);
    EXPECT_EQ(items().size(), 1);
    if (!existed)
        QDir(TDragDropController::temporaryDropFolder()).removeRecursively();

    // On the ".." row the upload goes to the parent directory itself, not "/pub/..".
    EXPECT_TRUE(dragTo(remote().listView(), remoteRowCenter(QStringLiteral("..")), *data));
    ASSERT_EQ(items().size(), 2);
    EXPECT_EQ(items().last()->RemoteRoot, QStringLiteral("/"));
}

TEST_F(WindowDragDropTest, RemoteRowsDroppedOnARemoteDirectoryRowMoveIntoIt)
{
    connect();
    selectRemote({"a.txt"});
    const auto data = remoteFiles({"a.txt", "b.txt"});
    EXPECT_FALSE(dragTo(remote().listView(), remoteRowCenter(QStringLiteral("a.txt")), *data, false))
        << "a file row is no place to move to";
    const auto itself = remoteFiles({"sub"});
    EXPECT_FALSE(dragTo(remote().listView(), remoteRowCenter(QStringLiteral("sub")), *itself, false))
        << "a directory does not move into itself";
    EXPECT_TRUE(dragTo(remote().listView(), remoteRowCenter(QStringLiteral("sub")), *data));
    ASSERT_TRUE(waitFor([&] {
        return remote().model().rowOfName(QStringLiteral("a.txt")) < 0 && window().state().isAuthenticated();
    })) << server.conversation();
    EXPECT_TRUE(server.fs().exists("/pub/sub/a.txt"));
    EXPECT_TRUE(server.fs().exists("/pub/sub/b.txt"));
    EXPECT_TRUE(items().isEmpty()) << "a move queues nothing";
}

TEST_F(WindowDragDropTest, RemoteRowsDroppedOnTheQueueWaitForPlay)
{
    connect();
    selectRemote({"a.txt", ".."});
    const auto data = remoteFiles({"a.txt", ".."});
    EXPECT_TRUE(dragTo(queueView(), emptyArea(queueView()), *data));
    EXPECT_EQ(dnd().dropHandled(), TTarget::Queue);
    ASSERT_EQ(items().size(), 1);
    EXPECT_FALSE(items().first()->Active);
    EXPECT_EQ(items().first()->LocalRoot, localFolder() + u'/');
    EXPECT_EQ(items().first()->RemoteFilename, QStringLiteral("/pub/a.txt"));
    QTest::qWait(300);
    EXPECT_EQ(QueueManager()->threadCount(), 0) << "an inactive item started by itself";
    EXPECT_FALSE(QFileInfo::exists(localFolder() + QStringLiteral("/a.txt")));

    window().panes().queuePane().action(QStringLiteral("PlayQueueAction"))->trigger();
    ASSERT_TRUE(waitFor([&] { return readAll(localFolder() + QStringLiteral("/a.txt")) == "alpha"; }))
        << server.conversation();
}

TEST_F(WindowDragDropTest, TheQueueViewRefusesDropsWhileNotConnected)
{
    window().panes().changeLocalDirectory(localFolder());
    const QString file = localFolder() + QStringLiteral("/up.txt");
    ASSERT_TRUE(writeAll(file, "up"));
    const auto data = localFiles({file});
    EXPECT_FALSE(dragTo(queueView(), emptyArea(queueView()), *data));
    EXPECT_FALSE(dragTo(queueView(), emptyArea(queueView()), *remoteFiles({"a.txt"})));
    EXPECT_FALSE(dragTo(remote().listView(), emptyArea(remote().listView()), *data))
        << "no upload without a session";
    EXPECT_TRUE(items().isEmpty());
    EXPECT_EQ(dnd().dropHandled(), TTarget::None);

    // Connected, a file from the file manager becomes an inactive upload.
    connect();
    EXPECT_TRUE(dragTo(queueView(), emptyArea(queueView()), *data));
    ASSERT_EQ(items().size(), 1);
    EXPECT_FALSE(items().first()->Active);
    EXPECT_FALSE(items().first()->TransferDirection);
    EXPECT_EQ(items().first()->RemoteRoot, QStringLiteral("/pub/"));
}

TEST_F(WindowDragDropTest, ALocalDragDroppedOnTheLocalListIsRefused)
{
    connect();
    const QString file = localFolder() + QStringLiteral("/mine.txt");
    ASSERT_TRUE(writeAll(file, "mine"));
    ASSERT_TRUE(waitFor([&] { return local().rows().size() == 1; }));
    local().selectAllRows();
    bool accepted = true;
    QStringList offered;
    dnd().setDragRunner([&](QDrag& drag, Qt::DropActions) {
        EXPECT_EQ(dnd().donor(), TTarget::Local);
        for (const QUrl& url : drag.mimeData()->urls())
            offered.append(url.toLocalFile());
        accepted = dragTo(local().listView(), emptyArea(local().listView()), *drag.mimeData());
        return Qt::IgnoreAction;
    });
    dnd().startLocalDrag(kCopyOrMove);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(offered, QStringList{file}) << "the local list offers its selected paths";
    EXPECT_EQ(dnd().donor(), TTarget::None) << "the donor is forgotten when the drag ends";
    EXPECT_TRUE(items().isEmpty());

    // The same drag onto the remote list uploads.
    holdQueue();
    dnd().setDragRunner([&](QDrag& drag, Qt::DropActions) {
        accepted = dragTo(remote().listView(), emptyArea(remote().listView()), *drag.mimeData());
        return Qt::CopyAction;
    });
    dnd().startLocalDrag(kCopyOrMove);
    EXPECT_TRUE(accepted);
    ASSERT_EQ(items().size(), 1);
    EXPECT_EQ(items().first()->RemoteRoot, QStringLiteral("/pub/"));
}

TEST_F(WindowDragDropTest, ARemoteDragIntoAFileManagerFolderDownloadsThereAndOtherwiseNothing)
{
    connect();
    selectRemote({"..", "a.txt", "b.txt"});
    const QString target = m_env.root() + QStringLiteral("/desktop");
    ASSERT_TRUE(QDir().mkpath(target));
    QStringList formats;
    // A file manager without direct save: nothing is told, nothing happens.
    dnd().setDragRunner([&](QDrag& drag, Qt::DropActions) {
        formats = drag.mimeData()->formats();
        return Qt::IgnoreAction;
    });
    dnd().startRemoteDrag(kCopyOrMove);
    EXPECT_TRUE(formats.contains(TDragDropController::filesFormat()));
    EXPECT_FALSE(formats.contains(QStringLiteral("text/uri-list")))
        << "a folder offered as a URL would be copied into the file manager's folder";
    EXPECT_TRUE(items().isEmpty());

    // One that tells its folder, even after the drag has ended.
    QPointer<TDirectSaveMimeData> data;
    dnd().setDragRunner([&](QDrag& drag, Qt::DropActions) {
        data = qobject_cast<TDirectSaveMimeData*>(drag.mimeData());
        return Qt::CopyAction;
    });
    dnd().startRemoteDrag(kCopyOrMove);
    // The file manager asks once the window has gone back to its events: the
    // drag's data must still be there to answer.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    ASSERT_NE(data, nullptr) << "the drag was freed before the file manager could ask";
    emit data->folderChosen(target);
    ASSERT_TRUE(waitFor([&] {
        return readAll(target + QStringLiteral("/a.txt")) == "alpha" &&
               readAll(target + QStringLiteral("/b.txt")) == "bravo";
    })) << server.conversation();
    EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"a.txt", "b.txt"}))
        << "the parent directory was downloaded too";
    for (const std::string& command : server.commands())
        EXPECT_EQ(command.find(".."), std::string::npos) << command;
}

TEST_F(WindowDragDropTest, APointerNearTheTopScrollsTheListOneLinePerTick)
{
    for (int i = 0; i < 120; ++i)
        ASSERT_TRUE(writeAll(localFolder() + QStringLiteral("/f%1.txt").arg(i, 3, 10, QChar(u'0')), "x"));
    connect();
    ASSERT_TRUE(waitFor([&] { return local().rows().size() == 120; }));
    QScrollBar* bar = local().listView()->verticalScrollBar();
    ASSERT_TRUE(waitFor([&] { return bar->maximum() > 20; }));
    bar->setValue(20);
    const auto data = remoteFiles({"a.txt"});
    dragTo(local().listView(), QPoint(40, 5), *data, false);
    EXPECT_TRUE(dnd().scrollTimer().isActive());
    EXPECT_EQ(dnd().scrollTimer().interval(), 100);
    EXPECT_EQ(dnd().scrollDirection(), TDragDropController::TScroll::Up);
    dnd().scrollTick();
    EXPECT_EQ(bar->value(), 19);
    dnd().scrollTick();
    EXPECT_EQ(bar->value(), 18);

    // Near the bottom it turns round; in the middle it stops.
    const int bottom = local().listView()->viewport()->height() - 5;
    dragTo(local().listView(), QPoint(40, bottom), *data, false);
    EXPECT_EQ(dnd().scrollDirection(), TDragDropController::TScroll::Down);
    dnd().scrollTick();
    EXPECT_EQ(bar->value(), 19);
    dragTo(local().listView(), QPoint(40, bottom / 2), *data, false);
    EXPECT_FALSE(dnd().scrollTimer().isActive());
}

TEST_F(WindowDragDropTest, UploadStopsAtAFileThatVanishedAndLogsIt)
{
    connect();
    for (const char* name : {"1.txt", "2.txt", "3.txt"})
        ASSERT_TRUE(writeAll(localFolder() + u'/' + QString::fromLatin1(name), "n"));
    ASSERT_TRUE(waitFor([&] { return local().rows().size() == 3; }));
    local().selectAllRows();
    ASSERT_EQ(local().selectedPaths().size(), 3);
    ASSERT_TRUE(QFile::remove(localFolder() + QStringLiteral("/2.txt")));
    holdQueue();
    window().action(QStringLiteral("AddLocalFilesToQueueAction"))->trigger();
    ASSERT_EQ(items().size(), 1) << "the rows after the vanished file are not queued";
    EXPECT_EQ(items().first()->LocalFilename, localFolder() + QStringLiteral("/1.txt"));
    EXPECT_FALSE(items().first()->Active);
    EXPECT_TRUE(waitFor([&] {
        return window().panes().logView().toPlainText().contains(QStringLiteral("2.txt"));
    })) << window().panes().logView().toPlainText().toStdString();

    // Upload is active and starts at once.
    QueueManager()->ClearQueue();
    releaseQueue();
    local().selectPaths({localFolder() + QStringLiteral("/3.txt")});
    window().action(QStringLiteral("UploadAction"))->trigger();
    ASSERT_TRUE(waitFor([&] { return server.fs().exists("/pub/3.txt"); })) << server.conversation();
}

TEST_F(WindowDragDropTest, TheButtonHeldOnASelectedRowPastTheDragDistanceStartsTheListsDrag)
{
    connect();
    // Where a real drag looks for its target: the widget under the pointer that takes drops.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(local().listView()),
                                    static_cast<QAbstractItemView*>(local().iconView()),
                                    static_cast<QAbstractItemView*>(remote().listView()),
                                    static_cast<QAbstractItemView*>(remote().iconView()), queueView()})
        EXPECT_TRUE(view->viewport()->acceptDrops()) << view->objectName().toStdString();
    // The icon styles of both lists: a static QListView turns drops off by itself.
    local().setViewStyle(TViewStyle::vsSmallIcon);
    remote().setViewStyle(TViewStyle::vsIcon);
    EXPECT_TRUE(local().iconView()->viewport()->acceptDrops());
    EXPECT_TRUE(remote().iconView()->viewport()->acceptDrops());
    local().setViewStyle(TViewStyle::vsReport);
    remote().setViewStyle(TViewStyle::vsReport);
    const QString file = localFolder() + QStringLiteral("/held.txt");
    ASSERT_TRUE(writeAll(file, "held"));
    ASSERT_TRUE(waitFor([&] { return local().rows().size() == 1; }));
    QStringList dragged;
    dnd().setDragRunner([&](QDrag& drag, Qt::DropActions supported) {
        EXPECT_EQ(supported, kCopyOrMove);
        for (const QUrl& url : drag.mimeData()->urls())
            dragged.append(url.toLocalFile());
        dragged.append(TDragDropController::filesOf(*drag.mimeData()));
        return Qt::IgnoreAction;
    });
    const auto dragRow = [&](QAbstractItemView* view, const QPoint& start) {
        QWidget* viewport = view->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, start);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
        const int distance = QApplication::startDragDistance() + 10;
        for (int step = 1; step <= 3; ++step) {
            QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(step * distance / 3, 0)),
                             viewport->mapToGlobal(QPointF(start + QPoint(step * distance / 3, 0))),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
        }
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, start + QPoint(distance, 0));
    };
    dragRow(local().listView(), local().listView()->visualRect(local().rows().first()).center());
    EXPECT_EQ(dragged, QStringList{file});

    dragged.clear();
    dragRow(remote().listView(), remoteRowCenter(QStringLiteral("b.txt")));
    EXPECT_EQ(dragged, QStringList{"b.txt"});
    EXPECT_EQ(dnd().donor(), TTarget::None);
}

TEST_F(WindowDragDropTest, SelectAllRefreshAndFindFollowTheFocusedLocalList)
{
    connect();
    for (const char* name : {"one.txt", "two.txt"})
        ASSERT_TRUE(writeAll(localFolder() + u'/' + QString::fromLatin1(name), "x"));
    ASSERT_TRUE(waitFor([&] { return local().rows().size() == 2; }));
    remote().selectRows({remote().model().rowOfName(QStringLiteral("a.txt"))}, true, false);
    window().activateWindow();
    local().listView()->setFocus();
    ASSERT_TRUE(waitFor([&] { return local().hasListFocus(); }));
    window().action(QStringLiteral("RemoteSelectAllAction"))->trigger();
    EXPECT_EQ(local().selectedPaths().size(), 2);
    EXPECT_EQ(remote().selectedRows().size(), 1) << "select all went to the remote list";

    ASSERT_TRUE(writeAll(localFolder() + QStringLiteral("/three.txt"), "x"));
    window().action(QStringLiteral("RefreshProxyAction"))->trigger();
    EXPECT_TRUE(waitFor([&] { return local().rows().size() == 3; }));

    window().action(QStringLiteral("SimpleFileFindProxyAction"))->trigger();
    EXPECT_TRUE(local().findDialog()->isVisible());
    local().findDialog()->hide();
}
