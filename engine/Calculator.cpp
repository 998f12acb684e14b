// The evaluator (CCalculator::Calculate): a conversion of the formula into postfix order with an
// operator stack, and the evaluation of the postfix tokens over a value stack.
//
// The evaluation consumes the postfix queue strictly first in, first out, and the conversion only
// appends to it, so each token is evaluated the moment the conversion emits it: no queue is built.
// Evaluation errors are held back until the conversion has finished, because a parenthesis error
// found by the conversion wins over any of them ("1/0)" is a parenthesis error).

#include "Calculator.h"

#include "ByteClass.h"
#include "NumberText.h"

#include <cmath>
#include <cstdint>

namespace {

// The constant PI stands for 3.1415926535, ten decimals, not the double nearest to pi.
constexpr double kPi = 3.1415926535;

// ORDER PRIORITY: the levels of "()+-*/^%,=<>"; every other character (the first letter of a
// name) is 65535, so any operator moves a waiting name to the output at once.
constexpr int LevelOf(unsigned char c)
{
    switch (c) {
    case '(':
    case ')':
    case ',': return -1;
    case '+':
    case '-':
    case '=':
    case '<':
    case '>': return 1;
    case '*':
    case '/':
    case '%': return 2;
    case '^': return 3;
    default: return 65535;
    }
}

// How the tokeniser treats each byte; one table lookup instead of a chain of tests.
enum class ECharKind : unsigned char {
    Other, // starts a number buffer: digits, '.', blanks, other punctuation, bytes from 0x80
    Letter,
    Operator,
    Open,
    Close,
    Comma,
};

struct CharTables
{
    int level[256];
    ECharKind kind[256];
    bool inNumber[256]; // a digit or '.': extends a number buffer
};

constexpr CharTables BuildCharTables()
{
    CharTables t{};
    for (unsigned i = 0; i < 256; ++i) {
        const auto c = static_cast<unsigned char>(i);
        t.level[i] = LevelOf(c);
        t.inNumber[i] = byteclass::IsDigit(c) || c == '.';
        t.kind[i] = ECharKind::Other;
        if (byteclass::IsLetter(c))
            t.kind[i] = ECharKind::Letter;
    }
    for (const char c : {'+', '-', '*', '/', '%', '^', '=', '<', '>'})
        t.kind[static_cast<unsigned char>(c)] = ECharKind::Operator;
    t.kind[static_cast<unsigned char>('(')] = ECharKind::Open;
    t.kind[static_cast<unsigned char>(')')] = ECharKind::Close;
    t.kind[static_cast<unsigned char>(',')] = ECharKind::Comma;
    return t;
}

constexpr CharTables kChars = BuildCharTables();

int GetPriority(unsigned char a, unsigned char b)
{
    return kChars.level[a] - kChars.level[b];
}

inline bool IsPiName(std::string_view name)
{
    return name.size() == 2 &&
           ((name[0] == 'P' && name[1] == 'I') || (name[0] == 'p' && name[1] == 'i'));
}

// An operator-stack entry: an operator character, "(" or a name (a range of the text read).
struct StackEntry
{
    // A constructor, so that emplace_back stores the fields in place: a pushed aggregate was
    // built on the stack and copied, and the copy's wide load stalled on the narrow stores.
    StackEntry(unsigned char op, std::size_t at, std::size_t size)
        : first(op), begin(at), length(size)
    {}

    unsigned char first; // the operator, '(' or the name's first letter
    std::size_t begin;
    std::size_t length;
};

// Working storage reused from call to call on the same thread, so that an evaluation allocates
// nothing once warm. Calculate does not re-enter itself.
struct Scratch
{
    std::string copy;
    std::vector<StackEntry> ops;
    CValueStack values;
};

thread_local Scratch t_scratch;

// Keeps one-off huge formulas from holding their memory for the life of the thread.
constexpr std::size_t kScratchKeepBytes = 1 << 20;

class CEvaluation
{
public:
    CEvaluation(const CCalculator& calc, std::string_view text, CValueStack& values)
        : m_calc(calc), m_text(text), m_values(values)
    {}

    int Error() const { return m_error; }

    // The number buffer that starts at `begin`: its first character and the run of digits and
    // '.' after it. Returns where it ends. A literal when it starts with a digit or '.', or with
    // '-' and more; any other (a lone '-', a blank, "$3", a byte from 0x80) acts as an operator.
    std::size_t Number(std::size_t begin)
    {
        const auto c = static_cast<unsigned char>(m_text[begin]);
        const bool literal =
            kChars.inNumber[c] || (c == '-' && begin + 1 < m_text.size() &&
                                   kChars.inNumber[static_cast<unsigned char>(m_text[begin + 1])]);
        if (!literal) {
            Operator(c);
            return NumberRunEnd(begin + 1);
        }
        // The number is read in the same pass that finds its end; what follows its longest
        // decimal prefix ("1.2.3") is part of the buffer but not of the value.
        std::size_t used = 0;
        const double value = ParseDecimalPrefix(m_text.substr(begin), used);
        if (!m_error)
            m_values.push_back(value);
        return NumberRunEnd(begin + used);
    }

    void Entry(const StackEntry& e)
    {
        if (byteclass::IsLetter(e.first))
            Name(e.begin, e.length);
        else
            Operator(e.first);
    }

    // "PI" and "pi" are the constant; every other name is a function call.
    void Name(std::size_t begin, std::size_t length)
    {
        if (m_error)
            return;
        const std::string_view name = m_text.substr(begin, length);
        if (IsPiName(name)) {
            m_values.push_back(kPi);
            return;
        }
        double result = 0;
        if (!m_calc.CallFunction(name, m_values, result)) {
            m_error = CALC_ERR_FUNCTION;
            return;
        }
        m_values.push_back(result);
    }

    // Applies an operator by its first character to the two values on top. A character that is
    // no operator (an unclosed "(", a blank) drops both values.
    void Operator(unsigned char op)
    {
        if (m_error)
            return;
        if (m_values.size() < 2) {
            m_error = CALC_ERR_FORMULA;
            return;
        }
        // The answer takes the left operand's place, so the stack shrinks by one and never grows.
        const std::size_t n = m_values.size();
        const double r = m_values[n - 1];
        const double l = m_values[n - 2];
        m_values.pop_back();
        double v;
        switch (op) {
        case '+': v = l + r; break;
        case '-': v = l - r; break;
        case '*': v = l * r; break;
        case '/':
            if (r == 0) {
                m_error = CALC_ERR_DIVZERO; // the stack no longer matters
                return;
            }
            v = l / r;
            break;
        case '%':
            if (!Remainder(l, r, v)) {
                m_error = CALC_ERR_DIVZERO;
                return;
            }
            break;
        case '^': v = std::pow(l, r); break;
        case '=': v = l == r ? 1 : 0; break;
        case '<': v = l < r ? 1 : 0; break;
        case '>': v = l > r ? 1 : 0; break;
        default: m_values.pop_back(); return;
        }
        m_values.back() = v;
    }

private:
    std::size_t NumberRunEnd(std::size_t p) const
    {
        while (p < m_text.size() && kChars.inNumber[static_cast<unsigned char>(m_text[p])])
            ++p;
        return p;
    }

    // The remainder of the operands truncated to 32-bit integers, its sign that of l. False when
    // an operand lies outside 32 bits (NaN included) or the divisor truncates to 0.
    static bool Remainder(double l, double r, double& v)
    {
        auto fits = [](double x) { return x > -2147483649.0 && x < 2147483648.0; };
        if (!fits(l) || !fits(r))
            return false;
        const auto li = static_cast<std::int32_t>(l);
        const auto ri = static_cast<std::int32_t>(r);
        if (ri == 0)
            return false;
        // x % -1 is 0; computing it would trap for the smallest integer.
        v = ri == -1 ? 0.0 : static_cast<double>(li % ri);
        return true;
    }

    const CCalculator& m_calc;
    std::string_view m_text;
    CValueStack& m_values;
    int m_error = 0;
};

// The formula without every ',' that stands outside all parentheses, so that "1,234,567" is one
// number while commas inside a call separate its arguments. Written into `copy`.
std::string_view WithoutGroupSeparators(std::string_view formula, std::string& copy)
{
    copy.assign(formula);
    std::size_t kept = 0;
    long long depth = 0;
    for (const char c : formula) {
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (c == ',' && depth <= 0)
            continue;
        copy[kept++] = c;
    }
    copy.resize(kept);
    return copy;
}

// Convert's answer when it meets a ',' outside all parentheses: the formula is read again without
// such commas. Everything before the comma reads the same either way, so only the conversion's
// work up to that point is lost, and the common formula is never scanned for commas beforehand.
constexpr int kReadWithoutSeparators = 2;
static_assert(kReadWithoutSeparators != CALC_OK && kReadWithoutSeparators != CALC_ERR_PAREN);

// The tokeniser and the conversion to postfix order. A number buffer starts at any character
// that is no operator, parenthesis, comma or letter (or at a sign '-') and runs on over digits and
// '.'; a name is a run of letters. Each is handed over where it ends, so a token is read in one
// tight loop and the character that ends it is then read on its own.
int Convert(std::string_view text, std::vector<StackEntry>& ops, CEvaluation& eval)
{
    auto flushTop = [&] {
        eval.Entry(ops.back());
        ops.pop_back();
    };

    bool afterPi = false;  // the character before p ends the name PI or pi
    std::size_t depth = 0; // of parentheses; a ')' with none open is an error at once
    std::size_t p = 0;
    while (p < text.size()) {
        const auto c = static_cast<unsigned char>(text[p]);
        const ECharKind kind = kChars.kind[c];

        // A name waits on the operator stack for its arguments; at the end of the text it is
        // evaluated at once.
        if (kind == ECharKind::Letter) {
            const std::size_t begin = p;
            while (p < text.size() && byteclass::IsLetter(static_cast<unsigned char>(text[p])))
                ++p;
            if (p == text.size()) {
                eval.Name(begin, p - begin);
                break;
            }
            afterPi = IsPiName(text.substr(begin, p - begin));
            ops.emplace_back(c, begin, p - begin);
            continue;
        }
        const bool piBefore = afterPi;
        afterPi = false;

        // '-' is the minus operator after a digit, ')' or the constant PI; elsewhere it is the
        // sign of the number that follows (sin-30 hands -30 to sin).
        if (c == '-') {
            const unsigned char prev = p > 0 ? static_cast<unsigned char>(text[p - 1]) : '\0';
            if (!(byteclass::IsDigit(prev) || prev == ')' || piBefore)) {
                p = eval.Number(p);
                continue;
            }
        }

        switch (kind) {
        case ECharKind::Operator:
            // Left to right within a level: an entry of the same or a higher level goes first.
            while (!ops.empty() && GetPriority(c, ops.back().first) <= 0)
                flushTop();
            ops.emplace_back(c, p, 1);
            break;
        case ECharKind::Open:
            ops.emplace_back(c, p, 1);
            ++depth;
            break;
        case ECharKind::Close:
            if (ops.empty())
                return CALC_ERR_PAREN;
            while (ops.back().first != '(') {
                flushTop();
                if (ops.empty())
                    return CALC_ERR_PAREN;
            }
            ops.pop_back();
            --depth;
            // The name of the function whose argument list this ')' closes follows its arguments.
            if (!ops.empty() && byteclass::IsLetter(ops.back().first))
                flushTop();
            break;
        case ECharKind::Comma:
            if (depth == 0)
                return kReadWithoutSeparators;
            // A comma completes its argument; its "(" stays.
            while (!ops.empty() && ops.back().first != '(')
                flushTop();
            break;
        case ECharKind::Letter: break; // read above
        case ECharKind::Other: p = eval.Number(p); continue;
        }
        ++p;
    }

    while (!ops.empty())
        flushTop(); // an unclosed "(" is applied as an operator that drops two values
    return CALC_OK;
}

} // namespace

int CCalculator::Calculate(std::string_view formula, double& result) const
{
    if (formula.empty() || formula[0] == '\0')
        return CALC_EMPTY;

    // The buffers move out of the thread's scratch and back: as locals the compiler keeps them
    // in registers instead of going through thread-local storage at every push.
    Scratch& scratch = t_scratch;
    std::string copy = std::move(scratch.copy);
    std::vector<StackEntry> ops = std::move(scratch.ops);
    CValueStack values = std::move(scratch.values);

    // The formula is read up to its first NUL.
    const std::size_t nul = formula.find('\0');
    std::string_view text = formula.substr(0, nul);
    int code = CALC_OK;
    for (;;) {
        ops.clear();
        values.clear();
        CEvaluation eval(*this, text, values);
        code = Convert(text, ops, eval);
        if (code == kReadWithoutSeparators) {
            text = WithoutGroupSeparators(text, copy); // has no such comma: this runs once
            continue;
        }
        if (code == CALC_OK && eval.Error() != 0)
            code = eval.Error();
        break;
    }
    if (code == CALC_OK && values.empty())
        code = CALC_ERR_FORMULA; // "()" and the like leave nothing to answer
    if (code == CALC_OK)
        result = values.back();

    if (copy.capacity() + ops.capacity() * sizeof(StackEntry) +
            values.capacity() * sizeof(double) <=
        kScratchKeepBytes) {
        scratch.copy = std::move(copy);
        scratch.ops = std::move(ops);
        scratch.values = std::move(values);
    }
    return code;
}
