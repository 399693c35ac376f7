// The row routines of the pixel views: each works on one row of count 32-bit pixels.
#pragma once

#include <cstdint>

namespace folivar {

// destination := value.
void FillPixels(uint32_t value, uint32_t* destination, int32_t count);
// destination := source.
void CopyPixels(const uint32_t* source, uint32_t* destination, int32_t count);
// Where source != key (all 32 bits compared): destination := source. Every destination pixel
// of the row may be rewritten, with its own value where the source is the key.
void CopyPixelsKeyed(const uint32_t* source, uint32_t* destination, int32_t count, uint32_t key);
// Where source != key: each of the blue, green and red bytes becomes
// ((d * weight) >> 8) + ((s * (256 - weight)) >> 8); the fourth destination byte is kept.
// Used with weights 1 to 254 (0 and 255 give exact results too).
void BlendPixelsKeyed(const uint32_t* source, uint32_t* destination, int32_t count, uint32_t key,
                      uint8_t weight);

// The instruction sets that the keyed copy and the blend can work with. Every path gives the same
// bytes; on first use the routines take the fastest one that this build and processor have.
// Tests select each path in turn to compare them with the plain formula.
enum class TRowPath { kPortable, kSse2, kAvx2 };
bool RowPathAvailable(TRowPath path);
// Makes the routines use path from now on; false (and no change) when it is not available.
bool SelectRowPath(TRowPath path);
TRowPath SelectedRowPath();

}  // namespace folivar
