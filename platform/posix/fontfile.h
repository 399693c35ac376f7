// FreeType's library and a font file read into memory once, with the design values of its face
// that the text metrics are scaled from. Every face opened at a pixel size shares both.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace folivar::posix {

struct TFaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using TFaceHandle = std::unique_ptr<FT_FaceRec_, TFaceDeleter>;

// One FreeType library instance. The TrueType interpreter is fixed at version 40, FreeType's
// default and what Wine's GDI measures with, so that no FREETYPE_PROPERTIES setting changes the
// advances.
class TFreeType {
  struct TKey {
    explicit TKey() = default;
  };

 public:
  // Null when FreeType cannot start.
  static std::shared_ptr<TFreeType> Create();
  TFreeType(const TFreeType&) = delete;
  TFreeType& operator=(const TFreeType&) = delete;
  ~TFreeType();
  FT_Library Library() const { return library_; }
  // Through Create only: takes over an initialised library.
  TFreeType(TKey, FT_Library library) : library_(library) {}

 private:
  FT_Library library_;
};

// Design values in font units.
struct TDesignMetrics {
  int32_t unitsPerEm = 0;
  int32_t ascent = 0;   // the Windows ascent (OS/2 usWinAscent, else the horizontal header's)
  int32_t descent = 0;  // the Windows descent, positive below the baseline
  int32_t underlinePosition = 0;  // above the baseline, negative below
  int32_t underlineThickness = 0;
  int32_t strikeoutPosition = 0;
  int32_t strikeoutThickness = 0;
};

class TFontFile {
  struct TKey {
    explicit TKey() = default;
  };

 public:
  // The face at index of the file; null when the file cannot be read or holds no scalable face.
  static std::shared_ptr<TFontFile> Open(std::shared_ptr<TFreeType> freetype,
                                         const std::string& path, int index);
  TFontFile(const TFontFile&) = delete;
  TFontFile& operator=(const TFontFile&) = delete;

  const TDesignMetrics& Design() const { return design_; }
  // A new face of the file's bytes, not yet sized; null on failure.
  TFaceHandle NewFace() const;
  // Through Open only.
  TFontFile(TKey, std::shared_ptr<TFreeType> freetype, std::vector<FT_Byte> bytes, int index)
      : freetype_(std::move(freetype)), bytes_(std::move(bytes)), index_(index) {}

 private:
  std::shared_ptr<TFreeType> freetype_;  // outlives every face of the file
  std::vector<FT_Byte> bytes_;
  int index_;
  TDesignMetrics design_;
};

}  // namespace folivar::posix
