// The main window against real servers, as a user drives it: quick connect
// (with the certificate question under TLS), browse, make, rename and delete a
// directory, download through the queue, close.
#include <sys/stat.h>
#include <unistd.h>

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
#include "ui/main/AdvancedSearchFormUnit.h"
#include "ui/main/FilePropertiesFormUnit.h"
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
        if (m_onDialog && m_onDialog(modal))
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

    // Connects with quick connect and waits for the login directory's listing.
    void quickConnect()
    {
        trigger("QuickConnectAction");
        ASSERT_TRUE(waitFor([&] { return idle() && list().rowOfName(QStringLiteral("e2e")) >= 0; }))
            << "no listing after quick connect";
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    }
    // Gives what the test made to the servers' user (the owner of their root),
    // so that they may change its permissions too.
    void giveToServer(const fs::path& top)
    {
        struct stat owner
        {};
        ASSERT_EQ(::stat(root().c_str(), &owner), 0);
        const auto give = [&](const fs::path& path) {
            EXPECT_EQ(::lchown(path.c_str(), owner.st_uid, owner.st_gid), 0) << path;
        };
        give(top);
        for (const auto& item : fs::recursive_directory_iterator(top))
            give(item.path());
    }

    RealServer m_server;
    queuetest::QueueEnvironment m_env;
    // Consulted first for every modal dialog; true when it handled it.
    std::function<bool(QWidget*)> m_onDialog;
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

TEST_P(WindowIntegrationTest, PropertiesChangeThePermissionsOnTheServerAndSearchFindsAFileFourLevelsDown)
{
    ASSERT_TRUE(realServerReachable(m_server));
    const fs::path deep = root() / "e2e" / "one" / "two" / "three" / "four";
    fs::create_directories(deep);
    std::ofstream(deep / "Target.TXT") << "found";
    std::ofstream(root() / "e2e" / "other.txt") << "elsewhere";
    std::ofstream(root() / "e2e" / "script.sh") << "#!/bin/sh\n";
    giveToServer(root() / "e2e");
    fs::permissions(root() / "e2e" / "script.sh", fs::perms::owner_read | fs::perms::owner_write);

    window().show();
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    quickConnect();
    select(QStringLiteral("e2e"));
    QTest::keyClick(remote().listView(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return idle() && list().rowOfName(QStringLiteral("script.sh")) >= 0; }));

    // Properties: owner execute and group read on, applied with OK.
    QString octal;
    bool sizeCounted = false;
    bool calculated = false;
    m_onDialog = [&](QWidget* modal) {
        if (modal->objectName() != QLatin1String("FilePropertiesForm"))
            return false;
        child<QCheckBox>(modal, "UserExecuteCheckBox")->click();
        child<QCheckBox>(modal, "GroupReadCheckBox")->click();
        octal = child<QLineEdit>(modal, "PermissionsEdit")->text();
        child<QPushButton>(modal, "OKButton")->click();
        return true;
    };
    select(QStringLiteral("script.sh"));
    trigger("RemoteFilePropertiesAction");
    EXPECT_EQ(octal, QStringLiteral("740"));
    ASSERT_TRUE(waitFor([&] {
        const auto perms = fs::status(root() / "e2e" / "script.sh").permissions();
        return (perms & fs::perms::owner_exec) != fs::perms::none &&
               (perms & fs::perms::group_read) != fs::perms::none;
    })) << "the permissions did not change on the server";
    // The directory is listed again, with the new permissions.
    ASSERT_TRUE(waitFor([&] {
        const int row = list().rowOfName(QStringLiteral("script.sh"));
        const ftp::ListingEntry* listed = row >= 0 ? list().entryAt(row) : nullptr;
        return idle() && listed && listed->permissions == "rwxr-----";
    })) << "the relisting does not show the new permissions";

    // Calculate size over the directory "one": the one file below it counts.
    m_onDialog = [&](QWidget* modal) {
        if (modal->objectName() != QLatin1String("FilePropertiesForm"))
            return false;
        auto* form = static_cast<TFilePropertiesForm*>(modal);
        if (!calculated) {
            calculated = true;
            child<QPushButton>(modal, "CalculateSizeButton")->click();
        } else if (!form->calculating()) {
            sizeCounted = form->accumulatedSize() == 5;
            child<QPushButton>(modal, "CancelButton")->click();
        }
        return true;
    };
    select(QStringLiteral("one"));
    trigger("RemoteFilePropertiesAction");
    EXPECT_TRUE(sizeCounted);

    // Advanced search from e2e: the file four levels down, with its directory.
    QStringList found;
    bool started = false;
    m_onDialog = [&](QWidget* modal) {
        if (modal->objectName() != QLatin1String("AdvancedSearchForm"))
            return false;
        auto* form = static_cast<TAdvancedSearchForm*>(modal);
        if (!started) {
            started = true;
            child<QLineEdit>(modal, "MaskEdit")->setText(QStringLiteral("*.txt"));
            child<QPushButton>(modal, "SearchButton")->click();
        } else if (!form->isSearching() && !form->isWalking()) {
            form->flushResults();
            for (int row = 0; row < form->model().rowCount(); ++row)
                found << form->model().textAt(row, TSearchResultModel::kName) + u'@' +
                             form->model().textAt(row, TSearchResultModel::kPath);
            found.sort();
            child<QPushButton>(modal, "ExitButton")->click();
        }
        return true;
    };
    const QString e2e = remote().directory();
    trigger("RemoteFileAdvancedSearchAction");
    EXPECT_EQ(found, (QStringList{QStringLiteral("Target.TXT@") + e2e + QStringLiteral("/one/two/three/four"),
                                  QStringLiteral("other.txt@") + e2e}));
    ASSERT_TRUE(waitFor([&] { return idle(); }));
    EXPECT_EQ(remote().directory(), e2e);
    m_onDialog = nullptr;
}

INSTANTIATE_TEST_SUITE_P(PureFtpdAndVsftpd, WindowIntegrationTest,
                         ::testing::Values(RealServerCase{RealServerKind::PureFtpd, false},
                                           RealServerCase{RealServerKind::PureFtpd, true},
                                           RealServerCase{RealServerKind::Vsftpd, false},
                                           RealServerCase{RealServerKind::Vsftpd, true}),
                         realServerCaseName);
