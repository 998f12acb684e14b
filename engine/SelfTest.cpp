#include "SelfTest.h"

#include "Calculator.h"

#include <array>

namespace {

// Precedence, parentheses, signs, the power operator and IF.
constexpr std::array<SelfTestCase, 20> kCases = {{
    {"3+5", 8},
    {"3*5", 15},
    {"3+5*2", 13},
    {"3-5*2", -7},
    {"6-2*3+1", 1},
    {"6-2*(3+1)", -2},
    {"(6-2)*(3+1)", 16},
    {"6-(2*3)+1", 1},
    {"6-(2*3+1)", -1},
    {"6-2^3", -2},
    {"2*2^3", 16},
    {"-2*3", -6},
    {"-2+3*2", 4},
    {"-5*-2+2", 12},
    {"1*2+3*4+2*5", 24},
    {"1*2-3*4-2*5", -20},
    {"100*0.05+100", 105}, // exact only when each step is rounded to a double
    {"IF(1>2,3,4)", 4},
    {"IF(5+3>5,10,20)", 10},
    {"IF((5+3)>5,10,20)", 10},
}};

} // namespace

std::span<const SelfTestCase> SelfTestCases()
{
    return kCases;
}

SelfTestResult RunSelfTest(std::span<const SelfTestCase> cases)
{
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const SelfTestCase& c = cases[i];
        const CCalculator calc; // a fresh engine for every formula
        double value = 0;
        SelfTestResult failure;
        failure.formula = c.formula;
        failure.failedIndex = static_cast<int>(i);
        if (calc.Calculate(c.formula, value) <= 0) {
            failure.outcome = ESelfTestOutcome::CalcError;
            return failure;
        }
        if (value != c.expected) { // exact, no tolerance
            failure.outcome = ESelfTestOutcome::WrongValue;
            failure.value = value;
            return failure;
        }
    }
    return {};
}
