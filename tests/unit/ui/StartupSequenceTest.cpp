// The main window's start-up sequence with its windows: the first start's wizard
// and what the window does with its choices, the tip after it, and the splash
// closed once the window is up.
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/TFilters.h"
#include "core/THosts.h"
#include "ui/dialogs/SplashFormUnit.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "unit/queue/QueueTestSupport.h"
#include "unit/ui/WindowTestSupport.h"

using namespace queuetest;

namespace {

class StartupSequenceTest : public ::testing::Test
{
protected:
    StartupSequenceTest()
    {
        TFilters::createGlobal();
        TMessageDialog::setAnswerer([this](TMessageRequest& request) {
            m_asked.append(request.Text);
            request.Result = QMessageBox::No;
        });
    }
    ~StartupSequenceTest() override
    {
        m_dialogs.stop();
        m_window.reset();
        TMessageDialog::setAnswerer(nullptr);
        TFilters::destroyGlobal();
    }

    TMainForm& window()
    {
        if (!m_window)
            m_window = uitest::newMainWindow();
        return *m_window;
    }
    // Shows the window and waits until its start-up sequence has run.
    void start(const QString& lastDialog)
    {
        window().show();
        ASSERT_TRUE(waitFor([&] {
            return m_dialogs.seen().contains(lastDialog) && !QApplication::activeModalWidget();
        })) << m_dialogs.seen().join(u',').toStdString();
    }

    QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
    uitest::ModalAnswerer m_dialogs;
    QStringList m_asked;
};

} // namespace

TEST_F(StartupSequenceTest, TheFirstStartsWizardAddsTheSamplesSwitchesToSwedishAndTheTipFollows)
{
    MainConfig()->SetFirstRun(true);
    MainConfig()->SetShowTipOnStartup(true);
    m_dialogs.setHandler([](QWidget* modal) {
        if (modal->objectName() != QLatin1String("FirstRunWizardForm")) {
            modal->close();
            return;
        }
        auto* next = modal->findChild<QPushButton*>(QStringLiteral("NextButton"));
        next->click();
        auto* languages = modal->findChild<QComboBox*>(QStringLiteral("LanguageComboBox"));
        languages->setCurrentIndex(languages->findText(QStringLiteral("Svenska")));
        next->click();
        modal->findChild<QCheckBox*>(QStringLiteral("AddSampleSitesCheckBox"))->setChecked(true);
        modal->findChild<QCheckBox*>(QStringLiteral("ShowAddNewHostWizardCheckBox"))->setChecked(false);
        next->click();
    });
    start(QStringLiteral("TipOfTheDayForm"));

    EXPECT_EQ(m_dialogs.seen().first(), QStringLiteral("FirstRunWizardForm"));
    EXPECT_FALSE(m_dialogs.seen().contains(QStringLiteral("AddHostWizardForm")))
        << "the wizard's offer was declined";
    EXPECT_FALSE(MainConfig()->FirstRun());
    EXPECT_EQ(MainConfig()->Language(), QStringLiteral("Svenska"));
    EXPECT_EQ(window().action(QStringLiteral("ExitAction"))->text(), QStringLiteral("&Avsluta"))
        << "the main window speaks the chosen language at once";
    ASSERT_FALSE(Hosts()->hosts().empty()) << "the sample hosts were added";
    EXPECT_TRUE(m_asked.isEmpty()) << "a first start asks no default-program question";

    // On disk at once, not only when the window closes.
    QFile file(MainConfig()->dataFilePath(QStringLiteral("Config.xml")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray onDisk = file.readAll();
    EXPECT_TRUE(onDisk.contains("<FirstRun value=\"False\" />")) << onDisk.toStdString();
    EXPECT_TRUE(onDisk.contains("<Language value=\"Svenska\" />")) << onDisk.toStdString();
}

TEST_F(StartupSequenceTest, AFirstStartWithoutAChoiceKeepsTheLanguageAndRunsTheAddHostWizard)
{
    MainConfig()->SetFirstRun(true);
    MainConfig()->SetLanguage(QStringLiteral("English"));
    m_dialogs.setHandler([](QWidget* modal) {
        if (modal->objectName() == QLatin1String("FirstRunWizardForm")) {
            // Closed from outside without a page turned: the choices still apply.
            modal->findChild<QCheckBox*>(QStringLiteral("AddSampleSitesCheckBox"))->setChecked(false);
            modal->close();
            if (modal->isVisible())
                for (int i = 0; i < 3; ++i)
                    modal->findChild<QPushButton*>(QStringLiteral("NextButton"))->click();
            return;
        }
        modal->close();
    });
    start(QStringLiteral("AddHostWizardForm"));

    EXPECT_EQ(MainConfig()->Language(), QStringLiteral("English"));
    EXPECT_FALSE(MainConfig()->FirstRun());
    EXPECT_TRUE(Hosts()->hosts().empty());
}

TEST_F(StartupSequenceTest, TheStartupSplashClosesOnceTheWindowIsUpAndNoneIsNeededWithoutIt)
{
    QPointer<TSplashForm> splash = TSplashForm::showAtStartup();
    ASSERT_TRUE(splash);
    EXPECT_FALSE(splash->aboutMode());
    window().show();
    EXPECT_TRUE(waitFor([&] { return splash.isNull() || !splash->isVisible(); }))
        << "the start-up sequence closes the splash";

    // A second window's start-up with no splash at all has nothing to close.
    m_window.reset();
    window().show();
    QTest::qWait(300);
    EXPECT_TRUE(window().isVisible());
}
