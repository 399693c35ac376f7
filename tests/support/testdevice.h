// A deterministic text device for tests: every character is (size / 2 + code % 3) pixels wide,
// bold adds 1; a line is the font's pixel height high; ascent is three quarters of it. It counts
// font selections, so tests can see what was measured.
#pragma once

#include <string>

#include "book/bookstyle.h"
#include "display/textdevice.h"

namespace folivar::test {

class TTestTextDevice : public TTextDevice {
 public:
  void SelectFont(const TStyleFont& font) override {
    font_ = font;
    ++selections;
  }
  TTextExtent MeasureText(std::string_view text) override {
    TTextExtent e;
    for (char c : text) e.cx += CharWidth(static_cast<uint8_t>(c));
    e.cy = PixelHeight();
    ++measurements;
    return e;
  }
  void GetAscentDescent(int32_t& ascent, int32_t& descent) override {
    ascent = PixelHeight() * 3 / 4;
    descent = PixelHeight() - ascent;
  }

  int32_t CharWidth(uint8_t c) const {
    return font_.size / 2 + c % 3 + ((font_.flags & kFontBold) ? 1 : 0);
  }
  int32_t PixelHeight() const { return font_.size * 96 / 72; }

  int selections = 0;
  int measurements = 0;

 private:
  TStyleFont font_;
};

}  // namespace folivar::test
