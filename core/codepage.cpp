#include "core/codepage.h"

#include <array>
#include <map>

namespace folivar {

namespace {

// Code points of the bytes 0x80 to 0xFF. 0x98 has no character and stands for U+0098, as the
// Windows conversion does.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

void AppendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[i], advancing i. A sequence that is cut short, overlong, a
// surrogate or beyond U+10FFFF gives U+FFFD and leaves i after the bytes that were read.
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const auto b0 = static_cast<uint8_t>(text[i++]);
  if (b0 < 0x80) return b0;
  const int extra = b0 >= 0xF0 && b0 < 0xF5 ? 3 : b0 >= 0xE0 && b0 < 0xF0 ? 2 : b0 >= 0xC2 && b0 < 0xE0 ? 1 : -1;
  if (extra < 0) return 0xFFFD;
  char32_t u = b0 & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (static_cast<uint8_t>(text[i]) & 0xC0) != 0x80) return 0xFFFD;
    u = u << 6 | (static_cast<uint8_t>(text[i++]) & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (u < kLeast[extra] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0xFFFD;
  return u;
}

void AppendUtf16(std::u16string& out, char32_t u) {
  if (u < 0x10000) {
    out += static_cast<char16_t>(u);
  } else {
    u -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (u >> 10));
    out += static_cast<char16_t>(0xDC00 + (u & 0x3FF));
  }
}

}  // namespace

char32_t Cp1251ToUnicode(uint8_t c) { return c < 0x80 ? c : kHigh[c - 0x80]; }

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, Cp1251ToUnicode(static_cast<uint8_t>(c)));
  return out;
}

std::string Utf8ToCp1251(std::string_view text) {
  static const std::map<char32_t, char> reverse = [] {
    std::map<char32_t, char> m;
    for (int b = 0; b < 128; ++b) m[kHigh[b]] = static_cast<char>(0x80 + b);
    return m;
  }();
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t u = NextCodePoint(text, i);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else {
      const auto it = reverse.find(u);
      out += it == reverse.end() ? '?' : it->second;
    }
  }
  return out;
}

TTextEncoding EncodingOf(std::string_view property) {
  return property == "unicode" ? TTextEncoding::kUnicode : TTextEncoding::kCp1251;
}

namespace {
TTextEncoding bookEncoding = TTextEncoding::kCp1251;
}  // namespace

TTextEncoding BookEncoding() { return bookEncoding; }
void SetBookEncoding(TTextEncoding encoding) { bookEncoding = encoding; }

char16_t ItemCodeUnit(uint16_t code, TTextEncoding encoding) {
  if (encoding == TTextEncoding::kUnicode) return static_cast<char16_t>(code);
  return static_cast<char16_t>(Cp1251ToUnicode(static_cast<uint8_t>(code & 0xFF)));
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf16(out, NextCodePoint(text, i));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::u16string Cp1251ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += static_cast<char16_t>(Cp1251ToUnicode(static_cast<uint8_t>(c)));
  return out;
}

std::u16string BookTextToUtf16(std::string_view text, TTextEncoding encoding) {
  return encoding == TTextEncoding::kUnicode ? Utf8ToUtf16(text) : Cp1251ToUtf16(text);
}

std::string BookTextToUtf8(std::string_view text, TTextEncoding encoding) {
  if (encoding == TTextEncoding::kCp1251) return Cp1251ToUtf8(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) AppendUtf8(out, NextCodePoint(text, i));
  return out;
}

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

}  // namespace folivar
