#include "NumberText.h"

#include "Calculator.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

void AppendGeneral(std::string& out, double value, int precision)
{
    if (std::isnan(value)) {
        out += "nan"; // never "-nan": the sign of a NaN means nothing to the user
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return;
    }
    if (precision < 1 || precision > 17)
        precision = precision < 1 ? 1 : 17;
    char buffer[64];
    std::to_chars_result r;
    // Whole numbers with no more digits than the precision print as themselves; this is the
    // common answer and skips the general conversion. -0 goes the long way to keep its sign.
    if (value == std::trunc(value) && std::fabs(value) < kPowersOfTen[precision] && value != 0)
        r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(value));
    else
        r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general,
                          precision);
    out.append(buffer, r.ptr);
}

std::string FormatGeneral(double value, int precision)
{
    std::string out;
    AppendGeneral(out, value, precision);
    return out;
}

std::string GroupThousands(std::string_view plain)
{
    const std::size_t digitsBegin = (!plain.empty() && plain[0] == '-') ? 1 : 0;
    std::size_t digitsEnd = digitsBegin;
    while (digitsEnd < plain.size() && IsDigit(plain[digitsEnd]))
        ++digitsEnd;
    const std::size_t count = digitsEnd - digitsBegin;

    std::string out;
    out.reserve(plain.size() + count / 3);
    out.append(plain.substr(0, digitsBegin));
    for (std::size_t i = 0; i < count; ++i) {
        // A comma before every digit that has a multiple of three digits after it.
        if (i > 0 && (count - i) % 3 == 0)
            out.push_back(',');
        out.push_back(plain[digitsBegin + i]);
    }
    out.append(plain.substr(digitsEnd));
    return out;
}

double ParseDecimalPrefix(std::string_view text)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    const std::size_t intBegin = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    const std::size_t intEnd = i;
    std::size_t fracBegin = i, fracEnd = i;
    if (i < text.size() && text[i] == '.') {
        fracBegin = fracEnd = ++i;
        while (fracEnd < text.size() && IsDigit(text[fracEnd]))
            ++fracEnd;
    }
    const std::size_t intDigits = intEnd - intBegin, fracDigits = fracEnd - fracBegin;
    if (intDigits + fracDigits == 0)
        return 0; // "-", "." and "-." read as zero

    // Up to 15 significant digits and 22 decimals: the mantissa and the power of ten are both
    // exact doubles, so one division rounds correctly.
    if (intDigits + fracDigits <= 15 && fracDigits <= 22) {
        std::int64_t mantissa = 0;
        for (std::size_t k = intBegin; k < intEnd; ++k)
            mantissa = mantissa * 10 + (text[k] - '0');
        for (std::size_t k = fracBegin; k < fracEnd; ++k)
            mantissa = mantissa * 10 + (text[k] - '0');
        const double value = static_cast<double>(mantissa) / kPowersOfTen[fracDigits];
        return negative ? -value : value;
    }

    double value = 0;
    const char* const first = text.data();
    const char* const last = text.data() + fracEnd; // fracEnd is intEnd when no '.' follows
    const auto r = std::from_chars(first, last, value, std::chars_format::fixed);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large for a double when any integer digit is not zero; otherwise too small.
        bool large = false;
        for (std::size_t k = intBegin; k < intEnd; ++k)
            large = large || text[k] != '0';
        value = large ? HUGE_VAL : 0.0;
        return negative ? -value : value;
    }
    return value;
}

std::string CCalculator::FormatWithCommas(double value) const
{
    return GroupThousands(FormatAnswer(value));
}
