#pragma once

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

// Reads the longest leading decimal number of `text`: an optional '-', digits, an optional '.',
// digits (no exponent, no '+'). Correctly rounded; overflow gives an infinity; text with no digit
// gives 0.
double ParseDecimalPrefix(std::string_view text);
// The same, and `used` is set to the length of the number read (0 when text has no '-', digit or
// '.' to begin with; "-" and "." count as read).
double ParseDecimalPrefix(std::string_view text, std::size_t& used);
