#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include "core/TFilters.h"
#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "core/TQuickHosts.h"
#include "core/TTranslationTable.h"
#include "engine/EEngineError.h"
#include "engine/TFTPWorker.h"
#include "engine/TFTPWorkerObserver.h"
#include "engine/TTrustedCertificates.h"
#include "support/ScriptedFtpServer.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TBrowsingState.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"
#include "unit/core/CoreTestSupport.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace panetest {

// Serves events while waiting; never a plain sleep.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000)
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

inline ftp::ListingEntry entry(const std::string& name, bool directory = false, std::int64_t size = 0)
{
    ftp::ListingEntry e;
    e.name = name;
    e.type = directory ? ftp::EntryType::Directory : ftp::EntryType::File;
    e.size = size;
    e.modified = {2024, 3, 5, 14, 7, -1};
    return e;
}

inline TListingPtr listingOf(std::vector<ftp::ListingEntry> entries)
{
    return std::make_shared<const TListing>(std::move(entries));
}

inline QStringList rowNames(const TRemoteListModel& model)
{
    return model.namesInViewOrder();
}

// A data folder with settings, filters, both host stores and the message texts.
class PaneEnvironment
{
public:
    explicit PaneEnvironment(const char* language = "English")
    {
        TMainConfig::createGlobal();
        MainConfig()->SetLanguage(QString::fromLatin1(language));
        // A window shown in a test starts without its modal start-up windows.
        MainConfig()->SetFirstRun(false);
        MainConfig()->SetShowTipOnStartup(false);
        MainConfig()->SetShowSplashOnStartup(false);
        MainConfig()->SetDialogDefault(QStringLiteral("IDS_54"), 7); // a remembered No
        TTranslationTable table;
        table.loadWindowTable(QStringLiteral("MainForm"));
        table.SetLanguage(QString::fromLatin1(language));
        TMessageTexts::fill(table);
        TFilters::createGlobal();
        THosts::createGlobal();
        TQuickHosts::createGlobal();
        TTrustedCertificates::resetInstance();
    }
    ~PaneEnvironment()
    {
        TMessageDialog::setAnswerer(nullptr);
        TQuickHosts::destroyGlobal();
        THosts::destroyGlobal();
        TFilters::destroyGlobal();
        TMainConfig::destroyGlobal();
        TMessageTexts::clear();
        TTrustedCertificates::resetInstance();
    }
    PaneEnvironment(const PaneEnvironment&) = delete;
    PaneEnvironment& operator=(const PaneEnvironment&) = delete;

private:
    TempDataDir m_data; // first in, last out
};

// What the main window does with the worker's events, as far as the remote pane
// sees it: the state first, then the pane's entry point; after login the initial
// directory, the home directory and a listing. Errors are taken at once, as the
// window's error dialog would.
class PaneWindow final : public TFTPWorkerObserver
{
public:
    PaneWindow()
        : pane(worker, state)
    {
        worker.setObserver(this);
        QObject::connect(&worker, &TFTPWorker::workerError, this, [this] {
            if (auto error = worker.TakePendingError())
                errors.push_back(error->Message().toStdString());
        });
        worker.start();
    }
    ~PaneWindow() override { worker.Shutdown(); }

    void OnBusy(TFTPWorker&) override
    {
        state.setBusy(true);
        pane.workerBusy();
    }
    void OnIdle(TFTPWorker&) override
    {
        state.setBusy(false);
        pane.workerIdle();
    }
    void OnConnected(TFTPWorker&) override
    {
        state.setConnected(true);
        pane.workerConnected();
    }
    void OnDisconnected(TFTPWorker&) override
    {
        state.setConnected(false);
        state.setLoggedIn(false);
        state.setBusy(false);
        pane.workerDisconnected();
    }
    void OnLoggedIn(TFTPWorker& w) override
    {
        pane.workerLoggedIn();
        state.setLoggedIn(true);
        if (!state.host().InitialRemoteDirectory.isEmpty())
            w.ChangeDir(state.host().InitialRemoteDirectory);
        state.homeDirectory = w.CurrentDir();
        w.List();
    }
    void OnListed(TFTPWorker&) override
    {
        pane.workerListed();
        ++listings;
    }
    void OnDeleted(TFTPWorker&) override { pane.workerDeleted(); }

    // Waits until a listing more than `before` has come and the worker is idle.
    bool waitForListing(int before)
    {
        return waitFor(
            [&] { return listings > before && !state.busy() && worker.Command() == WorkerCommand::Idle; });
    }
    bool connectTo(const THost& host)
    {
        const int before = listings;
        state.host() = host;
        worker.SetHost(state.host());
        return waitForListing(before);
    }

    TFTPWorker worker;
    TBrowsingState state;
    TRemotePane pane;
    int listings = 0;
    std::vector<std::string> errors;
};

inline THost hostFor(const testsupport::ScriptedFtpServer& server, const QString& directory = {})
{
    THost host;
    host.CommonName = QStringLiteral("scripted");
    host.Hostname = QString::fromStdString(server.host());
    host.Port = server.port();
    host.Username = QStringLiteral("bob");
    host.Password = QStringLiteral("secret");
    host.InitialRemoteDirectory = directory;
    return host;
}

} // namespace panetest
