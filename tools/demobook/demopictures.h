// The demo book's pictures, drawn from geometry so that the book needs no files: a cover, the ten
// page-number digits, a leaf emblem and a small landscape. Pixels 0x00RRGGBB, top row first.
#pragma once

#include <cstdint>
#include <vector>

namespace folivar {

struct TDemoPicture {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

// A deep green cover with a pale leaf and a frame.
TDemoPicture DemoCover(uint32_t width, uint32_t height);
// The digit d (0 to 9) as seven segments, dark on white, 9 x 13.
TDemoPicture DemoDigit(int d);
// A leaf on the background colour, size x size.
TDemoPicture DemoLeaf(uint32_t size, uint32_t background);
// Hills under a sky, width x height, smooth enough to show the wavelet coding.
TDemoPicture DemoLandscape(uint32_t width, uint32_t height);

}  // namespace folivar
