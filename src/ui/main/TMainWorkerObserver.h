#pragma once

#include <functional>

#include "engine/TFTPWorkerObserver.h"

// Hands the browsing worker's events to the main window's handlers (set by the
// window). Lives in the main thread, so the handlers run there while the worker
// waits for each.
class TMainWorkerObserver final : public TFTPWorkerObserver
{
    Q_OBJECT

public:
    using THandler = std::function<void(TFTPWorker&)>;
    using TCertificateHandler = std::function<void(TFTPWorker&, TCertificatePrompt&)>;

    using TFTPWorkerObserver::TFTPWorkerObserver;

    THandler busy, idle, connected, disconnected, loggedIn, listed, deleted;
    TCertificateHandler certificate;

    void OnBusy(TFTPWorker& w) override { run(busy, w); }
    void OnIdle(TFTPWorker& w) override { run(idle, w); }
    void OnConnected(TFTPWorker& w) override { run(connected, w); }
    void OnDisconnected(TFTPWorker& w) override { run(disconnected, w); }
    void OnLoggedIn(TFTPWorker& w) override { run(loggedIn, w); }
    void OnListed(TFTPWorker& w) override { run(listed, w); }
    void OnDeleted(TFTPWorker& w) override { run(deleted, w); }
    void OnCertificate(TFTPWorker& w, TCertificatePrompt& prompt) override
    {
        if (certificate)
            certificate(w, prompt);
    }

private:
    static void run(const THandler& handler, TFTPWorker& worker)
    {
        if (handler)
            handler(worker);
    }
};
