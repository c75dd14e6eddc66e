#include <gtest/gtest.h>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "QueuePaneTestSupport.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TLogindShutdown.h"
#include "ui/main/TQueueFileDialog.h"

using namespace queueviewtest;

namespace {

class QueuePaneTest : public QueuePaneFixture
{
protected:
    ~QueuePaneTest() override { TMessageDialog::setAnswerer(nullptr); }

    void select(std::initializer_list<int> rows)
    {
        QItemSelectionModel* selection = m_pane.view()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // The object names in order, "-" for a separator.
    static QStringList names(const QList<QAction*>& actions, QWidget* owner = nullptr)
    {
        QStringList list;
        for (QAction* action : actions) {
            auto* toolbar = qobject_cast<QToolBar*>(owner);
            QWidget* widget = toolbar ? toolbar->widgetForAction(action) : nullptr;
            if (action->isSeparator())
                list << "-";
            else
                list << (widget && !widget->objectName().isEmpty() ? widget->objectName()
                                                                   : action->objectName());
        }
        return list;
    }
    // Downloads that complete in about a second each.
    void slowFiles(int count)
    {
        for (int i = 0; i < count; ++i)
            m_server.fs().addFile("/pub/f" + std::to_string(i), pattern(3000, unsigned(i)));
        m_server.addOverride({.command = "RETR", .data = {.bytesPerSecond = 6000}});
    }
};

} // namespace

// --- Enabling rules ------------------------------------------------------------------------

TEST_F(QueuePaneTest, QueueCommandsNeedRowsAndRowCommandsASelection)
{
    const QStringList queueCommands{"PlayQueueAction", "PauseQueueAction", "StopQueueAction",
                                    "ClearQueueAction"};
    for (const QString& name : queueCommands)
        EXPECT_FALSE(m_pane.action(name)->isEnabled()) << name.toStdString();
    for (const char* name : {"SaveQueueAction", "SaveQueueToFileAction", "LoadQueueAction",
                             "LoadQueueFromFileAction", "ClearLogAction", "TurnOffComputerAction"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;

    TQueueItem* item = download("/pub/a");
    download("/pub/b");
    for (const QString& name : queueCommands)
        EXPECT_TRUE(m_pane.action(name)->isEnabled()) << name.toStdString();

    const QStringList rowCommands{"BeginQueueItemTransferAction", "StopQueueItemAction",
                                  "PauseQueueItemAction", "DeleteQueueItemAction"};
    select({1});
    m_pane.popupMenu()->popup(QPoint(10, 10));
    for (const QString& name : rowCommands)
        EXPECT_TRUE(m_pane.action(name)->isEnabled()) << name.toStdString();
    m_pane.popupMenu()->hide();
    select({});
    m_pane.popupMenu()->popup(QPoint(10, 10));
    for (const QString& name : rowCommands)
        EXPECT_FALSE(m_pane.action(name)->isEnabled()) << name.toStdString();
    EXPECT_TRUE(action("PlayQueueAction")->isEnabled());
    m_pane.popupMenu()->hide();

    m_manager.DeleteItem(item);
    m_manager.ClearQueue();
    for (const QString& name : queueCommands)
        EXPECT_FALSE(m_pane.action(name)->isEnabled()) << name.toStdString();
}

TEST_F(QueuePaneTest, PopupMenuAndToolbarHoldTheCommandsInOrder)
{
    EXPECT_EQ(names(m_pane.popupMenu()->actions()),
              (QStringList{"BeginQueueItemTransferAction", "-", "StopQueueItemAction", "PauseQueueItemAction",
                           "-", "PlayQueueAction", "StopQueueAction", "PauseQueueAction", "ClearQueueAction",
                           "-", "DeleteQueueItemAction"}));
    QWidget host;
    QToolBar* toolbar = m_pane.createToolbar(&host);
    EXPECT_EQ(toolbar->objectName(), "QueueLogToolbar");
    EXPECT_EQ(toolbar->windowTitle(), "Log and Queue Toolbar");
    EXPECT_EQ(names(toolbar->actions(), toolbar),
              (QStringList{"TBXSubmenuItem4", "TBXSubmenuItem5", "-", "TBXItem7", "TBXItem8", "TBXItem35",
                           "TBXItem12", "TBXSubmenuItem12", "-", "TBXItem9"}));
    const auto dropDown = [&](const char* name) { return toolbar->findChild<QToolButton*>(name); };
    ASSERT_TRUE(dropDown("TBXSubmenuItem4") && dropDown("TBXSubmenuItem5") && dropDown("TBXSubmenuItem12"));
    EXPECT_EQ(dropDown("TBXSubmenuItem4")->defaultAction(), action("SaveQueueAction"));
    EXPECT_EQ(dropDown("TBXSubmenuItem4")->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(dropDown("TBXSubmenuItem4")->menu()->actions(),
              QList<QAction*>{action("SaveQueueToFileAction")});
    EXPECT_EQ(dropDown("TBXSubmenuItem5")->defaultAction(), action("LoadQueueAction"));
    EXPECT_EQ(dropDown("TBXSubmenuItem5")->menu()->actions(),
              QList<QAction*>{action("LoadQueueFromFileAction")});
    EXPECT_EQ(dropDown("TBXSubmenuItem12")->text(), "Queue finished");
    EXPECT_EQ(dropDown("TBXSubmenuItem12")->menu()->actions(),
              QList<QAction*>{action("TurnOffComputerAction")});
    EXPECT_TRUE(action("TurnOffComputerAction")->isCheckable());
    EXPECT_FALSE(toolbar->isFloatable());
    EXPECT_FALSE(toolbar->isMovable());
    EXPECT_FALSE(m_pane.view()->header()->sectionsClickable());
    EXPECT_EQ(m_pane.view()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

// --- Commands ---------------------------------------------------------------------------------

TEST_F(QueuePaneTest, ClearQueueAsksWithTheRowCountAndNoKeepsTheQueue)
{
    for (int i = 0; i < 5; ++i)
        download(QStringLiteral("/pub/f%1").arg(i));
    QStringList asked;
    int answer = QMessageBox::No;
    TMessageDialog::setAnswerer([&](TMessageRequest& request) {
        asked << request.Text;
        EXPECT_EQ(request.Buttons, QMessageBox::Yes | QMessageBox::No);
        request.Result = answer;
    });
    action("ClearQueueAction")->trigger();
    EXPECT_EQ(asked, QStringList{"Are you sure you want to clear the queue of 5 file(s)?"});
    EXPECT_EQ(model().rowCount(), 5);
    EXPECT_EQ(m_manager.itemCount(), 5);
    answer = QMessageBox::Yes;
    action("ClearQueueAction")->trigger();
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(m_manager.itemCount(), 0);
}

TEST_F(QueuePaneTest, TheDeleteKeyDeletesTheSelectedRowsAndRowCommandsTouchOnlyThem)
{
    QList<TQueueItem*> items;
    for (int i = 0; i < 4; ++i)
        items << download(QStringLiteral("/pub/f%1").arg(i));
    m_pane.resize(600, 300);
    m_pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_pane));
    m_pane.view()->setFocus();
    select({0, 2});
    action("PauseQueueItemAction")->trigger();
    EXPECT_EQ(status(items[0]), "Paused");
    EXPECT_EQ(status(items[1]), "Awaiting transfer");
    EXPECT_EQ(status(items[2]), "Paused");
    select({1, 3});
    QTest::keyClick(m_pane.view(), Qt::Key_Delete);
    EXPECT_EQ(m_manager.Items(), (QList<TQueueItem*>{items[0], items[2]}));
    EXPECT_EQ(model().rowCount(), 2);
}

TEST_F(QueuePaneTest, QueueFileDialogsStartInTheQueueFolderWithTheXmlFilter)
{
    download("/pub/a");
    download("/pub/b");
    const QString before = MainConfig()->LastQueueDirectory();
    QList<TQueueFileRequest> requests;
    QString answer = m_env.root() + "/saved.xml";
    m_pane.setFileChooser([&](QWidget*, TQueueFileRequest& request) {
        requests << request;
        request.Chosen = answer;
        return !answer.isEmpty();
    });
    action("SaveQueueToFileAction")->trigger();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_TRUE(requests[0].Save);
    EXPECT_EQ(requests[0].Directory, before);
    EXPECT_EQ(requests[0].FileName, "Queue.xml");
    EXPECT_EQ(requests[0].DefaultSuffix, "xml");
    EXPECT_EQ(requests[0].NameFilters, (QStringList{"All files (*)", "XML Files (*.xml)"}));
    EXPECT_EQ(requests[0].FilterIndex, 1);
    EXPECT_TRUE(QFileInfo::exists(answer));

    // Hosts are looked up in the stores; this one is only known to the test.
    m_manager.setHostLookup([this](const QString&) { return std::optional<THost>(m_host); });
    action("LoadQueueFromFileAction")->trigger();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_FALSE(requests[1].Save);
    EXPECT_EQ(model().rowCount(), 4);
    answer.clear();
    action("LoadQueueFromFileAction")->trigger();
    EXPECT_EQ(model().rowCount(), 4);
    EXPECT_EQ(MainConfig()->LastQueueDirectory(), before);

    QSignalSpy log(&m_pane, &TQueuePane::Log);
    answer = m_env.root() + "/missing/folder/q.xml";
    action("SaveQueueToFileAction")->trigger();
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0][0].value<TLogKind>(), TLogKind::lkError);
    EXPECT_TRUE(log[0][1].toString().startsWith("The queue could not be saved to "))
        << log[0][1].toString().toStdString();
}

TEST(QueueFileDialogTest, FilterTextsBecomeQtNameFilters)
{
    EXPECT_EQ(QueueFileNameFilters("All files (*.*)|*.*|XML Files (*.xml)|*.xml"),
              (QStringList{"All files (*)", "XML Files (*.xml)"}));
    EXPECT_EQ(QueueFileNameFilters("Alla filer (*.*)|*.*|XML-filer|*.xml;*.XML"),
              (QStringList{"Alla filer (*)", "XML-filer (*.xml *.XML)"}));
}

// --- Completed items ------------------------------------------------------------------------

TEST_F(QueuePaneTest, TheComputerTurnsOffAfterTheLastCompletedRowOnly)
{
    slowFiles(3);
    m_pane.setTurnOffComputerAfterQueue(true);
    TQueueItem* first = download("/pub/f0");
    download("/pub/f1");
    MainConfig()->SetValue("MaxFTPTransferCount", 1);
    m_manager.BeginItem(first);
    ASSERT_TRUE(waitFor([&] { return m_manager.itemCount() == 1; })) << m_server.conversation();
    EXPECT_EQ(m_shutdown.calls, 0);
    m_manager.PlayQueue();
    ASSERT_TRUE(waitFor([&] { return m_manager.itemCount() == 0; }));
    EXPECT_EQ(m_shutdown.calls, 1);
    EXPECT_TRUE(waitIdle());

    // The last row deleted by hand, or cleared, is no finished queue.
    select({});
    download("/pub/f0");
    m_pane.view()->selectAll();
    action("DeleteQueueItemAction")->trigger();
    download("/pub/f1");
    m_manager.ClearQueue();
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(m_shutdown.calls, 1);

    m_pane.setTurnOffComputerAfterQueue(false);
    m_manager.BeginItem(download("/pub/f2"));
    ASSERT_TRUE(waitFor([&] { return m_manager.itemCount() == 0; }));
    EXPECT_EQ(m_shutdown.calls, 1);
}

TEST_F(QueuePaneTest, CompletedUploadsAndOpenWhenDoneItemsAreReported)
{
    m_server.fs().addDirectory("/incoming");
    m_server.fs().addFile("/pub/readme.txt", "read me");
    ASSERT_TRUE(writeAll(m_env.local("up.txt"), "up"));
    QList<TCompletedQueueItem> uploads;
    QList<TCompletedQueueItem> opened;
    QObject::connect(&m_pane, &TQueuePane::uploadCompleted,
                     [&](const TCompletedQueueItem& done) { uploads << done; });
    QObject::connect(&m_pane, &TQueuePane::openWhenDoneCompleted,
                     [&](const TCompletedQueueItem& done) { opened << done; });

    TQueueItem* deleted = download("/pub/other.txt");
    deleted->OpenWhenDone = true;
    m_manager.DeleteItem(deleted);
    TQueueItem* open = download("/pub/readme.txt", true, 7);
    open->OpenWhenDone = true;
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/incoming/", m_env.local("up.txt"));
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_manager.itemCount() == 0; })) << m_server.conversation();

    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].LocalFilename, m_env.local("readme.txt"));
    EXPECT_EQ(opened[0].Host.HostID, m_host.HostID);
    ASSERT_EQ(uploads.size(), 1);
    EXPECT_EQ(uploads[0].Host.HostID, m_host.HostID);
    EXPECT_EQ(uploads[0].RemoteDirectory, "/incoming/");
    EXPECT_EQ(uploads[0].FileName, "up.txt");
    EXPECT_EQ(uploads[0].RemoteFilename, "/incoming/up.txt");
    EXPECT_EQ(m_server.fs().content("/incoming/up.txt").value_or(""), "up");
    // Which of the two finished last decides whether the queue was empty then.
    EXPECT_NE(uploads[0].QueueEmpty, opened[0].QueueEmpty);
}

TEST(LogindShutdownTest, PowersOffThroughLogindWithoutAskingForAPassword)
{
    const QDBusMessage call = TLogindShutdown::powerOffMessage();
    EXPECT_EQ(call.service(), "org.freedesktop.login1");
    EXPECT_EQ(call.path(), "/org/freedesktop/login1");
    EXPECT_EQ(call.interface(), "org.freedesktop.login1.Manager");
    EXPECT_EQ(call.member(), "PowerOff");
    EXPECT_EQ(call.arguments(), (QVariantList{false}));
}

// --- Texts -------------------------------------------------------------------------------------

TEST_F(QueuePaneTest, EveryTextIsSwedishInSwedish)
{
    QWidget host;
    QToolBar* toolbar = m_pane.createToolbar(&host);
    ASSERT_TRUE(m_language.setLanguage("Svenska"));
    m_pane.retranslate();
    TFormLanguage english(QStringLiteral("MainForm"));
    ASSERT_TRUE(english.setLanguage("English"));
    const auto expectSwedish = [&](const QString& key, const QString& shown) {
        const QString swedish = m_language.caption(key);
        EXPECT_FALSE(swedish.isEmpty()) << key.toStdString();
        EXPECT_EQ(shown, swedish) << key.toStdString();
        if (swedish != english.caption(key)) {
            EXPECT_NE(shown, english.caption(key)) << key.toStdString();
        }
    };
    for (QAction* queueAction : m_pane.queueActions())
        expectSwedish(queueAction->objectName(), queueAction->text());
    expectSwedish("QueueLogToolbar", toolbar->windowTitle());
    expectSwedish("TBXSubmenuItem12", toolbar->findChild<QToolButton*>("TBXSubmenuItem12")->text());
    expectSwedish("QueueListView", m_pane.view()->accessibleName());
    EXPECT_EQ(action("SaveQueueAction")->toolTip(), "Spara kön");
    EXPECT_EQ(model().headerData(TQueueListModel::colRemotePath, Qt::Horizontal).toString(), "Fjärrsökväg");
    EXPECT_EQ(model().headerData(TQueueListModel::colSize, Qt::Horizontal).toString(), "Storlek");

    QStringList asked;
    TMessageDialog::setAnswerer([&](TMessageRequest& request) {
        asked << request.Text;
        request.Result = QMessageBox::No;
    });
    download("/pub/a");
    action("ClearQueueAction")->trigger();
    EXPECT_EQ(asked, QStringList{"Är du säker på att du vill tömma kön på 1 fil(er)?"});
    for (const char* key :
         {"strQueueSaveFailed", "strQueueLoadFailed", "strQueueTurningOff", "strQueueTurnOffFailed"}) {
        EXPECT_FALSE(m_language.text(key).isEmpty()) << key;
        EXPECT_NE(m_language.text(key), english.text(key)) << key;
    }
    QSignalSpy log(&m_pane, &TQueuePane::Log);
    m_pane.setTurnOffComputerAfterQueue(true);
    m_server.fs().addFile("/pub/s.txt", "s");
    m_manager.ClearQueue();
    m_manager.BeginItem(download("/pub/s.txt"));
    ASSERT_TRUE(waitFor([&] { return !log.isEmpty(); }));
    EXPECT_EQ(log[0][1].toString(), "Kön är klar: datorn stängs av.");
}
