// Pictures of the book source: PNG files read with libpng and stored in the format that suits
// them. "XBM" (a mask and a palette) for small pictures of few colours such as glyphs, raw bzip2
// pixels for line art of few colours, "XWL" wavelets for photographs; a title on the picture
// ("xbm", "raw", "xwl" or "xwl:QUALITY") chooses instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace folivar::make {

struct TPictureFormat {
  enum Kind : uint8_t { kAuto, kXbm, kRaw, kXwl };
  Kind kind = kAuto;
  int quality = 75;  // kXwl
};

// The format a picture title asks for; false for a title that names no format (it is then an
// ordinary title and the choice is automatic) — "xwl:0" and the like are errors (std::invalid_argument).
bool ParsePictureFormat(const std::string& title, TPictureFormat& format);

// The number of distinct colours, counted up to `limit` + 1.
size_t CountColours(const std::vector<uint32_t>& pixels, size_t limit);

// What kAuto resolves to for these pixels.
TPictureFormat::Kind ChooseFormat(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height);

// The XIF record of the pixels (top row first) in the format. Raises std::invalid_argument when
// the format cannot hold the picture ("XBM" is at most 255 x 255).
std::string EncodePicture(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height,
                          TPictureFormat format, uint32_t background = 0xFFFFFFFF);

}  // namespace folivar::make
