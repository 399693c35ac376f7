#include "reader/findwin.h"

#include <algorithm>
#include <utility>

#include "images/embed.h"
#include "platform/win32/dpi.h"
#include "platform/win32/viewdc.h"

namespace folivar {

namespace {

// The input line in box coordinates, below the one line of the prompt.
constexpr int32_t kFieldLeft = 20;
constexpr int32_t kFieldRight = 370;
constexpr int32_t kFieldTop = 88;
constexpr int32_t kFieldBottom = 110;
constexpr int32_t kFieldPad = 4;
constexpr uint32_t kFieldFrame = 0x00808080;
constexpr uint32_t kCaretColour = 0x00000000;

}  // namespace

TFindWin::TFindWin(HWND owner, std::u16string title, std::u16string prompt,
                   const TBoxTexts& captions, TChoice choose)
    : owner_(owner), title_(std::move(title)), box_(std::move(prompt), captions),
      choose_(std::move(choose)) {}

void TFindWin::AfterCreate() {
  LoadBuiltInImages();
  const tview& background = MessageBackgroundImage();
  const double scale = std::clamp(WindowDpi(owner_) / 96.0, kMinScale, kMaxScale);
  surface_ = std::make_unique<TSurface>(background.Width(), background.Height(), scale,
                                        [](tview& target) { return CreateTextDevice(target); });
  THelpBox::PrepareSurface(*surface_);
  SetCaption(title_);
  SetStyle(WS_POPUP);
  // No taskbar button, and never the active window: the reader keeps the keyboard.
  SetExStyle(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
  // Owned by the reader window: above it, minimised and closed with it.
  SetWindowLongPtrW(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner_));
  Resize(static_cast<int32_t>(surface_->Bitmap().Width()),
         static_cast<int32_t>(surface_->Bitmap().Height()));
  Place();
  Draw();
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  UpdateWindow(Handle());
  Paint();
}

void TFindWin::Place() {
  RECT reader{};
  GetWindowRect(owner_, &reader);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner_, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT area = monitor.rcWork;
  const int32_t w = Width(), h = Height();
  int32_t x = (reader.left + reader.right) / 2 - w / 2;
  x = std::max(static_cast<int32_t>(area.left), std::min(x, static_cast<int32_t>(area.right) - w));
  int32_t y = reader.bottom;
  if (y + h > area.bottom) y = reader.top - h;
  if (y < area.top) y = std::max(static_cast<int32_t>(area.top), static_cast<int32_t>(reader.bottom) - h);
  MoveTo(x, y);
}

void TFindWin::BeforeDestroy() { surface_.reset(); }

void TFindWin::ShowInput(const std::u16string& text, size_t caret) {
  input_ = text;
  caret_ = std::min(caret, input_.size());
  Draw();
  Paint();
}

void TFindWin::Paint() {
  if (surface_ && DC()) DrawToDC(surface_->Bitmap(), DC(), 0, 0);
}

void TFindWin::MouseMove(int32_t x, int32_t y) {
  if (!surface_) return;
  box_.MouseMove(surface_->ToBook(x), surface_->ToBook(y));
  Draw();
  Paint();
}

void TFindWin::MouseButton(uint8_t down, uint8_t, int32_t x, int32_t y) {
  if (down || !surface_ || !box_.MouseRelease(surface_->ToBook(x), surface_->ToBook(y))) return;
  // The reader may close and free the box from here: nothing of it is used afterwards.
  if (choose_) {
    const TChoice choose = choose_;
    choose(box_.Result());
  }
}

void TFindWin::Draw() {
  if (!surface_) return;
  TSurface& s = *surface_;
  // The background drawn at the box's scale, as the message boxes have it.
  box_.Draw(s, s.Scaled() ? BuiltInImage(TBuiltIn::MessageBackground, s.Scale()) : MessageBackgroundImage());
  s.FillRect(kFieldLeft, kFieldTop, kFieldRight, kFieldBottom, kFieldFrame);
  s.FillRect(kFieldLeft + 1, kFieldTop + 1, kFieldRight - 1, kFieldBottom - 1, kBoxWhite);
  // The part of the line that holds the caret: the text from the first character from which the
  // caret still fits in the field.
  const int32_t room = kFieldRight - kFieldLeft - 2 * kFieldPad;
  size_t first = 0;
  while (first < caret_ &&
         s.TextWidth(std::u16string_view(input_).substr(first, caret_ - first)) > room) {
    ++first;
    if (first < caret_ && input_[first] >= 0xDC00 && input_[first] <= 0xDFFF) ++first;
  }
  size_t last = input_.size();
  while (last > caret_ && s.TextWidth(std::u16string_view(input_).substr(first, last - first)) > room)
    --last;
  const std::u16string_view shown = std::u16string_view(input_).substr(first, last - first);
  const int32_t textX = kFieldLeft + kFieldPad;
  const int32_t height = s.TextHeight(u"Ag");
  const int32_t textY = kFieldTop + (kFieldBottom - kFieldTop - height) / 2;
  if (!shown.empty()) s.WriteText(shown, textX, textY);
  const int32_t caretX =
      textX + (caret_ > first ? s.TextWidth(std::u16string_view(input_).substr(first, caret_ - first)) : 0);
  s.FillRect(caretX, textY, caretX, textY + height - 1, kCaretColour);
}

}  // namespace folivar
