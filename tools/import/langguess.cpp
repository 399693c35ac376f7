#include "tools/import/langguess.h"

#include <map>
#include <set>
#include <vector>

namespace folivar::bookimport {

namespace {

struct TWords {
  const char* language;
  std::set<std::string> words;
};

const std::vector<TWords>& Lists() {
  static const std::vector<TWords> lists = {
      {"en",
       {"the", "and", "of", "to", "in", "is", "that", "it", "was", "for", "with", "as", "his", "he", "you",
        "not"}},
      {"fr",
       {"le", "la", "les", "et", "des", "un", "une", "est", "que", "du", "dans", "pour", "il", "qui", "pas",
        "au"}},
      {"de",
       {"der", "die", "das", "und", "ist", "nicht", "ein", "eine", "zu", "den", "mit", "sich", "von", "ich",
        "auf"}},
      {"es",
       {"el", "los", "las", "y", "que", "en", "un", "una", "es", "por", "con", "no", "se", "del", "lo",
        "su"}},
      {"it",
       {"il", "di", "che", "e", "un", "una", "per", "non", "del", "della", "sono", "gli", "le", "mi", "si",
        "ha"}},
      {"pl",
       {"i", "w", "nie", "si\u0119", "na", "\u017Ce", "z", "do", "to", "jest", "jak", "o", "co", "ale", "po",
        "od"}},
      {"ru",
       {"\u0438", "\u0432", "\u043D\u0435", "\u043D\u0430", "\u0447\u0442\u043E", "\u044F", "\u0441",
        "\u043E\u043D", "\u043A\u0430\u043A", "\u044D\u0442\u043E", "\u043F\u043E", "\u043D\u043E"}},
      {"el",
       {"\u03BA\u03B1\u03B9", "\u03C4\u03BF", "\u03B7", "\u03BF", "\u03BD\u03B1", "\u03C4\u03BF\u03C5",
        "\u03C4\u03B1", "\u03C4\u03B7\u03C2", "\u03BC\u03B5", "\u03C3\u03B5", "\u03C0\u03BF\u03C5"}},
  };
  return lists;
}

// The words of the text in lower case (ASCII letters folded; other letters as they stand, which
// is enough for the short words, mostly written in lower case).
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string w;
  for (size_t i = 0; i <= text.size(); ++i) {
    const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    // Latin-1's signs (U+00A0..U+00BF: the no-break space, guillemets) and the general
    // punctuation (U+2000..U+206F: dashes, typographic quotes) end a word like ASCII's.
    size_t sign = 0;
    if (c == 0xC2 && next >= 0xA0 && next <= 0xBF) sign = 2;
    if (c == 0xE2 && (next == 0x80 || next == 0x81)) sign = 3;
    const bool letter = !sign && (c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    if (letter) {
      w += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      continue;
    }
    if (!w.empty()) words.push_back(w);
    w.clear();
    if (sign) i += sign - 1;
  }
  return words;
}

}  // namespace

std::string GuessLanguage(const std::string& text) {
  std::map<std::string, int> hits;
  const std::vector<std::string> words = Words(text);
  for (const std::string& w : words)
    for (const TWords& list : Lists())
      if (list.words.count(w)) ++hits[list.language];
  std::string best;
  int first = 0, second = 0;
  for (const auto& [language, n] : hits) {
    if (n > first) {
      second = first;
      first = n;
      best = language;
    } else if (n > second) {
      second = n;
    }
  }
  // Clearly more than any other list, and often enough to count.
  if (first < 3 || first * 2 < second * 3) return "";
  return best;
}

}  // namespace folivar::bookimport
