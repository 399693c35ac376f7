// Whole-buffer bzip2: unpacking one complete stream from untrusted bytes, and packing (for the book
// writer and the tools).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace folivar {

enum class TBunzipStatus {
  Ok,
  Damaged,    // the bytes are not a valid bzip2 stream
  Truncated,  // the stream does not end within the bytes
  TooLarge,   // the stream unpacks to more than the caller's limit
};

// The growth of the output buffer while a stream is unpacked: it starts at `initial` bytes and
// grows by `step` bytes each time it fills, never beyond `limit`.
struct TBunzipGrowth {
  size_t initial;
  size_t step;
  size_t limit;
};

// Unpacks the one bzip2 stream that data must hold into out (replacing its content; cut to the
// unpacked size). Bytes after the end of the stream are ignored. On failure out is empty.
TBunzipStatus Bunzip(const void* data, size_t n, const TBunzipGrowth& growth,
                     std::vector<uint8_t>& out);

// Unpacks the one bzip2 stream of data into a buffer of fixed capacity, which the stream must
// not overflow; produced gets the number of bytes written.
TBunzipStatus BunzipInto(const void* data, size_t n, void* out, size_t capacity, size_t& produced);

// A short phrase for a failed status ("is not a valid bzip2 stream", ...).
std::string_view BunzipReason(TBunzipStatus status);

// Packs data into one bzip2 stream (block size 900k).
std::string Bzip(std::string_view data);

inline size_t RoundUp256(size_t n) { return (n + 255) / 256 * 256; }

}  // namespace folivar
