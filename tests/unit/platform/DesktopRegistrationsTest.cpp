#include "platform/TDesktopRegistrations.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/TKeyFileEditor.h"

using platform::TDesktopAssociations;
using platform::TDesktopRegistrations;
using platform::TKeyFileEditor;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

class DesktopRegistrationsTest : public ::testing::Test
{
protected:
    DesktopRegistrationsTest()
    {
        m_dirs.ConfigHome = m_root.path() + QStringLiteral("/config");
        m_dirs.DataHome = m_root.path() + QStringLiteral("/data");
        m_dirs.DataDirs = {m_root.path() + QStringLiteral("/system")};
        m_dirs.ConfigDirs = {m_root.path() + QStringLiteral("/etc")};
    }

    TDesktopRegistrations registrations()
    {
        TDesktopRegistrations::TSetup setup;
        setup.directories = m_dirs;
        setup.programPath = [this] { return m_program; };
        setup.handoffPath = [this] { return m_handoff; };
        setup.hostNames = [this] { return m_hosts; };
        setup.menuTexts = [this] {
            TDesktopRegistrations::TMenuTexts texts;
            texts.byLocale.insert(QString(), {QStringLiteral("Upload with Vantor FTP"),
                                              QStringLiteral("Upload with Vantor FTP to %s")});
            texts.byLocale.insert(QStringLiteral("sv"), {QStringLiteral("Ladda upp med Vantor FTP"),
                                                         QStringLiteral("Ladda upp med Vantor FTP till %s")});
            texts.current = texts.byLocale.value(m_language);
            return texts;
        };
        return TDesktopRegistrations(setup);
    }
    QString config(const QString& name) const { return m_dirs.ConfigHome + u'/' + name; }
    QString data(const QString& name) const { return m_dirs.DataHome + u'/' + name; }
    void installEntry()
    {
        writeAll(m_dirs.DataDirs[0] + QStringLiteral("/applications/vantor-ftp.desktop"),
                 "[Desktop Entry]\nType=Application\nName=Vantor FTP\nExec=vantor-ftp %u\n"
                 "MimeType=x-scheme-handler/ftp;\n");
        writeAll(m_dirs.DataDirs[0] + QStringLiteral("/applications/mimeinfo.cache"),
                 "[MIME Cache]\nx-scheme-handler/ftp=vantor-ftp.desktop;\n");
    }

    QTemporaryDir m_root;
    TDesktopAssociations::TDirectories m_dirs;
    QString m_program = QStringLiteral("/opt/Vantor FTP/bin/vantor-ftp");
    QString m_handoff = QStringLiteral("/opt/Vantor FTP/bin/vantor-ftp-handoff");
    QStringList m_hosts;
    QString m_language;
};

TEST_F(DesktopRegistrationsTest, FtpHandlerIsSetReadBackAndRemovedKeepingTheUsersOtherEntries)
{
    const QByteArray before = "# my associations\n"
                              "[Default Applications]\n"
                              "text/plain=gedit.desktop;\n"
                              "x-scheme-handler/ftp=filezilla.desktop;\n"
                              "\n"
                              "[Added Associations]\n"
                              "image/png=gimp.desktop;\n";
    writeAll(config(QStringLiteral("mimeapps.list")), before);
    writeAll(m_dirs.DataDirs[0] + QStringLiteral("/applications/filezilla.desktop"),
             "[Desktop Entry]\nType=Application\nName=F\nExec=filezilla %u\n");
    TDesktopRegistrations r = registrations();
    EXPECT_FALSE(r.ftpHandler());

    // Not installed: an entry for the running program is written with the setting.
    ASSERT_TRUE(r.setFtpHandler(true));
    EXPECT_TRUE(r.ftpHandler());
    EXPECT_EQ(TDesktopAssociations(m_dirs).defaultApplication(QStringLiteral("x-scheme-handler/ftp")),
              QStringLiteral("vantor-ftp.desktop"));
    const QByteArray set = readAll(config(QStringLiteral("mimeapps.list")));
    EXPECT_TRUE(set.contains("x-scheme-handler/ftp=vantor-ftp.desktop;filezilla.desktop;\n"))
        << set.constData();
    EXPECT_TRUE(set.startsWith("# my associations\n[Default Applications]\ntext/plain=gedit.desktop;\n"));
    EXPECT_TRUE(set.contains("[Added Associations]\nimage/png=gimp.desktop;\n"));
    const std::optional<platform::TOpenCommand> command = TDesktopAssociations(m_dirs).commandForType(
        QStringLiteral("x-scheme-handler/ftp"), QStringLiteral("ftp://h/d/"));
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->Program, m_program);
    EXPECT_EQ(command->Arguments, QStringList{QStringLiteral("ftp://h/d/")});

    // Installed since: the written entry gives way to the installed one.
    {
        TDesktopRegistrations again = registrations();
        installEntry();
        ASSERT_TRUE(again.setFtpHandler(true));
        EXPECT_FALSE(QFileInfo::exists(again.generatedEntryPath()));
        EXPECT_EQ(TDesktopAssociations(m_dirs).desktopEntryPath(QStringLiteral("vantor-ftp.desktop")),
                  m_dirs.DataDirs[0] + QStringLiteral("/applications/vantor-ftp.desktop"));
        QFile::remove(m_dirs.DataDirs[0] + QStringLiteral("/applications/vantor-ftp.desktop"));
        QFile::remove(m_dirs.DataDirs[0] + QStringLiteral("/applications/mimeinfo.cache"));
        ASSERT_TRUE(again.setFtpHandler(true));
        EXPECT_TRUE(QFileInfo::exists(again.generatedEntryPath()));
    }

    // Off: the earlier default is the default again, the written entry is gone.
    ASSERT_TRUE(r.setFtpHandler(false));
    EXPECT_FALSE(r.ftpHandler());
    EXPECT_FALSE(QFileInfo::exists(r.generatedEntryPath()));
    EXPECT_EQ(TDesktopAssociations(m_dirs).defaultApplication(QStringLiteral("x-scheme-handler/ftp")),
              QStringLiteral("filezilla.desktop"));
    const QByteArray off = readAll(config(QStringLiteral("mimeapps.list")));
    EXPECT_TRUE(off.startsWith("# my associations\n[Default Applications]\ntext/plain=gedit.desktop;\n"
                               "x-scheme-handler/ftp=filezilla.desktop;\n\n[Added Associations]\n"
                               "image/png=gimp.desktop;\n"))
        << off.constData();

    // On again: the removal is taken back.
    ASSERT_TRUE(r.setFtpHandler(true));
    EXPECT_FALSE(readAll(config(QStringLiteral("mimeapps.list"))).contains("[Removed Associations]"));
}

TEST_F(DesktopRegistrationsTest, AnInstalledEntryIsUsedAndSwitchedOffAgainstTheCache)
{
    installEntry();
    TDesktopRegistrations r = registrations();
    // The installed entry's type makes it the default through the cache already.
    EXPECT_TRUE(r.ftpHandler());
    ASSERT_TRUE(r.setFtpHandler(false));
    EXPECT_FALSE(r.ftpHandler()) << readAll(config(QStringLiteral("mimeapps.list"))).constData();
    ASSERT_TRUE(r.setFtpHandler(true));
    EXPECT_TRUE(r.ftpHandler());
    EXPECT_FALSE(QFileInfo::exists(r.generatedEntryPath())) << "the installed entry serves";

    // A desktop's own list that names a default of its own is changed too.
    m_dirs.Desktops = {QStringLiteral("kde")};
    writeAll(config(QStringLiteral("kde-mimeapps.list")),
             "[Default Applications]\nx-scheme-handler/ftp=other.desktop;\n");
    writeAll(m_dirs.DataDirs[0] + QStringLiteral("/applications/other.desktop"),
             "[Desktop Entry]\nType=Application\nName=O\nExec=other %u\n");
    TDesktopRegistrations kde = registrations();
    EXPECT_FALSE(kde.ftpHandler());
    ASSERT_TRUE(kde.setFtpHandler(true));
    EXPECT_TRUE(kde.ftpHandler());
    ASSERT_TRUE(kde.setFtpHandler(false));
    EXPECT_EQ(TDesktopAssociations(m_dirs).defaultApplication(QStringLiteral("x-scheme-handler/ftp")),
              QStringLiteral("other.desktop"));
}

TEST_F(DesktopRegistrationsTest, StartWithTheSystemIsAnAutostartEntry)
{
    TDesktopRegistrations r = registrations();
    EXPECT_FALSE(r.startWithSystem());
    ASSERT_TRUE(r.setStartWithSystem(true));
    EXPECT_TRUE(r.startWithSystem());
    TKeyFileEditor entry(r.autostartPath());
    ASSERT_TRUE(entry.load());
    // The path with a blank is quoted, and read back as one argument.
    const QString exec = entry.value(QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
    EXPECT_EQ(exec, QStringLiteral("\"/opt/Vantor FTP/bin/vantor-ftp\""));
    EXPECT_EQ(TDesktopAssociations::expandExec(exec, {}), QStringList{m_program});

    // The user's own changes to the entry stay when it is switched on again;
    // a desktop's "disabled" reads as off.
    entry.setValue(QStringLiteral("Desktop Entry"), QStringLiteral("X-GNOME-Autostart-Delay"),
                   QStringLiteral("10"));
    entry.setValue(QStringLiteral("Desktop Entry"), QStringLiteral("X-GNOME-Autostart-enabled"),
                   QStringLiteral("false"));
    ASSERT_TRUE(entry.save());
    EXPECT_FALSE(r.startWithSystem());
    ASSERT_TRUE(r.setStartWithSystem(true));
    EXPECT_TRUE(readAll(r.autostartPath()).contains("X-GNOME-Autostart-Delay=10\n"));

    ASSERT_TRUE(r.setStartWithSystem(false));
    EXPECT_FALSE(r.startWithSystem());
    EXPECT_FALSE(QFileInfo::exists(r.autostartPath()));
    m_program.clear();
    EXPECT_FALSE(registrations().setStartWithSystem(true)) << "no program to start";
}

TEST_F(DesktopRegistrationsTest, ContextMenuListsTheHostsInOrderAndIsRewrittenAndRemoved)
{
    m_hosts = {QStringLiteral("Work & play"), QStringLiteral("../up"), QStringLiteral("Work & play")};
    // What the user has of their own in the same folders.
    const QString userNemo = data(QStringLiteral("nemo/actions/mine.nemo_action"));
    writeAll(userNemo, "[Nemo Action]\nName=Mine\nExec=true\n");
    const QString userScript = data(QStringLiteral("nautilus/scripts/Upload with Vantor FTP/my own"));
    writeAll(userScript, "#!/bin/sh\necho mine\n");

    TDesktopRegistrations r = registrations();
    EXPECT_FALSE(r.contextMenu()) << "a folder of the user's is not the registration";
    QFile::remove(userScript);
    QDir().rmdir(QFileInfo(userScript).path());
    EXPECT_FALSE(r.contextMenu());
    ASSERT_TRUE(r.setContextMenu(true));
    EXPECT_TRUE(r.contextMenu());

    // KDE: a submenu with one action per host, each handing over its index.
    TKeyFileEditor kde(r.serviceMenuPath());
    ASSERT_TRUE(kde.load());
    EXPECT_EQ(kde.value(QStringLiteral("Desktop Entry"), QStringLiteral("Actions")),
              QStringLiteral("host0;host1;host2;"));
    EXPECT_EQ(kde.value(QStringLiteral("Desktop Entry"), QStringLiteral("X-KDE-Submenu[sv]")),
              QStringLiteral("Ladda upp med Vantor FTP"));
    const QString exec = kde.value(QStringLiteral("Desktop Action host1"), QStringLiteral("Exec"));
    EXPECT_EQ(TDesktopAssociations::expandExec(exec, QStringLiteral("/tmp/a b")),
              QStringList({m_handoff, QStringLiteral("--host-index"), QStringLiteral("1"),
                           QStringLiteral("/tmp/a b")}));
    EXPECT_TRUE(QFileInfo(r.serviceMenuPath()).isExecutable());

    // Nemo: one action per host.
    TKeyFileEditor nemo(r.nemoActionsDir() + QStringLiteral("/vantor-ftp-upload-2.nemo_action"));
    ASSERT_TRUE(nemo.load());
    EXPECT_EQ(nemo.value(QStringLiteral("Nemo Action"), QStringLiteral("Name")),
              QStringLiteral("Upload with Vantor FTP to Work & play"));
    EXPECT_TRUE(nemo.value(QStringLiteral("Nemo Action"), QStringLiteral("Exec"))
                    .contains(QStringLiteral("--host-index 2 %F")));

    // Nautilus: one script per host, file names made safe and distinct.
    const QStringList scripts = QDir(r.nautilusScriptsDir()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(scripts, QStringList({QStringLiteral("Work & play"), QStringLiteral("Work & play (2)"),
                                    QStringLiteral("_up")}));
    const QByteArray script = readAll(r.nautilusScriptsDir() + QStringLiteral("/Work & play (2)"));
    EXPECT_TRUE(script.contains("exec '/opt/Vantor FTP/bin/vantor-ftp-handoff' --host-index 2 \"$@\"\n"))
        << script.constData();
    EXPECT_TRUE(QFileInfo(r.nautilusScriptsDir() + QStringLiteral("/_up")).isExecutable());

    // The host list changed: the entries follow its new order and length.
    m_hosts = {QStringLiteral("only")};
    r.refreshContextMenu();
    EXPECT_FALSE(QFileInfo::exists(r.nemoActionsDir() + QStringLiteral("/vantor-ftp-upload-1.nemo_action")));
    EXPECT_EQ(QDir(r.nautilusScriptsDir()).entryList(QDir::Files), QStringList{QStringLiteral("only")});
    ASSERT_TRUE(kde.load());
    EXPECT_EQ(kde.value(QStringLiteral("Desktop Entry"), QStringLiteral("Actions")),
              QStringLiteral("host0;"));

    // Off: everything written here goes, the user's own action stays.
    ASSERT_TRUE(r.setContextMenu(false));
    EXPECT_FALSE(r.contextMenu());
    EXPECT_FALSE(QFileInfo::exists(r.serviceMenuPath()));
    EXPECT_FALSE(QFileInfo::exists(r.nautilusScriptsDir()));
    EXPECT_EQ(QDir(r.nemoActionsDir()).entryList(QDir::Files),
              QStringList{QStringLiteral("mine.nemo_action")});
    EXPECT_EQ(readAll(userNemo), "[Nemo Action]\nName=Mine\nExec=true\n");

    // Not registered: a changed host list writes nothing.
    r.refreshContextMenu();
    EXPECT_FALSE(r.contextMenu());
}

TEST_F(DesktopRegistrationsTest, TheScriptFolderFollowsTheLanguageAndAnOldOneIsRemoved)
{
    m_hosts = {QStringLiteral("h")};
    m_language = QStringLiteral("sv");
    TDesktopRegistrations r = registrations();
    ASSERT_TRUE(r.setContextMenu(true));
    const QString swedish = r.nautilusScriptsDir();
    EXPECT_TRUE(swedish.endsWith(QStringLiteral("/Ladda upp med Vantor FTP")));
    m_language.clear();
    r.refreshContextMenu();
    EXPECT_FALSE(QFileInfo::exists(swedish));
    EXPECT_TRUE(QFileInfo::exists(r.nautilusScriptsDir() + QStringLiteral("/h")));
}

TEST(DesktopExecQuoting, ArgumentsSurviveTheDesktopEntryRules)
{
    for (const QString& argument :
         {QStringLiteral("/usr/bin/vantor-ftp"), QStringLiteral("/a b/c"),
          QStringLiteral("/x/\"q\"$HOME`id`\\z"), QStringLiteral("/50%/done"), QStringLiteral("/it's")}) {
        const QString exec = TDesktopRegistrations::quoteExecArgument(argument) + QStringLiteral(" %u");
        // The file holds the string-escaped form; expandExec takes it unescaped.
        const QString stored = TDesktopRegistrations::escapeString(exec);
        QString unescaped = stored;
        unescaped.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        EXPECT_EQ(TDesktopAssociations::expandExec(unescaped, QStringLiteral("ftp://h/")),
                  QStringList({argument, QStringLiteral("ftp://h/")}))
            << exec.toStdString();
    }
}

} // namespace
