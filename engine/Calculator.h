#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Result codes of CCalculator::Calculate. The sheet keys its messages by them (sheet/CalcMessages).
enum CalcResult : int {
    CALC_OK = 1,    // success; the result has been written
    CALC_EMPTY = 0, // the formula is empty; nothing written
    CALC_ERR_FORMULA =
        -1,              // an operator found fewer than two values, or no value was left at the end
    CALC_ERR_PAREN = -2, // a ')' without a matching '('; found before anything is computed
    CALC_ERR_FUNCTION = -3, // an unknown function name, or fewer values than the function takes
    CALC_ERR_DIVZERO = -4,  // '/' by zero; '%' by a divisor that truncates to 0 or beyond 32 bits
};

// Every code above, for the checks that walk them (each error code has its message).
inline constexpr CalcResult kCalcResults[] = {CALC_OK,        CALC_EMPTY,        CALC_ERR_FORMULA,
                                              CALC_ERR_PAREN, CALC_ERR_FUNCTION, CALC_ERR_DIVZERO};

// The evaluator's value stack; a function's last argument is on top (at the back).
using CValueStack = std::vector<double>;

// The formula engine. It holds no state: every operation depends on its arguments alone (and the
// date functions on the clock of CalcClock.h). Text is code page 932 bytes; a NUL byte ends it.
class CCalculator
{
public:
    // Evaluates one formula line. Returns a CalcResult; writes `result` only on CALC_OK. Numbers
    // and names of any length are read whole; any input is safe (no recursion, no fixed buffers).
    int Calculate(std::string_view formula, double& result) const;

    // The answer with digit groups of three in its integer part: 1234567.5 -> "1,234,567.5".
    // Exponent forms, "inf", "-inf" and "nan" come back as the plain form writes them.
    std::string FormatWithCommas(double value) const;

    // Computes the built-in function `name` (letters in any case) on the top of `stack`. Returns
    // false, with the stack untouched, for an unknown name or when the stack holds fewer values
    // than the function takes; otherwise pops the arguments, writes `result` and returns true.
    bool CallFunction(std::string_view name, CValueStack& stack, double& result) const;

    // Full-width to half-width, then trailing blanks and then trailing '=' cut: "３＋５＝ " ->
    // "3+5". The result is never longer than the text.
    std::string NormalizeFormula(std::string_view text) const;

    // The full-width to half-width conversion alone (digits, letters, symbols, kana, punctuation).
    // A lead byte with no trail byte after it ends the text and is dropped.
    std::string ToHalfWidth(std::string_view text) const;

    // Calendar helpers. Serials count days of the proleptic Gregorian calendar, 1 January of
    // year 0 being day 1. They are computed in closed form and 64 bits wide, so every input has
    // an exact answer; within the 32-bit range they agree with a year-by-year count.
    static bool IsLeapYear(std::int64_t year);
    // Months of 1 or less add nothing; a month above 12 runs on into the following years
    // (month 13 is January of the next year); the day is added as it is (0 is the day before).
    static std::int64_t DateSerial(std::int32_t year, std::int32_t month, std::int32_t day);
    // Returns the year of `serial` and leaves the day of that year in it (with the serial's
    // fraction). A serial of 0 or less is in year -1. `serial` must be finite and at most
    // kMaxExactSerial in magnitude; otherwise it is set to NaN and 0 is returned.
    static std::int64_t YearOfSerial(double& serial);
    // Returns the month (1 to 12; 0 for serials of -365 and below) and leaves the day of the month
    // in `serial`. Same domain as YearOfSerial.
    static std::int32_t MonthOfSerial(double& serial);

    // Serials beyond this lose their day to double rounding; YEAR, MONTH and DAY give NaN there.
    static constexpr double kMaxExactSerial = 9007199254740992.0; // 2^53
};
