#pragma once

#include <QObject>

#include "engine/TCertificatePrompt.h"

class TFTPWorker;

// The receiver of a browsing worker's events in one object: override what you
// need. The object's thread is where the handlers run (the worker waits for each);
// a handler may call the worker's synchronous operations and queue its next
// command (the logged-in handler changes directory and asks for a listing).
//
// TFTPWorker::setObserver() wires OnBusy, OnIdle, OnConnected, OnDisconnected,
// OnLoggedIn, OnListed, OnDirectoryChanged, OnDeleted and the certificate prompt.
// The walk's events are wired by whoever starts a walk (setOnSearchListing).
class TFTPWorkerObserver : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void OnBusy(TFTPWorker&) {}
    virtual void OnIdle(TFTPWorker&) {}
    virtual void OnConnected(TFTPWorker&) {}
    virtual void OnDisconnected(TFTPWorker&) {}
    virtual void OnLoggedIn(TFTPWorker&) {}
    virtual void OnListed(TFTPWorker&) {}
    virtual void OnDirectoryChanged(TFTPWorker&) {}
    virtual void OnDeleted(TFTPWorker&) {}
    // Leaving prompt.Answer at caReject rejects the certificate.
    virtual void OnCertificate(TFTPWorker&, TCertificatePrompt&) {}
};
