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
