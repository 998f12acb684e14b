#include "Calculator.h"

#include "CalcClock.h"
#include "CalcFunction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

double Eval(const std::string& formula, int expectedCode = CALC_OK)
{
    double result = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CCalculator().Calculate(formula, result), expectedCode) << formula;
    return result;
}

struct Row
{
    const char* formula;
    double value;
};

void CheckValues(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.formula);
        const double v = Eval(row.formula);
        if (std::isnan(row.value))
            EXPECT_TRUE(std::isnan(v));
        else
            EXPECT_DOUBLE_EQ(v, row.value);
    }
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Names match without regard to case; a name before a number takes that number alone.
TEST(Functions, NamesAndBareArguments)
{
    CheckValues({
        {"round(2.345,2)", 2.35},
        {"Round(2.345,2)", 2.35},
        {"ROUND(2.345,2)", 2.35},
        {"sqr9", 3},
        {"sqr9+1", 4},
        {"2*sqr9", 6},
        {"sqr(9)+1", 4},
        {"sin-30", std::sin(-30.0)},
    });
}

// The catalogue's count is taken, whatever was written: extra values stay, missing ones are
// taken from below.
TEST(Functions, ArgumentCounts)
{
    EXPECT_EQ(Eval("MAX(1,2,3)"), 3);
    Eval("ROUND(5)", CALC_ERR_FUNCTION);
    Eval("2+ROUND(3.14159)", CALC_ERR_FORMULA);
    Eval("IF(1,2)", CALC_ERR_FUNCTION);
    Eval("DATESERIAL()", CALC_ERR_FUNCTION);
    Eval("ifs(1,2,3)", CALC_ERR_FUNCTION);
}

// Every catalogue entry computes with its own count of arguments and fails with one fewer.
TEST(Functions, EveryEntryWithItsCount)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const CCalcFunction& f = catalogue.GetAt(i);
        SCOPED_TRACE(f.m_strName);
        CValueStack stack(static_cast<size_t>(f.m_nArgs), 1.0);
        double result = 0;
        EXPECT_TRUE(CCalculator().CallFunction(f.m_strName, stack, result));
        EXPECT_TRUE(stack.empty());
        if (f.m_nArgs > 0) {
            CValueStack shortStack(static_cast<size_t>(f.m_nArgs - 1), 1.0);
            result = 42;
            EXPECT_FALSE(CCalculator().CallFunction(f.m_strName, shortStack, result));
            EXPECT_EQ(shortStack.size(), static_cast<size_t>(f.m_nArgs - 1)); // untouched
            EXPECT_EQ(result, 42);
        }
    }
}

// ABS and ROUNDDOWN truncate toward zero; INT floors; ROUND halves go toward +infinity.
TEST(Functions, Rounding)
{
    CheckValues({
        {"ABS(-2.5)", 2},
        {"ABS(2.7)", 2},
        {"ABS(-7)", 7},
        {"INT(2.7)", 2},
        {"INT(-2.5)", -3},
        {"INT(-0.5)", -1},
        {"ROUND(2.5,0)", 3},
        {"ROUND(-2.5,0)", -2},
        {"ROUND(-2.6,0)", -3},
        {"ROUND(-0.5,0)", 0},
        {"ROUND(0.5,0)", 1},
        {"ROUND(1.005,2)", 1},
        {"ROUND(2.675,2)", 2.68},
        {"ROUND(1234.5678,2)", 1234.57},
        {"ROUND(1234.5678,-2)", 1200},
        {"ROUNDUP(1234.5678,-2)", 1300},
        {"ROUNDUP(-2.5,0)", -2},
        {"ROUNDUP(2.1,0)", 3},
        {"ROUNDDOWN(-2.5,0)", -2},
        {"ROUNDDOWN(2.9,0)", 2},
        {"ROUNDDOWN(-0.5,0)", 0},
        {"ROUNDDOWN(1234.5678,2)", 1234.56},
        {"ROUNDDOWN(-3.14159,2)", -3.14},
        {"ROUND(123.456,0.5)", std::floor(123.456 * std::pow(10, 0.5) + 0.5) / std::pow(10, 0.5)},
    });
    EXPECT_FALSE(std::signbit(Eval("ROUNDDOWN(-0.5,0)"))); // "0", not "-0"
    EXPECT_FALSE(std::signbit(Eval("ABS(-0.5)")));
}

// Beyond 32 bits ABS and ROUNDDOWN keep truncating instead of wrapping around.
TEST(Functions, BeyondThirtyTwoBits)
{
    CheckValues({
        {"ABS(-3000000000.5)", 3000000000},
        {"ABS(-2147483648)", 2147483648.0},
        {"ROUNDDOWN(3000000000.7,0)", 3000000000},
        {"ROUNDDOWN(12345678.987,3)", 12345678.987},
        {"ABS(SQR(-1))", kNaN},
        {"ABS(0-EXP(1000))", kInf},
    });
}

// MAX and MIN return the second argument on a tie; with NaN, MAX the second and MIN the first.
TEST(Functions, MaxMinIf)
{
    CheckValues({
        {"MAX(-1,2)", 2},
        {"MIN(-1,2)", -1},
        {"MAX(1+2*3,4)", 7},
        {"MAX(4,1+2*3)", 7},
        {"IF(0,10,20)", 20},
        {"IF(-0.001,10,20)", 10},
        {"IF(1>2,3,4)", 4},
        {"IF(5+3>5,10,20)", 10},
        {"IF((5+3)>5,10,20)", 10},
        {"IF(SQR(-1),10,20)", 20},
        {"MAX(SQR(-1),5)", 5},
        {"MAX(5,SQR(-1))", kNaN},
        {"MIN(SQR(-1),5)", kNaN},
        {"MIN(5,SQR(-1))", 5},
    });
}

// A tie between -0 and 0 tells the arguments apart: the second one is the answer.
TEST(Functions, MaxMinTieGivesTheSecond)
{
    const struct
    {
        const char* formula;
        bool negative;
    } rows[] = {
        {"MAX(-0,0)", false},
        {"MAX(0,-0)", true},
        {"MIN(-0,0)", false},
        {"MIN(0,-0)", true},
    };
    for (const auto& row : rows) {
        const double value = Eval(row.formula);
        EXPECT_EQ(value, 0) << row.formula;
        EXPECT_EQ(std::signbit(value), row.negative) << row.formula;
    }
}

// The rounding functions scale by 10^d exactly as std::pow gives it, whole digit counts
// included (they come from a table of exact powers).
TEST(Functions, RoundingScalesByPowOfTen)
{
    for (int d = -25; d <= 25; ++d) {
        const double p = std::pow(10.0, d);
        const std::string digits = std::to_string(d);
        EXPECT_EQ(Eval("ROUND(2.3456789," + digits + ")"), std::floor(2.3456789 * p + 0.5) / p)
            << d;
        EXPECT_EQ(Eval("ROUNDUP(2.3456789," + digits + ")"), std::ceil(2.3456789 * p) / p) << d;
    }
}

// Arguments outside a function's domain give the floating-point result, not an error.
TEST(Functions, OutsideTheDomain)
{
    CheckValues({
        {"SQR(-1)", kNaN},
        {"LN(-1)", kNaN},
        {"LOG(0)", -kInf},
        {"ASIN(2)", kNaN},
        {"EXP(1000)", kInf},
        {"LOG(1000)", 3},
        {"LN(EXP(2))", 2},
        {"ATAN(1)*4", M_PI},
    });
}

// The evaluator's PI is 3.1415926535, so SIN(PI) is not 0.
TEST(Functions, Trigonometry)
{
    EXPECT_NEAR(Eval("SIN(PI)"), 8.979e-11, 1e-14);
    EXPECT_DOUBLE_EQ(Eval("COS(PI)"), std::cos(3.1415926535));
    EXPECT_NEAR(Eval("SIN(PI/6)"), 0.5, 1e-10);
    EXPECT_DOUBLE_EQ(Eval("SINH(1)"), std::sinh(1.0));
    EXPECT_DOUBLE_EQ(Eval("TANH(0.5)"), std::tanh(0.5));
    EXPECT_DOUBLE_EQ(Eval("ACOS(0.5)"), std::acos(0.5));
    EXPECT_DOUBLE_EQ(Eval("TAN(1)"), std::tan(1.0));
    EXPECT_DOUBLE_EQ(Eval("COSH(2)"), std::cosh(2.0));
}

CalcDate PinnedDate()
{
    return {2007, 4, 1};
}

// NOW, NOWYEAR, NOWMONTH and NOWDAY read the clock; NOW is the serial of that date.
TEST(Functions, Today)
{
    const CalcClockFn previous = SetCalcClock(&PinnedDate);
    EXPECT_EQ(Eval("NOW"), Eval("DATESERIAL(2007,4,1)"));
    EXPECT_EQ(Eval("NOWYEAR"), 2007);
    EXPECT_EQ(Eval("NOWMONTH"), 4);
    EXPECT_EQ(Eval("NOWDAY"), 1);
    EXPECT_EQ(Eval("NOW()"), Eval("DATESERIAL(NOWYEAR,NOWMONTH,NOWDAY)"));
    SetCalcClock(previous);

    // The system clock gives a plausible date.
    EXPECT_EQ(Eval("NOW"), Eval("DATESERIAL(NOWYEAR,NOWMONTH,NOWDAY)"));
    EXPECT_GE(Eval("NOWYEAR"), 2024);
}

} // namespace
