// TSurface: the target on which the reader writes text and pictures. It owns a 32-bit bitmap
// (with a device context where the platform has one) and the text device that writes into it;
// it selects the font and colour of a book style, measures and writes strings, fills rectangles
// and reads pixels. It also carries what page drawing needs while it draws: the key colour and
// blend weight of pictures, the item map of clickable items, and the style of the last text run.
//
// The page surface is also the current surface, through which page drawing, item measurement and
// style metrics measure and draw.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "display/class2d.h"
#include "display/textdevice.h"
#include "images/xif3.h"

namespace folivar {

class TStyleFont;

using TTextDeviceFactory = std::function<std::unique_ptr<TTextDevice>(tview&)>;

// The font description of a style: height -(size * 96) div 72 (kept within +-16384 pixels, so
// that a size from a damaged book cannot overflow), weight 700 for bold, italic,
// underline and strike-out from the flags, DEFAULT_CHARSET, the face name in UTF-8 (read in the
// book's encoding) cut to 31 UTF-16 code units, never inside a surrogate pair.
TLogFont MakeLogFont(const TStyleFont& font);
// A plain regular font of the face (UTF-8) at size points.
TLogFont PlainLogFont(std::string_view face, int32_t size);

class TSurface {
 public:
  // A width x height surface with the platform's text device.
  TSurface(uint32_t width, uint32_t height)
      : TSurface(width, height, [](tview& target) { return CreateTextDevice(target); }) {}
  // The same with a device of the caller's making (tests).
  TSurface(uint32_t width, uint32_t height, const TTextDeviceFactory& makeDevice);
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;

  TXif& Bitmap() { return bitmap_; }
  uint32_t Width() const { return bitmap_.Width(); }
  uint32_t Height() const { return bitmap_.Height(); }
  TTextDevice& Device() { return *device_; }

  // Makes the font and colour of a text style current; nothing for other kinds or for the style
  // that is already current.
  void SelectStyle(int32_t styleIndex);
  int32_t CurrentStyle() const { return currentStyle_; }
  // Puts a plain font of the face and size on the surface (size 0: the device's default font);
  // the next SelectStyle selects its style's font again.
  void SetPlainFont(std::string_view face, int32_t size);

  TTextExtent MeasureText(std::u16string_view text) { return device_->MeasureText(text); }
  int32_t TextWidth(std::u16string_view text) { return MeasureText(text).cx; }
  int32_t TextHeight(std::u16string_view text) { return MeasureText(text).cy; }
  void GetAscentDescent(int32_t& ascent, int32_t& descent) {
    device_->GetAscentDescent(ascent, descent);
  }
  // The string with its top-left corner at (x, y); nothing for an empty string.
  void WriteText(std::u16string_view text, int32_t x, int32_t y);
  // Lines separated by carriage returns (line feeds are dropped), each at x and each moving y
  // down by its own height; an empty line is written as one space.
  void WriteLines(std::u16string_view text, int32_t x, int32_t y);

  // The pixel at (x, y), which lies inside the bitmap.
  uint32_t PixelAt(int32_t x, int32_t y) const {
    return bitmap_.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
  }
  // Both corners included; clipped to the bitmap.
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    bitmap_.FillRect(x1, y1, x2, y2, colour);
  }

  // The item map; none until the reader attaches one, which the surface then owns.
  T2D* ItemMap() { return itemMap_.get(); }
  void SetItemMap(std::unique_ptr<T2D> map) { itemMap_ = std::move(map); }

  // Weight of the background when glyph pictures are blended: 0 opaque, 255 left out.
  uint8_t pictureBlend = 255;
  // Pixels of blended pictures equal to it are not drawn (0x00RRGGBB).
  uint32_t keyColour = 0x00FFFFFF;
  // Style of the text run queued last by page drawing.
  int32_t lastTextStyle = -1;

 private:
  TXif bitmap_;
  std::unique_ptr<TTextDevice> device_;
  std::unique_ptr<T2D> itemMap_;
  int32_t currentStyle_ = -1;
};

// The surface through which pages measure and draw; none until the reader (or a tool) sets one.
TSurface* CurrentSurface();
void SetCurrentSurface(TSurface* surface);

// Fills, row by row from topY to bottomY, the triangle with its apex at (apexX, topY) and its
// lower edge from bottomLeftX to bottomRightX on row bottomY: both edges start at the apex and
// each row fills round(right - left) pixels from round(left), ties to even, so the apex row is
// empty. Rows and pixels outside the view are not drawn; nothing when bottomY <= topY.
void FillTriangle(tview& view, int32_t apexX, int32_t topY, int32_t bottomLeftX,
                  int32_t bottomRightX, int32_t bottomY, uint32_t colour);

}  // namespace folivar
