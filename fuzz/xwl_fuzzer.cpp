// Feeds arbitrary bytes to the "XWL" decoder as a wavelet picture stream. A damaged stream must
// end in TBookDamaged; anything else (a crash, a sanitizer report, another exception, a picture
// of the wrong size) is a fault. The last byte's low bit chooses whether AVX2 may be used, so
// that both widths of the inner loops are explored.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/errors.h"
#include "images/xifzoom.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace folivar;
  // Keep the pictures small (at most 4 Mi pixels) so the fuzzer explores instead of allocating.
  if (size >= 7) {
    const uint64_t width = data[3] | data[4] << 8, height = data[5] | data[6] << 8;
    if (width * height > (uint64_t{1} << 22)) return 0;
  }
  AllowXwlAvx2(size == 0 || (data[size - 1] & 1) == 0);
  try {
    TXwlHeader header;
    const std::vector<uint32_t> pixels = DecodeXwl(data, size, &header);
    if (pixels.size() != size_t{header.width} * header.height) std::abort();
  } catch (const TBookDamaged&) {
  }
  return 0;
}
