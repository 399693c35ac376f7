#include "tools/make/picturescale.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wpedantic"
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>
#pragma GCC diagnostic pop

namespace folivar::make {

namespace {

// The part [s0, s1] x [t0, t1] of the picture (fractions of its width and height) resampled to
// width x height. The pixels are four bytes each, the fourth always 0, so they pass as four
// colour channels without alpha.
TPixels Resample(const TPixels& in, uint32_t width, uint32_t height, double s0, double t0, double s1,
                 double t1) {
  TPixels out;
  out.width = width;
  out.height = height;
  out.pixels.resize(size_t{width} * height);
  const int ok = stbir_resize_region(
      in.pixels.data(), static_cast<int>(in.width), static_cast<int>(in.height),
      static_cast<int>(in.width * 4), out.pixels.data(), static_cast<int>(width), static_cast<int>(height),
      static_cast<int>(width * 4), STBIR_TYPE_UINT8, 4, STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP,
      STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_SRGB, nullptr,
      static_cast<float>(s0), static_cast<float>(t0), static_cast<float>(s1), static_cast<float>(t1));
  if (!ok) throw std::runtime_error("the picture cannot be resampled");
  for (uint32_t& p : out.pixels) p &= 0xFFFFFF;
  return out;
}

uint32_t Rounded(double v) { return static_cast<uint32_t>(std::max(1.0, std::floor(v + 0.5))); }

}  // namespace

TPixels ScaleToFit(const TPixels& picture, uint32_t width, uint32_t height) {
  if (picture.width <= width && picture.height <= height) return picture;
  if (width == 0 || height == 0) throw std::runtime_error("there is no room for the picture");
  const double scale = std::min(double(width) / picture.width, double(height) / picture.height);
  return Resample(picture, std::min(width, Rounded(picture.width * scale)),
                  std::min(height, Rounded(picture.height * scale)), 0, 0, 1, 1);
}

TPixels ScaleToCover(const TPixels& picture, uint32_t width, uint32_t height) {
  if (picture.width == width && picture.height == height) return picture;
  if (width == 0 || height == 0) throw std::runtime_error("there is no room for the picture");
  const double scale = std::max(double(width) / picture.width, double(height) / picture.height);
  // The share of the picture's width and height that stays, centred.
  const double keepX = std::min(1.0, width / scale / picture.width);
  const double keepY = std::min(1.0, height / scale / picture.height);
  return Resample(picture, width, height, (1 - keepX) / 2, (1 - keepY) / 2, (1 + keepX) / 2, (1 + keepY) / 2);
}

}  // namespace folivar::make
