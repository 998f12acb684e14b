#include "Cp932Codec.h"

#include "Cp932ByteClass.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace {

using cp932::IsHighSurrogate;
using cp932::IsLeadByte;
using cp932::IsLowSurrogate;

#include "Cp932Table.inc"

constexpr unsigned char kTrailFirst = 0x40;
constexpr unsigned char kTrailLast = 0xFC;

// A lead byte that begins no mapped code decodes to this plus the byte. U+F700-U+F7FF is private
// use that the code page's own user-defined area (U+E000-U+E757) does not reach.
constexpr std::uint32_t kStrayByteBase = 0xF700;

// The row of kDoubleByteCodePoints for lead byte b.
constexpr unsigned LeadRow(unsigned char b)
{
    return b <= 0x9F ? unsigned{b} - 0x81u : unsigned{b} - 0xE0u + (0x9Fu - 0x81u + 1u);
}

// The tables index safely: exactly the lead bytes lack a single-byte code point (so only they
// reach LeadRow), and every encoder block number names a block.
constexpr bool TablesAreConsistent()
{
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if ((kHighByteCodePoints[b - 0x80] == 0) != IsLeadByte(byte))
            return false;
        if (IsLeadByte(byte) && LeadRow(byte) >= std::size(kDoubleByteCodePoints))
            return false;
    }
    for (const std::uint8_t block : kEncodeBlockOf) {
        if (block >= std::size(kEncodeBlocks))
            return false;
    }
    return true;
}
static_assert(TablesAreConsistent());

const unsigned char* BytesOf(std::string_view text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

unsigned char* BytesOf(std::string& text)
{
    return reinterpret_cast<unsigned char*>(text.data());
}

// Sizes `out` for `count` input units that each give at most `factor` output units.
template <typename String> void SizeForWorstCase(String& out, std::size_t count, std::size_t factor)
{
    if (count > out.max_size() / factor)
        throw std::length_error("text too long to convert");
    out.resize(count * factor);
}

// The first byte at or after p that is not ASCII, or end. Looks at eight bytes at a time.
const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end)
{
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if ((word & kHighBits) != 0)
            break;
        p += 8;
    }
    while (p != end && *p < 0x80)
        ++p;
    return p;
}

// Copies the ASCII run that starts at `p` to `o`, the same in code page 932 as in UTF-8; both
// move past it.
void CopyAsciiRun(const unsigned char*& p, const unsigned char* end, unsigned char*& o)
{
    const unsigned char* run = SkipAscii(p, end);
    const auto count = static_cast<std::size_t>(run - p);
    std::memcpy(o, p, count);
    o += count;
    p = run;
}

struct Decoded
{
    std::uint16_t codePoint;
    std::size_t length; // bytes taken: 1 or 2
};

// Decodes the character at p, where p < end and *p is not ASCII.
Decoded DecodeNonAscii(const unsigned char* p, const unsigned char* end)
{
    const unsigned char first = p[0];
    const std::uint16_t single = kHighByteCodePoints[first - 0x80];
    if (single != 0)
        return {single, 1};
    if (end - p >= 2) {
        const unsigned char trail = p[1];
        if (trail >= kTrailFirst && trail <= kTrailLast) {
            const std::uint16_t c = kDoubleByteCodePoints[LeadRow(first)][trail - kTrailFirst];
            if (c != 0)
                return {c, 2};
        }
    }
    // A stray lead byte: keep it, and read the next byte as the start of a character.
    return {static_cast<std::uint16_t>(kStrayByteBase + first), 1};
}

// Writes the code of BMP character c at out (room for two bytes) and returns the end of it.
unsigned char* PutCode(unsigned char* out, char16_t c)
{
    if (c < 0x80) {
        *out = static_cast<unsigned char>(c);
        return out + 1;
    }
    const std::uint16_t code = kEncodeBlocks[kEncodeBlockOf[c >> 8]][c & 0xFF];
    if (code > 0xFF) {
        out[0] = static_cast<unsigned char>(code >> 8);
        out[1] = static_cast<unsigned char>(code & 0xFF);
        return out + 2;
    }
    if (code != 0) {
        *out = static_cast<unsigned char>(code);
        return out + 1;
    }
    // Only lead bytes decode to U+F700 + byte, so only they come back from there.
    if (c >= kStrayByteBase && c <= kStrayByteBase + 0xFF) {
        const auto byte = static_cast<unsigned char>(c - kStrayByteBase);
        if (IsLeadByte(byte)) {
            *out = byte;
            return out + 1;
        }
    }
    *out = '?';
    return out + 1;
}

// Writes BMP code point c as UTF-8 at out (room for three bytes) and returns the end of it.
unsigned char* PutUtf8(unsigned char* out, std::uint16_t c)
{
    if (c < 0x80) {
        *out = static_cast<unsigned char>(c);
        return out + 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return out + 2;
    }
    out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return out + 3;
}

constexpr bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// The length (2 to 4) of the well-formed UTF-8 sequence at p, where p < end and *p is not ASCII;
// 0 when none starts there. The second byte's range rules out overlong forms, surrogates and
// values above U+10FFFF.
std::size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned char first = p[0];
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    std::ptrdiff_t length = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        if (first == 0xE0)
            low = 0xA0;
        if (first == 0xED)
            high = 0x9F;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        if (first == 0xF0)
            low = 0x90;
        if (first == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high)
        return 0;
    for (std::ptrdiff_t i = 2; i < length; ++i) {
        if (!IsContinuation(p[i]))
            return 0;
    }
    return static_cast<std::size_t>(length);
}

} // namespace

std::u16string Cp932ToUtf16(std::string_view bytes)
{
    std::u16string out;
    SizeForWorstCase(out, bytes.size(), 1);
    const unsigned char* p = BytesOf(bytes);
    const unsigned char* const end = p + bytes.size();
    char16_t* o = out.data();
    while (p != end) {
        if (*p < 0x80) {
            for (const unsigned char* run = SkipAscii(p, end); p != run; ++p)
                *o++ = *p;
            continue;
        }
        const Decoded d = DecodeNonAscii(p, end);
        *o++ = static_cast<char16_t>(d.codePoint);
        p += d.length;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::string Cp932ToUtf8(std::string_view bytes)
{
    std::string out;
    SizeForWorstCase(out, bytes.size(), 3);
    const unsigned char* p = BytesOf(bytes);
    const unsigned char* const end = p + bytes.size();
    unsigned char* const begin = BytesOf(out);
    unsigned char* o = begin;
    while (p != end) {
        if (*p < 0x80) {
            CopyAsciiRun(p, end, o);
            continue;
        }
        const Decoded d = DecodeNonAscii(p, end);
        o = PutUtf8(o, d.codePoint);
        p += d.length;
    }
    out.resize(static_cast<std::size_t>(o - begin));
    return out;
}

std::string Utf16ToCp932(std::u16string_view text)
{
    std::string out;
    SizeForWorstCase(out, text.size(), 2);
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    unsigned char* const begin = BytesOf(out);
    unsigned char* o = begin;
    while (p != end) {
        const char16_t u = *p;
        if (u < 0x80) {
            *o++ = static_cast<unsigned char>(u);
            ++p;
        } else if (IsHighSurrogate(u)) {
            // A pair is one character outside the BMP; a lone high surrogate is one as well.
            p += (end - p >= 2 && IsLowSurrogate(p[1])) ? 2 : 1;
            *o++ = '?';
        } else {
            // A lone low surrogate has no code and becomes '?' here.
            o = PutCode(o, u);
            ++p;
        }
    }
    out.resize(static_cast<std::size_t>(o - begin));
    return out;
}

std::string Utf8ToCp932(std::string_view utf8)
{
    // Every output byte stands for at least one input byte: a two- or three-byte sequence gives
    // at most two bytes, a four-byte one a single '?'.
    std::string out;
    SizeForWorstCase(out, utf8.size(), 1);
    const unsigned char* p = BytesOf(utf8);
    const unsigned char* const end = p + utf8.size();
    unsigned char* const begin = BytesOf(out);
    unsigned char* o = begin;
    while (p != end) {
        if (*p < 0x80) {
            CopyAsciiRun(p, end, o);
            continue;
        }
        const std::size_t length = Utf8SequenceLength(p, end);
        if (length == 2) {
            o = PutCode(o, static_cast<char16_t>((p[0] & 0x1F) << 6 | (p[1] & 0x3F)));
        } else if (length == 3) {
            o = PutCode(
                o, static_cast<char16_t>((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)));
        } else {
            // Outside the BMP (length 4), or a byte of no well-formed sequence (length 0).
            *o++ = '?';
        }
        p += length == 0 ? 1 : length;
    }
    out.resize(static_cast<std::size_t>(o - begin));
    return out;
}

std::string Cp932SteadyBytes(std::string bytes)
{
    for (std::size_t round = 0; round <= bytes.size(); ++round) {
        std::string again = Utf16ToCp932(Cp932ToUtf16(bytes));
        if (again == bytes)
            break;
        bytes = std::move(again);
    }
    return bytes;
}
