// The text device: what a drawing surface asks of the platform to select a font, measure and
// write text into its 32-bit pixels. GDI on the surface's DIB section in the Windows build,
// FreeType natively; tests use devices of their own.
//
// Text is UTF-16, one character cell per code unit: a code unit that is not a character of the
// font (a lone surrogate, U+FFFF) shows the font's missing glyph. Positions are pixels of the target view with
// (0, 0) at its top-left; a written string's (x, y) is the top-left corner of its first character
// cell, the background stays as it is (transparent) and the glyphs take the text colour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace folivar {

class tview;

// A font as the device is asked for it: the fields of a Windows LOGFONT that the reader sets.
struct TLogFont {
  int32_t height = 0;  // negative: the character height (em) in pixels
  int32_t weight = 400;  // 400 regular, 700 bold
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  uint8_t charSet = 1;   // DEFAULT_CHARSET
  std::string faceName;  // UTF-8, at most kMaxFaceName UTF-16 code units
  static constexpr size_t kMaxFaceName = 31;
};

struct TTextExtent {
  int32_t cx = 0;
  int32_t cy = 0;
};

class TTextDevice {
 public:
  virtual ~TTextDevice() = default;
  // Makes the font current; a font that cannot be had leaves the previous one current.
  virtual void SelectFont(const TLogFont& font) = 0;
  // COLORREF 0x00BBGGRR.
  virtual void SetTextColour(uint32_t colour) = 0;
  // The extent of the string in the current font: the sum of the advances and the font's height.
  virtual TTextExtent MeasureText(std::u16string_view text) = 0;
  virtual void GetAscentDescent(int32_t& ascent, int32_t& descent) = 0;
  // Writes the string with the font's own advances.
  virtual void WriteText(int32_t x, int32_t y, std::u16string_view text) = 0;
  // Writes the string placing code unit i at x + advances[0] + ... + advances[i - 1];
  // advances holds one entry per code unit.
  virtual void WriteRun(int32_t x, int32_t y, std::u16string_view text, const int32_t* advances) = 0;
};

// The platform's device drawing into target, which outlives it (in the Windows build target has a
// device context). Never null.
std::unique_ptr<TTextDevice> CreateTextDevice(tview& target);

}  // namespace folivar
