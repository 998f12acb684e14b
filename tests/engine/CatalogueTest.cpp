#include "CalcFunction.h"

#include "Cp932Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <utility>

namespace {

// The four group captions; every entry stands in one of them.
const char* const kGroups[] = {"数学", "三角関数", "日付", "参照"};

// Every text is code page 932 that decodes to real characters (no stray bytes, no "?") and
// encodes back to the same bytes.
TEST(Catalogue, TextsAreWholeCodePage932)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const CCalcFunction& f = catalogue.GetAt(i);
        SCOPED_TRACE(f.m_strName);
        for (const std::string* text : {&f.m_strGroup, &f.m_strParams, &f.m_strComment}) {
            const std::string utf8 = Cp932ToUtf8(*text);
            EXPECT_EQ(Utf8ToCp932(utf8), *text);
            EXPECT_EQ(utf8.find('?'), std::string::npos);
            for (const char16_t u : Cp932ToUtf16(*text))
                EXPECT_FALSE(u >= 0xF700 && u <= 0xF7FF) << "a stray byte";
        }
    }
}

// Names are capitals, unique and found where they stand, as the case-blind lookup needs; each
// entry has a known group, a description, 0 to 3 arguments and, when it names its parameters,
// one name per argument.
TEST(Catalogue, EntriesAreWellFormed)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    ASSERT_EQ(catalogue.GetSize(), static_cast<int>(ECalcFunctionId::Count));
    std::set<std::string> names;
    for (int i = 0; i < catalogue.GetSize(); ++i) {
        const CCalcFunction& f = catalogue.GetAt(i);
        SCOPED_TRACE(f.m_strName);
        ASSERT_FALSE(f.m_strName.empty());
        for (const char c : f.m_strName)
            EXPECT_TRUE(c >= 'A' && c <= 'Z');
        EXPECT_TRUE(names.insert(f.m_strName).second);
        EXPECT_EQ(catalogue.FindIndex(f.m_strName), i);
        EXPECT_NE(std::find(std::begin(kGroups), std::end(kGroups), Cp932ToUtf8(f.m_strGroup)),
                  std::end(kGroups));
        EXPECT_FALSE(f.m_strComment.empty());
        EXPECT_GE(f.m_nArgs, 0);
        EXPECT_LE(f.m_nArgs, 3);
        if (!f.m_strParams.empty()) {
            EXPECT_EQ(std::count(f.m_strParams.begin(), f.m_strParams.end(), ',') + 1, f.m_nArgs);
        }
    }
}

// The entries stand in the order the dispatcher's ids name them (ORDER CALCFUNC).
TEST(Catalogue, OrderOfTheIds)
{
    const std::pair<ECalcFunctionId, const char*> rows[] = {
        {ECalcFunctionId::Abs, "ABS"},
        {ECalcFunctionId::Round, "ROUND"},
        {ECalcFunctionId::Sqr, "SQR"},
        {ECalcFunctionId::Tanh, "TANH"},
        {ECalcFunctionId::DateSerial, "DATESERIAL"},
        {ECalcFunctionId::Day, "DAY"},
        {ECalcFunctionId::If, "IF"},
    };
    for (const auto& [id, name] : rows)
        EXPECT_EQ(GetCalcFunctions().GetAt(static_cast<int>(id)).m_strName, name);
}

// Separators and digits are single-byte where the texts say so, double-byte where they do not.
TEST(Catalogue, ByteWidths)
{
    const CCalcFunctionArray& catalogue = GetCalcFunctions();
    const CCalcFunction& ifEntry = catalogue.GetAt(static_cast<int>(ECalcFunctionId::If));
    EXPECT_NE(ifEntry.m_strParams.find("1,"), std::string::npos);
    EXPECT_NE(ifEntry.m_strComment.find("\x82\x50"), std::string::npos); // "１"
    EXPECT_EQ(catalogue.GetAt(static_cast<int>(ECalcFunctionId::Log)).m_strComment.substr(0, 2),
              "10");
    EXPECT_NE(catalogue.GetAt(static_cast<int>(ECalcFunctionId::Sinh)).m_strComment.find(' '),
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

} // namespace
