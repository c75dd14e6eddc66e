#include "platform/UnreadableFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace platform {

TSetAsideResult SetAsideUnreadableFile(const QString& filePath)
{
    TSetAsideResult result;
    if (!QFileInfo(filePath).isFile()) {
        result.error = QStringLiteral("%1 is not a regular file").arg(filePath);
        return result;
    }
    const QString base = filePath + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target); ++n) {
        if (n > 1000) {
            result.error = QStringLiteral("too many copies of %1 already exist").arg(filePath);
            return result;
        }
        target = base + QLatin1Char('-') + QString::number(n);
    }
    QFile source(filePath);
    if (!source.copy(target)) {
        result.error = QStringLiteral("cannot copy %1 to %2: %3").arg(filePath, target, source.errorString());
        return result;
    }
    result.ok = true;
    result.copyPath = target;
    return result;
}

} // namespace platform
