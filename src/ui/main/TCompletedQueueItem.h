#pragma once

#include <QString>

#include "core/THost.h"

// What the main window needs of a queue item that completed and left the queue
// (the item itself is freed right after): refreshing the remote pane after an
// upload, opening a downloaded file marked OpenWhenDone.
struct TCompletedQueueItem
{
    THost Host;
    bool Download = true;
    QString RemoteRoot;
    QString RemoteFilename; // full remote path
    QString LocalRoot;
    QString LocalFilename;   // full local path
    QString RemoteDirectory; // RemoteFilename up to and including its last "/"
    QString FileName;        // the name part shown in the queue view
    bool QueueEmpty = false; // no row was left in the queue view
};
