// Pixel stores on Windows: a DIB section in a memory device context for views that GDI draws
// on, the portable heap store for the others.
#include <windows.h>

#include "display/Views.h"
#include "platform/win32/viewdc.h"

namespace folivar {

std::unique_ptr<TDibStore> TDibStore::Create(uint32_t width, uint32_t height) {
  if (width == 0 || height == 0 || width > tview::kMaxWidth || height > tview::kMaxHeight) {
    return nullptr;
  }
  // GDI keeps bitmap sizes in 32 bits; a larger section is not asked for at all.
  if (uint64_t{width} * height * 4 > 0x7FFFFFFFu) return nullptr;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);  // 40
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = static_cast<LONG>(height);  // positive: rows bottom-up, as a tview's
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(bitmap);
    return nullptr;
  }
  HGDIOBJ previous = SelectObject(dc, bitmap);
  if (!previous || previous == HGDI_ERROR) {
    DeleteDC(dc);
    DeleteObject(bitmap);
    return nullptr;
  }
  return std::unique_ptr<TDibStore>(
      new TDibStore(bitmap, dc, previous, static_cast<uint32_t*>(bits)));
}

TDibStore::~TDibStore() {
  // Drawing still in GDI's batch must reach the section before it goes.
  GdiFlush();
  SelectObject(dc_, previous_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

std::unique_ptr<TPixelStore> CreatePixelStore(uint32_t width, uint32_t height, bool withDC) {
  if (withDC) return TDibStore::Create(width, height);
  return CreateMemoryPixelStore(width, height);
}

}  // namespace folivar
