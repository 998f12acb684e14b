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
int Level(unsigned char c)
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

int GetPriority(unsigned char a, unsigned char b)
{
    return Level(a) - Level(b);
}

bool IsOperator(unsigned char c)
{
    switch (c) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case '^':
    case '=':
    case '<':
    case '>': return true;
    default: return false;
    }
}

bool IsPiName(std::string_view name)
{
    return name == "PI" || name == "pi";
}

// An operator-stack entry: an operator character, "(" or a name (a range of the working copy).
struct StackEntry
{
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

class Evaluation
{
public:
    Evaluation(const CCalculator& calc, const std::string& copy, CValueStack& values)
        : m_calc(calc), m_copy(copy), m_values(values)
    {}

    int error() const { return m_error; }

    // A token from the number buffer: a literal when it starts with a digit or '.', or with '-'
    // and more; any other (a lone '-', a blank, "$3", a byte from 0x80) acts as an operator.
    void Number(std::size_t begin, std::size_t length)
    {
        if (m_error)
            return;
        const auto c = static_cast<unsigned char>(m_copy[begin]);
        if (byteclass::IsDigit(c) || c == '.' || (c == '-' && length > 1))
            m_values.push_back(ParseDecimalPrefix(std::string_view(m_copy).substr(begin, length)));
        else
            Operator(c);
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
        const std::string_view name = std::string_view(m_copy).substr(begin, length);
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
        const double r = m_values.back();
        m_values.pop_back();
        const double l = m_values.back();
        m_values.pop_back();
        double v;
        switch (op) {
        case '+': v = l + r; break;
        case '-': v = l - r; break;
        case '*': v = l * r; break;
        case '/':
            if (r == 0) {
                m_error = CALC_ERR_DIVZERO;
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
        default: return;
        }
        m_values.push_back(v);
    }

private:
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
    const std::string& m_copy;
    CValueStack& m_values;
    int m_error = 0;
};

// Drops every ',' that stands outside all parentheses, so that "1,234,567" is one number while
// commas inside a call separate its arguments. The text ends at its first NUL.
void RemoveGroupSeparators(std::string_view formula, std::string& copy)
{
    const std::size_t nul = formula.find('\0');
    if (nul != std::string_view::npos)
        formula = formula.substr(0, nul);
    copy.assign(formula);
    if (formula.find(',') == std::string_view::npos)
        return; // the common case: nothing to drop
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
}

int Convert(const std::string& copy, std::vector<StackEntry>& ops, Evaluation& eval)
{
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t numberStart = kNone; // the number buffer: copy[numberStart, p)
    std::size_t nameStart = kNone;   // the name buffer: copy[nameStart, p)

    auto flushTop = [&] {
        eval.Entry(ops.back());
        ops.pop_back();
    };

    for (std::size_t p = 0; p < copy.size(); ++p) {
        const auto c = static_cast<unsigned char>(copy[p]);
        // Inside a number or a name, its own characters only extend it.
        if (numberStart != kNone && (byteclass::IsDigit(c) || c == '.'))
            continue;
        if (nameStart != kNone && byteclass::IsLetter(c))
            continue;

        // A number ends at any character but a digit or '.'.
        if (numberStart != kNone && !byteclass::IsDigit(c) && c != '.') {
            eval.Number(numberStart, p - numberStart);
            numberStart = kNone;
        }
        // A name ends at any character but a letter; it waits on the operator stack.
        bool afterPi = false;
        if (nameStart != kNone && !byteclass::IsLetter(c)) {
            afterPi = IsPiName(std::string_view(copy).substr(nameStart, p - nameStart));
            ops.push_back({static_cast<unsigned char>(copy[nameStart]), nameStart, p - nameStart});
            nameStart = kNone;
        }

        // '-' is the minus operator after a digit, ')' or the constant PI; elsewhere it is the
        // sign of the number that follows (sin-30 hands -30 to sin).
        if (c == '-') {
            const unsigned char prev = p > 0 ? static_cast<unsigned char>(copy[p - 1]) : '\0';
            if (!(byteclass::IsDigit(prev) || prev == ')' || afterPi)) {
                numberStart = p;
                continue;
            }
        }

        if (IsOperator(c)) {
            // Left to right within a level: an entry of the same or a higher level goes first.
            while (!ops.empty() && GetPriority(c, ops.back().first) <= 0)
                flushTop();
            ops.push_back({c, p, 1});
        } else if (c == '(') {
            ops.push_back({c, p, 1});
        } else if (c == ')') {
            if (ops.empty())
                return CALC_ERR_PAREN;
            while (ops.back().first != '(') {
                flushTop();
                if (ops.empty())
                    return CALC_ERR_PAREN;
            }
            ops.pop_back();
            // The name of the function whose argument list this ')' closes follows its arguments.
            if (!ops.empty() && byteclass::IsLetter(ops.back().first))
                flushTop();
        } else if (c == ',') {
            // A comma completes its argument; its "(" stays.
            while (!ops.empty() && ops.back().first != '(')
                flushTop();
        } else if (byteclass::IsLetter(c)) {
            if (nameStart == kNone)
                nameStart = p;
        } else if (numberStart == kNone) {
            numberStart = p; // digits, '.', blanks, other punctuation, bytes from 0x80
        }
    }

    if (numberStart != kNone)
        eval.Number(numberStart, copy.size() - numberStart);
    if (nameStart != kNone)
        eval.Name(nameStart, copy.size() - nameStart);
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
    RemoveGroupSeparators(formula, copy);
    ops.clear();
    values.clear();

    Evaluation eval(*this, copy, values);
    int code = Convert(copy, ops, eval);
    if (code == CALC_OK && eval.error() != 0)
        code = eval.error();
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
