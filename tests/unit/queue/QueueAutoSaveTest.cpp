#include <algorithm>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

#include "QueueTestSupport.h"
#include "queue/DateTimeValue.h"
#include "queue/TQueueAutoSave.h"
#include "queue/TQueueFile.h"
#include "queue/TQueueManager.h"

using namespace queuetest;

namespace {

class QueueAutoSaveTest : public ::testing::Test
{
protected:
    QueueAutoSaveTest()
    {
        m_host.CommonName = "site";
        m_host.Hostname = "ftp.example.com";
        m_host.SetHostIDText("{11111111-2222-3333-4444-555555555555}");
        m_manager.setHostLookup([this](const QString& id) -> std::optional<THost> {
            if (id == m_host.HostIDText())
                return m_host;
            return std::nullopt;
        });
        QObject::connect(&m_autoSave, &TQueueAutoSave::saved,
                         [this] { m_saveTimes.push_back(m_clock.elapsed()); });
        QObject::connect(&m_autoSave, &TQueueAutoSave::saveFailed,
                         [this](const QString& reason) { m_failures.append(reason); });
        m_clock.start();
    }

    TQueueItem* add(const QString& name)
    {
        return m_manager.AddDownload(m_host, "/", false, m_modified, 1, false, "/in/", "/" + name);
    }
    // The remote names Queue.xml holds now; "unreadable" when it does not parse.
    QStringList onDisk() const
    {
        QString error;
        const auto records = TQueueFile::Read(TQueueManager::QueueFilePath(), &error);
        if (!records)
            return {QStringLiteral("unreadable")};
        QStringList names;
        for (const TQueueFileRecord& r : *records)
            names.append(r.RemoteFilename);
        return names;
    }
    // Serves events for `ms` (the timers fire meanwhile).
    static void serve(int ms)
    {
        QElapsedTimer t;
        t.start();
        waitFor([&] { return t.elapsed() >= ms; }, ms + 1000);
    }

    ScopedLocale m_locale{"en_GB"};
    QueueEnvironment m_env;
    THost m_host;
    TQueueManager m_manager;
    TQueueAutoSave m_autoSave{m_manager};
    const double m_modified = DateTimeToValue(QDateTime(QDate(2024, 3, 5), QTime(12, 0), Qt::LocalTime));
    QElapsedTimer m_clock;
    std::vector<qint64> m_saveTimes;
    QStringList m_failures;
};

TEST_F(QueueAutoSaveTest, AddedDeletedAndChangedItemsReachTheFileWithinASecond)
{
    QElapsedTimer sinceChange;
    sinceChange.start();
    add("a");
    TQueueItem* b = add("b");
    EXPECT_FALSE(QFile::exists(TQueueManager::QueueFilePath())) << "nothing is written on the change itself";
    ASSERT_TRUE(waitFor([&] { return onDisk() == QStringList({"/a", "/b"}); }, 2000));
    EXPECT_LE(sinceChange.elapsed(), 1200);

    serve(1000); // a quiet period
    sinceChange.restart();
    m_manager.DeleteItem(b);
    ASSERT_TRUE(waitFor([&] { return onDisk() == QStringList({"/a"}); }, 2000));
    EXPECT_LE(sinceChange.elapsed(), 1200);

    // A status change after a transfer learnt the file's size: the new size is saved.
    serve(1000);
    TQueueItem* a = m_manager.Items().front();
    a->FileSize = 4711;
    sinceChange.restart();
    a->SetStatus(TTransferState::tsPaused, QStringLiteral("Paused"));
    ASSERT_TRUE(waitFor(
        [&] {
            const auto records = TQueueFile::Read(TQueueManager::QueueFilePath());
            return records && records->size() == 1 && records->front().FileSize == "4711";
        },
        2000));
    EXPECT_LE(sinceChange.elapsed(), 1200);
    EXPECT_EQ(m_autoSave.saveCount(), 3);
    EXPECT_TRUE(m_failures.isEmpty()) << m_failures.join(",").toStdString();
}

TEST_F(QueueAutoSaveTest, ABurstOfChangesIsOneSaveAndSavesAreAtLeastASecondApart)
{
    for (int i = 0; i < 300; ++i) {
        TQueueItem* item = add(QString::number(i));
        item->SetStatus(TTransferState::tsPaused, QStringLiteral("Paused"));
        if (i % 3 == 0)
            m_manager.DeleteItem(item);
    }
    ASSERT_TRUE(waitFor([&] { return m_autoSave.saveCount() == 1; }, 2000));
    serve(300);
    EXPECT_EQ(m_autoSave.saveCount(), 1);
    EXPECT_EQ(onDisk().size(), 200);
    EXPECT_FALSE(m_autoSave.isPending());

    // Changes right after a save wait for the interval, however many.
    const qint64 firstSave = m_saveTimes.at(0);
    for (int i = 0; i < 50; ++i) {
        add(QStringLiteral("late%1").arg(i));
        serve(10);
    }
    ASSERT_TRUE(waitFor([&] { return m_autoSave.saveCount() == 2; }, 3000));
    EXPECT_GE(m_saveTimes.at(1) - firstSave, TQueueAutoSave::kMinIntervalMs);
    EXPECT_EQ(onDisk().size(), 250);
}

TEST_F(QueueAutoSaveTest, HundredThousandItemsAreNotSavedOnEveryStatusChange)
{
    constexpr int kItems = 100000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kItems; ++i)
        add(QStringLiteral("dir/file%1.bin").arg(i));
    const qint64 addMs = timer.elapsed();
    ASSERT_TRUE(waitFor([&] { return m_autoSave.saveCount() == 1; }, 10000));
    timer.restart();
    ASSERT_TRUE(m_manager.SaveQueue());
    const qint64 saveMs = timer.elapsed();
    timer.restart();
    const qsizetype recordCount = m_manager.Records().size();
    const qint64 recordsMs = timer.elapsed();
    EXPECT_EQ(recordCount, kItems);
    RecordProperty("add_ms", static_cast<int>(addMs));
    RecordProperty("records_100k_ms", static_cast<int>(recordsMs));
    RecordProperty("save_100k_ms", static_cast<int>(saveMs));

    // A queue at work: a status change every few milliseconds for two seconds.
    const QList<TQueueItem*> items = m_manager.Items();
    const int before = m_autoSave.saveCount();
    int changes = 0;
    timer.restart();
    while (timer.elapsed() < 2000) {
        items[changes % kItems]->SetStatus(TTransferState::tsPaused, QStringLiteral("Paused"));
        ++changes;
        serve(2);
    }
    serve(static_cast<int>(std::max<qint64>(TQueueAutoSave::kMinIntervalMs, 2 * saveMs) + saveMs + 200));
    const int saves = m_autoSave.saveCount() - before;
    EXPECT_GT(changes, 100);
    EXPECT_GE(saves, 1);
    EXPECT_LE(saves, 3) << changes << " status changes";
    EXPECT_EQ(onDisk().size(), kItems);
}

TEST_F(QueueAutoSaveTest, AFailedSaveIsReportedAndTriedAgainAtTheNextChange)
{
    int attempts = 0;
    m_autoSave.setSaver([&](QString* error) {
        if (++attempts == 1) {
            *error = QStringLiteral("No space left on device");
            return false;
        }
        return m_manager.SaveQueue(error);
    });
    add("a");
    ASSERT_TRUE(waitFor([&] { return !m_failures.isEmpty(); }, 2000));
    EXPECT_EQ(m_failures, QStringList{"No space left on device"});
    EXPECT_TRUE(m_autoSave.isPending());
    serve(1500);
    EXPECT_EQ(attempts, 1) << "no retry loop without a change";

    add("b");
    ASSERT_TRUE(waitFor([&] { return onDisk() == QStringList({"/a", "/b"}); }, 2000));
    EXPECT_EQ(attempts, 2);
    EXPECT_FALSE(m_autoSave.isPending());
}

TEST_F(QueueAutoSaveTest, FlushSavesAtOnceOnlyWhenSomethingIsPending)
{
    int attempts = 0;
    m_autoSave.setSaver([&](QString* error) {
        ++attempts;
        return m_manager.SaveQueue(error);
    });
    EXPECT_TRUE(m_autoSave.flush());
    EXPECT_EQ(attempts, 0);
    add("a");
    EXPECT_TRUE(m_autoSave.isArmed());
    EXPECT_TRUE(m_autoSave.flush());
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(onDisk(), QStringList{"/a"});
    EXPECT_FALSE(m_autoSave.isArmed()) << "the timer has nothing left to do";
    serve(1200);
    EXPECT_EQ(attempts, 1);
}

TEST_F(QueueAutoSaveTest, TheStartUpLoadWritesNothingBackAndTheCopyOfWhatWasLeftOutComesFirst)
{
    THost other = m_host;
    other.SetHostIDText("{99999999-2222-3333-4444-555555555555}");
    add("a");
    m_manager.AddDownload(other, "/", false, m_modified, 1, false, "/in/", "/gone");
    ASSERT_TRUE(m_manager.SaveQueue());
    m_manager.ClearQueue();
    const QByteArray original = readAll(TQueueManager::QueueFilePath());
    serve(1200); // what the clear armed is over
    ASSERT_TRUE(m_autoSave.flush());
    ASSERT_TRUE(writeAll(TQueueManager::QueueFilePath(), original));
    const int before = m_autoSave.saveCount();

    const TQueueLoadResult result = m_autoSave.loadQueue();
    EXPECT_EQ(result.added, 1);
    EXPECT_EQ(result.unknownHost, 1);
    ASSERT_FALSE(result.keptAs.isEmpty());
    EXPECT_EQ(readAll(result.keptAs), original);
    EXPECT_FALSE(m_autoSave.isPending()) << "the load's own additions are no change";
    serve(1200);
    EXPECT_EQ(m_autoSave.saveCount(), before);
    EXPECT_EQ(readAll(TQueueManager::QueueFilePath()), original);

    add("b");
    ASSERT_TRUE(waitFor([&] { return onDisk() == QStringList({"/a", "/b"}); }, 2000));
    EXPECT_EQ(readAll(result.keptAs), original) << "the copy outlives the save";
    EXPECT_TRUE(m_autoSave.suspendedReason().isEmpty());
}

TEST_F(QueueAutoSaveTest, TheFileOnDiskIsAlwaysACompleteQueue)
{
    // Saves as often as the changes come; a reader on another thread must never
    // see a partial file.
    m_autoSave.setTiming(0, 0);
    for (int i = 0; i < 2000; ++i)
        add(QStringLiteral("seed%1").arg(i));
    ASSERT_TRUE(m_autoSave.flush());

    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> broken{0};
    std::thread reader([&] {
        while (!done.load()) {
            const auto records = TQueueFile::Read(TQueueManager::QueueFilePath());
            if (!records || records->size() < 2000)
                ++broken;
            ++reads;
        }
    });
    // Until several saves overlapped several reads; a slow (sanitizer) build takes longer.
    QElapsedTimer timer;
    timer.start();
    int i = 0;
    while ((m_autoSave.saveCount() <= 5 || reads.load() <= 5) && timer.elapsed() < 60000) {
        add(QStringLiteral("more%1").arg(i++));
        serve(1);
    }
    done.store(true);
    reader.join();
    EXPECT_GT(m_autoSave.saveCount(), 5);
    EXPECT_GT(reads.load(), 5);
    EXPECT_EQ(broken.load(), 0) << "of " << reads.load() << " reads";
    ASSERT_TRUE(m_autoSave.flush());
    EXPECT_EQ(onDisk().size(), 2000 + i);
}

} // namespace
