#include "platform/posix/fontmatch.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <cctype>
#include <memory>
#include <utility>

namespace folivar::posix {

namespace {

struct TPatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct TFontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
using TPattern = std::unique_ptr<FcPattern, TPatternDeleter>;
using TFontSet = std::unique_ptr<FcFontSet, TFontSetDeleter>;

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kSubstitutes = {{
    {"Arial", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
}};

}  // namespace

std::string_view SubstituteFamily(std::string_view family) {
  for (const auto& [name, substitute] : kSubstitutes)
    if (SameName(family, name)) return substitute;
  return family;
}

std::optional<TFontMatch> MatchFont(std::string_view family, bool bold, bool italic) {
  static const bool ready = FcInit() == FcTrue;
  if (!ready) return std::nullopt;

  TPattern pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  const std::string name(SubstituteFamily(family));
  if (!name.empty())
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return std::nullopt;
  FcDefaultSubstitute(pattern.get());

  // The fonts in order of preference; the first scalable one with a file is taken, so that a
  // bitmap font that happens to match best never ends the search.
  FcResult result = FcResultNoMatch;
  TFontSet fonts(FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
  if (!fonts) return std::nullopt;
  for (int i = 0; i < fonts->nfont; ++i) {
    FcPattern* font = fonts->fonts[i];
    FcBool scalable = FcFalse;
    FcChar8* file = nullptr;
    if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) continue;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
    TFontMatch match;
    match.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &match.index);
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    match.bold = weight >= FC_WEIGHT_DEMIBOLD;
    match.italic = slant != FC_SLANT_ROMAN;
    return match;
  }
  return std::nullopt;
}

}  // namespace folivar::posix
