#pragma once

// The code unit classes that decide a character's width: in code page 932 a lead byte takes the
// byte after it as its trail, and in UTF-16 a high surrogate takes the low one after it. Header
// only, so that the engine, which links nothing, can use them.

namespace cp932 {

constexpr bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

constexpr bool IsHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}

constexpr bool IsLowSurrogate(char16_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}

} // namespace cp932
