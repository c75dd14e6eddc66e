#include "queue/TQueueItem.h"

#include "core/TMessageTexts.h"
#include "queue/QueuePaths.h"

TQueueItem::TQueueItem(const THost& host)
    : Host(host)
{}

TQueueItem::~TQueueItem() = default;

QString TQueueItem::GetRemoteFilename()
{
    if (RemoteFilename.isEmpty()) {
        QString error;
        const auto derived = DeriveRemoteFilename(LocalRoot, LocalFilename, RemoteRoot, &error);
        if (!derived) {
            EEngineError failure(QStringLiteral("Refusing the remote path: %1").arg(error));
            failure.setRetryable(false);
            throw failure;
        }
        RemoteFilename = *derived;
    }
    return RemoteFilename;
}

QString TQueueItem::GetLocalFilename()
{
    if (LocalFilename.isEmpty()) {
        QString error;
        const auto derived = DeriveLocalFilename(RemoteRoot, RemoteFilename, LocalRoot, &error);
        if (!derived) {
            EEngineError failure(QStringLiteral("Refusing the local path: %1").arg(error));
            failure.setRetryable(false);
            throw failure;
        }
        LocalFilename = *derived;
    }
    return LocalFilename;
}

void TQueueItem::SetStatus(TTransferState state, const QString& text)
{
    State = state;
    StatusText = text;
    if (OnStatusChange && !m_deleting)
        OnStatusChange(this, state, text);
}
