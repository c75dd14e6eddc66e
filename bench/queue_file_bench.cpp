// Load and save times of a large queue file. Not a Google Benchmark: one load of
// a 100,000-item file is the figure wanted, and its peak memory comes from running
// the load step under /usr/bin/time -v:
//
//   queue_file_bench make DIR [ITEMS]   writes DIR/Queue.xml (and the host it names)
//   queue_file_bench load DIR           loads it into an empty queue, saves it again
//
// bench/queue-file.sh runs both and reports the figures.

#include <chrono>
#include <cstdio>
#include <string>

#include <QCoreApplication>
#include <QDir>

#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TQuickHosts.h"
#include "queue/DateTimeValue.h"
#include "queue/TQueueManager.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int make(const QString& dir, int count)
{
    THost host;
    host.CommonName = QStringLiteral("bench");
    host.Hostname = QStringLiteral("ftp.example.com");
    host.Username = QStringLiteral("bob");
    host.Password = QStringLiteral("bobpass");
    QString error;
    if (!Hosts()->UpdateHost(host, &error)) {
        std::fprintf(stderr, "cannot store the host: %s\n", error.toUtf8().constData());
        return 1;
    }
    TQueueManager manager;
    const double modified = DateTimeToValue(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::LocalTime));
    for (int i = 0; i < count; ++i)
        manager.AddDownload(host, QStringLiteral("/pub/"), false, modified + i / 86400.0, 1000 + i, false,
                            QStringLiteral("/home/user/Downloads/"),
                            QStringLiteral("/pub/dir%1/file%2.bin").arg(i / 100).arg(i));
    const auto start = std::chrono::steady_clock::now();
    if (!manager.SaveToFile(dir + QStringLiteral("/Queue.xml"), &error)) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return 1;
    }
    std::printf("made %d items, saved in %.3f s\n", count, secondsSince(start));
    return 0;
}

int load(const QString& dir)
{
    TQueueManager manager;
    auto start = std::chrono::steady_clock::now();
    const TQueueLoadResult result = manager.LoadFromFile(dir + QStringLiteral("/Queue.xml"));
    const double loadSeconds = secondsSince(start);
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.message.toUtf8().constData());
        return 1;
    }
    start = std::chrono::steady_clock::now();
    QString error;
    if (!manager.SaveToFile(dir + QStringLiteral("/Saved.xml"), &error)) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return 1;
    }
    const double saveSeconds = secondsSince(start);
    std::printf("items %d\nload_s %.3f\nsave_s %.3f\n", manager.itemCount(), loadSeconds, saveSeconds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: queue_file_bench make DIR [ITEMS] | load DIR\n");
        return 2;
    }
    const std::string mode = argv[1];
    const QString dir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(dir);
    qputenv("VANTOR_FTP_DATA_DIR", dir.toLocal8Bit());
    TMainConfig::createGlobal();
    THosts::createGlobal();
    TQuickHosts::createGlobal().setSaveOnDestruction(false);
    int status = 2;
    if (mode == "make")
        status = make(dir, argc > 3 ? std::stoi(argv[3]) : 100000);
    else if (mode == "load")
        status = load(dir);
    TQuickHosts::destroyGlobal();
    THosts::destroyGlobal();
    TMainConfig::destroyGlobal();
    return status;
}
