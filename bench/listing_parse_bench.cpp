// Directory listing parser throughput: a 200,000-entry "ls -l" listing and a
// 200,000-entry MLSD listing, reported as lines per second.
//
// Each runs twice. "/0" uses the allocator as it comes: the 40 MB result of
// every parse is fresh memory from the kernel, so page faults are part of the
// time (expensive in a virtual machine). "/1" keeps freed memory in the heap,
// as in a process that has listed before, and so measures the parsing itself.
//
//   cmake --build build --target listing_parse_bench && build/bin/listing_parse_bench

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <string>

#include "ftp/ListingParser.h"

namespace {

constexpr int kEntries = 200000;

std::string unixListing()
{
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string raw = "total 123456\r\n";
    char line[160];
    for (int i = 0; i < kEntries; ++i) {
        bool recent = i % 3 != 0;
        const char* mode = i % 10 == 0 ? "drwxr-xr-x" : "-rw-r--r--";
        if (recent)
            std::snprintf(line, sizeof line,
                          "%s   1 user%-4d group%-3d %10d %s %2d %02d:%02d report-%06d.txt\r\n", mode, i % 50,
                          i % 7, i * 37, kMonths[i % 12], i % 28 + 1, i % 24, i % 60, i);
        else
            std::snprintf(line, sizeof line, "%s   1 user%-4d group%-3d %10d %s %2d  %4d report-%06d.txt\r\n",
                          mode, i % 50, i % 7, i * 37, kMonths[i % 12], i % 28 + 1, 1990 + i % 30, i);
        raw += line;
    }
    return raw;
}

std::string mlsdListing()
{
    std::string raw = "type=cdir;modify=20240101000000;perm=el; /home/user\r\n";
    char line[200];
    for (int i = 0; i < kEntries; ++i) {
        std::snprintf(
            line, sizeof line,
            "type=%s;size=%d;modify=%04d%02d%02d%02d%02d%02d;perm=adfrw;UNIX.mode=0644;UNIX.owner=1000;"
            "UNIX.group=1000; report-%06d.txt\r\n",
            i % 10 == 0 ? "dir" : "file", i * 37, 1990 + i % 35, i % 12 + 1, i % 28 + 1, i % 24, i % 60,
            (i * 7) % 60, i);
        raw += line;
    }
    return raw;
}

// Keeps freed blocks in the heap while alive (glibc), then restores the default.
class WarmHeap final
{
public:
    explicit WarmHeap(bool on)
        : m_on(on)
    {
        if (m_on) {
            mallopt(M_MMAP_THRESHOLD, 1 << 30);
            mallopt(M_TRIM_THRESHOLD, 1 << 30);
        }
    }
    ~WarmHeap()
    {
        if (m_on) {
            mallopt(M_MMAP_THRESHOLD, 128 * 1024);
            mallopt(M_TRIM_THRESHOLD, 128 * 1024);
            malloc_trim(0);
        }
    }
    WarmHeap(const WarmHeap&) = delete;
    WarmHeap& operator=(const WarmHeap&) = delete;

private:
    bool m_on;
};

void parseAndCount(benchmark::State& state, const std::string& raw, bool machineListing)
{
    WarmHeap warm(state.range(0) != 0);
    ftp::ListingParseOptions options;
    options.machineListing = machineListing;
    std::size_t entries = 0;
    for (auto _ : state) {
        ftp::ListingParseResult r = ftp::parseListing(raw, options);
        entries = r.entries.size();
        benchmark::DoNotOptimize(r.entries.data());
    }
    if (entries < kEntries)
        state.SkipWithError("the listing did not parse");
    state.counters["lines_per_second"] = benchmark::Counter(
        static_cast<double>(kEntries) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes_per_line"] = static_cast<double>(raw.size()) / kEntries;
}

void BM_ParseUnixListing(benchmark::State& state)
{
    static const std::string raw = unixListing();
    parseAndCount(state, raw, false);
}

void BM_ParseMlsdListing(benchmark::State& state)
{
    static const std::string raw = mlsdListing();
    parseAndCount(state, raw, true);
}

BENCHMARK(BM_ParseUnixListing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMlsdListing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
