#include "images/imageclass.h"

namespace folivar {

namespace {

std::vector<std::unique_ptr<TImageItem>>& Images() {
  static std::vector<std::unique_ptr<TImageItem>> images;
  return images;
}

}  // namespace

void ReadImageEntry(TCheckedReader& source) {
  auto item = std::make_unique<TImageItem>();
  item->ascent = source.Int("the ascent of a picture");
  item->reserved = source.Byte("the reserved byte of a picture");
  item->picture.Load(source);
  Images().push_back(std::move(item));
}

void FreeImages() {
  Images().clear();
  Images().shrink_to_fit();
}

int32_t ImageCount() { return static_cast<int32_t>(Images().size()); }

bool HasImage(uint32_t number) { return number < Images().size(); }

TImageItem& ImageAt(uint32_t number) {
  if (HasImage(number)) return *Images()[number];
  // Handed out for numbers that name no picture; nothing may change it, so it is made anew.
  static TImageItem empty;
  empty.picture.Release();
  empty.ascent = 0;
  return empty;
}

}  // namespace folivar
