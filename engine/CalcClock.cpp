#include "CalcClock.h"

#include <ctime>

namespace {

CalcDate SystemToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

CalcClockFn g_clock = &SystemToday;

} // namespace

CalcDate CalcToday()
{
    return g_clock();
}

CalcClockFn SetCalcClock(CalcClockFn clock)
{
    const CalcClockFn previous = g_clock;
    g_clock = clock ? clock : &SystemToday;
    return previous;
}
