// Any bytes through the code page 932 codec, read three ways: as code page 932 text, as UTF-8 and
// as UTF-16 (little-endian pairs of bytes).
//
// Properties checked:
// - decoding gives well-formed Unicode, the same through UTF-16 and UTF-8;
// - encoding the decoded text gives as many bytes as were read (only characters with two codes
//   may change, to the code Windows writes, as long as the other); when the text holds no lone
//   lead byte, those bytes read as the same characters and a second round trip leaves them as
//   they are;
// - both encoders agree: UTF-8 input encodes as its UTF-16 form does, with each byte outside a
//   well-formed UTF-8 sequence a "?", and UTF-16 input as its UTF-8 form does, with each lone
//   surrogate a "?".

#include "Cp932ByteClass.h"
#include "Cp932Codec.h"
#include "FuzzCheck.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

using cp932::IsHighSurrogate;
using cp932::IsLowSurrogate;

void AppendUtf8(char32_t c, std::string& out)
{
    auto put = [&out](std::uint32_t byte) { out.push_back(static_cast<char>(byte)); };
    const auto u = static_cast<std::uint32_t>(c);
    if (u < 0x80) {
        put(u);
    } else if (u < 0x800) {
        put(0xC0 | (u >> 6));
        put(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        put(0xE0 | (u >> 12));
        put(0x80 | ((u >> 6) & 0x3F));
        put(0x80 | (u & 0x3F));
    } else {
        put(0xF0 | (u >> 18));
        put(0x80 | ((u >> 12) & 0x3F));
        put(0x80 | ((u >> 6) & 0x3F));
        put(0x80 | (u & 0x3F));
    }
}

void AppendUtf16(char32_t c, std::u16string& out)
{
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        const char32_t v = c - 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    }
}

// UTF-16 to UTF-8; false when the text holds a lone surrogate, which `questionMark` then turns
// into "?" instead.
bool Utf16ToUtf8(std::u16string_view text, std::string& out, bool questionMark)
{
    out.clear();
    bool wellFormed = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char32_t v = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                               (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            AppendUtf8(v, out);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            wellFormed = false;
            if (questionMark)
                out.push_back('?');
        } else {
            AppendUtf8(c, out);
        }
    }
    return wellFormed;
}

// The length of the well-formed UTF-8 sequence at the start of `s` (the table of well-formed byte
// sequences of the Unicode standard), or 0 when none starts there; the code point goes to `c`.
std::size_t Utf8SequenceAt(std::string_view s, char32_t& c)
{
    auto byte = [&s](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    auto cont = [&](std::size_t i, std::uint8_t low = 0x80, std::uint8_t high = 0xBF) {
        return i < s.size() && byte(i) >= low && byte(i) <= high;
    };
    const std::uint8_t b0 = byte(0);
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    std::size_t length = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        length = cont(1) ? 2 : 0;
    else if (b0 == 0xE0)
        length = cont(1, 0xA0) && cont(2) ? 3 : 0;
    else if (b0 == 0xED)
        length = cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0;
    else if (b0 >= 0xE1 && b0 <= 0xEF)
        length = cont(1) && cont(2) ? 3 : 0;
    else if (b0 == 0xF0)
        length = cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
    else if (b0 >= 0xF1 && b0 <= 0xF3)
        length = cont(1) && cont(2) && cont(3) ? 4 : 0;
    else if (b0 == 0xF4)
        length = cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
    if (length == 0)
        return 0;
    const std::uint8_t leadMask = length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07;
    char32_t v = b0 & leadMask;
    for (std::size_t i = 1; i < length; ++i)
        v = (v << 6) | (byte(i) & 0x3Fu);
    c = v;
    return length;
}

// UTF-8 to UTF-16 with each byte outside a well-formed sequence as "?". A byte that no well-formed
// sequence starts at cannot belong to one that starts earlier either, since the scan would have
// taken that sequence whole.
std::u16string Utf8ToUtf16WithQuestionMarks(std::string_view s)
{
    std::u16string out;
    while (!s.empty()) {
        char32_t c = 0;
        const std::size_t length = Utf8SequenceAt(s, c);
        if (length == 0) {
            out.push_back(u'?');
            s.remove_prefix(1);
        } else {
            AppendUtf16(c, out);
            s.remove_prefix(length);
        }
    }
    return out;
}

bool IsWellFormedUtf8(std::string_view s)
{
    while (!s.empty()) {
        char32_t c = 0;
        const std::size_t length = Utf8SequenceAt(s, c);
        if (length == 0)
            return false;
        s.remove_prefix(length);
    }
    return true;
}

void CheckAsCp932(std::string_view bytes)
{
    const std::u16string decoded = Cp932ToUtf16(bytes);
    const std::string decoded8 = Cp932ToUtf8(bytes);
    std::string expected8;
    FUZZ_REQUIRE(Utf16ToUtf8(decoded, expected8, false));
    FUZZ_REQUIRE(decoded8 == expected8);
    FUZZ_REQUIRE(IsWellFormedUtf8(decoded8));

    // The first trip gives the bytes back but for characters with two codes, which take the code
    // Windows writes; both codes are two bytes long.
    const std::string once = Utf16ToCp932(decoded);
    FUZZ_REQUIRE(once.size() == bytes.size());
    FUZZ_REQUIRE(Utf8ToCp932(decoded8) == once);

    // A lone lead byte (decoded as U+F700 + byte) may join the new first byte of a character that
    // took its other code: 0xEE then 0xEE6E (U+7D5C) comes back as 0xEE then 0xFB8B, which reads
    // as 0xEEFB (U+FF07) and 0x8B.., and the next trip changes that character again. Without
    // lone lead bytes every character keeps its place, so the text reads the same and a second
    // trip gives the same bytes.
    for (const char16_t c : decoded)
        if (c >= 0xF700 && c <= 0xF7FF)
            return;
    FUZZ_REQUIRE(Cp932ToUtf16(once) == decoded);
    FUZZ_REQUIRE(Utf16ToCp932(Cp932ToUtf16(once)) == once);
    FUZZ_REQUIRE(Utf8ToCp932(Cp932ToUtf8(once)) == once);
}

void CheckAsUtf8(std::string_view bytes)
{
    const std::string encoded = Utf8ToCp932(bytes);
    FUZZ_REQUIRE(encoded == Utf16ToCp932(Utf8ToUtf16WithQuestionMarks(bytes)));
    // The encoded bytes are code page 932 text like any other.
    (void)Cp932ToUtf8(encoded);
}

void CheckAsUtf16(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                             (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
    const std::string encoded = Utf16ToCp932(text);
    std::string utf8;
    Utf16ToUtf8(text, utf8, true);
    FUZZ_REQUIRE(encoded == Utf8ToCp932(utf8));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckAsCp932(bytes);
    CheckAsUtf8(bytes);
    CheckAsUtf16(bytes);
    return 0;
}
