#include "FormulaGenerator.h"

#include <cmath>
#include <cstdlib>

namespace benchgen {

namespace {

// One rounding of double arithmetic moves a value by at most half of this, relative; the bounds
// below charge a whole unit per operation so that a library function one ulp off is covered too.
constexpr double kUlp = 0x1p-52;

constexpr int kFormulaBudget = 15;
constexpr std::size_t kMinTokens = 12;
constexpr std::size_t kMaxTokens = 18;
constexpr int kNodeAttempts = 8;
constexpr int kFormulaAttempts = 16;

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5};

// Values every calculator computes alike to well beyond nine digits: not too small for bc's
// twenty decimals, not so large that doubles lose whole units, and little rounding error.
bool Acceptable(double value, double error)
{
    const double magnitude = std::fabs(value);
    return std::isfinite(value) && std::isfinite(error) && magnitude >= 1e-4 && magnitude <= 1e12 &&
           error <= 1e-12 * magnitude;
}

// The sine from + - * / and floor alone, so that the generator decides the same on every machine.
// |x| is at most 1e4 here. The reduction subtracts k * pi/2 in three parts, each exact when
// multiplied by k (the first two parts carry 33 bits); the remainder, within pi/4, goes through
// the Taylor series of sine or cosine, which converges to below 1e-17 by the 17th/18th power.
double PortableSin(double x)
{
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPiOver2Part1 = 1.57079632673412561417e+00;
    constexpr double kPiOver2Part2 = 6.07710050630396597660e-11;
    constexpr double kPiOver2Part3 = 2.02226624871116645580e-21;
    const double k = std::floor(x * kTwoOverPi + 0.5);
    const double r = ((x - k * kPiOver2Part1) - k * kPiOver2Part2) - k * kPiOver2Part3;
    const double r2 = r * r;

    double sine = 0;
    double cosine = 0;
    {
        // Horner form of r - r^3/3! + r^5/5! - ... and 1 - r^2/2! + r^4/4! - ...
        double s = 1.0;
        double c = 1.0;
        for (int n = 8; n >= 1; --n) {
            const double twoN = 2.0 * n;
            s = 1.0 - r2 / (twoN * (twoN + 1.0)) * s;
            c = 1.0 - r2 / ((twoN - 1.0) * twoN) * c;
        }
        sine = r * s;
        cosine = c;
    }

    // The quadrant is k modulo 4; k is a whole number below 2^14 in magnitude.
    const auto quadrant = static_cast<long>(k) & 3;
    switch (quadrant) {
    case 0: return sine;
    case 1: return cosine;
    case 2: return -sine;
    default: return -cosine;
    }
}

void AppendLiteral(std::uint32_t mantissa, int decimals, std::string& out)
{
    std::string digits = std::to_string(mantissa);
    const auto places = static_cast<std::size_t>(decimals);
    if (places > 0) {
        if (digits.size() <= places)
            digits.insert(0, places + 1 - digits.size(), '0');
        digits.insert(digits.size() - places, 1, '.');
    }
    out += digits;
}

} // namespace

const std::string& FormulaTexts::In(ESyntax syntax) const
{
    switch (syntax) {
    case ESyntax::Calc: return calc;
    case ESyntax::Bc: return bc;
    case ESyntax::Brunovelt: break;
    }
    return brunovelt;
}

CFormulaGenerator::CFormulaGenerator(std::uint64_t seed) : m_state(seed)
{
    m_nodes.reserve(64);
}

// splitmix64: a fixed, well-mixed sequence from any seed.
std::uint64_t CFormulaGenerator::Random()
{
    m_state += 0x9E37'79B9'7F4A'7C15;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58'476D'1CE4'E5B9;
    z = (z ^ (z >> 27)) * 0x94D0'49BB'1331'11EB;
    return z ^ (z >> 31);
}

// The bias of a plain remainder is below bound / 2^64: nothing a benchmark could notice.
std::uint32_t CFormulaGenerator::Below(std::uint32_t bound)
{
    return static_cast<std::uint32_t>(Random() % bound);
}

int CFormulaGenerator::Add(const Node& node)
{
    m_nodes.push_back(node);
    return static_cast<int>(m_nodes.size() - 1);
}

int CFormulaGenerator::Literal()
{
    Node n;
    n.kind = EKind::Literal;
    const std::uint32_t pick = Below(100);
    if (pick < 35) {
        n.mantissa = 1 + Below(99); // 1 to 99
    } else if (pick < 50) {
        n.mantissa = 100 + Below(9900); // 100 to 9999
    } else if (pick < 80) {
        n.decimals = 1 + static_cast<int>(Below(2)); // 0.01 to 999.9
        n.mantissa = 1 + Below(9999);
    } else {
        n.decimals = 3 + static_cast<int>(Below(2)); // 0.0001 to 99.999
        n.mantissa = 1 + Below(99999);
    }
    // Both are exact doubles, so the quotient is the correctly rounded literal, as every
    // calculator reads it.
    n.value = static_cast<double>(n.mantissa) / kPowersOfTen[n.decimals];
    n.error = n.value * kUlp / 2;
    return Add(n);
}

// A valid subtree for about `budget` tokens; a literal when several tries found none.
int CFormulaGenerator::Generate(int budget)
{
    for (int attempt = 0; attempt < kNodeAttempts; ++attempt) {
        const std::size_t mark = m_nodes.size();
        const int index = TryGenerate(budget);
        if (index >= 0)
            return index;
        m_nodes.resize(mark);
    }
    return Literal();
}

// One try at a subtree; -1 when its value is one the calculators might not agree on.
int CFormulaGenerator::TryGenerate(int budget)
{
    if (budget < 3)
        return Literal();

    Node n;
    const std::uint32_t pick = Below(100);
    if (pick < 52) {
        const std::uint32_t op = Below(100);
        n.kind = op < 30 ? EKind::Add : op < 55 ? EKind::Sub : op < 80 ? EKind::Mul : EKind::Div;
        const int left = 1 + static_cast<int>(Below(static_cast<std::uint32_t>(budget - 2)));
        n.a = Generate(left);
        n.b = Generate(budget - 1 - left);
        const Node& l = m_nodes[static_cast<std::size_t>(n.a)];
        const Node& r = m_nodes[static_cast<std::size_t>(n.b)];
        const double la = std::fabs(l.value), ra = std::fabs(r.value);
        switch (n.kind) {
        case EKind::Add:
            n.value = l.value + r.value;
            n.error = l.error + r.error + std::fabs(n.value) * kUlp;
            break;
        case EKind::Sub:
            n.value = l.value - r.value;
            n.error = l.error + r.error + std::fabs(n.value) * kUlp;
            break;
        case EKind::Mul:
            n.value = l.value * r.value;
            n.error = la * r.error + ra * l.error + l.error * r.error + std::fabs(n.value) * kUlp;
            break;
        default: // Div; the divisor is acceptable, so it is at least 1e-4 and far from its error
            n.value = l.value / r.value;
            n.error = (l.error + std::fabs(n.value) * r.error) / (ra - r.error) +
                      std::fabs(n.value) * kUlp;
            break;
        }
    } else if (pick < 64) {
        n.kind = Below(5) < 3 ? EKind::Square : EKind::Cube;
        n.a = Generate(budget - 2);
        const Node& x = m_nodes[static_cast<std::size_t>(n.a)];
        const double xa = std::fabs(x.value), e = x.error;
        if (n.kind == EKind::Square) {
            n.value = x.value * x.value;
            n.error = 2 * xa * e + e * e + std::fabs(n.value) * kUlp;
        } else {
            n.value = x.value * x.value * x.value;
            n.error = 3 * xa * xa * e + 3 * xa * e * e + e * e * e + 2 * std::fabs(n.value) * kUlp;
        }
    } else if (pick < 74) {
        n.kind = EKind::Sqr;
        n.a = Generate(budget - 3);
        const Node& x = m_nodes[static_cast<std::size_t>(n.a)];
        if (x.value <= 0)
            return -1;
        n.value = std::sqrt(x.value); // correctly rounded everywhere
        n.error = x.error / n.value + n.value * kUlp;
    } else if (pick < 84) {
        n.kind = EKind::Sin;
        n.a = Generate(budget - 3);
        const Node& x = m_nodes[static_cast<std::size_t>(n.a)];
        if (std::fabs(x.value) > 1e4)
            return -1;
        n.value = PortableSin(x.value);
        // |d sin/dx| <= 1; 1e-15 covers both this sine and a library's.
        n.error = x.error + 1e-15;
    } else if (pick < 92) {
        n.kind = EKind::Round;
        n.a = Generate(budget < 6 ? 1 : budget - 5);
        const Node& x = m_nodes[static_cast<std::size_t>(n.a)];
        const double scaled = x.value * 100 + 0.5;
        const double whole = std::floor(scaled);
        const double distance = std::fmin(scaled - whole, whole + 1 - scaled);
        if (distance < 1e-6 || distance < 1000 * (100 * x.error + std::fabs(scaled) * kUlp))
            return -1;
        n.value = whole / 100;
        n.error = std::fabs(n.value) * kUlp;
    } else {
        n.kind = EKind::Paren;
        n.a = Generate(budget - 2);
        const Node& x = m_nodes[static_cast<std::size_t>(n.a)];
        n.value = x.value;
        n.error = x.error;
    }
    if (!Acceptable(n.value, n.error))
        return -1;
    return Add(n);
}

// 1 for + -, 2 for * /, 3 for a power, 4 for what needs no parentheses anywhere.
int CFormulaGenerator::Level(int index) const
{
    switch (m_nodes[static_cast<std::size_t>(index)].kind) {
    case EKind::Add:
    case EKind::Sub: return 1;
    case EKind::Mul:
    case EKind::Div: return 2;
    case EKind::Square:
    case EKind::Cube: return 3;
    default: return 4;
    }
}

void CFormulaGenerator::PrintOperand(int index, int minimumLevel, ESyntax syntax,
                                     std::string& out) const
{
    const bool group = Level(index) < minimumLevel;
    if (group)
        out += '(';
    Print(index, syntax, out);
    if (group)
        out += ')';
}

void CFormulaGenerator::Print(int index, ESyntax syntax, std::string& out) const
{
    const Node& n = m_nodes[static_cast<std::size_t>(index)];
    switch (n.kind) {
    case EKind::Literal: AppendLiteral(n.mantissa, n.decimals, out); return;
    case EKind::Add:
    case EKind::Sub:
    case EKind::Mul:
    case EKind::Div: {
        // Every operator groups from the left in all three calculators: the left operand needs
        // parentheses below this level, the right one at it too.
        const int level = Level(index);
        PrintOperand(n.a, level, syntax, out);
        out += n.kind == EKind::Add   ? '+'
               : n.kind == EKind::Sub ? '-'
               : n.kind == EKind::Mul ? '*'
                                      : '/';
        PrintOperand(n.b, level + 1, syntax, out);
        return;
    }
    case EKind::Square:
    case EKind::Cube:
        // The base is never itself a power: '^' chains group differently in the calculators.
        PrintOperand(n.a, 4, syntax, out);
        out += n.kind == EKind::Square ? "^2" : "^3";
        return;
    case EKind::Paren:
        out += '(';
        Print(n.a, syntax, out);
        out += ')';
        return;
    case EKind::Sqr:
        out += syntax == ESyntax::Brunovelt ? "SQR(" : "sqrt(";
        Print(n.a, syntax, out);
        out += ')';
        return;
    case EKind::Sin:
        out += syntax == ESyntax::Brunovelt ? "SIN(" : syntax == ESyntax::Calc ? "sin(" : "s(";
        Print(n.a, syntax, out);
        out += ')';
        return;
    case EKind::Round:
        switch (syntax) {
        case ESyntax::Brunovelt:
            out += "ROUND(";
            Print(n.a, syntax, out);
            out += ",2)";
            return;
        case ESyntax::Calc:
            // Grouped whole, since the call may be the base of a power or a divisor.
            out += "(floor((";
            Print(n.a, syntax, out);
            out += ")*100+0.5)/100)";
            return;
        case ESyntax::Bc:
            out += "r(";
            Print(n.a, syntax, out);
            out += ')';
            return;
        }
        return;
    }
}

void CFormulaGenerator::Next(FormulaTexts& out)
{
    int root = -1;
    for (int attempt = 0; attempt < kFormulaAttempts; ++attempt) {
        m_nodes.clear();
        root = Generate(kFormulaBudget);
        out.brunovelt.clear();
        Print(root, ESyntax::Brunovelt, out.brunovelt);
        const std::size_t tokens = CountTokens(out.brunovelt);
        if (tokens >= kMinTokens && tokens <= kMaxTokens)
            break;
    }
    out.calc.clear();
    Print(root, ESyntax::Calc, out.calc);
    out.bc.clear();
    Print(root, ESyntax::Bc, out.bc);
    m_lastValue = m_nodes[static_cast<std::size_t>(root)].value;
}

std::string_view Prelude(ESyntax syntax)
{
    switch (syntax) {
    case ESyntax::Calc:
        // Drops the '~' that marks an inexact answer; the assignment prints nothing.
        return "tilde_was = config(\"tilde\", 0);\n";
    case ESyntax::Bc:
        // f is floor: bc's division at scale 0 truncates toward zero, so below zero step down.
        // r is ROUND(x,2) as Brunovelt computes it, floor(x*100+0.5)/100.
        return "scale=20\n"
               "define f(x) { auto o, y; o = scale; scale = 0; y = x / 1; if (y > x) y = y - 1; "
               "scale = o; return (y); }\n"
               "define r(x) { return (f(x * 100 + 0.5) / 100); }\n";
    case ESyntax::Brunovelt: break;
    }
    return {};
}

std::vector<std::string> GenerateFormulas(std::size_t count, ESyntax syntax, std::uint64_t seed)
{
    CFormulaGenerator generator(seed);
    FormulaTexts texts;
    std::vector<std::string> lines;
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        generator.Next(texts);
        lines.push_back(texts.In(syntax));
    }
    return lines;
}

std::size_t CountTokens(std::string_view formula)
{
    auto isDigit = [](char c) { return (c >= '0' && c <= '9') || c == '.'; };
    auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    std::size_t tokens = 0;
    for (std::size_t i = 0; i < formula.size();) {
        const char c = formula[i++];
        if (isDigit(c)) {
            while (i < formula.size() && isDigit(formula[i]))
                ++i;
        } else if (isLetter(c)) {
            while (i < formula.size() && isLetter(formula[i]))
                ++i;
        }
        ++tokens;
    }
    return tokens;
}

} // namespace benchgen
