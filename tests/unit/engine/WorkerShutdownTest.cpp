#include <atomic>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

using namespace enginetest;
using namespace testsupport;

// Ending the worker from inside one of its own event handlers: the worker's thread
// waits for that very handler, so neither Shutdown nor the destructor may wait for
// the thread before the handler has returned.

namespace {

enum class Ending
{
    Shutdown,
    Delete,
};

struct EndingCase
{
    TWorkerEvent event;
    const char* name;
    Ending ending;
};

class WorkerShutdownTest : public WorkerTest, public ::testing::WithParamInterface<EndingCase>
{
protected:
    // Ends the worker the way the case says, from inside its handler.
    void endFromHandler(TFTPWorker& w)
    {
        if (ended)
            return;
        ended = true;
        if (GetParam().ending == Ending::Shutdown) {
            w.Shutdown();
            // It returned without waiting: the thread still waits for this handler.
            stillRunningAfterShutdown = w.isRunning();
        } else {
            worker.reset();
        }
        handlerReturned = true;
    }

    bool ended = false;
    bool handlerReturned = false;
    bool stillRunningAfterShutdown = false;
};

TEST_P(WorkerShutdownTest, EndingTheWorkerFromInsideAHandlerNeitherHangsNorCrashes)
{
    server.fs().addFile("/f", "x");
    bool listed = false;
    worker->setEvent(GetParam().event, &recorder, [&](TFTPWorker& w) {
        // OnIdle first fires after the connect; wait for the listing's.
        if (GetParam().event == TWorkerEvent::OnIdle && !listed)
            return;
        endFromHandler(w);
    });
    worker->setEvent(TWorkerEvent::OnListed, &recorder, [&](TFTPWorker& w) {
        listed = true;
        if (GetParam().event == TWorkerEvent::OnListed)
            endFromHandler(w);
    });
    worker->setEvent(TWorkerEvent::OnLoggedIn, &recorder, [&](TFTPWorker& w) {
        w.List();
        if (GetParam().event == TWorkerEvent::OnLoggedIn)
            endFromHandler(w);
    });
    worker->SetHost(host());
    ASSERT_TRUE(waitUntil([&] { return handlerReturned; })) << server.conversation();

    if (GetParam().ending == Ending::Shutdown) {
        EXPECT_TRUE(stillRunningAfterShutdown);
        // The rest of Shutdown's wait ran as soon as the handler had returned.
        EXPECT_TRUE(worker->isFinished());
        EXPECT_FALSE(worker->IsConnected());
    } else {
        EXPECT_EQ(worker, nullptr);
    }
    // The connection was cut, not left open.
    EXPECT_TRUE(server.waitForSessionsClosed());
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, WorkerShutdownTest,
    ::testing::Values(EndingCase{TWorkerEvent::OnLoggedIn, "ShutdownInOnLoggedIn", Ending::Shutdown},
                      EndingCase{TWorkerEvent::OnListed, "ShutdownInOnListed", Ending::Shutdown},
                      EndingCase{TWorkerEvent::OnIdle, "ShutdownInOnIdle", Ending::Shutdown},
                      EndingCase{TWorkerEvent::OnLoggedIn, "DeleteInOnLoggedIn", Ending::Delete},
                      EndingCase{TWorkerEvent::OnListed, "DeleteInOnListed", Ending::Delete},
                      EndingCase{TWorkerEvent::OnIdle, "DeleteInOnIdle", Ending::Delete}),
    [](const ::testing::TestParamInfo<EndingCase>& info) { return std::string(info.param.name); });

class WorkerEndTest : public WorkerTest
{};

TEST_F(WorkerEndTest, DeletingTheWorkerInsideTheCertificateQuestionDropsTheAnswer)
{
    bool asked = false;
    worker->setOnCertificate(&recorder, [&](TFTPWorker&, TCertificatePrompt& prompt) {
        asked = true;
        worker.reset();
        // The prompt belongs to the call, not to the thread that asked: still valid.
        prompt.Answer = TCertificateAnswer::caAcceptAlways;
    });
    worker->SetHost(host(true));
    ASSERT_TRUE(waitUntil([&] { return asked; }));
    EXPECT_EQ(worker, nullptr);
    EXPECT_TRUE(server.waitForSessionsClosed());
    EXPECT_EQ(server.verbs(), Strings{"AUTH"});
    EXPECT_FALSE(readWholeFile(data.path(QStringLiteral("TrustedCertificates.xml")))
                     .contains(QByteArray::fromStdString(server.fingerprintSha256())))
        << "an answer given after the worker let go of the question is not used";
}

TEST_F(WorkerEndTest, AHandlerOnAnotherThreadIsWaitedForByTheDestructor)
{
    // A receiver on a thread of its own: the destructor, on this thread, must not
    // free the worker while that handler still uses it.
    QThread receiverThread;
    QObject receiver;
    receiver.moveToThread(&receiverThread);
    receiverThread.start();
    std::atomic<bool> inHandler{false};
    std::atomic<bool> release{false};
    std::atomic<bool> sawCurrentDir{false};
    worker->setEvent(TWorkerEvent::OnLoggedIn, &receiver, [&](TFTPWorker& w) {
        inHandler = true;
        while (!release.load())
            QThread::yieldCurrentThread();
        sawCurrentDir = w.CurrentDir() == QStringLiteral("/");
    });
    // The handler goes on only once the worker's thread has ended, that is while
    // the destructor runs; it reads the worker after that.
    QObject::connect(worker.get(), &QThread::finished, [&] { release = true; });
    worker->SetHost(host());
    ASSERT_TRUE(waitUntil([&] { return inHandler.load(); }));
    worker.reset();
    EXPECT_TRUE(sawCurrentDir);
    receiverThread.quit();
    receiverThread.wait();
}

} // namespace
