// A picture file of the book source read into pixels, by what the file holds rather than by its
// name: PNG (libpng), JPEG (libjpeg: grey, RGB, CMYK and YCCK), GIF (giflib: the first frame) and
// SVG (librsvg, drawn through cairo). Transparency is laid over white.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace folivar::make {

struct TPixels {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;  // top row first, 0x00RRGGBB
};

// The largest side a raster picture may have; an SVG is drawn at most this large.
constexpr uint32_t kLargestPictureSide = 16384;
constexpr uint32_t kLargestSvgSide = 4096;

// Reads the file at `path`. An SVG without a size of its own in absolute units is drawn
// `fallbackWidth` pixels wide (its height from its viewBox, or from its drawing when it has none).
// Raises std::runtime_error with the reason when the file is none of the formats or does not decode.
TPixels ReadPictureFile(const std::string& path, uint32_t fallbackWidth);

}  // namespace folivar::make
