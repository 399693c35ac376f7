// The reader's nine built-in interface pictures, drawn in code: the lit page corners, the window
// and side buttons, and the message-window background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/artwork/raster.h"

namespace folivar::art {

struct TArtwork {
  std::string name;    // "corner-left", ...
  std::string symbol;  // the C++ name of its stored stream, "kCornerLeft", ...
  uint32_t width = 0;
  uint32_t height = 0;
  bool rgbOrder = false;  // stored R, G, B (the message background); the others B, G, R
  // Pictures of the highlight layer: pure black (0) is transparent there, so their empty parts
  // are 0 and no drawn pixel is 0.
  bool keyed = false;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
};

// The paper of the reader's pages: anti-aliased edges of the highlight pictures fade into it.
TColour PaperColour();

// The scales besides 1 at which the pictures are drawn for the reader, ascending.
constexpr double kDrawnScales[] = {1.25, 1.5, 2};

// All nine pictures in the reader's table order, drawn at the scale: each of device size
// round(width * scale) x round(height * scale) of its size at 1, the same drawing rasterised
// at that size.
std::vector<TArtwork> DrawAllPictures(double scale = 1);

}  // namespace folivar::art
