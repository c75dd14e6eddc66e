#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "core/THost.h"
#include "core/TMessageTexts.h"
#include "core/TTranslationTable.h"
#include "engine/TFTPWorker.h"
#include "engine/TFTPWorkerObserver.h"
#include "engine/TTrustedCertificates.h"
#include "support/ScriptedFtpServer.h"
#include "unit/core/CoreTestSupport.h"

namespace enginetest {

using Strings = std::vector<std::string>;

// Runs this thread's event loop until `done` holds, so the worker's events and log
// lines are delivered meanwhile. False on time-out.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

inline void fillMessageTexts(const char* language = "English")
{
    TTranslationTable table;
    table.loadWindowTable(QStringLiteral("MainForm"));
    table.SetLanguage(QString::fromLatin1(language));
    TMessageTexts::fill(table);
}

inline std::string str(const QString& text)
{
    return text.toStdString();
}

// Records a worker's events, log and finished commands, in order, on the main
// thread, the way the window receives them.
class EventRecorder final : public TFTPWorkerObserver
{
public:
    Strings events;
    Strings log; // "Command> USER bob", "Reply> 331 ...", "Status> ...", "Error> ...", "Debug> ..."
    Strings finished;
    bool allOnMainThread = true;
    std::function<void(TFTPWorker&)> onLoggedIn;
    std::function<void(TFTPWorker&)> onListed;
    TCertificateAnswer certificateAnswer = TCertificateAnswer::caReject;
    std::vector<TCertificatePrompt> prompts;
    // CurrentDir and Listing as seen inside OnListed.
    std::vector<std::pair<std::string, TListingPtr>> listed;

    void attach(TFTPWorker& worker)
    {
        worker.setObserver(this);
        QObject::connect(&worker, &TFTPWorker::logLine, this, [this](TLogKind kind, const QString& text) {
            static const char* const prefix[] = {"Status> ", "Error> ", "Debug> ", "Command> ", "Reply> "};
            log.push_back(prefix[static_cast<int>(kind)] + str(text));
        });
        QObject::connect(&worker, &TFTPWorker::commandFinished, this, [this](WorkerCommand command) {
            static const char* const names[] = {"Idle", "Connect",         "Login",
                                                "List", "DeleteRecursive", "Search"};
            finished.push_back(names[static_cast<int>(command)]);
        });
    }

    int count(const std::string& event) const
    {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    int finishedCount(const std::string& command) const
    {
        return static_cast<int>(std::count(finished.begin(), finished.end(), command));
    }
    bool logHas(const std::string& prefix) const
    {
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    }
    std::string logText() const
    {
        std::string all;
        for (const auto& l : log)
            all += l + "\n";
        return all;
    }

    void OnBusy(TFTPWorker&) override { record("Busy"); }
    void OnIdle(TFTPWorker&) override { record("Idle"); }
    void OnConnected(TFTPWorker&) override { record("Connected"); }
    void OnDisconnected(TFTPWorker&) override { record("Disconnected"); }
    void OnLoggedIn(TFTPWorker& w) override
    {
        record("LoggedIn");
        if (onLoggedIn)
            onLoggedIn(w);
    }
    void OnListed(TFTPWorker& w) override
    {
        record("Listed");
        listed.emplace_back(str(w.CurrentDir()), w.Listing());
        if (onListed)
            onListed(w);
    }
    void OnDirectoryChanged(TFTPWorker&) override { record("DirectoryChanged"); }
    void OnDeleted(TFTPWorker&) override { record("Deleted"); }
    void OnCertificate(TFTPWorker&, TCertificatePrompt& prompt) override
    {
        record("Certificate");
        prompts.push_back(prompt);
        prompt.Answer = certificateAnswer;
    }

private:
    void record(const char* event)
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            allOnMainThread = false;
        events.emplace_back(event);
    }
};

// A worker on a scripted server, with a fresh data folder and English texts.
class WorkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fillMessageTexts();
        TTrustedCertificates::resetInstance();
        worker = std::make_unique<TFTPWorker>();
        recorder.attach(*worker);
        worker->start();
    }
    void TearDown() override
    {
        worker.reset();
        TTrustedCertificates::resetInstance();
        TMessageTexts::clear();
    }

    THost host(bool tls = false) const
    {
        THost h;
        h.Hostname = QString::fromStdString(server.host());
        h.Port = server.port();
        h.Username = QStringLiteral("bob");
        h.Password = QStringLiteral("secret");
        h.Passive = true;
        h.UseSSL = tls;
        return h;
    }

    // SetHost and wait until the login (and what the logged-in handler queued) is over.
    void connectTo(const THost& h, const char* lastCommand = "Login")
    {
        const int before = recorder.finishedCount(lastCommand);
        worker->SetHost(h);
        ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount(lastCommand) > before; }))
            << server.conversation() << recorder.logText();
    }
    void logIn() { connectTo(host()); }

    // Queues a listing and waits for it to finish.
    void list()
    {
        const int before = recorder.finishedCount("List");
        worker->List();
        ASSERT_TRUE(waitUntil([&] { return recorder.finishedCount("List") > before; }));
    }

    Strings commandsSince(std::size_t first) const
    {
        const Strings all = server.commands();
        return first >= all.size() ? Strings{} : Strings(all.begin() + static_cast<long>(first), all.end());
    }

    std::string pendingErrorClass()
    {
        auto error = worker->TakePendingError();
        return error ? error->ClassName() : "";
    }

    static std::vector<std::string> names(const TListingPtr& listing)
    {
        std::vector<std::string> result;
        if (listing) {
            for (const auto& e : *listing)
                result.push_back(e.name);
        }
        return result;
    }
    static const ftp::ListingEntry* entry(const TListingPtr& listing, const std::string& name)
    {
        if (!listing)
            return nullptr;
        for (const auto& e : *listing) {
            if (e.name == name)
                return &e;
        }
        return nullptr;
    }

    TempDataDir data;
    testsupport::ScriptedFtpServer server;
    EventRecorder recorder;
    std::unique_ptr<TFTPWorker> worker;
};

} // namespace enginetest
