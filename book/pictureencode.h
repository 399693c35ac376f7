// The encoders of the book writer for packed pictures: the inverse of the picture decoders.
// Pixels are given top row first, 0x00RRGGBB.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace folivar {

// A bzip2 stream of the raw pixel memory (bottom row first), for a layout A record.
std::string PackRawPixels(const uint32_t* pixelsTopFirst, uint32_t width, uint32_t height);

// An "XBM" stream (at most 255 x 255): the single-colour variant when the picture has one
// colour besides the background, the palette variant otherwise. Without a background the most
// frequent colour is taken.
std::string EncodeXbm(const uint32_t* pixelsTopFirst, uint32_t width, uint32_t height,
                      std::optional<uint32_t> background = std::nullopt);

// Values of `bits` bits each, packed without gaps, least significant bit first.
std::string PackBits(const uint32_t* values, size_t count, uint32_t bits);

// The number of bits needed to hold v (at least 1).
uint32_t BitsFor(uint32_t v);

}  // namespace folivar
