// The main window against real servers, as a user drives it: quick connect
// (with the certificate question under TLS), browse, make, rename and delete a
// directory, download through the queue, close.
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "core/TFilters.h"
#include "engine/TFTPWorker.h"
#include "queue/TQueueManager.h"
#include "support/RealServers.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TMainFormPanes.h"
#include "ui/main/TQueueListModel.h"
#include "ui/main/TQueuePane.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "unit/queue/QueueTestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000)
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

template <typename T>
T* child(QWidget* parent, const char* name)
{
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

class WindowIntegrationTest : public ::testing::TestWithParam<RealServerCase>
{
protected:
    WindowIntegrationTest()
        : m_server(realServer(GetParam().kind))
    {
        TFilters::createGlobal();
        // Every question (delete, close) is answered Yes.
        TMessageDialog::setAnswerer([this](TMessageRequest& request) {
            m_asked.append(request.Text);
            request.Result = QMessageBox::Yes;
        });
        // The modal dialogs are answered as a user would.
        m_dialogs.setInterval(20);
        QObject::connect(&m_dialogs, &QTimer::timeout, [this] { answerDialogs(); });
        m_dialogs.start();
    }
    ~WindowIntegrationTest() override
    {
        m_dialogs.stop();
        m_window.reset();
        TMessageDialog::setAnswerer(nullptr);
        TFilters::destroyGlobal();
        std::error_code ignored;
        fs::remove_all(root() / "e2e", ignored);
    }

    fs::path root() const { return m_server.root; }

    void answerDialogs()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (modal->objectName() == QLatin1String("QuickConnectForm")) {
            child<QLineEdit>(modal, "HostnameEdit")->setText(QString::fromStdString(m_server.host));
            child<QLineEdit>(modal, "PortEdit")->setText(QString::number(m_server.port));
            child<QCheckBox>(modal, "IsAnonymousCheckBox")->setChecked(false);
            child<QLineEdit>(modal, "UsernameEdit")->setText(QString::fromStdString(m_server.user));
            child<QLineEdit>(modal, "PasswordEdit")->setText(QString::fromStdString(m_server.password));
            child<QCheckBox>(modal, "PassiveTransfersCheckBox")->setChecked(true);
            child<QCheckBox>(modal, "UseSSLCheckBox")->setChecked(GetParam().tls);
            child<QPushButton>(modal, "ConnectButton")->click();
        } else if (modal->objectName() == QLatin1String("CertificateForm")) {
            ++m_certificateQuestions;
            child<QPushButton>(modal, "AcceptOnceButton")->click();
        } else {
            ADD_FAILURE() << "unexpected dialog " << modal->objectName().toStdString();
            modal->close();
        }
    }

    TMainForm& window()
    {
        if (!m_window) {
            TMainForm::TServices services;
            services.openUrl = [](const QUrl&) { return true; };
            services.fatal = [](const QString& message) { ADD_FAILURE() << message.toStdString(); };
            m_window = std::make_unique<TMainForm>(services);
        }
        return *m_window;
    }
    TRemotePane& remote() { return window().panes().remotePane(); }
    const TRemoteListModel& list() { return remote().model(); }
    bool idle() { return window().state().isAuthenticated(); }
    // The listing of `directory` is on screen and the worker is idle.
    bool showing(const QString& directory)
    {
        return idle() && remote().directory() == directory && list().rowCount() > 0;
    }
    void trigger(const char* action)
    {
        QAction* a = window().action(QString::fromLatin1(action));
        ASSERT_NE(a, nullptr) << action;
        ASSERT_TRUE(a->isEnabled()) << action;
        a->trigger();
    }
    void select(const QString& name)
    {
        const int row = list().rowOfName(name);
        ASSERT_GE(row, 0) << name.toStdString();
        remote().selectRows({row}, true, true);
    }

    RealServer m_server;
    queuetest::QueueEnvironment m_env;
    std::unique_ptr<TMainForm> m_window;
    QTimer m_dialogs;
    QStringList m_asked;
    int m_certificateQuestions = 0;
};

} // namespace

TEST_P(WindowIntegrationTest, QuickConnectBrowseMakeRenameDeleteDownloadAndClose)
{
    ASSERT_TRUE(realServerReachable(m_server));
    fs::create_directories(root() / "e2e" / "inner");
    {
        std::ofstream(root() / "e2e" / "inner" / "note.txt") << "inside";
        std::string payload(300000, '\0');
        for (std::size_t i = 0; i < payload.size(); ++i)
            payload[i] = char((i * 7919) % 251);
        std::ofstream(root() / "e2e" / "payload.bin", std::ios::binary) << payload;
    }
    // The servers run as another user; what the test made must be theirs to change.
    std::error_code ignored;
    fs::permissions(root() / "e2e", fs::perms::all, fs::perm_options::add, ignored);
    fs::permissions(root() / "e2e" / "inner", fs::perms::all, fs::perm_options::add, ignored);

    const QString downloads = m_env.localRoot() + QStringLiteral("downloads");
    ASSERT_TRUE(QDir().mkpath(downloads));
    window().show();
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    window().panes().changeLocalDirectory(downloads);

    // Quick connect, then the login directory's listing.
    trigger("QuickConnectAction");
    ASSERT_TRUE(waitFor([&] { return idle() && list().rowOfName(QStringLiteral("e2e")) >= 0; }))
        << "no listing after quick connect";
    EXPECT_EQ(m_certificateQuestions, GetParam().tls ? 1 : 0)
        << "a self-signed certificate is asked about once";
    const QString home = remote().directory();
    // The offscreen platform gives the window no activation back after a dialog.
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));

    // Enter a directory with the keyboard, then go up.
    select(QStringLiteral("e2e"));
    remote().listView()->setFocus();
    QTest::keyClick(remote().listView(), Qt::Key_Return);
    const QString e2e = home.endsWith(u'/') ? home + QStringLiteral("e2e") : home + QStringLiteral("/e2e");
    ASSERT_TRUE(
        waitFor([&] { return showing(e2e) && list().rowOfName(QStringLiteral("payload.bin")) >= 0; }));
    EXPECT_TRUE(list().isParentRow(0));
    trigger("RemoteCDUPAction");
    ASSERT_TRUE(waitFor([&] { return showing(home); }));
    EXPECT_GE(list().rowOfName(QStringLiteral("e2e")), 0);
    select(QStringLiteral("e2e"));
    QTest::keyClick(remote().listView(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return showing(e2e) && list().rowOfName(QStringLiteral("inner")) >= 0; }));

    // New directory: made on the server, then renamed in place through its editor.
    trigger("RemoteMakeDirAction");
    ASSERT_TRUE(waitFor([&] { return showing(e2e) && list().rowOfName(QStringLiteral("New folder")) >= 0; }));
    ASSERT_TRUE(fs::is_directory(root() / "e2e" / "New folder"));
    QLineEdit* editor = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            editor = remote().listView()->viewport()->findChild<QLineEdit*>();
            return editor && editor->isVisible() && editor->hasFocus();
        },
        3000))
        << "the new directory's name is not being edited";
    EXPECT_EQ(editor->text(), QStringLiteral("New folder"));
    editor->setText(QStringLiteral("Made here"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return fs::is_directory(root() / "e2e" / "Made here"); }));
    EXPECT_FALSE(fs::exists(root() / "e2e" / "New folder"));
    ASSERT_TRUE(waitFor([&] { return idle() && list().rowOfName(QStringLiteral("Made here")) >= 0; }));

    // Delete it (the question is answered Yes), and a non-empty tree with it.
    const int asked = int(m_asked.size());
    remote().selectRows(
        {list().rowOfName(QStringLiteral("Made here")), list().rowOfName(QStringLiteral("inner"))}, true,
        false);
    trigger("RemoteDeleteFileAction");
    EXPECT_EQ(m_asked.size(), asked + 1);
    ASSERT_TRUE(waitFor([&] {
        return idle() && !fs::exists(root() / "e2e" / "Made here") && !fs::exists(root() / "e2e" / "inner");
    })) << "the directories are still on the server";
    ASSERT_TRUE(waitFor([&] { return idle() && list().rowOfName(QStringLiteral("inner")) < 0; }));
    EXPECT_LT(list().rowOfName(QStringLiteral("Made here")), 0);

    // Download: a row appears, completes, and leaves the queue.
    TQueueListModel& queue = *window().panes().queuePane().model();
    int rowsSeen = 0;
    QObject::connect(&queue, &QAbstractItemModel::rowsInserted, [&] { ++rowsSeen; });
    select(QStringLiteral("payload.bin"));
    trigger("DownloadAction");
    ASSERT_TRUE(waitFor([&] { return rowsSeen == 1 && queue.rowCount() == 0; }, 60000))
        << "the download did not complete and leave the queue";
    EXPECT_EQ(readFile(fs::path(downloads.toStdString()) / "payload.bin"),
              readFile(root() / "e2e" / "payload.bin"));

    // Close: the question, the files, and the worker gone within the limits.
    TFTPWorker* worker = &window().worker();
    QElapsedTimer closing;
    closing.start();
    ASSERT_TRUE(window().close());
    EXPECT_LT(closing.elapsed(), 4500) << "3 s for the connection and 1 s for the thread at most";
    EXPECT_TRUE(worker->isFinished());
    EXPECT_TRUE(m_asked.contains(QStringLiteral("Are you sure you want to close?")));
    const QString data = m_env.dataFolder();
    EXPECT_TRUE(QFile::exists(data + QStringLiteral("/Queue.xml")));
    EXPECT_TRUE(QFile::exists(data + QStringLiteral("/Config.xml")));
}

INSTANTIATE_TEST_SUITE_P(PureFtpdAndVsftpd, WindowIntegrationTest,
                         ::testing::Values(RealServerCase{RealServerKind::PureFtpd, false},
                                           RealServerCase{RealServerKind::PureFtpd, true},
                                           RealServerCase{RealServerKind::Vsftpd, false},
                                           RealServerCase{RealServerKind::Vsftpd, true}),
                         realServerCaseName);
