#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>

#include "QueueTestSupport.h"
#include "queue/TQueueFile.h"
#include "queue/TQueueManager.h"

using namespace queuetest;

namespace {

// A manager that knows exactly the hosts given to it.
class QueueFileTest : public ::testing::Test
{
protected:
    QueueFileTest()
    {
        m_host.CommonName = "site";
        m_host.Hostname = "ftp.example.com";
        m_host.SetHostIDText("{11111111-2222-3333-4444-555555555555}");
        m_manager.setHostLookup([this](const QString& id) -> std::optional<THost> {
            if (id == m_host.HostIDText())
                return m_host;
            return std::nullopt;
        });
    }

    double time(int y, int m, int d, int h = 0, int min = 0, int s = 0) const
    {
        return DateTimeToValue(QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::LocalTime));
    }

    ScopedLocale m_locale{"en_GB"};
    QueueEnvironment m_env;
    THost m_host;
    TQueueManager m_manager;
};

} // namespace

TEST_F(QueueFileTest, WritesTheAttributesInOrderWithTrueFalseAndTheLocaleDate)
{
    const QString upload = m_env.local("up/b.txt");
    ASSERT_TRUE(writeAll(upload, "12345"));
    m_manager.AddDownload(m_host, "/pub", true, time(2024, 3, 5, 14, 7, 9), 5368709120LL, false, "/in",
                          "/pub/x/big.iso");
    m_manager.AddDownload(m_host, "/pub/", false, time(2024, 3, 6), 0, true, "/in/", "/pub/dir");
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/incoming", upload);
    const QString path = m_env.root() + "/q.xml";
    ASSERT_TRUE(m_manager.SaveToFile(path));
    const QString uploadTime = DateTimeValueToText(m_manager.Items()[2]->FileModifiedDateTime);
    const std::string expected =
        "<?xml version=\"1.0\"?>\n<QueueList>\n"
        "  <QueueItem HostID=\"{11111111-2222-3333-4444-555555555555}\" RemoteFilename=\"/pub/x/big.iso\" "
        "RemoteRoot=\"/pub/\" IsDirectory=\"False\" FileSize=\"5368709120\" "
        "FileModifiedDateTime=\"05/03/2024 "
        "14:07:09\" LocalRoot=\"/in/\" LocalFilename=\"/in/x/big.iso\" TransferDirection=\"Download\" />\n"
        "  <QueueItem HostID=\"{11111111-2222-3333-4444-555555555555}\" RemoteFilename=\"/pub/dir\" "
        "RemoteRoot=\"/pub/\" IsDirectory=\"True\" FileSize=\"0\" FileModifiedDateTime=\"06/03/2024\" "
        "LocalRoot=\"/in/\" LocalFilename=\"/in/dir\" TransferDirection=\"Download\" />\n"
        "  <QueueItem HostID=\"{11111111-2222-3333-4444-555555555555}\" "
        "RemoteFilename=\"/incoming/up/b.txt\" "
        "RemoteRoot=\"/incoming/\" IsDirectory=\"False\" FileSize=\"5\" FileModifiedDateTime=\"" +
        uploadTime.toStdString() + "\" LocalRoot=\"" + m_env.localRoot().toStdString() +
        "\" LocalFilename=\"" + upload.toStdString() + "\" TransferDirection=\"Upload\" />\n</QueueList>\n";
    EXPECT_EQ(readAll(path).toStdString(), expected);
}

TEST_F(QueueFileTest, RoundTripGivesTheSameItemsInOrderInactiveAndAwaiting)
{
    const QString upload = m_env.local("u.bin");
    ASSERT_TRUE(writeAll(upload, QByteArray(300, 'x')));
    m_manager.AddDownload(m_host, "/pub/", true, time(2024, 1, 2, 3, 4, 6), 5368709120LL, false, "/in/",
                          "/pub/a");
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/up/", upload);
    m_manager.AddDownload(m_host, "/", true, kUnknownDateTime, -1, false, "/in/", "/f.txt");
    const QString path = m_env.root() + "/q.xml";
    ASSERT_TRUE(m_manager.SaveToFile(path));

    TQueueManager loaded;
    loaded.setHostLookup([this](const QString&) { return std::optional<THost>(m_host); });
    const TQueueLoadResult result = loaded.LoadFromFile(path);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(result.added, 3);
    const auto items = loaded.Items();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->RemoteFilename, "/pub/a");
    EXPECT_EQ(items[0]->FileSize, 5368709120LL);
    EXPECT_DOUBLE_EQ(items[0]->FileModifiedDateTime, time(2024, 1, 2, 3, 4, 6));
    EXPECT_EQ(items[0]->GetLocalFilename(), "/in/a");
    EXPECT_EQ(items[1]->LocalFilename, upload);
    EXPECT_FALSE(items[1]->TransferDirection);
    EXPECT_EQ(items[1]->FileSize, 300);
    EXPECT_EQ(items[1]->GetRemoteFilename(), "/up/u.bin");
    // RemoteRoot "/" and "/f.txt": the local path is the local root plus f.txt.
    EXPECT_EQ(items[2]->GetLocalFilename(), "/in/f.txt");
    EXPECT_EQ(items[2]->FileSize, -1);
    EXPECT_DOUBLE_EQ(items[2]->FileModifiedDateTime, kUnknownDateTime);
    for (TQueueItem* item : items) {
        EXPECT_FALSE(item->Active);
        EXPECT_EQ(item->State, TTransferState::tsAwaiting);
        EXPECT_EQ(item->StatusText, "Awaiting transfer");
        EXPECT_EQ(item->Host.Hostname, "ftp.example.com");
    }
    // Loading appends.
    ASSERT_TRUE(loaded.LoadFromFile(path).ok);
    EXPECT_EQ(loaded.itemCount(), 6);
}

TEST_F(QueueFileTest, AnUnknownHostOrDirectionIsLeftOutCountedByItsReasonAndTheNextElementRead)
{
    const QString path = m_env.root() + "/q.xml";
    ASSERT_TRUE(writeAll(
        path, "<?xml version=\"1.0\"?>\n<QueueList>\n"
              "  <QueueItem HostID=\"{99999999-2222-3333-4444-555555555555}\" RemoteFilename=\"/a\" "
              "RemoteRoot=\"/\" IsDirectory=\"False\" FileSize=\"1\" FileModifiedDateTime=\"06/03/2024\" "
              "LocalRoot=\"/in/\" TransferDirection=\"Download\"/>\n"
              "  <QueueItem HostID=\"{11111111-2222-3333-4444-555555555555}\" RemoteFilename=\"/b\" "
              "RemoteRoot=\"/\" IsDirectory=\"False\" FileSize=\"2\" FileModifiedDateTime=\"06/03/2024\" "
              "LocalRoot=\"/in/\" TransferDirection=\"download\"/>\n"
              "  <QueueItem HostID=\"{11111111-2222-3333-4444-555555555555}\" RemoteFilename=\"/c\" "
              "RemoteRoot=\"/\" IsDirectory=\"0\" FileSize=\"3\" FileModifiedDateTime=\"06/03/2024\" "
              "LocalRoot=\"/in/\" TransferDirection=\"Download\"/>\n"
              "</QueueList>\n"));
    const TQueueLoadResult result = m_manager.LoadFromFile(path);
    EXPECT_FALSE(result.ok) << "items were left out";
    EXPECT_EQ(result.added, 1);
    EXPECT_EQ(result.unknownHost, 1);
    EXPECT_EQ(result.unknownDirection, 1); // "download" is not "Download", whatever its host
    EXPECT_EQ(result.unreadable, 0);
    EXPECT_EQ(result.leftOutText("q.xml"),
              "2 item(s) of q.xml were left out: 1 of a host that is not stored, "
              "1 with an unknown transfer direction");
    ASSERT_EQ(m_manager.itemCount(), 1);
    EXPECT_EQ(m_manager.Items()[0]->RemoteFilename, "/c");
}

TEST_F(QueueFileTest, AVanishedUploadSourceIsLeftOutAndEveryOtherItemLoaded)
{
    const QString upload = m_env.local("gone.txt");
    ASSERT_TRUE(writeAll(upload, "x"));
    m_manager.AddDownload(m_host, "/", true, time(2024, 3, 5), 1, false, "/in/", "/first");
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", upload);
    m_manager.AddDownload(m_host, "/", true, time(2024, 3, 5), 1, false, "/in/", "/third");
    const QString path = m_env.root() + "/q.xml";
    ASSERT_TRUE(m_manager.SaveToFile(path));
    ASSERT_TRUE(QFile::remove(upload));

    TQueueManager loaded;
    loaded.setHostLookup([this](const QString&) { return std::optional<THost>(m_host); });
    const TQueueLoadResult result = loaded.LoadFromFile(path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message.toStdString(), "Can't load QueueItem.\r\nReason: Cannot open file \"" +
                                                upload.toStdString() + "\". No such file or directory");
    EXPECT_EQ(result.unreadable, 1);
    ASSERT_EQ(loaded.itemCount(), 2);
    EXPECT_EQ(loaded.Items()[0]->RemoteFilename, "/first");
    EXPECT_EQ(loaded.Items()[1]->RemoteFilename, "/third");
}

TEST_F(QueueFileTest, ADateTheLocaleCannotParseLeavesThatItemOut)
{
    {
        ScopedLocale german("de_DE");
        m_manager.AddDownload(m_host, "/", true, time(2024, 3, 25, 9, 1, 2), 1, false, "/in/", "/a");
        // An upload's time is read from the file, not from the queue file.
        ASSERT_TRUE(writeAll(m_env.local("up.txt"), "up"));
        m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", m_env.local("up.txt"));
        ASSERT_TRUE(m_manager.SaveToFile(m_env.root() + "/q.xml"));
    }
    ScopedLocale american("en_US");
    TQueueManager loaded;
    loaded.setHostLookup([this](const QString&) { return std::optional<THost>(m_host); });
    const TQueueLoadResult result = loaded.LoadFromFile(m_env.root() + "/q.xml");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message.toStdString(),
              "Can't load QueueItem.\r\nReason: '25.03.2024 09:01:02' is not a valid date and time");
    EXPECT_EQ(result.unreadable, 1);
    EXPECT_EQ(loaded.itemCount(), 1);
}

TEST_F(QueueFileTest, BadNumbersAndEmptyDatesAreErrors)
{
    const QString path = m_env.root() + "/q.xml";
    const auto load = [&](const char* size, const char* date) {
        writeAll(path,
                 QByteArray("<QueueList><QueueItem HostID=\"{11111111-2222-3333-4444-555555555555}\" "
                            "RemoteFilename=\"/a\" RemoteRoot=\"/\" IsDirectory=\"False\" FileSize=\"") +
                     size + "\" FileModifiedDateTime=\"" + date +
                     "\" LocalRoot=\"/in/\" TransferDirection=\"Download\"/></QueueList>");
        TQueueManager manager;
        manager.setHostLookup([this](const QString&) { return std::optional<THost>(m_host); });
        return manager.LoadFromFile(path).message.toStdString();
    };
    EXPECT_EQ(load("12x", "06/03/2024"),
              "Can't load QueueItem.\r\nReason: '12x' is not a valid integer value");
    EXPECT_EQ(load("0x10", "06/03/2024"),
              "Can't load QueueItem.\r\nReason: '0x10' is not a valid integer value");
    EXPECT_EQ(load("12", ""), "Can't load QueueItem.\r\nReason: '' is not a valid date and time");
    EXPECT_EQ(load("-1", "06/03/2024"), "");
}

TEST_F(QueueFileTest, SaveKeepsTheRootOfAnExistingFileAndLeavesABrokenOneUnchanged)
{
    const QString path = m_env.root() + "/q.xml";
    ASSERT_TRUE(writeAll(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MyQueue><Old/></MyQueue>\n"));
    m_manager.AddDownload(m_host, "/", true, time(2024, 3, 5), 1, false, "/in/", "/a");
    ASSERT_TRUE(m_manager.SaveToFile(path));
    const QByteArray saved = readAll(path);
    EXPECT_TRUE(saved.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MyQueue>\n  <QueueItem "))
        << saved.data();
    EXPECT_FALSE(saved.contains("<Old"));

    const QByteArray broken = "<QueueList><QueueItem HostID=\"x\"></QueueList>";
    ASSERT_TRUE(writeAll(path, broken));
    QString error;
    EXPECT_FALSE(m_manager.SaveToFile(path, &error));
    EXPECT_TRUE(error.contains("not a well-formed XML document")) << error.toStdString();
    EXPECT_EQ(readAll(path), broken);
}

TEST_F(QueueFileTest, QueueXmlMissingIsAnEmptyQueueAndUnreadableIsCopiedAside)
{
    TQueueLoadResult result = m_manager.LoadQueue();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(m_manager.itemCount(), 0);

    ASSERT_TRUE(writeAll(TQueueManager::QueueFilePath(), "<QueueList"));
    result = m_manager.LoadQueue();
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains("kept as")) << result.message.toStdString();
    m_manager.AddDownload(m_host, "/", true, time(2024, 3, 5), 1, false, "/in/", "/a");
    EXPECT_TRUE(m_manager.SaveQueue());
    const QStringList files = QDir(m_env.dataFolder()).entryList({"Queue.xml*"}, QDir::Files);
    EXPECT_EQ(files.size(), 2) << files.join(",").toStdString();
}

TEST_F(QueueFileTest, AQueueXmlThatLeavesItemsOutIsKeptBeforeTheNextSaveWritesOverIt)
{
    // Four items, one upload source deleted, one host gone: a load and a save must
    // not lose the two items that cannot be loaded now.
    const QString upload = m_env.local("gone.txt");
    ASSERT_TRUE(writeAll(upload, "x"));
    THost other = m_host;
    other.SetHostIDText("{99999999-2222-3333-4444-555555555555}");
    m_manager.AddDownload(m_host, "/", true, time(2024, 3, 5), 1, false, "/in/", "/a");
    m_manager.AddUpload(m_host, m_env.localRoot(), true, "/", upload);
    m_manager.AddDownload(other, "/", true, time(2024, 3, 5), 1, false, "/in/", "/b");
    m_manager.AddDownload(m_host, "/", true, time(2024, 3, 5), 1, false, "/in/", "/c");
    ASSERT_TRUE(m_manager.SaveQueue());
    const QByteArray original = readAll(TQueueManager::QueueFilePath());
    ASSERT_TRUE(QFile::remove(upload));

    TQueueManager next;
    next.setHostLookup([this](const QString& id) -> std::optional<THost> {
        if (id == m_host.HostIDText())
            return m_host;
        return std::nullopt;
    });
    QStringList log;
    QObject::connect(&next, &TQueueManager::Log, [&](TLogKind, const QString& text) { log.append(text); });
    const TQueueLoadResult result = next.LoadQueue();
    EXPECT_EQ(result.added, 2);
    EXPECT_EQ(result.unknownHost, 1);
    EXPECT_EQ(result.unreadable, 1);
    ASSERT_FALSE(result.keptAs.isEmpty());
    EXPECT_EQ(readAll(result.keptAs), original);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith("2 item(s) of ")) << log[0].toStdString();
    EXPECT_TRUE(log[0].contains(QDir::toNativeSeparators(result.keptAs))) << log[0].toStdString();
    ASSERT_TRUE(next.SaveQueue());
    EXPECT_EQ(readAll(result.keptAs), original) << "the copy outlives the save";

    // A load that leaves nothing out makes no copy.
    TQueueManager third;
    third.setHostLookup([this](const QString&) { return std::optional<THost>(m_host); });
    EXPECT_TRUE(third.LoadQueue().keptAs.isEmpty());
}

TEST(QueueFileText, BooleanAndIntegerConversions)
{
    EXPECT_EQ(TQueueFile::TextToBoolean("true"), true);
    EXPECT_EQ(TQueueFile::TextToBoolean("FALSE"), false);
    EXPECT_EQ(TQueueFile::TextToBoolean("-1"), true);
    EXPECT_EQ(TQueueFile::TextToBoolean("0"), false);
    QString error;
    EXPECT_FALSE(TQueueFile::TextToBoolean("yes", &error));
    EXPECT_EQ(error, "'yes' is not a valid boolean value");
    EXPECT_EQ(TQueueFile::TextToInteger("-9223372036854775808"), std::numeric_limits<qint64>::min());
    EXPECT_FALSE(TQueueFile::TextToInteger("9223372036854775808"));
    EXPECT_FALSE(TQueueFile::TextToInteger(" 1"));
    EXPECT_FALSE(TQueueFile::TextToInteger("+"));
}
