// TSurface: the target on which the reader measures and writes text. It selects the font and
// colour of a book style on its text device and measures strings. The page surface is also the
// current surface, through which item measurement and style metrics measure.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "display/textdevice.h"

namespace folivar {

class TSurface {
 public:
  explicit TSurface(std::unique_ptr<TTextDevice> device);
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;

  // Makes the font and colour of a text style current; nothing for other kinds or for the style
  // that is already current.
  void SelectStyle(int32_t styleIndex);
  TTextExtent MeasureText(std::string_view text) { return device_->MeasureText(text); }
  int32_t TextWidth(std::string_view text) { return MeasureText(text).cx; }
  int32_t TextHeight(std::string_view text) { return MeasureText(text).cy; }
  void GetAscentDescent(int32_t& ascent, int32_t& descent) {
    device_->GetAscentDescent(ascent, descent);
  }
  int32_t CurrentStyle() const { return currentStyle_; }
  TTextDevice& Device() { return *device_; }

 private:
  std::unique_ptr<TTextDevice> device_;
  int32_t currentStyle_ = -1;
};

// The surface through which pages measure; none until the reader (or a tool) sets one.
TSurface* CurrentSurface();
void SetCurrentSurface(TSurface* surface);

}  // namespace folivar
