// The "XWL" encoder of the book writer: the inverse of the decoder in images/xifzoom. A picture
// becomes one channel (grey) or three (Y, U, V), each transformed by Haar levels, quantised band
// by band and written as 2-bit symbols with their values (images/xifzoom.h has the layout).
#pragma once

#include <cstdint>
#include <string>

namespace folivar {

struct TXwlOptions {
  // true: depth 24, luma and two colour differences; false: depth 8, the luma alone.
  bool colour = true;
  // 1 (smallest stream) to 100 (finest). Each step down of 12.5 doubles the quantiser steps; the
  // default keeps a photograph above 34 dB PSNR.
  int quality = 75;
  // The stream's level number L (the transform makes L + 1 levels), 0 to 16; -1 chooses it by the
  // picture's size.
  int levels = -1;
};

// Encodes width x height pixels 0x00RRGGBB, top row first. Raises std::invalid_argument for a
// quality or level number out of range, or a picture larger than a book may hold (16384 pixels on a
// side, 256 MiB of pixels).
std::string EncodeXwl(const uint32_t* pixelsTopFirst, uint32_t width, uint32_t height,
                      const TXwlOptions& options = {});

}  // namespace folivar
