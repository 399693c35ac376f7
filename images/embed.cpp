#include "images/embed.h"

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bzip.h"

namespace folivar {

namespace {

std::array<std::unique_ptr<tview>, kBuiltInCount> gPictures;
uint32_t gDecodeCount = 0;

std::runtime_error Broken(const TStoredPicture& stored, const std::string& what) {
  return std::runtime_error(std::string("built-in picture ") + stored.name + ": " + what);
}

}  // namespace

void DecodeStoredPicture(const TStoredPicture& stored, tview& into) {
  if (into.Width() != stored.width || into.Height() != stored.height || !into.Bits())
    throw Broken(stored, "the picture is not of its stored size");
  const size_t expected = size_t{stored.width} * stored.height * 3;
  std::vector<uint8_t> raw;
  // One byte of room beyond the pixels tells a stream that is too long from one that fits.
  const TBunzipStatus status =
      Bunzip(stored.data, stored.size, TBunzipGrowth{expected + 1, 256, expected + 1}, raw);
  if (status != TBunzipStatus::Ok) throw Broken(stored, std::string(BunzipReason(status)));
  if (raw.size() != expected) throw Broken(stored, "the stream does not unpack to its size");
  const uint8_t* p = raw.data();
  for (uint32_t y = 0; y < stored.height; ++y) {
    for (uint32_t x = 0; x < stored.width; ++x, p += 3) {
      const uint32_t first = p[0], second = p[1], third = p[2];
      into.At(x, y) = stored.rgbOrder ? first << 16 | second << 8 | third
                                      : third << 16 | second << 8 | first;
    }
  }
}

void LoadBuiltInImages() {
  if (gDecodeCount > 0) return;
  for (size_t i = 0; i < kBuiltInCount; ++i) {
    const TStoredPicture& stored = kStoredPictures[i];
    const bool withDC = i == static_cast<size_t>(TBuiltIn::MessageBackground);
    auto picture = std::make_unique<tview>(stored.width, stored.height, withDC);
    DecodeStoredPicture(stored, *picture);
    gPictures[i] = std::move(picture);
  }
  ++gDecodeCount;
}

const tview& BuiltInImage(TBuiltIn which) {
  const auto i = static_cast<size_t>(which);
  if (i >= kBuiltInCount || !gPictures[i]) throw std::logic_error("the built-in pictures are not loaded");
  return *gPictures[i];
}

tview& MessageBackgroundImage() {
  const auto i = static_cast<size_t>(TBuiltIn::MessageBackground);
  if (!gPictures[i]) throw std::logic_error("the built-in pictures are not loaded");
  return *gPictures[i];
}

uint32_t BuiltInImagesDecodeCount() { return gDecodeCount; }

}  // namespace folivar
