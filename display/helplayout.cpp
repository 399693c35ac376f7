#include "display/helplayout.h"

#include <utility>

#include "display/Views.h"
#include "display/surfaces.h"
#include "reader/msgs.h"

namespace folivar {

namespace {

// Letters and digits, including the letters of code page 1251.
bool IsWordChar(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0 ||
         c == 0xA8 || c == 0xB8;
}

}  // namespace

std::string ButtonCaption(std::string_view caption) {
  return std::string(caption.substr(0, caption.find(':')));
}

std::vector<TBoxButton> LayOutButtons(const TStringList& captions) {
  std::vector<TBoxButton> buttons;
  buttons.reserve(captions.size());
  int32_t right = kBoxButtonsRight;
  for (const std::string& caption : captions) {
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

std::string KeyCaptionList(int32_t key) {
  const std::string_view name = CaptionListKey(key);
  return name.empty() ? std::string() : MessageText(name, "WasPresses");
}

bool CaptionListNames(std::string_view list, std::string_view caption) {
  if (caption.empty()) return false;
  const std::string needle = UpperCaseAscii(caption) + ":";
  for (size_t at = list.find(needle); at != std::string_view::npos; at = list.find(needle, at + 1))
    if (at == 0 || !IsWordChar(static_cast<unsigned char>(list[at - 1]))) return true;
  return false;
}

TBoxOrigin BoxOrigin(int32_t screenWidth, int32_t screenHeight, int32_t boxWidth) {
  return {.x = screenWidth / 2 - boxWidth / 2, .y = screenHeight / 2 - 60};
}

THelpBox::THelpBox(std::string text, const TStringList& captions)
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
  const std::string list = KeyCaptionList(key);
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
