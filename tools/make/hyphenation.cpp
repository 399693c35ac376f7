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

// The word in the pattern file's encoding; empty when a letter has no place in it.
std::string Convert(const std::string& utf8, const std::string& encoding) {
  iconv_t cd = iconv_open(encoding.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in = utf8, out(utf8.size() * 4 + 4, '\0');
  char* inp = in.data();
  size_t inLeft = in.size();
  char* outp = out.data();
  size_t outLeft = out.size();
  const bool failed = iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1);
  iconv_close(cd);
  if (failed) return {};
  out.resize(out.size() - outLeft);
  return out;
}

struct TLanguage {
  const char* name;
  const char* file;
};
constexpr TLanguage kLanguages[] = {{"de", "hyph_de_DE.dic"}, {"el", "hyph_el_GR.dic"}, {"en", "hyph_en_US.dic"},
                                    {"es", "hyph_es_ES.dic"}, {"fr", "hyph_fr.dic"},    {"it", "hyph_it_IT.dic"},
                                    {"pl", "hyph_pl_PL.dic"}, {"ru", "hyph_ru_RU.dic"}};

}  // namespace

std::string THyphenator::PatternFile(const std::string& language) {
  const char* dir = std::getenv("FOLIVAR_HYPHEN_DIR");
  const std::string base = dir && *dir ? dir : "/usr/share/hyphen";
  for (const TLanguage& l : kLanguages)
    if (language == l.name) return base + "/" + l.file;
  return base + "/hyph_en_US.dic";
}

bool THyphenator::Known(const std::string& language) {
  for (const TLanguage& l : kLanguages)
    if (language == l.name) return true;
  return false;
}

const char* THyphenator::Languages() { return "de el en es fr it pl ru"; }

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
  const std::u32string letters = LowerCase(Utf8ToCodePoints(word));
  const std::string lower = CodePointsToUtf8(letters);
  if (const auto hit = cache_.find(lower); hit != cache_.end()) return hit->second;
  std::vector<size_t> points;
  const std::string encoded = Convert(lower, encoding_);
  const size_t n = letters.size();
  if (!encoded.empty() && n >= kLeftMin + kRightMin) {
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
    // The marks stand one per character: the pattern files other than UTF-8 have a byte per
    // character, and for UTF-8 files the library folds its marks onto the characters.
    if (!failed) {
      for (size_t before = kLeftMin; before + kRightMin <= n; ++before)
        if (hyphens[before - 1] & 1) points.push_back(before);
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
