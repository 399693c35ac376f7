#include "display/surfaces.h"

#include "book/bookstyle.h"

namespace folivar {

namespace {
TSurface* current = nullptr;
}

TSurface::TSurface(std::unique_ptr<TTextDevice> device) : device_(std::move(device)) {}

void TSurface::SelectStyle(int32_t styleIndex) {
  const TStyle& style = GetStyle(styleIndex);
  if (style.kind != kKindCharacter || styleIndex == currentStyle_) return;
  currentStyle_ = styleIndex;
  device_->SelectFont(style.font);
}

TSurface* CurrentSurface() { return current; }
void SetCurrentSurface(TSurface* surface) { current = surface; }

}  // namespace folivar
