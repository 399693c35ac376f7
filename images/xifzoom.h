// The "XWL" stream: a wavelet-coded picture, greyscale (one channel) or colour (Y, U and V).
//
//   "XWL" | u16 W | u16 H | u8 depth (8 or 24) | u8 level number L (at most 16)
//   | u32 symbol count x 3 | u32 value count x 3 | u8 value bits x 3         (36 bytes, no padding)
//   | step tables: L + 2 doubles per decoded channel (detail bands of levels 0..L, approximation)
//   | channels: 2-bit symbols four to a byte (low pair first), then the values by the bit rule
//
// Each channel expands into W x H quantised coefficients, is dequantised band by band (a band is
// multiplied by 1 / its table entry, or by 0 when the entry is 0) and inverse-transformed by L + 1
// Haar levels with an edge-preserving rule for zero details. The result is defined to the bit:
// double precision throughout, rounding half to even.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace folivar {

// The 36-byte header of an "XWL" stream, as stored.
struct TXwlHeader {
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t depth = 0;   // 8 = greyscale, 24 = colour; anything else decodes to black
  uint8_t levels = 0;  // the level number L: the transform has L + 1 levels
  uint32_t symbolCount[3] = {};
  uint32_t valueCount[3] = {};
  uint8_t valueBits[3] = {};
};

constexpr size_t kXwlHeaderSize = 36;
constexpr uint32_t kXwlMaxLevel = 16;
// The largest picture the decoder makes: 16384 pixels on a side and 256 MiB of pixels, as for
// every picture of a book.
constexpr uint32_t kXwlMaxSide = 16384;
constexpr uint64_t kXwlMaxPixelBytes = uint64_t{256} << 20;

// Reads the header alone. Raises TBookDamaged when the data is shorter than a header or does not
// begin with "XWL"; the fields themselves are not judged here.
TXwlHeader ReadXwlHeader(const uint8_t* data, size_t size);

// Decodes a whole stream into W x H pixels 0x00RRGGBB, top row first. A greyscale stream gives
// grey pixels 0x00LLLLLL; a depth other than 8 and 24 gives W x H black pixels. Coefficients after
// the last symbol are zero. Raises TBookDamaged, naming the field, for a stream that does not hold
// what its header says, a level number above 16, a value width of 0 or above 31, or a picture
// larger than the limits above. Value widths 1 to 31 are all packed by the bit rule (for 8 that is
// one byte per value). Bytes after the last channel are ignored.
std::vector<uint32_t> DecodeXwl(const uint8_t* data, size_t size, TXwlHeader* header = nullptr);

// The decoder runs its inner loops with AVX2 when the processor has it, and with SSE2 otherwise;
// both give the same pixels to the bit. Tests and benchmarks switch AVX2 off here to check and
// measure the narrower path. Not meant to be changed while another thread decodes.
void AllowXwlAvx2(bool allowed);

}  // namespace folivar
