// The "XBM" stream: a one-bit mask over a background colour, with a bit-packed palette.
//
//   "XBM" | u8 W | u8 H | u32 background | i32 M | M mask bytes (one bit per pixel, pixel-memory
//   order: bottom row first, least significant bit first) | i32 P, then
//     P > 0:  P palette bytes | u16 C1 | u16 B1 | i32 I | I index bytes | u16 C2 | u16 B2
//     P <= 0: i32 N | u32 colour (only when N > 0)
//
// Palette and index values are packed without gaps, least significant bit first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace folivar {

class tview;

// Resizes target to the stream's W x H (memory only), fills it with the background and colours
// the masked pixels. Returns an empty string, or what was wrong with a damaged stream; the picture
// then keeps what could be decoded and nothing outside it is touched.
std::string DecodeXbm(std::string_view stream, tview& target);

// Reads count values of `bits` bits (1 to 31) from data by the bit rule; false when the data is
// too short.
bool UnpackBits(std::string_view data, uint32_t count, uint32_t bits, uint32_t* values);

}  // namespace folivar
