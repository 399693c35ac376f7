// TSurface: the target on which the reader writes text and pictures. It owns a 32-bit bitmap
// (with a device context where the platform has one) and the text device that writes into it;
// it selects the font and colour of a book style, measures and writes strings, fills rectangles
// and reads pixels. It also carries what page drawing needs while it draws: the key colour and
// blend weight of pictures, the item map of clickable items, and the style of the last text run.
//
// The page surface is also the current surface, through which page drawing, item measurement and
// style metrics measure and draw.
//
// Scale: a surface has a book size (the pixels the book was laid out in) and a scale s; its
// bitmap has the device size round(book size * s). Everything callers give and get is in book
// coordinates: measures, the item map, rectangles, text and picture positions. At s = 1 there is
// one text device and every call goes straight to it. At another scale a second device at scale 1,
// on a small scratch view of its own, measures, so that measures (and so layout) stay exactly as
// at s = 1, while the drawing device writes with fonts of the height scaled: each character at the
// device position of its book position, the baseline at the device position of the book baseline.
// Pictures are resampled to their device size, once per picture and scale.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

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

// The scales of the screen (the monitor's DPI and the zoom), and the largest a surface takes:
// printing draws a spread up to 300 pixels per inch of paper, beyond the screen's largest scale.
constexpr double kMinScale = 0.5;
constexpr double kMaxScale = 4.0;
constexpr double kMaxSurfaceScale = 8.0;

// The scale brought within kMinScale .. kMaxSurfaceScale (a scale that is not a number: kMinScale).
double BoundedScale(double scale);
// round(v * scale), halves away from zero.
int32_t ScaleCoordinate(int32_t v, double scale);

class TSurface {
 public:
  // A width x height surface with the platform's text device.
  TSurface(uint32_t width, uint32_t height)
      : TSurface(width, height, [](tview& target) { return CreateTextDevice(target); }) {}
  // The same with a device of the caller's making (tests).
  TSurface(uint32_t width, uint32_t height, const TTextDeviceFactory& makeDevice)
      : TSurface(width, height, 1.0, makeDevice) {}
  // A surface of book size width x height drawn at scale (kMinScale .. kMaxSurfaceScale); makeDevice is
  // called once for the drawing device and, at a scale other than 1, once more for the measuring
  // device.
  TSurface(uint32_t width, uint32_t height, double scale, const TTextDeviceFactory& makeDevice);
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;

  // The device-size pixel layer.
  TXif& Bitmap() { return bitmap_; }
  // The book size.
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  double Scale() const { return scale_; }
  bool Scaled() const { return scale_ != 1.0; }
  // Book coordinate to device pixel, round(v * scale); and a device pixel back to the book
  // coordinate whose device pixels hold it (floor(v / scale)), for mouse positions.
  int32_t ToDevice(int32_t v) const { return Scaled() ? ScaleCoordinate(v, scale_) : v; }
  int32_t ToBook(int32_t v) const;
  // The drawing device (at scale 1 also the measuring one).
  TTextDevice& Device() { return *device_; }
  void SetTextColour(uint32_t colour) { device_->SetTextColour(colour); }

  // Makes the font and colour of a text style current; nothing for other kinds or for the style
  // that is already current.
  void SelectStyle(int32_t styleIndex);
  int32_t CurrentStyle() const { return currentStyle_; }
  // Puts a plain font of the face and size on the surface (size 0: the device's default font);
  // the next SelectStyle selects its style's font again.
  void SetPlainFont(std::string_view face, int32_t size);

  // Measures in book pixels.
  TTextExtent MeasureText(std::u16string_view text) { return Measurer().MeasureText(text); }
  int32_t TextWidth(std::u16string_view text) { return MeasureText(text).cx; }
  int32_t TextHeight(std::u16string_view text) { return MeasureText(text).cy; }
  void GetAscentDescent(int32_t& ascent, int32_t& descent) {
    Measurer().GetAscentDescent(ascent, descent);
  }
  // The string with its top-left corner at (x, y); nothing for an empty string.
  void WriteText(std::u16string_view text, int32_t x, int32_t y);
  // Code unit i at x + advances[0] + ... + advances[i - 1], one advance per code unit, the cell's
  // top at y (book pixels).
  void WriteRun(std::u16string_view text, int32_t x, int32_t y, const int32_t* advances);
  // The picture with its top-left corner at (x, y), copied; blended: pixels equal to keyColour
  // left out and the others mixed with the background by pictureBlend. At a scale other than 1
  // the picture is resampled to round(size * scale) (kept for the next time) and a blended one
  // is resampled with its coverage, so that no key colour bleeds into its edges. A packed picture
  // draws nothing.
  void DrawPicture(const TXif& picture, int32_t x, int32_t y, bool blended);
  // Lines separated by carriage returns (line feeds are dropped), each at x and each moving y
  // down by its own height; an empty line is written as one space.
  void WriteLines(std::u16string_view text, int32_t x, int32_t y);

  // The pixel at book position (x, y) (its device pixel's top-left one), which lies inside.
  uint32_t PixelAt(int32_t x, int32_t y) const {
    return bitmap_.At(static_cast<uint32_t>(ToDevice(x)), static_cast<uint32_t>(ToDevice(y)));
  }
  // Both corners included (book pixels, all device pixels they cover); clipped to the bitmap.
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    if (!Scaled()) return bitmap_.FillRect(x1, y1, x2, y2, colour);
    const auto after = [this](int32_t v) { return v < INT32_MAX ? ToDevice(v + 1) - 1 : ToDevice(v); };
    bitmap_.FillRect(ToDevice(x1), ToDevice(y1), after(x2), after(y2), colour);
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
  struct TScaledPicture {
    uint32_t sourceWidth = 0, sourceHeight = 0;
    TXif colour;                    // device size
    std::vector<uint8_t> coverage;  // blended pictures: 255 where the picture is, top row first
  };

  TTextDevice& Measurer() { return measurer_ ? *measurer_ : *device_; }
  void SelectFont(const TLogFont& font);
  const TScaledPicture& ScaledPicture(const TXif& picture, bool blended);

  uint32_t width_ = 0, height_ = 0;
  double scale_ = 1.0;
  TXif bitmap_;
  std::unique_ptr<TTextDevice> device_;
  TXif scratch_;  // the measuring device's target
  std::unique_ptr<TTextDevice> measurer_;
  std::unique_ptr<T2D> itemMap_;
  int32_t currentStyle_ = -1;
  std::map<std::pair<const TXif*, bool>, TScaledPicture> pictures_;
  uint64_t pictureBytes_ = 0;
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
