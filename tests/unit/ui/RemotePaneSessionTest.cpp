#include <algorithm>

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include "RemotePaneTestSupport.h"
#include "ui/main/TRemotePathBox.h"

using namespace panetest;
using testsupport::ScriptedFtpServer;

namespace {

// The pane on a real worker logged in to the scripted server, driven as the user
// would: actions, keys, the path box and the caption editor.
class RemotePaneSessionTest : public ::testing::Test
{
protected:
    void open(const QString& directory = QStringLiteral("/pub"))
    {
        window = std::make_unique<PaneWindow>();
        window->pane.resize(900, 600);
        window->pane.show();
        ASSERT_TRUE(window->connectTo(hostFor(server, directory))) << server.conversation();
        mark = server.commands().size();
    }
    TRemotePane& pane() { return window->pane; }
    QStringList rows() { return rowNames(pane().model()); }
    QAction* act(const char* name) { return pane().action(QString::fromLatin1(name)); }
    void select(const QStringList& names)
    {
        std::vector<int> list;
        for (const QString& name : names)
            list.push_back(pane().model().rowOfName(name));
        pane().selectRows(list, true, false);
    }
    QStringList selectedNames()
    {
        QStringList names;
        for (int row : pane().selectedRows())
            names << pane().model().nameAt(row);
        return names;
    }
    // Runs `step` and waits for the listing it leads to.
    bool listedAfter(const std::function<void()>& step)
    {
        const int before = window->listings;
        step();
        return window->waitForListing(before);
    }
    std::vector<std::string> sent() const
    {
        const auto all = server.commands();
        return {all.begin() + static_cast<long>(std::min(mark, all.size())), all.end()};
    }
    static long position(const std::vector<std::string>& commands, const std::string& line)
    {
        return std::find(commands.begin(), commands.end(), line) - commands.begin();
    }
    QLineEdit* openEditor()
    {
        for (QLineEdit* editor : pane().listView()->viewport()->findChildren<QLineEdit*>())
            if (!editor->isHidden())
                return editor;
        return nullptr;
    }
    void answerDelete(QMessageBox::StandardButton answer)
    {
        TMessageDialog::setAnswerer([this, answer](TMessageRequest& request) {
            questions << request.Text;
            request.Result = answer;
        });
    }

    PaneEnvironment env;
    ScriptedFtpServer server;
    std::unique_ptr<PaneWindow> window;
    std::size_t mark = 0;
    QStringList questions;
};

TEST_F(RemotePaneSessionTest, TheListingFillsTheListAndThePathBox)
{
    server.fs().addFile("/pub/a.txt", "a");
    server.fs().addDirectory("/pub/sub");
    open();
    EXPECT_EQ(rows(), (QStringList{"..", "sub", "a.txt"}));
    EXPECT_EQ(pane().pathBox()->currentText(), QStringLiteral("/pub"));
    EXPECT_TRUE(pane().pathBox()->isEnabled());
    EXPECT_TRUE(act("RemoteRefreshAction")->isEnabled());
    EXPECT_EQ(window->state.homeDirectory, QStringLiteral("/pub"));
}

TEST_F(RemotePaneSessionTest, NewFolderSkipsTakenNamesInAnyCaseAndIsRenamedInPlace)
{
    server.fs().addDirectory("/pub/New folder");
    server.fs().addDirectory("/pub/NEW FOLDER (1)");
    open();
    ASSERT_TRUE(listedAfter([&] { act("RemoteMakeDirAction")->trigger(); }));
    EXPECT_TRUE(server.fs().isDirectory("/pub/New folder (2)"));
    EXPECT_EQ(selectedNames(), QStringList{"New folder (2)"});
    QLineEdit* editor = openEditor();
    ASSERT_NE(editor, nullptr) << "the new row is not being renamed";
    EXPECT_EQ(editor->text(), QStringLiteral("New folder (2)"));

    editor->setText(QStringLiteral("Docs"));
    QTest::keyClick(editor, Qt::Key_Return); // the edit ends through a posted event
    ASSERT_TRUE(waitFor([&] { return rows().contains(QStringLiteral("Docs")); })) << server.conversation();
    EXPECT_TRUE(server.fs().isDirectory("/pub/Docs"));
    EXPECT_FALSE(server.fs().exists("/pub/New folder (2)"));
    EXPECT_TRUE(window->errors.empty());
}

TEST_F(RemotePaneSessionTest, ACaptionEditEndingWhileTheWorkerShutsDownSendsNothing)
{
    server.fs().addFile("/pub/a.txt", "a");
    open();
    pane().editName(pane().model().rowOfName(QStringLiteral("a.txt")));
    QLineEdit* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("b.txt"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The posted end of the edit runs inside the shutdown's event loop, while the
    // worker's thread closes the connection: it used to rename on it from here.
    window->worker.Shutdown();
    window.reset();
    EXPECT_FALSE(server.fs().exists("/pub/b.txt"));
    for (const std::string& command : sent())
        EXPECT_NE(command.rfind("RNFR", 0), 0u) << command;
}

TEST_F(RemotePaneSessionTest, ARefusedRenameKeepsTheOldCaptionAndReportsTheError)
{
    server.fs().addFile("/pub/a.txt", "a");
    server.addOverride({.command = "RNTO", .code = 553, .text = "Not allowed"});
    open();
    pane().editName(pane().model().rowOfName(QStringLiteral("a.txt")));
    QLineEdit* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("b.txt"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return !window->errors.empty(); }));
    EXPECT_EQ(rows(), (QStringList{"..", "a.txt"}));
    // The window took the error at once; the pane still knew the rename failed.
    EXPECT_EQ(window->errors, std::vector<std::string>{"Could not rename the remote file or directory."});
    EXPECT_TRUE(server.fs().exists("/pub/a.txt"));
}

TEST_F(RemotePaneSessionTest, DeleteRemovesFilesAtOnceThenTheTreeOnTheWorkerAndRefreshes)
{
    server.fs().addFile("/pub/f1", "1");
    server.fs().addFile("/pub/f2", "2");
    server.fs().addFile("/pub/d/inner.txt", "x");
    server.fs().addFile("/pub/keep", "k");
    open();
    select({"f1", "d", "f2"});
    answerDelete(QMessageBox::Yes);
    act("RemoteDeleteFileAction")->trigger();
    // The files went during the call, on this thread.
    EXPECT_FALSE(server.fs().exists("/pub/f1"));
    EXPECT_FALSE(server.fs().exists("/pub/f2"));
    ASSERT_TRUE(waitFor([&] {
        return !server.fs().exists("/pub/d") && rows() == QStringList{"..", "keep"} && !window->state.busy();
    })) << server.conversation();
    EXPECT_EQ(questions, QStringList{"Are you sure you want to delete the selected files?"});
    const auto commands = sent();
    EXPECT_LT(position(commands, "DELE f1"), position(commands, "DELE f2"));
    EXPECT_LT(position(commands, "DELE f2"), position(commands, "CWD d"));
    EXPECT_LT(position(commands, "RMD d"), static_cast<long>(commands.size()));
    EXPECT_EQ(commands.back().rfind("LIST", 0), 0u) << "no listing after the tree was gone";
}

TEST_F(RemotePaneSessionTest, SelectAllThenDeleteNeverTouchesTheParentDirectory)
{
    server.fs().addFile("/pub/x", "x");
    server.fs().addDirectory("/pub/y");
    open();
    act("RemoteSelectAllAction")->trigger();
    EXPECT_EQ(selectedNames(), (QStringList{"..", "y", "x"}));
    answerDelete(QMessageBox::Yes);
    act("RemoteDeleteFileAction")->trigger();
    ASSERT_TRUE(waitFor([&] { return rows() == QStringList{".."} && !window->state.busy(); }));
    for (const std::string& command : sent())
        EXPECT_EQ(command.find(".."), std::string::npos) << command;
    EXPECT_TRUE(server.fs().isDirectory("/pub"));
}

TEST_F(RemotePaneSessionTest, AnsweringNoDeletesNothing)
{
    server.fs().addFile("/pub/x", "x");
    open();
    select({"x"});
    answerDelete(QMessageBox::No);
    QTest::keyClick(pane().listView(), Qt::Key_Delete);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(sent().empty());
}

TEST_F(RemotePaneSessionTest, ThePathBoxKeepsTheLastVisitedDirectoriesAndMatchesWithoutCase)
{
    for (const char* directory : {"/a", "/b", "/c", "/B"})
        server.fs().addDirectory(directory);
    MainConfig()->SetValue(QStringLiteral("MaxRemoteMRUPaths"), 2);
    open(QStringLiteral("/a"));
    TRemotePathBox* box = pane().pathBox();
    const auto goTo = [&](const char* path) {
        return listedAfter([&] {
            box->lineEdit()->setText(QString::fromLatin1(path));
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        });
    };
    ASSERT_TRUE(goTo("/b"));
    ASSERT_TRUE(goTo("/c"));
    const auto entries = [&] {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    };
    EXPECT_EQ(entries(), (QStringList{"/b", "/c"}));
    ASSERT_TRUE(goTo("/B"));
    EXPECT_EQ(pane().directory(), QStringLiteral("/B"));
    EXPECT_EQ(entries(), (QStringList{"/b", "/c"}));
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_TRUE(pane().listView()->hasFocus() || !pane().isActiveWindow());
}

TEST_F(RemotePaneSessionTest, CopyUrlJoinsTheHostsUrlTheDirectoryAndTheName)
{
    server.fs().addFile("/pub/f", "f");
    open();
    select({"f"});
    act("RemoteFileCopyURLAction")->trigger();
    const QString url = QGuiApplication::clipboard()->text();
    EXPECT_EQ(url, window->state.host().GetURL() + QStringLiteral("/pub/f"));
    EXPECT_TRUE(url.endsWith(QStringLiteral(":%1//pub/f").arg(server.port()))) << url.toStdString();
}

TEST_F(RemotePaneSessionTest, EnterAndBackspaceNavigateAndTheSelectionIsRemembered)
{
    server.fs().addFile("/pub/sub/inner", "i");
    server.fs().addFile("/pub/a.txt", "a");
    open();
    select({"sub", "a.txt"});
    QTreeView* list = pane().listView();
    ASSERT_TRUE(listedAfter([&] { QTest::keyClick(list, Qt::Key_Return); }));
    EXPECT_EQ(pane().directory(), QStringLiteral("/pub/sub"));
    EXPECT_EQ(rows(), (QStringList{"..", "inner"}));

    select({"inner"});
    QSignalSpy downloads(&pane(), &TRemotePane::downloadRequested);
    QTest::keyClick(list, Qt::Key_Return); // on a file: nothing
    EXPECT_EQ(window->worker.Command(), WorkerCommand::Idle);
    EXPECT_EQ(downloads.count(), 0);

    ASSERT_TRUE(listedAfter([&] { QTest::keyClick(list, Qt::Key_Backspace); }));
    EXPECT_EQ(pane().directory(), QStringLiteral("/pub"));
    EXPECT_EQ(selectedNames(), (QStringList{"sub", "a.txt"}));
    EXPECT_EQ(list->currentIndex().row(), pane().model().rowOfName(QStringLiteral("sub")));

    // A double click on a file is the download action.
    const QModelIndex file = pane().model().index(pane().model().rowOfName(QStringLiteral("a.txt")), 0);
    list->scrollTo(file);
    const QPoint where = list->visualRect(file).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, where);
    EXPECT_EQ(downloads.count(), 1);
}

TEST_F(RemotePaneSessionTest, BookmarksComeAfterLoginAndTheCurrentDirectoryIsAddedToTheStore)
{
    server.fs().addDirectory("/pub/old");
    THost stored = hostFor(server, QStringLiteral("/pub"));
    stored.AddBookmark(QStringLiteral("/pub/old"));
    ASSERT_TRUE(Hosts()->UpdateHost(stored));
    window = std::make_unique<PaneWindow>();
    ASSERT_TRUE(window->connectTo(stored));
    const auto items = [&] {
        QStringList texts;
        for (QAction* item : pane().bookmarkMenu()->actions())
            texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
        return texts;
    };
    EXPECT_EQ(items(), (QStringList{"/pub/old", "-", "Add current directory", "Edit bookmarks..."}));

    act("RemoteAddCurrentDirBookmarkAction")->trigger();
    EXPECT_EQ(items(), (QStringList{"/pub", "/pub/old", "-", "Add current directory", "Edit bookmarks..."}));
    THosts reread(Hosts()->filePath());
    ASSERT_NE(reread.FindByID(stored.HostIDText()), nullptr);
    EXPECT_EQ(reread.FindByID(stored.HostIDText())->Bookmarks.items(), (QStringList{"/pub", "/pub/old"}));
    EXPECT_EQ(QuickHosts()->count(), 0);

    ASSERT_TRUE(listedAfter([&] { pane().bookmarkMenu()->actions().at(1)->trigger(); }));
    EXPECT_EQ(pane().directory(), QStringLiteral("/pub/old"));
}

TEST_F(RemotePaneSessionTest, AHostOutsideTheStoreKeepsItsBookmarkInTheQuickConnectList)
{
    open();
    act("RemoteAddCurrentDirBookmarkAction")->trigger();
    EXPECT_NE(QuickHosts()->FindByID(window->state.host().HostIDText()), nullptr);
    EXPECT_EQ(Hosts()->count(), 0);
}

TEST_F(RemotePaneSessionTest, AnUploadedNameIsSelectedAfterTheRefresh)
{
    server.fs().addFile("/pub/a", "a");
    open();
    server.fs().addFile("/pub/up.txt", "u");
    pane().setPendingUploadedName(QStringLiteral("up.txt"));
    ASSERT_TRUE(listedAfter([&] { act("RemoteRefreshAction")->trigger(); }));
    EXPECT_EQ(selectedNames(), QStringList{"up.txt"});
}

TEST_F(RemotePaneSessionTest, DisconnectWhileBusyWaitsForTheWorkerAndEmptiesThePane)
{
    server.fs().addFile("/pub/a", "a");
    open();
    // The next listing's data connection stays silent: the worker stays busy.
    server.addOverride(
        {.command = "LIST", .data = {.kind = testsupport::DataFaultKind::StallAfter, .bytes = 0}});
    act("RemoteRefreshAction")->trigger();
    ASSERT_TRUE(waitFor([&] { return window->state.busy(); }));
    EXPECT_TRUE(act("StopAction")->isEnabled());
    EXPECT_FALSE(act("RemoteRefreshAction")->isEnabled());
    act("DisconnectAction")->trigger();
    // Not closed under the worker's thread: it is stopped first.
    EXPECT_TRUE(window->state.connected());
    ASSERT_TRUE(waitFor([&] { return !window->state.connected(); })) << server.conversation();
    EXPECT_EQ(pane().model().rowCount(), 0);
    EXPECT_EQ(pane().pathBox()->count(), 0);
    EXPECT_FALSE(pane().pathBox()->isEnabled());
    EXPECT_FALSE(act("RemoteRefreshAction")->isEnabled());
    EXPECT_FALSE(act("DisconnectAction")->isEnabled());
}

} // namespace
