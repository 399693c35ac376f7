// A deterministic text device for tests. Every code unit is (pixel height * 3 / 8 + code % 3)
// pixels wide, bold adds 1; a string is the font's pixel height high; ascent is three quarters
// of it. It records every call, so tests can check what was measured and written and in which
// order, and marks the top-left pixel of every written character cell with the text colour
// (converted to a pixel value) so that positions can be read back from the target.
#pragma once

#include <string>
#include <vector>

#include "display/Views.h"
#include "display/surfaces.h"
#include "display/textdevice.h"

namespace folivar::test {

struct TDeviceCall {
  enum Kind { kFont, kColour, kText, kRun } kind;
  int32_t x = 0;
  int32_t y = 0;
  std::u16string text;
  std::vector<int32_t> advances;
  TLogFont font;
  uint32_t colour = 0;
};

class TTestTextDevice : public TTextDevice {
 public:
  explicit TTestTextDevice(tview* target = nullptr) : target_(target) {}

  void SelectFont(const TLogFont& font) override {
    font_ = font;
    ++selections;
    calls.push_back({.kind = TDeviceCall::kFont, .font = font});
  }
  void SetTextColour(uint32_t colour) override {
    colour_ = colour;
    calls.push_back({.kind = TDeviceCall::kColour, .colour = colour});
  }
  TTextExtent MeasureText(std::u16string_view text) override {
    TTextExtent e;
    for (char16_t c : text) e.cx += CharWidth(c);
    e.cy = PixelHeight();
    ++measurements;
    return e;
  }
  void GetAscentDescent(int32_t& ascent, int32_t& descent) override {
    ascent = PixelHeight() * 3 / 4;
    descent = PixelHeight() - ascent;
  }
  void WriteText(int32_t x, int32_t y, std::u16string_view text) override {
    std::vector<int32_t> advances;
    for (char16_t c : text) advances.push_back(CharWidth(c));
    Mark(x, y, advances);
    calls.push_back({.kind = TDeviceCall::kText, .x = x, .y = y, .text = std::u16string(text),
                     .advances = advances, .font = font_, .colour = colour_});
  }
  void WriteRun(int32_t x, int32_t y, std::u16string_view text, const int32_t* advances) override {
    std::vector<int32_t> a(advances, advances + text.size());
    Mark(x, y, a);
    calls.push_back({.kind = TDeviceCall::kRun, .x = x, .y = y, .text = std::u16string(text),
                     .advances = a, .font = font_, .colour = colour_});
  }

  int32_t CharWidth(char16_t c) const {
    return PixelHeight() * 3 / 8 + c % 3 + (font_.weight >= 700 ? 1 : 0);
  }
  int32_t PixelHeight() const { return font_.height < 0 ? -font_.height : font_.height; }
  // The calls that wrote text, in order.
  std::vector<TDeviceCall> Writes() const {
    std::vector<TDeviceCall> w;
    for (const TDeviceCall& c : calls)
      if (c.kind == TDeviceCall::kText || c.kind == TDeviceCall::kRun) w.push_back(c);
    return w;
  }

  int selections = 0;
  int measurements = 0;
  std::vector<TDeviceCall> calls;

 private:
  void Mark(int32_t x, int32_t y, const std::vector<int32_t>& advances) {
    if (!target_) return;
    const uint32_t pixel = ((colour_ & 0xFF) << 16) | (colour_ & 0xFF00) | ((colour_ >> 16) & 0xFF);
    for (int32_t a : advances) {
      if (x >= 0 && y >= 0 && static_cast<uint32_t>(x) < target_->Width() &&
          static_cast<uint32_t>(y) < target_->Height())
        target_->At(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) = pixel;
      x += a;
    }
  }

  tview* target_;
  TLogFont font_;
  uint32_t colour_ = 0;
};

// A surface of the given size writing through a test device; device points at it.
inline std::unique_ptr<TSurface> MakeTestSurface(uint32_t width, uint32_t height,
                                                 TTestTextDevice*& device) {
  return std::make_unique<TSurface>(width, height, [&device](tview& target) {
    auto d = std::make_unique<TTestTextDevice>(&target);
    device = d.get();
    return d;
  });
}

}  // namespace folivar::test
