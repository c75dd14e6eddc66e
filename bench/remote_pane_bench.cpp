// How fast the remote pane shows and re-sorts a large directory, and how much
// memory it takes. The pane is fed a listing directly (as its OnListed handler
// does with the worker's listing), offscreen.
//
// The listing: N entries (default 200,000) as a Unix-style server gives them,
// one in ten a directory, names of mixed case with a dozen extensions, sizes up
// to 8 GiB, dates over ten years, a few owners and groups; in random order.
//
// Figures (best and median of the runs, as wall time and as the main thread's
// CPU time, which stays meaningful on a machine shared with other work):
//   model-fill setListing() of a model without views (ranks and sort alone)
//   fill       showListing() until the view has laid out and painted the rows
//   fill-keys  the same with one name in ten not ASCII (ranked by collation keys)
//   size-desc  a re-sort by size, descending (a click on the Size header)
//   name-asc   back to the name (the collation ranks are kept per listing)
//   type-asc   by type (ranks computed on first use)
//   select-all a re-sort by date with every row selected (the selection follows)
// and the peak resident size (getrusage ru_maxrss) before the first fill and at
// the end.
//
// Not a Google Benchmark: each figure is one event with a widget tree around it.
//
//   ninja -C build remote_pane_bench
//   build/bin/remote_pane_bench [--entries N] [--runs R]
//
// To look at the pane instead: --shot FILE.png [--listing FILE] [--style 0-3]
// draws it once in that view style (icons, small icons, list, details),
// logged in, with the listing parsed from FILE (the output of "ls -la"; the
// generated one without it) and a few rows selected, and saves the picture.

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QTreeView>

#include "ftp/ListingParser.h"

#include "engine/TFTPWorker.h"
#include "ui/main/TBrowsingState.h"
#include "ui/main/TFileTypes.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"

namespace {

using Clock = std::chrono::steady_clock;

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// `accented`: one name in ten gets a non-ASCII letter, which makes the names
// ranked by collation keys instead of character by character.
TListingPtr makeListing(int count, bool accented = false)
{
    static const char* const kWords[] = {"report", "Backup", "IMG",   "data",    "Invoice", "draft",
                                         "Setup",  "notes",  "video", "Archive", "log",     "Photo"};
    static const char* const kExtensions[] = {"txt", "jpg", "PNG", "zip", "tar.gz", "pdf",
                                              "mp4", "iso", "c",   "h",   "html",   ""};
    static const char* const kUsers[] = {"root", "ftp", "alice", "bob", "www-data"};
    std::mt19937 random(20240305);
    auto listing = std::make_shared<TListing>();
    listing->reserve(static_cast<std::size_t>(count) + 2);
    ftp::ListingEntry dot;
    dot.name = ".";
    dot.type = ftp::EntryType::Directory;
    listing->push_back(dot);
    dot.name = "..";
    listing->push_back(dot);
    for (int i = 0; i < count; ++i) {
        ftp::ListingEntry e;
        const bool directory = random() % 10 == 0;
        e.type = directory ? ftp::EntryType::Directory : ftp::EntryType::File;
        std::string name = kWords[random() % 12];
        if (accented && random() % 10 == 0)
            name += "\xc3\xa9"; // é
        name += '_' + std::to_string(random() % 1000000) + '_' + std::to_string(i);
        if (!directory) {
            const char* extension = kExtensions[random() % 12];
            if (*extension)
                name += std::string(".") + extension;
        }
        e.name = name;
        e.size = directory ? 4096 : static_cast<std::int64_t>(random() % 8589934592ULL);
        e.modified.year = 2014 + static_cast<int>(random() % 10);
        e.modified.month = 1 + static_cast<int>(random() % 12);
        e.modified.day = 1 + static_cast<int>(random() % 28);
        e.modified.hour = static_cast<int>(random() % 24);
        e.modified.minute = static_cast<int>(random() % 60);
        e.unixStyle = true;
        e.permissions = directory ? "rwxr-xr-x" : (random() % 2 ? "rw-r--r--" : "rw-------");
        e.owner = kUsers[random() % 5];
        e.group = kUsers[random() % 5];
        listing->push_back(std::move(e));
    }
    return listing;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Sample
{
    double wall;
    double cpu; // the main thread's CPU time: what the step costs on a machine that is not shared
};

Sample millisecondsOf(const std::function<void()>& step)
{
    const double cpuStart = threadCpuMs();
    const auto start = Clock::now();
    step();
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
            threadCpuMs() - cpuStart};
}

// Until the view has done its delayed layout and painted what is visible.
void settle(QWidget& window)
{
    QApplication::processEvents();
    window.repaint();
    QApplication::processEvents();
}

int drawOnce(TRemotePane& pane, TBrowsingState& state, const QString& shot, const QString& listingFile,
             const TListingPtr& generated)
{
    TListingPtr listing = generated;
    if (!listingFile.isEmpty()) {
        QFile file(listingFile);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(listingFile));
            return 1;
        }
        const QByteArray raw = file.readAll();
        listing = std::make_shared<const TListing>(ftp::parseListing(raw.toStdString()).entries);
    }
    state.setConnected(true);
    state.setLoggedIn(true);
    pane.showListing(listing, QStringLiteral("/pub/incoming"));
    pane.selectRows({2, 3, 5}, true, true);
    settle(pane);
    if (!pane.grab().save(shot)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(shot));
        return 1;
    }
    std::printf("%d rows drawn to %s\n", pane.model().rowCount(), qPrintable(shot));
    return 0;
}

struct Figure
{
    const char* name;
    std::vector<Sample> runs;
};

void report(const Figure& figure)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const Sample& sample : figure.runs) {
        wall.push_back(sample.wall);
        cpu.push_back(sample.cpu);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-12s wall best %7.1f median %7.1f ms   cpu best %7.1f median %7.1f ms\n", figure.name,
                wall.front(), wall[wall.size() / 2], cpu.front(), cpu[cpu.size() / 2]);
}

} // namespace

int main(int argc, char** argv)
{
    int entries = 200000;
    int runs = 5;
    QString shot;
    QString listingFile;
    int style = static_cast<int>(TViewStyle::vsReport);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--entries") == 0)
            entries = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--shot") == 0)
            shot = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--listing") == 0)
            listingFile = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--style") == 0)
            style = std::clamp(std::atoi(argv[++i]), 0, 3);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Offscreen there is no desktop to name an icon theme.
    if (!shot.isEmpty() && (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor")))
        QIcon::setThemeName(QStringLiteral("Adwaita"));

    TFTPWorker worker;
    TBrowsingState state;
    TRemotePane pane(worker, state);
    pane.resize(1000, 700);
    pane.show();
    settle(pane);

    pane.setViewStyle(static_cast<TViewStyle>(style));
    if (!shot.isEmpty())
        return drawOnce(pane, state, shot, listingFile, makeListing(std::min(entries, 200)));
    const TListingPtr listing = makeListing(entries);
    const TListingPtr accentedListing = makeListing(entries, true);
    const long before = peakKiB();
    std::printf("%d entries, %d runs; peak RSS before the first fill %ld KiB\n", entries, runs, before);

    Figure model{"model-fill", {}}, fill{"fill", {}}, accented{"fill-keys", {}}, size{"size-desc", {}},
        name{"name-asc", {}}, type{"type-asc", {}}, selected{"select-all", {}};
    for (int run = 0; run < runs; ++run) {
        // The model alone, without views: collation ranks of the names and the sort.
        TFileTypes types;
        TRemoteListModel bare(types);
        model.runs.push_back(millisecondsOf([&] { bare.setListing(listing); }));

        pane.setSort(TRemoteListModel::kName, Qt::AscendingOrder);
        pane.showListing(nullptr, QStringLiteral("/"));
        settle(pane);
        accented.runs.push_back(millisecondsOf([&] {
            pane.showListing(accentedListing, QStringLiteral("/big"));
            settle(pane);
        }));
        pane.showListing(nullptr, QStringLiteral("/"));
        settle(pane);
        fill.runs.push_back(millisecondsOf([&] {
            pane.showListing(listing, QStringLiteral("/big"));
            settle(pane);
        }));
        // What a click on a header does: the header's sort indicator sorts the model.
        size.runs.push_back(millisecondsOf([&] {
            pane.listView()->header()->setSortIndicator(TRemoteListModel::kSize, Qt::DescendingOrder);
            settle(pane);
        }));
        name.runs.push_back(millisecondsOf([&] {
            pane.listView()->header()->setSortIndicator(TRemoteListModel::kName, Qt::AscendingOrder);
            settle(pane);
        }));
        type.runs.push_back(millisecondsOf([&] {
            pane.listView()->header()->setSortIndicator(TRemoteListModel::kType, Qt::AscendingOrder);
            settle(pane);
        }));
        pane.selectAllRows();
        settle(pane);
        selected.runs.push_back(millisecondsOf([&] {
            pane.listView()->header()->setSortIndicator(TRemoteListModel::kDate, Qt::AscendingOrder);
            settle(pane);
        }));
        pane.clearSelection();
    }
    if (pane.model().rowCount() != entries + 1) {
        std::fprintf(stderr, "expected %d rows, the model has %d\n", entries + 1, pane.model().rowCount());
        return 1;
    }
    report(model);
    report(fill);
    report(accented);
    report(size);
    report(name);
    report(type);
    report(selected);
    std::printf("peak RSS at the end %ld KiB (%+ld KiB over the state before the first fill)\n", peakKiB(),
                peakKiB() - before);
    return 0;
}
