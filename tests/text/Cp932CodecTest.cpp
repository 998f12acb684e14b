#include "Cp932Codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values)
        out.push_back(static_cast<char>(static_cast<unsigned char>(v)));
    return out;
}

std::string Code(int code)
{
    return code > 0xFF ? Bytes({code >> 8, code & 0xFF}) : Bytes({code});
}

bool IsNecSelected(int code)
{
    return code >= 0xED40 && code <= 0xEEFC;
}

// What a byte decodes to when nothing follows it, written out from the code page's layout.
char16_t SingleByteCodePoint(int b)
{
    if (b < 0x80 || b == 0x80)
        return static_cast<char16_t>(b);
    if (b == 0xA0)
        return u'\xF8F0';
    if (b >= 0xA1 && b <= 0xDF)
        return static_cast<char16_t>(0xFF61 + (b - 0xA1));
    if (b >= 0xFD)
        return static_cast<char16_t>(0xF8F1 + (b - 0xFD));
    return static_cast<char16_t>(0xF700 + b); // a lead byte on its own
}

void ExpectRoundTrip(const std::string& bytes)
{
    EXPECT_EQ(Utf16ToCp932(Cp932ToUtf16(bytes)), bytes);
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(bytes)), bytes);
}

} // namespace

// Every mapped two-byte code decodes to one character, which encodes as that code or, for the 398
// codes of characters with two codes, as the one Windows takes: never 0xED40-0xEEFC, else lowest.
TEST(Cp932Codec, EveryCodeComesBackAsWindowsCode)
{
    int mapped = 0;
    int moved = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC && (lead <= 0x9F || lead >= 0xE0); ++trail) {
            const int code = lead << 8 | trail;
            const std::u16string text = Cp932ToUtf16(Code(code));
            if (text.size() != 1)
                continue; // unmapped: a stray lead byte and then the trail byte
            ++mapped;
            const std::string back = Utf16ToCp932(text);
            EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(Code(code))), back);
            if (back == Code(code))
                continue;
            ++moved;
            ASSERT_EQ(back.size(), 2u) << std::hex << code;
            const int chosen =
                static_cast<unsigned char>(back[0]) << 8 | static_cast<unsigned char>(back[1]);
            EXPECT_EQ(Cp932ToUtf16(back), text) << std::hex << code;
            EXPECT_FALSE(IsNecSelected(chosen)) << std::hex << code;
            EXPECT_TRUE(IsNecSelected(code) || chosen < code) << std::hex << code;
        }
    }
    EXPECT_EQ(mapped, 9604);
    EXPECT_EQ(moved, 398);
}

// Each byte decodes on its own as the layout says and comes back, also before a non-trail byte.
TEST(Cp932Codec, EverySingleByteRoundTrips)
{
    for (int b = 0; b <= 0xFF; ++b) {
        EXPECT_EQ(Cp932ToUtf16(Bytes({b})), std::u16string(1, SingleByteCodePoint(b))) << b;
        ExpectRoundTrip(Bytes({b}));
        for (const int next : {0x00, 0x1A, 0x3F, 0x7F, 0xFD, 0xFF}) {
            const std::u16string expected{SingleByteCodePoint(b), SingleByteCodePoint(next)};
            EXPECT_EQ(Cp932ToUtf16(Bytes({b, next})), expected) << b << ' ' << next;
            ExpectRoundTrip(Bytes({b, next}));
        }
    }
}

// Random bytes come back exactly, through either path, when no byte could begin a code that
// encodes as another (those lead bytes are 0x87, 0xED, 0xEE and 0xFA); otherwise at their length.
TEST(Cp932Codec, RandomBytesRoundTrip)
{
    std::mt19937 random(932);
    for (int i = 0; i < 4000; ++i) {
        const bool avoidTwoCodeLeads = i % 2 == 0;
        std::string bytes(random() % 64, '\0');
        for (char& c : bytes) {
            auto b = static_cast<unsigned char>(random() & 0xFF);
            while (avoidTwoCodeLeads && (b == 0x87 || b == 0xED || b == 0xEE || b == 0xFA))
                b = static_cast<unsigned char>(random() & 0xFF);
            c = static_cast<char>(b);
        }
        const std::string viaUtf16 = Utf16ToCp932(Cp932ToUtf16(bytes));
        EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(bytes)), viaUtf16);
        EXPECT_EQ(viaUtf16.size(), bytes.size());
        if (avoidTwoCodeLeads) {
            EXPECT_EQ(viaUtf16, bytes);
        }
    }
}

// Known codes both ways; a second code of a two-code character decodes, and encodes as the first.
TEST(Cp932Codec, KnownMappings)
{
    struct Mapping
    {
        int code;
        char16_t c;
        int encodesAs;
    };
    const std::vector<Mapping> mappings = {
        {0x00, u'\0', 0x00},         {0x1A, u'\x1A', 0x1A},       {0x1C, u'\x1C', 0x1C},
        {0x5C, u'\\', 0x5C},         {0x7E, u'~', 0x7E},          {0x7F, u'\x7F', 0x7F},
        {0x80, u'\x80', 0x80},       {0xA0, u'\xF8F0', 0xA0},     {0xA1, u'\xFF61', 0xA1},
        {0xB1, u'\xFF71', 0xB1},     {0xDF, u'\xFF9F', 0xDF},     {0xFF, u'\xF8F3', 0xFF},
        {0x815C, u'\x2015', 0x815C}, {0x815F, u'\xFF3C', 0x815F}, {0x8160, u'\xFF5E', 0x8160},
        {0x8161, u'\x2225', 0x8161}, {0x817C, u'\xFF0D', 0x817C}, {0x8191, u'\xFFE0', 0x8191},
        {0x81CA, u'\xFFE2', 0x81CA}, {0x82A0, u'あ', 0x82A0},     {0x889F, u'亜', 0x889F},
        {0x8740, u'①', 0x8740},      {0x8754, u'Ⅰ', 0x8754},      {0xFA40, u'ⅰ', 0xFA40},
        {0xF040, u'\xE000', 0xF040}, {0xF9FC, u'\xE757', 0xF9FC}, {0xED40, u'纊', 0xFA5C},
        {0xEEEF, u'ⅰ', 0xFA40},      {0xEEF9, u'\xFFE2', 0x81CA}, {0xFA54, u'\xFFE2', 0x81CA},
        {0xFA4A, u'Ⅰ', 0x8754},      {0x8790, u'≒', 0x81E0},      {0x879A, u'∵', 0x81E6},
        {0xFA5B, u'∵', 0x81E6},
    };
    for (const Mapping& m : mappings) {
        EXPECT_EQ(Cp932ToUtf16(Code(m.code)), std::u16string(1, m.c)) << std::hex << m.code;
        EXPECT_EQ(Utf16ToCp932(std::u16string(1, m.c)), Code(m.encodesAs)) << std::hex << m.code;
    }
    EXPECT_EQ(Cp932ToUtf8(Bytes({0x82, 0xA0, 0x80, 0x82})), "\xE3\x81\x82\xC2\x80\xEF\x9E\x82");
}

// The forms Linux input methods type encode as the Windows forms.
TEST(Cp932Codec, InputMethodForms)
{
    EXPECT_EQ(Utf16ToCp932(u"\u2212\u301C\u2016\u2014\u00A2\u00A3\u00AC"),
              Bytes({0x81, 0x7C, 0x81, 0x60, 0x81, 0x61, 0x81, 0x5C, 0x81, 0x91, 0x81, 0x92, 0x81,
                     0xCA}));
    EXPECT_EQ(Utf8ToCp932("５\u2212２"), Bytes({0x82, 0x54, 0x81, 0x7C, 0x82, 0x51}));
}

// A character the code page lacks is one '?': a surrogate pair, a lone surrogate, a stray-byte
// code point that no byte decodes to.
TEST(Cp932Codec, MissingCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(Utf16ToCp932(u"caf\u00E9 \u00A5 \U0001F600!"), "caf? ? ?!");
    EXPECT_EQ(Utf8ToCp932("caf\u00E9 \U0001F600!"), "caf? ?!");
    EXPECT_EQ(Utf16ToCp932(std::u16string{0xD83D}), "?");
    EXPECT_EQ(Utf16ToCp932(std::u16string{0xD83D, u'A', 0xDE00, 0xDE00, 0xD83D}), "?A???");
    EXPECT_EQ(Utf16ToCp932(u"\uE757\uE758\uF781\uF7FC\uF700\uF741\uF780\uF7A0\uF7FD"),
              Bytes({0xF9, 0xFC, '?', 0x81, 0xFC, '?', '?', '?', '?', '?'}));
}

// A lead byte that begins no code decodes to U+F700 + byte and the next byte starts afresh.
TEST(Cp932Codec, StrayLeadBytes)
{
    EXPECT_EQ(Cp932ToUtf16(Bytes({'1', 0x82})), u"1\uF782");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x82, '0'})), u"\uF782"
                                                u"0");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x82, 0x00, 'x'})), std::u16string({0xF782, 0, u'x'}));
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x85, 0x40})), u"\uF785@");
    EXPECT_EQ(Cp932ToUtf16(Bytes({0x81, 0x81, 0x81})), u"＝\uF781");
    ExpectRoundTrip(Bytes({0x82, '0', 0x85, 0x40, 0x81, 0x81, 0x81}));
}

// Each byte of UTF-8 that belongs to no well-formed sequence is one '?'.
TEST(Cp932Codec, InvalidUtf8)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\xC0\xAF", "??"},
        {"\xE0\x80\xAF", "???"},
        {"\xED\xA0\x80", "???"},
        {"\xF4\x90\x80\x80", "????"},
        {"\xF8\x88\x80\x80\x80", "?????"},
        {"\xE3\x81"
         "A",
         "??A"},
        {"\x80\xBF", "??"},
        {"\xC2", "?"},
        {"\xFF\xFE", "??"},
        {"\xEF\xBC\x91\xE3", "\x82\x50?"},
        {"\xF0\x9F\x98\x80\xF0\x9F\x98", "????"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(Utf8ToCp932(input), expected) << input;
}
