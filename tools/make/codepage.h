// Source texts are UTF-8 and stay UTF-8, normalised to NFC, inside the compiler. A book stores
// code page 1251 when every character of it fits, and otherwise is a Unicode book: UTF-16 item
// codes and UTF-8 texts. Unlike the lossy conversion of the core, the compiler drops a character no
// book can show only with a warning, and refuses one that a forced code page lacks, so that no
// letter is lost silently.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/codepage.h"
#include "tools/make/sourceerror.h"

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

// What book.toml's `encoding` asks for: the smallest that holds the book, or one forced.
enum class TEncodingChoice : uint8_t { kAuto, kCp1251, kUnicode };

// The gate every source text passes on its way in. It checks the UTF-8, drops the invisible format
// characters (general category Cf, and the variation selectors U+FE00..U+FE0F that only choose a
// glyph's look) but the soft hyphen U+00AD, the word joiner U+2060 and the zero-width space
// U+200B, which the layout uses; it takes the ligatures U+FB00..U+FB06 apart into their letters
// and normalises the text to NFC. What a book cannot show is dropped with a warning (characters
// beyond the Basic Multilingual Plane, combining marks that do not join a letter into one
// character, control characters past ASCII) or kept with one (right-to-left letters, set left to
// right as stored); each character is warned of once per file, at the first line where it stands.
// Not UTF-8, and with code page 1251 forced a character the code page lacks, are errors. It
// remembers whether everything so far fits code page 1251 (U+2060 and U+200B need no character).
class TSourceText {
 public:
  explicit TSourceText(TEncodingChoice choice = TEncodingChoice::kAuto) : choice_(choice) {}
  // The text as the book takes it; an error raises TSourceError at the line of the character itself
  // (`line` is that of the text's start), and so does a warning name that line.
  std::string Take(std::string_view utf8, const std::string& file, int line);
  // The encoding of the book made of the texts taken.
  TTextEncoding Encoding() const;
  // What was dropped or kept with a warning, in the order met.
  const std::vector<TSourceWarning>& Warnings() const { return warnings_; }

 private:
  void Warn(char32_t u, const std::string& file, int line, const std::string& text);

  TEncodingChoice choice_;
  bool fitsCp1251_ = true;
  std::set<std::pair<std::string, char32_t>> warned_;  // file and character
  std::vector<TSourceWarning> warnings_;
};

// A code point as it is named: "U+00E9", "U+1F600".
std::string Hex(char32_t u);

// The code points of well-formed UTF-8 (a malformed sequence becomes U+FFFD), and back.
std::u32string Utf8ToCodePoints(std::string_view utf8);
std::string CodePointsToUtf8(std::u32string_view text);

// A letter of any script (code page 1251's own letters as IsCp1251Letter says).
bool IsLetter(char32_t u);
// Lower case: code page 1251's characters as Cp1251Lower says, the rest as Unicode says.
char32_t LowerCase(char32_t u);
std::u32string LowerCase(std::u32string text);

// The code of a text item showing the character: its code page 1251 byte (the en dash, byte
// 150, with a high byte since code 150 draws nothing), or in a Unicode book its UTF-16 code unit;
// the zero-width space and the word joiner are that code 150.
uint16_t ItemCode(char32_t u, TTextEncoding encoding);
// The character a text item's code shows (0 for none).
char32_t ItemCharacter(uint16_t code, TTextEncoding encoding);
// A UTF-8 text of the source as the book stores it: code page 1251 (every character fits, the
// source gate saw to that) or UTF-8; the word joiner and the zero-width space, which only the
// layout uses, left out.
std::string BookString(const std::string& utf8, TTextEncoding encoding);

}  // namespace folivar::make
