#include "tools/make/hyphenation.h"

#include <hyphen.h>
#include <iconv.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "tools/make/codepage.h"

namespace folivar::make {

namespace {

constexpr int kLeftMin = 2;
constexpr int kRightMin = 3;

// Converts single characters of code page 1251 into the pattern file's encoding, keeping for
// each output byte the index of the character it came from.
std::string Convert(const std::string& word, const std::string& encoding, std::vector<size_t>& from) {
  from.clear();
  iconv_t cd = iconv_open(encoding.c_str(), "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  for (size_t i = 0; i < word.size(); ++i) {
    char in = word[i];
    char buffer[8];
    char* inp = &in;
    size_t inLeft = 1;
    char* outp = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) {
      iconv_close(cd);
      return {};
    }
    for (char* p = buffer; p < outp; ++p) {
      out += *p;
      from.push_back(i);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string THyphenator::PatternFile(const std::string& language) {
  const char* dir = std::getenv("FOLIVAR_HYPHEN_DIR");
  const std::string base = dir && *dir ? dir : "/usr/share/hyphen";
  if (language == "ru") return base + "/hyph_ru_RU.dic";
  return base + "/hyph_en_US.dic";
}

THyphenator::THyphenator(const std::string& language) {
  const std::string path = PatternFile(language);
  std::ifstream in(path);
  std::string first;
  if (!in || !std::getline(in, first)) {
    throw std::runtime_error("the hyphenation patterns " + path + " cannot be read");
  }
  while (!first.empty() && (first.back() == '\r' || first.back() == ' ')) first.pop_back();
  encoding_ = first;
  dict_ = hnj_hyphen_load(path.c_str());
  if (!dict_) throw std::runtime_error("the hyphenation patterns " + path + " cannot be read");
}

THyphenator::~THyphenator() {
  if (dict_) hnj_hyphen_free(dict_);
}

std::vector<size_t> THyphenator::Points(const std::string& word) {
  std::string lower;
  for (char c : word) lower += static_cast<char>(Cp1251Lower(static_cast<unsigned char>(c)));
  if (const auto hit = cache_.find(lower); hit != cache_.end()) return hit->second;
  std::vector<size_t> points;
  std::vector<size_t> from;
  const std::string encoded = Convert(lower, encoding_, from);
  if (!encoded.empty() && lower.size() >= kLeftMin + kRightMin) {
    std::vector<char> hyphens(encoded.size() + 5, 0);
    char** rep = nullptr;
    int* pos = nullptr;
    int* cut = nullptr;
    const int failed = hnj_hyphen_hyphenate3(dict_, encoded.data(), static_cast<int>(encoded.size()),
                                             hyphens.data(), nullptr, &rep, &pos, &cut, kLeftMin,
                                             kRightMin, kLeftMin, kRightMin);
    if (rep) {
      // Non-standard hyphenation (a changed spelling) is not used: the text keeps its letters.
      for (size_t i = 0; i < encoded.size(); ++i) std::free(rep[i]);
      std::free(rep);
      std::free(pos);
      std::free(cut);
    }
    if (!failed) {
      for (size_t b = 0; b + 1 < encoded.size(); ++b) {
        // A point after the last byte of a character; the break goes before the next character.
        if ((hyphens[b] & 1) && from[b] != from[b + 1]) {
          const size_t before = from[b] + 1;
          if (before >= static_cast<size_t>(kLeftMin) && lower.size() - before >= static_cast<size_t>(kRightMin)) {
            points.push_back(before);
          }
        }
      }
    }
  }
  cache_.emplace(lower, points);
  return points;
}

THyphenator& THyphenators::For(const std::string& language) {
  auto& h = byLanguage_[language];
  if (!h) h = std::make_unique<THyphenator>(language);
  return *h;
}

}  // namespace folivar::make
