#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "engine/EngineErrors.h"
#include "engine/TRecursiveDelete.h"

using namespace enginetest;
using namespace testsupport;

namespace {

class WorkerTreeTest : public WorkerTest
{
protected:
    void logInTo(const char* directory)
    {
        recorder.onLoggedIn = [directory](TFTPWorker& w) { w.ChangeDir(QString::fromLatin1(directory)); };
        logIn();
        ASSERT_EQ(str(worker->CurrentDir()), directory);
    }
    void deleteTrees(const QStringList& names)
    {
        const int before = recorder.finishedCount("DeleteRecursive");
        worker->DeleteRecursive(names);
        ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount("DeleteRecursive") > before; }))
            << server.conversation();
    }
    bool exists(const char* path) { return server.fs().exists(path); }
    // The last directory the server was asked to change to.
    std::string lastCwd() const
    {
        const Strings c = server.commands();
        for (auto it = c.rbegin(); it != c.rend(); ++it) {
            if (it->rfind("CWD ", 0) == 0)
                return it->substr(4);
        }
        return {};
    }
};

// --- Recursive delete ---------------------------------------------------------------

TEST_F(WorkerTreeTest, DeletesWholeTreesAndReturnsToTheStart)
{
    server.fs().addFile("/top/t1/a.txt", "a");
    server.fs().addFile("/top/t1/sub/b.txt", "b");
    server.fs().addDirectory("/top/t1/sub/empty");
    server.fs().addFile("/top/t2/c.txt", "c");
    server.fs().addFile("/top/keep.txt", "k");
    logInTo("/top");
    recorder.events.clear();
    deleteTrees({QStringLiteral("t1"), QStringLiteral("t2")});
    EXPECT_FALSE(exists("/top/t1"));
    EXPECT_FALSE(exists("/top/t2"));
    EXPECT_TRUE(exists("/top/keep.txt"));
    EXPECT_EQ(recorder.events, (Strings{"Busy", "Deleted", "Idle"}));
    EXPECT_EQ(lastCwd(), "/top");
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_TRUE(worker->DeleteNames().isEmpty());
}

TEST_F(WorkerTreeTest, ALinkDeepInTheTreeStopsBeforeTheDirectoryHoldingIt)
{
    server.fs().addFile("/top/a/f1", "1");
    server.fs().addFile("/top/a/b/f2", "2");
    server.fs().addFile("/top/a/b/c/f3", "3");
    server.fs().addSymlink("/top/a/b/c/link", "/precious");
    server.fs().addFile("/top/z/f4", "4");
    server.fs().addFile("/precious/data", "d");
    logInTo("/");
    deleteTrees({QStringLiteral("top"), QStringLiteral("later")});

    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteSymbolicLinkInRecursiveDelete");
    EXPECT_EQ(error->Message(), QStringLiteral("Can't delete directory."));
    EXPECT_TRUE(static_cast<EFTPTransferException&>(*error).LongDescription.contains(
        QStringLiteral("symbolic link")));
    // Trees scanned before the link are gone, last entry first...
    EXPECT_FALSE(exists("/top/z"));
    EXPECT_FALSE(exists("/top/a/f1"));
    EXPECT_FALSE(exists("/top/a/b/f2"));
    // ...the directory holding the link is untouched, and so is what it points to.
    EXPECT_TRUE(exists("/top/a/b/c/f3"));
    EXPECT_TRUE(exists("/top/a/b/c/link"));
    EXPECT_TRUE(exists("/precious/data"));
    EXPECT_EQ(recorder.count("Deleted"), 0);
    EXPECT_EQ(worker->DeleteNames(), QStringList{QStringLiteral("later")});
    EXPECT_EQ(lastCwd(), "/");
}

TEST_F(WorkerTreeTest, ADirectoryThatIsNotWhereItsNameSaysIsNotTouched)
{
    // A listing style that shows a link as a plain directory: CWD follows it
    // somewhere else (here: nowhere, the server stays in /top).
    server.fs().addFile("/top/keep.txt", "k");
    server.fs().addFile("/top/d/precious", "p");
    server.addOverride({.command = "CWD", .argument = "d", .code = 250, .text = "OK"});
    logInTo("/top");
    const std::size_t before = server.commands().size();
    deleteTrees({QStringLiteral("d")});
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteSymbolicLinkInRecursiveDelete");
    EXPECT_TRUE(exists("/top/keep.txt"));
    EXPECT_TRUE(exists("/top/d/precious"));
    for (const std::string& command : commandsSince(before)) {
        EXPECT_NE(command.rfind("DELE", 0), 0u) << command;
        EXPECT_NE(command.rfind("RMD", 0), 0u) << command;
        EXPECT_NE(command, "LIST");
    }
}

TEST_F(WorkerTreeTest, ARefusedRmdEndsWithoutAnError)
{
    server.fs().addFile("/top/d/a.txt", "a");
    server.addOverride({.command = "RMD", .code = 550, .text = "Directory not empty (hidden files)."});
    logInTo("/top");
    deleteTrees({QStringLiteral("d")});
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_FALSE(exists("/top/d/a.txt"));
    EXPECT_TRUE(exists("/top/d"));
    EXPECT_EQ(recorder.count("Deleted"), 1);
}

TEST_F(WorkerTreeTest, AnRmdRefusedForPermissionIsCantDeleteAndKeepsTheRest)
{
    server.fs().addFile("/top/d/a.txt", "a");
    server.fs().addFile("/top/e/b.txt", "b");
    server.addOverride({.command = "RMD", .code = 550, .text = "d: Permission denied"});
    logInTo("/top");
    deleteTrees({QStringLiteral("d"), QStringLiteral("e")});
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr) << "a directory that was not deleted was reported deleted";
    EXPECT_STREQ(error->ClassName(), "EFTRemoteFileCantDelete");
    EXPECT_EQ(error->ReplyCode(), 550);
    EXPECT_FALSE(exists("/top/d/a.txt"));
    EXPECT_TRUE(exists("/top/d"));
    EXPECT_TRUE(exists("/top/e/b.txt"));
    EXPECT_EQ(worker->DeleteNames(), QStringList{QStringLiteral("e")});
    EXPECT_EQ(recorder.count("Deleted"), 0);
    EXPECT_EQ(lastCwd(), "/top");
}

TEST_F(WorkerTreeTest, AnUnexplainedRefusalOfAnEmptyDirectoryIsCantDelete)
{
    // vsftpd's one answer for every refusal: only a look inside tells.
    server.fs().addFile("/top/d/a.txt", "a");
    server.addOverride({.command = "RMD", .code = 550, .text = "Remove directory operation failed."});
    logInTo("/top");
    const std::size_t before = server.commands().size();
    deleteTrees({QStringLiteral("d")});
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteFileCantDelete");
    EXPECT_TRUE(exists("/top/d"));
    const Strings sent = commandsSince(before);
    const auto rmd = std::find(sent.begin(), sent.end(), "RMD d");
    ASSERT_NE(rmd, sent.end());
    EXPECT_EQ(Strings(rmd, sent.end()),
              (Strings{"RMD d", "CWD d", "EPSV", "LIST -a", "CWD /top", "CWD /top"}));
}

TEST_F(WorkerTreeTest, AnUnexplainedRefusalOfADirectoryWithHiddenEntriesIsNoError)
{
    server.fs().addFile("/top/d/.profile", "p");
    server.fs().addFile("/top/e/b.txt", "b");
    // A plain LIST of d leaves the dot file out, as vsftpd does; "LIST -a" shows it.
    server.addOverride({.command = "LIST",
                        .argument = "",
                        .times = 1,
                        .data = {.kind = DataFaultKind::CutAfter, .bytes = 0, .finalCode = 226}});
    logInTo("/top");
    deleteTrees({QStringLiteral("d"), QStringLiteral("e")});
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_TRUE(exists("/top/d/.profile"));
    EXPECT_FALSE(exists("/top/e")) << "the delete goes on after a directory with hidden entries";
    EXPECT_EQ(recorder.count("Deleted"), 1);
    EXPECT_EQ(lastCwd(), "/top");
}

struct RmdReply
{
    const char* server;
    const char* text;
    TRecursiveDelete::RmdRefusal refusal;
};

class RmdReplyTest : public ::testing::TestWithParam<RmdReply>
{};

TEST_P(RmdReplyTest, RefusalsAreToldApartByTheirText)
{
    EXPECT_EQ(TRecursiveDelete::classifyRmdRefusal(GetParam().text), GetParam().refusal) << GetParam().text;
}

// What the real servers answer (550 each) to RMD of a directory that is not empty
// and of one whose parent may not be changed.
using R = TRecursiveDelete::RmdRefusal;
INSTANTIATE_TEST_SUITE_P(
    Servers, RmdReplyTest,
    ::testing::Values(
        RmdReply{"PureFtpdNotEmpty", "Can't remove directory: Directory not empty", R::NotEmpty},
        RmdReply{"PureFtpdDenied", "Can't remove directory: Permission denied", R::Refused},
        RmdReply{"PureFtpdImmutable", "Can't remove directory: Operation not permitted", R::Refused},
        RmdReply{"ProftpdNotEmpty", "full: Directory not empty", R::NotEmpty},
        RmdReply{"ProftpdDenied", "child: Permission denied", R::Refused},
        RmdReply{"PyftpdlibNotEmpty", "Directory not empty.", R::NotEmpty},
        RmdReply{"PyftpdlibImmutable", "Operation not permitted.", R::Refused},
        RmdReply{"PyftpdlibMissing", "No such file or directory.", R::Refused},
        RmdReply{"VsftpdAnything", "Remove directory operation failed.", R::Unexplained},
        RmdReply{"IisNotEmpty", "The directory is not empty.", R::NotEmpty}),
    [](const ::testing::TestParamInfo<RmdReply>& info) { return std::string(info.param.server); });

TEST_F(WorkerTreeTest, AFailedDeleteIsCantDeleteAndKeepsTheRest)
{
    server.fs().addFile("/top/d/a.txt", "a");
    server.addOverride({.command = "DELE", .code = 550, .text = "Permission denied."});
    logInTo("/top");
    deleteTrees({QStringLiteral("d"), QStringLiteral("e")});
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteFileCantDelete");
    EXPECT_EQ(error->ReplyCode(), 550);
    EXPECT_TRUE(exists("/top/d/a.txt"));
    EXPECT_EQ(worker->DeleteNames(), QStringList{QStringLiteral("e")});
    EXPECT_EQ(lastCwd(), "/top");
}

TEST_F(WorkerTreeTest, AStopDuringAListingEndsTheDeleteWithoutAnErrorAndKeepsEveryName)
{
    server.fs().addFile("/top/d1/sub/a.txt", "a");
    server.fs().addFile("/top/d2/b.txt", "b");
    // The listing of d1 hangs until the Stop cuts it off.
    server.addOverride(
        {.command = "LIST", .times = 1, .data = {.kind = DataFaultKind::StallAfter, .bytes = 0}});
    logInTo("/top");
    recorder.events.clear();
    worker->DeleteRecursive({QStringLiteral("d1"), QStringLiteral("d2")});
    ASSERT_TRUE(waitUntil([&] { return server.dataStats().connections >= 1; }));
    worker->Stop();
    ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount("DeleteRecursive") == 1; }))
        << server.conversation();

    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_EQ(recorder.events, (Strings{"Busy", "Idle"})) << "no OnDeleted";
    EXPECT_EQ(worker->DeleteNames(), (QStringList{QStringLiteral("d1"), QStringLiteral("d2")}))
        << "the tree cut off in the middle stays first";
    EXPECT_TRUE(exists("/top/d1/sub/a.txt"));
    EXPECT_TRUE(exists("/top/d2/b.txt"));
    EXPECT_EQ(lastCwd(), "/top");
    EXPECT_TRUE(recorder.logHas("Status> The delete was stopped")) << recorder.logText();
    EXPECT_FALSE(recorder.logHas("Error> ")) << recorder.logText();
    EXPECT_FALSE(worker->StopRequested());

    // What is left can be deleted the same way.
    deleteTrees(worker->DeleteNames());
    EXPECT_FALSE(exists("/top/d1"));
    EXPECT_FALSE(exists("/top/d2"));
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
}

TEST_F(WorkerTreeTest, AStopBetweenFilesDeletesNoFurtherFile)
{
    for (const char* name : {"a", "b", "c"})
        server.fs().addFile(std::string("/top/d/") + name, "x");
    server.addOverride({.command = "DELE", .argument = "a", .delay = std::chrono::milliseconds(300)});
    logInTo("/top");
    worker->DeleteRecursive({QStringLiteral("d")});
    ASSERT_TRUE(waitUntil([&] {
        const Strings c = server.commands();
        return std::find(c.begin(), c.end(), "DELE a") != c.end();
    }));
    worker->Stop();
    ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount("DeleteRecursive") == 1; }));
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_FALSE(exists("/top/d/a"));
    EXPECT_TRUE(exists("/top/d/b"));
    EXPECT_TRUE(exists("/top/d/c"));
    EXPECT_EQ(recorder.count("Deleted"), 0);
    EXPECT_EQ(worker->DeleteNames(), QStringList{QStringLiteral("d")});
    EXPECT_EQ(lastCwd(), "/top");
}

TEST_F(WorkerTreeTest, NamesThatAreNoDirectoryHereAreNeverEntered)
{
    server.fs().addFile("/top/sub/x", "x");
    logInTo("/top/sub");
    const std::size_t before = server.commands().size();
    deleteTrees({QStringLiteral(".."), QStringLiteral("../sub"), QString()});
    EXPECT_TRUE(exists("/top/sub/x"));
    for (const std::string& command : commandsSince(before))
        EXPECT_EQ(command.find(".."), std::string::npos) << command;
}

// --- Recursive walk -----------------------------------------------------------------

class WalkTest : public WorkerTreeTest
{
protected:
    // "dir: name name ..." per OnSearchListing, with CurrentDir as the handler sees it.
    Strings walk(const char* root, const std::function<void()>& afterFirst = {})
    {
        Strings seen;
        worker->setOnSearchListing(&recorder, [&](TFTPWorker& w, const TListingPtr& listing) {
            std::string line = str(w.CurrentDir()) + ":";
            for (const auto& e : *listing)
                line += " " + e.name;
            seen.push_back(line);
            if (seen.size() == 1 && afterFirst)
                afterFirst();
        });
        worker->setEvent(TWorkerEvent::OnSearchDone, &recorder, [&](TFTPWorker&) { seen.push_back("done"); });
        const int before = recorder.finishedCount("Search");
        worker->Search(QString::fromLatin1(root));
        EXPECT_TRUE(waitUntil([&] { return recorder.finishedCount("Search") > before; }))
            << server.conversation();
        worker->setOnSearchListing(nullptr, {});
        worker->clearEvent(TWorkerEvent::OnSearchDone);
        return seen;
    }
};

TEST_F(WalkTest, ListsEveryDirectoryLastFirstAndReturns)
{
    server.fs().addFile("/w/a/f1", "1");
    server.fs().addFile("/w/a/b/f2", "2");
    server.fs().addFile("/w/c/f3", "3");
    server.fs().addDirectory("/home");
    logInTo("/home");
    EXPECT_EQ(walk("/w"), (Strings{"/w: a c", "/w/c: f3", "/w/a: b f1", "/w/a/b: f2", "done"}));
    EXPECT_EQ(str(worker->CurrentDir()), "/home");
    EXPECT_EQ(lastCwd(), "/home");
    EXPECT_EQ(worker->DirectoryCache().count(), 0) << "the walk neither reads nor fills the cache";
}

TEST_F(WalkTest, ALinkLoopEndsTheWalk)
{
    server.fs().addFile("/w/a/f1", "1");
    server.fs().addSymlink("/w/a/loop", ".");
    // Entering the link lands in the same directory, as "a -> ." does.
    server.addOverride({.command = "CWD", .argument = "loop", .code = 250, .text = "OK"});
    logInTo("/");
    const Strings seen = walk("/w");
    EXPECT_EQ(seen, (Strings{"/w: a", "/w/a: f1 loop", "done"}));
    EXPECT_EQ(str(worker->CurrentDir()), "/");
    ASSERT_TRUE(waitUntil([&] { return recorder.logHas("Status> Not searched again: /w/a"); }))
        << recorder.logText();
}

TEST_F(WalkTest, ClearingTheListingEventEndsTheWalkWhereItStarted)
{
    server.fs().addFile("/w/a/f1", "1");
    server.fs().addFile("/w/b/f2", "2");
    logInTo("/");
    const Strings seen = walk("/w", [&] {
        worker->setOnSearchListing(nullptr, {});
        worker->clearEvent(TWorkerEvent::OnSearchDone);
    });
    EXPECT_EQ(seen, Strings{"/w: a b"});
    const Strings c = server.commands();
    EXPECT_EQ(std::find(c.begin(), c.end(), "CWD b"), c.end());
    EXPECT_EQ(str(worker->CurrentDir()), "/");
    EXPECT_EQ(lastCwd(), "/");
}

TEST_F(WalkTest, AFailedWalkReturnsWithoutReportingOrFinishing)
{
    server.fs().addFile("/w/a/f1", "1");
    server.addOverride({.command = "CWD", .argument = "a", .code = 550, .text = "No access."});
    logInTo("/");
    const Strings seen = walk("/w");
    EXPECT_EQ(seen, Strings{"/w: a"});
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_EQ(str(worker->CurrentDir()), "/");
    EXPECT_EQ(lastCwd(), "/");
}

} // namespace
