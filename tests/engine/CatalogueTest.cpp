#include "CalcFunction.h"

#include "Cp932Codec.h"

#include <gtest/gtest.h>

namespace {

struct Expected
{
    const char* name;
    const char* group;
    int args;
    const char* params;
    const char* comment;
};

// The catalogue as its user sees it, in UTF-8; the entries hold code page 932.
const Expected kExpected[] = {
    {"ABS", "数学", 1, "値", "絶対値を求める"},
    {"EXP", "数学", 1, "値", "指数を求める"},
    {"INT", "数学", 1, "値", "整数を返す"},
    {"LOG", "数学", 1, "値", "10の対数を求める"},
    {"LN", "数学", 1, "値", "自然対数を求める"},
    {"MAX", "数学", 2, "値,値", "大きい方の値を返す"},
    {"MIN", "数学", 2, "値,値", "小さい方の値を返す"},
    {"ROUND", "数学", 2, "値,桁数",
     "四捨五入する。桁数は正の場合、小数点以下、負の場合、整数部分。"},
    {"ROUNDDOWN", "数学", 2, "値,桁数",
     "切り捨てする。桁数は正の場合、小数点以下、負の場合、整数部分。"},
    {"ROUNDUP", "数学", 2, "値,桁数",
     "切り上げする。桁数は正の場合、小数点以下、負の場合、整数部分。"},
    {"SQR", "数学", 1, "値", "平方根を求める"},
    {"SIN", "三角関数", 1, "値", "サインを求める"},
    {"COS", "三角関数", 1, "値", "コサインを求める"},
    {"TAN", "三角関数", 1, "値", "タンジェントを求める"},
    {"ASIN", "三角関数", 1, "値", "アークサインを求める"},
    {"ACOS", "三角関数", 1, "値", "アークコサインを求める"},
    {"ATAN", "三角関数", 1, "値", "アークタンジェントを求める"},
    {"SINH", "三角関数", 1, "値", "ハイパーボリック サインを求める"},
    {"COSH", "三角関数", 1, "値", "ハイパーボリック コサインを求める"},
    {"TANH", "三角関数", 1, "値", "ハイパーボリック タンジェントを求める"},
    {"DATESERIAL", "日付", 3, "年,月,日", "指定日付のシリアル値を求める"},
    {"NOW", "日付", 0, "", "現在日付のシリアル値を求める"},
    {"NOWDAY", "日付", 0, "", "現在の日を返す"},
    {"NOWMONTH", "日付", 0, "", "現在の月を返す"},
    {"NOWYEAR", "日付", 0, "", "現在の年を返す"},
    {"YEAR", "日付", 1, "", "シリアル値から年を返す"},
    {"MONTH", "日付", 1, "", "シリアル値から月を返す"},
    {"DAY", "日付", 1, "", "シリアル値から日を返す"},
    {"IF", "参照", 3, "条件,項目1,項目2",
     "条件が正しいときには項目１を、そうでないときには項目２を返す"},
};

// 29 entries in order, texts exactly as shown once decoded.
TEST(Catalogue, EntriesInOrder)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    ASSERT_EQ(catalogue.GetSize(), static_cast<int>(std::size(kExpected)));
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const CCalcFunction& f = catalogue.GetAt(i);
        const Expected& e = kExpected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(f.m_strName, e.name);
        EXPECT_EQ(Cp932ToUtf8(f.m_strGroup), e.group);
        EXPECT_EQ(f.m_nArgs, e.args);
        EXPECT_EQ(Cp932ToUtf8(f.m_strParams), e.params);
        EXPECT_EQ(Cp932ToUtf8(f.m_strComment), e.comment);
    }
}

// Separators and digits are single-byte where the texts say so, double-byte where they do not.
TEST(Catalogue, ByteWidths)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    const CCalcFunction& ifEntry = catalogue.GetAt(static_cast<int>(CalcFunctionId::If));
    EXPECT_NE(ifEntry.m_strParams.find("1,"), std::string::npos);
    EXPECT_NE(ifEntry.m_strComment.find("\x82\x50"), std::string::npos); // "１"
    EXPECT_EQ(catalogue.GetAt(static_cast<int>(CalcFunctionId::Log)).m_strComment.substr(0, 2),
              "10");
    EXPECT_NE(catalogue.GetAt(static_cast<int>(CalcFunctionId::Sinh)).m_strComment.find(' '),
              std::string::npos);
}

// Lookup ignores case; PI is the evaluator's, not an entry.
TEST(Catalogue, ArgumentCounts)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    const std::pair<const char*, int> rows[] = {
        {"round", 2},      {"Round", 2}, {"ROUND", 2}, {"ifs", -1}, {"", -1},       {"NOW", 0},
        {"DATESERIAL", 3}, {"IF", 3},    {"PI", -1},   {"sqr", 1},  {"ROUNDX", -1}, {"ROUN", -1},
    };
    for (const auto& [name, count] : rows)
        EXPECT_EQ(catalogue.GetArgCount(name), count) << name;
}

// One catalogue for the whole program, never filled twice.
TEST(Catalogue, BuiltOnce)
{
    const CCalcFunctionArray* first = &GetCalcFunctions();
    EXPECT_EQ(first, &GetCalcFunctions());
    EXPECT_EQ(GetCalcFunctions().GetSize(), 29);
}

} // namespace
