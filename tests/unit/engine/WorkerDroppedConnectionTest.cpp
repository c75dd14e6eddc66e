#include <functional>
#include <ostream>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "engine/EngineErrors.h"

// Every remote action of the worker meets a control connection that the server
// closed while the session was idle: the action reopens it silently, in the same
// directory, and is sent again when its first command met the closed connection.

using namespace enginetest;
using namespace testsupport;

namespace {

const Strings kLoginAgain{"USER bob", "PASS secret", "FEAT", "OPTS UTF8 ON", "PWD", "CWD /pub", "PWD"};

struct DroppedOperation
{
    const char* name;
    const char* verb; // the operation's first command: the one that meets the closed connection
    std::function<void(TFTPWorker&)> run;
    Strings commands; // what the operation sends on the new connection
    std::function<bool(ScriptedFtpServer&)> done;
    const char* threadCommand = nullptr; // the thread runs it: wait for its end
};

struct DropKind
{
    const char* name;
    int code; // 0: closed without a word; 421: the server's time-out notice first
};

void PrintTo(const DroppedOperation& op, std::ostream* out)
{
    *out << op.name;
}

void PrintTo(const DropKind& drop, std::ostream* out)
{
    *out << drop.name;
}

class WorkerDroppedConnectionTest : public WorkerTest
{
protected:
    void SetUp() override
    {
        WorkerTest::SetUp();
        server.fs().addFile("/pub/a.txt", "a");
        server.fs().addFile("/pub/tree/inner.txt", "i");
        recorder.onLoggedIn = [](TFTPWorker& w) { w.ChangeDir(QStringLiteral("/pub")); };
        logIn();
        ASSERT_EQ(str(worker->CurrentDir()), "/pub");
        m_before = server.commands().size();
    }
    // The next `verb` finds the connection closed (the override does not carry it out).
    void dropAt(const char* verb, int code = 0)
    {
        Override drop{.command = verb, .times = 1, .close = true};
        if (code != 0) {
            drop.code = code;
            drop.text = "Idle time-out, closing control connection.";
        }
        server.addOverride(drop);
    }
    Strings sentOnFirstConnection() const
    {
        Strings all = server.commands(1);
        const std::size_t loginCommands = m_before;
        return all.size() > loginCommands ? Strings(all.begin() + static_cast<long>(loginCommands), all.end())
                                          : Strings{};
    }
    void deleteTrees(const QStringList& names)
    {
        const int before = recorder.finishedCount("DeleteRecursive");
        worker->DeleteRecursive(names);
        ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount("DeleteRecursive") > before; }))
            << server.conversation();
    }

    std::size_t m_before = 0;
};

class WorkerDropEveryOperationTest
    : public WorkerDroppedConnectionTest,
      public ::testing::WithParamInterface<std::tuple<DroppedOperation, DropKind>>
{};

TEST_P(WorkerDropEveryOperationTest, ReconnectsSilentlyInTheSameDirectoryAndSendsTheOperationAgain)
{
    const DroppedOperation& op = std::get<0>(GetParam());
    dropAt(op.verb, std::get<1>(GetParam()).code);
    recorder.events.clear();

    const int finished = op.threadCommand ? recorder.finishedCount(op.threadCommand) : 0;
    op.run(*worker);
    if (op.threadCommand) {
        ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount(op.threadCommand) > finished; }))
            << server.conversation();
    }
    EXPECT_TRUE(op.done(server)) << server.conversation();

    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass() << recorder.logText();
    EXPECT_TRUE(worker->IsConnected());
    EXPECT_EQ(str(worker->CurrentDir()), "/pub");
    EXPECT_EQ(server.sessionCount(), 2);
    // Sent once on the closed connection, and once again on the new one.
    ASSERT_FALSE(sentOnFirstConnection().empty());
    EXPECT_EQ(sentOnFirstConnection().front().rfind(op.verb, 0), 0U) << sentOnFirstConnection().front();
    Strings expected = kLoginAgain;
    expected.insert(expected.end(), op.commands.begin(), op.commands.end());
    EXPECT_EQ(server.commands(2), expected);
    // Silent: no second "Connected" or "Logged in" for the window.
    EXPECT_EQ(recorder.count("Connected"), 0);
    EXPECT_EQ(recorder.count("LoggedIn"), 0);
    EXPECT_TRUE(recorder.logHas("Status> The server had closed the connection; connecting again"))
        << recorder.logText();
}

const DroppedOperation kOperations[] = {
    {"DeleteFile",
     "DELE",
     [](TFTPWorker& w) { w.DeleteFile(QStringLiteral("a.txt")); },
     {"DELE a.txt"},
     [](ScriptedFtpServer& s) { return !s.fs().exists("/pub/a.txt"); }},
    {"MakeDir",
     "MKD",
     [](TFTPWorker& w) { w.MakeDir(QStringLiteral("new")); },
     {"MKD new"},
     [](ScriptedFtpServer& s) { return s.fs().isDirectory("/pub/new"); }},
    {"Rename",
     "RNFR",
     [](TFTPWorker& w) { w.Rename(QStringLiteral("a.txt"), QStringLiteral("b.txt")); },
     {"RNFR a.txt", "RNTO b.txt"},
     [](ScriptedFtpServer& s) { return s.fs().exists("/pub/b.txt"); }},
    {"SiteChmod",
     "SITE",
     [](TFTPWorker& w) { EXPECT_EQ(w.SiteChmod(QStringLiteral("a.txt"), QStringLiteral("640")).code, 200); },
     {"SITE CHMOD 640 a.txt"},
     [](ScriptedFtpServer& s) { return s.fs().node("/pub/a.txt")->permissions == "rw-r-----"; }},
    {"SiteChown",
     "SITE",
     [](TFTPWorker& w) { w.SiteChown(QStringLiteral("a.txt"), QStringLiteral("alice")); },
     {"SITE CHOWN alice a.txt"},
     [](ScriptedFtpServer& s) { return s.fs().node("/pub/a.txt")->owner == "alice"; }},
    {"SiteChgrp",
     "SITE",
     [](TFTPWorker& w) { w.SiteChgrp(QStringLiteral("a.txt"), QStringLiteral("staff")); },
     {"SITE CHGRP staff a.txt"},
     [](ScriptedFtpServer& s) { return s.fs().node("/pub/a.txt")->group == "staff"; }},
    {"ChangeDir",
     "CWD",
     [](TFTPWorker& w) {
         w.ChangeDir(QStringLiteral("tree"));
         EXPECT_EQ(str(w.CurrentDir()), "/pub/tree");
         w.ChangeDir(QStringLiteral("/pub"));
     },
     {"CWD tree", "PWD", "CWD /pub", "PWD"},
     [](ScriptedFtpServer&) { return true; }},
    {"List",
     "EPSV",
     [](TFTPWorker& w) { w.List(); },
     {"EPSV", "LIST"},
     [](ScriptedFtpServer&) { return true; },
     "List"},
    {"DeleteRecursive",
     "PWD",
     [](TFTPWorker& w) { w.DeleteRecursive({QStringLiteral("tree")}); },
     {"PWD", "PWD", "CWD tree", "PWD", "EPSV", "LIST", "DELE inner.txt", "CDUP", "RMD tree", "CWD /pub"},
     [](ScriptedFtpServer& s) { return !s.fs().exists("/pub/tree"); },
     "DeleteRecursive"},
};

const DropKind kDrops[] = {{"Closed", 0}, {"TimedOut421", 421}};

INSTANTIATE_TEST_SUITE_P(Operations, WorkerDropEveryOperationTest,
                         ::testing::Combine(::testing::ValuesIn(kOperations), ::testing::ValuesIn(kDrops)),
                         [](const ::testing::TestParamInfo<std::tuple<DroppedOperation, DropKind>>& info) {
                             return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
                         });

TEST_F(WorkerDroppedConnectionTest, TheRecursiveDeleteReconnectsInsideItsOwnBracketAndReportsTheTreeDeleted)
{
    dropAt("PWD");
    recorder.events.clear();
    deleteTrees({QStringLiteral("tree")});
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    // The reconnect's connect and login brackets sit inside the delete's.
    EXPECT_EQ(recorder.events, (Strings{"Busy", "Busy", "Idle", "Busy", "Idle", "Deleted", "Idle"}));
    EXPECT_TRUE(worker->DeleteNames().isEmpty());
}

TEST_F(WorkerDroppedConnectionTest, ADeleteThatGotFurtherIsNotRepeated)
{
    // The server goes away after the delete's PWD, at the CWD into the tree: what
    // was carried out is unknown, so nothing is sent again.
    dropAt("CWD");
    deleteTrees({QStringLiteral("tree"), QStringLiteral("other")});
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteFileCantDelete");
    EXPECT_EQ(server.sessionCount(), 1);
    EXPECT_EQ(recorder.count("Deleted"), 0);
    EXPECT_EQ(worker->DeleteNames(), QStringList{QStringLiteral("other")});
    EXPECT_TRUE(server.fs().exists("/pub/tree/inner.txt"));
}

TEST_F(WorkerDroppedConnectionTest, ASiteCommandWhoseReconnectFailsThrowsAndTheFailureIsPending)
{
    dropAt("SITE");
    server.setGreeting({.code = 421, .text = "Too many users, try later.", .close = true});
    EXPECT_THROW(worker->SiteChmod(QStringLiteral("a.txt"), QStringLiteral("640")), ftp::SocketError);
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteConnectionFailed");
    EXPECT_FALSE(worker->IsConnected());
    EXPECT_NE(server.fs().node("/pub/a.txt")->permissions, "rw-r-----");
}

TEST_F(WorkerDroppedConnectionTest, ADeleteFileWhoseReconnectFailsReportsTheConnectionNotTheFile)
{
    dropAt("DELE");
    server.setGreeting({.code = 421, .text = "Too many users, try later.", .close = true});
    worker->DeleteFile(QStringLiteral("a.txt"));
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteConnectionFailed");
    EXPECT_TRUE(server.fs().exists("/pub/a.txt"));
    EXPECT_EQ(sentOnFirstConnection(), Strings{"DELE a.txt"});
}

} // namespace
