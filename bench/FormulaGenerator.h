#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Random arithmetic formulas for the benchmarks, written out for Brunovelt and for the two
// reference calculators the command-line benchmark compares with (apcalc's `calc -p` and
// `bc -l`), so that all three compute the same value for each line.
//
// A formula has about fifteen tokens: positive number literals, + - * /, ^2 and ^3, parentheses,
// SQR, SIN and ROUND(x,2). The output is the same on every machine for a given seed: the random
// numbers come from splitmix64, and the values used to reject formulas are computed with + - * /,
// sqrt and floor alone (no library sine), which IEEE arithmetic rounds the same everywhere.
//
// Every formula avoids what would make the calculators differ:
// - no negative literal and no '-' directly after an operator or '(' (Brunovelt reads it as the
//   sign of the literal, the others as negation of what follows);
// - no chained '^' (Brunovelt groups 2^3^2 from the left, the others from the right);
// - no division by a value that is zero or near it, no square root of a value that is not
//   clearly positive;
// - every intermediate value lies between 1e-4 and 1e12 in magnitude, so that bc's fixed twenty
//   decimals keep at least sixteen significant digits;
// - the rounding error of double arithmetic stays below one part in 1e12 (tracked as a bound
//   through every operation), so that cancellation cannot spoil the ninth digit;
// - ROUND's argument, times 100 plus 0.5, stays clearly away from a whole number, so that double
//   and exact arithmetic round it the same way.
namespace benchgen {

enum class ESyntax {
    Brunovelt, // SQR(x), SIN(x), ROUND(x,2)
    Calc,      // apcalc: sqrt(x), sin(x), (floor((x)*100+0.5)/100)
    Bc,        // bc -l: sqrt(x), s(x), r(x) with r defined by the prelude
};

inline constexpr std::uint64_t kDefaultSeed = 0x42A7'1D0C'5E11'9B03;
inline constexpr std::size_t kDefaultLineCount = 100000;

// One formula in each syntax.
struct FormulaTexts
{
    std::string brunovelt;
    std::string calc;
    std::string bc;

    const std::string& In(ESyntax syntax) const;
};

// Produces formulas one after another; the same seed gives the same sequence.
class CFormulaGenerator
{
public:
    explicit CFormulaGenerator(std::uint64_t seed = kDefaultSeed);

    void Next(FormulaTexts& out);

    // The value the formula should have, from the generator's own double evaluation of the last
    // formula (for diagnostics; the calculators compute it themselves).
    double LastValue() const { return m_lastValue; }

private:
    enum class EKind : std::uint8_t {
        Literal,
        Add,
        Sub,
        Mul,
        Div,
        Square,
        Cube,
        Paren,
        Sqr,
        Sin,
        Round
    };

    // A node of the expression tree, with the value double arithmetic gives it and a bound on the
    // distance of that value from the exact one.
    struct Node
    {
        EKind kind = EKind::Literal;
        int a = -1;                 // the operand, or the left one
        int b = -1;                 // the right operand
        std::uint32_t mantissa = 0; // a literal is mantissa / 10^decimals
        int decimals = 0;
        double value = 0;
        double error = 0;
    };

    std::uint64_t Random();
    std::uint32_t Below(std::uint32_t bound); // 0 .. bound-1
    int Generate(int budget);
    int TryGenerate(int budget);
    int Literal();
    int Add(const Node& node);
    void Print(int index, ESyntax syntax, std::string& out) const;
    void PrintOperand(int index, int minimumLevel, ESyntax syntax, std::string& out) const;
    int Level(int index) const;

    std::uint64_t m_state;
    std::vector<Node> m_nodes;
    double m_lastValue = 0;
};

// The lines a file in `syntax` starts with before the formulas: they set up the calculator and
// print nothing. Each line ends with '\n'.
std::string_view Prelude(ESyntax syntax);

// `count` formulas in `syntax` from `seed`.
std::vector<std::string> GenerateFormulas(std::size_t count = kDefaultLineCount,
                                          ESyntax syntax = ESyntax::Brunovelt,
                                          std::uint64_t seed = kDefaultSeed);

// The number of tokens in a formula of Brunovelt's syntax: each number, each name and each other
// character counts one.
std::size_t CountTokens(std::string_view formula);

} // namespace benchgen
