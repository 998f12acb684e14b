#include "AnswerText.h"

#include "CalcMessages.h"
#include "Calculator.h"
#include "Cp932Codec.h"
#include "SelfTestMessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string_view>
#include <vector>

namespace {

std::string Answer(const std::string& utf8Line, bool comma, double& lastAnswer)
{
    std::string out;
    AppendAnswerForLine(out, Utf8ToCp932(utf8Line), comma, lastAnswer);
    return Cp932ToUtf8(out);
}

// Every error code has its message; success and an empty formula have none.
TEST(CalcMessages, EveryErrorCodeHasItsMessage)
{
    const std::pair<int, const char*> rows[] = {
        {CALC_ERR_FORMULA, "計算式に異常があります"},
        {CALC_ERR_PAREN, "かっこに異常があります"},
        {CALC_ERR_FUNCTION, "関数名が違います"},
        {CALC_ERR_DIVZERO, "0で除算しました"},
    };
    for (const auto& [code, message] : rows)
        EXPECT_EQ(Cp932ToUtf8(CalcErrorMessage(code)), message) << code;
}

// A walk over every code: each error has a message of its own, success and an empty formula
// have none, and neither has a number that is no code.
TEST(CalcMessages, EveryCodeWalked)
{
    std::set<std::string_view> messages;
    for (const CalcResult code : kCalcResults) {
        const std::string_view message = CalcErrorMessage(code);
        if (code == CALC_OK || code == CALC_EMPTY) {
            EXPECT_TRUE(message.empty()) << code;
        } else {
            EXPECT_FALSE(message.empty()) << code;
            EXPECT_TRUE(messages.insert(message).second) << code;
        }
    }
    for (int code = -100; code <= 100; ++code) {
        if (std::find(std::begin(kCalcResults), std::end(kCalcResults), code) ==
            std::end(kCalcResults)) {
            EXPECT_TRUE(CalcErrorMessage(code).empty()) << code;
        }
    }
}

// A line is normalised, evaluated and written in the plain or the comma form; an error leaves
// the last answer as it was.
TEST(AnswerText, LinesAsTheSheetAnswersThem)
{
    const struct
    {
        const char* line;
        bool comma;
        const char* text;
        double lastAnswer; // after the line
    } rows[] = {
        {"3+5", false, "8", 8},
        {"3+5=", false, "8", 8},
        {"３＋５＝", false, "8", 8},
        {"1/0", false, "0で除算しました", 8},
        {"   ", false, "", 8},
        {"1/3", false, "0.3333333333", 1.0 / 3},
        {"1234567", false, "1234567", 1234567},
        {"1234567", true, "1,234,567", 1234567},
        {"1,234,567", false, "1234567", 1234567},
        {"123,456,789,012", true, "1.23456789e+11", 123456789012},
        {"(2+3", false, "計算式に異常があります", 123456789012},
        {"2+3)", false, "かっこに異常があります", 123456789012},
        {"FOO(1)", false, "関数名が違います", 123456789012},
        {"-1234.5", true, "-1,234.5", -1234.5},
    };
    double lastAnswer = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(Answer(row.line, row.comma, lastAnswer), row.text);
        EXPECT_EQ(lastAnswer, row.lastAnswer);
    }
}

// Without normalisation the text reaches the evaluator as it stands.
TEST(AnswerText, RawLines)
{
    double lastAnswer = 0;
    std::string out;
    EXPECT_EQ(AppendAnswerForLine(out, "3+5=", false, lastAnswer, false), CALC_ERR_FORMULA);
    EXPECT_EQ(lastAnswer, 0);
}

// The self-test report names the failing formula, and the value as "%g" writes it.
TEST(SelfTestMessage, Texts)
{
    EXPECT_EQ(Cp932ToUtf8(SelfTestMessage({})), "正常終了");
    SelfTestResult wrong{ESelfTestOutcome::WrongValue, "3+5*2", 14, 2};
    EXPECT_EQ(Cp932ToUtf8(SelfTestMessage(wrong)), "誤り：3+5*2->14");
    wrong.value = 1234567.5;
    EXPECT_EQ(Cp932ToUtf8(SelfTestMessage(wrong)), "誤り：3+5*2->1.23457e+06");
    const SelfTestResult calcError{ESelfTestOutcome::CalcError, "IF(1>2,3,4)", 0, 17};
    EXPECT_EQ(Cp932ToUtf8(SelfTestMessage(calcError)), "計算エラー：IF(1>2,3,4)");
}

} // namespace
