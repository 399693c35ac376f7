// Windows icon (.ico) and cursor (.cur) files: a directory of entries, each a 32-bit
// bottom-up DIB with straight alpha followed by the 1-bit AND mask, as Windows and the resource
// compiler read them. Portable: no part of it needs Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace folivar::art {

// One picture of an icon or cursor: pixels 0xAARRGGBB, not premultiplied, top row first.
struct TIconImage {
  uint32_t width = 0;
  uint32_t height = 0;
  // The pixel that a cursor points with; icons have none and ignore it.
  uint16_t hotX = 0;
  uint16_t hotY = 0;
  std::vector<uint32_t> pixels;
};

enum class TIconKind : uint16_t { Icon = 1, Cursor = 2 };

// The bytes of an icon or cursor file with one entry per image, in the order given. Every
// image is 1 to 256 pixels each way and a cursor's hot spot lies inside its image; anything
// else raises std::invalid_argument. Pixels of alpha 0 are written as 0 with their mask bit
// set, every other pixel with its mask bit clear, so that a display that ignores alpha and
// draws through the mask shows the picture's shape.
std::string IconFile(TIconKind kind, const std::vector<TIconImage>& images);

}  // namespace folivar::art
