#include "tools/make/picturescale.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "images/resample.h"

namespace folivar::make {

namespace {

// The part [s0, s1] x [t0, t1] of the picture (fractions of its width and height) resampled to
// width x height.
TPixels Resample(const TPixels& in, uint32_t width, uint32_t height, double s0, double t0, double s1,
                 double t1) {
  TPixels out;
  out.width = width;
  out.height = height;
  out.pixels.resize(size_t{width} * height);
  if (!ResampleRegionSrgb(in.pixels.data(), in.width, in.height, out.pixels.data(), width, height, s0, t0, s1, t1)) {
    throw std::runtime_error("the picture cannot be resampled");
  }
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
