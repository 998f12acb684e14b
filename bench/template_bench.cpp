// The template scan behind P1..P5: collecting the names and filling them in, on a 1 MB template
// of "[rate]*[amount]+" repeated, with two-byte characters among them, as a hand-edited settings
// file may hold.

#include "Cp932Codec.h"
#include "TemplateText.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string MegabyteTemplate()
{
    const std::string piece = "[rate]*[amount]+" + Utf8ToCp932("データ") + "+";
    std::string content;
    while (content.size() < 1024 * 1024)
        content += piece;
    return content;
}

void BM_CollectTemplateNames(benchmark::State& state)
{
    const std::string content = MegabyteTemplate();
    for (auto _ : state)
        benchmark::DoNotOptimize(CollectTemplateNames(content));
}

void BM_FillTemplate(benchmark::State& state)
{
    const std::string content = MegabyteTemplate();
    const std::vector<std::string> names = CollectTemplateNames(content);
    for (auto _ : state)
        benchmark::DoNotOptimize(FillTemplate(content, names, {"1.08", "2500"}));
}

} // namespace

BENCHMARK(BM_CollectTemplateNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillTemplate)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
