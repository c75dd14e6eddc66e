// TQueueManager: reading and writing queue files.

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include "core/AppData.h"
#include "core/EInOutError.h"
#include "core/TMainConfig.h"
#include "platform/UnreadableFile.h"
#include "queue/DateTimeValue.h"
#include "queue/TQueueFile.h"
#include "queue/TQueueManager.h"

namespace {

const QLatin1String kUpload("Upload");
const QLatin1String kDownload("Download");

// Why one element could not be loaded; ends the whole load.
struct TElementError
{
    QString reason;
};

} // namespace

QString TQueueManager::QueueFilePath()
{
    if (MainConfig())
        return MainConfig()->dataFilePath(QStringLiteral("Queue.xml"));
    return GetAppDataFolder() + QDir::separator() + QStringLiteral("Queue.xml");
}

QList<TQueueFileRecord> TQueueManager::Records() const
{
    QMutexLocker lock(&m_itemsLock);
    QList<TQueueFileRecord> records;
    records.reserve(m_items.size());
    for (TQueueItem* item : std::as_const(m_items)) {
        TQueueFileRecord record;
        record.HostID = item->Host.HostIDText();
        // A path that cannot be derived safely is written empty; loading derives
        // it again from the side that was given.
        try {
            record.RemoteFilename = item->GetRemoteFilename();
        } catch (const EEngineError&) {
        }
        record.RemoteRoot = item->RemoteRoot;
        record.IsDirectory = TQueueFile::BooleanToText(item->IsDirectory);
        record.FileSize = QString::number(item->FileSize);
        record.FileModifiedDateTime = DateTimeValueToText(item->FileModifiedDateTime);
        record.LocalRoot = item->LocalRoot;
        try {
            record.LocalFilename = item->GetLocalFilename();
        } catch (const EEngineError&) {
        }
        record.TransferDirection = item->TransferDirection ? kDownload : kUpload;
        records.append(std::move(record));
    }
    return records;
}

bool TQueueManager::SaveToFile(const QString& path, QString* error)
{
    QMutexLocker lock(&m_itemsLock);
    return TQueueFile::Write(path, Records(), error);
}

std::optional<THost> TQueueManager::lookupHost(const QString& hostId)
{
    return m_hostLookup ? m_hostLookup(hostId) : std::nullopt;
}

TQueueLoadResult TQueueManager::LoadFromFile(const QString& path)
{
    TQueueLoadResult result;
    QString error;
    const auto records = TQueueFile::Read(path, &error);
    if (!records) {
        result.message = error;
        return result;
    }
    QMutexLocker lock(&m_itemsLock);
    // Queue files name few hosts many times over.
    QHash<QString, std::optional<THost>> hosts;
    for (const TQueueFileRecord& record : *records) {
        try {
            auto known = hosts.constFind(record.HostID);
            if (known == hosts.constEnd())
                known = hosts.insert(record.HostID, lookupHost(record.HostID));
            if (!known->has_value() ||
                (record.TransferDirection != kUpload && record.TransferDirection != kDownload)) {
                ++result.skipped;
                continue;
            }
            const THost& host = **known;
            if (record.TransferDirection == kDownload) {
                QString reason;
                const auto isDirectory = TQueueFile::TextToBoolean(record.IsDirectory, &reason);
                if (!isDirectory)
                    throw TElementError{reason};
                const auto size = TQueueFile::TextToInteger(record.FileSize, &reason);
                if (!size)
                    throw TElementError{reason};
                const auto modified = DateTimeValueFromText(record.FileModifiedDateTime, &reason);
                if (!modified)
                    throw TElementError{reason};
                AddDownload(host, record.RemoteRoot, false, *modified, *size, *isDirectory, record.LocalRoot,
                            record.RemoteFilename);
            } else {
                AddUpload(host, record.LocalRoot, false, record.RemoteRoot, record.LocalFilename);
            }
            ++result.added;
        } catch (const TElementError& failure) {
            result.message = QStringLiteral("Can't load QueueItem.\r\nReason: %1").arg(failure.reason);
            return result;
        } catch (const EInOutError& failure) {
            result.message = QStringLiteral("Can't load QueueItem.\r\nReason: %1").arg(failure.message());
            return result;
        } catch (const std::exception& failure) {
            result.message =
                QStringLiteral("Can't load QueueItem.\r\nReason: %1").arg(QString::fromUtf8(failure.what()));
            return result;
        }
    }
    result.ok = true;
    return result;
}

bool TQueueManager::SaveQueue(QString* error)
{
    return SaveToFile(QueueFilePath(), error);
}

TQueueLoadResult TQueueManager::LoadQueue()
{
    const QString path = QueueFilePath();
    if (!QFileInfo::exists(path)) {
        TQueueLoadResult empty;
        empty.ok = true;
        return empty;
    }
    TQueueLoadResult result = LoadFromFile(path);
    if (!result.ok && result.added == 0 && !TQueueFile::Read(path)) {
        // Queue.xml is ours: keep a copy of what we could not read before a save
        // writes the queue over it.
        const platform::TSetAsideResult copy = platform::SetAsideUnreadableFile(path);
        if (copy.ok) {
            QFile::remove(path);
            result.message += QStringLiteral("\r\nThe file was kept as %1.").arg(copy.copyPath);
        }
    }
    return result;
}
