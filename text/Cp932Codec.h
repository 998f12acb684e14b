#pragma once

#include <string>
#include <string_view>

// Code page 932 (Windows Japanese) text to and from Unicode, with Windows' own mapping: JIS X 0208,
// NEC row 13, the NEC-selected IBM extensions, the IBM extensions and the user-defined area
// 0xF040-0xF9FC <-> U+E000-U+E757. Bytes 0x00-0x7F are ASCII in both directions (0x5C is the
// backslash, 0x7E the tilde) and a NUL byte is an ordinary character. Any input is accepted.
//
// Decoding loses nothing. A lead byte that begins no mapped code (its next byte does not complete
// one, or it ends the text) decodes to U+F700 + byte, and the byte after it is decoded afresh.
// Encoding turns those code points back into the byte, so encoding decoded text gives the original
// bytes, except that a character with two codes comes back in the code Windows encodes it as.
//
// Encoding writes "?" for each character the code page lacks: any character outside the BMP (a
// surrogate pair is one character), a lone surrogate, and any BMP character without a code. It
// also takes the forms Linux input methods type for characters Windows writes in full width:
// U+2212 MINUS SIGN as 0x817C, U+301C WAVE DASH as 0x8160, U+2016 as 0x8161, U+2014 as 0x815C,
// U+00A2 as 0x8191, U+00A3 as 0x8192 and U+00AC as 0x81CA. Decoding gives the Windows forms.

std::u16string Cp932ToUtf16(std::string_view bytes);
std::string Utf16ToCp932(std::u16string_view text);

// The same through UTF-8. Utf8ToCp932 writes "?" for each byte that is not part of a well-formed
// UTF-8 sequence (overlong forms, encoded surrogates and values above U+10FFFF are ill-formed).
std::string Cp932ToUtf8(std::string_view bytes);
std::string Utf8ToCp932(std::string_view utf8);

// `bytes` as the code page reads them back: decoded and encoded until nothing changes. A character
// with two codes takes Windows' code, and that code can join a stray lead byte before it into
// another character. Each round keeps the length and only ever joins characters, so it ends.
std::string Cp932SteadyBytes(std::string bytes);
