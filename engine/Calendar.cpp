// Calendar arithmetic of the date functions. The results are those of counting year by year and
// month by month from 1 January of year 0 (day 1); the counts are done in closed form so that any
// input answers at once.

#include "Calculator.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kMonthLengths[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}; // month 0: 0

int MonthLength(int month, bool leap)
{
    return kMonthLengths[month] + (month == 2 && leap ? 1 : 0);
}

// Days in the years 0 to year - 1; 0 for a year of 0 or less.
std::int64_t DaysBeforeYear(std::int64_t year)
{
    if (year <= 0)
        return 0;
    const std::int64_t y =
        year - 1; // leap years among 0..y: every 4th, not every 100th, every 400th
    return 365 * year + y / 4 - y / 100 + y / 400 + 1;
}

} // namespace

bool CCalculator::IsLeapYear(std::int64_t year)
{
    // C++ remainders keep the sign of the dividend, so year -4 is a leap year and -1 is not.
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

std::int64_t CCalculator::DateSerial(std::int32_t year, std::int32_t month, std::int32_t day)
{
    std::int64_t y = year;
    int m = month;
    if (m > 12) { // beyond the month table: carry whole years
        y += (m - 1) / 12;
        m = (m - 1) % 12 + 1;
    }
    std::int64_t total = DaysBeforeYear(y);
    const bool leap = IsLeapYear(y);
    for (int k = 1; k < m; ++k)
        total += MonthLength(k, leap);
    return total + day;
}

std::int64_t CCalculator::YearOfSerial(double& serial)
{
    if (!(serial > 0)) {
        if (!std::isfinite(serial)) {
            serial = std::numeric_limits<double>::quiet_NaN();
            return 0;
        }
        serial += 365; // every serial of 0 or below falls in year -1, which is no leap year
        return -1;
    }
    if (!(serial <= kMaxExactSerial)) {
        serial = std::numeric_limits<double>::quiet_NaN();
        return 0;
    }
    // The year y with DaysBeforeYear(y) < serial <= DaysBeforeYear(y + 1). Comparing the whole
    // days with the serial rounded up keeps a fraction in the day that ends at the next whole
    // number (733042.5 is in 2007).
    const auto n = static_cast<std::int64_t>(std::ceil(serial));
    std::int64_t y = (n - 1) * 400 / 146097; // 146097 days in 400 years; off by a year at most
    while (DaysBeforeYear(y + 1) < n)
        ++y;
    while (y > 0 && DaysBeforeYear(y) >= n)
        --y;
    serial -= static_cast<double>(DaysBeforeYear(y));
    return y;
}

std::int32_t CCalculator::MonthOfSerial(double& serial)
{
    const std::int64_t year = YearOfSerial(serial);
    if (std::isnan(serial))
        return 0;
    const bool leap = IsLeapYear(year);
    int m = 1;
    // The day of the year is at most the year's length, so this ends by December; the bound only
    // guards the table.
    while (serial > 0 && m <= 12)
        serial -= MonthLength(m++, leap);
    --m;
    serial += MonthLength(m, leap);
    return m;
}
