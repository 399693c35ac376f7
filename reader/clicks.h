// The click map: what of the reader window's own controls lies under the mouse. A picture as
// large as the page surface in which every hot spot is painted with its code + sub-code * 65536,
// the bounding box of every code, and the highlight layer that holds the lit look of every
// control where it is drawn. Hit testing is one read, whatever the shapes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "images/embed.h"
#include "images/xif3.h"

namespace folivar {

// The reader's hot-spot codes and their sub-codes.
enum : uint16_t {
  kHotNone = 0,
  kHotSideButton = 1,    // sub-codes kSideAbout, kSidePrint, kSideBack
  kHotNextCorner = 2,
  kHotPreviousCorner = 3,
  kHotWindowButton = 4,  // sub-codes kWindowClose, kWindowMinimise
  kHotScrollBar = 5,
};
enum : uint8_t { kSideAbout = 1, kSidePrint = 2, kSideBack = 4 };
enum : uint8_t { kWindowClose = 1, kWindowMinimise = 2 };

struct THotBox {
  int32_t code = 0;
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class TClickMap {
 public:
  // Makes the map (cleared to no hot spot) and the highlight layer (contents undefined)
  // width x height; the boxes stay.
  void Reset(uint32_t width, uint32_t height);
  // Paints the triangle with its apex at (x0, y0) and its lower edge from xl to xr on row y1 (see
  // FillTriangle: the apex row is empty, the bottom row ends at xr - 1); the box grows by
  // xl, y0, xr, y1.
  void AddTriangle(int32_t x0, int32_t y0, int32_t y1, int32_t xl, int32_t xr, uint16_t code,
                   uint8_t sub);
  // Paints x1 .. x2 - 1, y1 .. y2 - 1 (clipped); the box grows by x1, y1, x2, y2.
  void AddRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t code, uint8_t sub);
  // The code and the sub-code at (x, y); 0 outside the map.
  uint16_t CodeAt(int32_t x, int32_t y) const { return static_cast<uint16_t>(EntryAt(x, y)); }
  uint8_t SubAt(int32_t x, int32_t y) const { return static_cast<uint8_t>(EntryAt(x, y) >> 16); }
  // The code's box, which callers may change; none for a code without shapes.
  THotBox* FindBox(int32_t code);
  void ClearBoxes() { boxes_.clear(); }
  void Free();

  TXif& Map() { return map_; }
  // The layer the controls' lit looks are drawn into, in book coordinates like the map.
  TXif& Highlight() { return highlight_; }
  // Draws a built-in picture into the highlight layer with its top-left corner at (x, y). At a
  // scale whose pictures are drawn (embed.h), the device layer shows that picture at
  // (round(x * scale), round(y * scale)) wherever the highlight layer still shows the picture.
  void AddPicture(TBuiltIn which, int32_t x, int32_t y);

  // Drawing at a scale: the map, the boxes and the highlight layer stay in book coordinates, and
  // the device highlight layer holds the highlight layer at device size round(size * scale), for
  // blending onto the device-size screen at DeviceBox(box). At scale 1 it is the highlight layer
  // itself. Reset keeps the scale.
  void SetScale(double scale) { scale_ = scale; }
  double Scale() const { return scale_; }
  // Brings the device layer up to date with the highlight layer (after Reset and drawing into it),
  // or only within the box (a control drawn again).
  void UpdateDeviceHighlight();
  void UpdateDeviceHighlight(const THotBox& box);
  TXif& DeviceHighlight() { return scale_ == 1.0 ? highlight_ : deviceHighlight_; }
  // The device pixels of a box: each edge round(edge * scale).
  THotBox DeviceBox(const THotBox& box) const;

 private:
  uint32_t EntryAt(int32_t x, int32_t y) const;
  struct TPlaced {
    TBuiltIn which;
    int32_t x, y;
  };
  // The drawn picture's device pixels within the device box that the highlight layer gives to it.
  void PutDrawn(const TPlaced& placed, const THotBox& device);
  void Widen(int32_t code, int32_t left, int32_t top, int32_t right, int32_t bottom);

  TXif map_;
  TXif highlight_;
  TXif deviceHighlight_;
  double scale_ = 1.0;
  std::vector<THotBox> boxes_;  // one per code, in the order of first registration
  std::vector<TPlaced> pictures_;  // since Reset, in the order drawn
};

}  // namespace folivar
