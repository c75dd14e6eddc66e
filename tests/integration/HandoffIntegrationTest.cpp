// The hand-over end to end: vantor-ftp-handoff (and a second vantor-ftp) send an
// ftp:// address to a window of this process, which connects to a real server and
// lists the address's directory; and vantor-ftp-handoff starting the window first.
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/AppRegistry.h"
#include "core/TFilters.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "platform/THandoffChannel.h"
#include "queue/TQueueItem.h"
#include "queue/TQueueManager.h"
#include "support/RealServers.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/THandoffReceiver.h"
#include "ui/main/TMainFormPanes.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "unit/queue/QueueTestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

QString program(const char* name)
{
    return qEnvironmentVariable("VANTOR_BINARY_DIR") + QStringLiteral("/bin/") + QLatin1String(name);
}

// Runs a program to its end while this process keeps serving its window's events.
int runServingEvents(QProcess& process, int timeoutMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (process.state() != QProcess::NotRunning) {
        if (timer.elapsed() > timeoutMs) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        QTest::qWait(10);
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

class HandoffIntegrationTest : public ::testing::Test
{
protected:
    HandoffIntegrationTest()
        : m_server(realServer(RealServerKind::PureFtpd))
    {
        TFilters::createGlobal();
        TMessageDialog::setAnswerer([](TMessageRequest& request) { request.Result = QMessageBox::Yes; });
        m_dialogs.setInterval(20);
        QObject::connect(&m_dialogs, &QTimer::timeout, [this] { answerDialogs(); });
        m_dialogs.start();
        // The directory the address names, with a file in it.
        fs::create_directories(fs::path(m_server.root) / "handoff-e2e");
        std::ofstream(fs::path(m_server.root) / "handoff-e2e" / "file") << "handed over";
        std::error_code ignored;
        fs::permissions(fs::path(m_server.root) / "handoff-e2e", fs::perms::all, fs::perm_options::add,
                        ignored);
    }
    ~HandoffIntegrationTest() override
    {
        m_dialogs.stop();
        m_window.reset();
        TMessageDialog::setAnswerer(nullptr);
        TFilters::destroyGlobal();
        std::error_code ignored;
        fs::remove_all(fs::path(m_server.root) / "handoff-e2e", ignored);
    }

    void answerDialogs()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (modal->objectName() == QLatin1String("DestinationDirectoryForm")) {
            modal->findChild<QComboBox*>(QStringLiteral("DestinationDirectoryComboBox"))
                ->setEditText(QStringLiteral("/handoff-e2e/"));
            modal->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
            return;
        }
        ADD_FAILURE() << "unexpected dialog " << modal->objectName().toStdString();
        modal->close();
    }

    TMainForm& window()
    {
        if (!m_window) {
            TMainForm::TServices services;
            services.openUrl = [](const QUrl&) { return true; };
            services.fatal = [](const QString& message) { ADD_FAILURE() << message.toStdString(); };
            m_window = std::make_unique<TMainForm>(services);
            m_window->show();
        }
        return *m_window;
    }
    TRemotePane& remote() { return window().panes().remotePane(); }
    bool showing(const QString& directory)
    {
        return window().state().isAuthenticated() && remote().directory() == directory &&
               remote().model().rowOfName(QStringLiteral("file")) >= 0;
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("ftp://%1:%2@%3:%4%5")
            .arg(QString::fromStdString(m_server.user), QString::fromStdString(m_server.password),
                 QString::fromStdString(m_server.host))
            .arg(m_server.port)
            .arg(path);
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VANTOR_FTP_DATA_DIR"), m_env.dataFolder());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    RealServer m_server;
    queuetest::QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
    QTimer m_dialogs;
};

} // namespace

TEST_F(HandoffIntegrationTest, AnAddressFromTheBrowserMakesTheRunningWindowConnectAndList)
{
    ASSERT_TRUE(realServerReachable(m_server));
    ASSERT_TRUE(window().handoffReceiver() && window().handoffReceiver()->isListening());

    QProcess handoff;
    handoff.setProcessEnvironment(environment());
    handoff.start(program("vantor-ftp-handoff"), {url(QStringLiteral("/handoff-e2e/file"))});
    ASSERT_EQ(runServingEvents(handoff), 0) << handoff.readAllStandardError().toStdString();
    ASSERT_TRUE(queuetest::waitFor([&] { return showing(QStringLiteral("/handoff-e2e")); }))
        << "the window shows " << remote().directory().toStdString();
    EXPECT_EQ(window().state().host().Username.toStdString(), m_server.user);
    EXPECT_EQ(window().state().host().InitialRemoteDirectory, QStringLiteral("/handoff-e2e/"));
}

TEST_F(HandoffIntegrationTest, ASecondStartHandsItsAddressOverAndEnds)
{
    ASSERT_TRUE(realServerReachable(m_server));
    window();
    QProcess second;
    second.setProcessEnvironment(environment());
    second.start(program("vantor-ftp"), {url(QStringLiteral("/handoff-e2e/"))});
    ASSERT_EQ(runServingEvents(second), 0) << second.readAllStandardError().toStdString();
    ASSERT_TRUE(queuetest::waitFor([&] { return showing(QStringLiteral("/handoff-e2e")); }))
        << "the window shows " << remote().directory().toStdString();
}

TEST_F(HandoffIntegrationTest, FilesFromTheFileManagerAreUploadedToTheChosenHost)
{
    ASSERT_TRUE(realServerReachable(m_server));
    THost host;
    host.CommonName = QStringLiteral("pure");
    host.Hostname = QString::fromStdString(m_server.host);
    host.Port = m_server.port;
    host.Username = QString::fromStdString(m_server.user);
    host.Password = QString::fromStdString(m_server.password);
    host.Passive = true;
    host.NewHostID();
    window();
    ASSERT_TRUE(Hosts()->UpdateHost(host));
    const int index = int(OpenAppRegistry()->subKeys(THosts::kRegistryKey).indexOf(host.HostIDText()));
    ASSERT_GE(index, 0);

    const QString local = m_env.local(QStringLiteral("upload me.txt"));
    ASSERT_TRUE(QDir().mkpath(m_env.localRoot()));
    {
        QFile file(local);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("from the file manager");
    }
    QProcess handoff;
    handoff.setProcessEnvironment(environment());
    handoff.start(program("vantor-ftp-handoff"),
                  {QStringLiteral("--host-index"), QString::number(index), local});
    ASSERT_EQ(runServingEvents(handoff), 0) << handoff.readAllStandardError().toStdString();
    ASSERT_TRUE(queuetest::waitFor([&] { return QueueManager()->itemCount() == 1; }));
    QueueManager()->Schedule();
    const fs::path uploaded = fs::path(m_server.root) / "handoff-e2e" / "upload me.txt";
    ASSERT_TRUE(
        queuetest::waitFor([&] { return fs::exists(uploaded) && fs::file_size(uploaded) == 21; }, 30000));
}

TEST_F(HandoffIntegrationTest, TheHandoffStartsTheWindowWhenNoneRuns)
{
    ASSERT_TRUE(realServerReachable(m_server));
    // Where the started window is, as a window writes it; no modal start-up windows.
    {
        const auto registry = OpenAppRegistry();
        ASSERT_TRUE(registry);
        registry->writeString(kAppRegistryKey, QStringLiteral("AppFilename"), program("vantor-ftp"));
        ASSERT_TRUE(registry->sync());
    }
    MainConfig()->SetShowHostManagerOnStartup(false);
    MainConfig()->SetShowQuickConnectOnStartup(false);
    MainConfig()->SetValue(QStringLiteral("IDS_54DialogDefault"), 7);
    ASSERT_TRUE(MainConfig()->Save());
    const platform::THandoffChannel channel(m_env.dataFolder());
    ASSERT_FALSE(channel.isListening(200));

    QProcess handoff;
    handoff.setProcessEnvironment(environment());
    handoff.start(program("vantor-ftp-handoff"), {url(QStringLiteral("/handoff-e2e/file"))});
    const int status = runServingEvents(handoff, 60000);
    EXPECT_EQ(status, 0) << handoff.readAllStandardError().toStdString();
    // The started window took the address: it is in its quick-connect list.
    EXPECT_TRUE(channel.isListening());
    const QString quickHosts = m_env.dataFolder() + QStringLiteral("/QuickHosts.xml");
    EXPECT_TRUE(queuetest::waitFor([&] { return queuetest::readAll(quickHosts).contains("handoff-e2e"); }))
        << queuetest::readAll(quickHosts).toStdString();

    // The started window ends with the test.
    QFile lock(channel.instanceLockPath());
    ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
    const qint64 pid = lock.readLine().trimmed().toLongLong();
    ASSERT_GT(pid, 0);
    ::kill(pid_t(pid), SIGKILL);
    EXPECT_TRUE(queuetest::waitFor([&] { return !channel.isListening(100); }, 10000));
}
