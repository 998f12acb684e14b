#pragma once

// The one clock the engine reads: today's local calendar date, for NOW, NOWYEAR, NOWMONTH and
// NOWDAY. Tests replace it to pin the date.

struct CalcDate
{
    int year;  // in full, 2007
    int month; // 1 to 12
    int day;   // 1 to 31
};

using CalcClockFn = CalcDate (*)();

// Reads the clock once.
CalcDate CalcToday();

// Replaces the clock; nullptr restores the system's local date. Returns the previous clock.
CalcClockFn SetCalcClock(CalcClockFn clock);
