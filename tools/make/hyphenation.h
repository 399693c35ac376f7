// Hyphenation with libhyphen and the system's pattern files (hyphen-en-us, hyphen-ru, hyphen-fr,
// hyphen-de, hyphen-es, hyphen-it, hyphen-pl, hyphen-el). Words come in UTF-8 and are converted to
// the encoding the pattern file names on its first line (UTF-8, ISO8859-x or KOI8-R) before the
// patterns see them. Positions are counted in characters, whatever the file's encoding.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _HyphenDict HyphenDict;

namespace folivar::make {

class THyphenator {
 public:
  // Patterns of a language of Languages() from the system's hyphenation folder (or FOLIVAR_HYPHEN_DIR).
  // Raises std::runtime_error when the file cannot be read.
  explicit THyphenator(const std::string& language);
  ~THyphenator();
  THyphenator(const THyphenator&) = delete;
  THyphenator& operator=(const THyphenator&) = delete;

  // For a UTF-8 word of letters: the character positions i (1 <= i < letters) before which it may
  // be broken, at least two letters from the start and three from the end.
  std::vector<size_t> Points(const std::string& word);

  static std::string PatternFile(const std::string& language);
  // The languages with patterns: "de el en es fr it pl ru".
  static bool Known(const std::string& language);
  static const char* Languages();

 private:
  HyphenDict* dict_ = nullptr;
  std::string encoding_;
  std::map<std::string, std::vector<size_t>> cache_;
};

// One hyphenator per language, made on first use.
class THyphenators {
 public:
  THyphenator& For(const std::string& language);

 private:
  std::map<std::string, std::unique_ptr<THyphenator>> byLanguage_;
};

}  // namespace folivar::make
