// Any bytes as a formula line: normalisation, evaluation and the two answer forms.
//
// Properties checked:
// - Calculate returns one of the CalcResult codes, for the raw bytes and for the normalised text;
// - NormalizeFormula never makes the text longer;
// - an answer's plain form is what printf's "%.10g" writes in the C locale ("nan" for any NaN);
// - removing the commas from the comma form gives the plain form;
// - a finite answer whose plain form has no exponent reads back, from the plain form and from the
//   comma form, as the same double, the one ParseDecimalPrefix reads, and that double lies within
//   the rounding of ten significant digits of the answer.

#include "Calculator.h"
#include "FuzzCheck.h"
#include "NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool IsResultCode(int code)
{
    return code >= CALC_ERR_DIVZERO && code <= CALC_OK;
}

bool SameDouble(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string WithoutCommas(std::string_view text)
{
    std::string out;
    for (const char c : text)
        if (c != ',')
            out.push_back(c);
    return out;
}

void CheckAnswer(const CCalculator& calc, double answer)
{
    const std::string plain = FormatAnswer(answer);
    const std::string commas = calc.FormatWithCommas(answer);

    if (std::isnan(answer)) {
        FUZZ_REQUIRE(plain == "nan");
    } else {
        char expected[64];
        const int n = std::snprintf(expected, sizeof expected, "%.10g", answer);
        FUZZ_REQUIRE(n > 0 && static_cast<std::size_t>(n) < sizeof expected);
        FUZZ_REQUIRE(plain == expected);
    }
    FUZZ_REQUIRE(WithoutCommas(commas) == plain);

    if (!std::isfinite(answer) || plain.find('e') != std::string::npos)
        return;

    // Without an exponent, %.10g writes magnitudes from 1e-4 up to below 1e10 (and zero), so the
    // text is at most half a unit of the tenth digit away: 5e-10 of the answer, plus the rounding
    // of the read-back.
    double fromPlain = 0;
    FUZZ_REQUIRE(calc.Calculate(plain, fromPlain) == CALC_OK);
    FUZZ_REQUIRE(SameDouble(fromPlain, ParseDecimalPrefix(plain)));
    FUZZ_REQUIRE(std::fabs(fromPlain - answer) <= 5.000001e-10 * std::fabs(answer));

    double fromCommas = 0;
    FUZZ_REQUIRE(calc.Calculate(commas, fromCommas) == CALC_OK);
    FUZZ_REQUIRE(SameDouble(fromCommas, fromPlain));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const CCalculator calc;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    double raw = 0;
    const int rawCode = calc.Calculate(input, raw);
    FUZZ_REQUIRE(IsResultCode(rawCode));
    if (rawCode == CALC_OK)
        CheckAnswer(calc, raw);

    const std::string formula = calc.NormalizeFormula(input);
    FUZZ_REQUIRE(formula.size() <= input.size());

    double answer = 0;
    const int code = calc.Calculate(formula, answer);
    FUZZ_REQUIRE(IsResultCode(code));
    if (code == CALC_OK)
        CheckAnswer(calc, answer);
    return 0;
}
