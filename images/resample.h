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

// Puts a picture resampled by ResampleKeyed with its top-left corner at (x, y) of destination,
// clipped: each pixel mixed with the background by its coverage times the picture's share
// (256 - weight) / 256; weight 255 draws nothing, as for the keyed blend at full size.
void PutCovered(const tview& picture, const std::vector<uint8_t>& coverage, tview& destination,
                int32_t x, int32_t y, uint8_t weight);

}  // namespace folivar
