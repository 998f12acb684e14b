#include "Calculator.h"

#include "Cp932Codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The tests are written in UTF-8 and converted to and from code page 932 around the engine.
std::string Normalize(const std::string& utf8)
{
    return Cp932ToUtf8(CCalculator().NormalizeFormula(Utf8ToCp932(utf8)));
}
std::string HalfWidth(const std::string& utf8)
{
    return Cp932ToUtf8(CCalculator().ToHalfWidth(Utf8ToCp932(utf8)));
}

// Full-width digits, letters and operators become ASCII; trailing blanks, then '=', are cut.
TEST(NormalizeFormula, FormulasTypedFullWidth)
{
    const std::pair<const char*, const char*> rows[] = {
        {"３＋５＝", "3+5"},
        {"１２×３", "12*3"},
        {"１２÷３", "12/3"},
        {"５‐２", "5-2"},
        {"５－２", "5-2"},
        {"５ー２", "5ｰ2"}, // the long-vowel mark is no minus
        {"ＲＯＵＮＤ（２．３４５，２）", "ROUND(2.345,2)"},
        {"ｓｑｒ９", "sqr9"},
        {"　３　＋　５　", " 3 + 5"},
        {"1+2==", "1+2"},
        {"=1+2", "=1+2"},
        {"1+2=3", "1+2=3"},
        {"1+2= ", "1+2"},
        {"1+2 =", "1+2 "},
        {"", ""},
        {"   ", ""},
        {"＝＝　", ""},
        {"＜＞％＾＿｛｝［］＃＄＆＠！？；：", "<>%^_{}[]#$&@!?;:"},
        {"￥", "\\"},
        {"｜￣’‘”", "|~'`\""},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(Normalize(in), out) << in;
}

// Kana become half-width katakana; voiced kana become a base kana and a voiced mark.
TEST(ToHalfWidth, Kana)
{
    const std::pair<const char*, const char*> rows[] = {
        {"ガ", "ｶﾞ"},
        {"が", "ｶﾞ"},
        {"パ", "ﾊﾟ"},
        {"ぱ", "ﾊﾟ"},
        {"ヴ", "ｳﾞ"},
        {"ア", "ｱ"},
        {"あ", "ｱ"},
        {"ン", "ﾝ"},
        {"ん", "ﾝ"},
        {"ヲ", "ｦ"},
        {"を", "ｦ"},
        {"ヶ", "ｹ"},
        {"ヵ", "ｶ"},
        {"ヮゎ", "ﾜﾜ"},
        {"ヰゐヱゑ", "ｲｲｴｴ"},
        {"ァィゥェォッャュョ", "ｧｨｩｪｫｯｬｭｮ"},
        {"ぁぃぅぇぉっゃゅょ", "ｧｨｩｪｫｯｬｭｮ"},
        {"。「」、・ー゛゜", "｡｢｣､･ｰﾞﾟ"},
        {"ｶﾞ", "ｶﾞ"},
        {"計算", "計算"},
        {"カタカナ", "ｶﾀｶﾅ"},
        {"ひらがな", "ﾋﾗｶﾞﾅ"},
        {"①→★", "①→★"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(HalfWidth(in), out) << in;
}

// All 95 printable ASCII characters come back from their full-width forms. Six of them are
// written with other characters than U+FF01 to U+FF5E: the ideographic space, ” ’ ‘ ￥ and ￣.
TEST(ToHalfWidth, AllPrintableAscii)
{
    std::u16string full;
    std::string half;
    for (char16_t c = 0x20; c <= 0x7E; ++c) {
        half.push_back(static_cast<char>(c));
        switch (c) {
        case ' ': full += u'\u3000'; break;
        case '"': full += u'\u201D'; break;
        case '\'': full += u'\u2019'; break;
        case '`': full += u'\u2018'; break;
        case '\\': full += u'\uFFE5'; break;
        case '~': full += u'\uFFE3'; break;
        default: full += static_cast<char16_t>(c + 0xFEE0); break;
        }
    }
    EXPECT_EQ(CCalculator().ToHalfWidth(Utf16ToCp932(full)), half);
}

// A lead byte at the end is dropped; trail bytes in the ASCII range stay with their lead byte.
TEST(ToHalfWidth, ByteLevelEdges)
{
    EXPECT_EQ(CCalculator().ToHalfWidth("12\x82"), "12");
    EXPECT_EQ(CCalculator().ToHalfWidth("\x82"), "");
    EXPECT_EQ(CCalculator().ToHalfWidth("\x95\x5C"
                                        "5"),
              "\x95\x5C"
              "5");                                               // 表 ends in 0x5C
    EXPECT_EQ(CCalculator().ToHalfWidth("\x83\x7C"), "\xCE\xDF"); // ポ: trail 0x7C
    EXPECT_EQ(CCalculator().ToHalfWidth("\x83\x7F"), "\x83\x7F"); // no character
    EXPECT_EQ(CCalculator().ToHalfWidth("\x81 +"), "\x81 +");     // a lead takes any byte
    EXPECT_EQ(CCalculator().NormalizeFormula("\x81\x40"), "");    // ideographic space
    EXPECT_EQ(CCalculator().ToHalfWidth("\xA0\xFD\xFF\x80"), "\xA0\xFD\xFF\x80");
    EXPECT_EQ(CCalculator().NormalizeFormula(std::string_view("1\0"
                                                              "2",
                                                              3)),
              "1");
}

// The result is never longer than the text.
TEST(ToHalfWidth, NeverLonger)
{
    std::string all;
    for (int lead = 0x81; lead <= 0x84; ++lead)
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            all += {static_cast<char>(lead), static_cast<char>(trail)};
    EXPECT_LE(CCalculator().ToHalfWidth(all).size(), all.size());
}

} // namespace
