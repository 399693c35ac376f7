#include "book/bookstyle.h"

#include "display/surfaces.h"

namespace folivar {

namespace {

std::vector<std::unique_ptr<TStyle>> MakeBuiltIns() {
  std::vector<std::unique_ptr<TStyle>> styles;
  for (uint8_t kind : {kKindNone, kKindImage, kKindImgChar, kKindNone, kKindNone}) {
    styles.push_back(std::make_unique<TStyle>(kind));
  }
  return styles;
}

std::vector<std::unique_ptr<TStyle>>& Styles() { return style_table::entries; }

}  // namespace

void TStyleFont::SetFaceName(const std::string& name) {
  faceName = name;
  nameSum = 0;
  for (char c : name) nameSum += static_cast<uint8_t>(c);
}

bool SameFont(const TStyleFont& a, const TStyleFont& b) {
  return a.nameSum == b.nameSum && a.flags == b.flags && a.size == b.size && a.colour == b.colour;
}

bool SameStyle(const TStyle& a, const TStyle& b) {
  if (a.link != b.link || a.kind != b.kind) return false;
  return a.kind == kKindImage || SameFont(a.font, b.font);
}

void TStyle::ReadRecord(TCheckedReader& source) {
  font.faceName = source.Str("the face name of a style", /*negativeIsEmpty=*/true);
  font.flags = source.Byte("the font flags of a style");
  font.size = source.Int("the font size of a style");
  font.colour = source.Int("the colour of a style");
  font.nameSum = source.Int("the name sum of a style");
  kind = source.Byte("the kind of a style");
  link = source.Str("the link of a style", /*negativeIsEmpty=*/true);
}

int32_t TStyle::FindStyle() const {
  const auto& styles = Styles();
  for (size_t i = 0; i < styles.size(); ++i) {
    if (SameStyle(*styles[i], *this)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TStyle::AddStyle() const {
  auto copy = std::make_unique<TStyle>(kind);
  copy->link = link;
  copy->font.SetFaceName(font.faceName);
  copy->font.flags = font.flags;
  copy->font.size = font.size;
  copy->font.colour = font.colour;
  copy->ascent = ascent;
  copy->descent = descent;
  Styles().push_back(std::move(copy));
  return static_cast<int32_t>(Styles().size() - 1);
}

int32_t TStyle::FindOrAddStyle() const {
  const int32_t found = FindStyle();
  return found >= 0 ? found : AddStyle();
}

int32_t TStyle::FontAscent() {
  if (ascent >= 0) return ascent;
  TSurface* surface = CurrentSurface();
  if (!surface) return 0;
  const int32_t index = FindOrAddStyle();
  surface->SelectStyle(index);
  int32_t a = 0, d = 0;
  surface->GetAscentDescent(a, d);
  // The entry in the table keeps the cache: this style may be a copy of it.
  TStyle& entry = GetStyle(index);
  entry.ascent = ascent = a;
  entry.descent = descent = d;
  return ascent;
}

namespace style_table {

std::vector<std::unique_ptr<TStyle>> entries = MakeBuiltIns();

TStyle& None() {
  static TStyle none;
  none = TStyle();
  return none;
}

}  // namespace style_table

int32_t StyleCount() { return static_cast<int32_t>(Styles().size()); }

void ResetStyles() { Styles() = MakeBuiltIns(); }

}  // namespace folivar
