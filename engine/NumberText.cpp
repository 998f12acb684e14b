#include "NumberText.h"

#include "ByteClass.h"
#include "Calculator.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace {

#if defined(__SIZEOF_INT128__)

// __extension__: a 128-bit integer is not ISO C++, and -Wpedantic says so without it.
__extension__ typedef unsigned __int128 Uint128;

// base^0 .. base^(N-1), each exact in 64 bits.
template <std::size_t N> constexpr std::array<std::uint64_t, N> Powers(std::uint64_t base)
{
    std::array<std::uint64_t, N> powers{};
    powers[0] = 1;
    for (std::size_t k = 1; k < N; ++k)
        powers[k] = powers[k - 1] * base;
    return powers;
}

// 5^k for k = 0 to 22: each below 2^52, so a 53-bit mantissa times one fits in 105 bits.
constexpr auto kPowersOfFive = Powers<23>(5);
static_assert(kPowersOfFive[22] < (1ULL << 52));
// 10^p for the precisions 1 to 17 and the one below.
constexpr auto kPowersOfTenU64 = Powers<18>(10);

// "%.<precision>g" of a finite, non-zero, normal `value` whose decimal exponent X after rounding
// lies where 10^(precision-1-X) is at most 10^22. There value * 10^(precision-1-X) is
// mantissa * 5^k * 2^(exponent+k) with 5^k exact, so the significant digits and their rounding
// (half to even, as printf rounds an exact tie) come from integer arithmetic alone. Returns false,
// writing nothing, for any other value; the general conversion then does it.
bool AppendGeneralScaled(std::string& out, double value, int precision)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0 || biased == 0x7ff)
        return false; // subnormals (and never-seen infinities) go the general way
    const std::uint64_t mantissa = (bits & ((1ULL << 52) - 1)) | (1ULL << 52);
    const int binaryExponent = biased - 1075; // |value| = mantissa * 2^binaryExponent

    const auto digitCount = static_cast<std::size_t>(precision); // 1 to 17
    const std::uint64_t lowest = kPowersOfTenU64[digitCount - 1];
    const std::uint64_t limit = kPowersOfTenU64[digitCount];
    // |value| lies in [2^(biased-1023), 2^(biased-1022)); floor(e * log10(2)) estimates X and the
    // loop corrects it by one where it is off.
    int decimalExponent = ((biased - 1023) * 78913) >> 18;
    std::uint64_t digits = 0;
    for (int attempt = 0;; ++attempt) {
        if (attempt == 3)
            return false;
        const int k = precision - 1 - decimalExponent;
        if (k < 0 || k >= static_cast<int>(kPowersOfFive.size()))
            return false;
        const Uint128 scaled =
            static_cast<Uint128>(mantissa) * kPowersOfFive[static_cast<std::size_t>(k)];
        const int shift = -(binaryExponent + k); // value * 10^k = scaled / 2^shift
        Uint128 whole = 0;
        if (shift <= 0) {
            if (shift < -20)
                return false;
            whole = scaled << -shift;
        } else if (shift < 105) {
            whole = scaled >> shift;
        }
        if (whole < lowest) {
            --decimalExponent;
            continue;
        }
        if (whole >= limit) {
            ++decimalExponent;
            continue;
        }
        digits = static_cast<std::uint64_t>(whole);
        if (shift > 0) {
            const Uint128 rest = scaled - (whole << shift);
            const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
            if (rest > half || (rest == half && (digits & 1) != 0))
                ++digits;
        }
        if (digits == limit) { // 9.99..95 rounds up to the next power of ten
            digits = lowest;
            ++decimalExponent;
        }
        break;
    }

    // "%g" drops the fraction's trailing zeros; the digits before the point all stay.
    const bool exponentForm = decimalExponent < -4 || decimalExponent >= precision;
    const std::size_t kept =
        exponentForm || decimalExponent < 0 ? 1 : static_cast<std::size_t>(decimalExponent) + 1;
    char digitText[20];
    for (int i = precision - 1; i >= 0; --i) { // exactly `precision` digits
        digitText[i] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    std::size_t significant = digitCount;
    while (significant > kept && digitText[significant - 1] == '0')
        --significant;

    // Written into a buffer and appended once: '-', up to 17 digits, "0.000" and "e-22" fit.
    char text[48];
    char* w = text;
    auto put = [&w](const char* from, std::size_t count) {
        std::memcpy(w, from, count);
        w += count;
    };
    if (value < 0)
        *w++ = '-';
    if (exponentForm) {
        *w++ = digitText[0];
        if (significant > 1) {
            *w++ = '.';
            put(digitText + 1, significant - 1);
        }
        // The exponent lies from precision - 23 to precision: two digits always suffice.
        const int magnitude = decimalExponent < 0 ? -decimalExponent : decimalExponent;
        *w++ = 'e';
        *w++ = decimalExponent < 0 ? '-' : '+';
        *w++ = static_cast<char>('0' + magnitude / 10);
        *w++ = static_cast<char>('0' + magnitude % 10);
    } else if (decimalExponent >= 0) {
        put(digitText, kept);
        if (significant > kept) {
            *w++ = '.';
            put(digitText + kept, significant - kept);
        }
    } else {
        put("0.000", static_cast<std::size_t>(1 - decimalExponent)); // X is -1 to -4
        put(digitText, significant);
    }
    out.append(text, static_cast<std::size_t>(w - text));
    return true;
}

#else

bool AppendGeneralScaled(std::string&, double, int)
{
    return false; // without a 128-bit integer the general conversion does every value
}

#endif

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
    // Below 10^17 the conversion to 64 bits is defined, so it tests wholeness too.
    const bool small = std::fabs(value) < kExactPowersOfTen[precision];
    if (small && value != 0 && value == static_cast<double>(static_cast<std::int64_t>(value)))
        r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(value));
    else if (value != 0 && AppendGeneralScaled(out, value, precision))
        return;
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
    while (digitsEnd < plain.size() &&
           byteclass::IsDigit(static_cast<unsigned char>(plain[digitsEnd])))
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

double ParseLongDecimal(const char* first, const char* last, const char* intBegin,
                        const char* intEnd)
{
    const bool negative = *first == '-';
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
