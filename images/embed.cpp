#include "images/embed.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bzip.h"
#include "images/resample.h"

namespace folivar {

namespace {

using TPictureSet = std::array<std::unique_ptr<tview>, kBuiltInCount>;

TPictureSet gPictures;
uint32_t gDecodeCount = 0;
// The drawn sets, decoded when first asked for, in kDrawnSets order.
std::array<TPictureSet, kDrawnSetCount> gDrawn;

// Pictures resampled from the set at 1, for the last few scales asked for.
struct TResampled {
  double scale;
  TPictureSet pictures;
};
constexpr size_t kResampledScales = 4;
std::deque<TResampled> gResampled;

uint32_t Scaled(uint32_t side, double scale) {
  return static_cast<uint32_t>(std::max(std::round(side * scale), 1.0));
}

std::unique_ptr<tview> Resampled(TBuiltIn which, const tview& source, double scale) {
  auto picture = std::make_unique<tview>(Scaled(source.Width(), scale), Scaled(source.Height(), scale));
  if (which == TBuiltIn::MessageBackground) {
    ResamplePicture(source, *picture);
    return picture;
  }
  // The highlight pictures: black is the layer's nothing, resampled as a key so that no dark
  // fringe rims them, a pixel lit where the picture covers at least half of it.
  std::vector<uint8_t> coverage;
  ResampleKeyed(source, 0, *picture, coverage);
  uint32_t* bits = picture->Bits();
  for (size_t i = 0; i < coverage.size(); ++i) bits[i] = coverage[i] < 128 ? 0 : std::max(bits[i], 1u);
  return picture;
}

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

const TStoredSet* DrawnSet(double scale) {
  for (const TStoredSet& set : kDrawnSets)
    if (set.scale == scale) return &set;
  return nullptr;
}

const tview& BuiltInImage(TBuiltIn which, double scale) {
  const tview& base = BuiltInImage(which);
  if (scale == 1.0) return base;
  const auto i = static_cast<size_t>(which);
  if (const TStoredSet* set = DrawnSet(scale)) {
    std::unique_ptr<tview>& picture = gDrawn[static_cast<size_t>(set - kDrawnSets)][i];
    if (!picture) {
      const TStoredPicture& stored = set->pictures[i];
      auto decoded = std::make_unique<tview>(stored.width, stored.height);
      DecodeStoredPicture(stored, *decoded);
      picture = std::move(decoded);
    }
    return *picture;
  }
  if (!(scale > 0) || !std::isfinite(scale))
    throw std::invalid_argument("a built-in picture's scale must be positive");
  auto found = std::find_if(gResampled.begin(), gResampled.end(),
                            [scale](const TResampled& r) { return r.scale == scale; });
  if (found == gResampled.end()) {
    if (gResampled.size() == kResampledScales) gResampled.pop_front();
    gResampled.push_back({scale, {}});
    found = gResampled.end() - 1;
  }
  std::unique_ptr<tview>& picture = found->pictures[i];
  if (!picture) picture = Resampled(which, base, scale);
  return *picture;
}

tview& MessageBackgroundImage() {
  const auto i = static_cast<size_t>(TBuiltIn::MessageBackground);
  if (!gPictures[i]) throw std::logic_error("the built-in pictures are not loaded");
  return *gPictures[i];
}

uint32_t BuiltInImagesDecodeCount() { return gDecodeCount; }

}  // namespace folivar
