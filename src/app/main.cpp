// vantor-ftp: the window program.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/TFilters.h"
#include "core/TMainConfig.h"
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
    TMainConfig::createGlobal();
    TFilters::createGlobal();
    int status = 0;
    {
        TVantorApplication app(argc, argv);
        app.setApplicationName(QStringLiteral("Vantor FTP"));
        app.setApplicationDisplayName(QStringLiteral("Vantor FTP"));
        app.setDesktopFileName(QStringLiteral("vantor-ftp"));
        app.setWindowIcon(QIcon(QStringLiteral(":/app/vantor-ftp.svg")));
        auto window = std::make_unique<TMainForm>();
        window->show();
        status = app.exec();
        window.reset();
    }
    TFilters::destroyGlobal();
    TMainConfig::destroyGlobal();
    return status;
}
