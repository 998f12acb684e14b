// The settings store on a large file: the parse of its text, which must grow in proportion to
// the file (a quadratic one made the window wait 30 s on 20,000 entries), the reads of the
// start-up on a file that does not change, and a write.

#include "SettingsStore.h"
#include "SettingsStoreText.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <string>

namespace {

QByteArray SettingsText(int junkEntries)
{
    QByteArray text = "[View]\nComma=0\nTabNo=8\n\n[Font]\nFaceName=FIXEDSYS\nSize=0\n\n[Junk]\n";
    for (int n = 0; n < junkEntries; ++n)
        text += "Key" + QByteArray::number(n) + "=value number " + QByteArray::number(n) +
                ", \"quoted\"\n";
    return text;
}

// A store on a file of `junkEntries` entries beside the real ones.
struct CLargeStore
{
    explicit CLargeStore(int junkEntries)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(SettingsText(junkEntries)) < 0)
            throw std::runtime_error("cannot write the settings file");
    }
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("Brunovelt.conf"));
    CSettingsStore store{path};
};

void BM_ParseSettingsText(benchmark::State& state)
{
    const QByteArray text = SettingsText(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            CSettingsStoreText(text).Value(QStringLiteral("Font"), QStringLiteral("FaceName")));
    state.SetComplexityN(state.range(0));
}

// The values the window reads before it shows, about thirty reads of an unchanged file.
void BM_StartupReads(benchmark::State& state)
{
    CLargeStore large(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (int n = 0; n < 6; ++n) {
            benchmark::DoNotOptimize(large.store.GetInt("View", "Comma", 0));
            benchmark::DoNotOptimize(large.store.GetInt("View", "TabNo", 8));
            benchmark::DoNotOptimize(large.store.GetString("Font", "FaceName", ""));
            benchmark::DoNotOptimize(large.store.GetInt("Font", "Size", 0));
            benchmark::DoNotOptimize(large.store.GetString("PButtonTitle", "1", ""));
        }
    }
}

void BM_WriteValue(benchmark::State& state)
{
    CLargeStore large(static_cast<int>(state.range(0)));
    int value = 0;
    for (auto _ : state) {
        if (!large.store.WriteInt("View", "Comma", ++value % 2))
            state.SkipWithError("the write failed");
    }
}

} // namespace

BENCHMARK(BM_ParseSettingsText)
    ->RangeMultiplier(4)
    ->Range(256, 65536)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartupReads)->Arg(0)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteValue)->Arg(0)->Arg(20000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
