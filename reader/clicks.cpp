#include "reader/clicks.h"

#include <algorithm>
#include <cmath>

#include "display/surfaces.h"
#include "images/resample.h"

namespace folivar {

void TClickMap::Reset(uint32_t width, uint32_t height) {
  map_.Allocate(width, height, false);
  map_.Fill(0);
  highlight_.Allocate(width, height, false);
  pictures_.clear();
}

void TClickMap::AddPicture(TBuiltIn which, int32_t x, int32_t y) {
  BuiltInImage(which).Put(highlight_, x, y);
  pictures_.push_back({which, x, y});
}

void TClickMap::AddTriangle(int32_t x0, int32_t y0, int32_t y1, int32_t xl, int32_t xr,
                            uint16_t code, uint8_t sub) {
  FillTriangle(map_, x0, y0, xl, xr, y1, code + (uint32_t{sub} << 16));
  Widen(code, xl, y0, xr, y1);
}

void TClickMap::AddRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t code,
                        uint8_t sub) {
  map_.FillRect(x1, y1, x2 - 1, y2 - 1, code + (uint32_t{sub} << 16));
  Widen(code, x1, y1, x2, y2);
}

THotBox* TClickMap::FindBox(int32_t code) {
  for (THotBox& box : boxes_)
    if (box.code == code) return &box;
  return nullptr;
}

void TClickMap::Free() {
  map_.Release();
  highlight_.Release();
  deviceHighlight_.Release();
}

THotBox TClickMap::DeviceBox(const THotBox& box) const {
  if (scale_ == 1.0) return box;
  return {box.code, ScaleCoordinate(box.left, scale_), ScaleCoordinate(box.top, scale_),
          ScaleCoordinate(box.right, scale_), ScaleCoordinate(box.bottom, scale_)};
}

void TClickMap::UpdateDeviceHighlight() {
  if (scale_ == 1.0) return;
  const auto w = static_cast<int32_t>(highlight_.Width());
  const auto h = static_cast<int32_t>(highlight_.Height());
  deviceHighlight_.Allocate(static_cast<uint32_t>(std::max(ScaleCoordinate(w, scale_), 0)),
                            static_cast<uint32_t>(std::max(ScaleCoordinate(h, scale_), 0)), false);
  UpdateDeviceHighlight({0, 0, 0, w, h});
}

void TClickMap::UpdateDeviceHighlight(const THotBox& box) {
  if (scale_ == 1.0) return;
  const int32_t left = std::max(box.left, 0), top = std::max(box.top, 0);
  const int32_t right = std::min(box.right, static_cast<int32_t>(highlight_.Width()));
  const int32_t bottom = std::min(box.bottom, static_cast<int32_t>(highlight_.Height()));
  if (right <= left || bottom <= top) return;
  TXif part(static_cast<uint32_t>(right - left), static_cast<uint32_t>(bottom - top));
  part.CopyFrom(highlight_, left, top);
  const THotBox device = DeviceBox({0, left, top, right, bottom});
  TXif scaled(static_cast<uint32_t>(device.right - device.left), static_cast<uint32_t>(device.bottom - device.top));
  // Black is the layer's nothing (left out when blended): resampled as a key, so that no dark
  // fringe rims the controls, a device pixel lit where the lit look covers at least half of it.
  std::vector<uint8_t> coverage;
  ResampleKeyed(part, 0, scaled, coverage);
  uint32_t* bits = scaled.Bits();
  for (size_t i = 0; i < coverage.size(); ++i) bits[i] = coverage[i] < 128 ? 0 : std::max(bits[i], 1u);
  scaled.Put(deviceHighlight_, device.left, device.top);
  // The pictures drawn at this scale over their resampled look.
  if (!DrawnSet(scale_)) return;
  for (const TPlaced& placed : pictures_) {
    const tview& picture = BuiltInImage(placed.which);
    if (placed.x < right && placed.x + static_cast<int32_t>(picture.Width()) > left && placed.y < bottom &&
        placed.y + static_cast<int32_t>(picture.Height()) > top)
      PutDrawn(placed, device);
  }
}

void TClickMap::PutDrawn(const TPlaced& placed, const THotBox& device) {
  const tview& book = BuiltInImage(placed.which);
  const tview& drawn = BuiltInImage(placed.which, scale_);
  const int32_t x0 = ScaleCoordinate(placed.x, scale_), y0 = ScaleCoordinate(placed.y, scale_);
  const int32_t left = std::max({device.left, x0, 0}), top = std::max({device.top, y0, 0});
  const int32_t right = std::min({device.right, x0 + static_cast<int32_t>(drawn.Width()),
                                  static_cast<int32_t>(deviceHighlight_.Width())});
  const int32_t bottom = std::min({device.bottom, y0 + static_cast<int32_t>(drawn.Height()),
                                   static_cast<int32_t>(deviceHighlight_.Height())});
  const auto bookW = static_cast<int32_t>(book.Width()), bookH = static_cast<int32_t>(book.Height());
  for (int32_t y = top; y < bottom; ++y) {
    // The book pixel under the device pixel's centre: the device pixel is the picture's where
    // the highlight layer shows the picture there, or nothing at the picture's rounded edges.
    const auto by = static_cast<int32_t>(std::floor((y + 0.5) / scale_));
    for (int32_t x = left; x < right; ++x) {
      const auto bx = static_cast<int32_t>(std::floor((x + 0.5) / scale_));
      if (bx < 0 || by < 0 || static_cast<uint32_t>(bx) >= highlight_.Width() ||
          static_cast<uint32_t>(by) >= highlight_.Height())
        continue;
      const uint32_t shown = highlight_.At(static_cast<uint32_t>(bx), static_cast<uint32_t>(by));
      const int32_t px = bx - placed.x, py = by - placed.y;
      const bool inside = px >= 0 && py >= 0 && px < bookW && py < bookH;
      const uint32_t own = inside ? book.At(static_cast<uint32_t>(px), static_cast<uint32_t>(py)) : 0;
      if (shown != own) continue;
      deviceHighlight_.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) =
          drawn.At(static_cast<uint32_t>(x - x0), static_cast<uint32_t>(y - y0));
    }
  }
}

uint32_t TClickMap::EntryAt(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || static_cast<uint32_t>(x) >= map_.Width() ||
      static_cast<uint32_t>(y) >= map_.Height())
    return 0;
  return map_.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

void TClickMap::Widen(int32_t code, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  THotBox* box = FindBox(code);
  if (!box) {
    boxes_.push_back({code, left, top, right, bottom});
    return;
  }
  box->left = std::min(box->left, left);
  box->top = std::min(box->top, top);
  box->right = std::max(box->right, right);
  box->bottom = std::max(box->bottom, bottom);
}

}  // namespace folivar
