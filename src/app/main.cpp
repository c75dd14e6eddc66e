// vantor-ftp: the window program.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QPointer>
#include <QProcessEnvironment>
#include <QTimer>

#include "core/AppRegistry.h"
#include "core/TFilters.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TTranslationTable.h"
#include "platform/TDesktopRegistrations.h"
#include "platform/THandoffChannel.h"
#include "ui/dialogs/SplashFormUnit.h"
#include "ui/main/MainFormUnit.h"
#include "ui/main/TVantorApplication.h"

namespace {

// Qt aborts with a message of its own when it finds no display. Tell the user
// instead how to start the program without one.
bool haveDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true; // offscreen, vnc ...: the user chose
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return false;
    // ":N" or ":N.S" is a local server: its socket must be there.
    if (display.startsWith(':')) {
        const QByteArray number = display.mid(1).split('.').value(0);
        struct stat st
        {};
        return ::stat(("/tmp/.X11-unix/X" + number).constData(), &st) == 0;
    }
    return true;
}

constexpr int kOtherStartTimeoutMs = 60000;

// The address given on the command line: the first argument that is not an
// option (Qt has taken its own out already).
QString urlArgument(const QStringList& arguments)
{
    for (const QString& argument : arguments.mid(1))
        if (!argument.startsWith(u'-'))
            return argument;
    return {};
}

// Hands the address (or a "show yourself") to the window already running for
// this data folder. Nothing when there is none and this start is the one.
std::optional<int> handOverToRunningWindow(const platform::THandoffChannel& channel, QLockFile& instanceLock,
                                           const QString& url)
{
    if (!channel.isListening()) {
        // The lock is held for the whole run; a start that finds it taken waits
        // for the window of that start to listen.
        instanceLock.setStaleLockTime(0);
        if (instanceLock.tryLock(0))
            return std::nullopt;
        if (!channel.waitUntilListening(kOtherStartTimeoutMs)) {
            std::fprintf(stderr, "vantor-ftp: another start holds %s but its window does not answer\n",
                         qPrintable(channel.instanceLockPath()));
            return 1;
        }
    }
    QString error;
    bool sent = false;
    if (url.isEmpty()) {
        sent = channel.send(platform::kShowWindow, 0, nullptr, &error);
    } else if (const std::optional<QByteArray> block = platform::EncodeUrlBlock(url, &error)) {
        sent = channel.send(platform::WM_BROWSERURL, 0, &*block, &error);
    }
    if (!sent) {
        std::fprintf(stderr, "vantor-ftp: the running window did not take over: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

// The host list as the registry mirrors it: the order the hand-over's host index counts.
QStringList mirroredHostNames()
{
    QStringList names;
    if (const auto registry = OpenAppRegistry())
        for (const QString& id : registry->subKeys(THosts::kRegistryKey))
            names.append(registry->readString(THosts::kRegistryKey + u'\\' + id, QString()));
    return names;
}

platform::TDesktopRegistrations::TMenuTexts menuTexts()
{
    platform::TDesktopRegistrations::TMenuTexts texts;
    TTranslationTable table;
    if (!table.loadWindowTable(QStringLiteral("DesktopIntegration")))
        return texts;
    const auto row = [&table](const QString& language) {
        table.SetLanguage(language);
        return platform::TDesktopRegistrations::TMenuText{table.GetText(QStringLiteral("strUploadWith")),
                                                          table.GetText(QStringLiteral("strUploadWithTo"))};
    };
    texts.byLocale.insert(QString(), row(QStringLiteral("English")));
    texts.byLocale.insert(QStringLiteral("sv"), row(QStringLiteral("Svenska")));
    texts.current = row(MainConfig() ? MainConfig()->Language() : QStringLiteral("English"));
    return texts;
}

std::shared_ptr<platform::TDesktopRegistrations> desktopRegistrations()
{
    platform::TDesktopRegistrations::TSetup setup;
    setup.directories =
        platform::TDesktopAssociations::directoriesFrom(QProcessEnvironment::systemEnvironment());
    setup.programPath = [] { return QCoreApplication::applicationFilePath(); };
    setup.handoffPath = [] {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/vantor-ftp-handoff");
    };
    setup.hostNames = mirroredHostNames;
    setup.menuTexts = menuTexts;
    return std::make_shared<platform::TDesktopRegistrations>(std::move(setup));
}

} // namespace

int main(int argc, char** argv)
{
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "vantor-ftp: no display to open the window on (DISPLAY is %s); start it under Xvfb: "
                     "xvfb-run -s '-screen 0 1280x800x24' %s\n",
                     qEnvironmentVariableIsEmpty("DISPLAY") ? "not set" : "not reachable", argv[0]);
        return 1;
    }
    // Program initialisation: the settings and the filters come first.
    const std::shared_ptr<platform::TDesktopRegistrations> registrations = desktopRegistrations();
    TMainConfig::createGlobal(registrations);
    // The file managers' menus list the hosts: they follow every save of the list.
    THosts::setMirrorWrittenHook([registrations] { registrations->refreshContextMenu(); });
    TFilters::createGlobal();
    int status = 0;
    {
        TVantorApplication app(argc, argv);
        app.setApplicationName(QStringLiteral("Vantor FTP"));
        app.setApplicationDisplayName(QStringLiteral("Vantor FTP"));
        app.setApplicationVersion(QStringLiteral(VANTOR_FTP_VERSION));
        app.setDesktopFileName(QStringLiteral("vantor-ftp"));
        app.setWindowIcon(QIcon(QStringLiteral(":/app/vantor-ftp.svg")));
        // One window per data folder: a second start hands its address over.
        const QString url = urlArgument(app.arguments());
        const platform::THandoffChannel channel(QDir::fromNativeSeparators(MainConfig()->DataFolder()));
        QLockFile instanceLock(channel.instanceLockPath());
        if (const std::optional<int> handedOver = handOverToRunningWindow(channel, instanceLock, url)) {
            status = *handedOver;
        } else {
            // The splash shows while the window builds; the start-up sequence closes it.
            QPointer<TSplashForm> splash;
            if (MainConfig()->ShowSplashOnStartup())
                splash = TSplashForm::showAtStartup();
            auto window = std::make_unique<TMainForm>();
            window->show();
            // Above the window that has just appeared, also where no window manager keeps it there.
            if (splash)
                splash->raise();
            // An address on the command line goes the way one from the browser goes.
            if (!url.isEmpty())
                QTimer::singleShot(0, window.get(),
                                   [&window, url] { window->ReceiveBrowserURL(url.toUtf8()); });
            status = app.exec();
            window.reset();
        }
    }
    THosts::setMirrorWrittenHook(nullptr);
    TFilters::destroyGlobal();
    TMainConfig::destroyGlobal();
    return status;
}
