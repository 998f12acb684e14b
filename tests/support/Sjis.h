#pragma once

#include "Cp932Codec.h"

#include <string>
#include <string_view>

// Code page 932 bytes of UTF-8 source text, so that tests can write Japanese as they read it.
inline std::string Sjis(std::string_view utf8)
{
    return Utf8ToCp932(utf8);
}
