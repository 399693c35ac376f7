#include "tools/demobook/demopictures.h"

#include <algorithm>
#include <cmath>

namespace folivar {

namespace {

uint32_t Rgb(double r, double g, double b) {
  auto c = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
  return c(r) << 16 | c(g) << 8 | c(b);
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
  auto ch = [&](int shift) {
    return ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
  };
  return Rgb(ch(16), ch(8), ch(0));
}

// Coverage of a leaf centred in a unit square: a lens between two circular arcs, tilted, with a
// midrib. u, v in 0..1.
double LeafCoverage(double u, double v) {
  const double angle = -0.6;
  const double x = (u - 0.5) * std::cos(angle) - (v - 0.5) * std::sin(angle);
  const double y = (u - 0.5) * std::sin(angle) + (v - 0.5) * std::cos(angle);
  // The lens |y| < half-width that narrows towards both tips at x = +-0.45.
  const double t = x / 0.45;
  if (std::abs(t) >= 1) return 0;
  const double half = 0.2 * (1 - t * t);
  const double edge = half - std::abs(y);
  if (edge <= 0) return 0;
  if (std::abs(y) < 0.008 && t < 0.9) return 0.35;  // the midrib shows lighter
  return std::min(1.0, edge * 60);
}

}  // namespace

TDemoPicture DemoCover(uint32_t width, uint32_t height) {
  TDemoPicture p{width, height, {}};
  p.pixels.reserve(size_t{width} * height);
  const uint32_t leaf = 0xE8F0D0;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const double v = static_cast<double>(y) / height;
      uint32_t c = Rgb(20 + 30 * v, 70 + 40 * (1 - v), 40 + 20 * v);
      // The leaf in the upper middle.
      const double size = width * 0.7;
      const double u = (x - (width - size) / 2) / size;
      const double w = (y - height * 0.18) / size;
      if (u >= 0 && u <= 1 && w >= 0 && w <= 1) c = Mix(c, leaf, LeafCoverage(u, w));
      // A thin frame 12 pixels in.
      const bool frame = (x == 12 || x == width - 13 || y == 12 || y == height - 13) &&
                         x >= 12 && x <= width - 13 && y >= 12 && y <= height - 13;
      if (frame) c = 0xC8B070;
      p.pixels.push_back(c);
    }
  }
  return p;
}

TDemoPicture DemoDigit(int d) {
  // Segments a b c d e f g, as in a seven-segment display.
  static const uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  TDemoPicture p{9, 13, std::vector<uint32_t>(9 * 13, 0xFFFFFF)};
  const uint8_t s = kSegments[std::clamp(d, 0, 9)];
  auto line = [&](int x1, int y1, int x2, int y2) {
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) p.pixels[static_cast<size_t>(y * 9 + x)] = 0x303840;
  };
  if (s & 0x01) line(2, 1, 6, 1);
  if (s & 0x02) line(7, 2, 7, 5);
  if (s & 0x04) line(7, 7, 7, 10);
  if (s & 0x08) line(2, 11, 6, 11);
  if (s & 0x10) line(1, 7, 1, 10);
  if (s & 0x20) line(1, 2, 1, 5);
  if (s & 0x40) line(2, 6, 6, 6);
  return p;
}

TDemoPicture DemoLeaf(uint32_t size, uint32_t background) {
  TDemoPicture p{size, size, {}};
  for (uint32_t y = 0; y < size; ++y)
    for (uint32_t x = 0; x < size; ++x)
      p.pixels.push_back(LeafCoverage((x + 0.5) / size, (y + 0.5) / size) > 0.5 ? 0x3A7D2C : background);
  return p;
}

TDemoPicture DemoLandscape(uint32_t width, uint32_t height) {
  TDemoPicture p{width, height, {}};
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
      const double far = 0.45 + 0.08 * std::sin(u * 7 + 1) + 0.04 * std::sin(u * 19);
      const double near = 0.65 + 0.1 * std::sin(u * 4 + 2.5);
      uint32_t c = Rgb(120 + 100 * v, 170 + 60 * v, 235);
      if (v > far) c = Rgb(70 + 40 * v, 125 + 15 * std::sin(u * 9), 85);
      if (v > near) c = Rgb(60 + 40 * v, 140 - 30 * v, 50);
      p.pixels.push_back(c);
    }
  }
  return p;
}

}  // namespace folivar
