#include "NumberText.h"

#include "Calculator.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <random>

namespace {

// The C library in the C locale is the oracle for "%.10g", "%g" and decimal reading.
class CLocaleOracle
{
public:
    CLocaleOracle() : m_c(newlocale(LC_ALL_MASK, "C", nullptr)) {}
    ~CLocaleOracle() { freelocale(m_c); }
    std::string Printf(double v, int precision) const
    {
        const locale_t old = uselocale(m_c);
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, v);
        uselocale(old);
        return buffer;
    }
    double Strtod(const std::string& s) const { return strtod_l(s.c_str(), nullptr, m_c); }

private:
    locale_t m_c;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// The plain form is "%.10g"; the comma form groups the integer part by three.
TEST(Format, PlainAndCommaForms)
{
    const struct
    {
        double value;
        const char* plain;
        const char* comma;
    } rows[] = {
        {8, "8", "8"},
        {999, "999", "999"},
        {1000, "1000", "1,000"},
        {1234, "1234", "1,234"},
        {1234567.891, "1234567.891", "1,234,567.891"},
        {1234567890, "1234567890", "1,234,567,890"},
        {-1234, "-1234", "-1,234"},
        {-123456, "-123456", "-123,456"},
        {-123.5, "-123.5", "-123.5"},
        {-0.5, "-0.5", "-0.5"},
        {3.1415926535, "3.141592654", "3.141592654"},
        {1.0 / 3, "0.3333333333", "0.3333333333"},
        {2.0 / 3, "0.6666666667", "0.6666666667"},
        {0.0001234, "0.0001234", "0.0001234"},
        {0.00001234, "1.234e-05", "1.234e-05"},
        {12345678901, "1.23456789e+10", "1.23456789e+10"},
        // Exact ties round to the even digit; a carry can reach the next power of ten.
        {6172839450.5, "6172839450", "6,172,839,450"},
        {6172839451.5, "6172839452", "6,172,839,452"},
        {9999999999.5, "1e+10", "1e+10"},
        {0.00099999999995, "0.001", "0.001"},
        {123456789012, "1.23456789e+11", "1.23456789e+11"},
        {1e15, "1e+15", "1e+15"},
        {-1e300, "-1e+300", "-1e+300"},
        {0, "0", "0"},
        {-0.0, "-0", "-0"},
        {kInf, "inf", "inf"},
        {-kInf, "-inf", "-inf"},
        {kNaN, "nan", "nan"},
        {-kNaN, "nan", "nan"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.plain);
        EXPECT_EQ(FormatAnswer(row.value), row.plain);
        EXPECT_EQ(CCalculator().FormatWithCommas(row.value), row.comma);
    }
}

// Random doubles of every magnitude print exactly as the C library prints them.
TEST(Format, AgreesWithPrintf)
{
    const CLocaleOracle oracle;
    std::mt19937_64 random(20071);
    for (int i = 0; i < 200000; ++i) {
        double v;
        switch (i % 4) {
        case 0: { // any bit pattern
            const std::uint64_t bits = random();
            std::memcpy(&v, &bits, sizeof v);
            break;
        }
        case 1:
            v = static_cast<double>(static_cast<std::int64_t>(random() % 100000000000ULL)) - 5e10;
            break;
        case 2:
            v = std::ldexp(static_cast<double>(random() % 1000000),
                           static_cast<int>(random() % 80) - 40);
            break;
        default: v = static_cast<double>(random() % 100000) / 1000.0; break;
        }
        if (std::isnan(v))
            continue;
        ASSERT_EQ(FormatGeneral(v, 10), oracle.Printf(v, 10)) << i;
        ASSERT_EQ(FormatGeneral(v, 6), oracle.Printf(v, 6)) << i;
    }
}

// The comma form of a fixed-notation answer reads back as the same value as its plain form.
TEST(Format, CommaFormEvaluatesAgain)
{
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const double v = (static_cast<double>(random() % 2000000000000ULL) - 1e12) / 1000.0;
        const std::string plain = FormatAnswer(v);
        const std::string comma = CCalculator().FormatWithCommas(v);
        double fromPlain = 0, fromComma = 1;
        ASSERT_EQ(CCalculator().Calculate(plain, fromPlain), CALC_OK) << plain;
        ASSERT_EQ(CCalculator().Calculate(comma, fromComma), CALC_OK) << comma;
        ASSERT_EQ(fromPlain, fromComma) << comma;
    }
}

// Decimal literals are read correctly rounded, as strtod reads them.
TEST(Parse, AgreesWithStrtod)
{
    const CLocaleOracle oracle;
    std::mt19937_64 random(42);
    for (int i = 0; i < 100000; ++i) {
        std::string text = (i % 3 == 0) ? "-" : "";
        const int intDigits = static_cast<int>(random() % 25);
        const int fracDigits = static_cast<int>(random() % 25);
        for (int k = 0; k < intDigits; ++k)
            text.push_back(static_cast<char>('0' + random() % 10));
        if (i % 2 == 0 || intDigits == 0) {
            text.push_back('.');
            for (int k = 0; k < fracDigits; ++k)
                text.push_back(static_cast<char>('0' + random() % 10));
        }
        const double expected = oracle.Strtod(text);
        const double got = ParseDecimalPrefix(text);
        ASSERT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << text;
    }
}

// The longest decimal prefix counts; what follows is ignored; no digits read as 0.
TEST(Parse, Prefixes)
{
    const std::pair<const char*, double> rows[] = {
        {"1.5.2", 1.5},
        {".5", 0.5},
        {"-.", 0},
        {".", 0},
        {"-", 0},
        {"5.", 5},
        {"-12.5x", -12.5},
        {"0.1", 0.1},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"9007199254740993", 9007199254740992.0},
    };
    for (const auto& [text, value] : rows)
        EXPECT_EQ(ParseDecimalPrefix(text), value) << text;
    EXPECT_EQ(ParseDecimalPrefix("1" + std::string(400, '0')), kInf);
    EXPECT_EQ(ParseDecimalPrefix("-1" + std::string(400, '0')), -kInf);
    EXPECT_TRUE(std::signbit(ParseDecimalPrefix("-0")));
}

// Under any process locale the engine writes and reads a point, never a comma.
TEST(Locale, AnswersIgnoreTheProcessLocale)
{
    const char* decimalPoint = std::localeconv()->decimal_point;
    if (std::strcmp(decimalPoint, ",") == 0)
        std::printf("running under a comma-decimal locale (%s)\n",
                    std::setlocale(LC_NUMERIC, nullptr));
    EXPECT_EQ(FormatAnswer(3.5), "3.5");
    EXPECT_EQ(CCalculator().FormatWithCommas(1234.5), "1,234.5");
    double result = 0;
    ASSERT_EQ(CCalculator().Calculate("1.5+1.25", result), CALC_OK);
    EXPECT_EQ(result, 2.75);
}

} // namespace
