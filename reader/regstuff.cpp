#include "reader/regstuff.h"

namespace folivar {

namespace {

constexpr std::string_view kMarks = "\\~!@#$%^&*()_+|/._#";

bool AsciiAllowed(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c != 0 && kMarks.find(static_cast<char>(c)) != std::string_view::npos;
}

bool Allowed(unsigned char c) { return AsciiAllowed(c) || c >= 0xC0 || c == 0xA8 || c == 0xB8; }

// Appends c, keeping one space of each run: reducing pairs of spaces until none is left is the
// same.
void Append(std::string& clean, std::string_view c) {
  if (c == " " && !clean.empty() && clean.back() == ' ') return;
  clean += c;
}

// A name made only of characters outside the set is left as one space; it is named "Default"
// like an empty one, so that such a book title is not stored under a blank key.
std::string Named(std::string clean) {
  if (clean.empty() || clean == " ") return "Default";
  return clean;
}

// The characters of a UTF-16 text one by one, surrogate pairs joined (the strict UTF-8 reading
// leaves no lone surrogate).
template <typename F>
void ForEachCharacter(std::u16string_view text, F f) {
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t start = i;
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    f(c, text.substr(start, i + 1 - start));
  }
}

}  // namespace

// The blocks below hold no letters or digits that a title needs, only controls, spaces,
// punctuation and symbols; every other block of every script is taken as letters and digits.
// A full character database would also refuse the few marks inside letter blocks (the Greek
// question mark, the Cyrillic thousands sign), which cost nothing but a character in a section.
bool UnicodeLetterOrDigit(char32_t c) {
  struct TRange {
    char32_t first, last;
  };
  static constexpr TRange kNotLetters[] = {
      {0x0080, 0x00A9},    // C1 controls, no-break space, Latin-1 punctuation and signs
      {0x00AB, 0x00B4},    // (0xAA, the feminine ordinal, is a letter)
      {0x00B6, 0x00B9},    // (0xB5, micro, is a letter)
      {0x00BB, 0x00BF},    // (0xBA, the masculine ordinal, is a letter)
      {0x00D7, 0x00D7},    // multiplication sign
      {0x00F7, 0x00F7},    // division sign
      {0x037E, 0x037E},    // Greek question mark
      {0x0387, 0x0387},    // Greek ano teleia
      {0x1680, 0x1680},    // Ogham space
      {0x2000, 0x206F},    // General Punctuation: spaces, dashes, quotes, bullets, format marks
      {0x20A0, 0x20CF},    // currency signs
      {0x2190, 0x2BFF},    // arrows, mathematical operators, technical signs, box drawing,
                           // geometric shapes, dingbats and other symbols
      {0x2E00, 0x2E7F},    // Supplemental Punctuation
      {0x3000, 0x303F},    // CJK symbols and punctuation, the ideographic space
      {0xD800, 0xF8FF},    // surrogates and the private use area
      {0xFDD0, 0xFDEF},    // noncharacters
      {0xFE10, 0xFE1F},    // vertical forms
      {0xFE30, 0xFE6F},    // compatibility and small forms of punctuation
      {0xFEFF, 0xFEFF},    // zero-width no-break space (byte order mark)
      {0xFF00, 0xFF0F},    // full-width punctuation and symbols
      {0xFF1A, 0xFF20},
      {0xFF3B, 0xFF40},
      {0xFF5B, 0xFF65},
      {0xFFF0, 0xFFFF},    // specials, U+FFFD among them, and the last noncharacters
      {0xF0000, 0x10FFFF}, // supplementary private use planes
  };
  if (c < 0x80) return false;
  // U+xxFFFE and U+xxFFFF are noncharacters in every plane.
  if ((c & 0xFFFE) == 0xFFFE) return false;
  for (const TRange& r : kNotLetters) {
    if (c >= r.first && c <= r.last) return false;
  }
  return true;
}

std::string CleanSettingName(std::string_view name, TTextEncoding encoding) {
  std::string clean;
  clean.reserve(name.size());
  if (encoding == TTextEncoding::kUnicode) {
    ForEachCharacter(Utf8ToUtf16(name), [&](char32_t c, std::u16string_view units) {
      const bool allowed = c < 0x80 ? AsciiAllowed(static_cast<unsigned char>(c))
                                    : UnicodeLetterOrDigit(c);
      Append(clean, allowed ? Utf16ToUtf8(units) : " ");
    });
    return Named(std::move(clean));
  }
  for (const char ch : name) {
    Append(clean, Allowed(static_cast<unsigned char>(ch)) ? std::string_view(&ch, 1) : " ");
  }
  return Named(std::move(clean));
}

std::string BookSection(std::string_view title, std::string_view edition,
                        TTextEncoding encoding) {
  return CleanSettingName("Books\\" + CleanSettingName(title, encoding) + "\\" +
                              CleanSettingName(edition, encoding),
                          encoding);
}

std::string ReadSetting(std::string_view section, std::string_view name,
                        TTextEncoding encoding) {
  return ReadStoredSetting(CleanSettingName(section, encoding), CleanSettingName(name, encoding),
                           encoding);
}

void WriteSetting(std::string_view section, std::string_view name, std::string_view value,
                  TTextEncoding encoding) {
  WriteStoredSetting(CleanSettingName(section, encoding), CleanSettingName(name, encoding),
                     std::string(value), encoding);
}

}  // namespace folivar
