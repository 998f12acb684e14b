// Engine throughput over the generated formulas, held in memory: the whole path of one input
// line (normalise, evaluate, format the answer) and each step alone.
//
//   engine_bench [--lines=N] [Google Benchmark flags]
//
// Every benchmark runs over all N lines (default 100000) per iteration and reports
// items_per_second (lines per second) and time_per_line. The aim for the whole path is 330 ns a
// line or less on one core (3 million lines a second), or 1.2 times BM_BareEvaluateToChars, the
// floor on the same machine in the same run, where the machine is slower.

#include "BareEvaluator.h"
#include "Calculator.h"
#include "FormulaGenerator.h"
#include "NumberText.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::size_t g_lineCount = benchgen::kDefaultLineCount;

struct Corpus
{
    std::vector<std::string> lines;      // as generated
    std::vector<std::string> normalized; // after NormalizeFormula
    std::vector<double> answers;         // Calculate's results
    std::size_t failures = 0;            // lines Calculate did not answer
    std::size_t disagreements = 0;       // answers off the generator's value beyond 1e-9
};

const Corpus& TheCorpus()
{
    static const Corpus corpus = [] {
        Corpus c;
        const CCalculator calc;
        benchgen::CFormulaGenerator generator;
        benchgen::FormulaTexts texts;
        c.lines.reserve(g_lineCount);
        c.normalized.reserve(g_lineCount);
        c.answers.reserve(g_lineCount);
        for (std::size_t i = 0; i < g_lineCount; ++i) {
            generator.Next(texts);
            c.lines.push_back(texts.brunovelt);
            c.normalized.push_back(calc.NormalizeFormula(texts.brunovelt));
            double answer = 0;
            if (calc.Calculate(c.normalized.back(), answer) != CALC_OK) {
                ++c.failures;
                answer = 0;
            } else {
                const double expected = generator.LastValue();
                if (!(std::fabs(answer - expected) <= 1e-9 * std::fabs(expected)))
                    ++c.disagreements;
            }
            c.answers.push_back(answer);
        }
        if (c.failures != 0 || c.disagreements != 0)
            std::fprintf(stderr,
                         "engine_bench: %zu of %zu lines gave an error, %zu disagree with the "
                         "generator's value\n",
                         c.failures, c.lines.size(), c.disagreements);
        return c;
    }();
    return corpus;
}

void CountLines(benchmark::State& state, std::size_t lines)
{
    const auto perIteration = static_cast<double>(lines);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines));
    // Time over (iterations * lines): seconds per line, shown with an SI prefix ("312n").
    state.counters["time_per_line"] = benchmark::Counter(
        perIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

bool CheckCorpus(benchmark::State& state, const Corpus& corpus)
{
    if (corpus.failures == 0)
        return true;
    state.SkipWithError("some generated formulas gave an error");
    return false;
}

// What the command line does for each input line.
void BM_NormalizeCalculateFormat(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    if (!CheckCorpus(state, corpus))
        return;
    const CCalculator calc;
    for (auto _ : state) {
        for (const std::string& line : corpus.lines) {
            const std::string formula = calc.NormalizeFormula(line);
            double answer = 0;
            if (calc.Calculate(formula, answer) == CALC_OK) {
                std::string text = FormatAnswer(answer);
                benchmark::DoNotOptimize(text);
            }
        }
    }
    CountLines(state, corpus.lines.size());
}

void BM_NormalizeFormula(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    const CCalculator calc;
    for (auto _ : state) {
        for (const std::string& line : corpus.lines) {
            std::string formula = calc.NormalizeFormula(line);
            benchmark::DoNotOptimize(formula);
        }
    }
    CountLines(state, corpus.lines.size());
}

void BM_Calculate(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    if (!CheckCorpus(state, corpus))
        return;
    const CCalculator calc;
    for (auto _ : state) {
        for (const std::string& formula : corpus.normalized) {
            double answer = 0;
            const int code = calc.Calculate(formula, answer);
            benchmark::DoNotOptimize(code);
            benchmark::DoNotOptimize(answer);
        }
    }
    CountLines(state, corpus.normalized.size());
}

void BM_FormatAnswer(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    for (auto _ : state) {
        for (const double answer : corpus.answers) {
            std::string text = FormatAnswer(answer);
            benchmark::DoNotOptimize(text);
        }
    }
    CountLines(state, corpus.answers.size());
}

// The same conversion into one reused buffer, as an output loop can do it.
void BM_AppendGeneral(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    std::string text;
    for (auto _ : state) {
        for (const double answer : corpus.answers) {
            text.clear();
            AppendGeneral(text, answer, 10);
            benchmark::DoNotOptimize(text);
        }
    }
    CountLines(state, corpus.answers.size());
}

void BM_FormatWithCommas(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    const CCalculator calc;
    for (auto _ : state) {
        for (const double answer : corpus.answers) {
            std::string text = calc.FormatWithCommas(answer);
            benchmark::DoNotOptimize(text);
        }
    }
    CountLines(state, corpus.answers.size());
}

// The floor, measured in the same run: a bare evaluator of the generated subset and
// std::to_chars's "%.10g", with nothing the engine must also do (normalising, error codes,
// the whole function catalogue, commas, NUL bytes, printf's rounding of every double).
void BM_BareEvaluateToChars(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    std::size_t disagreements = 0;
    for (std::size_t i = 0; i < corpus.lines.size(); ++i) {
        const double bareAnswer = bare::Evaluate(corpus.lines[i]);
        if (!(std::fabs(bareAnswer - corpus.answers[i]) <= 1e-9 * std::fabs(corpus.answers[i])))
            ++disagreements;
    }
    if (disagreements != 0) {
        state.SkipWithError("the bare evaluator disagrees with the engine");
        return;
    }
    for (auto _ : state) {
        for (const std::string& line : corpus.lines) {
            char buffer[32];
            const auto r = std::to_chars(buffer, buffer + sizeof buffer, bare::Evaluate(line),
                                         std::chars_format::general, 10);
            benchmark::DoNotOptimize(buffer);
            benchmark::DoNotOptimize(r.ptr);
        }
    }
    CountLines(state, corpus.lines.size());
}

BENCHMARK(BM_NormalizeCalculateFormat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareEvaluateToChars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NormalizeFormula)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Calculate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatAnswer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendGeneral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatWithCommas)->Unit(benchmark::kMillisecond);

// Takes --lines=N out of the arguments before Google Benchmark reads them. False on a bad value.
bool TakeLineCount(int& argc, char** argv)
{
    constexpr std::string_view kFlag = "--lines=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, kFlag.size()) != kFlag) {
            argv[kept++] = argv[i];
            continue;
        }
        const std::string_view value = arg.substr(kFlag.size());
        std::size_t n = 0;
        const auto r = std::from_chars(value.data(), value.data() + value.size(), n);
        if (r.ec != std::errc() || r.ptr != value.data() + value.size() || n == 0)
            return false;
        g_lineCount = n;
    }
    argc = kept;
    argv[argc] = nullptr;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!TakeLineCount(argc, argv)) {
        std::fprintf(stderr, "engine_bench: --lines needs a positive whole number\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    std::fprintf(stderr, "engine_bench: %zu formulas of about 15 tokens each\n", g_lineCount);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return TheCorpus().failures == 0 ? 0 : 1;
}
