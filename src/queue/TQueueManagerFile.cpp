// TQueueManager: reading and writing queue files.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "core/AppData.h"
#include "core/EInOutError.h"
#include "core/TDataFileNotices.h"
#include "core/TMainConfig.h"
#include "platform/UnreadableFile.h"
#include "queue/DateTimeValue.h"
#include "queue/QueuePaths.h"
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

namespace {

// One item as the file holds it. Paths are derived without being kept in the item
// (writing a large queue must not grow it); a path that cannot be derived safely
// is written empty, and loading derives it again from the side that was given.
void fillRecord(const TQueueItem& item, const TDateTimeText& dates, TQueueFileRecord& record)
{
    record.HostID = item.Host.HostIDText();
    record.RemoteFilename = item.RemoteFilename;
    if (record.RemoteFilename.isEmpty())
        record.RemoteFilename =
            DeriveRemoteFilename(item.LocalRoot, item.LocalFilename, item.RemoteRoot).value_or(QString());
    record.RemoteRoot = item.RemoteRoot;
    record.IsDirectory = TQueueFile::BooleanToText(item.IsDirectory);
    record.FileSize = QString::number(item.FileSize);
    record.FileModifiedDateTime = dates.toText(item.FileModifiedDateTime);
    record.LocalRoot = item.LocalRoot;
    record.LocalFilename = item.LocalFilename;
    if (record.LocalFilename.isEmpty())
        record.LocalFilename =
            DeriveLocalFilename(item.RemoteRoot, item.RemoteFilename, item.LocalRoot).value_or(QString());
    record.TransferDirection = item.TransferDirection ? kDownload : kUpload;
}

} // namespace

QList<TQueueFileRecord> TQueueManager::Records() const
{
    QMutexLocker lock(&m_itemsLock);
    const TDateTimeText dates;
    QList<TQueueFileRecord> records;
    records.reserve(m_items.size());
    for (const TQueueItem* item : std::as_const(m_items)) {
        TQueueFileRecord record;
        fillRecord(*item, dates, record);
        records.append(std::move(record));
    }
    return records;
}

bool TQueueManager::SaveToFile(const QString& path, QString* error)
{
    QMutexLocker lock(&m_itemsLock);
    const TDateTimeText dates;
    qsizetype next = 0;
    return TQueueFile::Write(
        path,
        [&](TQueueFileRecord& record) {
            if (next >= m_items.size())
                return false;
            fillRecord(*m_items[next++], dates, record);
            return true;
        },
        error);
}

std::optional<THost> TQueueManager::lookupHost(const QString& hostId)
{
    return m_hostLookup ? m_hostLookup(hostId) : std::nullopt;
}

QString TQueueLoadResult::leftOutText(const QString& file) const
{
    if (leftOut() == 0)
        return {};
    QStringList why;
    if (unknownHost > 0)
        why << QStringLiteral("%1 of a host that is not stored").arg(unknownHost);
    if (unknownDirection > 0)
        why << QStringLiteral("%1 with an unknown transfer direction").arg(unknownDirection);
    if (unreadable > 0)
        why << QStringLiteral("%1 that could not be read (%2)").arg(unreadable).arg(reasons.value(0));
    QString text = QStringLiteral("%1 item(s) of %2 were left out: %3")
                       .arg(leftOut())
                       .arg(QDir::toNativeSeparators(file), why.join(QStringLiteral(", ")));
    if (!keptAs.isEmpty())
        text += QStringLiteral("; the file was kept as %1").arg(QDir::toNativeSeparators(keptAs));
    return text;
}

TQueueLoadResult TQueueManager::LoadFromFile(const QString& path)
{
    TQueueLoadResult result;
    QMutexLocker lock(&m_itemsLock);
    const TDateTimeText dates;
    // Queue files name few hosts many times over.
    QHash<QString, std::optional<THost>> hosts;
    const auto failed = [&](const QString& reason) {
        ++result.unreadable;
        if (result.reasons.size() < 100)
            result.reasons.append(reason);
        if (result.message.isEmpty())
            result.message = QStringLiteral("Can't load QueueItem.\r\nReason: %1").arg(reason);
    };
    const auto addRecord = [&](const TQueueFileRecord& record) {
        try {
            if (record.TransferDirection != kUpload && record.TransferDirection != kDownload) {
                ++result.unknownDirection;
                return true;
            }
            auto known = hosts.constFind(record.HostID);
            if (known == hosts.constEnd())
                known = hosts.insert(record.HostID, lookupHost(record.HostID));
            if (!known->has_value()) {
                ++result.unknownHost;
                return true;
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
                const auto modified = dates.fromText(record.FileModifiedDateTime, &reason);
                if (!modified)
                    throw TElementError{reason};
                AddDownload(host, record.RemoteRoot, false, *modified, *size, *isDirectory, record.LocalRoot,
                            record.RemoteFilename);
            } else {
                AddUpload(host, record.LocalRoot, false, record.RemoteRoot, record.LocalFilename);
            }
            ++result.added;
        } catch (const TElementError& failure) {
            failed(failure.reason);
        } catch (const EInOutError& failure) {
            failed(failure.message());
        } catch (const std::exception& failure) {
            failed(QString::fromUtf8(failure.what()));
        }
        // The next element is read whatever became of this one.
        return true;
    };
    QString error;
    if (!TQueueFile::ForEach(path, addRecord, &error)) {
        result.message = error;
        return result;
    }
    result.ok = result.leftOut() == 0;
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
    const bool unreadableFile = !result.ok && result.added == 0 && result.leftOut() == 0;
    if (unreadableFile || result.leftOut() > 0) {
        // Queue.xml is ours and the next save writes the queue over it: keep a
        // copy of what we could not take in first.
        const platform::TSetAsideResult copy = platform::SetAsideUnreadableFile(path);
        TDataFileNotices::add(
            {path,
             unreadableFile ? result.message
                            : QStringLiteral("%1 of its items could not be loaded").arg(result.leftOut()),
             copy.ok ? copy.copyPath : QString()});
        if (copy.ok) {
            result.keptAs = copy.copyPath;
            if (unreadableFile)
                QFile::remove(path);
        }
        if (unreadableFile)
            result.message += copy.ok ? QStringLiteral("\r\nThe file was kept as %1.").arg(copy.copyPath)
                                      : QStringLiteral("\r\nNo copy of it could be kept: %1").arg(copy.error);
        else if (!copy.ok)
            emit Log(TLogKind::lkError,
                     QStringLiteral("No copy of %1 could be kept: %2").arg(path, copy.error));
    }
    if (result.leftOut() > 0)
        emit Log(TLogKind::lkError, result.leftOutText(path));
    return result;
}
