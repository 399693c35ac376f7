// The row routines of the pixel views: each works on one row of count 32-bit pixels.
#pragma once

#include <cstdint>

namespace folivar {

// destination := value.
void FillPixels(uint32_t value, uint32_t* destination, int32_t count);
// destination := source.
void CopyPixels(const uint32_t* source, uint32_t* destination, int32_t count);
// Where source != key (all 32 bits compared): destination := source.
void CopyPixelsKeyed(const uint32_t* source, uint32_t* destination, int32_t count, uint32_t key);
// Where source != key: each of the blue, green and red bytes becomes
// ((d * weight) >> 8) + ((s * (256 - weight)) >> 8); the fourth destination byte is kept.
// Used with weights 1 to 254.
void BlendPixelsKeyed(const uint32_t* source, uint32_t* destination, int32_t count, uint32_t key,
                      uint8_t weight);

}  // namespace folivar
