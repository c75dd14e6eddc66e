#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "engine/EngineErrors.h"

using namespace enginetest;
using namespace testsupport;

namespace {

class WorkerListingTest : public WorkerTest
{
protected:
    // Logged in and in `directory`.
    void logInTo(const char* directory)
    {
        recorder.onLoggedIn = [directory](TFTPWorker& w) { w.ChangeDir(QString::fromLatin1(directory)); };
        logIn();
        ASSERT_EQ(str(worker->CurrentDir()), directory);
    }
    TListingPtr lastListing() const
    {
        return recorder.listed.empty() ? nullptr : recorder.listed.back().second;
    }
};

TEST_F(WorkerListingTest, ASecondListingComesFromTheCacheUntilInvalidatedInAnyCase)
{
    server.fs().addFile("/Data/Report.TXT", "1");
    logInTo("/Data");
    list();
    const TListingPtr first = lastListing();
    ASSERT_EQ(names(first), Strings{"Report.TXT"});

    std::size_t before = server.commands().size();
    list();
    EXPECT_EQ(commandsSince(before), Strings{}) << "a cached listing sends nothing";
    EXPECT_EQ(lastListing(), first) << "the cached copy itself is handed out";

    server.fs().addFile("/Data/new.txt", "2");
    worker->InvalidateDir(QStringLiteral("/data"));
    before = server.commands().size();
    list();
    EXPECT_EQ(commandsSince(before), (Strings{"EPSV", "LIST"}));
    EXPECT_EQ(names(lastListing()), (Strings{"Report.TXT", "new.txt"}));
    // What the window still shows stays valid.
    EXPECT_EQ(names(first), Strings{"Report.TXT"});
    EXPECT_EQ(recorder.count("Listed"), 3);
}

TEST_F(WorkerListingTest, LinksToDirectoriesBecomeDirectoriesAndOthersFiles)
{
    server.fs().addDirectory("/real");
    server.fs().addFile("/l/file.txt", "x");
    server.fs().addSymlink("/l/dirlink", "/real");
    server.fs().addSymlink("/l/filelink", "file.txt");
    server.fs().addSymlink("/l/dangling", "/nowhere");
    // The scripted server does not follow links on CWD; this one it does.
    server.addOverride({.command = "CWD", .argument = "dirlink", .code = 250, .text = "OK"});
    logInTo("/l");
    const std::size_t before = server.commands().size();
    list();
    const TListingPtr listing = lastListing();
    ASSERT_NE(entry(listing, "dirlink"), nullptr);
    EXPECT_EQ(entry(listing, "dirlink")->type, ftp::EntryType::Directory);
    EXPECT_EQ(entry(listing, "dirlink")->linkTarget, "/real");
    EXPECT_EQ(entry(listing, "filelink")->type, ftp::EntryType::File);
    EXPECT_EQ(entry(listing, "dangling")->type, ftp::EntryType::File);
    EXPECT_EQ(entry(listing, "file.txt")->type, ftp::EntryType::File);
    // Probed in server order, returning after each link that could be entered.
    EXPECT_EQ(commandsSince(before),
              (Strings{"EPSV", "LIST", "CWD dangling", "CWD dirlink", "CWD /l", "CWD filelink"}));
    EXPECT_FALSE(worker->HasPendingError());
}

TEST_F(WorkerListingTest, StopDuringLinkProbingLeavesTheRestAsLinksAndClearsTheRequest)
{
    for (const char* name : {"l1", "l2", "l3", "l4"})
        server.fs().addSymlink(std::string("/l/") + name, "/real");
    server.fs().addDirectory("/real");
    server.addOverride({.command = "CWD",
                        .argument = "l1",
                        .code = 250,
                        .text = "OK",
                        .delay = std::chrono::milliseconds(300)});
    server.addOverride({.command = "CWD", .argument = "l2", .code = 250, .text = "OK"});
    logInTo("/l");
    worker->List();
    ASSERT_TRUE(waitUntil([&] {
        const Strings c = server.commands();
        return std::find(c.begin(), c.end(), "CWD l1") != c.end();
    }));
    worker->Stop();
    ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount("List") == 1; }));
    const TListingPtr listing = lastListing();
    EXPECT_EQ(entry(listing, "l1")->type, ftp::EntryType::Directory);
    EXPECT_EQ(entry(listing, "l2")->type, ftp::EntryType::Link);
    EXPECT_EQ(entry(listing, "l4")->type, ftp::EntryType::Link);
    EXPECT_FALSE(worker->StopRequested());
    EXPECT_FALSE(worker->HasPendingError());
    const Strings c = server.commands();
    EXPECT_EQ(std::find(c.begin(), c.end(), "CWD l2"), c.end());
}

TEST_F(WorkerListingTest, StopCutsAStalledListingAndTheNextListingWorks)
{
    server.fs().addFile("/d/a.txt", "x");
    server.addOverride(
        {.command = "LIST", .times = 1, .data = {.kind = DataFaultKind::StallAfter, .bytes = 0}});
    logInTo("/d");
    worker->List();
    // Wait with the event loop running: the worker hands its events to this thread.
    ASSERT_TRUE(waitUntil([&] { return server.dataStats().connections == 1; }));
    worker->Stop();
    ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount("List") == 1; }));
    EXPECT_EQ(recorder.listed.back().second, nullptr) << "a stopped listing still fires OnListed";
    // Stopped is no failure: nothing for the window to show but one log line.
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_EQ(std::count(recorder.log.begin(), recorder.log.end(), "Status> The listing was stopped"), 1)
        << recorder.logText();
    EXPECT_FALSE(recorder.logHas("Error> ")) << recorder.logText();
    EXPECT_FALSE(worker->StopRequested()) << "the stop is used up by what it stopped";
    EXPECT_EQ(worker->DirectoryCache().count(), 0) << "nothing of a stopped listing is cached";
    EXPECT_TRUE(worker->IsConnected());

    list();
    EXPECT_EQ(names(lastListing()), Strings{"a.txt"});
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
}

TEST_F(WorkerListingTest, AStopPendingWhenTheListingStartsEndsItAtOnceWithoutAnError)
{
    server.fs().addFile("/d/a.txt", "x");
    recorder.onLoggedIn = [](TFTPWorker& w) {
        w.ChangeDir(QStringLiteral("/d"));
        w.Stop();
        w.List();
    };
    connectTo(host(), "List");
    EXPECT_EQ(recorder.listed.back().second, nullptr);
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_TRUE(recorder.logHas("Status> The listing was stopped")) << recorder.logText();
    const Strings c = server.commands();
    EXPECT_EQ(std::find(c.begin(), c.end(), "LIST"), c.end());
    EXPECT_FALSE(worker->StopRequested());

    list();
    EXPECT_EQ(names(lastListing()), Strings{"a.txt"});
}

TEST_F(WorkerListingTest, ARefusedListingIsCantReadWhateverTheCode)
{
    logInTo("/");
    server.addOverride({.command = "LIST", .code = 550, .text = "Permission denied."});
    list();
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteDirectoryCantRead");
    EXPECT_EQ(error->Message(), QStringLiteral("Could not read the contents of choosen directory."));
    EXPECT_EQ(error->ReplyCode(), 550);
    EXPECT_EQ(recorder.count("Listed"), 1);
    EXPECT_TRUE(worker->IsConnected()) << "a reply error leaves the connection open";
}

TEST_F(WorkerListingTest, AConnectionResetDuringAListingIsTheClosedConnection)
{
    logInTo("/");
    server.addOverride({.command = "LIST", .close = true});
    list();
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteConnectionClosed");
    EXPECT_EQ(error->Message(), QStringLiteral("The remote host closed the connection."));
    EXPECT_TRUE(error->retryable());
    EXPECT_EQ(server.sessionCount(), 1) << "a command that went through is not repeated";
}

TEST_F(WorkerListingTest, AnUnreadableListingIsParseFailed)
{
    server.fs().addDirectory("/odd");
    server.fs().setListing("/odd", "\x01\x02 garbage that is no listing\r\n<<< >>>\r\n");
    logInTo("/odd");
    list();
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteDirectoryParseFailed");
}

TEST_F(WorkerListingTest, EntriesWhoseNamesCannotBeUsedAreSkippedAndLogged)
{
    server.fs().addDirectory("/odd");
    server.fs().setListing("/odd", "-rw-r--r--   1 ftp ftp 5 Mar  5 14:07 good.txt\r\n"
                                   "-rw-r--r--   1 ftp ftp 5 Mar  5 14:07 ..\\..\\evil\r\n"
                                   "drwxr-xr-x   2 ftp ftp 0 Mar  5 14:07 a/b\r\n");
    logInTo("/odd");
    list();
    EXPECT_EQ(names(lastListing()), Strings{"good.txt"});
    ASSERT_TRUE(waitUntil([&] { return recorder.logHas("Error> Skipped a listing entry"); }))
        << recorder.logText();
    EXPECT_NE(recorder.logText().find("..\\..\\evil"), std::string::npos);
}

TEST_F(WorkerListingTest, ChangeDirToTheCurrentDirectorySendsNothingButBrackets)
{
    logInTo("/");
    recorder.events.clear();
    const std::size_t before = server.commands().size();
    worker->ChangeDir(QStringLiteral("/"));
    EXPECT_EQ(commandsSince(before), Strings{});
    EXPECT_EQ(recorder.events, (Strings{"Busy", "Idle"}));
}

TEST_F(WorkerListingTest, AFailedChangeDirKeepsTheDirectory)
{
    server.fs().addDirectory("/pub");
    logInTo("/pub");
    worker->ChangeDir(QStringLiteral("/missing"));
    EXPECT_EQ(str(worker->CurrentDir()), "/pub");
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteDirectoryCantChange");
    EXPECT_EQ(error->Message(), QStringLiteral("Could not change to choosen directory."));

    worker->ChangeDirUp();
    EXPECT_EQ(str(worker->CurrentDir()), "/");
}

TEST_F(WorkerListingTest, ALineBreakInADirectoryNameIsRefusedNotSent)
{
    logInTo("/");
    const std::size_t before = server.commands().size();
    worker->ChangeDir(QStringLiteral("x\r\nDELE important"));
    EXPECT_EQ(commandsSince(before), Strings{});
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteDirectoryCantChange");
}

} // namespace
