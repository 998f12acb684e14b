#pragma once

#include <string>
#include <string_view>

// Number text that never depends on the process locale.

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
