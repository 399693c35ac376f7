// One font at one em size in pixels: its text metrics, and the advances and coverage bitmaps of
// the UTF-16 code units of the Basic Multilingual Plane, each loaded and rasterised the first time
// it is asked for and kept from then on, in blocks of 256 code units made when first used.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/posix/fontfile.h"

namespace folivar::posix {

// What a font cache counts: each file read, each face opened, each glyph outline loaded and each
// glyph rasterised.
struct TFontCacheStats {
  uint64_t filesRead = 0;
  uint64_t facesOpened = 0;
  uint64_t glyphsLoaded = 0;
  uint64_t glyphsRendered = 0;
};

// A glyph's coverage, 0 (none) to 255 (full), rows top-down, placed with its top-left corner at
// (pen + left, baseline - top).
struct TGlyphImage {
  // Rows are stored at a stride of whole blending steps, the columns past the width holding zero
  // coverage, so that a row is blended without a tail.
  static constexpr uint32_t kStrideUnit = 4;
  int32_t left = 0;
  int32_t top = 0;
  uint32_t width = 0;
  uint32_t rows = 0;
  uint32_t stride = 0;
  std::vector<uint8_t> coverage;  // rows x stride, top row first
};

// Styles that the face lacks and that are simulated, as GDI does: a bold glyph is emboldened by
// one pixel and advances one pixel more; an italic one is slanted.
struct TSimulation {
  bool bold = false;
  bool italic = false;
  friend bool operator==(const TSimulation&, const TSimulation&) = default;
};

class TSizedFace {
  struct TKey {
    explicit TKey() = default;
  };
  struct TSlot {
    int32_t advance = 0;
    bool measured = false;
    bool rendered = false;
    TGlyphImage image;
  };
  using TBlock = std::array<TSlot, 256>;

 public:
  // Glyph bitmaps are kept up to this em size; larger glyphs are rasterised each time they are
  // drawn, so that a few huge styles cannot fill the memory.
  static constexpr int32_t kMaxCachedPixelsPerEm = 256;

  // The file's face at ppem pixels per em; null when FreeType cannot open or size it.
  static std::unique_ptr<TSizedFace> Open(std::shared_ptr<const TFontFile> file, int32_t ppem,
                                          TSimulation simulation,
                                          std::shared_ptr<TFontCacheStats> stats);
  TSizedFace(TKey, std::shared_ptr<const TFontFile> file, TFaceHandle face, int32_t ppem,
             TSimulation simulation, std::shared_ptr<TFontCacheStats> stats);
  TSizedFace(const TSizedFace&) = delete;
  TSizedFace& operator=(const TSizedFace&) = delete;

  int32_t PixelsPerEm() const { return ppem_; }
  int32_t Ascent() const { return ascent_; }
  int32_t Descent() const { return descent_; }
  int32_t Height() const { return ascent_ + descent_; }
  // Lines below the baseline have negative positions; thicknesses are at least 1.
  int32_t UnderlinePosition() const { return underlinePosition_; }
  int32_t UnderlineThickness() const { return underlineThickness_; }
  int32_t StrikeoutPosition() const { return strikeoutPosition_; }
  int32_t StrikeoutThickness() const { return strikeoutThickness_; }

  // The advance of a UTF-16 code unit in whole pixels: the hinted advance of its character's glyph
  // (the font's missing glyph for characters it lacks, surrogates and noncharacters).
  int32_t Advance(char16_t c) {
    const TBlock* block = blocks_[c >> 8].get();
    if (block && (*block)[c & 0xFF].measured) return (*block)[c & 0xFF].advance;
    return Measure(c);
  }
  // Whether the font has a glyph of its own for the code unit, rather than its missing glyph.
  bool HasGlyph(char16_t c) const;
  // The code unit's rasterised glyph. The reference stays valid until the next call.
  const TGlyphImage& Image(char16_t c);

 private:
  int32_t Measure(char16_t c);
  TSlot& Slot(char16_t c) {
    std::unique_ptr<TBlock>& block = blocks_[c >> 8];
    if (!block) block = std::make_unique<TBlock>();
    return (*block)[c & 0xFF];
  }
  bool LoadOutline(char16_t c);
  void Rasterise(char16_t c, TGlyphImage& image);

  std::shared_ptr<const TFontFile> file_;  // declared first: outlives face_
  TFaceHandle face_;
  std::shared_ptr<TFontCacheStats> stats_;
  int32_t ppem_;
  TSimulation simulation_;
  int32_t ascent_ = 0;
  int32_t descent_ = 0;
  int32_t underlinePosition_ = 0;
  int32_t underlineThickness_ = 1;
  int32_t strikeoutPosition_ = 0;
  int32_t strikeoutThickness_ = 1;
  std::array<std::unique_ptr<TBlock>, 256> blocks_;  // by the code unit's high byte
  TGlyphImage scratch_;  // the image of a glyph too large to keep
};

}  // namespace folivar::posix
