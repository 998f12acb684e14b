#include "FunctionHint.h"

#include "CalcFunction.h"
#include "Cp932Codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct HintRow
{
    const char* name;
    const char* line;     // UTF-8; "|" marks the caret and is taken out
    const char* function; // nullptr: none
};

// Which function the caret is in: in or right after its name, or inside its parentheses, the
// innermost named ones counting; full-width forms read as half-width.
const HintRow kHintRows[] = {
    {"after the name", "ROUND|", "ROUND"},
    {"inside the name", "RO|UND(1,2)", "ROUND"},
    {"lower case", "round(|", "ROUND"},
    {"inside the parentheses", "ROUND(2.5,|0)", "ROUND"},
    {"plain parentheses within", "ROUND((1+2)*|3", "ROUND"},
    {"after a closed plain group", "ROUND((1+2)|,0)", "ROUND"},
    {"innermost function", "MAX(1,ABS(-|2))", "ABS"},
    {"outer again after the inner closes", "MAX(1,ABS(-2)|,3)", "MAX"},
    {"after the closing parenthesis", "ROUND(1,2)|", nullptr},
    {"unknown name inside a known one", "SIN(FOO|", "SIN"},
    {"unknown name alone", "FOO(|1)", nullptr},
    {"a prefix of a name", "ROU|", nullptr},
    {"before the name", "|ROUND(1,0)", nullptr},
    {"a bare name applied to a number", "sqr9|", nullptr},
    {"a stray closing parenthesis", "1)+ABS(|", "ABS"},
    {"full-width name and parenthesis", "ＲＯＵＮＤ（２|", "ROUND"},
    {"full-width closing parenthesis", "ＡＢＳ（１）|", nullptr},
    // A kanji whose trail byte is a letter (陰 is 0x89 0x41) is no part of a name.
    {"a trail byte that reads as a letter", "陰BS(|", nullptr},
    {"a kanji before the name", "値ABS(|", "ABS"},
    {"no function", "3+5*2|", nullptr},
    {"empty line", "|", nullptr},
};

TEST(FunctionAtCaret, Table)
{
    for (const HintRow& row : kHintRows) {
        SCOPED_TRACE(row.name);
        const std::string marked = Utf8ToCp932(row.line);
        const std::size_t caret = marked.find('|');
        ASSERT_NE(caret, std::string::npos);
        const std::string line = marked.substr(0, caret) + marked.substr(caret + 1);
        const int index = FunctionAtCaret(line, caret);
        if (!row.function) {
            EXPECT_EQ(index, -1);
            continue;
        }
        ASSERT_GE(index, 0);
        EXPECT_EQ(GetCalcFunctions().GetAt(index).m_strName, row.function);
    }
}

TEST(FunctionAtCaret, ACaretBeyondTheLineStandsAtItsEnd)
{
    EXPECT_EQ(FunctionAtCaret("ABS(", 100), GetCalcFunctions().FindIndex("ABS"));
    EXPECT_EQ(FunctionAtCaret("", 5), -1);
}

TEST(FunctionHintText, NameParametersAndDescription)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    const std::string hint = FunctionHintText(catalogue.GetAt(catalogue.FindIndex("ROUND")));
    EXPECT_EQ(hint.rfind(Utf8ToCp932("ROUND(値,桁数) "), 0), 0u) << hint;
    EXPECT_GT(hint.size(), Utf8ToCp932("ROUND(値,桁数) ").size()); // the description follows
    const std::string now = FunctionHintText(catalogue.GetAt(catalogue.FindIndex("NOW")));
    EXPECT_EQ(now.rfind("NOW() ", 0), 0u) << now;
}

} // namespace
