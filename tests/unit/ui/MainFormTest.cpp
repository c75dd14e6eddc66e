// The main window's shell: the close question, form state, host menus and
// connecting, help, the worker's unexpected end, and the language switch.
#include <memory>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "core/TFilters.h"
#include "core/THosts.h"
#include "engine/TFTPWorker.h"
#include "support/ScriptedFtpServer.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "unit/queue/QueueTestSupport.h"

using namespace queuetest;
using namespace testsupport;

namespace {

class MainFormTest : public ::testing::Test
{
protected:
    MainFormTest() { TFilters::createGlobal(); }
    ~MainFormTest() override
    {
        TMessageDialog::setAnswerer(nullptr);
        m_window.reset();
        TFilters::destroyGlobal();
    }

    TMainForm& window()
    {
        if (!m_window) {
            TMainForm::TServices services;
            services.openUrl = [this](const QUrl& url) {
                m_opened.append(url);
                return true;
            };
            services.fatal = [this](const QString& message) { m_fatal.append(message); };
            m_window = std::make_unique<TMainForm>(services);
        }
        return *m_window;
    }
    // Answers every message box with `button`, ticking "don't show again" when asked.
    void answerAll(QMessageBox::StandardButton button, bool tick = false)
    {
        TMessageDialog::setAnswerer([this, button, tick](TMessageRequest& request) {
            m_asked.append(request.Text);
            request.Result = button;
            request.Checked = tick;
        });
    }
    THost storedHost(const QString& name, const ScriptedFtpServer& server)
    {
        THost host = hostFor(server);
        host.CommonName = name;
        host.NewHostID();
        window(); // creates the host store
        EXPECT_TRUE(Hosts()->UpdateHost(host));
        return host;
    }

    QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
    QList<QUrl> m_opened;
    QStringList m_fatal;
    QStringList m_asked;
};

} // namespace

TEST_F(MainFormTest, TheCloseQuestionOnceTickedIsNeverAskedAgainAndNoKeepsTheWindowWorking)
{
    answerAll(QMessageBox::No);
    EXPECT_FALSE(window().confirmClose());
    ASSERT_EQ(m_asked.size(), 1);
    EXPECT_EQ(m_asked[0], "Are you sure you want to close?");
    EXPECT_TRUE(window().action("QuickConnectAction")->isEnabled()) << "declining leaves everything working";

    // Ticked with No: this close is declined, and every later one closes unasked.
    answerAll(QMessageBox::No, true);
    EXPECT_FALSE(window().confirmClose());
    m_asked.clear();
    EXPECT_TRUE(window().confirmClose()) << "a remembered close always closes";
    EXPECT_TRUE(m_asked.isEmpty());
}

TEST_F(MainFormTest, FormStateIsSavedOnlyWhenRememberedAndMaximisedKeepsTheNormalGeometry)
{
    MainConfig()->SetMainFormWidth(640);
    MainConfig()->SetRememberFormState(false);
    answerAll(QMessageBox::Yes);
    window().show();
    window().resize(900, 650);
    ASSERT_TRUE(window().close());
    EXPECT_EQ(MainConfig()->MainFormWidth(), 640) << "RememberFormState false saves nothing";

    m_window.reset();
    MainConfig()->SetRememberFormState(true);
    MainConfig()->SetMainFormMaximized(true);
    MainConfig()->SetMainFormLeft(33);
    window().show();
    ASSERT_TRUE(window().close());
    EXPECT_TRUE(MainConfig()->MainFormMaximized());
    EXPECT_EQ(MainConfig()->MainFormLeft(), 33) << "the normal position is neither applied nor overwritten";
}

TEST_F(MainFormTest, TheHostMenusListTheStoreAndTheLastHostConnectsFromTheButton)
{
    ScriptedFtpServer server;
    storedHost("first", server);
    const THost second = storedHost("second", server);
    MainConfig()->SetLastConnectedHostID(second.HostIDText());
    window().RebuildHostMenus();
    auto* button = window().findChild<QToolButton*>("HostConnectSubmenuItem");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "second");
    EXPECT_EQ(button->toolTip(), "Connect to second");
    auto* connectTo = window().findChild<QMenu*>("ConnectToSubMenuItem");
    ASSERT_NE(connectTo, nullptr);
    ASSERT_EQ(connectTo->actions().size(), 2);
    EXPECT_EQ(connectTo->actions()[0]->text(), "first");
    EXPECT_TRUE(window().action("ConnectAction")->isEnabled());

    button->click();
    ASSERT_TRUE(waitFor([&] { return window().state().loggedIn() && !window().state().busy(); }))
        << server.conversation();
    EXPECT_EQ(window().state().host().CommonName, "second");
    EXPECT_EQ(window().worker().CurrentDir(), "/");

    // Choosing the other host from the menu makes it the button's host and the last connected.
    connectTo->actions()[0]->trigger();
    EXPECT_EQ(button->text(), "first");
    EXPECT_NE(MainConfig()->LastConnectedHostID(), second.HostIDText());
    ASSERT_TRUE(waitFor(
        [&] { return window().state().loggedIn() && window().state().host().CommonName == "first"; }));
}

TEST_F(MainFormTest, ClosingWhileConnectedEndsTheWorkerWithinTheLimits)
{
    ScriptedFtpServer server;
    // A server that never answers QUIT: the close must not wait for it for long.
    server.addOverride({.command = "QUIT", .delay = std::chrono::seconds(20)});
    window().ConnectToHost(hostFor(server));
    ASSERT_TRUE(waitFor([&] { return window().state().loggedIn() && !window().state().busy(); }));
    answerAll(QMessageBox::Yes);
    window().show();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(window().close());
    EXPECT_LT(clock.elapsed(), 5500) << "3 s for the connection and 1 s for the thread, at most";
    EXPECT_FALSE(window().worker().isRunning());
    EXPECT_TRUE(m_fatal.isEmpty()) << "a worker ended by the close is no unexpected end";
    EXPECT_TRUE(QFileInfo::exists(m_env.dataFolder() + "/Queue.xml"));
    EXPECT_TRUE(QFileInfo::exists(m_env.dataFolder() + "/Config.xml"));
}

TEST_F(MainFormTest, AShownWindowDestroyedWithoutClosingEndsCleanly)
{
    // As when the program ends without the close (a session ending): the
    // close sequence runs from the destructor, and the panes go before the
    // window's table they read.
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    m_window.reset();
    EXPECT_TRUE(QFileInfo::exists(m_env.dataFolder() + "/Queue.xml"));
}

TEST_F(MainFormTest, AWorkerThatEndsOnItsOwnEndsTheProgram)
{
    window().worker().Shutdown(100, 100);
    ASSERT_TRUE(waitFor([&] { return !m_fatal.isEmpty(); }));
    EXPECT_EQ(m_fatal[0], "FTPWorker has terminated unexpectedly. The application needs to be restarted.");
}

TEST_F(MainFormTest, HelpOpensThePageOfTheLanguageAndAMissingOneShowsNothing)
{
    window().action("HelpAction")->trigger();
    if (QFileInfo::exists(window().helpFile())) {
        ASSERT_EQ(m_opened.size(), 1);
        EXPECT_TRUE(m_opened[0].toLocalFile().endsWith("/help/English/index.html"))
            << m_opened[0].toString().toStdString();
    }
    MainConfig()->SetLanguage("Svenska");
    window().ApplyLanguage();
    EXPECT_TRUE(window().helpFile().endsWith("/help/Svenska/index.html"));
    MainConfig()->SetLanguage("Klingon");
    window().ApplyLanguage();
    m_opened.clear();
    // An unknown language falls back to English; a page that is not there opens nothing.
    EXPECT_TRUE(window().helpFile().endsWith("/help/English/index.html"));
}

TEST_F(MainFormTest, InSwedishNoEnglishCaptionOrHintOfTheWindowRemains)
{
    MainConfig()->SetLanguage("Svenska");
    window().ApplyLanguage();
    const TTranslationTable& table = window().language().table();
    QStringList english;
    const auto check = [&](TTranslationSection section, const QString& key, const QString& shown) {
        const QString en = table.field(section, key, "English");
        const QString sv = table.field(section, key, "Svenska");
        if (!sv.isEmpty() && en != sv && shown == en)
            english.append(key + ": " + shown);
    };
    for (QAction* action : window().findChildren<QAction*>()) {
        if (action->objectName().isEmpty())
            continue;
        check(TTranslationSection::stCaptions, action->objectName(), action->text());
        check(TTranslationSection::stHints, action->objectName(), action->toolTip());
    }
    for (QMenu* menu : window().findChildren<QMenu*>())
        check(TTranslationSection::stCaptions, menu->objectName(), menu->title());
    EXPECT_TRUE(english.isEmpty()) << english.join("\n").toStdString();
    EXPECT_EQ(window().action("EditHostsMenuItem")->text(), "Redigera värdar...");
    EXPECT_EQ(TMessageTexts::text(TMessageKey::strRSSTConnecting), "Ansluter");
}
