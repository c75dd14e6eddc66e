// A new user's way to a working host of their own, through the windows against a
// real server: the first start's wizard, the add-host wizard, the host in the
// main window's host menu, edited in the host manager, and connected from there.
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/TFilters.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "support/RealServers.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TMainFormPanes.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "unit/queue/QueueTestSupport.h"
#include "unit/ui/WindowTestSupport.h"

using namespace testsupport;
using queuetest::waitFor;
namespace fs = std::filesystem;

namespace {

template <typename T>
T* child(QWidget* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QTreeWidgetItem* findCaption(QTreeWidget* tree, const QString& caption)
{
    const QList<QTreeWidgetItem*> found = tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

class WindowHostsIntegrationTest : public ::testing::Test
{
protected:
    WindowHostsIntegrationTest()
        : m_server(realServer(RealServerKind::PureFtpd))
    {
        TFilters::createGlobal();
        TMessageDialog::setAnswerer([this](TMessageRequest& request) {
            m_asked.append(request.Text);
            request.Result = QMessageBox::Yes;
        });
        m_dialogs.setHandler([this](QWidget* modal) { answerDialog(modal); });
    }
    ~WindowHostsIntegrationTest() override
    {
        m_dialogs.stop();
        m_window.reset();
        TMessageDialog::setAnswerer(nullptr);
        TFilters::destroyGlobal();
        std::error_code ignored;
        fs::remove_all(fs::path(m_server.root) / "e2e", ignored);
    }

    void answerDialog(QWidget* modal)
    {
        const QString name = modal->objectName();
        if (name == QLatin1String("FirstRunWizardForm"))
            finishFirstRun(modal);
        else if (name == QLatin1String("AddHostWizardForm"))
            finishAddHostWizard(modal);
        else if (name == QLatin1String("HostsForm"))
            connectFromHostManager(modal);
        else {
            ADD_FAILURE() << "unexpected dialog " << name.toStdString();
            modal->close();
        }
    }

    // Keeps English, no sample hosts, straight on to the add-host wizard.
    void finishFirstRun(QWidget* wizard)
    {
        auto* next = child<QPushButton>(wizard, "NextButton");
        next->click();
        next->click();
        child<QCheckBox>(wizard, "AddSampleSitesCheckBox")->setChecked(false);
        child<QCheckBox>(wizard, "ShowAddNewHostWizardCheckBox")->setChecked(true);
        next->click();
    }

    // The name, the address and the login, as a beginner types them.
    void finishAddHostWizard(QWidget* wizard)
    {
        auto* next = child<QPushButton>(wizard, "NextButton");
        child<QLineEdit>(wizard, "CommonNameEdit")->setText(QStringLiteral("My test server"));
        next->click();
        child<QLineEdit>(wizard, "HostnameEdit")->setText(QString::fromStdString(m_server.host));
        next->click();
        child<QCheckBox>(wizard, "IsAnonymousCheckBox")->setChecked(false);
        child<QLineEdit>(wizard, "UsernameEdit")->setText(QString::fromStdString(m_server.user));
        child<QLineEdit>(wizard, "PasswordEdit")->setText(QString::fromStdString(m_server.password));
        next->click();
    }

    // The wizard stored port 21; the test server listens elsewhere.
    void connectFromHostManager(QWidget* form)
    {
        auto* tree = child<QTreeWidget>(form, "HostsTreeView");
        QTreeWidgetItem* item = findCaption(tree, QStringLiteral("My test server"));
        if (!item) {
            ADD_FAILURE() << "the wizard's host is not in the host manager";
            form->close();
            return;
        }
        tree->setCurrentItem(item);
        child<QLineEdit>(form, "PortEdit")->setText(QString::number(m_server.port));
        child<QCheckBox>(form, "PassiveTransfersCheckBox")->setChecked(true);
        auto* connect = form->findChild<QAction*>(QStringLiteral("ConnectSelectedAction"));
        ASSERT_NE(connect, nullptr);
        ASSERT_TRUE(connect->isEnabled());
        connect->trigger();
    }

    TMainForm& window()
    {
        if (!m_window)
            m_window = uitest::newMainWindow();
        return *m_window;
    }
    TRemotePane& remote() { return window().panes().remotePane(); }

    RealServer m_server;
    queuetest::QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
    uitest::ModalAnswerer m_dialogs;
    QStringList m_asked;
};

} // namespace

TEST_F(WindowHostsIntegrationTest, FirstStartLeadsToAHostThatTheHostManagerEditsAndConnects)
{
    ASSERT_TRUE(realServerReachable(m_server));
    fs::create_directories(fs::path(m_server.root) / "e2e");
    std::ofstream(fs::path(m_server.root) / "e2e" / "hello.txt") << "hello";

    // A first start: the wizard, then the add-host wizard it offers.
    MainConfig()->SetFirstRun(true);
    window().show();
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    ASSERT_TRUE(waitFor([&] {
        return m_dialogs.seen().contains(QStringLiteral("AddHostWizardForm")) &&
               !QApplication::activeModalWidget();
    })) << m_dialogs.seen().join(u',').toStdString();
    EXPECT_EQ(m_dialogs.seen().first(), QStringLiteral("FirstRunWizardForm"));
    EXPECT_FALSE(MainConfig()->FirstRun());
    EXPECT_TRUE(m_asked.isEmpty()) << "finishing the wizards asks nothing";

    // The new host is in the main window's host menu.
    auto* connectTo = window().findChild<QMenu*>(QStringLiteral("ConnectToSubMenuItem"));
    ASSERT_NE(connectTo, nullptr);
    QStringList entries;
    for (QAction* item : connectTo->actions())
        entries.append(item->text());
    EXPECT_EQ(entries, QStringList{QStringLiteral("My test server")});

    // Edited and connected from the host manager: the real server's directory is listed.
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    window().action(QStringLiteral("EditHostsAction"))->trigger();
    ASSERT_TRUE(waitFor([&] {
        return window().state().isAuthenticated() && remote().model().rowOfName(QStringLiteral("e2e")) >= 0;
    })) << "no listing after connecting from the host manager";

    // The host manager saved the port it connected with.
    THosts stored(MainConfig()->dataFilePath(QStringLiteral("Hosts.xml")));
    ASSERT_EQ(stored.hosts().size(), 1U);
    EXPECT_EQ(stored.hosts().front()->Port, int(m_server.port));
    EXPECT_EQ(stored.hosts().front()->Username, QString::fromStdString(m_server.user));
    EXPECT_EQ(MainConfig()->LastConnectedHostID(), stored.hosts().front()->HostIDText());
}
