#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "QueueTestSupport.h"
#include "core/TDataFileNotices.h"
#include "queue/DateTimeValue.h"
#include "queue/TFileTransferTypes.h"
#include "queue/TQueueManager.h"

// The queue's data files that fail to load are set aside, and the window hears of
// each once through TDataFileNotices.

using namespace queuetest;

namespace {

class QueueDataFileNoticesTest : public ::testing::Test
{
protected:
    QueueDataFileNoticesTest()
    {
        m_host.CommonName = "site";
        m_host.Hostname = "ftp.example.com";
        m_host.SetHostIDText("{11111111-2222-3333-4444-555555555555}");
        m_manager.setHostLookup([this](const QString& id) -> std::optional<THost> {
            if (id == m_host.HostIDText())
                return m_host;
            return std::nullopt;
        });
        TDataFileNotices::takeAll();
    }
    ~QueueDataFileNoticesTest() override { TDataFileNotices::takeAll(); }

    ScopedLocale m_locale{"en_GB"};
    QueueEnvironment m_env;
    THost m_host;
    TQueueManager m_manager;
};

TEST_F(QueueDataFileNoticesTest, AnUnreadableQueueXmlGivesOneNoticeNamingTheCopy)
{
    const QByteArray broken = "<QueueList><QueueItem HostID=\"";
    ASSERT_TRUE(writeAll(TQueueManager::QueueFilePath(), broken));
    const TQueueLoadResult result = m_manager.LoadQueue();
    ASSERT_FALSE(result.keptAs.isEmpty());
    const QList<TDataFileNotice> notices = TDataFileNotices::takeAll();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices.front().filePath, TQueueManager::QueueFilePath());
    EXPECT_EQ(notices.front().keptAs, result.keptAs);
    EXPECT_EQ(readAll(notices.front().keptAs), broken);
    EXPECT_FALSE(notices.front().reason.isEmpty());
    EXPECT_TRUE(notices.front().text().startsWith("Queue.xml could not be read"))
        << notices.front().text().toStdString();
}

TEST_F(QueueDataFileNoticesTest, AQueueXmlThatLeavesItemsOutGivesOneNoticeAndAGoodOneNone)
{
    THost other = m_host;
    other.SetHostIDText("{99999999-2222-3333-4444-555555555555}");
    const double modified = DateTimeToValue(QDateTime(QDate(2024, 3, 5), QTime(12, 0), Qt::LocalTime));
    m_manager.AddDownload(m_host, "/", false, modified, 1, false, "/in/", "/a");
    m_manager.AddDownload(other, "/", false, modified, 1, false, "/in/", "/b");
    ASSERT_TRUE(m_manager.SaveQueue());

    TQueueManager next;
    next.setHostLookup([this](const QString& id) -> std::optional<THost> {
        if (id == m_host.HostIDText())
            return m_host;
        return std::nullopt;
    });
    const TQueueLoadResult result = next.LoadQueue();
    EXPECT_EQ(result.added, 1);
    const QList<TDataFileNotice> notices = TDataFileNotices::takeAll();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices.front().keptAs, result.keptAs);
    EXPECT_EQ(notices.front().reason, "1 of its items could not be loaded");

    // Saved again from what was loaded, the file now loads whole.
    ASSERT_TRUE(next.SaveQueue());
    TQueueManager third;
    third.setHostLookup([this](const QString&) { return std::optional<THost>(m_host); });
    EXPECT_TRUE(third.LoadQueue().ok);
    EXPECT_EQ(TDataFileNotices::count(), 0);
}

TEST_F(QueueDataFileNoticesTest, ABrokenTransferTypeTableGivesOneNoticeNamingTheCopy)
{
    const QString path = m_env.dataFolder() + QStringLiteral("/Types.xml");
    ASSERT_TRUE(writeAll(path, "<FileTransferTypes><Type"));
    TFileTransferTypes types(path);
    const QList<TDataFileNotice> notices = TDataFileNotices::takeAll();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices.front().filePath, path);
    ASSERT_FALSE(notices.front().keptAs.isEmpty());
    EXPECT_EQ(readAll(notices.front().keptAs), QByteArray("<FileTransferTypes><Type"));
    EXPECT_TRUE(types.loadError().contains(QFileInfo(notices.front().keptAs).fileName()))
        << types.loadError().toStdString();
}

} // namespace
