#include "Calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr double kUnchanged = -12345.678; // what the caller's double holds before each call

struct Row
{
    const char* formula;
    int code;
    double value; // checked only for CALC_OK
};

void CheckRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.formula);
        double result = kUnchanged;
        EXPECT_EQ(CCalculator().Calculate(row.formula, result), row.code);
        if (row.code == CALC_OK)
            EXPECT_DOUBLE_EQ(result, row.value);
        else
            EXPECT_EQ(result, kUnchanged); // written only on success
    }
}

// "^" binds tightest, then "* / %", then "+ - = < >"; every level groups from the left.
TEST(Calculate, PrecedenceAndAssociativity)
{
    CheckRows({
        {"3+5*2", CALC_OK, 13},
        {"3-5*2", CALC_OK, -7},
        {"6-2*(3+1)", CALC_OK, -2},
        {"(6-2)*(3+1)", CALC_OK, 16},
        {"6-(2*3+1)", CALC_OK, -1},
        {"6-2^3", CALC_OK, -2},
        {"2*2^3", CALC_OK, 16},
        {"2^3^2", CALC_OK, 64},
        {"1*2+3*4+2*5", CALC_OK, 24},
        {"1*2-3*4-2*5", CALC_OK, -20},
        {"8/2/2", CALC_OK, 2},
        {"10-4-3", CALC_OK, 3},
        {"5+3>5", CALC_OK, 1},
        {"5>3+1", CALC_OK, 2},
        {"2*3%4", CALC_OK, 2},
        {"7%4*2", CALC_OK, 6},
        {"((((2))))", CALC_OK, 2},
    });
}

// A '-' at the start or after an operator, '(' or ',' is the sign of the number after it.
TEST(Calculate, Signs)
{
    CheckRows({
        {"-2*3", CALC_OK, -6},
        {"-2+3*2", CALC_OK, 4},
        {"-5*-2+2", CALC_OK, 12},
        {"3--2", CALC_OK, 5},
        {"-2^2", CALC_OK, 4},
        {"2^-1", CALC_OK, 0.5},
        {"(-3)", CALC_OK, -3},
        {"MAX(-1,-2)", CALC_OK, -1},
        {"--5", CALC_ERR_FORMULA, 0},
        {"+5", CALC_ERR_FORMULA, 0},
        {"-(3)", CALC_ERR_FORMULA, 0},
        {"-PI", CALC_ERR_FORMULA, 0},
        {"(2)-1", CALC_OK, 1},
        {"abs-4", CALC_OK, 4},
    });
}

// Literals: the longest decimal prefix, no exponent part; PI is 3.1415926535.
TEST(Calculate, NumbersAndConstant)
{
    CheckRows({
        {"1.5.2", CALC_OK, 1.5},
        {".5", CALC_OK, 0.5},
        {"5.", CALC_OK, 5},
        {"100*0.05+100", CALC_OK, 105},
        {"pi", CALC_OK, 3.1415926535},
        {"PI*2", CALC_OK, 6.283185307},
        {"PI-1", CALC_OK, 2.1415926535},
        {"pi-1", CALC_OK, 2.1415926535},
        {"2*PI", CALC_OK, 6.283185307},
        {"1e5", CALC_ERR_FUNCTION, 0},
        {"Pi", CALC_ERR_FUNCTION, 0},
        {"1,234+1", CALC_OK, 1235},
        {"1,234,567", CALC_OK, 1234567},
        {",,5", CALC_OK, 5},
        {"00012", CALC_OK, 12},
    });
    double result = 0;
    ASSERT_EQ(CCalculator().Calculate("100*0.05+100", result), CALC_OK);
    EXPECT_EQ(result, 105.0); // exactly
}

// Comparisons give 1 or 0; there are no two-character operators.
TEST(Calculate, Comparisons)
{
    CheckRows({
        {"5>3", CALC_OK, 1},
        {"3<2", CALC_OK, 0},
        {"3=3", CALC_OK, 1},
        {"IF(2=2,1,0)", CALC_OK, 1},
        {"1<=2", CALC_ERR_FORMULA, 0},
        {"1>=2", CALC_ERR_FORMULA, 0},
        {"1<>2", CALC_ERR_FORMULA, 0},
        {"3+5=", CALC_ERR_FORMULA, 0},
        {"=3+5", CALC_ERR_FORMULA, 0},
    });
}

// '%' is the remainder of the operands truncated to 32 bits, signed like the left one.
TEST(Calculate, Remainder)
{
    CheckRows({
        {"7%3", CALC_OK, 1},
        {"-7%3", CALC_OK, -1},
        {"7%-3", CALC_OK, 1},
        {"7.9%2.5", CALC_OK, 1},
        {"50%", CALC_ERR_FORMULA, 0},
        {"5%0", CALC_ERR_DIVZERO, 0},
        {"5%0.9", CALC_ERR_DIVZERO, 0},
        {"-2147483648%-1", CALC_OK, 0},
        {"2147483647%2", CALC_OK, 1},
        {"2147483648%2", CALC_ERR_DIVZERO, 0},
        {"5%2147483648", CALC_ERR_DIVZERO, 0},
        {"-2147483649%2", CALC_ERR_DIVZERO, 0},
        {"2147483647.9%10", CALC_OK, 7},
        {"SQR(-1)%2", CALC_ERR_DIVZERO, 0},
    });
}

// Error codes, and which one wins when a formula has several faults.
TEST(Calculate, Errors)
{
    CheckRows({
        {"", CALC_EMPTY, 0},
        {"5/0", CALC_ERR_DIVZERO, 0},
        {"5/(2-2)", CALC_ERR_DIVZERO, 0},
        {"5/-0", CALC_ERR_DIVZERO, 0},
        {"0/5", CALC_OK, 0},
        {"1/0)", CALC_ERR_PAREN, 0},
        {"(2+3", CALC_ERR_FORMULA, 0},
        {"2+3)", CALC_ERR_PAREN, 0},
        {")", CALC_ERR_PAREN, 0},
        {"(1))(", CALC_ERR_PAREN, 0},
        {"()", CALC_ERR_FORMULA, 0},
        {",,,", CALC_ERR_FORMULA, 0},
        {"(1)(2", CALC_ERR_FORMULA, 0},
        {"3 + 5", CALC_ERR_FORMULA, 0},
        {" 5", CALC_ERR_FORMULA, 0},
        {"$3", CALC_ERR_FORMULA, 0},
        {"IF(1,2,1/0)", CALC_ERR_DIVZERO, 0},
        {"IF(0,1/0,4)", CALC_ERR_DIVZERO, 0},
        {"FOO(1)", CALC_ERR_FUNCTION, 0},
        {"1/0+FOO", CALC_ERR_DIVZERO, 0},
        {"FOO+1/0", CALC_ERR_FUNCTION, 0},
    });
}

// Odd but defined: values the formula leaves below the top are dropped; a blank or other
// character takes two values away.
TEST(Calculate, MalformedButAnswered)
{
    CheckRows({
        {"(2)(3)", CALC_OK, 3},
        {"(1)(2)(3)", CALC_OK, 3},
        {"(1)(2)(3", CALC_OK, 1},     // the unclosed "(" drops 2 and 3
        {"1 2", CALC_ERR_FORMULA, 0}, // " 2" is an operator with one value below it
    });
}

// The two bytes of a full-width character are other characters; a trail byte in the letter
// range reads as a letter.
TEST(Calculate, DoubleByteText)
{
    double result = kUnchanged;
    // 2 * then "π" (0x83 0xCE): both bytes from 0x80, an operand-less operator.
    EXPECT_EQ(CCalculator().Calculate("2*\x83\xCE", result), CALC_ERR_FORMULA);
    // "ア" is 0x83 0x41: 0x83 drops the two values before it, and the 'A' trail byte becomes a
    // name, handed to the function table.
    EXPECT_EQ(CCalculator().Calculate("1+1\x83\x41", result), CALC_ERR_FUNCTION);
    EXPECT_EQ(result, kUnchanged);
}

// Pairs of formulas that must agree, whatever the value.
TEST(Calculate, EquivalentFormulas)
{
    const std::pair<const char*, const char*> pairs[] = {
        {"2^3^2", "(2^3)^2"},
        {"sqr9+1", "sqr(9)+1"},
        {"2*sqr9", "2*(sqr(9))"},
        {"sin-30", "sin(-30)"},
        {"pi", "PI"},
        {"1,234,567", "1234567"},
        {"MAX(1+2*3,4)", "MAX(4,1+2*3)"},
        {"5+3>5", "(5+3)>5"},
        {"ROUND(2.345,2)", "round(2.345,2)"},
    };
    for (const auto& [a, b] : pairs) {
        SCOPED_TRACE(std::string(a) + " vs " + b);
        double ra = 0, rb = 1;
        ASSERT_EQ(CCalculator().Calculate(a, ra), CALC_OK);
        ASSERT_EQ(CCalculator().Calculate(b, rb), CALC_OK);
        EXPECT_EQ(ra, rb);
    }
}

// NaN and infinities are answers; they compare as IEEE 754 says.
TEST(Calculate, NonFiniteValues)
{
    double result = 0;
    ASSERT_EQ(CCalculator().Calculate("SQR(-1)", result), CALC_OK);
    EXPECT_TRUE(std::isnan(result));
    ASSERT_EQ(CCalculator().Calculate("SQR(-1)=SQR(-1)", result), CALC_OK);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(CCalculator().Calculate("EXP(1000)>10", result), CALC_OK);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(CCalculator().Calculate("10/EXP(1000)", result), CALC_OK);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(CCalculator().Calculate("10/SQR(-1)", result), CALC_OK);
    EXPECT_TRUE(std::isnan(result));
}

// A NUL byte ends the formula, as the end of the text does.
TEST(Calculate, NulEndsTheFormula)
{
    double result = 0;
    EXPECT_EQ(CCalculator().Calculate(std::string_view("2+3\0*9", 6), result), CALC_OK);
    EXPECT_EQ(result, 5);
    EXPECT_EQ(CCalculator().Calculate(std::string_view("\0"
                                                       "5",
                                                       2),
                                      result),
              CALC_EMPTY);
}

// No input of any length or nesting crashes or takes long; long tokens are read whole.
TEST(Calculate, LongAndDeepInput)
{
    double result = 0;
    const std::string digits(100000, '9');
    ASSERT_EQ(CCalculator().Calculate(digits, result), CALC_OK);
    EXPECT_TRUE(std::isinf(result));
    ASSERT_EQ(CCalculator().Calculate("0." + std::string(400, '0') + "1", result), CALC_OK);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(CCalculator().Calculate(std::string(300, '0') + "1.25", result), CALC_OK);
    EXPECT_EQ(result, 1.25);

    const std::string deep = std::string(200000, '(') + "7" + std::string(200000, ')');
    ASSERT_EQ(CCalculator().Calculate(deep, result), CALC_OK);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(CCalculator().Calculate(std::string(200000, '('), result), CALC_ERR_FORMULA);
    EXPECT_EQ(CCalculator().Calculate(std::string(300, 'a') + "(1)", result), CALC_ERR_FUNCTION);

    std::string sum = "1";
    for (int i = 0; i < 50000; ++i)
        sum += "+1";
    ASSERT_EQ(CCalculator().Calculate(sum, result), CALC_OK);
    EXPECT_EQ(result, 50001);
}

} // namespace
