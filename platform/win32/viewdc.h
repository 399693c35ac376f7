// Views with a device context: the store behind them (a DIB section selected into a memory
// device context of the view's own) and the exchange of pixels with other device contexts.
// GDI and the pixel operations share the view's memory; after drawing with GDI on a view's
// device context, call GdiFlush before reading its pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "display/Views.h"

namespace folivar {

// width x height pixels in a bottom-up 32-bit DIB section, selected into a memory device context
// compatible with the screen. Owns both handles; they are freed with the store.
class TDibStore final : public TPixelStore {
 public:
  // Null when a handle cannot be had, or when the section would be larger than GDI's bitmaps
  // can be (over 2^31 - 1 bytes).
  static std::unique_ptr<TDibStore> Create(uint32_t width, uint32_t height);

  TDibStore(const TDibStore&) = delete;
  TDibStore& operator=(const TDibStore&) = delete;
  TDibStore(TDibStore&&) = delete;
  TDibStore& operator=(TDibStore&&) = delete;
  // Flushes GDI's batch, selects the previous bitmap back, then deletes the section and the DC.
  ~TDibStore() override;

  uint32_t* Bits() override { return bits_; }
  bool HasDC() const override { return true; }
  HDC DC() const { return dc_; }

 private:
  TDibStore(HBITMAP bitmap, HDC dc, HGDIOBJ previous, uint32_t* bits)
      : bitmap_(bitmap), dc_(dc), previous_(previous), bits_(bits) {}

  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ previous_;  // what the DC held before the section was selected into it
  uint32_t* bits_;
};

// The device context of a view; null for a memory-only or empty view.
HDC ViewDC(tview& view);

// Copies the view's width x height block of source whose top-left corner is (x, y) into the
// whole view. A memory-only view grabs through a temporary view with a device context.
void GrabFromDC(tview& view, HDC source, int32_t x, int32_t y);
// Copies the whole view 1:1 to destination at (x, y). A memory-only view is first put into a
// temporary view with a device context, which is blitted and freed.
void DrawToDC(tview& view, HDC destination, int32_t x, int32_t y);
// Scales the whole view to the rectangle (x, y, w, h) of destination; the destination's stretch
// mode is left as it is. Only views with a device context are drawn; others draw nothing.
void StretchToDC(tview& view, HDC destination, int32_t x, int32_t y, int32_t w, int32_t h);

}  // namespace folivar
