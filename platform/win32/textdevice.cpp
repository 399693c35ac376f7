// The Windows text device: GDI on the device context of the target view's DIB section, so that
// text lands straight in the pixels the views copy and blend. Strings are UTF-16 and go to the
// wide calls as they are, whatever the system's own code page; face names are UTF-8.
// The device holds one font at a time; GDI's batch is flushed after every write so the pixel
// memory is current when it returns.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "core/codepage.h"
#include "display/textdevice.h"
#include "platform/win32/viewdc.h"

namespace folivar {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide calls take UTF-16 code units");

const wchar_t* Wide(std::u16string_view text) { return reinterpret_cast<const wchar_t*>(text.data()); }
// GDI counts in int; a longer string is cut (no line is anywhere near it).
int WideLength(std::u16string_view text) {
  return static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
}

LOGFONTW MakeLogFontW(const TLogFont& font) {
  LOGFONTW lf{};
  lf.lfHeight = font.height;
  lf.lfWeight = font.weight;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikeOut;
  lf.lfCharSet = font.charSet;
  const std::u16string face = Utf8ToUtf16(font.faceName);
  const size_t n = std::min<size_t>(face.size(), std::min<size_t>(TLogFont::kMaxFaceName, LF_FACESIZE - 1));
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

  TTextExtent MeasureText(std::u16string_view text) override {
    TTextExtent extent;
    if (!dc_) return extent;
    SIZE size{};
    if (GetTextExtentPoint32W(dc_, Wide(text), WideLength(text), &size)) {
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

  void WriteText(int32_t x, int32_t y, std::u16string_view text) override {
    if (!dc_ || text.empty()) return;
    TextOutW(dc_, x, y, Wide(text), WideLength(text));
    GdiFlush();
  }

  void WriteRun(int32_t x, int32_t y, std::u16string_view text, const int32_t* advances) override {
    if (!dc_ || text.empty()) return;
    // GDI reads one advance per UTF-16 code unit, as advances holds them.
    const int length = WideLength(text);
    std::vector<INT> dx;
    if (advances) dx.assign(advances, advances + length);
    ExtTextOutW(dc_, x, y, 0, nullptr, Wide(text), static_cast<UINT>(length),
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
