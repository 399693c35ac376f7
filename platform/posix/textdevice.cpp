// The native text device. A string is measured with the hinted advances of its glyphs and written
// glyph by glyph: each glyph's coverage blends the text colour into the pixels below it, the rest
// of the cell stays as it was. Underline and strike-out are solid lines as long as the string's
// advances, at the font's own positions from the baseline. Everything is clipped to the target.
#include "platform/posix/textdevice.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "display/Views.h"

namespace folivar {

namespace posix {

namespace {

// c * a + d * (255 - a), divided by 255 and rounded, for each 8-bit channel. Red and blue are
// blended together in one word (each product fits its 16 bits); t / 255 rounded is
// (t + 128 + ((t + 128) >> 8)) >> 8 for every t up to 255 * 255.
inline uint32_t Blend(uint32_t source, uint32_t destination, uint32_t alpha) {
  const uint32_t inverse = 255 - alpha;
  uint32_t rb = (source & 0xFF00FF) * alpha + (destination & 0xFF00FF) * inverse + 0x800080;
  rb = ((rb + ((rb >> 8) & 0xFF00FF)) >> 8) & 0xFF00FF;
  uint32_t g = (source & 0xFF00) * alpha + (destination & 0xFF00) * inverse + 0x8000;
  g = ((g + ((g >> 8) & 0xFF00)) >> 8) & 0xFF00;
  return rb | g;
}

// Blends colour into n pixels by their coverage. Four at a time where the processor has SSE2 (the
// same arithmetic on 16-bit lanes, so the pixels are the same); runs of no coverage are skipped
// and full coverage stores the colour.
inline void BlendRow(uint32_t* row, const uint8_t* coverage, int64_t n, uint32_t colour) {
  int64_t x = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  const __m128i source = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
  const __m128i full = _mm_set1_epi16(255);
  const __m128i half = _mm_set1_epi16(128);
  for (; x + 4 <= n; x += 4) {
    uint32_t four;
    std::memcpy(&four, coverage + x, 4);
    if (four == 0) continue;
    if (four == 0xFFFFFFFF) {
      const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), c);
      continue;
    }
    __m128i a = _mm_cvtsi32_si128(static_cast<int>(four));
    a = _mm_unpacklo_epi8(a, a);
    a = _mm_unpacklo_epi16(a, a);  // each coverage byte four times: one per channel
    const __m128i alo = _mm_unpacklo_epi8(a, zero);
    const __m128i ahi = _mm_unpackhi_epi8(a, zero);
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    auto blend = [&](__m128i d16, __m128i a16) {
      __m128i t = _mm_add_epi16(_mm_mullo_epi16(source, a16),
                                _mm_mullo_epi16(d16, _mm_sub_epi16(full, a16)));
      t = _mm_add_epi16(t, half);
      return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    };
    const __m128i lo = blend(_mm_unpacklo_epi8(d, zero), alo);
    const __m128i hi = blend(_mm_unpackhi_epi8(d, zero), ahi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; x < n; ++x) {
    const uint32_t alpha = coverage[x];
    if (alpha == 0) continue;
    row[x] = alpha == 255 ? colour : Blend(colour, row[x], alpha);
  }
}

class TFreeTypeTextDevice final : public TTextDevice {
 public:
  TFreeTypeTextDevice(tview& target, std::shared_ptr<TFontCache> cache)
      : target_(target), cache_(std::move(cache)) {}

  void SelectFont(const TLogFont& font) override {
    if (!cache_) return;
    std::shared_ptr<TSizedFace> face = cache_->Face(font);
    if (!face) return;
    face_ = std::move(face);
    underline_ = font.underline != 0;
    strikeOut_ = font.strikeOut != 0;
  }

  void SetTextColour(uint32_t colour) override {
    // COLORREF 0x00BBGGRR to the pixel value 0x00RRGGBB.
    pixel_ = (colour & 0xFF) << 16 | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
  }

  TTextExtent MeasureText(std::u16string_view text) override {
    TTextExtent extent;
    if (!face_ || text.empty()) return extent;
    int64_t width = 0;
    for (char16_t c : text) width += face_->Advance(c);
    extent.cx = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
    extent.cy = face_->Height();
    return extent;
  }

  void GetAscentDescent(int32_t& ascent, int32_t& descent) override {
    ascent = face_ ? face_->Ascent() : 0;
    descent = face_ ? face_->Descent() : 0;
  }

  void WriteText(int32_t x, int32_t y, std::u16string_view text) override {
    if (!face_) return;
    const int64_t baseline = int64_t{y} + face_->Ascent();
    int64_t pen = x;
    for (char16_t c : text) {
      DrawGlyph(pen, baseline, c);
      pen += face_->Advance(c);
    }
    DrawLines(x, pen, baseline);
  }

  void WriteRun(int32_t x, int32_t y, std::u16string_view text, const int32_t* advances) override {
    if (!advances) {
      WriteText(x, y, text);
      return;
    }
    if (!face_) return;
    const int64_t baseline = int64_t{y} + face_->Ascent();
    int64_t pen = x;
    for (size_t i = 0; i < text.size(); ++i) {
      DrawGlyph(pen, baseline, text[i]);
      pen += advances[i];
    }
    DrawLines(x, pen, baseline);
  }

 private:
  int64_t Width() const { return target_.Width(); }
  int64_t Height() const { return target_.Height(); }
  uint32_t* Row(int64_t y) {
    return target_.Bits() + static_cast<size_t>(Height() - 1 - y) * target_.Width();
  }

  void DrawGlyph(int64_t pen, int64_t baseline, char16_t code) {
    if (!target_.Bits()) return;
    const TGlyphImage& image = face_->Image(code);
    if (image.width == 0 || image.rows == 0) return;
    const int64_t left = pen + image.left;
    const int64_t top = baseline - image.top;
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t x1 = std::min<int64_t>(left + image.width, Width());
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(top + image.rows, Height());
    // An unclipped row is blended over its whole stride: the padding has zero coverage and
    // leaves the pixels as they are.
    const int64_t n = x0 == left && left + image.stride <= Width() ? image.stride : x1 - x0;
    for (int64_t y = y0; y < y1; ++y) {
      uint32_t* row = Row(y);
      const uint8_t* coverage =
          image.coverage.data() + static_cast<size_t>(y - top) * image.stride;
      BlendRow(row + x0, coverage + (x0 - left), n, pixel_);
    }
  }

  // Rows top .. top + thickness - 1, columns from .. to - 1, in the text colour.
  void FillLine(int64_t from, int64_t to, int64_t top, int64_t thickness) {
    const int64_t x0 = std::max<int64_t>(std::min(from, to), 0);
    const int64_t x1 = std::min<int64_t>(std::max(from, to), Width());
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(top + thickness, Height());
    if (x1 <= x0) return;
    for (int64_t y = y0; y < y1; ++y) std::fill(Row(y) + x0, Row(y) + x1, pixel_);
  }

  void DrawLines(int64_t from, int64_t to, int64_t baseline) {
    if (!target_.Bits() || from == to) return;
    if (underline_)
      FillLine(from, to, baseline - face_->UnderlinePosition(), face_->UnderlineThickness());
    if (strikeOut_)
      FillLine(from, to, baseline - face_->StrikeoutPosition(), face_->StrikeoutThickness());
  }

  tview& target_;
  std::shared_ptr<TFontCache> cache_;
  std::shared_ptr<TSizedFace> face_;  // none until a font could be had
  bool underline_ = false;
  bool strikeOut_ = false;
  uint32_t pixel_ = 0;
};

}  // namespace

std::unique_ptr<TTextDevice> CreateFreeTypeTextDevice(tview& target,
                                                      std::shared_ptr<TFontCache> cache) {
  return std::make_unique<TFreeTypeTextDevice>(target, std::move(cache));
}

}  // namespace posix

std::unique_ptr<TTextDevice> CreateTextDevice(tview& target) {
  return posix::CreateFreeTypeTextDevice(target, posix::TFontCache::Shared());
}

}  // namespace folivar
