// Full-width to half-width conversion and formula normalisation (CCalculator::ToHalfWidth and
// CCalculator::NormalizeFormula).

#include "Calculator.h"

#include "Cp932ByteClass.h"
#include "HalfWidthTables.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

// Every code that converts has lead byte 0x81, 0x82 or 0x83. kConversions holds, for each of
// those codes, 0 when the character stays as it is, a byte value below 0x100 for one single byte,
// or two bytes (first * 256 + second) for a voiced kana.
constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLeadCount = 3;

constexpr std::array<std::uint16_t, kLeadCount * 256> BuildConversions()
{
    std::array<std::uint16_t, kLeadCount * 256> table{};
    auto at = [&table](std::uint16_t code) -> std::uint16_t& {
        return table[code - kFirstLead * 256];
    };

    // The tables hold disjoint codes; the kana tables leave 0 where the voiced table applies.
    for (const auto& mark : halfwidth::kMarks)
        at(mark.code) = mark.byte;
    for (unsigned i = 0; i < std::size(halfwidth::kHiraganaToHalf); ++i)
        if (halfwidth::kHiraganaToHalf[i] != 0)
            at(static_cast<std::uint16_t>(0x829F + i)) = halfwidth::kHiraganaToHalf[i];
    for (unsigned i = 0; i < std::size(halfwidth::kKatakanaToHalf); ++i)
        if (halfwidth::kKatakanaToHalf[i] != 0)
            at(static_cast<std::uint16_t>(0x8340 + i)) = halfwidth::kKatakanaToHalf[i];
    for (unsigned i = 0; i < std::size(halfwidth::kFullWidthAscii); ++i)
        at(halfwidth::kFullWidthAscii[i]) = static_cast<std::uint16_t>(0x20 + i);
    for (unsigned i = 0; i < 26; ++i) {
        at(halfwidth::kVoicedHiragana[i]) = halfwidth::kVoicedHalfWidth[i];
        at(halfwidth::kVoicedKatakana[i]) = halfwidth::kVoicedHalfWidth[i];
    }
    return table;
}

constexpr auto kConversions = BuildConversions();

static_assert(kConversions[0x817B - 0x8100] == '+');
static_assert(kConversions[0x834B - 0x8100] == 0xB6DE); // ガ -> ｶﾞ
static_assert(kConversions[0x815B - 0x8100] == 0xB0);   // ー -> ｰ

// Whether any of the eight bytes at p is 0x80 or above.
bool HasHighByte(const unsigned char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080u) != 0;
}

} // namespace

std::string CCalculator::ToHalfWidth(std::string_view text) const
{
    const std::string_view::size_type nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);

    std::string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        // Single-byte characters stay as they are: copy each run of them at once. Eight bytes of
        // ASCII hold no lead byte, which is how most formulas are passed over a word at a time.
        const auto* run = p;
        while (end - p >= 8 && !HasHighByte(p))
            p += 8;
        while (p < end && !cp932::IsLeadByte(*p))
            ++p;
        out.append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run));
        if (p == end)
            break;
        const unsigned char lead = *p;
        if (end - p < 2)
            break; // a lead byte without its trail byte ends the text
        const unsigned char trail = p[1];
        p += 2;
        std::uint16_t converted = 0;
        if (lead >= kFirstLead && lead < kFirstLead + kLeadCount)
            converted = kConversions[(lead - kFirstLead) * 256u + trail];
        if (converted == 0) {
            out.push_back(static_cast<char>(lead));
            out.push_back(static_cast<char>(trail));
        } else if (converted < 0x100) {
            out.push_back(static_cast<char>(converted));
        } else {
            out.push_back(static_cast<char>(converted >> 8));
            out.push_back(static_cast<char>(converted & 0xFF));
        }
    }
    return out;
}

std::string CCalculator::NormalizeFormula(std::string_view text) const
{
    std::string s = ToHalfWidth(text);
    // Neither ' ' nor '=' can be the trail byte of a two-byte character (trail bytes are 0x40 and
    // up), so cutting bytes from the end never splits a character.
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    while (!s.empty() && s.back() == '=')
        s.pop_back();
    return s;
}
