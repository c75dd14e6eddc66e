// Open and edit-watch against a real server: a remote file opened with the
// desktop's default application (a shell script made the default for text files
// through private XDG folders), changed there and uploaded back on Yes; an
// editor that saves nothing asks nothing; a file changed on the server meanwhile
// is not overwritten without asking.
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "core/TFilters.h"
#include "support/RealServers.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TMainFormPanes.h"
#include "ui/main/TQueueListModel.h"
#include "ui/main/TQueuePane.h"
#include "ui/main/TRemoteFileOpener.h"
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

void setEnv(const char* name, const QString& value,
            QList<QPair<QByteArray, std::optional<QByteArray>>>& saved)
{
    saved.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value.toUtf8());
}

class WindowRemoteEditIntegrationTest : public ::testing::TestWithParam<RealServerCase>
{
protected:
    WindowRemoteEditIntegrationTest()
        : m_server(realServer(GetParam().kind))
    {
        // The fake editor is the default application for text files.
        const QString xdg = m_xdg.path();
        QDir().mkpath(xdg + QStringLiteral("/data/applications"));
        QDir().mkpath(xdg + QStringLiteral("/config"));
        m_editor = xdg + QStringLiteral("/editor.sh");
        m_mode = xdg + QStringLiteral("/mode");
        m_ran = xdg + QStringLiteral("/ran");
        writeText(m_editor, QStringLiteral("#!/bin/sh\n"
                                           "mode=$(cat '%1')\n"
                                           "echo \"$1\" >> '%2'\n"
                                           "case \"$mode\" in\n"
                                           "  edit) printf 'edited\\n' >> \"$1\" ;;\n"
                                           "  server) printf 'theirs\\n' >> \"$SERVER_FILE\"; sleep 1;"
                                           " printf 'mine\\n' >> \"$1\" ;;\n"
                                           "esac\n")
                                .arg(m_mode, m_ran));
        QFile::setPermissions(m_editor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeText(xdg + QStringLiteral("/data/applications/vantor-test-editor.desktop"),
                  QStringLiteral("[Desktop Entry]\nType=Application\nName=Test editor\nExec=\"%1\" %f\n")
                      .arg(m_editor));
        writeText(xdg + QStringLiteral("/config/mimeapps.list"),
                  QStringLiteral("[Default Applications]\ntext/plain=vantor-test-editor.desktop\n"));
        setEnv("XDG_DATA_HOME", xdg + QStringLiteral("/data"), m_savedEnv);
        setEnv("XDG_CONFIG_HOME", xdg + QStringLiteral("/config"), m_savedEnv);
        setEnv("XDG_CURRENT_DESKTOP", QString(), m_savedEnv);

        TFilters::createGlobal();
        TMessageDialog::setAnswerer([this](TMessageRequest& request) {
            m_asked.append(request.Text);
            const bool serverChanged = request.Text.contains(QStringLiteral("was changed on the server"));
            request.Result = serverChanged && !m_overwriteServerChanges ? QMessageBox::No : QMessageBox::Yes;
        });
        m_dialogs.setInterval(20);
        QObject::connect(&m_dialogs, &QTimer::timeout, [this] { answerDialogs(); });
        m_dialogs.start();
    }
    ~WindowRemoteEditIntegrationTest() override
    {
        m_dialogs.stop();
        if (m_window)
            m_window->close();
        m_window.reset();
        TMessageDialog::setAnswerer(nullptr);
        TFilters::destroyGlobal();
        std::error_code ignored;
        fs::remove_all(root() / "e2e-edit", ignored);
        for (auto it = m_savedEnv.crbegin(); it != m_savedEnv.crend(); ++it) {
            if (it->second)
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }

    static void writeText(const QString& path, const QString& text)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
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

    // Connects and shows e2e-edit.
    void connectAndEnter()
    {
        window().show();
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
        window().action(QStringLiteral("QuickConnectAction"))->trigger();
        ASSERT_TRUE(waitFor([&] { return idle() && list().rowOfName(QStringLiteral("e2e-edit")) >= 0; }));
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
        remote().selectRows({list().rowOfName(QStringLiteral("e2e-edit"))}, true, true);
        remote().listView()->setFocus();
        QTest::keyClick(remote().listView(), Qt::Key_Return);
        ASSERT_TRUE(waitFor([&] {
            return idle() && remote().directory().endsWith(QStringLiteral("e2e-edit")) &&
                   list().rowOfName(QStringLiteral("notes.txt")) >= 0;
        }));
    }

    void open(const QString& name, const QString& mode)
    {
        writeText(m_mode, mode);
        // The queue done and the pane's refresh after an upload listed.
        ASSERT_TRUE(waitFor([&] {
            return idle() && window().panes().queuePane().model()->rowCount() == 0 &&
                   list().rowOfName(name) >= 0;
        }));
        const int row = list().rowOfName(name);
        ASSERT_GE(row, 0) << name.toStdString();
        remote().selectRows({row}, true, true);
        QAction* action = remote().action(QStringLiteral("RemoteFileOpenAction"));
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }
    int editorRuns() const
    {
        QFile ran(m_ran);
        if (!ran.open(QIODevice::ReadOnly))
            return 0;
        return int(ran.readAll().count('\n'));
    }
    int modifiedQuestions() const
    {
        int count = 0;
        for (const QString& text : m_asked)
            count += text.contains(QStringLiteral("was modified on your computer")) ? 1 : 0;
        return count;
    }

    RealServer m_server;
    queuetest::QueueEnvironment m_env;
    QTemporaryDir m_xdg;
    QList<QPair<QByteArray, std::optional<QByteArray>>> m_savedEnv;
    QString m_editor;
    QString m_mode;
    QString m_ran;
    std::unique_ptr<TMainForm> m_window;
    QTimer m_dialogs;
    QStringList m_asked;
    bool m_overwriteServerChanges = false;
};

} // namespace

TEST_P(WindowRemoteEditIntegrationTest, OpenEditUploadAndTheCasesThatMustNotUpload)
{
    ASSERT_TRUE(realServerReachable(m_server));
    fs::create_directories(root() / "e2e-edit");
    std::ofstream(root() / "e2e-edit" / "notes.txt") << "original\n";
    std::ofstream(root() / "e2e-edit" / "untouched.txt") << "keep\n";
    std::ofstream(root() / "e2e-edit" / "shared.txt") << "original\n";
    std::error_code ignored;
    fs::permissions(root() / "e2e-edit", fs::perms::all, fs::perm_options::add, ignored);
    for (const char* name : {"notes.txt", "untouched.txt", "shared.txt"})
        fs::permissions(root() / "e2e-edit" / name, fs::perms::all, fs::perm_options::add, ignored);
    ASSERT_NO_FATAL_FAILURE(connectAndEnter());

    // Changed in the editor, which then exits: asked once, Yes uploads it back.
    ASSERT_NO_FATAL_FAILURE(open(QStringLiteral("notes.txt"), QStringLiteral("edit")));
    ASSERT_TRUE(
        waitFor([&] { return readFile(root() / "e2e-edit" / "notes.txt") == "original\nedited\n"; }, 60000))
        << "the edited copy did not reach the server; asked: " << m_asked.join(u'|').toStdString();
    EXPECT_EQ(modifiedQuestions(), 1);
    EXPECT_EQ(editorRuns(), 1);

    // Closed without saving: nothing asked, nothing uploaded.
    ASSERT_NO_FATAL_FAILURE(open(QStringLiteral("untouched.txt"), QStringLiteral("none")));
    ASSERT_TRUE(waitFor([&] { return editorRuns() == 2; }, 60000));
    EXPECT_FALSE(waitFor([&] { return modifiedQuestions() > 1; }, TRemoteFileOpener::kSettleMs + 1500));
    EXPECT_EQ(readFile(root() / "e2e-edit" / "untouched.txt"), "keep\n");

    // Someone changes the server's file while it is edited here: the upload asks
    // first, and No leaves their version alone.
    qputenv("SERVER_FILE", QString::fromStdString((root() / "e2e-edit" / "shared.txt").string()).toUtf8());
    ASSERT_NO_FATAL_FAILURE(open(QStringLiteral("shared.txt"), QStringLiteral("server")));
    ASSERT_TRUE(waitFor(
        [&] { return !m_asked.filter(QStringLiteral("was changed on the server")).isEmpty(); }, 60000))
        << "no question about the server's change; asked: " << m_asked.join(u'|').toStdString();
    EXPECT_EQ(modifiedQuestions(), 2);
    EXPECT_FALSE(
        waitFor([&] { return readFile(root() / "e2e-edit" / "shared.txt") != "original\ntheirs\n"; }, 2000))
        << "overwritten without asking";
    qunsetenv("SERVER_FILE");

    // Close: the temporary copies go.
    QStringList copies;
    for (const QString& folder :
         QDir(QDir::tempPath()).entryList({QStringLiteral("vantor-ftp-*")}, QDir::Dirs))
        for (const QString& name : {QStringLiteral("notes.txt"), QStringLiteral("untouched.txt")})
            if (QFile::exists(QDir::tempPath() + u'/' + folder + u'/' + name))
                copies.append(QDir::tempPath() + u'/' + folder + u'/' + name);
    EXPECT_FALSE(copies.isEmpty());
    ASSERT_TRUE(window().close());
    for (const QString& copy : std::as_const(copies))
        EXPECT_FALSE(QFile::exists(copy)) << copy.toStdString();
}

INSTANTIATE_TEST_SUITE_P(PureFtpd, WindowRemoteEditIntegrationTest,
                         ::testing::Values(RealServerCase{RealServerKind::PureFtpd, false},
                                           RealServerCase{RealServerKind::PureFtpd, true}),
                         realServerCaseName);
