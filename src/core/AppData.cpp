#include "core/AppData.h"

#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

#include "core/EInOutError.h"
#include "core/OwnerOnlyFiles.h"

namespace {

const char* const kFolderName = "Vantor FTP";

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

// The base folder the program's folder goes into. On Linux ~/.config is the
// desktop's own folder; a fresh account may not have it yet, so it is made.
QString baseFolder(bool create)
{
#ifdef Q_OS_WIN
    Q_UNUSED(create);
    return qEnvironmentVariable("APPDATA");
#else
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    if (create)
        QDir().mkpath(base);
    return base;
#endif
}

} // namespace

QString AppDataFolderPath()
{
    const QString overridden = qEnvironmentVariable("VANTOR_FTP_DATA_DIR");
    if (!overridden.isEmpty())
        return withoutTrailingSeparator(QDir::cleanPath(overridden));
    return withoutTrailingSeparator(QDir::cleanPath(baseFolder(false) + QLatin1Char('/') + kFolderName));
}

QString GetAppDataFolder()
{
    if (qEnvironmentVariable("VANTOR_FTP_DATA_DIR").isEmpty())
        baseFolder(true);
    const QString folder = AppDataFolderPath();
    const QFileInfo info(folder);
    if (info.isDir()) {
        TightenDataFolder(folder);
        return QDir::toNativeSeparators(folder);
    }
    if (info.exists())
        throw EInOutError(QStringLiteral("Cannot use %1 as data folder: it is not a folder").arg(folder));
    std::error_code error;
    std::filesystem::create_directory(std::filesystem::path(folder.toStdU16String()), error);
    if (error || !QFileInfo(folder).isDir())
        throw EInOutError(QStringLiteral("Cannot create the data folder %1: %2")
                              .arg(folder, QString::fromLocal8Bit(error.message().c_str())));
    TightenDataFolder(folder);
    return QDir::toNativeSeparators(folder);
}
