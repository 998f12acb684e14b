// Writes the benchmark formulas, one a line.
//
//   bench_gen_lines [--lines N] [--seed N] [--syntax brunovelt|calc|bc]
//       writes N formulas (default 100000) in one syntax (default brunovelt) to standard output;
//   bench_gen_lines [--lines N] [--seed N] --prefix PATH
//       writes the same N formulas in all three syntaxes to PATH.brunovelt.txt, PATH.calc.txt and
//       PATH.bc.txt.
// The calc and bc files start with the set-up lines of benchgen::Prelude, which print nothing, so
// every calculator prints exactly one line per formula.

#include "FormulaGenerator.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

int Usage()
{
    std::cerr << "usage: bench_gen_lines [--lines N] [--seed N] [--syntax brunovelt|calc|bc]\n"
                 "       bench_gen_lines [--lines N] [--seed N] --prefix PATH\n";
    return 2;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text)
{
    std::uint64_t value = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<benchgen::ESyntax> ParseSyntax(std::string_view text)
{
    if (text == "brunovelt")
        return benchgen::ESyntax::Brunovelt;
    if (text == "calc")
        return benchgen::ESyntax::Calc;
    if (text == "bc")
        return benchgen::ESyntax::Bc;
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t lines = benchgen::kDefaultLineCount;
    std::uint64_t seed = benchgen::kDefaultSeed;
    benchgen::ESyntax syntax = benchgen::ESyntax::Brunovelt;
    std::string prefix;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i + 1 >= argc)
            return Usage();
        const std::string_view value = argv[++i];
        if (arg == "--lines") {
            const auto n = ParseNumber(value);
            if (!n)
                return Usage();
            lines = *n;
        } else if (arg == "--seed") {
            const auto n = ParseNumber(value);
            if (!n)
                return Usage();
            seed = *n;
        } else if (arg == "--syntax") {
            const auto s = ParseSyntax(value);
            if (!s)
                return Usage();
            syntax = *s;
        } else if (arg == "--prefix") {
            prefix = value;
        } else {
            return Usage();
        }
    }

    benchgen::CFormulaGenerator generator(seed);
    benchgen::FormulaTexts texts;

    if (prefix.empty()) {
        std::ios::sync_with_stdio(false);
        std::string out(benchgen::Prelude(syntax));
        for (std::uint64_t i = 0; i < lines; ++i) {
            generator.Next(texts);
            out += texts.In(syntax);
            out += '\n';
            if (out.size() >= (1u << 16)) {
                std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
                out.clear();
            }
        }
        std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
        std::cout.flush();
        return std::cout ? 0 : 1;
    }

    constexpr benchgen::ESyntax kAll[] = {benchgen::ESyntax::Brunovelt, benchgen::ESyntax::Calc,
                                          benchgen::ESyntax::Bc};
    constexpr const char* kSuffix[] = {".brunovelt.txt", ".calc.txt", ".bc.txt"};
    std::ofstream files[3];
    for (std::size_t k = 0; k < 3; ++k) {
        files[k].open(prefix + kSuffix[k], std::ios::binary | std::ios::trunc);
        if (!files[k]) {
            std::cerr << "bench_gen_lines: cannot write " << prefix << kSuffix[k] << ": "
                      << std::strerror(errno) << '\n';
            return 1;
        }
        const std::string_view prelude = benchgen::Prelude(kAll[k]);
        files[k].write(prelude.data(), static_cast<std::streamsize>(prelude.size()));
    }
    for (std::uint64_t i = 0; i < lines; ++i) {
        generator.Next(texts);
        for (std::size_t k = 0; k < 3; ++k) {
            const std::string& text = texts.In(kAll[k]);
            files[k].write(text.data(), static_cast<std::streamsize>(text.size()));
            files[k].put('\n');
        }
    }
    for (std::size_t k = 0; k < 3; ++k) {
        files[k].close();
        if (!files[k]) {
            std::cerr << "bench_gen_lines: writing " << prefix << kSuffix[k] << " failed\n";
            return 1;
        }
    }
    return 0;
}
