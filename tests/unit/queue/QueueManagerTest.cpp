#include <algorithm>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>

#include "QueueTestSupport.h"
#include "queue/TFTPTransfer.h"
#include "queue/TQueueManager.h"

using namespace queuetest;
using namespace testsupport;

namespace {

// A queue manager, a scripted server and what the manager reported.
class QueueManagerTest : public ::testing::Test
{
protected:
    QueueManagerTest()
    {
        QObject::connect(&m_manager, &TQueueManager::threadCountChanged,
                         [this](int running) { m_maxThreads = std::max(m_maxThreads, running); });
        QObject::connect(&m_manager, &TQueueManager::OnItemComplete,
                         [this](TQueueItem* item) { m_completed.append(item->RemoteFilename); });
        QObject::connect(&m_manager, &TQueueManager::OnItemAdded,
                         [this](TQueueItem* item) { m_live.insert(item); });
        QObject::connect(&m_manager, &TQueueManager::OnItemDeleted, [this](TQueueItem* item) {
            m_deleted.append(item);
            // An address may come back for a new item, but never twice for one.
            EXPECT_TRUE(m_live.remove(item)) << "deleted twice";
        });
        QObject::connect(&m_manager, &TQueueManager::OnItemError, [this](TQueueItem*) { ++m_errors; });
    }

    TQueueItem* download(const QString& remote, bool active = true, qint64 size = -1, bool dir = false)
    {
        return m_manager.AddDownload(m_host, "/", active, kUnknownDateTime, size, dir, m_env.localRoot(),
                                     remote);
    }

    // Files of `size` bytes that the server sends at `rate` bytes per second.
    void slowFiles(int count, std::size_t size, std::int64_t rate)
    {
        for (int i = 0; i < count; ++i)
            m_server.fs().addFile("/f" + std::to_string(i), pattern(size, unsigned(i)));
        m_server.addOverride({.command = "RETR", .data = {.bytesPerSecond = rate}});
    }

    bool waitIdle(int timeoutMs = 20000)
    {
        return waitFor([this] { return m_manager.isIdle(); }, timeoutMs);
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
    TQueueManager m_manager;
    int m_maxThreads = 0;
    int m_errors = 0;
    QStringList m_completed;
    QList<TQueueItem*> m_deleted;
    QSet<TQueueItem*> m_live;
};

} // namespace

// --- Threads and scheduling ----------------------------------------------------------

TEST_F(QueueManagerTest, ThreeThreadsWorkTenItemsAndNoFourthStarts)
{
    slowFiles(10, 20000, 400000);
    for (int i = 0; i < 10; ++i)
        download(str("/f" + std::to_string(i)));
    m_manager.Schedule();
    EXPECT_EQ(m_manager.threadCount(), 3);
    ASSERT_TRUE(waitFor([this] { return m_completed.size() == 10 && m_manager.threadCount() == 0; }))
        << m_server.conversation();
    EXPECT_EQ(m_maxThreads, 3);
    // Each thread kept its one login for all its items.
    EXPECT_EQ(m_server.sessionCount(), 3);
    EXPECT_EQ(countVerb(m_server, "PASS"), 3);
    EXPECT_EQ(m_manager.itemCount(), 0);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(readAll(m_env.local(str("f" + std::to_string(i)))).toStdString(),
                  pattern(20000, unsigned(i)));
}

TEST_F(QueueManagerTest, TwoActiveItemsStartTwoThreads)
{
    slowFiles(2, 1000, 0);
    download("/f0");
    download("/f1");
    download("/f1", false); // inactive: no thread for it
    m_manager.Schedule();
    EXPECT_EQ(m_manager.threadCount(), 2);
    ASSERT_TRUE(waitFor([this] { return m_completed.size() == 2 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(m_maxThreads, 2);
    EXPECT_EQ(m_manager.itemCount(), 1);
}

TEST_F(QueueManagerTest, AFailedItemIsRetriedAfterTheDelayUntilTheLimitAndPlayResetsTheCount)
{
    m_server.fs().addFile("/f", "content");
    m_server.addOverride({.command = "RETR", .code = 450, .text = "Try later", .times = 4});
    TQueueItem* item = download("/f");
    m_manager.Schedule();
    for (int attempt = 1; attempt <= 3; ++attempt) {
        ASSERT_TRUE(waitFor([&] { return m_errors == attempt && m_manager.threadCount() == 0; }))
            << "attempt " << attempt;
        EXPECT_EQ(item->RetryCount, attempt);
        EXPECT_EQ(item->RetryDelayLeft, 1);
        EXPECT_EQ(item->State, TTransferState::tsError);
        EXPECT_EQ(item->StatusText, "Remote file doesn't exist");
        ASSERT_TRUE(item->LastError);
        EXPECT_TRUE(item->LastError->retryable());
        EXPECT_EQ(item->LastError->ReplyCode(), 450);
        m_manager.TickRetryDelays();
        EXPECT_EQ(item->State, TTransferState::tsAwaiting);
    }
    // The third failure used the last attempt: the tick made it awaiting, yet no thread takes it.
    EXPECT_EQ(m_manager.threadCount(), 0);
    EXPECT_EQ(countVerb(m_server, "RETR"), 3);
    EXPECT_TRUE(m_manager.isIdle());

    m_manager.PlayQueue();
    EXPECT_EQ(item->RetryCount, 0);
    ASSERT_TRUE(waitFor([&] { return m_errors == 4 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(item->RetryCount, 1);
    m_manager.TickRetryDelays();
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1; }));
    EXPECT_EQ(readAll(m_env.local("f")), "content");
}

TEST_F(QueueManagerTest, APermanentFailureSpendsItsAttemptsAtOnce)
{
    TQueueItem* item = download("/missing");
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_errors == 1 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(item->RetryCount, 3);
    EXPECT_EQ(item->RetryDelayLeft, 1);
    EXPECT_FALSE(item->LastError->retryable());
    EXPECT_EQ(item->LastError->ReplyCode(), 550);
    m_manager.TickRetryDelays();
    EXPECT_EQ(m_manager.threadCount(), 0);
    EXPECT_EQ(countVerb(m_server, "LIST"), 1);
}

TEST_F(QueueManagerTest, PauseLeavesRunningTransfersRunning)
{
    MainConfig()->SetMaxFTPTransferCount(1);
    slowFiles(2, 30000, 100000);
    TQueueItem* running = download("/f0");
    TQueueItem* waiting = download("/f1");
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return running->State == TTransferState::tsTransferring; }));
    m_manager.PauseQueue();
    EXPECT_EQ(waiting->State, TTransferState::tsPaused);
    EXPECT_EQ(waiting->StatusText, "Paused");
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(m_completed, QStringList{"/f0"});
    EXPECT_EQ(waiting->State, TTransferState::tsPaused);
    EXPECT_EQ(readAll(m_env.local("f0")).size(), 30000);
}

TEST_F(QueueManagerTest, StopShowsTransferStoppedOnEveryRow)
{
    MainConfig()->SetMaxFTPTransferCount(1);
    slowFiles(3, 200000, 100000);
    QList<TQueueItem*> items{download("/f0"), download("/f1"), download("/f2", false)};
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return items[0]->State == TTransferState::tsTransferring; }));
    m_manager.StopQueue();
    EXPECT_EQ(m_manager.threadCount(), 0);
    for (TQueueItem* item : items) {
        EXPECT_EQ(item->State, TTransferState::tsStopped);
        EXPECT_EQ(item->StatusText, "Transfer stopped.");
        EXPECT_FALSE(item->Active);
        EXPECT_EQ(item->Transfer, nullptr);
    }
    EXPECT_EQ(m_manager.itemCount(), 3);
    EXPECT_TRUE(m_server.waitForSessionsClosed());
}

TEST_F(QueueManagerTest, TransferNowStartsAThreadOverTheLimit)
{
    slowFiles(4, 100000, 100000);
    QList<TQueueItem*> items;
    for (int i = 0; i < 3; ++i)
        items.append(download(str("/f" + std::to_string(i))));
    TQueueItem* extra = download("/f3", false);
    m_manager.Schedule();
    EXPECT_EQ(m_manager.threadCount(), 3);
    m_manager.BeginItem(extra);
    EXPECT_EQ(m_manager.threadCount(), 4);
    EXPECT_TRUE(extra->Active);
    EXPECT_EQ(MainConfig()->MaxFTPTransferCount(), 3);
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 4 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(m_maxThreads, 4);
}

TEST_F(QueueManagerTest, PlayLeavesARunningItemToItsThread)
{
    MainConfig()->SetMaxFTPTransferCount(1);
    slowFiles(1, 60000, 200000);
    TQueueItem* item = download("/f0");
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return item->State == TTransferState::tsTransferring; }));
    m_manager.PlayQueue();
    m_manager.BeginItem(item);
    EXPECT_NE(item->State, TTransferState::tsAwaiting);
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(countVerb(m_server, "RETR"), 1);
}

// --- Expansion ------------------------------------------------------------------------

TEST_F(QueueManagerTest, ADirectoryAddsItsEntriesAtTheEndWithItsActiveFlag)
{
    m_server.fs().addFile("/d/a.txt", "aa");
    m_server.fs().addFile("/d/sub/b.txt", "bbb");
    m_server.fs().addDirectory("/d/empty");
    m_manager.AddDownload(m_host, "/", true, kUnknownDateTime, 0, true, m_env.localRoot(), "/d");
    download("/other", false);
    QList<TQueueItem*> added;
    QObject::connect(&m_manager, &TQueueManager::OnItemAdded, [&](TQueueItem* item) { added.append(item); });
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_completed.size() >= 5 && m_manager.threadCount() == 0; }))
        << m_server.conversation();
    // The directory item completed first; its entries came after the inactive item.
    ASSERT_GE(added.size(), 3);
    EXPECT_EQ(m_completed.front(), "/d");
    EXPECT_EQ(m_manager.itemCount(), 1);
    EXPECT_EQ(m_manager.Items()[0]->RemoteFilename, "/other");
    EXPECT_EQ(readAll(m_env.local("d/a.txt")), "aa");
    EXPECT_EQ(readAll(m_env.local("d/sub/b.txt")), "bbb");
    EXPECT_TRUE(QFileInfo(m_env.local("d/empty")).isDir());
}

TEST_F(QueueManagerTest, EntriesOfAnInactiveDirectoryStayInactive)
{
    m_server.fs().addFile("/d/a.txt", "aa");
    m_server.fs().addFile("/d/b.txt", "bb");
    m_server.addOverride({.command = "LIST", .delay = std::chrono::milliseconds(300)});
    TQueueItem* dir =
        m_manager.AddDownload(m_host, "/", true, kUnknownDateTime, 0, true, m_env.localRoot(), "/d");
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return countVerb(m_server, "LIST") == 1; }));
    m_manager.PauseItem(dir);
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1 && m_manager.threadCount() == 0; }));
    const auto items = m_manager.Items();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->RemoteFilename, "/d/a.txt");
    EXPECT_EQ(items[1]->RemoteFilename, "/d/b.txt");
    for (TQueueItem* item : items)
        EXPECT_FALSE(item->Active);
    EXPECT_EQ(items[0]->FileSize, 2);
}

// --- Stopping and deleting -----------------------------------------------------------------

TEST_F(QueueManagerTest, DeletingARunningItemStopsItsThreadAndFreesItOnce)
{
    slowFiles(1, 400000, 100000);
    TQueueItem* item = download("/f0");
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return item->State == TTransferState::tsTransferring; }));
    m_manager.DeleteItem(item);
    EXPECT_EQ(m_manager.itemCount(), 0);
    EXPECT_EQ(m_deleted.size(), 1);
    EXPECT_EQ(m_manager.threadCount(), 0);
    EXPECT_TRUE(m_completed.isEmpty());
}

TEST_F(QueueManagerTest, AnItemDeletedAfterItsTransferCompletedIsNeitherCompletedNorFreedTwice)
{
    // The thread reports "Transfer complete" and waits there while the handler
    // deletes the item: its hand-over then finds the item deleted.
    m_server.fs().addFile("/f", "content");
    TQueueItem* item = download("/f", true, 7);
    QObject::connect(&m_manager, &TQueueManager::OnItemStatus,
                     [&](TQueueItem* changed, TTransferState state, const QString&) {
                         if (changed == item && state == TTransferState::tsComplete)
                             m_manager.DeleteItem(changed);
                     });
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_deleted.size() == 1 && m_manager.threadCount() == 0; }));
    EXPECT_TRUE(m_completed.isEmpty());
    EXPECT_EQ(m_manager.itemCount(), 0);
    EXPECT_EQ(readAll(m_env.local("f")), "content");
}

TEST_F(QueueManagerTest, AnItemStoppedAfterItsTransferCompletedIsCompletedOnce)
{
    m_server.fs().addFile("/f", "content");
    TQueueItem* item = download("/f", true, 7);
    QElapsedTimer stopTook;
    QObject::connect(&m_manager, &TQueueManager::OnItemStatus,
                     [&](TQueueItem* changed, TTransferState state, const QString&) {
                         if (changed == item && state == TTransferState::tsComplete) {
                             stopTook.start();
                             m_manager.StopItem(changed);
                             EXPECT_LT(stopTook.elapsed(), 500) << "waited for a thread blocked in this call";
                         }
                     });
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(m_completed, QStringList{"/f"});
    EXPECT_EQ(m_deleted.size(), 1);
    EXPECT_EQ(m_manager.itemCount(), 0);
}

TEST_F(QueueManagerTest, ClearQueueWhileThreadsRunEndsWithNothingLeft)
{
    slowFiles(5, 200000, 200000);
    for (int i = 0; i < 5; ++i)
        download(str("/f" + std::to_string(i)));
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return countVerb(m_server, "RETR") >= 3; }));
    m_manager.ClearQueue();
    EXPECT_EQ(m_manager.itemCount(), 0);
    EXPECT_EQ(m_deleted.size(), 5);
    ASSERT_TRUE(waitFor([&] { return m_manager.threadCount() == 0; }));
}

TEST_F(QueueManagerTest, ASecondStopClosesTheConnectionAtOnce)
{
    m_server.fs().addFile("/f", pattern(1000));
    m_server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::StallAfter, .bytes = 0}});
    TQueueItem* item = download("/f");
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return countVerb(m_server, "RETR") == 1; }));
    TFTPTransfer* thread = item->Transfer;
    ASSERT_NE(thread, nullptr);
    // The first stop waits for a progress report that a stalled transfer never makes.
    thread->Stop();
    thread->Stop();
    ASSERT_TRUE(waitFor([&] { return m_manager.threadCount() == 0; }, 5000));
}

TEST_F(QueueManagerTest, DeletingAnItemFromItsOwnStatusReportDoesNotWaitForever)
{
    // The thread is blocked in the status call that runs the handler: waiting for
    // it there would never end.
    slowFiles(2, 300000, 200000);
    TQueueItem* item = download("/f0");
    download("/f1");
    MainConfig()->SetMaxFTPTransferCount(1);
    QObject::connect(&m_manager, &TQueueManager::OnItemStatus,
                     [&](TQueueItem* changed, TTransferState state, const QString&) {
                         if (changed == item && state == TTransferState::tsTransferring)
                             m_manager.DeleteItem(changed);
                     });
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_completed.size() == 1 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(m_completed, QStringList{"/f1"});
    EXPECT_EQ(m_deleted.size(), 2);
    EXPECT_EQ(m_manager.itemCount(), 0);
}

TEST_F(QueueManagerTest, StoppingAndClearingTheQueueFromAStatusReportDoNotWaitForever)
{
    slowFiles(3, 300000, 200000);
    TQueueItem* first = download("/f0");
    download("/f1");
    download("/f2");
    bool done = false;
    QObject::connect(&m_manager, &TQueueManager::OnItemStatus,
                     [&](TQueueItem* changed, TTransferState state, const QString&) {
                         if (!done && changed == first && state == TTransferState::tsTransferring) {
                             done = true;
                             m_manager.StopQueue();
                             m_manager.ClearQueue();
                         }
                     });
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return done && m_manager.threadCount() == 0; }));
    EXPECT_EQ(m_manager.itemCount(), 0);
    EXPECT_EQ(m_deleted.size(), 3);
    // The threads were left to end on their own; they take nothing more.
    EXPECT_TRUE(m_server.waitForSessionsClosed());
    EXPECT_TRUE(m_completed.isEmpty());
}
