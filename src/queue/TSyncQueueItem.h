#pragma once

#include <QString>
#include <QtGlobal>

#include "queue/DateTimeValue.h"

// One entry found while a transfer thread expands a directory item; handed to the
// main thread, which adds it to the queue as an item of its own.
struct TSyncQueueItem
{
    QString RemotePath; // downloads
    QString LocalPath;  // uploads
    bool IsDirectory = false;
    qint64 Size = -1;
    double ModifiedDateTime = kUnknownDateTime;
};
