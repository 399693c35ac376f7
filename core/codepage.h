// Code page 1251, the 8-bit encoding of every text in a book, and UTF-8, the encoding of the tools'
// output and of book sources.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace folivar {

// The Unicode code point of a code page 1251 byte.
char32_t Cp1251ToUnicode(uint8_t c);
std::string Cp1251ToUtf8(std::string_view text);
// Characters that code page 1251 cannot hold, and bytes that are not UTF-8, become '?'.
std::string Utf8ToCp1251(std::string_view text);

}  // namespace folivar
