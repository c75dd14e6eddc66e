// How the advanced search's result list copes with a search that finds very
// many matches: results arrive in batches (one per walked directory, as the
// dialog flushes them) into the sorted model behind a shown list, offscreen.
//
// The matches: N (default 100,000) spread over D directories (default 1,000),
// names of mixed case with a dozen extensions, sizes up to 8 GiB, dates over ten
// years; one in ten a directory.
//
// Figures (wall time, and the main thread's CPU time):
//   batches    every batch appended and the view laid out and painted after each
//   worst      the slowest single batch (the longest the dialog stops responding)
//   size-desc  a re-sort by size, descending (a click on the Size header)
//   path-asc   a re-sort by path (collation keys made on first use)
//   clear      Clear results
// and the peak resident size (getrusage ru_maxrss) at the end.
//
//   ninja -C build search_results_bench
//   build/bin/search_results_bench [--matches N] [--directories D]

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QHeaderView>
#include <QTreeView>

#include "ui/main/TFileTypes.h"
#include "ui/main/TSearchResultModel.h"

namespace {

using Clock = std::chrono::steady_clock;

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Timing
{
    double wallMs = 0;
    double cpuMs = 0;
};

template <typename F>
Timing timed(F&& work)
{
    const auto start = Clock::now();
    const double cpuStart = threadCpuMs();
    work();
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
            threadCpuMs() - cpuStart};
}

std::vector<std::vector<TSearchResult>> makeBatches(int matches, int directories, TFileTypes& types)
{
    static const char* const kWords[] = {"report", "Backup", "IMG",   "data",    "Invoice", "draft",
                                         "Setup",  "notes",  "video", "Archive", "log",     "Photo"};
    static const char* const kExtensions[] = {"txt", "jpg", "PNG", "zip", "tar.gz", "pdf",
                                              "mp4", "iso", "c",   "h",   "html",   ""};
    std::mt19937 random(20240305);
    std::vector<std::vector<TSearchResult>> batches(static_cast<std::size_t>(directories));
    for (int i = 0; i < matches; ++i) {
        const int directory = i % directories;
        ftp::ListingEntry entry;
        entry.name = std::string(kWords[random() % 12]) + '_' + std::to_string(random() % 100000);
        const bool isDirectory = random() % 10 == 0;
        entry.type = isDirectory ? ftp::EntryType::Directory : ftp::EntryType::File;
        if (!isDirectory) {
            const char* extension = kExtensions[random() % 12];
            if (*extension)
                entry.name += std::string(".") + extension;
            entry.size = std::int64_t(random() % (8ULL << 30));
        }
        entry.modified = {int(2014 + random() % 10), int(1 + random() % 12), int(1 + random() % 28),
                          int(random() % 24),        int(random() % 60),     -1};
        entry.unixStyle = true;
        entry.permissions = isDirectory ? "rwxr-xr-x" : "rw-r--r--";
        entry.owner = "alice";
        entry.group = "staff";
        const QString path = QStringLiteral("/srv/archive/level%1/dir%2").arg(directory % 7).arg(directory);
        batches[static_cast<std::size_t>(directory)].push_back(TSearchResult::fromEntry(entry, path, types));
    }
    return batches;
}

int intOption(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

void print(const char* what, const Timing& t)
{
    std::printf("%-10s %9.1f ms wall %9.1f ms cpu\n", what, t.wallMs, t.cpuMs);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int matches = intOption(argc, argv, "--matches", 100000);
    const int directories = std::max(1, intOption(argc, argv, "--directories", 1000));

    TFileTypes& types = TFileTypes::shared();
    auto batches = makeBatches(matches, directories, types);
    TSearchResultModel model(types);
    QTreeView view;
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    view.setSortingEnabled(true);
    view.setModel(&model);
    view.header()->setSortIndicator(TSearchResultModel::kName, Qt::AscendingOrder);
    view.resize(900, 600);
    view.show();
    QApplication::processEvents();
    const long before = peakKiB();

    Timing all;
    Timing worst;
    for (auto& batch : batches) {
        const Timing t = timed([&] {
            model.append(std::move(batch));
            view.viewport()->repaint();
            QApplication::processEvents();
        });
        all.wallMs += t.wallMs;
        all.cpuMs += t.cpuMs;
        if (t.wallMs > worst.wallMs)
            worst = t;
    }
    std::printf("%d matches in %d batches, %d rows\n", matches, directories, model.rowCount());
    print("batches", all);
    print("worst", worst);
    print("size-desc", timed([&] {
              view.header()->setSortIndicator(TSearchResultModel::kSize, Qt::DescendingOrder);
              view.viewport()->repaint();
          }));
    print("path-asc", timed([&] {
              view.header()->setSortIndicator(TSearchResultModel::kPath, Qt::AscendingOrder);
              view.viewport()->repaint();
          }));
    print("clear", timed([&] {
              model.clear();
              view.viewport()->repaint();
          }));
    std::printf("peak RSS %ld MB (+%ld MB for the results)\n", peakKiB() / 1024, (peakKiB() - before) / 1024);
    return 0;
}
