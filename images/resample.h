// Resampling of pictures to another size, for drawing at a scale: opaque pictures by colour, and
// keyed pictures (glyph pictures, whose key colour marks where they are not) by colour and coverage
// together, so that the key colour never bleeds into the edges of the result.
#pragma once

#include <cstdint>
#include <vector>

#include "display/Views.h"

namespace folivar {

// destination (already of the size wanted) := source resampled: stb's default filters (Mitchell
// when shrinking, Catmull-Rom when enlarging). Nothing for an empty source or destination.
void ResamplePicture(const tview& source, tview& destination);

// destination (of the size wanted) := the colour of source's pixels that are not key, resampled
// with their coverage (a tent filter, weighting each colour by how much of it covers the pixel);
// coverage := 0 (nothing) .. 255 (all picture) per destination pixel, in the destination's memory
// order (rows bottom-up, as a view stores them).
void ResampleKeyed(const tview& source, uint32_t key, tview& destination,
                   std::vector<uint8_t>& coverage);

// The part [s0, s1] x [t0, t1] (fractions of the width and height) of width x height pixels
// (0x00RRGGBB, top row first, no gaps) resampled to outWidth x outHeight into out, in linear light
// (sRGB decoded before filtering and encoded after), with stb's default filters. False when it
// cannot be done.
bool ResampleRegionSrgb(const uint32_t* in, uint32_t width, uint32_t height, uint32_t* out,
                        uint32_t outWidth, uint32_t outHeight, double s0, double t0, double s1, double t1);

// Puts a picture resampled by ResampleKeyed with its top-left corner at (x, y) of destination,
// clipped: each pixel mixed with the background by its coverage times the picture's share
// (256 - weight) / 256; weight 255 draws nothing, as for the keyed blend at full size.
void PutCovered(const tview& picture, const std::vector<uint8_t>& coverage, tview& destination,
                int32_t x, int32_t y, uint8_t weight);

}  // namespace folivar
