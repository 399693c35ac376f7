// Exchanging a view's pixels with device contexts through GDI's blits. Memory-only views go
// through a temporary view with a device context of their size, made and freed each time.
#include "platform/win32/viewdc.h"

namespace folivar {

HDC ViewDC(tview& view) {
  auto* store = dynamic_cast<TDibStore*>(view.Store());
  return store ? store->DC() : nullptr;
}

void GrabFromDC(tview& view, HDC source, int32_t x, int32_t y) {
  const auto width = static_cast<int>(view.Width());
  const auto height = static_cast<int>(view.Height());
  if (width == 0 || height == 0) return;
  if (HDC dc = ViewDC(view)) {
    BitBlt(dc, 0, 0, width, height, source, x, y, SRCCOPY);
    return;
  }
  tview grabbed(view.Width(), view.Height(), true);
  HDC dc = ViewDC(grabbed);
  if (!dc) return;
  BitBlt(dc, 0, 0, width, height, source, x, y, SRCCOPY);
  // The blit may still sit in GDI's batch; its pixels are read right away.
  GdiFlush();
  grabbed.Put(view, 0, 0);
}

void DrawToDC(tview& view, HDC destination, int32_t x, int32_t y) {
  const auto width = static_cast<int>(view.Width());
  const auto height = static_cast<int>(view.Height());
  if (width == 0 || height == 0) return;
  if (HDC dc = ViewDC(view)) {
    BitBlt(destination, x, y, width, height, dc, 0, 0, SRCCOPY);
    return;
  }
  tview staged(view.Width(), view.Height(), true);
  HDC dc = ViewDC(staged);
  if (!dc) return;
  view.Put(staged, 0, 0);
  BitBlt(destination, x, y, width, height, dc, 0, 0, SRCCOPY);
}

void StretchToDC(tview& view, HDC destination, int32_t x, int32_t y, int32_t w, int32_t h) {
  HDC dc = ViewDC(view);
  if (!dc) return;
  StretchBlt(destination, x, y, w, h, dc, 0, 0, static_cast<int>(view.Width()),
             static_cast<int>(view.Height()), SRCCOPY);
}

}  // namespace folivar
