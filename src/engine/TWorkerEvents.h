#pragma once

#include <cstdint>
#include <functional>

#include <QMetaType>

#include "engine/TCertificatePrompt.h"
#include "engine/TListing.h"

class TFTPWorker;

// The pending command of the browsing worker's thread: one slot, so a second
// request before the thread took the first replaces it.
enum class WorkerCommand : std::uint8_t
{
    Idle = 0,
    Connect = 1,
    Login = 2,
    List = 3,
    DeleteRecursive = 4,
    Search = 5,
};

// The worker's notification events that pass only the worker.
enum class TWorkerEvent
{
    OnBusy,
    OnIdle,
    OnConnected,
    OnDisconnected,
    OnLoggedIn,
    OnListed,
    OnDirectoryChanged,
    OnDeleted,
    OnSearchDone,
};

using TNotifyEvent = std::function<void(TFTPWorker& sender)>;
// One directory of a recursive walk; during the event the worker's CurrentDir is
// the directory listed.
using TSearchListingEvent = std::function<void(TFTPWorker& sender, const TListingPtr& listing)>;
// An unverified, untrusted server certificate: fill in prompt.Answer.
using TCertificateEvent = std::function<void(TFTPWorker& sender, TCertificatePrompt& prompt)>;

Q_DECLARE_METATYPE(WorkerCommand)
