// vantor-ftp-handoff: the outside component that hands work to the window.
//
//   vantor-ftp-handoff URL                      an ftp:// address (browser, ftp handler)
//   vantor-ftp-handoff --host-index N FILE...   files to upload to host N of the host list
//
// Writes the shared block, then sends the message to the window of the user's
// data folder; when no window listens, starts vantor-ftp (where the value
// AppFilename says it is) and waits until its window listens.

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "core/AppData.h"
#include "core/AppRegistry.h"
#include "platform/THandoffChannel.h"
#include "platform/TRegistryStore.h"

namespace {

constexpr int kStartTimeoutMs = 60000;

void print(const QString& text)
{
    std::fprintf(stderr, "vantor-ftp-handoff: %s\n", text.toLocal8Bit().constData());
}

int usage()
{
    std::fprintf(stderr, "usage: vantor-ftp-handoff URL\n"
                         "       vantor-ftp-handoff --host-index N FILE...\n");
    return 2;
}

bool isProgram(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

// The window program: AppFilename of the registry, else the vantor-ftp beside
// this program, else the one on PATH.
QString windowProgram(const QString& dataFolder)
{
    const QString registryFile = dataFolder + QStringLiteral("/Registry.ini");
    if (QFileInfo::exists(registryFile)) {
        platform::TRegistryStore registry(registryFile);
        const QString stored =
            QDir::fromNativeSeparators(registry.readString(kAppRegistryKey, QStringLiteral("AppFilename")));
        if (isProgram(stored))
            return stored;
    }
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/vantor-ftp");
    if (isProgram(beside))
        return beside;
    return QStandardPaths::findExecutable(QStringLiteral("vantor-ftp"));
}

bool ensureWindow(const platform::THandoffChannel& channel)
{
    if (channel.isListening())
        return true;
    const QString program = windowProgram(channel.dataFolder());
    if (program.isEmpty()) {
        print(QStringLiteral("Vantor FTP is not running and vantor-ftp was not found"));
        return false;
    }
    if (!QProcess::startDetached(program, {})) {
        print(QStringLiteral("%1 could not be started").arg(program));
        return false;
    }
    if (!channel.waitUntilListening(kStartTimeoutMs)) {
        print(QStringLiteral("%1 was started but its window does not answer").arg(program));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == QStringLiteral("--help") || args.first() == QStringLiteral("-h"))
        return usage();

    int message = platform::WM_BROWSERURL;
    qint64 hostIndex = 0;
    QByteArray block;
    QString error;
    if (args.first() == QStringLiteral("--host-index")) {
        bool ok = false;
        hostIndex = args.value(1).toLongLong(&ok);
        if (!ok || hostIndex < 0 || args.size() < 3)
            return usage();
        QStringList paths;
        for (const QString& file : args.mid(2)) {
            // File managers hand over paths or file URLs.
            const QString local = file.startsWith(QStringLiteral("file:")) ? QUrl(file).toLocalFile() : file;
            const QFileInfo info(local);
            if (local.isEmpty() || !info.exists()) {
                print(QStringLiteral("%1: no such file").arg(file));
                return 1;
            }
            paths.append(QDir::toNativeSeparators(info.absoluteFilePath()));
        }
        const std::optional<QByteArray> encoded = platform::EncodeFilesBlock(paths, &error);
        if (!encoded) {
            print(error);
            return 1;
        }
        message = platform::WM_EXPLORERFILES;
        block = *encoded;
    } else {
        if (args.size() != 1)
            return usage();
        const std::optional<QByteArray> encoded = platform::EncodeUrlBlock(args.first(), &error);
        if (!encoded) {
            print(error);
            return 1;
        }
        block = *encoded;
    }

    const platform::THandoffChannel channel(AppDataFolderPath());
    if (!ensureWindow(channel))
        return 1;
    if (!channel.send(message, hostIndex, &block, &error)) {
        print(error);
        return 1;
    }
    return 0;
}
