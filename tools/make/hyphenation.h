// Hyphenation with libhyphen and the system's pattern files (hyphen-en-us, hyphen-ru). Words
// come in code page 1251 and are converted to the encoding the pattern file names on its first
// line (UTF-8 for English, KOI8-R for Russian) before the patterns see them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _HyphenDict HyphenDict;

namespace folivar::make {

class THyphenator {
 public:
  // Patterns of "en" or "ru" from the system's hyphenation folder (or FOLIVAR_HYPHEN_DIR).
  // Raises std::runtime_error when the file cannot be read.
  explicit THyphenator(const std::string& language);
  ~THyphenator();
  THyphenator(const THyphenator&) = delete;
  THyphenator& operator=(const THyphenator&) = delete;

  // For a word of code page 1251 letters: the positions i (1 <= i < size) before which it may be
  // broken, at least two letters from the start and three from the end.
  std::vector<size_t> Points(const std::string& word);

  static std::string PatternFile(const std::string& language);

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
