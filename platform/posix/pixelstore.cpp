// Pixel stores natively: there are no device contexts here, so every view is memory only and
// withDC changes nothing (the text device draws into the same pixel memory).
#include "display/Views.h"

namespace folivar {

std::unique_ptr<TPixelStore> CreatePixelStore(uint32_t width, uint32_t height, bool /*withDC*/) {
  return CreateMemoryPixelStore(width, height);
}

}  // namespace folivar
