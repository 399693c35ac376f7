#include "tools/guideart/noise.h"

#include <cmath>

namespace folivar::guideart {

double Hash(int32_t x, int32_t y, uint32_t seed) {
  // A 32-bit integer mix (the finaliser of MurmurHash3) of the point and the seed.
  uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^
               seed * 0xCB1AB31Fu;
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return (h >> 8) / 16777216.0;
}

double ValueNoise(double x, double y, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
  const double tx = x - fx, ty = y - fy;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  const double a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
  const double c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
  const double top = a + (b - a) * sx, bottom = c + (d - c) * sx;
  return top + (bottom - top) * sy;
}

double Fractal(double x, double y, int octaves, uint32_t seed) {
  double sum = 0, weight = 0.5, total = 0, scale = 1;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise(x * scale, y * scale, seed + static_cast<uint32_t>(i) * 101u) * weight;
    total += weight;
    weight *= 0.5;
    scale *= 2;
  }
  return total > 0 ? sum / total : 0;
}

}  // namespace folivar::guideart
