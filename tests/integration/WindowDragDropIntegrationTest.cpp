// The main window against real servers, driven by drag and drop: a local folder
// dropped on the remote list is uploaded with everything in it, and the remote
// rows dropped on the local list come back into another folder, byte for byte.
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include "core/TFilters.h"
#include "queue/TQueueManager.h"
#include "support/RealServers.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TDragDropController.h"
#include "ui/main/TDragViews.h"
#include "ui/main/TLocalPane.h"
#include "ui/main/TMainFormPanes.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "unit/queue/QueueTestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

bool waitFor(const std::function<bool()>& done, int timeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every regular file below `root`, by its path relative to it, with its bytes.
std::map<std::string, std::string> treeOf(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = readFile(entry.path());
    return files;
}

// What a drag over `view` delivers ending in a drop at `position`; true when taken.
bool dropOn(QAbstractItemView* view, const QPoint& position, const QMimeData& data)
{
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(position, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(position, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    QDropEvent drop(QPointF(position), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    return drop.isAccepted();
}

QPoint belowTheRows(QAbstractItemView* view)
{
    return {view->viewport()->width() / 2, view->viewport()->height() - 20};
}

class WindowDragDropIntegrationTest : public ::testing::TestWithParam<RealServerKind>
{
protected:
    WindowDragDropIntegrationTest()
        : m_server(realServer(GetParam()))
    {
        TFilters::createGlobal();
        TMessageDialog::setAnswerer([](TMessageRequest& request) { request.Result = QMessageBox::Yes; });
    }
    ~WindowDragDropIntegrationTest() override
    {
        if (m_window) {
            m_window->hide();
            m_window.reset();
        }
        TMessageDialog::setAnswerer(nullptr);
        TFilters::destroyGlobal();
        std::error_code ignored;
        fs::remove_all(fs::path(m_server.root) / "dragtree", ignored);
    }

    TMainForm& window()
    {
        if (!m_window) {
            TMainForm::TServices services;
            services.openUrl = [](const QUrl&) { return true; };
            services.fatal = [](const QString& message) { ADD_FAILURE() << message.toStdString(); };
            m_window = std::make_unique<TMainForm>(services);
            m_window->resize(1100, 700);
        }
        return *m_window;
    }
    TRemotePane& remote() { return window().panes().remotePane(); }
    TLocalPane& local() { return window().panes().localPane(); }
    bool idle() { return window().state().isAuthenticated(); }
    bool queueEmpty() { return QueueManager()->itemCount() == 0 && QueueManager()->isIdle(); }

    RealServer m_server;
    queuetest::QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
};

} // namespace

TEST_P(WindowDragDropIntegrationTest, AFolderDroppedOnTheRemoteListGoesUpAndComesBackDroppedOnTheLocalList)
{
    ASSERT_TRUE(realServerReachable(m_server));
    const fs::path source = fs::path(m_env.root().toStdString()) / "source" / "dragtree";
    std::string payload(700000, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = char((i * 7919 + i / 251) % 253);
    writeFile(source / "payload.bin", payload);
    writeFile(source / "notes.txt", "first line\r\nsecond line\n");
    writeFile(source / "inner" / "deeper" / "leaf.txt", "a leaf");
    writeFile(source / "inner" / "empty.dat", "");
    const auto expected = treeOf(source);
    const fs::path back = fs::path(m_env.root().toStdString()) / "back";
    fs::create_directories(back);

    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    THost host;
    host.CommonName = QStringLiteral("drag");
    host.Hostname = QString::fromStdString(m_server.host);
    host.Port = m_server.port;
    host.Username = QString::fromStdString(m_server.user);
    host.Password = QString::fromStdString(m_server.password);
    host.Passive = true;
    window().ConnectToHost(host);
    ASSERT_TRUE(waitFor([&] { return idle() && remote().model().rowCount() > 0; }))
        << "no listing after login";
    const QString home = remote().directory();

    // Up: the folder from the file manager, dropped below the rows.
    QMimeData folder;
    folder.setUrls({QUrl::fromLocalFile(QString::fromStdString(source.string()))});
    ASSERT_TRUE(dropOn(remote().listView(), belowTheRows(remote().listView()), folder));
    ASSERT_TRUE(waitFor([&] { return queueEmpty(); }, 60000)) << "the upload did not finish";
    const fs::path uploaded = fs::path(m_server.root) / "dragtree";
    EXPECT_EQ(treeOf(uploaded), expected);

    // Back: the remote row dropped on the local list, into another folder.
    ASSERT_TRUE(waitFor([&] { return idle(); }));
    window().action(QStringLiteral("RemoteRefreshAction"))->trigger();
    ASSERT_TRUE(
        waitFor([&] { return idle() && remote().model().rowOfName(QStringLiteral("dragtree")) >= 0; }));
    EXPECT_EQ(remote().directory(), home);
    remote().selectRows({remote().model().rowOfName(QStringLiteral("dragtree"))}, true, true);
    window().panes().changeLocalDirectory(QString::fromStdString(back.string()));
    QMimeData rows;
    rows.setData(TDragDropController::filesFormat(), QByteArrayLiteral("dragtree"));
    ASSERT_TRUE(dropOn(local().listView(), belowTheRows(local().listView()), rows));
    ASSERT_TRUE(waitFor([&] { return queueEmpty(); }, 60000)) << "the download did not finish";
    EXPECT_EQ(treeOf(back / "dragtree"), expected);
    EXPECT_TRUE(fs::is_directory(back / "dragtree" / "inner" / "deeper"));
}

INSTANTIATE_TEST_SUITE_P(PureFtpdAndVsftpd, WindowDragDropIntegrationTest,
                         ::testing::Values(RealServerKind::PureFtpd, RealServerKind::Vsftpd),
                         [](const ::testing::TestParamInfo<RealServerKind>& info) {
                             return std::string(info.param == RealServerKind::PureFtpd ? "pure_ftpd"
                                                                                       : "vsftpd");
                         });
