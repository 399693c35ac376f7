#include "display/helplayout.h"

#include <utility>

#include "core/codepage.h"
#include "display/Views.h"
#include "display/surfaces.h"
#include "reader/msgs.h"

namespace folivar {

namespace {

bool IsWordChar(char16_t c) {
  if (c < 0x80) return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
  return UnicodeLetterOrDigit(c);
}

}  // namespace

std::u16string ButtonCaption(std::u16string_view caption) {
  return std::u16string(caption.substr(0, caption.find(u':')));
}

std::vector<TBoxButton> LayOutButtons(const TBoxTexts& captions) {
  std::vector<TBoxButton> buttons;
  buttons.reserve(captions.size());
  int32_t right = kBoxButtonsRight;
  for (const std::u16string& caption : captions) {
    buttons.push_back({.left = right - kBoxButtonWidth,
                       .top = kBoxButtonTop,
                       .right = right,
                       .bottom = kBoxButtonBottom,
                       .caption = ButtonCaption(caption)});
    right -= kBoxButtonPitch;
  }
  return buttons;
}

int32_t ButtonAt(const std::vector<TBoxButton>& buttons, int32_t x, int32_t y) {
  int32_t at = -1;
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i].Contains(x, y)) at = static_cast<int32_t>(i);
  return at;
}

std::string_view CaptionListKey(int32_t key) {
  switch (key) {
    case kKeyEnter: return "Enter";
    case kKeyEscape: return "Esc";
    case kKeyN: return "N";
    case kKeyY: return "Y";
    default: return {};
  }
}

std::u16string KeyCaptionList(int32_t key) {
  const std::string_view name = CaptionListKey(key);
  if (name.empty()) return {};
  return BookTextToUtf16(MessageText(name, "WasPresses"), BookEncoding());
}

bool CaptionListNames(std::u16string_view list, std::u16string_view caption) {
  if (caption.empty()) return false;
  std::u16string needle(caption);
  for (char16_t& c : needle)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  needle += u':';
  for (size_t at = list.find(needle); at != std::u16string_view::npos; at = list.find(needle, at + 1))
    if (at == 0 || !IsWordChar(list[at - 1])) return true;
  return false;
}

TBoxOrigin BoxOrigin(int32_t screenWidth, int32_t screenHeight, int32_t boxWidth) {
  return {.x = screenWidth / 2 - boxWidth / 2, .y = screenHeight / 2 - 60};
}

THelpBox::THelpBox(std::u16string text, const TBoxTexts& captions)
    : text_(std::move(text)), buttons_(LayOutButtons(captions)) {}

void THelpBox::MouseMove(int32_t x, int32_t y) { hover_ = ButtonAt(buttons_, x, y); }

bool THelpBox::MouseRelease(int32_t x, int32_t y) {
  const int32_t at = ButtonAt(buttons_, x, y);
  if (at < 0) return false;
  result_ = at;
  return true;
}

bool THelpBox::KeyPress(int32_t key) {
  result_ = -1;
  const std::u16string list = KeyCaptionList(key);
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (CaptionListNames(list, buttons_[i].caption)) result_ = static_cast<int32_t>(i);
  return result_ >= 0 || key == kKeyEnter || key == kKeyEscape;
}

void THelpBox::PrepareSurface(TSurface& surface) {
  surface.keyColour = kBoxWhite;
  surface.Device().SetTextColour(0);
  surface.SetPlainFont("Arial", 10);
}

void THelpBox::Draw(TSurface& surface, const tview& background) const {
  background.Put(surface.Bitmap(), 0, 0);
  const uint32_t bg =
      surface.Width() > 12 && surface.Height() > 12 ? surface.PixelAt(12, 12) : kBoxWhite;
  surface.FillRect(20, 65, 378, 124, kBoxWhite);
  surface.FillRect(10, 124, 378, 143, kBoxWhite);
  surface.FillRect(10, 144, 378, 146, bg);
  surface.WriteLines(text_, kBoxTextX, kBoxTextY);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const TBoxButton& b = buttons_[i];
    surface.FillRect(b.left, b.top, b.right, b.bottom,
                     static_cast<int32_t>(i) == hover_ ? kBoxHoverColour : bg);
    const TTextExtent extent = surface.MeasureText(b.caption);
    surface.WriteText(b.caption, b.left + (b.right - b.left - extent.cx) / 2,
                      b.top + (b.bottom - b.top - extent.cy) / 2);
  }
}

}  // namespace folivar
