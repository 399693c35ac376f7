// Measuring as the reader measures. The compiler registers every style and picture both with the
// book writer and with the reader's own style table and picture list, and measures items through
// the reader's own item measures on a surface with the native text device (the very faces and
// pixel heights the reader uses). So a stored width is the width the reader will find when it
// draws the line.
//
// The reader's tables are program-wide: one TMeasure at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "book/bookwriter.h"
#include "display/surfaces.h"

namespace folivar::make {

struct TGlyph {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;  // top row first, 0x00RRGGBB
  int32_t inkTop = 0;            // first row with ink, in the unclipped cell
  int32_t baseline = 0;          // the font's ascent: the baseline's row in the cell
};

class TMeasure {
 public:
  explicit TMeasure(TBookWriter& writer);
  ~TMeasure();
  TMeasure(const TMeasure&) = delete;
  TMeasure& operator=(const TMeasure&) = delete;

  // The style's index in the book (equal styles share one).
  uint16_t Style(const TStyleRecord& record);
  // Adds a picture entry; returns its image number.
  uint16_t Picture(int32_t ascent, const std::string& xifRecord);

  // An item's advance as the reader measures it (a page reference: "0000" in the font of
  // `fontStyle`, the text item measured before it on its line).
  int32_t Width(uint16_t code, uint16_t style, uint16_t fontStyle = 0);
  int32_t Ascent(uint16_t code, uint16_t style);
  // Below the baseline: a text style's font descent, a picture's height less its ascent.
  int32_t Descent(uint16_t code, uint16_t style);

  // The face (UTF-8) of a text style, or of a font, when it has no glyph of its own for the
  // character, which the reader would then draw as the font's missing glyph; empty when it has one.
  std::string FaceLacking(uint16_t style, char32_t c);
  std::string FaceLacking(const TStyleRecord& font, char32_t c);

  // A string of one text style (in the book's encoding) drawn on the font's background
  // `background` (0x00RRGGBB), the cell of its advances and font height.
  TGlyph Render(const TStyleRecord& font, const std::string& text, uint32_t background);

 private:
  TBookWriter& writer_;
  TSurface surface_;
};

}  // namespace folivar::make
