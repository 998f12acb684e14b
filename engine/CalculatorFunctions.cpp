// The built-in functions (CCalculator::CallFunction). The catalogue gives each name's argument
// count; the values are taken off the evaluator's stack, the last argument from the top.
//
// Where a function passes a value through a 32-bit integer (ABS, ROUNDDOWN, DATESERIAL), values
// that fit behave exactly as that conversion does. Values beyond it, infinities and NaN get these
// answers instead of a wrapped-around number:
// - ABS(x) is the magnitude of x truncated toward zero, NaN for NaN;
// - ROUNDDOWN truncates the scaled value toward zero in double arithmetic;
// - DATESERIAL is NaN when an argument is NaN, infinite or beyond 32 bits; a result beyond 32 bits
//   is exact (the count is 64 bits wide);
// - YEAR, MONTH and DAY are NaN for NaN, infinite serials and serials beyond 2^53.

#include "Calculator.h"

#include "CalcClock.h"
#include "CalcFunction.h"
#include "NumberText.h"

#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool FitsInt32(double x)
{
    return x > -2147483649.0 && x < 2147483648.0;
}

// Truncation toward zero as the 32-bit conversion does it (-0.5 gives +0), beyond 32 bits in
// double arithmetic.
double TruncateToWhole(double x)
{
    return FitsInt32(x) ? static_cast<double>(static_cast<std::int32_t>(x)) : std::trunc(x);
}

double Abs(double x)
{
    return std::isnan(x) ? x : std::fabs(TruncateToWhole(x));
}

double DateSerialOf(double y, double m, double d)
{
    if (!FitsInt32(y) || !FitsInt32(m) || !FitsInt32(d))
        return kNaN;
    return static_cast<double>(CCalculator::DateSerial(
        static_cast<std::int32_t>(y), static_cast<std::int32_t>(m), static_cast<std::int32_t>(d)));
}

double YearOf(double s)
{
    const std::int64_t year = CCalculator::YearOfSerial(s);
    return std::isnan(s) ? kNaN : static_cast<double>(year);
}

double MonthOf(double s)
{
    const std::int32_t month = CCalculator::MonthOfSerial(s);
    return std::isnan(s) ? kNaN : month;
}

double DayOf(double s)
{
    CCalculator::MonthOfSerial(s);
    return s; // the day of the month, with the serial's fraction; NaN outside the domain
}

// 10^d as std::pow gives it. A whole d from 0 to 22 comes from the table: pow is exact where the
// answer is a double (its error is below one unit in the last place), so the two agree.
double PowerOfTen(double d)
{
    if (d >= 0 && d < static_cast<double>(std::size(kExactPowersOfTen)) && d == std::trunc(d))
        return kExactPowersOfTen[static_cast<std::size_t>(d)];
    return std::pow(10.0, d);
}

double Compute(ECalcFunctionId id, const double* a)
{
    switch (id) {
    case ECalcFunctionId::Abs: return Abs(a[0]);
    case ECalcFunctionId::Exp: return std::exp(a[0]);
    case ECalcFunctionId::Int: return std::floor(a[0]);
    case ECalcFunctionId::Log: return std::log10(a[0]);
    case ECalcFunctionId::Ln: return std::log(a[0]);
    // On a tie the second argument; MAX gives the second for NaN, MIN the first.
    case ECalcFunctionId::Max: return a[0] > a[1] ? a[0] : a[1];
    case ECalcFunctionId::Min:
        return (std::isnan(a[0]) || std::isnan(a[1]) || a[0] < a[1]) ? a[0] : a[1];
    // ROUND, ROUNDUP and ROUNDDOWN scale by 10^d (d used as it is, fractions included), reduce to a
    // whole number and divide by the same factor. No decimal correction: ROUND(1.005,2) is 1.
    case ECalcFunctionId::Round: {
        const double p = PowerOfTen(a[1]);
        return std::floor(a[0] * p + 0.5) / p;
    }
    case ECalcFunctionId::RoundDown: {
        const double p = PowerOfTen(a[1]);
        return TruncateToWhole(a[0] * p) / p;
    }
    case ECalcFunctionId::RoundUp: {
        const double p = PowerOfTen(a[1]);
        return std::ceil(a[0] * p) / p;
    }
    case ECalcFunctionId::Sqr: return std::sqrt(a[0]);
    case ECalcFunctionId::Sin: return std::sin(a[0]);
    case ECalcFunctionId::Cos: return std::cos(a[0]);
    case ECalcFunctionId::Tan: return std::tan(a[0]);
    case ECalcFunctionId::Asin: return std::asin(a[0]);
    case ECalcFunctionId::Acos: return std::acos(a[0]);
    case ECalcFunctionId::Atan: return std::atan(a[0]);
    case ECalcFunctionId::Sinh: return std::sinh(a[0]);
    case ECalcFunctionId::Cosh: return std::cosh(a[0]);
    case ECalcFunctionId::Tanh: return std::tanh(a[0]);
    case ECalcFunctionId::DateSerial: return DateSerialOf(a[0], a[1], a[2]);
    case ECalcFunctionId::Now: { // one reading of the clock for the whole date
        const CalcDate today = CalcToday();
        return static_cast<double>(CCalculator::DateSerial(today.year, today.month, today.day));
    }
    case ECalcFunctionId::NowDay: return CalcToday().day;
    case ECalcFunctionId::NowMonth: return CalcToday().month;
    case ECalcFunctionId::NowYear: return CalcToday().year;
    case ECalcFunctionId::Year: return YearOf(a[0]);
    case ECalcFunctionId::Month: return MonthOf(a[0]);
    case ECalcFunctionId::Day: return DayOf(a[0]);
    // 0 and NaN choose the third argument.
    case ECalcFunctionId::If: return (a[0] < 0 || a[0] > 0) ? a[1] : a[2];
    case ECalcFunctionId::Count: break;
    }
    return kNaN;
}

} // namespace

bool CCalculator::CallFunction(std::string_view name, CValueStack& stack, double& result) const
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    const int index = catalogue.FindIndex(name);
    if (index < 0)
        return false;
    const auto count = static_cast<std::size_t>(catalogue.GetAt(index).m_nArgs);
    if (stack.size() < count)
        return false;

    // The arguments in written order: the first lies deepest.
    double args[3] = {0, 0, 0};
    for (std::size_t i = 0; i < count && i < std::size(args); ++i)
        args[i] = stack[stack.size() - count + i];
    stack.resize(stack.size() - count);
    result = Compute(static_cast<ECalcFunctionId>(index), args);
    return true;
}
