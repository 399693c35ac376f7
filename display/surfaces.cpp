#include "display/surfaces.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "book/bookstyle.h"
#include "core/codepage.h"

namespace folivar {

namespace {
TSurface* current = nullptr;

// Font sizes come from the book: the pixel height is worked out in 64 bits and kept within 16384
// pixels either way (some 12,000 points, far beyond any page), so that no size overflows.
constexpr int64_t kMaxFontHeight = 16384;

int32_t FontHeight(int32_t size) {
  const int64_t height = -(int64_t{size} * 96) / 72;
  return static_cast<int32_t>(std::clamp<int64_t>(height, -kMaxFontHeight, kMaxFontHeight));
}
}  // namespace

TLogFont MakeLogFont(const TStyleFont& font) {
  TLogFont f;
  f.height = FontHeight(font.size);
  f.weight = (font.flags & kFontBold) ? 700 : 400;
  f.italic = (font.flags & kFontItalic) ? 1 : 0;
  f.underline = (font.flags & kFontUnderline) ? 1 : 0;
  f.strikeOut = (font.flags & kFontStrikeOut) ? 1 : 0;
  std::u16string name = BookTextToUtf16(font.faceName, BookEncoding());
  if (name.size() > TLogFont::kMaxFaceName) {
    size_t cut = TLogFont::kMaxFaceName;
    if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) --cut;  // not half a pair
    name.resize(cut);
  }
  f.faceName = Utf16ToUtf8(name);
  return f;
}

TLogFont PlainLogFont(std::string_view face, int32_t size) {
  TLogFont f;
  f.height = FontHeight(size);
  f.faceName = std::string(face.substr(0, TLogFont::kMaxFaceName));
  return f;
}

TSurface::TSurface(uint32_t width, uint32_t height, const TTextDeviceFactory& makeDevice)
    : bitmap_(width, height, true), device_(makeDevice(bitmap_)) {}

void TSurface::SelectStyle(int32_t styleIndex) {
  const TStyle& style = GetStyle(styleIndex);
  if (style.kind != kKindCharacter || styleIndex == currentStyle_) return;
  currentStyle_ = styleIndex;
  device_->SetTextColour(static_cast<uint32_t>(style.font.colour));
  device_->SelectFont(MakeLogFont(style.font));
}

void TSurface::SetPlainFont(std::string_view face, int32_t size) {
  currentStyle_ = -1;
  device_->SelectFont(size == 0 ? TLogFont{} : PlainLogFont(face, size));
}

void TSurface::WriteText(std::u16string_view text, int32_t x, int32_t y) {
  if (!text.empty()) device_->WriteText(x, y, text);
}

void TSurface::WriteLines(std::u16string_view text, int32_t x, int32_t y) {
  std::u16string rest;
  rest.reserve(text.size() + 1);
  for (char16_t c : text)
    if (c != u'\n') rest += c;
  rest += u'\r';
  size_t start = 0;
  while (start < rest.size()) {
    const size_t end = rest.find(u'\r', start);
    std::u16string_view line(rest.data() + start, end - start);
    if (line.empty()) line = u" ";
    WriteText(line, x, y);
    y += TextHeight(line);
    start = end + 1;
  }
}

TSurface* CurrentSurface() { return current; }
void SetCurrentSurface(TSurface* surface) { current = surface; }

void FillTriangle(tview& view, int32_t apexX, int32_t topY, int32_t bottomLeftX,
                  int32_t bottomRightX, int32_t bottomY, uint32_t colour) {
  const int32_t n = bottomY - topY;
  if (n <= 0) return;
  const double leftStep = static_cast<double>(bottomLeftX - apexX) / n;
  const double rightStep = static_cast<double>(bottomRightX - apexX) / n;
  double left = apexX;
  double right = apexX;
  const int32_t width = static_cast<int32_t>(view.Width());
  const int32_t height = static_cast<int32_t>(view.Height());
  for (int32_t y = topY; y <= bottomY; ++y, left += leftStep, right += rightStep) {
    if (y < 0 || y >= height) continue;
    // nearbyint rounds half to even in the default rounding mode.
    int32_t x = static_cast<int32_t>(std::nearbyint(left));
    int32_t count = static_cast<int32_t>(std::nearbyint(right - left));
    if (x < 0) {
      count += x;
      x = 0;
    }
    if (count > width - x) count = width - x;
    if (count <= 0) continue;
    view.Locate(x, y);
    uint32_t* row = view.Cursor();
    for (int32_t i = 0; i < count; ++i) row[i] = colour;
  }
}

}  // namespace folivar
