#include "BareEvaluator.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace bare {

namespace {

// Operator-stack entries: the operators themselves, '(' and the three functions.
constexpr char kSqr = 'Q';
constexpr char kSin = 'S';
constexpr char kRound = 'R';

constexpr int kMaxDepth = 256; // the generator nests far less deeply

int Precedence(char op)
{
    switch (op) {
    case '+':
    case '-': return 1;
    case '*':
    case '/': return 2;
    case '^': return 3;
    default: return 0; // '(' and the functions wait for their ')'
    }
}

struct Machine
{
    double values[kMaxDepth];
    int valueCount = 0;
    char ops[kMaxDepth];
    int opCount = 0;

    void Apply(char op)
    {
        if (op == kSqr || op == kSin) {
            double& x = values[valueCount - 1];
            x = op == kSqr ? std::sqrt(x) : std::sin(x);
            return;
        }
        const double r = values[--valueCount];
        double& l = values[valueCount - 1];
        switch (op) {
        case '+': l += r; break;
        case '-': l -= r; break;
        case '*': l *= r; break;
        case '/': l /= r; break;
        case '^': l = std::pow(l, r); break;
        case kRound: l = std::floor(l * 100 + 0.5) / 100; break; // r is the 2
        default: break;
        }
    }
};

} // namespace

double Evaluate(std::string_view formula)
{
    Machine m;
    const char* p = formula.data();
    const char* const end = p + formula.size();
    bool afterName = false; // the function entry stands for the '(' that follows its name
    while (p < end) {
        const char c = *p;
        if ((c >= '0' && c <= '9') || c == '.') {
            double v = 0;
            p = std::from_chars(p, end, v).ptr;
            m.values[m.valueCount++] = v;
            continue;
        }
        if (c >= 'A' && c <= 'Z') {
            const char* const name = p;
            while (p < end && *p >= 'A' && *p <= 'Z')
                ++p;
            const auto length = p - name;
            m.ops[m.opCount++] = length == 5 ? kRound : name[1] == 'Q' ? kSqr : kSin;
            afterName = true;
            continue;
        }
        ++p;
        switch (c) {
        case '(':
            if (!afterName)
                m.ops[m.opCount++] = '(';
            afterName = false;
            break;
        case ',': // ends ROUND's first argument; the second is applied with the function
        case ')':
            while (Precedence(m.ops[m.opCount - 1]) != 0)
                m.Apply(m.ops[--m.opCount]);
            if (c == ',')
                break;
            if (m.ops[m.opCount - 1] == '(')
                --m.opCount;
            else
                m.Apply(m.ops[--m.opCount]);
            break;
        default: {
            // Left to right within a level; '^' too, as the engine reads it.
            const int level = Precedence(c);
            if (level == 0)
                return std::numeric_limits<double>::quiet_NaN();
            while (m.opCount > 0 && Precedence(m.ops[m.opCount - 1]) >= level)
                m.Apply(m.ops[--m.opCount]);
            m.ops[m.opCount++] = c;
        }
        }
        if (m.opCount >= kMaxDepth - 1 || m.valueCount >= kMaxDepth - 1)
            return std::numeric_limits<double>::quiet_NaN();
    }
    while (m.opCount > 0)
        m.Apply(m.ops[--m.opCount]);
    return m.valueCount == 1 ? m.values[0] : std::numeric_limits<double>::quiet_NaN();
}

} // namespace bare
