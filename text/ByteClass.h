#pragma once

// ASCII byte classes of code page 932 text (the lead byte test is in Cp932ByteClass.h). Bytes are
// unsigned char and only ASCII counts as a letter or a digit, whatever the process locale
// (<cctype> would depend on it, and is undefined for bytes from 0x80 when char is signed).

namespace byteclass {

constexpr bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}
constexpr bool IsLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr unsigned char ToUpper(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

} // namespace byteclass
