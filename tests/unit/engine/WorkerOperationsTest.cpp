#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "engine/EngineErrors.h"

using namespace enginetest;
using namespace testsupport;

namespace {

class WorkerOperationsTest : public WorkerTest
{
protected:
    void SetUp() override
    {
        WorkerTest::SetUp();
        server.fs().addFile("/pub/a.txt", "a");
        recorder.onLoggedIn = [](TFTPWorker& w) { w.ChangeDir(QStringLiteral("/pub")); };
        logIn();
        recorder.events.clear();
        m_before = server.commands().size();
    }
    Strings sent() const { return commandsSince(m_before); }

private:
    std::size_t m_before = 0;
};

TEST_F(WorkerOperationsTest, MakeDirRenameAndDeleteRunInsideTheBracket)
{
    worker->MakeDir(QStringLiteral("new"));
    worker->Rename(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
    worker->DeleteFile(QStringLiteral("b.txt"));
    EXPECT_EQ(sent(), (Strings{"MKD new", "RNFR a.txt", "RNTO b.txt", "DELE b.txt"}));
    EXPECT_TRUE(server.fs().isDirectory("/pub/new"));
    EXPECT_FALSE(server.fs().exists("/pub/a.txt"));
    EXPECT_FALSE(server.fs().exists("/pub/b.txt"));
    EXPECT_EQ(recorder.events, (Strings{"Busy", "Idle", "Busy", "Idle", "Busy", "Idle"}));
    EXPECT_FALSE(worker->HasPendingError());
}

TEST_F(WorkerOperationsTest, RefusalsBecomeTheirOperationsErrors)
{
    worker->MakeDir(QStringLiteral("/no/such/parent"));
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteDirectoryCantCreate");
    worker->Rename(QStringLiteral("missing"), QStringLiteral("x"));
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteCantRename");
    worker->DeleteFile(QStringLiteral("missing"));
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteFileCantDelete");
    EXPECT_EQ(error->Message(), QStringLiteral("Could not delete the remote file."));
    EXPECT_FALSE(error->retryable());
    EXPECT_TRUE(worker->IsConnected());
}

TEST_F(WorkerOperationsTest, SiteCommandsPutTheValueFirstAndRunWithoutBracket)
{
    worker->SiteChmod(QStringLiteral("a.txt"), QStringLiteral("640"));
    worker->SiteChown(QStringLiteral("a.txt"), QStringLiteral("alice"));
    worker->SiteChgrp(QStringLiteral("a.txt"), QStringLiteral("staff"));
    EXPECT_EQ(sent(), (Strings{"SITE CHMOD 640 a.txt", "SITE CHOWN alice a.txt", "SITE CHGRP staff a.txt"}));
    const auto node = server.fs().node("/pub/a.txt");
    EXPECT_EQ(node->permissions, "rw-r-----");
    EXPECT_EQ(node->owner, "alice");
    EXPECT_EQ(node->group, "staff");
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(WorkerOperationsTest, SiteFailuresReachTheCaller)
{
    try {
        worker->SiteChmod(QStringLiteral("missing"), QStringLiteral("644"));
        FAIL() << "no error";
    } catch (const ftp::ReplyError& e) {
        EXPECT_EQ(e.code(), 550);
    }
    EXPECT_FALSE(worker->HasPendingError());
}

TEST_F(WorkerOperationsTest, LineBreaksInNamesAreRefusedBeforeAnythingIsSent)
{
    worker->MakeDir(QStringLiteral("x\r\nRMD /"));
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteDirectoryCantCreate");
    worker->Rename(QStringLiteral("a.txt"), QStringLiteral("b\nDELE a.txt"));
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteCantRename");
    worker->DeleteFile(QStringLiteral("a.txt\r\nQUIT"));
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteFileCantDelete");
    EXPECT_THROW(worker->SiteChmod(QStringLiteral("a.txt\nDELE a.txt"), QStringLiteral("777")),
                 ftp::FtpError);
    EXPECT_EQ(sent(), Strings{});
    EXPECT_TRUE(server.fs().exists("/pub/a.txt"));
}

TEST_F(WorkerOperationsTest, WorkerErrorIsSignalledForEveryReportedError)
{
    int signalled = 0;
    QObject::connect(worker.get(), &TFTPWorker::workerError, &recorder, [&] { ++signalled; });
    worker->DeleteFile(QStringLiteral("missing"));
    worker->ChangeDir(QStringLiteral("/missing"));
    EXPECT_EQ(signalled, 2);
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteDirectoryCantChange");
}

} // namespace
