#include "platform/posix/sizedface.h"

#include FT_OUTLINE_H
#include FT_BITMAP_H

#include <algorithm>
#include <utility>

#include "platform/posix/fontmetrics.h"

namespace folivar::posix {

namespace {

// The slant of simulated italics: x += y * 0.2126 (about 12 degrees), in 16.16.
constexpr FT_Fixed kItalicShear = 0x366A;

// Copies a rendered bitmap of any pixel mode into 8-bit coverage, rows top-down, each row padded
// with zero coverage to the stride.
void CopyCoverage(FT_Library library, const FT_Bitmap& bitmap, TGlyphImage& image) {
  image.width = bitmap.width;
  image.rows = bitmap.rows;
  image.stride = (bitmap.width + TGlyphImage::kStrideUnit - 1) / TGlyphImage::kStrideUnit * TGlyphImage::kStrideUnit;
  const size_t stride = image.stride;
  image.coverage.assign(stride * bitmap.rows, 0);
  if (bitmap.width == 0 || bitmap.rows == 0) return;
  const auto rowAt = [](const FT_Bitmap& b, uint32_t y) {
    // A negative pitch means the rows are stored bottom-up.
    const int64_t pitch = b.pitch;
    const int64_t offset = pitch >= 0 ? int64_t{y} * pitch : (int64_t{b.rows} - 1 - y) * -pitch;
    return b.buffer + offset;
  };
  if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays == 256) {
    for (uint32_t y = 0; y < bitmap.rows; ++y)
      std::copy_n(rowAt(bitmap, y), bitmap.width, image.coverage.begin() + y * stride);
    return;
  }
  if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
    for (uint32_t y = 0; y < bitmap.rows; ++y) {
      const unsigned char* row = rowAt(bitmap, y);
      for (uint32_t x = 0; x < bitmap.width; ++x)
        if (row[x >> 3] & (0x80 >> (x & 7))) image.coverage[y * stride + x] = 255;
    }
    return;
  }
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY2 && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY4 &&
      bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
    return;  // colour and sub-pixel bitmaps are not coverage: the glyph stays empty
  FT_Bitmap gray;
  FT_Bitmap_Init(&gray);
  if (FT_Bitmap_Convert(library, &bitmap, &gray, 1) == 0 && gray.num_grays > 1 &&
      gray.width == bitmap.width && gray.rows == bitmap.rows) {
    const uint32_t top = gray.num_grays - 1u;
    for (uint32_t y = 0; y < gray.rows; ++y) {
      const unsigned char* row = rowAt(gray, y);
      for (uint32_t x = 0; x < gray.width; ++x)
        image.coverage[y * stride + x] =
            static_cast<uint8_t>(std::min<uint32_t>(row[x], top) * 255u / top);
    }
  }
  FT_Bitmap_Done(library, &gray);
}

}  // namespace

std::unique_ptr<TSizedFace> TSizedFace::Open(std::shared_ptr<const TFontFile> file, int32_t ppem,
                                             TSimulation simulation,
                                             std::shared_ptr<TFontCacheStats> stats) {
  if (!file) return nullptr;
  TFaceHandle face = file->NewFace();
  if (!face) return nullptr;
  if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(ppem)) != 0) return nullptr;
  FT_Select_Charmap(face.get(), FT_ENCODING_UNICODE);
  if (stats) ++stats->facesOpened;
  return std::make_unique<TSizedFace>(TKey{}, std::move(file), std::move(face), ppem, simulation,
                                      std::move(stats));
}

TSizedFace::TSizedFace(TKey, std::shared_ptr<const TFontFile> file, TFaceHandle face, int32_t ppem,
                       TSimulation simulation, std::shared_ptr<TFontCacheStats> stats)
    : file_(std::move(file)),
      face_(std::move(face)),
      stats_(std::move(stats)),
      ppem_(ppem),
      simulation_(simulation) {
  const TDesignMetrics& d = file_->Design();
  ascent_ = ScaleToPixels(d.ascent, ppem_, d.unitsPerEm);
  descent_ = ScaleToPixels(d.descent, ppem_, d.unitsPerEm);
  underlinePosition_ = ScaleToPixels(d.underlinePosition, ppem_, d.unitsPerEm);
  underlineThickness_ = std::max(1, ScaleToPixels(d.underlineThickness, ppem_, d.unitsPerEm));
  strikeoutPosition_ = ScaleToPixels(d.strikeoutPosition, ppem_, d.unitsPerEm);
  strikeoutThickness_ = std::max(1, ScaleToPixels(d.strikeoutThickness, ppem_, d.unitsPerEm));
}

bool TSizedFace::LoadOutline(char16_t c) {
  FT_Face face = face_.get();
  // A code unit is its own code point; surrogates and noncharacters are in no font's table and
  // show the missing glyph (index 0) like any character the font lacks.
  const FT_UInt index = FT_Get_Char_Index(face, c);
  // Simulated styles work on outlines, so embedded bitmaps are passed over for them.
  const auto flags = static_cast<FT_Int32>(
      FT_LOAD_DEFAULT | (simulation_.bold || simulation_.italic ? FT_LOAD_NO_BITMAP : 0));
  if (stats_) ++stats_->glyphsLoaded;
  return FT_Load_Glyph(face, index, flags) == 0 ||
         (index != 0 && FT_Load_Glyph(face, 0, flags) == 0);
}

bool TSizedFace::HasGlyph(char16_t c) const { return FT_Get_Char_Index(face_.get(), c) != 0; }

int32_t TSizedFace::Measure(char16_t c) {
  TSlot& slot = Slot(c);
  if (!slot.measured) {
    slot.measured = true;
    slot.advance = 0;
    if (LoadOutline(c)) {
      const FT_Pos advance = (face_->glyph->metrics.horiAdvance + 32) >> 6;
      slot.advance = static_cast<int32_t>(std::clamp<FT_Pos>(advance, 0, 0xFFFF)) +
                     (simulation_.bold ? 1 : 0);
    }
  }
  return slot.advance;
}

void TSizedFace::Rasterise(char16_t c, TGlyphImage& image) {
  image = TGlyphImage{};
  if (!LoadOutline(c)) return;
  FT_GlyphSlot glyph = face_->glyph;
  if (glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (simulation_.italic) {
      FT_Matrix shear{0x10000, kItalicShear, 0, 0x10000};
      FT_Outline_Transform(&glyph->outline, &shear);
    }
    if (simulation_.bold) FT_Outline_EmboldenXY(&glyph->outline, 64, 0);
  }
  if (glyph->format != FT_GLYPH_FORMAT_BITMAP &&
      FT_Render_Glyph(glyph, FT_RENDER_MODE_NORMAL) != 0)
    return;
  if (stats_) ++stats_->glyphsRendered;
  image.left = glyph->bitmap_left;
  image.top = glyph->bitmap_top;
  CopyCoverage(face_->glyph->library, glyph->bitmap, image);
}

const TGlyphImage& TSizedFace::Image(char16_t c) {
  if (ppem_ > kMaxCachedPixelsPerEm) {
    Rasterise(c, scratch_);
    return scratch_;
  }
  TSlot& slot = Slot(c);
  if (!slot.rendered) {
    slot.rendered = true;
    Rasterise(c, slot.image);
  }
  return slot.image;
}

}  // namespace folivar::posix
