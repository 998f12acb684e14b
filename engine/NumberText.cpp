#include "NumberText.h"

#include "Calculator.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

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
    if (value == std::trunc(value) && std::fabs(value) < kExactPowersOfTen[precision] && value != 0)
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
    std::size_t used = 0;
    return ParseDecimalPrefix(text, used);
}

double ParseDecimalPrefix(std::string_view text, std::size_t& used)
{
    // One pass reads the digits and gathers them into the mantissa as it goes; the mantissa is
    // used only when it is exact (15 digits at most), so wrapping beyond that does no harm.
    const char* const first = text.data();
    const char* const end = first + text.size();
    const char* p = first;
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    std::uint64_t mantissa = 0;
    const char* const intBegin = p;
    for (; p < end && IsDigit(*p); ++p)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    const char* const intEnd = p;
    std::size_t fracDigits = 0;
    if (p < end && *p == '.') {
        const char* const fracBegin = ++p;
        for (; p < end && IsDigit(*p); ++p)
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        fracDigits = static_cast<std::size_t>(p - fracBegin);
    }
    const char* const last = p; // after the fraction's digits, or intEnd when no '.' follows
    used = static_cast<std::size_t>(last - first);
    const auto intDigits = static_cast<std::size_t>(intEnd - intBegin);
    if (intDigits + fracDigits == 0)
        return 0; // "-", "." and "-." read as zero

    // Up to 15 significant digits and 22 decimals: the mantissa and the power of ten are both
    // exact doubles, so one division rounds correctly.
    if (intDigits + fracDigits <= 15 && fracDigits <= 22) {
        const double value = static_cast<double>(mantissa) / kExactPowersOfTen[fracDigits];
        return negative ? -value : value;
    }

    double value = 0;
    const auto r = std::from_chars(first, last, value, std::chars_format::fixed);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large for a double when any integer digit is not zero; otherwise too small.
        bool large = false;
        for (const char* k = intBegin; k < intEnd; ++k)
            large = large || *k != '0';
        value = large ? HUGE_VAL : 0.0;
        return negative ? -value : value;
    }
    return value;
}

std::string CCalculator::FormatWithCommas(double value) const
{
    return GroupThousands(FormatAnswer(value));
}
