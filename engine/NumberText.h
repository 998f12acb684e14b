#pragma once

#include "ByteClass.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Number text that never depends on the process locale.

// The powers of ten that a double holds exactly.
inline constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Appends `value` exactly as printf's "%.<precision>g" writes it in the C locale (exponents with at
// least two digits), except that a NaN of either sign is "nan"; infinities are "inf" and "-inf".
// precision is 1 to 17.
void AppendGeneral(std::string& out, double value, int precision);
std::string FormatGeneral(double value, int precision);

// The answer's plain form, "%.10g".
inline std::string FormatAnswer(double value)
{
    return FormatGeneral(value, 10);
}

// Inserts ',' between groups of three integer-part digits of a plain form: "-1234.5" -> "-1,234.5".
// Text with an exponent, and "inf" and "nan", stay as they are.
std::string GroupThousands(std::string_view plain);

// The part of ParseDecimalPrefix for numbers of more than 15 digits or 22 decimals: the text
// from `first` (a '-' or the first digit) to `last`, its integer digits from intBegin to intEnd.
double ParseLongDecimal(const char* first, const char* last, const char* intBegin,
                        const char* intEnd);

// Reads the longest leading decimal number of `text`: an optional '-', digits, an optional '.',
// digits (no exponent, no '+'). Correctly rounded; overflow gives an infinity; text with no digit
// gives 0. `used` is set to the length of the number read (0 when text has no '-', digit or '.'
// to begin with; "-" and "." count as read).
//
// Inline, because the evaluator reads every literal through it and most are short: one pass
// gathers the digits into the mantissa as it goes, and the mantissa is used only when it is exact
// (15 digits at most), so wrapping beyond that does no harm.
inline double ParseDecimalPrefix(std::string_view text, std::size_t& used)
{
    auto isDigit = [](char c) { return byteclass::IsDigit(static_cast<unsigned char>(c)); };
    const char* const first = text.data();
    const char* const end = first + text.size();
    const char* p = first;
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    std::uint64_t mantissa = 0;
    const char* const intBegin = p;
    for (; p < end && isDigit(*p); ++p)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    const char* const intEnd = p;
    std::size_t fracDigits = 0;
    if (p < end && *p == '.') {
        const char* const fracBegin = ++p;
        for (; p < end && isDigit(*p); ++p)
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        fracDigits = static_cast<std::size_t>(p - fracBegin);
    }
    used = static_cast<std::size_t>(p - first);
    const auto intDigits = static_cast<std::size_t>(intEnd - intBegin);
    if (intDigits + fracDigits == 0)
        return 0; // "-", "." and "-." read as zero

    // Up to 15 significant digits and 22 decimals: the mantissa and the power of ten are both
    // exact doubles, so one division rounds correctly.
    if (intDigits + fracDigits <= 15 && fracDigits <= 22) {
        const double value = static_cast<double>(mantissa) / kExactPowersOfTen[fracDigits];
        return negative ? -value : value;
    }
    return ParseLongDecimal(first, p, intBegin, intEnd);
}

// The same, without the length.
inline double ParseDecimalPrefix(std::string_view text)
{
    std::size_t used = 0;
    return ParseDecimalPrefix(text, used);
}
