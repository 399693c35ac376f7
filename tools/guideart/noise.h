// Deterministic noise for the guide's artwork: the same picture on every machine and every run,
// with no seed taken from the clock.
#pragma once

#include <cstdint>

namespace folivar::guideart {

// A value in [0, 1) that depends only on the integer lattice point and the seed.
double Hash(int32_t x, int32_t y, uint32_t seed);
// Smooth value noise in [0, 1): the lattice hashes interpolated with a smoothstep.
double ValueNoise(double x, double y, uint32_t seed);
// Octaves of value noise, each half the size and half the weight of the one before; in [0, 1).
double Fractal(double x, double y, int octaves, uint32_t seed);

}  // namespace folivar::guideart
