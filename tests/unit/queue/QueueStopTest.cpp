#include <thread>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "QueueTestSupport.h"
#include "queue/TQueueManager.h"

using namespace queuetest;
using namespace testsupport;
using namespace std::chrono_literals;

namespace {

// Every event the manager raised, in order, with the item it named.
struct RecordedEvent
{
    const TQueueItem* item;
    QString what;
};

// Stopping, deleting and clearing while transfers run against servers that stall:
// how long the main thread waits, and which events the items still raise.
class QueueStopTest : public ::testing::Test
{
protected:
    QueueStopTest()
    {
        MainConfig()->SetMaxFTPTransferCount(3);
        QObject::connect(&m_manager, &TQueueManager::OnItemStatus,
                         [this](TQueueItem* item, TTransferState state, const QString&) {
                             m_events.push_back({item, QStringLiteral("status %1").arg(int(state))});
                         });
        QObject::connect(&m_manager, &TQueueManager::OnItemError, [this](TQueueItem* item) {
            m_events.push_back({item, QStringLiteral("error")});
        });
        QObject::connect(&m_manager, &TQueueManager::OnItemComplete, [this](TQueueItem* item) {
            m_events.push_back({item, QStringLiteral("complete")});
        });
        QObject::connect(&m_manager, &TQueueManager::OnItemDeleted, [this](TQueueItem* item) {
            m_events.push_back({item, QStringLiteral("deleted")});
        });
    }

    // With a size and a time, the thread asks the server nothing before RETR.
    TQueueItem* download(const QString& remote, qint64 size = -1, double modified = kUnknownDateTime)
    {
        return m_manager.AddDownload(m_host, "/", true, modified, size, false, m_env.localRoot(), remote);
    }

    // What was raised for `item` after its OnItemDeleted.
    QStringList eventsAfterDelete(const TQueueItem* item) const
    {
        QStringList after;
        bool deleted = false;
        for (const RecordedEvent& event : m_events) {
            if (event.item != item)
                continue;
            if (deleted)
                after.append(event.what);
            deleted = deleted || event.what == QLatin1String("deleted");
        }
        return after;
    }

    int count(const TQueueItem* item, const QString& what) const
    {
        int n = 0;
        for (const RecordedEvent& event : m_events)
            n += event.item == item && event.what == what ? 1 : 0;
        return n;
    }

    // Milliseconds `call` kept the main thread.
    template <class Call>
    static qint64 timed(Call&& call)
    {
        QElapsedTimer clock;
        clock.start();
        call();
        return clock.elapsed();
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
    std::vector<RecordedEvent> m_events; // outlives the manager, which reports as it goes
    TQueueManager m_manager;
};

// A stalled transfer ignores the stop only as long as nothing closes its
// connection: each command must close it at once and return within about a second.
constexpr qint64 kPromptMs = 1500;

} // namespace

TEST_F(QueueStopTest, StoppingAStalledDownloadReturnsAtOnce)
{
    m_server.fs().addFile("/f", pattern(100000));
    m_server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::StallAfter, .bytes = 1000}});
    TQueueItem* item = download("/f", 100000);
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return item->State == TTransferState::tsTransferring; }));
    EXPECT_LT(timed([&] { m_manager.StopItem(item); }), kPromptMs);
    EXPECT_EQ(item->State, TTransferState::tsStopped);
    EXPECT_EQ(item->StatusText, "Transfer stopped.");
    EXPECT_FALSE(item->Active);
    EXPECT_EQ(item->Transfer, nullptr);
    EXPECT_FALSE(item->LastError) << "the stop's own abort is no failure";
    EXPECT_EQ(item->RetryCount, 0);
    EXPECT_EQ(count(item, "error"), 0);
    ASSERT_TRUE(waitFor([&] { return m_manager.threadCount() == 0; }, 3000));
}

TEST_F(QueueStopTest, AStopDuringADelayedGreetingNeverLogsIn)
{
    m_server.fs().addFile("/f", "content");
    m_server.setGreeting({.delay = 3s});
    TQueueItem* item = download("/f", 7);
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return m_server.sessionCount() == 1; }));
    EXPECT_LT(timed([&] { m_manager.StopItem(item); }), kPromptMs);
    ASSERT_TRUE(waitFor([&] { return m_manager.threadCount() == 0; }, 3000));
    EXPECT_TRUE(m_server.waitForSessionsClosed());
    EXPECT_EQ(countVerb(m_server, "USER"), 0) << m_server.conversation();
    EXPECT_EQ(countVerb(m_server, "RETR"), 0);
    EXPECT_EQ(item->State, TTransferState::tsStopped);
}

TEST_F(QueueStopTest, DeletingAndClearingWhileTheServerSitsOnItsRepliesReturnAtOnce)
{
    for (int i = 0; i < 4; ++i)
        m_server.fs().addFile("/f" + std::to_string(i), pattern(5000, unsigned(i)));
    // No 150 to RETR for a long time: the threads wait for a reply, not for data.
    m_server.addOverride({.command = "RETR", .delay = 20s});
    TQueueItem* first = download("/f0", 5000);
    for (int i = 1; i < 4; ++i)
        download(str("/f" + std::to_string(i)), 5000);
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return countVerb(m_server, "RETR") == 3; }));
    EXPECT_LT(timed([&] { m_manager.DeleteItem(first); }), kPromptMs);
    EXPECT_EQ(m_manager.itemCount(), 3);
    // The freed slot went to the fourth item, which meets the same silence.
    ASSERT_TRUE(waitFor([&] { return countVerb(m_server, "RETR") == 4; }));
    EXPECT_LT(timed([&] { m_manager.ClearQueue(); }), kPromptMs) << "one wait for all threads, not one each";
    EXPECT_EQ(m_manager.itemCount(), 0);
    ASSERT_TRUE(waitFor([&] { return m_manager.threadCount() == 0; }, 3000));
}

TEST_F(QueueStopTest, StoppingTheQueueWhileDataStallsReturnsAtOnce)
{
    for (int i = 0; i < 3; ++i)
        m_server.fs().addFile("/f" + std::to_string(i), pattern(100000, unsigned(i)));
    m_server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::StallAfter, .bytes = 100}});
    QList<TQueueItem*> items;
    for (int i = 0; i < 3; ++i)
        items.append(download(str("/f" + std::to_string(i)), 100000));
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return countVerb(m_server, "RETR") == 3; }));
    EXPECT_LT(timed([&] { m_manager.StopQueue(); }), kPromptMs);
    EXPECT_EQ(m_manager.threadCount(), 0);
    for (TQueueItem* item : items) {
        EXPECT_EQ(item->State, TTransferState::tsStopped);
        EXPECT_FALSE(item->LastError);
    }
    EXPECT_TRUE(m_server.waitForSessionsClosed());
}

TEST_F(QueueStopTest, ADeletedRunningItemRaisesNothingAfterOnItemDeleted)
{
    m_server.fs().addFile("/f", pattern(400000));
    m_server.addOverride({.command = "RETR", .data = {.bytesPerSecond = 100000}});
    TQueueItem* item = download("/f", 400000);
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return item->State == TTransferState::tsTransferring; }));
    m_manager.DeleteItem(item);
    ASSERT_TRUE(waitFor([&] { return m_manager.threadCount() == 0; }, 3000));
    EXPECT_EQ(count(item, "deleted"), 1);
    EXPECT_EQ(eventsAfterDelete(item), QStringList());
}

TEST_F(QueueStopTest, AnItemDeletedByAnErrorHandlerDuringItsStopIsFreedAfterTheStop)
{
    // Item b fails at once, without a word on the wire (the local target is a
    // directory), while the main thread is busy: its hand-over is already waiting
    // when StopItem starts, and StopItem's wait serves it. The error handler
    // deletes the item StopItem is still working on.
    m_server.fs().addFile("/a", "aaaa");
    m_server.fs().addFile("/b", "bbbb");
    ASSERT_TRUE(QDir().mkpath(m_env.local("b")));
    MainConfig()->SetMaxFTPTransferCount(1);
    TQueueItem* a = download("/a", 4, 45000.0);
    TQueueItem* b = download("/b", 4, 45000.0);
    QObject::connect(&m_manager, &TQueueManager::OnItemError, [&](TQueueItem* failed) {
        if (failed == b)
            m_manager.DeleteItem(failed);
    });
    QObject::connect(&m_manager, &TQueueManager::OnItemComplete, [&](TQueueItem* done) {
        if (done != a)
            return;
        QTimer::singleShot(0, [&] {
            // Long enough for the thread to fail b and block in its hand-over.
            std::this_thread::sleep_for(300ms);
            m_manager.StopItem(b);
        });
    });
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return count(b, "deleted") == 1 && m_manager.threadCount() == 0; }));
    EXPECT_EQ(count(b, "error"), 1);
    EXPECT_EQ(eventsAfterDelete(b), QStringList());
    EXPECT_EQ(m_manager.itemCount(), 0);
}

TEST_F(QueueStopTest, NoFileExistsPromptOpensInsideAStopWait)
{
    // One item holds a file-exists error; another runs. The retry timer fires as
    // often as the event loop turns, so it would run inside any wait it is not
    // kept out of.
    m_server.fs().addFile("/exists", "abc");
    ASSERT_TRUE(writeAll(m_env.local("exists"), "abc"));
    m_server.fs().addFile("/slow", pattern(400000));
    m_server.addOverride({.command = "RETR", .data = {.bytesPerSecond = 100000}});
    ScriptedPrompter prompter;
    bool inStop = false;
    bool promptedInsideStop = false;
    class Watch final : public IFileExistsPrompter
    {
    public:
        Watch(ScriptedPrompter& inner, const bool& inStop, bool& flagged)
            : m_inner(inner)
            , m_inStop(inStop)
            , m_flagged(flagged)
        {}
        void prompt(TFileExistsPrompt& prompt) override
        {
            m_flagged = m_flagged || m_inStop;
            m_inner.prompt(prompt);
        }

    private:
        ScriptedPrompter& m_inner;
        const bool& m_inStop;
        bool& m_flagged;
    } watch(prompter, inStop, promptedInsideStop);
    m_manager.setFileExistsPrompter(&watch);
    TQueueItem* exists = download("/exists", 3);
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return exists->LastError != nullptr && m_manager.threadCount() == 0; }));
    TQueueItem* slow = download("/slow", 400000);
    m_manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return slow->State == TTransferState::tsTransferring; }));
    m_manager.startRetryTimer(0);
    inStop = true;
    m_manager.StopItem(slow);
    inStop = false;
    EXPECT_FALSE(promptedInsideStop);
    // Outside the wait the prompt comes as usual.
    ASSERT_TRUE(waitFor([&] { return !prompter.shown.empty(); }));
    m_manager.stopRetryTimer();
}
