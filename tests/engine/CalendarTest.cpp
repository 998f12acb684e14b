#include "Calculator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

namespace {

// The calendar counted the slow way, year by year and month by month: the oracle for the closed
// forms.
int RefYearLength(long long y)
{
    return CCalculator::IsLeapYear(y) ? 366 : 365;
}
int RefMonthLength(int m, long long y)
{
    static const int lengths[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return lengths[m] + (m == 2 && CCalculator::IsLeapYear(y) ? 1 : 0);
}
long long RefDateSerial(int year, int month, int day)
{
    long long total = 0;
    for (long long y = 0; y < year; ++y)
        total += RefYearLength(y);
    for (int m = 1; m < month; ++m)
        total += RefMonthLength(m, year);
    return total + day;
}
long long RefYearOfSerial(double& s)
{
    long long y = 0;
    if (s > 0) {
        do {
            s -= RefYearLength(y);
            ++y;
        } while (s > 0);
    }
    --y;
    s += RefYearLength(y);
    return y;
}

double Eval(const std::string& formula)
{
    double result = 0;
    EXPECT_EQ(CCalculator().Calculate(formula, result), CALC_OK) << formula;
    return result;
}

// Leap years: divisible by 4, and not by 100 unless by 400; negative years alike.
TEST(Calendar, LeapYears)
{
    const std::pair<long long, bool> years[] = {{2000, true},  {1900, false}, {2004, true},
                                                {2007, false}, {0, true},     {-4, true},
                                                {-1, false},   {-100, false}, {-400, true}};
    for (const auto& [year, leap] : years)
        EXPECT_EQ(CCalculator::IsLeapYear(year), leap) << year;
}

// Known serials.
TEST(Calendar, KnownDates)
{
    const std::pair<const char*, double> rows[] = {
        {"DATESERIAL(0,1,1)", 1},
        {"DATESERIAL(1,1,1)", 367},
        {"DATESERIAL(1900,1,1)", 693962},
        {"DATESERIAL(1970,1,1)", 719529},
        {"DATESERIAL(2000,1,1)", 730486},
        {"DATESERIAL(2000,2,29)", 730545},
        {"DATESERIAL(2000,3,1)", 730546},
        {"DATESERIAL(2007,1,1)", 733043},
        {"DATESERIAL(2007.9,1,1)", 733043},
        {"DATESERIAL(2007,0,1)", 733043},
        {"DATESERIAL(2007,3,0)-DATESERIAL(2007,2,28)", 0},
        {"DATESERIAL(2007,13,1)-DATESERIAL(2008,1,1)", 0},
        {"DATESERIAL(2007,25,1)-DATESERIAL(2009,1,1)", 0},
        {"DATESERIAL(2007,1,40)-DATESERIAL(2007,2,9)", 0},
        {"YEAR(733043)", 2007},
        {"MONTH(733043)", 1},
        {"DAY(733043)", 1},
        {"YEAR(730545)", 2000},
        {"MONTH(730545)", 2},
        {"DAY(730545)", 29},
        {"YEAR(1)", 0},
        {"YEAR(366)", 0},
        {"MONTH(366)", 12},
        {"DAY(366)", 31},
        {"YEAR(0)", -1},
        {"MONTH(0)", 12},
        {"DAY(0)", 31},
        {"DAY(733043.25)", 1.25},
        {"YEAR(733042.5)", 2007},
        {"MONTH(733042.5)", 1},
        {"DAY(733042.5)", 0.5},
        {"YEAR(733042)", 2006},
        {"DAY(733042)", 31},
        {"YEAR(-1000)", -1},
        {"MONTH(-1000)", 0},
        {"DAY(-1000)", -635},
    };
    for (const auto& [formula, value] : rows)
        EXPECT_EQ(Eval(formula), value) << formula;
}

// The closed forms agree with the year-by-year count over four thousand years.
TEST(Calendar, ClosedFormsAgreeWithCounting)
{
    for (int year = -3; year <= 4000; year += 7) {
        for (int month = -1; month <= 12; ++month) {
            for (int day : {-31, 0, 1, 15, 31, 60}) {
                ASSERT_EQ(CCalculator::DateSerial(year, month, day),
                          RefDateSerial(year, month, day))
                    << year << "-" << month << "-" << day;
            }
        }
    }
    for (double serial = -400; serial < 1500000; serial += 97.25) {
        double a = serial, b = serial;
        ASSERT_EQ(CCalculator::YearOfSerial(a), RefYearOfSerial(b)) << serial;
        ASSERT_EQ(a, b) << serial;
    }
    // Every boundary of every year up to 2400: the last day of one year and the first of the next.
    for (int year = 1; year <= 2400; ++year) {
        const double first = static_cast<double>(CCalculator::DateSerial(year, 1, 1));
        double s = first, t = first - 1;
        EXPECT_EQ(CCalculator::YearOfSerial(s), year);
        EXPECT_EQ(s, 1);
        EXPECT_EQ(CCalculator::YearOfSerial(t), year - 1);
        EXPECT_EQ(t, RefYearLength(year - 1));
    }
}

// Every day of a leap year and a common year goes out as a date and comes back as itself.
TEST(Calendar, RoundTripOfEveryDay)
{
    for (int year : {1900, 2000, 2007, 2024}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= RefMonthLength(month, year); ++day) {
                double s = static_cast<double>(CCalculator::DateSerial(year, month, day));
                double d = s;
                EXPECT_EQ(CCalculator::YearOfSerial(s), year);
                EXPECT_EQ(CCalculator::MonthOfSerial(d), month);
                EXPECT_EQ(d, day);
            }
        }
    }
}

// Far beyond 32 bits the answers are defined and come at once; NaN and infinities give NaN.
TEST(Calendar, ExtremeSerials)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Eval("YEAR(10^15)"), 2737907006988.0);
    EXPECT_EQ(Eval("MONTH(10^15)"), 7); // day 185 of a leap year
    EXPECT_EQ(Eval("DAY(10^15)"), 3);
    EXPECT_TRUE(std::isnan(Eval("YEAR(10^300)")));
    EXPECT_TRUE(std::isnan(Eval("MONTH(EXP(1000))")));
    EXPECT_TRUE(std::isnan(Eval("DAY(0-EXP(1000))")));
    EXPECT_TRUE(std::isnan(Eval("YEAR(SQR(-1))")));
    EXPECT_TRUE(std::isnan(Eval("DATESERIAL(2147483648,1,1)")));
    EXPECT_TRUE(std::isnan(Eval("DATESERIAL(2007,SQR(-1),1)")));
    EXPECT_EQ(Eval("DATESERIAL(2147483647,12,31)"), 784352296305.0);
    EXPECT_EQ(Eval("YEAR(784352296305)"), 2147483647);
    EXPECT_EQ(Eval("DAY(784352296305)"), 31);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

} // namespace
