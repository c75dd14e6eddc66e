// The data folder and its files are the user's alone: made 0700 and 0600, and
// tightened on start when an earlier version left them readable by others.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/AppData.h"
#include "core/TXMLDocument.h"

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st
    {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

bool writeFile(const QString& path, mode_t mode)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("<x/>") != 4)
        return false;
    file.close();
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

class DataFolderModesTest : public ::testing::Test
{
protected:
    DataFolderModesTest()
        : m_previous(qgetenv("VANTOR_FTP_DATA_DIR"))
        , m_mask(::umask(022))
    {
        qputenv("VANTOR_FTP_DATA_DIR", QFile::encodeName(folder()));
    }
    ~DataFolderModesTest() override
    {
        ::umask(m_mask);
        qputenv("VANTOR_FTP_DATA_DIR", m_previous);
    }
    QString folder() const { return m_dir.path() + QStringLiteral("/data"); }

    QTemporaryDir m_dir;
    QByteArray m_previous;
    mode_t m_mask;
};

} // namespace

TEST_F(DataFolderModesTest, ANewDataFolderAndItsNewFilesAreTheUsersAlone)
{
    GetAppDataFolder();
    EXPECT_EQ(modeOf(folder()), 0700u);
    TXMLDocument document(folder() + QStringLiteral("/Hosts.xml"), QStringLiteral("HostList"));
    ASSERT_TRUE(document.save());
    EXPECT_EQ(modeOf(folder() + QStringLiteral("/Hosts.xml")), 0600u);
    // A file the user made readable for others is written back owner-only.
    ASSERT_EQ(::chmod(QFile::encodeName(folder() + QStringLiteral("/Hosts.xml")).constData(), 0644), 0);
    ASSERT_TRUE(document.saveTo(folder() + QStringLiteral("/Hosts.xml")));
    EXPECT_EQ(modeOf(folder() + QStringLiteral("/Hosts.xml")), 0600u);
}

TEST_F(DataFolderModesTest, AnOldReadableFolderIsTightenedOnStartWithoutFollowingLinks)
{
    ASSERT_EQ(::mkdir(QFile::encodeName(folder()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0755), 0);
    ASSERT_TRUE(writeFile(folder() + QStringLiteral("/Hosts.xml"), 0644));
    ASSERT_TRUE(writeFile(folder() + QStringLiteral("/Config.xml"), 0664));
    ASSERT_TRUE(writeFile(folder() + QStringLiteral("/Private.xml"), 0400));
    const QString outside = m_dir.path() + QStringLiteral("/outside.txt");
    ASSERT_TRUE(writeFile(outside, 0644));
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(),
                        QFile::encodeName(folder() + QStringLiteral("/link")).constData()),
              0);
    GetAppDataFolder();
    EXPECT_EQ(modeOf(folder()), 0700u);
    EXPECT_EQ(modeOf(folder() + QStringLiteral("/Hosts.xml")), 0600u);
    EXPECT_EQ(modeOf(folder() + QStringLiteral("/Config.xml")), 0600u);
    EXPECT_EQ(modeOf(folder() + QStringLiteral("/Private.xml")), 0400u) << "never loosened";
    EXPECT_EQ(modeOf(outside), 0644u) << "a link's target is not the program's";
}
