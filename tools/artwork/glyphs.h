// Letter outlines for the artwork, from the installed Liberation fonts through FreeType: text
// becomes a path for the rasteriser, so the wordmark is anti-aliased like every other shape.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tools/artwork/raster.h"

namespace folivar::art {

class TFont {
 public:
  // family "Liberation Serif", style "Regular", "Italic", "Bold"... Raises std::runtime_error
  // when the font cannot be found or read.
  TFont(const std::string& family, const std::string& style);
  ~TFont();
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  // The outline of text set at size pixels to the em, its baseline at y = baseline, starting at
  // x; tracking adds that many pixels after every letter but the last.
  TPath Text(std::u32string_view text, double size, double x, double baseline, double tracking = 0) const;
  double Width(std::u32string_view text, double size, double tracking = 0) const;
  // Height of capital letters above the baseline, in pixels at that size.
  double CapHeight(double size) const;
  const std::string& File() const { return file_; }

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
  std::string file_;
};

}  // namespace folivar::art
