#include "reader/pagemarks.h"

#include <algorithm>

#include "display/Views.h"

namespace folivar {

void TintRect(tview& view, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
              uint32_t weight) {
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, static_cast<int32_t>(view.Width()) - 1);
  y2 = std::min(y2, static_cast<int32_t>(view.Height()) - 1);
  weight = std::min<uint32_t>(weight, 255);
  for (int32_t y = y1; y <= y2; ++y) {
    for (int32_t x = x1; x <= x2; ++x) {
      uint32_t& p = view.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t a = (p >> shift) & 0xFF, b = (colour >> shift) & 0xFF;
        out |= ((a * (255 - weight) + b * weight) / 255) << shift;
      }
      p = (p & 0xFF000000u) | out;
    }
  }
}

}  // namespace folivar
