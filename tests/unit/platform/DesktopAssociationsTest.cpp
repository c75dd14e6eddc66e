#include "platform/TDesktopAssociations.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

using platform::TDesktopAssociations;
using platform::TOpenCommand;

namespace {

// A private set of XDG directories: config home and one config dir, data home
// and one data dir, as a desktop session has them.
class DesktopAssociationsTest : public ::testing::Test
{
protected:
    DesktopAssociationsTest()
    {
        m_dirs.ConfigHome = path("config");
        m_dirs.ConfigDirs = {path("etc-xdg")};
        m_dirs.DataHome = path("data");
        m_dirs.DataDirs = {path("usr-share")};
    }

    QString path(const QString& relative) const { return m_root.path() + u'/' + relative; }

    void write(const QString& relative, const QString& text) const
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(text.toUtf8());
    }
    // An application entry in the system data dir.
    void app(const QString& id, const QString& exec, const QString& extra = {}) const
    {
        write(QStringLiteral("usr-share/applications/") + id,
              QStringLiteral("[Desktop Entry]\nType=Application\nName=App %1\nIcon=app-icon\nExec=%2\n%3")
                  .arg(id, exec, extra));
    }

    TDesktopAssociations lookup() const { return TDesktopAssociations(m_dirs); }

    QTemporaryDir m_root;
    TDesktopAssociations::TDirectories m_dirs;
};

TEST_F(DesktopAssociationsTest, DefaultApplicationsOfAnyListComeBeforeAddedAssociations)
{
    app(QStringLiteral("added.desktop"), QStringLiteral("added %f"));
    app(QStringLiteral("default.desktop"), QStringLiteral("default %f"));
    // The user's list only adds; the system's list names a default: the default wins.
    write(QStringLiteral("config/mimeapps.list"),
          QStringLiteral("[Added Associations]\ntext/plain=added.desktop;\n"));
    write(QStringLiteral("usr-share/applications/mimeapps.list"),
          QStringLiteral("[Default Applications]\ntext/plain=default.desktop\n"));
    EXPECT_EQ(lookup().defaultApplication(QStringLiteral("text/plain")), QStringLiteral("default.desktop"));

    // Without any default, the added association answers.
    write(QStringLiteral("usr-share/applications/mimeapps.list"), QStringLiteral("[Default Applications]\n"));
    EXPECT_EQ(lookup().defaultApplication(QStringLiteral("text/plain")), QStringLiteral("added.desktop"));
}

TEST_F(DesktopAssociationsTest, HigherListsFirstDesktopListBeforeGeneralAndUninstalledSkipped)
{
    app(QStringLiteral("user.desktop"), QStringLiteral("user %f"));
    app(QStringLiteral("system.desktop"), QStringLiteral("system %f"));
    app(QStringLiteral("kde.desktop"), QStringLiteral("kde %f"));
    write(QStringLiteral("etc-xdg/mimeapps.list"),
          QStringLiteral("[Default Applications]\ntext/plain=system.desktop\n"));
    write(QStringLiteral("config/mimeapps.list"),
          QStringLiteral("# comment\n[Default Applications]\ntext/plain=gone.desktop;user.desktop;\n"));
    write(QStringLiteral("config/kde-mimeapps.list"),
          QStringLiteral("[Default Applications]\ntext/plain=kde.desktop\n"));

    // The first entry of the user's list is not installed: the next one of the same list.
    EXPECT_EQ(lookup().defaultApplication(QStringLiteral("text/plain")), QStringLiteral("user.desktop"));

    m_dirs.Desktops = {QStringLiteral("kde")};
    EXPECT_EQ(lookup().mimeAppsLists().first(), path("config/kde-mimeapps.list"));
    EXPECT_EQ(lookup().defaultApplication(QStringLiteral("text/plain")), QStringLiteral("kde.desktop"));

    // A hidden (deleted) entry does not count.
    app(QStringLiteral("kde.desktop"), QStringLiteral("kde %f"), QStringLiteral("Hidden=true\n"));
    EXPECT_EQ(lookup().defaultApplication(QStringLiteral("text/plain")), QStringLiteral("user.desktop"));
}

TEST_F(DesktopAssociationsTest, RemovedAssociationsAndTheCacheAndParentTypes)
{
    app(QStringLiteral("a.desktop"), QStringLiteral("a %f"));
    app(QStringLiteral("b.desktop"), QStringLiteral("b %f"));
    write(QStringLiteral("config/mimeapps.list"),
          QStringLiteral("[Removed Associations]\ntext/plain=a.desktop\n"));
    write(QStringLiteral("usr-share/applications/mimeapps.list"),
          QStringLiteral("[Added Associations]\ntext/plain=a.desktop;b.desktop\n"));
    EXPECT_EQ(lookup().defaultApplication(QStringLiteral("text/plain")), QStringLiteral("b.desktop"));

    // Only the applications' cache knows a type.
    write(QStringLiteral("usr-share/applications/mimeinfo.cache"),
          QStringLiteral("[MIME Cache]\nimage/png=b.desktop;\n"));
    EXPECT_EQ(lookup().defaultApplication(QStringLiteral("image/png")), QStringLiteral("b.desktop"));

    // A C source file has no application of its own; text/plain's opens it.
    const QString source = path("work/main.c");
    write(QStringLiteral("work/main.c"), QStringLiteral("int main() { return 0; }\n"));
    const std::optional<TOpenCommand> command = lookup().commandFor(source);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->Program, QStringLiteral("b"));
    EXPECT_EQ(command->Arguments, QStringList{source});
    EXPECT_EQ(command->DesktopFile, path("usr-share/applications/b.desktop"));
}

TEST_F(DesktopAssociationsTest, NothingAssociatedGivesNoCommand)
{
    write(QStringLiteral("work/notes.txt"), QStringLiteral("text"));
    EXPECT_FALSE(lookup().commandFor(path("work/notes.txt")));

    // Named but without an Exec line, or only in a list and not installed.
    write(QStringLiteral("usr-share/applications/noexec.desktop"),
          QStringLiteral("[Desktop Entry]\nType=Application\nName=X\n"));
    write(QStringLiteral("config/mimeapps.list"),
          QStringLiteral("[Default Applications]\ntext/plain=noexec.desktop;missing.desktop\n"));
    EXPECT_FALSE(lookup().commandFor(path("work/notes.txt")));
    EXPECT_TRUE(lookup().defaultApplication(QStringLiteral("text/plain")).isEmpty());
    // IDs that would leave the applications folder are not looked up.
    EXPECT_TRUE(lookup().desktopEntryPath(QStringLiteral("../x.desktop")).isEmpty());
}

TEST_F(DesktopAssociationsTest, NestedDesktopIdsAndEntryEscapes)
{
    write(QStringLiteral("data/applications/vendor/editor.desktop"),
          QStringLiteral("[Desktop Entry]\nType=Application\nName=Editor\n"
                         "Exec=\"/opt/my editor/bin/ed\" --title=\"a \\\\\\\\\\\"b\\\\\\\\\\\"\" %F\n"));
    write(QStringLiteral("config/mimeapps.list"),
          QStringLiteral("[Default Applications]\ntext/plain=vendor-editor.desktop\n"));
    write(QStringLiteral("work/a b.txt"), QStringLiteral("x"));
    const std::optional<TOpenCommand> command = lookup().commandFor(path("work/a b.txt"));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->Program, QStringLiteral("/opt/my editor/bin/ed"));
    // \\\\ in the file is \\ in the value, one backslash once unquoted.
    EXPECT_EQ(command->Arguments, (QStringList{QStringLiteral("--title=a \\\"b\\\""), path("work/a b.txt")}));
}

TEST_F(DesktopAssociationsTest, TerminalProgramsRunInATerminal)
{
    app(QStringLiteral("vi.desktop"), QStringLiteral("vi %f"), QStringLiteral("Terminal=true\n"));
    write(QStringLiteral("config/mimeapps.list"),
          QStringLiteral("[Default Applications]\ntext/plain=vi.desktop\n"));
    write(QStringLiteral("work/n.txt"), QStringLiteral("x"));
    TDesktopAssociations associations = lookup();
    associations.setTerminal(QStringLiteral("/usr/bin/xterm"));
    const std::optional<TOpenCommand> command = associations.commandFor(path("work/n.txt"));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->Program, QStringLiteral("/usr/bin/xterm"));
    EXPECT_EQ(command->Arguments, (QStringList{"-e", "vi", path("work/n.txt")}));
}

TEST(DesktopExecTest, FieldCodesAndQuoting)
{
    const QString file = QStringLiteral("/tmp/vantor/it's \"here\".txt");
    const auto expand = [&](const QString& exec) {
        return TDesktopAssociations::expandExec(exec, file, QStringLiteral("Text Editor"),
                                                QStringLiteral("accessories-text-editor"),
                                                QStringLiteral("/usr/share/applications/ed.desktop"));
    };
    // Every file code gives the path as one argument, whatever it contains.
    for (const char* code : {"%f", "%F", "%u", "%U"})
        EXPECT_EQ(expand(QStringLiteral("ed ") + QString::fromLatin1(code)), (QStringList{"ed", file}))
            << code;
    // Only the first file code gets the file.
    EXPECT_EQ(expand(QStringLiteral("ed %f %U")), (QStringList{"ed", file}));
    EXPECT_EQ(expand(QStringLiteral("ed --file=%f")), (QStringList{"ed", "--file=" + file}));
    // A quoted %f keeps its quotes around the path: the path is one argument.
    EXPECT_EQ(expand(QStringLiteral("ed \"%f\"")), (QStringList{"ed", file}));
    EXPECT_EQ(expand(QStringLiteral("ed %i %c %k")),
              (QStringList{"ed", "--icon", "accessories-text-editor", "Text Editor",
                           "/usr/share/applications/ed.desktop"}));
    EXPECT_EQ(TDesktopAssociations::expandExec(QStringLiteral("ed %i %f"), file), (QStringList{"ed", file}));
    // Deprecated codes vanish, %% is a percent sign, "" an empty argument.
    EXPECT_EQ(expand(QStringLiteral("ed %d %D %n %N %v %m 100%% \"\" %f")),
              (QStringList{"ed", "100%", "", file}));
    EXPECT_EQ(expand(QStringLiteral("\"ed\\$\\`x\" a\\ b")), (QStringList{"ed$`x", "a b"}));
    // A line without a file code stands as it is.
    EXPECT_EQ(expand(QStringLiteral("ed --new-window")), (QStringList{"ed", "--new-window"}));
    // Broken quoting or nothing to run: no command.
    EXPECT_FALSE(expand(QStringLiteral("ed \"%f")));
    EXPECT_FALSE(expand(QStringLiteral("   ")));
    EXPECT_FALSE(expand(QStringLiteral("%d %D")));
}

TEST(DesktopDirectoriesTest, DefaultsForUnsetOrRelativeVariables)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), QStringLiteral("/home/u"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("relative/dir"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), QStringLiteral("/a:relative:/b"));
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("ubuntu:GNOME"));
    const TDesktopAssociations::TDirectories dirs = TDesktopAssociations::directoriesFrom(env);
    EXPECT_EQ(dirs.ConfigHome, QStringLiteral("/home/u/.config"));
    EXPECT_EQ(dirs.DataHome, QStringLiteral("/home/u/.local/share"));
    EXPECT_EQ(dirs.ConfigDirs, (QStringList{"/a", "/b"}));
    EXPECT_EQ(dirs.DataDirs, (QStringList{"/usr/local/share", "/usr/share"}));
    EXPECT_EQ(dirs.Desktops, (QStringList{"ubuntu", "gnome"}));
}

} // namespace
