#include <functional>
#include <ostream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "CoreTestSupport.h"
#include "StoreTestSupport.h"
#include "core/TDataFileNotices.h"
#include "core/TFilters.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TQuickHosts.h"
#include "core/TTips.h"
#include "core/TXMLDocument.h"

namespace {

struct BrokenStoreFile
{
    const char* name;
    const char* fileName;
    std::function<void()> load; // opens the store the way the program does
};

void PrintTo(const BrokenStoreFile& c, std::ostream* out)
{
    *out << c.fileName;
}

class DataFileNoticesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(m_data.dataFolder());
        TDataFileNotices::takeAll();
    }
    void TearDown() override { TDataFileNotices::takeAll(); }

    TempDataDir m_data;
};

class DataFileNoticesStoreTest : public DataFileNoticesTest,
                                 public ::testing::WithParamInterface<BrokenStoreFile>
{};

TEST_P(DataFileNoticesStoreTest, ABrokenFileGivesExactlyOneNoticeNamingTheCopy)
{
    const QString path = m_data.path(QString::fromLatin1(GetParam().fileName));
    const QByteArray broken = "<Root><Half attribute=\"";
    ASSERT_TRUE(writeWholeFile(path, broken));

    GetParam().load();

    const QList<TDataFileNotice> notices = TDataFileNotices::takeAll();
    ASSERT_EQ(notices.size(), 1);
    const TDataFileNotice& notice = notices.front();
    EXPECT_EQ(QFileInfo(notice.filePath).fileName(), QString::fromLatin1(GetParam().fileName));
    EXPECT_FALSE(notice.reason.isEmpty());
    ASSERT_FALSE(notice.keptAs.isEmpty());
    EXPECT_EQ(readWholeFile(notice.keptAs), broken);
    EXPECT_TRUE(QFileInfo(notice.keptAs)
                    .fileName()
                    .startsWith(QString::fromLatin1(GetParam().fileName) + QStringLiteral(".unreadable-")));
    EXPECT_TRUE(notice.text().contains(QDir::toNativeSeparators(notice.keptAs))) << str(notice.text());
    EXPECT_TRUE(notice.text().startsWith(QString::fromLatin1(GetParam().fileName))) << str(notice.text());
    EXPECT_EQ(TDataFileNotices::count(), 0) << "taken";
}

TEST_P(DataFileNoticesStoreTest, AGoodOrMissingFileGivesNone)
{
    GetParam().load(); // missing: created
    GetParam().load(); // now there, and good
    EXPECT_EQ(TDataFileNotices::count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, DataFileNoticesStoreTest,
    ::testing::Values(BrokenStoreFile{"Settings", "Config.xml", [] { TMainConfig config; }},
                      BrokenStoreFile{"Hosts", "Hosts.xml", [] { THosts hosts; }},
                      BrokenStoreFile{"QuickHosts", "QuickHosts.xml", [] { TQuickHosts quick; }},
                      BrokenStoreFile{"Filters", "Filters.xml", [] { TFilters filters; }},
                      BrokenStoreFile{"Tips", "Tips - English.xml",
                                      [] { TTips tips(QStringLiteral("English")); }}),
    [](const ::testing::TestParamInfo<BrokenStoreFile>& info) { return std::string(info.param.name); });

TEST_F(DataFileNoticesTest, AFileTheUserPickedIsNoNotice)
{
    const QString path = m_data.path(QStringLiteral("picked.xml"));
    ASSERT_TRUE(writeWholeFile(path, "<Root"));
    TXMLDocument document(path, QStringLiteral("Root"));
    EXPECT_FALSE(document.open(TXMLOpenMode::MustExist).ok());
    EXPECT_EQ(TDataFileNotices::count(), 0);
}

TEST_F(DataFileNoticesTest, NoticesFromManyThreadsAreAllKeptInOrderPerThread)
{
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i)
                TDataFileNotices::add({QStringLiteral("f%1").arg(t), QString::number(i), {}});
        });
    for (std::thread& thread : threads)
        thread.join();
    const QList<TDataFileNotice> notices = TDataFileNotices::takeAll();
    ASSERT_EQ(notices.size(), kThreads * kEach);
    std::vector<int> next(kThreads, 0);
    for (const TDataFileNotice& n : notices) {
        const int t = n.filePath.mid(1).toInt();
        EXPECT_EQ(n.reason.toInt(), next[t]++);
    }
    EXPECT_TRUE(TDataFileNotices::takeAll().isEmpty());
}

TEST_F(DataFileNoticesTest, WithoutACopyTheTextSaysTheFileIsLeftAlone)
{
    const TDataFileNotice notice{QStringLiteral("/data/Hosts.xml"), QStringLiteral("bad"), {}};
    EXPECT_EQ(str(notice.text()),
              "Hosts.xml could not be read (bad) and could not be copied aside; it will not be overwritten");
}

} // namespace
