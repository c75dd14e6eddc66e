// The main window's dialog commands and what the window does after them: the
// settings re-applied, the filter menus of both panes rebuilt, the host menus
// following the host manager also after Apply and Cancel.
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/TFilters.h"
#include "core/THosts.h"
#include "core/TMemoryHostTree.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "unit/queue/QueueTestSupport.h"
#include "unit/ui/WindowTestSupport.h"

using namespace queuetest;

namespace {

class MainWindowDialogsTest : public ::testing::Test
{
protected:
    MainWindowDialogsTest()
    {
        TFilters::createGlobal();
        TMessageDialog::setAnswerer([this](TMessageRequest& request) {
            m_asked.append(request.Text);
            request.Result = QMessageBox::No;
        });
    }
    ~MainWindowDialogsTest() override
    {
        m_dialogs.stop();
        m_window.reset();
        TMessageDialog::setAnswerer(nullptr);
        TFilters::destroyGlobal();
    }

    TMainForm& window()
    {
        if (!m_window) {
            m_window = uitest::newMainWindow(&m_opened);
            m_window->show();
        }
        return *m_window;
    }
    // Runs `action` with `handler` answering the dialog it opens.
    void run(const char* action, uitest::ModalAnswerer::THandler handler)
    {
        m_dialogs.setHandler(std::move(handler));
        window().action(QString::fromLatin1(action))->trigger();
        m_dialogs.setHandler(nullptr);
    }
    QStringList menuTexts(const char* menuName)
    {
        QStringList texts;
        if (auto* menu = window().findChild<QMenu*>(QString::fromLatin1(menuName)))
            for (QAction* item : menu->actions())
                if (!item->isSeparator())
                    texts.append(item->text());
        return texts;
    }

    QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
    uitest::ModalAnswerer m_dialogs;
    QStringList m_asked;
    QList<QUrl> m_opened;
};

} // namespace

TEST_F(MainWindowDialogsTest, SettingsChangeTheWindowsLanguageAtOnceAndHelpOpensThePagesTopic)
{
    run("SettingsAction", [](QWidget* form) {
        auto* languages = form->findChild<QComboBox*>(QStringLiteral("LanguageComboBox"));
        languages->setCurrentIndex(languages->findText(QStringLiteral("Svenska")));
        form->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    EXPECT_EQ(m_dialogs.seen().value(0), QStringLiteral("SettingsForm"));
    EXPECT_EQ(MainConfig()->Language(), QStringLiteral("Svenska"));
    EXPECT_EQ(window().action(QStringLiteral("ExitAction"))->text(), QStringLiteral("&Avsluta"));
    EXPECT_FALSE(MainConfig()->isModified()) << "the settings are on disk at once";

    // Cancel changes nothing, and Help asks the window for the page's help.
    run("SettingsAction", [](QWidget* form) {
        auto* languages = form->findChild<QComboBox*>(QStringLiteral("LanguageComboBox"));
        languages->setCurrentIndex(languages->findText(QStringLiteral("English")));
        form->findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
        form->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    });
    EXPECT_EQ(MainConfig()->Language(), QStringLiteral("Svenska"));
    ASSERT_EQ(m_opened.size(), 1);
    EXPECT_TRUE(m_opened[0].toLocalFile().endsWith(QStringLiteral("/help/Svenska/index.html")))
        << "without a page of its own the topic opens the help's index: "
        << m_opened[0].toString().toStdString();
}

TEST_F(MainWindowDialogsTest, FiltersMadeInTheEditorAppearInBothPanesMenus)
{
    run("EditFiltersAction", [](QWidget* form) {
        form->findChild<QAction*>(QStringLiteral("NewFilterAction"))->trigger();
        QApplication::sendPostedEvents();
        form->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    EXPECT_TRUE(menuTexts("RemoteFiltersMenu").contains(QStringLiteral("New filter")))
        << menuTexts("RemoteFiltersMenu").join(u',').toStdString();
    EXPECT_TRUE(menuTexts("LocalFiltersMenu").contains(QStringLiteral("New filter")));
}

TEST_F(MainWindowDialogsTest, HostMenusFollowTheHostManagerAfterOkAndAfterApplyThenCancel)
{
    window();
    run("EditHostsAction", [](QWidget* form) {
        form->findChild<QAction*>(QStringLiteral("NewHostAction"))->trigger();
        QApplication::sendPostedEvents();
        form->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    EXPECT_EQ(menuTexts("ConnectToSubMenuItem"), QStringList{QStringLiteral("New host")});

    // Applied, then cancelled: the store was written, so the menus follow it.
    run("EditHostsAction", [](QWidget* form) {
        form->findChild<QAction*>(QStringLiteral("NewHostAction"))->trigger();
        QApplication::sendPostedEvents();
        form->findChild<QPushButton*>(QStringLiteral("ApplyButton"))->click();
        form->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    });
    EXPECT_EQ(menuTexts("ConnectToSubMenuItem").size(), 2);
    EXPECT_TRUE(m_asked.isEmpty()) << "nothing was left unsaved to ask about";
}
