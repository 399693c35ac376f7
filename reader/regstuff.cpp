#include "reader/regstuff.h"

namespace folivar {

namespace {

bool Allowed(unsigned char c) {
  static constexpr std::string_view kMarks = "\\~!@#$%^&*()_+|/._#";
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  if (c >= 0xC0 || c == 0xA8 || c == 0xB8) return true;
  return kMarks.find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::string CleanSettingName(std::string_view name) {
  std::string clean;
  clean.reserve(name.size());
  for (const char ch : name) {
    const char c = Allowed(static_cast<unsigned char>(ch)) ? ch : ' ';
    // Reducing pairs of spaces until none is left is the same as keeping one of each run.
    if (c == ' ' && !clean.empty() && clean.back() == ' ') continue;
    clean.push_back(c);
  }
  // A name made only of characters outside the set is left as one space; it is named "Default"
  // like an empty one, so that such a book title is not stored under a blank key.
  if (clean.empty() || clean == " ") return "Default";
  return clean;
}

std::string BookSection(std::string_view title, std::string_view edition) {
  return CleanSettingName("Books\\" + CleanSettingName(title) + "\\" + CleanSettingName(edition));
}

std::string ReadSetting(std::string_view section, std::string_view name) {
  return ReadStoredSetting(CleanSettingName(section), CleanSettingName(name));
}

void WriteSetting(std::string_view section, std::string_view name, std::string_view value) {
  WriteStoredSetting(CleanSettingName(section), CleanSettingName(name), std::string(value));
}

}  // namespace folivar
