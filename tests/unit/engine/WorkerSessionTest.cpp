#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "core/TMainConfig.h"
#include "engine/EngineErrors.h"
#include "unit/ftp/SilentServer.h"

using namespace enginetest;
using namespace testsupport;

namespace {

class WorkerSessionTest : public WorkerTest
{};

// --- Connect, log in, events -------------------------------------------------------

TEST_F(WorkerSessionTest, EventsArriveInOrderOnTheMainThreadAndTheLoggedInHandlerRunsFirst)
{
    server.fs().addDirectory("/pub");
    server.fs().addFile("/pub/readme.txt", "hello");
    recorder.onLoggedIn = [](TFTPWorker& w) {
        // As the window does: change to the initial directory and ask for a listing.
        w.ChangeDir(QStringLiteral("/pub"));
        w.List();
    };
    connectTo(host(), "List");

    EXPECT_TRUE(recorder.allOnMainThread);
    EXPECT_EQ(recorder.events, (Strings{"Busy", "Connected", "Idle",                // connect
                                        "Busy", "LoggedIn",                         // login
                                        "Busy", "DirectoryChanged", "Idle", "Idle", // handler's ChangeDir
                                        "Busy", "Listed", "Idle"}));                // the listing
    EXPECT_EQ(server.commands(), (Strings{"USER bob", "PASS secret", "FEAT", "OPTS UTF8 ON", "PWD",
                                          "CWD /pub", "PWD", "EPSV", "LIST"}));
    ASSERT_EQ(recorder.listed.size(), 1u);
    EXPECT_EQ(recorder.listed[0].first, "/pub");
    EXPECT_EQ(names(recorder.listed[0].second), Strings{"readme.txt"});
    EXPECT_TRUE(worker->IsConnected());
    EXPECT_FALSE(worker->HasPendingError());
}

TEST_F(WorkerSessionTest, StatusTextsNameTheRunningOperation)
{
    std::vector<std::string> seen;
    worker->setEvent(TWorkerEvent::OnBusy, &recorder,
                     [&](TFTPWorker& w) { seen.push_back(str(w.StatusText())); });
    logIn();
    EXPECT_EQ(seen, (Strings{"Connecting", "Logging in"}));
}

TEST_F(WorkerSessionTest, AnAnonymousHostLogsInWithTheConfiguredAddress)
{
    TMainConfig::createGlobal();
    MainConfig()->SetAnonymousEmail(QStringLiteral("me@example.org"));
    THost h = host();
    h.IsAnonymous = true; // Username and Password are ignored
    connectTo(h);
    TMainConfig::destroyGlobal();
    const Strings commands = server.commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[0], "USER anonymous");
    EXPECT_EQ(commands[1], "PASS me@example.org");
}

TEST_F(WorkerSessionTest, SetHostWhileConnectedDisconnectsFirst)
{
    logIn();
    recorder.events.clear();
    connectTo(host());
    const auto disconnected = std::find(recorder.events.begin(), recorder.events.end(), "Disconnected");
    const auto connected = std::find(recorder.events.begin(), recorder.events.end(), "Connected");
    ASSERT_NE(disconnected, recorder.events.end());
    ASSERT_NE(connected, recorder.events.end());
    EXPECT_LT(disconnected - recorder.events.begin(), connected - recorder.events.begin());
    EXPECT_EQ(server.commands(1).back(), "QUIT");
    EXPECT_EQ(server.sessionCount(), 2);
}

// The window's order of events: `first` before `second`, both there.
::testing::AssertionResult happensBefore(const Strings& events, const std::string& first,
                                         const std::string& second)
{
    const auto a = std::find(events.begin(), events.end(), first);
    const auto b = std::find(a == events.end() ? events.begin() : a, events.end(), second);
    if (a == events.end() || b == events.end())
        return ::testing::AssertionFailure() << first << " then " << second << " missing";
    return ::testing::AssertionSuccess();
}

TEST_F(WorkerSessionTest, SetHostDuringAListingCutsItShortAndTheThreadReconnects)
{
    server.fs().addFile("/f", "x");
    // The listing's data connection stays silent: the thread waits in a read.
    server.addOverride(
        {.command = "LIST", .times = 1, .data = {.kind = DataFaultKind::StallAfter, .bytes = 0}});
    logIn();
    recorder.events.clear();
    worker->List();
    ASSERT_TRUE(waitUntil([&] { return server.dataStats().connections == 1; }));
    worker->Stop();
    worker->SetHost(host());
    EXPECT_FALSE(worker->StopRequested()) << "SetHost clears a Stop";
    ASSERT_TRUE(waitUntil([&] { return recorder.count("LoggedIn") == 1; })) << recorder.logText();

    EXPECT_FALSE(worker->HasPendingError())
        << "a listing cut short for a new host is no error: " << pendingErrorClass();
    EXPECT_TRUE(happensBefore(recorder.events, "Listed", "Disconnected"));
    EXPECT_TRUE(happensBefore(recorder.events, "Disconnected", "Connected"));
    EXPECT_EQ(recorder.count("Disconnected"), 1);
    EXPECT_EQ(recorder.finishedCount("List"), 1);
    EXPECT_TRUE(worker->IsConnected());
    EXPECT_EQ(server.sessionCount(), 2);
    EXPECT_EQ(server.commands(2).front(), "USER bob");
}

TEST_F(WorkerSessionTest, SetHostDuringALoginSwitchesToTheNewHost)
{
    ScriptedFtpServer other;
    server.addOverride({.command = "PASS", .delay = 20s}); // the first login hangs
    worker->SetHost(host());
    ASSERT_TRUE(waitUntil([&] { return server.verbs().size() == 2; })) << server.conversation();
    THost next = host();
    next.Port = other.port();
    worker->SetHost(next);
    ASSERT_TRUE(waitUntil([&] { return recorder.count("LoggedIn") == 1; })) << recorder.logText();

    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_EQ(str(worker->Host().Hostname), server.host());
    EXPECT_EQ(worker->Host().Port, other.port());
    EXPECT_EQ(other.verbs(), (Strings{"USER", "PASS", "FEAT", "OPTS", "PWD"}));
    EXPECT_EQ(server.verbs(), (Strings{"USER", "PASS"})) << "nothing more went to the old host";
    EXPECT_TRUE(happensBefore(recorder.events, "Disconnected", "LoggedIn"));
    EXPECT_TRUE(worker->IsConnected());
}

TEST_F(WorkerSessionTest, SetHostBeforeTheThreadRunsConnectsOnceItDoes)
{
    TFTPWorker late;
    EventRecorder events;
    events.attach(late);
    late.SetHost(host());
    late.start();
    ASSERT_TRUE(waitUntil([&] { return events.count("LoggedIn") == 1; })) << events.logText();
    EXPECT_FALSE(late.HasPendingError());
    late.Shutdown();
}

TEST_F(WorkerSessionTest, DisconnectWithNothingOpenStillReportsIt)
{
    worker->Disconnect();
    EXPECT_EQ(recorder.events, Strings{"Disconnected"});
    EXPECT_EQ(server.sessionCount(), 0);
}

TEST_F(WorkerSessionTest, DisconnectEmptiesTheCache)
{
    server.fs().addFile("/f", "x");
    logIn();
    list();
    EXPECT_EQ(worker->DirectoryCache().count(), 1);
    worker->Disconnect();
    EXPECT_EQ(worker->DirectoryCache().count(), 0);
    EXPECT_FALSE(worker->IsConnected());
}

// --- Reconnecting -------------------------------------------------------------------

// The server drops the idle connection after the reply to the PWD that follows
// "CWD /pub"; `trailing` is what it sends before closing.
void dropAfterChangeToPub(ScriptedFtpServer& server, const std::string& trailing)
{
    server.addOverride({.command = "PWD",
                        .code = 257,
                        .text = "\"/pub\" is the current directory",
                        .times = 1,
                        .trailing = trailing,
                        .close = true});
}

class WorkerReconnectTest : public WorkerSessionTest, public ::testing::WithParamInterface<const char*>
{};

TEST_P(WorkerReconnectTest, ADroppedConnectionReopensSilentlyInTheSameDirectory)
{
    server.fs().addDirectory("/pub/sub");
    recorder.onLoggedIn = [](TFTPWorker& w) { w.List(); };
    connectTo(host(), "List");
    dropAfterChangeToPub(server, GetParam());
    worker->ChangeDir(QStringLiteral("/pub"));
    ASSERT_EQ(str(worker->CurrentDir()), "/pub");
    ASSERT_TRUE(server.waitUntil([&] { return server.openSessionCount() == 0; }));

    worker->ChangeDir(QStringLiteral("sub"));

    EXPECT_EQ(str(worker->CurrentDir()), "/pub/sub");
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_EQ(server.sessionCount(), 2);
    EXPECT_EQ(server.commands(2), (Strings{"USER bob", "PASS secret", "FEAT", "OPTS UTF8 ON", "PWD",
                                           "CWD /pub", "PWD", "CWD sub", "PWD"}));
    // No second "Logged in", so no second automatic listing.
    EXPECT_TRUE(waitUntil([&] { return recorder.log.size() > 0; }));
    EXPECT_EQ(recorder.count("LoggedIn"), 1);
    EXPECT_EQ(recorder.count("Connected"), 1);
    EXPECT_EQ(recorder.count("Listed"), 1);
}

INSTANTIATE_TEST_SUITE_P(ClosedOrTimedOut, WorkerReconnectTest,
                         ::testing::Values("", "421 Idle time-out, closing control connection.\r\n"));

TEST_F(WorkerSessionTest, ACommandThatGotFurtherIsNotSentAgain)
{
    server.fs().addFile("/a", "x");
    logIn();
    // RNTO meets the closed connection after RNFR went through: unknown whether
    // the rename happened, so nothing is repeated.
    server.addOverride({.command = "RNTO", .close = true});
    const std::size_t before = server.commands().size();
    EXPECT_THROW(worker->Rename(QStringLiteral("a"), QStringLiteral("b")), ftp::SocketError);
    EXPECT_EQ(commandsSince(before), (Strings{"RNFR a", "RNTO b"}));
    EXPECT_EQ(server.sessionCount(), 1);
}

// --- The control-connection log ------------------------------------------------------

TEST_F(WorkerSessionTest, ThePasswordNeverReachesTheLogAndAMultiLineGreetingIsOneEntry)
{
    server.setGreeting(
        {.code = 220, .text = "Welcome\nto the test server", .byteDelay = std::chrono::milliseconds(1)});
    logIn();
    ASSERT_TRUE(waitUntil([&] { return recorder.logHas("Reply> 257"); })) << recorder.logText();
    const std::string log = recorder.logText();
    EXPECT_EQ(log.find("secret"), std::string::npos) << log;
    EXPECT_NE(log.find("Command> PASS ******\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Reply> 220-Welcome\r\n220 to the test server\n"), std::string::npos) << log;
    EXPECT_EQ(std::count_if(recorder.log.begin(), recorder.log.end(),
                            [](const std::string& l) { return l.rfind("Reply> 2", 0) == 0 && l.size() < 9; }),
              0)
        << "a reply was logged in pieces:\n"
        << log;
}

// --- Failures --------------------------------------------------------------------------

TEST_F(WorkerSessionTest, AWrongPasswordIsAnAuthenticationErrorAndDisconnects)
{
    server.setAccount("bob", "other");
    logIn();
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteAuthenticationFailed");
    EXPECT_EQ(error->Message(), QStringLiteral("Authentication failed."));
    EXPECT_EQ(error->ReplyCode(), 530);
    EXPECT_FALSE(error->retryable());
    EXPECT_FALSE(worker->IsConnected());
    EXPECT_EQ(recorder.count("LoggedIn"), 0);
    EXPECT_EQ(recorder.count("Disconnected"), 1);
}

TEST_F(WorkerSessionTest, RefusedTlsIsTheTlsErrorNotTheAuthenticationOne)
{
    server.addOverride({.command = "AUTH", .code = 502, .text = "Command not implemented."});
    connectTo(host(true));
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteTLSNotAvailable");
    EXPECT_EQ(error->Message(), QStringLiteral("TLS/SSL not availible."));
    EXPECT_FALSE(worker->IsConnected());
    EXPECT_EQ(server.verbs(), (Strings{"AUTH", "AUTH"}));
}

TEST_F(WorkerSessionTest, AnUnknownHostShowsTheHostNotFoundTexts)
{
    THost h = host();
    h.Hostname = QStringLiteral("no-such-host.invalid");
    connectTo(h, "Connect");
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteConnectionFailed");
    EXPECT_EQ(error->Message(), QStringLiteral("Host not found."));
    EXPECT_EQ(recorder.finishedCount("Login"), 0);
    EXPECT_EQ(worker->Command(), WorkerCommand::Idle);
}

TEST_F(WorkerSessionTest, AServerThatNeverGreetsIsATimeOutNotARefusal)
{
    TMainConfig::createGlobal();
    MainConfig()->SetConnectTimeout(1);
    SilentServer silent;
    THost h = host();
    h.Port = silent.port();
    const auto started = std::chrono::steady_clock::now();
    connectTo(h, "Connect");
    const auto took = std::chrono::steady_clock::now() - started;
    TMainConfig::destroyGlobal();
    EXPECT_LT(took, 5s) << "the connect time-out is the setting's, not the reply time-out";
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteConnectionFailed");
    EXPECT_EQ(error->Message(), QStringLiteral("Connection to remote host timed out."));
    EXPECT_TRUE(static_cast<EFTPTransferException&>(*error).LongDescription.startsWith(
        QStringLiteral("The remote host did not answer in time")));
    EXPECT_TRUE(error->retryable());
    EXPECT_FALSE(worker->IsConnected());
    EXPECT_EQ(recorder.finishedCount("Login"), 0);
}

TEST_F(WorkerSessionTest, AReplyThatNeverComesIsATimeOutWithTheReplySetting)
{
    TMainConfig::createGlobal();
    MainConfig()->SetReplyTimeout(1);
    server.addOverride({.command = "LIST", .delay = 20s});
    logIn();
    list();
    TMainConfig::destroyGlobal();
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->Message(), QStringLiteral("Connection to remote host timed out."));
}

TEST_F(WorkerSessionTest, ARefusingGreetingIsReportedAsAFailedConnection)
{
    server.setGreeting({.code = 421, .text = "Too many connections"});
    connectTo(host(), "Connect");
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteConnectionFailed");
    EXPECT_EQ(error->ReplyCode(), 421);
    EXPECT_TRUE(error->retryable());
    EXPECT_EQ(recorder.count("Disconnected"), 1);
}

TEST_F(WorkerSessionTest, TheLatestErrorReplacesAnUnshownOne)
{
    logIn();
    worker->ChangeDir(QStringLiteral("/missing"));
    worker->MakeDir(QStringLiteral("/missing/x"));
    EXPECT_EQ(pendingErrorClass(), "EFTRemoteDirectoryCantCreate");
    EXPECT_FALSE(worker->HasPendingError());
}

// --- TLS and certificates -------------------------------------------------------------

TEST_F(WorkerSessionTest, AnUntrustedCertificateIsAskedAboutAndRejectedIsItsOwnError)
{
    recorder.certificateAnswer = TCertificateAnswer::caReject;
    connectTo(host(true));
    ASSERT_EQ(recorder.prompts.size(), 1u);
    EXPECT_EQ(str(recorder.prompts[0].Fingerprint), server.fingerprintSha256());
    EXPECT_EQ(recorder.prompts[0].Port, server.port());
    auto error = worker->TakePendingError();
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error->ClassName(), "EFTRemoteCertificateRejected");
    EXPECT_FALSE(error->retryable());
    EXPECT_FALSE(worker->IsConnected());
    // Nothing of the login went to that server.
    EXPECT_EQ(server.verbs(), Strings{"AUTH"});
}

TEST_F(WorkerSessionTest, AcceptAlwaysIsRememberedForTheNextConnection)
{
    recorder.certificateAnswer = TCertificateAnswer::caAcceptAlways;
    connectTo(host(true));
    ASSERT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_TRUE(worker->TLSActive());
    EXPECT_TRUE(readWholeFile(data.path(QStringLiteral("TrustedCertificates.xml")))
                    .contains(QByteArray::fromStdString(server.fingerprintSha256())));

    TTrustedCertificates::resetInstance(); // as after a restart
    recorder.certificateAnswer = TCertificateAnswer::caReject;
    connectTo(host(true));
    EXPECT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_EQ(recorder.prompts.size(), 1u);
    EXPECT_EQ(recorder.count("LoggedIn"), 2);
}

TEST_F(WorkerSessionTest, AcceptOnceIsNotWrittenDown)
{
    recorder.certificateAnswer = TCertificateAnswer::caAcceptOnce;
    connectTo(host(true));
    ASSERT_FALSE(worker->HasPendingError()) << pendingErrorClass();
    EXPECT_TRUE(worker->TLSActive());
    EXPECT_FALSE(readWholeFile(data.path(QStringLiteral("TrustedCertificates.xml")))
                     .contains(QByteArray::fromStdString(server.fingerprintSha256())));
    connectTo(host(true));
    EXPECT_EQ(recorder.prompts.size(), 1u) << "asked again in the same run";
}

TEST_F(WorkerSessionTest, ShutdownCutsAnOperationThatDoesNotEnd)
{
    server.fs().addFile("/f", "x");
    server.addOverride({.command = "LIST", .data = {.kind = DataFaultKind::StallAfter, .bytes = 0}});
    logIn();
    worker->List();
    ASSERT_TRUE(waitUntil([&] { return server.dataStats().connections == 1; }));
    worker->Shutdown(100, 100);
    EXPECT_TRUE(worker->isFinished());
    EXPECT_FALSE(worker->IsConnected());
}

TEST_F(WorkerSessionTest, ResumeSupportIsAskedOnce)
{
    recorder.onLoggedIn = [](TFTPWorker& w) {
        EXPECT_TRUE(w.ResumeSupported());
        EXPECT_TRUE(w.ResumeSupported());
    };
    logIn();
    EXPECT_EQ(server.verbs(), (Strings{"USER", "PASS", "FEAT", "OPTS", "PWD", "REST", "REST"}));
}

} // namespace
