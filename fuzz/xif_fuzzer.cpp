// Feeds arbitrary bytes to a picture record: Load of either layout, then Unpack of the packed
// pixels (raw bzip2 or "XBM"). Damaged records must end in TBookDamaged or a recorded damage.
#include <cstdint>
#include <cstring>
#include <string>

#include "core/errors.h"
#include "images/xif3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace folivar;
  // Keep the pictures small so the fuzzer explores instead of allocating.
  if (size >= 12 && std::memcmp(data + 4, "XWL", 3) != 0) {
    uint32_t width, height;
    std::memcpy(&width, data + 4, 4);
    std::memcpy(&height, data + 8, 4);
    if (uint64_t{width} * height > (uint64_t{1} << 20)) return 0;
  }
  if (size >= 9 && std::memcmp(data + 4, "XWL", 3) == 0) {
    const uint32_t width = data[7] | data[8] << 8;
    const uint32_t height = size >= 11 ? (data[9] | data[10] << 8) : 0;
    if (uint64_t{width} * height > (uint64_t{1} << 20)) return 0;
  }
  TStrFile file(std::string(reinterpret_cast<const char*>(data), size));
  TXif picture;
  try {
    picture.Load(file);
    picture.Unpack();
    picture.Unpack();
    if (picture.Width() > 0 && picture.Height() > 0) {
      volatile uint32_t corner = picture.GetPixel(picture.Width() - 1, picture.Height() - 1);
      (void)corner;
    }
  } catch (const TBookDamaged&) {
  }
  return 0;
}
