// The Windows text device: GDI on the device context of the target view's DIB section, so that
// text lands straight in the pixels the views copy and blend. Strings are code page 1251 and go
// through the wide calls after MultiByteToWideChar(1251), whatever the system's own code page.
// The device holds one font at a time; GDI's batch is flushed after every write so the pixel
// memory is current when it returns.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "display/textdevice.h"
#include "platform/win32/viewdc.h"

namespace folivar {

namespace {

constexpr UINT kCodePage = 1251;

// The string as UTF-16; code page 1251 has one UTF-16 unit per byte, so positions stay the same.
std::wstring Widen(std::string_view text) {
  std::wstring wide;
  const int length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
  if (length == 0) return wide;
  const int size = MultiByteToWideChar(kCodePage, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return wide;
  wide.resize(static_cast<size_t>(size));
  MultiByteToWideChar(kCodePage, 0, text.data(), length, wide.data(), size);
  return wide;
}

LOGFONTW MakeLogFontW(const TLogFont& font) {
  LOGFONTW lf{};
  lf.lfHeight = font.height;
  lf.lfWeight = font.weight;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikeOut;
  lf.lfCharSet = font.charSet;
  const std::wstring face = Widen(std::string_view(font.faceName).substr(0, TLogFont::kMaxFaceName));
  const size_t n = std::min<size_t>(face.size(), LF_FACESIZE - 1);
  std::copy_n(face.begin(), n, lf.lfFaceName);
  lf.lfFaceName[n] = 0;
  return lf;
}

class TGdiTextDevice final : public TTextDevice {
 public:
  explicit TGdiTextDevice(tview& target) : dc_(ViewDC(target)) {
    if (dc_) SetBkMode(dc_, TRANSPARENT);
  }
  TGdiTextDevice(const TGdiTextDevice&) = delete;
  TGdiTextDevice& operator=(const TGdiTextDevice&) = delete;

  ~TGdiTextDevice() override {
    if (dc_ && font_) {
      SelectObject(dc_, saved_);
      DeleteObject(font_);
    }
  }

  // The new font is made before the present one is let go, so that a font GDI cannot make
  // leaves the present one selected. The device context's own font is kept to be selected back.
  void SelectFont(const TLogFont& font) override {
    if (!dc_) return;
    const LOGFONTW lf = MakeLogFontW(font);
    HFONT created = CreateFontIndirectW(&lf);
    if (!created) return;
    HGDIOBJ previous = SelectObject(dc_, created);
    if (!previous || previous == HGDI_ERROR) {
      DeleteObject(created);
      return;
    }
    if (font_) {
      DeleteObject(font_);
    } else {
      saved_ = previous;
    }
    font_ = created;
  }

  void SetTextColour(uint32_t colour) override {
    if (dc_) SetTextColor(dc_, colour);
  }

  TTextExtent MeasureText(std::string_view text) override {
    TTextExtent extent;
    if (!dc_) return extent;
    const std::wstring wide = Widen(text);
    SIZE size{};
    if (GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size)) {
      extent.cx = size.cx;
      extent.cy = size.cy;
    }
    return extent;
  }

  void GetAscentDescent(int32_t& ascent, int32_t& descent) override {
    ascent = 0;
    descent = 0;
    TEXTMETRICW metrics{};
    if (dc_ && GetTextMetricsW(dc_, &metrics)) {
      ascent = metrics.tmAscent;
      descent = metrics.tmDescent;
    }
  }

  void WriteText(int32_t x, int32_t y, std::string_view text) override {
    if (!dc_) return;
    const std::wstring wide = Widen(text);
    if (wide.empty()) return;
    TextOutW(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
    GdiFlush();
  }

  void WriteRun(int32_t x, int32_t y, std::string_view text, const int32_t* advances) override {
    if (!dc_) return;
    const std::wstring wide = Widen(text);
    if (wide.empty()) return;
    // GDI reads one advance per UTF-16 unit, and there is one unit per character.
    std::vector<INT> dx;
    if (advances) {
      dx.assign(advances, advances + std::min(text.size(), wide.size()));
      dx.resize(wide.size(), 0);
    }
    ExtTextOutW(dc_, x, y, 0, nullptr, wide.c_str(), static_cast<UINT>(wide.size()),
                dx.empty() ? nullptr : dx.data());
    GdiFlush();
  }

 private:
  HDC dc_;
  HFONT font_ = nullptr;     // the font this device made and selected
  HGDIOBJ saved_ = nullptr;  // what the device context held before it
};

}  // namespace

std::unique_ptr<TTextDevice> CreateTextDevice(tview& target) {
  return std::make_unique<TGdiTextDevice>(target);
}

}  // namespace folivar
