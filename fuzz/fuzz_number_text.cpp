// The locale-free number text of NumberText.h against the C library in the C locale (libFuzzer
// never calls setlocale, so printf and strtod use the C locale here).
//
// Input: one byte choosing the precision (1 to 17), eight bytes of a double's bit pattern, then
// text. Properties checked:
// - AppendGeneral writes what printf's "%.<precision>g" writes, except "nan" for every NaN;
// - the comma form of an answer is its plain form with commas only, and those commas stand
//   between groups of three integer digits;
// - ParseDecimalPrefix reads the longest leading "-digits.digits" as strtod reads that prefix,
//   to the bit (0 when the prefix has no digit), for the text and for the whole input.

#include "Calculator.h"
#include "FuzzCheck.h"
#include "NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void CheckGeneral(double value, int precision)
{
    std::string text = "x"; // AppendGeneral appends: what was there stays
    AppendGeneral(text, value, precision);
    FUZZ_REQUIRE(text[0] == 'x');
    text.erase(0, 1);
    if (std::isnan(value)) {
        FUZZ_REQUIRE(text == "nan");
        return;
    }
    char expected[64];
    const int n = std::snprintf(expected, sizeof expected, "%.*g", precision, value);
    FUZZ_REQUIRE(n > 0 && static_cast<std::size_t>(n) < sizeof expected);
    FUZZ_REQUIRE(text == expected);
    FUZZ_REQUIRE(FormatGeneral(value, precision) == text);
}

void CheckCommas(double value)
{
    static const CCalculator calc;
    const std::string plain = FormatAnswer(value);
    const std::string commas = calc.FormatWithCommas(value);
    std::string stripped;
    for (const char c : commas)
        if (c != ',')
            stripped.push_back(c);
    FUZZ_REQUIRE(stripped == plain);

    if (!std::isfinite(value) || plain.find('e') != std::string::npos) {
        FUZZ_REQUIRE(commas == plain);
        return;
    }
    // The integer part: 1 to 3 digits, then groups of ",ddd".
    std::size_t i = commas[0] == '-' ? 1 : 0;
    std::size_t lead = 0;
    while (i < commas.size() && IsDigit(commas[i])) {
        ++i;
        ++lead;
    }
    FUZZ_REQUIRE(lead >= 1 && lead <= 3);
    while (i < commas.size() && commas[i] == ',') {
        FUZZ_REQUIRE(i + 3 < commas.size());
        FUZZ_REQUIRE(IsDigit(commas[i + 1]) && IsDigit(commas[i + 2]) && IsDigit(commas[i + 3]));
        i += 4;
    }
    FUZZ_REQUIRE(i == commas.size() || commas[i] == '.');
    FUZZ_REQUIRE(commas.find(',', i) == std::string::npos);
}

bool SameDouble(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckParse(std::string_view text)
{
    // The prefix: '-'? digits ('.' digits)?
    std::size_t end = 0;
    std::size_t digits = 0;
    if (end < text.size() && text[end] == '-')
        ++end;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
        ++digits;
    }
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && IsDigit(text[end])) {
            ++end;
            ++digits;
        }
    }
    const double value = ParseDecimalPrefix(text);
    if (digits == 0) {
        FUZZ_REQUIRE(value == 0);
        return;
    }
    const std::string prefix(text.substr(0, end));
    const double expected = std::strtod(prefix.c_str(), nullptr);
    FUZZ_REQUIRE(SameDouble(value, expected));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    unsigned char head[9] = {};
    if (size > 0)
        std::memcpy(head, data, size < sizeof head ? size : sizeof head);
    const int precision = 1 + head[0] % 17;
    double value = 0;
    std::memcpy(&value, head + 1, sizeof value);

    CheckGeneral(value, precision);
    CheckGeneral(value, 10);
    CheckCommas(value);
    CheckParse(size > sizeof head ? input.substr(sizeof head) : std::string_view());
    CheckParse(input);
    return 0;
}
