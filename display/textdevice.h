// The text device: what a drawing surface asks of the platform to select a font, measure and
// write text into its 32-bit pixels. GDI on the surface's DIB section in the Windows build,
// FreeType natively; tests use a device with fixed advances.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace folivar {

class TStyleFont;

struct TTextExtent {
  int32_t cx = 0;
  int32_t cy = 0;
};

class TTextDevice {
 public:
  virtual ~TTextDevice() = default;
  // Makes the font of a style current (face, size in points at 96 pixels per inch, flags) and
  // its colour (COLORREF 0x00BBGGRR) the text colour.
  virtual void SelectFont(const TStyleFont& font) = 0;
  // The extent of the string (code page 1251) in the current font.
  virtual TTextExtent MeasureText(std::string_view text) = 0;
  virtual void GetAscentDescent(int32_t& ascent, int32_t& descent) = 0;
};

}  // namespace folivar
