#include "tools/make/codepage.h"

#include <array>
#include <cstdint>
#include <map>

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "tools/make/sourceerror.h"

namespace folivar::make {

namespace {

const std::map<char32_t, unsigned char>& Reverse() {
  static const std::map<char32_t, unsigned char> table = [] {
    std::map<char32_t, unsigned char> t;
    for (int b = 0x80; b < 0x100; ++b) {
      if (b == 0x98) continue;  // no character there
      t.emplace(Cp1251ToUnicode(static_cast<uint8_t>(b)), static_cast<unsigned char>(b));
    }
    return t;
  }();
  return table;
}

// Decodes one UTF-8 sequence at text[i]; false for a malformed one (i is left where it failed).
bool Next(std::string_view text, size_t& i, char32_t& u) {
  const auto c = static_cast<unsigned char>(text[i]);
  int extra = 0;
  if (c < 0x80) {
    u = c;
  } else if (c >= 0xC2 && c < 0xE0) {
    u = c & 0x1F;
    extra = 1;
  } else if (c >= 0xE0 && c < 0xF0) {
    u = c & 0x0F;
    extra = 2;
  } else if (c >= 0xF0 && c < 0xF5) {
    u = c & 0x07;
    extra = 3;
  } else {
    return false;
  }
  if (text.size() - i <= static_cast<size_t>(extra)) return false;
  for (int k = 1; k <= extra; ++k) {
    const auto d = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
    if ((d & 0xC0) != 0x80) return false;
    u = (u << 6) | (d & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  static constexpr std::array<char32_t, 4> kLeast = {0, 0x80, 0x800, 0x10000};
  if (u < kLeast[static_cast<size_t>(extra)] || (u >= 0xD800 && u < 0xE000) || u > 0x10FFFF) {
    return false;
  }
  i += static_cast<size_t>(extra) + 1;
  return true;
}

}  // namespace

std::string Hex(char32_t u) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (int shift = 20; shift >= 0; shift -= 4) s += digits[(u >> shift) & 0xF];
  while (s.size() > 4 && s[0] == '0') s.erase(0, 1);
  return "U+" + s;
}

std::optional<std::string> ToCp1251(std::string_view utf8, TCodePageFailure* failure) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const size_t at = i;
    char32_t u = 0;
    if (!Next(utf8, i, u)) {
      if (failure) *failure = {at, "the text is not UTF-8"};
      return std::nullopt;
    }
    if (u < 0x80) {
      out += static_cast<char>(u);
      continue;
    }
    const auto found = Reverse().find(u);
    if (found == Reverse().end()) {
      if (failure) {
        *failure = {at, Hex(u) + " '" + std::string(utf8.substr(at, i - at)) +
                            "' has no code page 1251 character"};
      }
      return std::nullopt;
    }
    out += static_cast<char>(found->second);
  }
  return out;
}

bool IsUtf8(std::string_view bytes) {
  size_t i = 0;
  char32_t u = 0;
  while (i < bytes.size())
    if (!Next(bytes, i, u)) return false;
  return true;
}

bool IsCp1251Letter(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  if (c >= 0xC0) return true;
  switch (c) {
    case 0x80: case 0x81: case 0x83: case 0x8A: case 0x8C: case 0x8D: case 0x8E: case 0x8F:
    case 0x90: case 0x9A: case 0x9C: case 0x9D: case 0x9E: case 0x9F: case 0xA1: case 0xA2:
    case 0xA3: case 0xA5: case 0xA8: case 0xAA: case 0xAF: case 0xB2: case 0xB3: case 0xB4:
    case 0xB8: case 0xBA: case 0xBC: case 0xBD: case 0xBE: case 0xBF:
      return true;
    default:
      return false;
  }
}

unsigned char Cp1251Lower(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 32);
  if (c == 0xA8) return 0xB8;  // Ё
  return c;
}

namespace {

constexpr char32_t kZeroWidthSpace = 0x200B;
constexpr char32_t kWordJoiner = 0x2060;
constexpr uint16_t kZeroWidthMark = 150;  // an item code of either encoding: width 0, draws nothing

bool Ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The letters of a ligature character, or null.
const char32_t* LigatureLetters(char32_t u) {
  static const char32_t* const letters[] = {U"ff", U"fi", U"fl", U"ffi", U"ffl", U"\u017Ft", U"st"};
  return u >= 0xFB00 && u <= 0xFB06 ? letters[u - 0xFB00] : nullptr;
}

// An invisible character that the book does without: a format character (but the soft hyphen,
// the word joiner and the zero-width space, which the layout uses) or a variation selector.
bool Dropped(char32_t u) {
  if (u == 0xAD || u == kZeroWidthSpace || u == kWordJoiner) return false;
  if (u >= 0xFE00 && u <= 0xFE0F) return true;
  return utf8proc_category(static_cast<utf8proc_int32_t>(u)) == UTF8PROC_CATEGORY_CF;
}

bool RightToLeft(const utf8proc_property_t& p) {
  return p.bidi_class == UTF8PROC_BIDI_CLASS_R || p.bidi_class == UTF8PROC_BIDI_CLASS_AL;
}

std::string Nfc(const std::string& utf8, const std::string& file, int line) {
  if (Ascii(utf8)) return utf8;
  utf8proc_uint8_t* out = nullptr;
  const utf8proc_ssize_t n = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()),
                                          static_cast<utf8proc_ssize_t>(utf8.size()), &out,
                                          static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  if (n < 0) {
    throw TSourceError(file, line, std::string("the text cannot be normalised: ") + utf8proc_errmsg(n));
  }
  std::string nfc(reinterpret_cast<const char*>(out), static_cast<size_t>(n));
  std::free(out);
  return nfc;
}

}  // namespace

void TSourceText::Warn(char32_t u, const std::string& file, int line, const std::string& text) {
  if (warned_.emplace(file, u).second) warnings_.push_back({file + ":" + std::to_string(line), text});
}

std::string TSourceText::Take(std::string_view utf8, const std::string& file, int line) {
  if (!IsUtf8(utf8)) {
    size_t at = 0;
    char32_t u = 0;
    while (at < utf8.size() && Next(utf8, at, u)) {
    }
    const auto breaks = std::count(utf8.begin(), utf8.begin() + static_cast<long>(at), '\n');
    throw TSourceError(file, line + static_cast<int>(breaks), "the text is not UTF-8");
  }
  if (Ascii(utf8)) return std::string(utf8);
  // Format characters go before NFC, so that a mark they separate from its letter joins it.
  std::u32string plain;
  for (char32_t u : Utf8ToCodePoints(utf8)) {
    if (const char32_t* letters = LigatureLetters(u)) plain += letters;
    else if (!Dropped(u)) plain += u;
  }
  std::u32string kept;
  // The line of each character in the source: NFC and the dropping keep the line breaks.
  int at = line;
  for (char32_t u : Utf8ToCodePoints(Nfc(CodePointsToUtf8(plain), file, line))) {
    if (u == '\n') ++at;
    if (u < 0x80 || u == kZeroWidthSpace || u == kWordJoiner) {
      kept += u;
      continue;
    }
    const std::string shown = "\"" + CodePointsToUtf8(std::u32string(1, u)) + "\" (" + Hex(u) + ")";
    const utf8proc_property_t* p = utf8proc_get_property(static_cast<utf8proc_int32_t>(u));
    if (u > 0xFFFF) {
      Warn(u, file, at, shown + " lies beyond the Basic Multilingual Plane, which books cannot hold: "
                        "dropped");
      continue;
    }
    if (p->category == UTF8PROC_CATEGORY_CC) {
      // Code 150 of a Unicode book is the zero-width mark: U+0096 would become one.
      Warn(u, file, at, Hex(u) + " is a control character: dropped");
      continue;
    }
    if (p->category == UTF8PROC_CATEGORY_MN || p->category == UTF8PROC_CATEGORY_MC ||
        p->category == UTF8PROC_CATEGORY_ME) {
      Warn(u, file, at, Hex(u) + " is a combining mark that does not join a letter into one character: "
                        "dropped");
      continue;
    }
    if (RightToLeft(*p)) {
      Warn(u, file, at, shown + " belongs to a right-to-left script: kept, and set left to right as stored");
    }
    if (!Reverse().count(u)) {
      if (choice_ == TEncodingChoice::kCp1251) {
        throw TSourceError(file, at, Hex(u) + " '" + CodePointsToUtf8(std::u32string(1, u)) +
                                         "' has no code page 1251 character");
      }
      fitsCp1251_ = false;
    }
    kept += u;
  }
  return CodePointsToUtf8(kept);
}

TTextEncoding TSourceText::Encoding() const {
  if (choice_ == TEncodingChoice::kUnicode) return TTextEncoding::kUnicode;
  return fitsCp1251_ ? TTextEncoding::kCp1251 : TTextEncoding::kUnicode;
}

std::u32string Utf8ToCodePoints(std::string_view utf8) {
  std::u32string out;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t u = 0;
    if (Next(utf8, i, u)) {
      out += u;
    } else {
      out += U'\uFFFD';
      ++i;
    }
  }
  return out;
}

std::string CodePointsToUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t u : text) {
    utf8proc_uint8_t b[4];
    const utf8proc_ssize_t n = utf8proc_encode_char(static_cast<utf8proc_int32_t>(u), b);
    out.append(reinterpret_cast<const char*>(b), static_cast<size_t>(n));
  }
  return out;
}

bool IsLetter(char32_t u) {
  if (u < 0x80) return IsCp1251Letter(static_cast<unsigned char>(u));
  if (const auto found = Reverse().find(u); found != Reverse().end()) return IsCp1251Letter(found->second);
  const utf8proc_category_t c = utf8proc_category(static_cast<utf8proc_int32_t>(u));
  return c >= UTF8PROC_CATEGORY_LU && c <= UTF8PROC_CATEGORY_LO;
}

char32_t LowerCase(char32_t u) {
  if (u < 0x80) return Cp1251Lower(static_cast<unsigned char>(u));
  if (const auto found = Reverse().find(u); found != Reverse().end()) {
    return Cp1251ToUnicode(Cp1251Lower(found->second));
  }
  return static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(u)));
}

std::u32string LowerCase(std::u32string text) {
  for (char32_t& u : text) u = LowerCase(u);
  return text;
}

uint16_t ItemCode(char32_t u, TTextEncoding encoding) {
  if (u == kZeroWidthSpace || u == kWordJoiner) return kZeroWidthMark;
  if (encoding == TTextEncoding::kUnicode) return static_cast<uint16_t>(u);
  if (u < 0x80) return static_cast<uint16_t>(u);
  const auto found = Reverse().find(u);
  const uint16_t b = found == Reverse().end() ? uint16_t{'?'} : found->second;
  return b == 0x96 ? uint16_t{0x196} : b;
}

char32_t ItemCharacter(uint16_t code, TTextEncoding encoding) {
  if (encoding == TTextEncoding::kUnicode) return code;
  if (code == 0x196) return 0x2013;
  return code < 0x100 ? Cp1251ToUnicode(static_cast<uint8_t>(code)) : 0;
}

std::string BookString(const std::string& utf8, TTextEncoding encoding) {
  std::string text = utf8;
  for (const char* invisible : {"\u200B", "\u2060"}) {
    for (size_t at = text.find(invisible); at != std::string::npos; at = text.find(invisible, at)) {
      text.erase(at, 3);
    }
  }
  if (encoding == TTextEncoding::kUnicode) return text;
  return ToCp1251(text).value_or(Utf8ToCp1251(text));
}

}  // namespace folivar::make
