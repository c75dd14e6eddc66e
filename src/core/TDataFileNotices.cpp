#include "core/TDataFileNotices.h"

#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace {

QMutex& lock()
{
    static QMutex mutex;
    return mutex;
}

QList<TDataFileNotice>& notices()
{
    static QList<TDataFileNotice> list;
    return list;
}

} // namespace

QString TDataFileNotice::text() const
{
    const QString name = QFileInfo(filePath).fileName();
    if (keptAs.isEmpty())
        return QStringLiteral("%1 could not be read (%2) and could not be copied aside; it will not be "
                              "overwritten")
            .arg(name, reason);
    return QStringLiteral("%1 could not be read (%2); it was kept as %3")
        .arg(name, reason, QDir::toNativeSeparators(keptAs));
}

void TDataFileNotices::add(TDataFileNotice notice)
{
    const QMutexLocker guard(&lock());
    notices().append(std::move(notice));
}

QList<TDataFileNotice> TDataFileNotices::takeAll()
{
    const QMutexLocker guard(&lock());
    return std::exchange(notices(), {});
}

qsizetype TDataFileNotices::count()
{
    const QMutexLocker guard(&lock());
    return notices().size();
}
