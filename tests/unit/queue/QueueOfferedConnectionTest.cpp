// A connection made elsewhere and offered to the queue, and the orderly stop.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "QueueTestSupport.h"
#include "ftp/Client.h"
#include "queue/TQueueManager.h"

using namespace queuetest;
using namespace testsupport;

namespace {

class QueueOfferedConnectionTest : public ::testing::Test
{
protected:
    // Logged in as `host` says, like the command line's look-up leaves it.
    std::unique_ptr<ftp::Client> loggedIn(const THost& host)
    {
        auto client = std::make_unique<ftp::Client>();
        client->options().host = m_server.host();
        client->options().port = m_server.port();
        client->options().user = host.Username.toStdString();
        client->options().password = host.Password.toStdString();
        client->connect();
        client->login();
        client->pwd();
        return client;
    }
    int count(const std::string& verb) const
    {
        int n = 0;
        for (const std::string& v : m_server.verbs())
            n += v == verb;
        return n;
    }
    // Data has arrived for the running item.
    static bool started(const TQueueManager& manager)
    {
        for (const TQueueItemProgress& p : manager.progressSnapshot())
            if (p.bytesDone >= 65536)
                return true;
        return false;
    }
    TQueueItem* download(TQueueManager& manager, const QString& remote, qint64 size)
    {
        return manager.AddDownload(m_host, "/", true, kUnknownDateTime, size, false, m_env.localRoot(),
                                   remote);
    }

    QueueEnvironment m_env;
    ScriptedFtpServer m_server;
    THost m_host = hostFor(m_server);
};

TEST_F(QueueOfferedConnectionTest, TheFirstItemOfTheLoginRunsOnTheOfferedConnection)
{
    m_server.fs().addFile("/a.txt", "alpha");
    m_server.fs().addFile("/b.txt", "beta");
    {
        TQueueManager manager;
        manager.setLimits({.maxTransferCount = 1});
        download(manager, "/a.txt", 5);
        download(manager, "/b.txt", 4);
        manager.OfferConnection(m_host, loggedIn(m_host));
        manager.Schedule();
        ASSERT_TRUE(waitFor([&] { return manager.isIdle(); }));
        EXPECT_EQ(manager.itemCount(), 0);
    }
    EXPECT_EQ(readAll(m_env.local("a.txt")), "alpha");
    EXPECT_EQ(readAll(m_env.local("b.txt")), "beta");
    ASSERT_TRUE(m_server.waitForSessionsClosed());
    EXPECT_EQ(m_server.sessionCount(), 1) << m_server.conversation();
    EXPECT_EQ(count("USER"), 1);
    EXPECT_EQ(count("QUIT"), 1);
}

TEST_F(QueueOfferedConnectionTest, AnOfferOfAnotherLoginIsNotUsedAndIsClosedWithQuit)
{
    m_server.fs().addFile("/a.txt", "alpha");
    THost other = m_host;
    other.Username = QStringLiteral("alice");
    {
        TQueueManager manager;
        download(manager, "/a.txt", 5);
        manager.OfferConnection(other, loggedIn(other));
        manager.Schedule();
        ASSERT_TRUE(waitFor([&] { return manager.isIdle(); }));
        ASSERT_TRUE(m_server.waitForCommand("RETR"));
        // The transfer logged in as bob on its own.
        bool bob = false;
        for (const std::string& line : m_server.commands(2))
            bob = bob || line == "USER bob";
        EXPECT_TRUE(bob) << m_server.conversation();
    }
    ASSERT_TRUE(m_server.waitForSessionsClosed());
    EXPECT_EQ(m_server.sessionCount(), 2);
    EXPECT_EQ(count("QUIT"), 2) << m_server.conversation();
}

TEST_F(QueueOfferedConnectionTest, AnOrderlyStopAbortsTheTransferAndSaysQuit)
{
    m_server.fs().addFile("/big.bin", std::string(1 << 20, 'x'));
    m_server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::StallAfter, .bytes = 65536}});
    {
        TQueueManager manager;
        TQueueItem* item = download(manager, "/big.bin", 1 << 20);
        manager.Schedule();
        ASSERT_TRUE(waitFor([&] { return started(manager); }));
        manager.StopQueueCleanly();
        ASSERT_TRUE(m_server.waitForSessionsClosed());
        const std::vector<std::string> verbs = m_server.verbs();
        const auto abor = std::find(verbs.begin(), verbs.end(), "ABOR");
        ASSERT_NE(abor, verbs.end()) << m_server.conversation();
        EXPECT_NE(std::find(abor, verbs.end(), "QUIT"), verbs.end()) << m_server.conversation();
        // The item waits, stopped, for a later run.
        EXPECT_EQ(manager.itemCount(), 1);
        EXPECT_FALSE(item->Active);
    }
}

TEST_F(QueueOfferedConnectionTest, ThePlainStopCutsTheConnectionWithoutQuit)
{
    m_server.fs().addFile("/big.bin", std::string(1 << 20, 'x'));
    m_server.addOverride({.command = "RETR", .data = {.kind = DataFaultKind::StallAfter, .bytes = 65536}});
    TQueueManager manager;
    download(manager, "/big.bin", 1 << 20);
    manager.Schedule();
    ASSERT_TRUE(waitFor([&] { return started(manager); }));
    manager.StopQueue();
    ASSERT_TRUE(m_server.waitForSessionsClosed());
    EXPECT_EQ(count("QUIT"), 0) << m_server.conversation();
}

} // namespace
