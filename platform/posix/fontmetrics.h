// The arithmetic by which the native text device sizes a font and scales its design values to
// pixels, the way GDI does with the same fonts (found by measuring Wine's GDI on the Liberation
// faces): a font is hinted at a whole number of pixels per em, and every metric is the design
// value scaled to that size and rounded to the nearest pixel, halves up.
#pragma once

#include <algorithm>
#include <cstdint>

namespace folivar::posix {

// The largest em size the device hints and rasterises. Larger requests are served at this size,
// so that no height from a book can make a glyph bitmap of gigabytes.
inline constexpr int32_t kMaxPixelsPerEm = 2048;

// value * ppem / unitsPerEm rounded to the nearest integer, halves away from zero.
constexpr int32_t ScaleToPixels(int32_t value, int32_t ppem, int32_t unitsPerEm) {
  if (unitsPerEm <= 0) return 0;
  const int64_t n = int64_t{value} * ppem;
  const int64_t d = unitsPerEm;
  const int64_t r = n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
  return static_cast<int32_t>(r);
}

// The em size in pixels for a LOGFONT height. A negative height is the em height itself. A
// positive height is a cell height (ascent + descent): the font gets the largest em size whose
// scaled cell (the sum of the design ascent and descent, scaled and rounded) is not taller;
// 0 asks for the default cell height, 16. Never below 1 nor above kMaxPixelsPerEm.
constexpr int32_t PixelsPerEm(int32_t height, int32_t unitsPerEm, int32_t designCell) {
  int64_t ppem = 0;
  if (height < 0) {
    ppem = -int64_t{height};
  } else {
    const int64_t cell = height == 0 ? 16 : height;
    if (unitsPerEm <= 0 || designCell <= 0) {
      ppem = cell;
    } else {
      // round(designCell * p / unitsPerEm) <= cell  <=>  2 * designCell * p < (2 * cell + 1) * unitsPerEm
      ppem = ((2 * cell + 1) * unitsPerEm - 1) / (2 * int64_t{designCell});
    }
  }
  return static_cast<int32_t>(std::clamp<int64_t>(ppem, 1, kMaxPixelsPerEm));
}

}  // namespace folivar::posix
