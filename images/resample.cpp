#include "images/resample.h"

#include <algorithm>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wpedantic"
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wuseless-cast"
#endif
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb_image_resize.h>
#pragma GCC diagnostic pop

namespace folivar {

namespace {

bool Empty(const tview& v) { return v.Width() == 0 || v.Height() == 0; }

// Views store rows bottom-up with the same stride rule, so resampling the memory as it lies gives
// the resampled picture stored the same way.
bool Resize(const uint8_t* in, const tview& source, uint8_t* out, const tview& destination,
            int alphaChannel, stbir_filter filter) {
  return stbir_resize_uint8_generic(in, static_cast<int>(source.Width()), static_cast<int>(source.Height()),
                                    source.Stride(), out, static_cast<int>(destination.Width()),
                                    static_cast<int>(destination.Height()), destination.Stride(), 4,
                                    alphaChannel, 0, STBIR_EDGE_CLAMP, filter, STBIR_COLORSPACE_LINEAR,
                                    nullptr) != 0;
}

}  // namespace

void ResamplePicture(const tview& source, tview& destination) {
  if (Empty(source) || Empty(destination)) return;
  const auto* in = reinterpret_cast<const uint8_t*>(source.Bits());
  auto* out = reinterpret_cast<uint8_t*>(destination.Bits());
  if (!Resize(in, source, out, destination, STBIR_ALPHA_CHANNEL_NONE, STBIR_FILTER_DEFAULT)) {
    destination.Fill(0);
    return;
  }
  const size_t n = size_t{destination.Width()} * destination.Height();
  uint32_t* pixels = destination.Bits();
  for (size_t i = 0; i < n; ++i) pixels[i] &= 0xFFFFFF;
}

bool ResampleRegionSrgb(const uint32_t* in, uint32_t width, uint32_t height, uint32_t* out,
                        uint32_t outWidth, uint32_t outHeight, double s0, double t0, double s1, double t1) {
  // The fourth byte of each pixel is 0: the pixels pass as four colour channels without alpha.
  const int ok = stbir_resize_region(
      in, static_cast<int>(width), static_cast<int>(height), static_cast<int>(width * 4), out,
      static_cast<int>(outWidth), static_cast<int>(outHeight), static_cast<int>(outWidth * 4), STBIR_TYPE_UINT8, 4,
      STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_FILTER_DEFAULT,
      STBIR_COLORSPACE_SRGB, nullptr, static_cast<float>(s0), static_cast<float>(t0), static_cast<float>(s1),
      static_cast<float>(t1));
  if (!ok) return false;
  for (uint32_t* p = out; p != out + size_t{outWidth} * outHeight; ++p) *p &= 0xFFFFFF;
  return true;
}

void ResampleKeyed(const tview& source, uint32_t key, tview& destination,
                   std::vector<uint8_t>& coverage) {
  const size_t n = size_t{destination.Width()} * destination.Height();
  coverage.assign(n, 0);
  if (Empty(source) || Empty(destination)) return;
  // The fourth byte carries the coverage: stb weighs each colour by it and divides it out again.
  const size_t m = size_t{source.Width()} * source.Height();
  std::vector<uint32_t> in(source.Bits(), source.Bits() + m);
  for (uint32_t& p : in) p = p == key ? 0 : (p & 0xFFFFFF) | 0xFF000000u;
  auto* out = reinterpret_cast<uint8_t*>(destination.Bits());
  // A tent filter has no negative lobes: the coverage never rings around a glyph's edge.
  if (!Resize(reinterpret_cast<const uint8_t*>(in.data()), source, out, destination, 3,
              STBIR_FILTER_TRIANGLE)) {
    destination.Fill(0);
    return;
  }
  uint32_t* pixels = destination.Bits();
  for (size_t i = 0; i < n; ++i) {
    coverage[i] = static_cast<uint8_t>(pixels[i] >> 24);
    pixels[i] &= 0xFFFFFF;
  }
}

void PutCovered(const tview& picture, const std::vector<uint8_t>& coverage, tview& destination,
                int32_t x, int32_t y, uint8_t weight) {
  if (weight == 255 || coverage.size() != size_t{picture.Width()} * picture.Height()) return;
  const int64_t share = 256 - int64_t{weight};
  const auto dw = static_cast<int64_t>(destination.Width());
  const auto dh = static_cast<int64_t>(destination.Height());
  const auto pw = static_cast<int64_t>(picture.Width());
  const auto ph = static_cast<int64_t>(picture.Height());
  for (int64_t row = std::max<int64_t>(0, -int64_t{y}); row < ph && y + row < dh; ++row) {
    const size_t base = static_cast<size_t>((ph - 1 - row) * pw);
    for (int64_t col = std::max<int64_t>(0, -int64_t{x}); col < pw && x + col < dw; ++col) {
      const uint32_t c = coverage[base + static_cast<size_t>(col)];
      if (c == 0) continue;
      const uint32_t s = picture.Bits()[base + static_cast<size_t>(col)];
      uint32_t& d = destination.At(static_cast<uint32_t>(x + col), static_cast<uint32_t>(y + row));
      constexpr int64_t kWhole = 255 * 256;
      const int64_t a = int64_t{c} * share;  // the picture's share of kWhole
      uint32_t mixed = d & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const int64_t dv = (d >> shift) & 0xFF, sv = (s >> shift) & 0xFF;
        mixed |= static_cast<uint32_t>((dv * (kWhole - a) + sv * a + kWhole / 2) / kWhole) << shift;
      }
      d = mixed;
    }
  }
}

}  // namespace folivar
