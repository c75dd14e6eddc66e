// The queue and log views with a large queue, offscreen. Not a Google Benchmark:
// each figure is one event (a load, a tick, a clear), and the peak memory of the
// process (getrusage ru_maxrss) only means something for one step per process.
//
//   queue_view_bench make DIR [ITEMS]   writes DIR/Queue.xml (100,000 downloads) and its host
//   queue_view_bench load DIR           LoadQueue with the queue view attached and shown:
//                                       seconds until the view has painted, peak memory
//   queue_view_bench tick DIR           one progress tick with 16 running rows: the
//                                       manager's snapshot and the view's update and paint
//   queue_view_bench clear DIR          Clear queue (answered Yes) with the view attached
//   queue_view_bench log [LINES]        LINES log lines (100,000) from the main thread and
//                                       from another thread, until they are shown
//   queue_view_bench shot DIR FILE      a PNG of the view with rows in several states
//
// The running rows of `tick` are faked: their status is set to transferring and
// the progress samples the manager would hand out are made up, so no server is
// needed. The snapshot is timed on its own over the same queue.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QTreeView>

#include "core/THost.h"
#include "core/THosts.h"
#include "core/TMainConfig.h"
#include "core/TMessageTexts.h"
#include "core/TQuickHosts.h"
#include "core/TTranslationTable.h"
#include "queue/DateTimeValue.h"
#include "queue/TQueueItem.h"
#include "queue/TQueueManager.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TLogView.h"
#include "ui/main/TQueueListModel.h"
#include "ui/main/TQueuePane.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Until every posted event is handled, then one synchronous paint.
void settle(QWidget& widget)
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    widget.repaint();
}

int make(const QString& dir, int count)
{
    THost host;
    host.CommonName = QStringLiteral("bench");
    host.Hostname = QStringLiteral("ftp.example.com");
    host.Username = QStringLiteral("bob");
    QString error;
    if (!Hosts()->UpdateHost(host, &error)) {
        std::fprintf(stderr, "cannot store the host: %s\n", error.toUtf8().constData());
        return 1;
    }
    TQueueManager manager;
    const double modified = DateTimeToValue(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::LocalTime));
    for (int i = 0; i < count; ++i)
        manager.AddDownload(host, QStringLiteral("/pub/"), false, modified, 1000 + i * 37, i % 500 == 0,
                            QStringLiteral("/home/user/Downloads/"),
                            QStringLiteral("/pub/dir%1/file%2.%3")
                                .arg(i / 100)
                                .arg(i)
                                .arg(i % 3 == 0 ? "zip" : (i % 3 == 1 ? "txt" : "iso")));
    if (!manager.SaveToFile(dir + QStringLiteral("/Queue.xml"), &error)) {
        std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return 1;
    }
    std::printf("made %d items\n", count);
    return 0;
}

// The window's parts: a log, the queue pane shown at a usual size.
struct TViews
{
    TQueueManager manager;
    TFormLanguage language{QStringLiteral("MainForm")};
    TLogView log;
    TQueuePane pane{manager, language, log};

    TViews()
    {
        pane.resize(1000, 400);
        pane.show();
        settle(pane);
    }
    bool load()
    {
        const TQueueLoadResult result = manager.LoadQueue();
        if (!result.ok)
            std::fprintf(stderr, "%s\n", result.message.toUtf8().constData());
        return result.ok;
    }
};

int load()
{
    const double before = peakMegabytes();
    TViews views;
    const auto start = Clock::now();
    if (!views.load())
        return 1;
    const double loadMs = msSince(start);
    settle(views.pane);
    const double readyMs = msSince(start);
    std::printf("items %d\nload_ms %.0f\nview_ready_ms %.0f\npeak_rss_mb %.1f\nrss_before_mb %.1f\n",
                views.pane.model()->itemCount(), loadMs, readyMs, peakMegabytes(), before);
    return 0;
}

int tick()
{
    TViews views;
    if (!views.load())
        return 1;
    settle(views.pane);
    const QList<TQueueItem*> items = views.manager.Items();
    // 16 running rows, the first ones on the screen (painted) and the rest spread out.
    QList<TQueueItemProgress> running;
    for (int i = 0; i < 16; ++i) {
        TQueueItem* item = items[i < 8 ? i : (i - 7) * (items.size() / 9)];
        item->SetStatus(TTransferState::tsTransferring, QStringLiteral("Transfering"));
        running.append({item, 0, item->FileSize, 0});
    }
    settle(views.pane);
    constexpr int kTicks = 40;
    double snapshotMs = 0;
    double updateMs = 0;
    double worstMs = 0;
    for (int n = 1; n <= kTicks; ++n) {
        auto start = Clock::now();
        const QList<TQueueItemProgress> sampled = views.manager.progressSnapshot();
        snapshotMs += msSince(start);
        for (TQueueItemProgress& sample : running) {
            sample.bytesDone = sample.fileSize * n / kTicks;
            sample.percent = n * 100 / kTicks;
        }
        start = Clock::now();
        views.pane.model()->applyProgress(running);
        settle(views.pane);
        const double ms = msSince(start);
        updateMs += ms;
        worstMs = std::max(worstMs, ms);
        (void)sampled;
    }
    std::printf("items %d\nrunning 16\nsnapshot_ms %.3f\nview_update_ms %.3f\nview_update_worst_ms %.3f\n"
                "tick_ms %.3f\n",
                int(items.size()), snapshotMs / kTicks, updateMs / kTicks, worstMs,
                (snapshotMs + updateMs) / kTicks);
    for (const TQueueItemProgress& sample : running)
        sample.item->SetStatus(TTransferState::tsAwaiting, QString());
    return 0;
}

int clear()
{
    TViews views;
    if (!views.load())
        return 1;
    settle(views.pane);
    views.pane.view()->selectAll();
    TMessageDialog::setAnswerer([](TMessageRequest& request) { request.Result = QMessageBox::Yes; });
    const auto start = Clock::now();
    views.pane.action(QStringLiteral("ClearQueueAction"))->trigger();
    const double clearMs = msSince(start);
    settle(views.pane);
    std::printf("clear_ms %.0f\nclear_until_painted_ms %.0f\nrows_left %d\n", clearMs, msSince(start),
                views.pane.model()->itemCount());
    TMessageDialog::setAnswerer(nullptr);
    return 0;
}

int log(int lines)
{
    TLogView view;
    view.resize(1000, 300);
    view.show();
    settle(view);
    auto start = Clock::now();
    for (int i = 0; i < lines; ++i)
        view.AddToLog(i % 2 ? TLogKind::lkReply : TLogKind::lkCommand,
                      QStringLiteral("226 Transfer complete, line %1").arg(i));
    settle(view);
    const double mainMs = msSince(start);
    view.clearLog();
    start = Clock::now();
    std::thread writer([&] {
        for (int i = 0; i < lines; ++i)
            view.AddToLog(TLogKind::lkStatus, QStringLiteral("Status from the worker, line %1").arg(i));
    });
    while (view.document()->blockCount() < lines)
        QCoreApplication::processEvents();
    writer.join();
    settle(view);
    std::printf("lines %d\nmain_thread_ms %.0f\nother_thread_ms %.0f\nblocks %d\npeak_rss_mb %.1f\n", lines,
                mainMs, msSince(start), view.document()->blockCount(), peakMegabytes());
    return 0;
}

int shot(const QString& file)
{
    TViews views;
    THost host;
    host.CommonName = QStringLiteral("bench");
    const QString local = QDir::tempPath() + QStringLiteral("/");
    const auto add = [&](const QString& remote, qint64 size, bool directory = false) {
        return views.manager.AddDownload(host, QStringLiteral("/pub/"), false, kUnknownDateTime, size,
                                         directory, local, remote);
    };
    TQueueItem* running = add(QStringLiteral("/pub/debian-12.iso"), 3LL * 1024 * 1024 * 1024 / 2);
    TQueueItem* paused = add(QStringLiteral("/pub/notes.txt"), 2048);
    TQueueItem* failed = add(QStringLiteral("/pub/photos/beach.jpg"), 5000000);
    add(QStringLiteral("/pub/src"), 0, true);
    add(QStringLiteral("/pub/archive.tar.gz"), 700000);
    TQueueItem* stopped = add(QStringLiteral("/pub/music.ogg"), 4000000);
    running->SetStatus(TTransferState::tsTransferring, TMessageTexts::text(TMessageKey::strRSSTTransfering));
    views.pane.model()->applyProgress({{running, running->FileSize * 37 / 100, running->FileSize, 37}});
    paused->SetStatus(TTransferState::tsPaused, TMessageTexts::text(TMessageKey::strRSSTPaused));
    failed->SetStatus(TTransferState::tsError, QStringLiteral("Connection to remote host refused."));
    stopped->SetStatus(TTransferState::tsStopped,
                       TMessageTexts::text(TMessageKey::strRSFTPRemoteTransferStopped));
    views.pane.view()->selectionModel()->select(views.pane.model()->index(4, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    settle(views.pane);
    if (!views.pane.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", file.toUtf8().constData());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: queue_view_bench make DIR [ITEMS] | load DIR | tick DIR | clear DIR | "
                             "log [LINES] | shot DIR FILE\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "log")
        return log(argc > 2 ? std::stoi(argv[2]) : 100000);
    if (argc < 3)
        return 2;
    const QString dir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(dir);
    qputenv("VANTOR_FTP_DATA_DIR", dir.toLocal8Bit());
    TMainConfig::createGlobal();
    THosts::createGlobal();
    TQuickHosts::createGlobal().setSaveOnDestruction(false);
    TTranslationTable table;
    table.loadWindowTable(QStringLiteral("MainForm"));
    table.SetLanguage(QStringLiteral("English"));
    TMessageTexts::fill(table);
    int status = 2;
    if (mode == "make")
        status = make(dir, argc > 3 ? std::stoi(argv[3]) : 100000);
    else if (mode == "load")
        status = load();
    else if (mode == "tick")
        status = tick();
    else if (mode == "clear")
        status = clear();
    else if (mode == "shot" && argc > 3)
        status = shot(QString::fromLocal8Bit(argv[3]));
    TQuickHosts::destroyGlobal();
    THosts::destroyGlobal();
    TMainConfig::destroyGlobal();
    return status;
}
