// The encodings of a book's texts (code page 1251, or UTF-16 items and UTF-8 texts in a Unicode
// book), and the conversions to UTF-8, the encoding of the tools' output and of book sources, and
// to UTF-16, the encoding of the screen.
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

// How a book keeps its texts. A book without the property "encoding" is code page 1251 throughout.
// A book whose "encoding" is "unicode" keeps a UTF-16 code unit of the Basic Multilingual Plane in
// the code of every text item (31, 32 and 150 keep their meanings) and UTF-8 in every other text:
// header strings, properties, messages, anchor names, face names and links.
enum class TTextEncoding : uint8_t { kCp1251, kUnicode };
TTextEncoding EncodingOf(std::string_view encodingProperty);
// The encoding of the loaded book's texts, program-wide like the book's tables (styles, anchors,
// message texts) that hold them: set by the loading sequence; code page 1251 until a Unicode book
// is loaded and after a load fails.
TTextEncoding BookEncoding();
void SetBookEncoding(TTextEncoding encoding);

// The UTF-16 code unit that a text item's code shows: the low byte through code page 1251, or in a
// Unicode book the code itself.
char16_t ItemCodeUnit(uint16_t code, TTextEncoding encoding);

// UTF-8 is read strictly: a sequence cut short, an overlong form, a surrogate or a value beyond
// U+10FFFF becomes U+FFFD. Characters beyond the Basic Multilingual Plane become surrogate pairs,
// and a lone surrogate in UTF-16 becomes U+FFFD in UTF-8.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Cp1251ToUtf16(std::string_view text);

// Whether a character from U+0080 up is a letter or digit of some script: every block but those
// that hold only controls, spaces, punctuation and symbols, surrogates, private use and
// noncharacters (U+FFFD, the mark of damaged text, among them). Settings names and the words of
// button captions are made of these and ASCII letters and digits.
bool UnicodeLetterOrDigit(char32_t c);

// A text of a book (title, message, name, link) for the screen (UTF-16) or for the tools' output
// (UTF-8, with damaged sequences of a Unicode book replaced by U+FFFD).
std::u16string BookTextToUtf16(std::string_view text, TTextEncoding encoding);
std::string BookTextToUtf8(std::string_view text, TTextEncoding encoding);

}  // namespace folivar
