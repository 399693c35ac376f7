#include "tools/make/pictures.h"

#include <stdexcept>
#include <unordered_set>

#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "book/xwlencode.h"

namespace folivar::make {

namespace {

// Glyph-like pictures: small enough for "XBM", with few colours.
constexpr uint32_t kXbmSide = 255;
constexpr size_t kXbmColours = 16;
// Line art: few enough colours that raw pixels pack well under bzip2.
constexpr size_t kLineArtColours = 256;

}  // namespace

bool ParsePictureFormat(const std::string& title, TPictureFormat& format) {
  if (title == "xbm") {
    format = {TPictureFormat::kXbm, 75};
  } else if (title == "raw") {
    format = {TPictureFormat::kRaw, 75};
  } else if (title == "xwl") {
    format = {TPictureFormat::kXwl, 75};
  } else if (title.rfind("xwl:", 0) == 0) {
    const std::string q = title.substr(4);
    int v = 0;
    bool ok = !q.empty() && q.size() <= 3;
    for (char c : q) {
      if (c < '0' || c > '9') ok = false;
      else v = v * 10 + (c - '0');
    }
    if (!ok || v < 1 || v > 100) throw std::invalid_argument("the quality of \"" + title + "\" must be 1 to 100");
    format = {TPictureFormat::kXwl, v};
  } else {
    return false;
  }
  return true;
}

size_t CountColours(const std::vector<uint32_t>& pixels, size_t limit) {
  std::unordered_set<uint32_t> seen;
  for (uint32_t p : pixels) {
    seen.insert(p);
    if (seen.size() > limit) break;
  }
  return seen.size();
}

TPictureFormat::Kind ChooseFormat(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height) {
  const size_t colours = CountColours(pixels, kLineArtColours);
  if (width <= kXbmSide && height <= kXbmSide && colours <= kXbmColours) return TPictureFormat::kXbm;
  if (colours <= kLineArtColours) return TPictureFormat::kRaw;
  return TPictureFormat::kXwl;
}

std::string EncodePicture(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height,
                          TPictureFormat format, uint32_t background) {
  TPictureFormat::Kind kind = format.kind;
  if (kind == TPictureFormat::kAuto) kind = ChooseFormat(pixels, width, height);
  switch (kind) {
    case TPictureFormat::kXbm: {
      if (width > kXbmSide || height > kXbmSide) {
        throw std::invalid_argument("an \"xbm\" picture is at most 255 x 255 pixels, not " +
                                    std::to_string(width) + " x " + std::to_string(height));
      }
      const std::string xbm = background == 0xFFFFFFFF
                                  ? EncodeXbm(pixels.data(), width, height)
                                  : EncodeXbm(pixels.data(), width, height, background);
      return PackedPictureRecord(width, height, xbm);
    }
    case TPictureFormat::kRaw:
      return PackedPictureRecord(width, height, PackRawPixels(pixels.data(), width, height));
    default: {
      TXwlOptions options;
      options.quality = format.kind == TPictureFormat::kXwl ? format.quality : 75;
      options.colour = true;
      return WaveletPictureRecord(EncodeXwl(pixels.data(), width, height, options));
    }
  }
}

}  // namespace folivar::make
