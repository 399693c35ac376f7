// Styles: every page item names a style by its index in one program-wide table. A style says
// what kind of item it is, for text its font, and for any kind a link target. Entries 0 to 4 are
// built in; the book's styles follow from 5.
//
// Style record in the style block:
//   i32 n | n bytes face name | u8 flags | i32 size | i32 colour | i32 name sum | u8 kind |
//   i32 m | m bytes link        (no bytes when a length is 0 or negative)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/checkedread.h"

namespace folivar {

enum : uint8_t {
  kKindNone = 0,       // control marks: width 0, not drawn
  kKindCharacter = 1,  // text characters in the style's font
  kKindImage = 2,      // pictures
  kKindJustify = 3,    // measured and drawn as kind 0
  kKindImgChar = 4,    // glyph pictures, drawn blended
};

enum : uint8_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4, kFontStrikeOut = 8 };

// The style of page-reference items: they show an anchor's page number.
constexpr int32_t kPageReferenceStyle = 4;
constexpr int32_t kBuiltInStyles = 5;

class TStyleFont {
 public:
  std::string faceName;  // in the book's encoding: code page 1251 or UTF-8
  uint8_t flags = 0;
  int32_t size = 0;      // points
  int32_t colour = 0;    // COLORREF 0x00BBGGRR
  int32_t nameSum = 0;   // sum of the face name's bytes; stands for the name in comparisons

  void SetFaceName(const std::string& name);
};

// Fonts are the same when name sums, flags, sizes and colours are; the names are not compared.
bool SameFont(const TStyleFont& a, const TStyleFont& b);

class TStyle {
 public:
  uint8_t kind = kKindNone;
  TStyleFont font;
  std::string link;     // "#name" is an anchor; other targets go to the shell
  int32_t ascent = -1;  // cached font metrics; -1 = not yet measured
  int32_t descent = -1;

  TStyle() = default;
  explicit TStyle(uint8_t k) : kind(k) {}

  // Reads one style record (every stored field; the metrics stay as they are).
  void ReadRecord(TCheckedReader& source);

  // The index of the first table entry equal to this style, or -1.
  int32_t FindStyle() const;
  // Appends a copy of this style to the table and returns its index.
  int32_t AddStyle() const;
  int32_t FindOrAddStyle() const;
  // The font ascent, measured once on the current surface and cached.
  int32_t FontAscent();
};

// False when links or kinds differ; otherwise true for pictures and SameFont for other kinds.
bool SameStyle(const TStyle& a, const TStyle& b);

// The table entry at index. An index beyond the table (from a damaged page) gives a style of kind
// none, so that the item is neither measured nor drawn.
namespace style_table {
// The table; use the functions below.
extern std::vector<std::unique_ptr<TStyle>> entries;
TStyle& None();
}  // namespace style_table

// Inline: drawing a page asks for styles several times per item.
inline TStyle& GetStyle(int32_t index) {
  const auto& styles = style_table::entries;
  if (static_cast<uint32_t>(index) < styles.size()) return *styles[static_cast<uint32_t>(index)];
  return style_table::None();
}
inline uint8_t StyleKind(int32_t index) { return GetStyle(index).kind; }
int32_t StyleCount();
// Cuts the table back to the five built-in styles, made anew.
void ResetStyles();

}  // namespace folivar
