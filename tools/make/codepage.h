// Source texts are UTF-8; a book stores code page 1251. Unlike the lossy conversion of the core,
// the compiler refuses a character that the code page lacks, so that no letter is lost silently.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace folivar::make {

struct TCodePageFailure {
  size_t offset = 0;   // byte offset in the UTF-8 text
  std::string what;    // "U+1F600 '😀' has no code page 1251 character" or "not UTF-8"
};

// The code page 1251 bytes of a UTF-8 text, or where and why it cannot be converted.
std::optional<std::string> ToCp1251(std::string_view utf8, TCodePageFailure* failure = nullptr);

// Whether the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

// Code page 1251 letters: ASCII letters, the Cyrillic block and the other letters of the page.
bool IsCp1251Letter(unsigned char c);
// Lower case of a code page 1251 letter (ASCII and Cyrillic); other bytes unchanged.
unsigned char Cp1251Lower(unsigned char c);

}  // namespace folivar::make
