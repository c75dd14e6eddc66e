// File-mask matching: names per second for the masks a filter or a remote search
// uses, and for masks full of stars that would make a backtracking matcher
// exponential. The last case grows the name to show the cost stays linear in it.
//
//   cmake --build build --target file_mask_bench && build/bin/file_mask_bench

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

#include "core/TFileMask.h"

namespace {

QStringList sampleNames()
{
    QStringList names;
    const char* const stems[] = {"readme", "index", "Makefile", "photo_2023-07-14", "archive.tar", "notes"};
    const char* const extensions[] = {".txt", ".html", "", ".JPG", ".gz", ".md"};
    for (int i = 0; i < 10000; ++i)
        names << QString::fromLatin1(stems[i % 6]) + QString::number(i) +
                     QString::fromLatin1(extensions[i % 6]);
    return names;
}

void matchNames(benchmark::State& state, const char* maskText)
{
    const TFileMask mask{QString::fromLatin1(maskText)};
    const QStringList names = sampleNames();
    int matched = 0;
    for (auto _ : state)
        for (const QString& name : names)
            matched += mask.Matches(name) ? 1 : 0;
    benchmark::DoNotOptimize(matched);
    state.SetItemsProcessed(state.iterations() * names.size());
}

void BM_Extension(benchmark::State& state)
{
    matchNames(state, "*.txt");
}
void BM_SetAndRange(benchmark::State& state)
{
    matchNames(state, "photo_[0-9][0-9][0-9][0-9]-*.[jJ][pP][gG]");
}
void BM_ManyStars(benchmark::State& state)
{
    matchNames(state, "*a*e*i*o*u*z");
}

void BM_StarsAgainstLongName(benchmark::State& state)
{
    const TFileMask mask{QStringLiteral("*a*a*a*a*a*a*a*a*a*a*b")};
    const QString name(static_cast<qsizetype>(state.range(0)), QLatin1Char('a'));
    for (auto _ : state)
        benchmark::DoNotOptimize(mask.Matches(name));
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_Extension);
BENCHMARK(BM_SetAndRange);
BENCHMARK(BM_ManyStars);
BENCHMARK(BM_StarsAgainstLongName)->RangeMultiplier(4)->Range(64, 16384)->Complexity();

} // namespace

BENCHMARK_MAIN();
