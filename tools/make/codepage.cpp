#include "tools/make/codepage.h"

#include <array>
#include <cstdint>
#include <map>

#include "core/codepage.h"

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

std::string Hex(char32_t u) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (int shift = 20; shift >= 0; shift -= 4) s += digits[(u >> shift) & 0xF];
  while (s.size() > 4 && s[0] == '0') s.erase(0, 1);
  return "U+" + s;
}

}  // namespace

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

}  // namespace folivar::make
