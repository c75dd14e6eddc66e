#include "core/AppData.h"
#include "core/Diagnostics.h"
#include "core/Dialup.h"
#include "core/EInOutError.h"
#include "core/PathHelpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "CoreTestSupport.h"

namespace {

TEST(RemotePaths, TrailingSlashAndParts)
{
    EXPECT_EQ(IncludeTrailingSlash(QString()), QStringLiteral("/"));
    EXPECT_EQ(IncludeTrailingSlash(QStringLiteral("/pub")), QStringLiteral("/pub/"));
    EXPECT_EQ(IncludeTrailingSlash(QStringLiteral("/pub/")), QStringLiteral("/pub/"));
    EXPECT_EQ(IncludeTrailingSlash(QStringLiteral("C:\\dir\\")), QStringLiteral("C:\\dir\\/"));

    EXPECT_EQ(ExtractRemoteFileName(QStringLiteral("/pub/a.txt")), QStringLiteral("a.txt"));
    EXPECT_EQ(ExtractRemoteFileName(QStringLiteral("a.txt")), QStringLiteral("a.txt"));
    EXPECT_EQ(ExtractRemoteFileName(QStringLiteral("/pub/")), QString());
    EXPECT_EQ(ExtractRemoteFileName(QString()), QString());

    EXPECT_EQ(ExtractRemoteParentPath(QStringLiteral("/pub")), QStringLiteral("/"));
    EXPECT_EQ(ExtractRemoteParentPath(QStringLiteral("/pub/dir")), QStringLiteral("/pub/"));
    EXPECT_EQ(ExtractRemoteParentPath(QStringLiteral("/pub/dir/")), QStringLiteral("/pub/dir/"));
    EXPECT_EQ(ExtractRemoteParentPath(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(ExtractRemoteParentPath(QStringLiteral("name")), QString());
    EXPECT_EQ(ExtractRemoteParentPath(QString()), QString());
    EXPECT_EQ(ExtractRemoteParentPath(QStringLiteral("rel/name")), QStringLiteral("rel/"));
}

TEST(LocalPaths, NativeSeparatorAndReplacements)
{
    const QString sep = QDir::separator();
    EXPECT_EQ(IncludeTrailingBackslash(QString()), sep);
    EXPECT_EQ(IncludeTrailingBackslash(QStringLiteral("/home/u")), QStringLiteral("/home/u") + sep);
    EXPECT_EQ(IncludeTrailingBackslash(QStringLiteral("/home/u") + sep), QStringLiteral("/home/u") + sep);

    EXPECT_EQ(BackslashesToSlashes(QStringLiteral("a\\b\\\\c/d")), QStringLiteral("a/b//c/d"));
    EXPECT_EQ(SlashesToBackslashes(QStringLiteral("/a/b\\c")), QStringLiteral("\\a\\b\\c"));
}

TEST(MakeFTPURL, FillsTheFormAndEscapesWhatWouldSplitIt)
{
    EXPECT_EQ(MakeFTPURL(QStringLiteral("user"), QStringLiteral("pw"), QStringLiteral("ftp.example.com"),
                         2121, QString()),
              QStringLiteral("ftp://user:pw@ftp.example.com:2121/"));
    EXPECT_EQ(MakeFTPURL(QString(), QString(), QStringLiteral("h"), 21, QString()),
              QStringLiteral("ftp://:@h:21/"));
    EXPECT_EQ(MakeFTPURL(QStringLiteral("me@home"), QStringLiteral("p:w/@%"), QStringLiteral("h"), 21,
                         QStringLiteral("pub/my dir/")),
              QStringLiteral("ftp://me%40home:p%3Aw%2F%40%25@h:21/pub/my%20dir/"));
    EXPECT_EQ(MakeFTPURL(QStringLiteral("u"), QString(), QStringLiteral("::1"), 21, QString()),
              QStringLiteral("ftp://u:@[::1]:21/"));
    EXPECT_EQ(MakeFTPURL(QStringLiteral("u"), QString(), QStringLiteral("[fe80::1]"), 21, QString()),
              QStringLiteral("ftp://u:@[fe80::1]:21/"));
}

class DataFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        m_savedXdg = qgetenv("XDG_CONFIG_HOME");
        m_savedHome = qgetenv("HOME");
    }
    void TearDown() override
    {
        m_hadXdg ? qputenv("XDG_CONFIG_HOME", m_savedXdg) : qunsetenv("XDG_CONFIG_HOME");
        qputenv("HOME", m_savedHome);
    }
    TempDataDir m_dir;
    bool m_hadXdg = false;
    QByteArray m_savedXdg;
    QByteArray m_savedHome;
};

TEST_F(DataFolderTest, OverrideIsCreatedOneLevelOnly)
{
    EXPECT_FALSE(QFileInfo::exists(m_dir.dataFolder()));
    EXPECT_EQ(GetAppDataFolder(), m_dir.dataFolder());
    EXPECT_TRUE(QFileInfo(m_dir.dataFolder()).isDir());
    EXPECT_EQ(GetAppDataFolder(), m_dir.dataFolder());

    qputenv("VANTOR_FTP_DATA_DIR", (m_dir.root() + QStringLiteral("/trailing/")).toUtf8());
    EXPECT_EQ(GetAppDataFolder(), m_dir.root() + QStringLiteral("/trailing"));

    qputenv("VANTOR_FTP_DATA_DIR", (m_dir.root() + QStringLiteral("/a/b/c")).toUtf8());
    EXPECT_THROW(GetAppDataFolder(), EInOutError);
    EXPECT_FALSE(QFileInfo::exists(m_dir.root() + QStringLiteral("/a")));

    ASSERT_TRUE(writeWholeFile(m_dir.root() + QStringLiteral("/plainfile"), "x"));
    qputenv("VANTOR_FTP_DATA_DIR", (m_dir.root() + QStringLiteral("/plainfile")).toUtf8());
    try {
        GetAppDataFolder();
        FAIL() << "a file in the way must be reported";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("plainfile")));
    }
}

TEST_F(DataFolderTest, DesktopConfigFolderWithoutOverride)
{
    qunsetenv("VANTOR_FTP_DATA_DIR");
    qputenv("XDG_CONFIG_HOME", (m_dir.root() + QStringLiteral("/xdg")).toUtf8());
    EXPECT_EQ(GetAppDataFolder(), m_dir.root() + QStringLiteral("/xdg/Vantor FTP"));
    EXPECT_TRUE(QFileInfo(m_dir.root() + QStringLiteral("/xdg/Vantor FTP")).isDir());

    // A fresh account without ~/.config still gets its folder.
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", (m_dir.root() + QStringLiteral("/home")).toUtf8());
    ASSERT_TRUE(QDir().mkdir(m_dir.root() + QStringLiteral("/home")));
    EXPECT_EQ(GetAppDataFolder(), m_dir.root() + QStringLiteral("/home/.config/Vantor FTP"));
    EXPECT_TRUE(QFileInfo(m_dir.root() + QStringLiteral("/home/.config/Vantor FTP")).isDir());
}

TEST(Dialup, ReportsOnlineWithoutEntries)
{
    EXPECT_TRUE(DialConnection(QStringLiteral("Office")));
    EXPECT_TRUE(DialConnection(QString()));
    EXPECT_TRUE(DialupConnectionNames().isEmpty());
}

TEST(Diagnostics, AssertionsAndDebugTextsReachTheSinkAndReturn)
{
    QStringList seen;
    const TDebugSink previous = SetDebugSink([&seen](const QString& text) { seen.append(text); });
    DebugOutput(QStringLiteral("%d files in %s"), {3, QStringLiteral("/pub")});
    VANTOR_ASSERT(1 + 1 == 3);
    VANTOR_ASSERT(true);
    SetDebugSink(previous);

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen.at(0), QStringLiteral("3 files in /pub"));
    EXPECT_TRUE(seen.at(1).startsWith(QStringLiteral("1 + 1 == 3 (")));
    EXPECT_TRUE(seen.at(1).contains(QStringLiteral("PathAndDataFolderTest.cpp, line ")));
    EXPECT_TRUE(seen.at(1).contains(QStringLiteral(", address $")));
    EXPECT_EQ(AssertionText(QStringLiteral("x > 0"), QStringLiteral("a.cpp"), 12, 0x4A3F),
              QStringLiteral("x > 0 (a.cpp, line 12, address $4A3F)"));
}

} // namespace
