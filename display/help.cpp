#include "display/help.h"

#include <algorithm>
#include <utility>

#include "images/embed.h"
#include "platform/win32/dpi.h"
#include "platform/win32/viewdc.h"

namespace folivar {

namespace {
// Modal boxes running their message loop: 0 or 1.
int gModalBoxes = 0;
}  // namespace

THelpWin::THelpWin(std::u16string text, const TBoxTexts& captions, std::u16string title)
    : box_(std::move(text), captions), title_(std::move(title)) {}

const TWinTable& THelpWin::Table() {
  static constexpr TWinTable::Entry kEntries[] = {
      TWinTable::On<&THelpWin::OnActivate>(WM_ACTIVATE),
      TWinTable::On<&THelpWin::OnClose>(WM_CLOSE),
  };
  static const TWinTable table(&TWin::Table(), kEntries);
  return table;
}

void THelpWin::AfterCreate() {
  LoadBuiltInImages();
  const tview& background = MessageBackgroundImage();
  // The box is laid out in its background's pixels and drawn at its monitor's DPI.
  const double scale = std::clamp(WindowDpi(Handle()) / 96.0, kMinScale, kMaxScale);
  surface_ = std::make_unique<TSurface>(background.Width(), background.Height(), scale,
                                        [](tview& target) { return CreateTextDevice(target); });
  THelpBox::PrepareSurface(*surface_);
  SetCaption(title_);
  SetStyle(0);                    // no caption, no border
  SetExStyle(WS_EX_TOOLWINDOW);  // no taskbar button
  Resize(static_cast<int32_t>(surface_->Bitmap().Width()),
         static_cast<int32_t>(surface_->Bitmap().Height()));
  const TBoxOrigin origin =
      BoxOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), Width());
  MoveTo(origin.x, origin.y);
  // Drawn before it is shown, so that its first paint shows the whole box.
  Draw();
  Show();
}

void THelpWin::BeforeDestroy() { surface_.reset(); }

void THelpWin::Paint() {
  if (surface_ && DC()) DrawToDC(surface_->Bitmap(), DC(), 0, 0);
}

void THelpWin::MouseMove(int32_t x, int32_t y) {
  if (!surface_) return;
  box_.MouseMove(surface_->ToBook(x), surface_->ToBook(y));
  Draw();
  Paint();
}

void THelpWin::MouseButton(uint8_t down, uint8_t, int32_t x, int32_t y) {
  if (!down && surface_ && box_.MouseRelease(surface_->ToBook(x), surface_->ToBook(y))) Quit();
}

void THelpWin::Key(uint8_t down, int32_t key) {
  if (down && box_.KeyPress(key)) Quit();
}

// Another window became active.
void THelpWin::OnActivate(TWinMessage& m) {
  if (LOWORD(m.wParam) == WA_INACTIVE && IsWindow(Handle())) Quit();
}

// Closing from outside (Alt+F4, the system close command, another program) closes the box like
// Escape instead of letting DefWindowProc destroy a window whose object is still in use.
void THelpWin::OnClose(TWinMessage& m) {
  m.callDefault = false;
  Quit();
}

void THelpWin::Draw() {
  // The box's layout puts the background 1:1 on the device pixels: at a scale, the background
  // drawn at it (or resampled to it).
  if (!surface_) return;
  box_.Draw(*surface_, surface_->Scaled() ? BuiltInImage(TBuiltIn::MessageBackground, surface_->Scale())
                                          : MessageBackgroundImage());
}

int32_t ShowMessage(std::u16string_view text, std::u16string_view title, const TBoxTexts& captions) {
  HWND previous = GetActiveWindow();
  if (gModalBoxes > 0) return -1;
  int32_t result = -1;
  {
    struct TModal {
      TModal() { ++gModalBoxes; }
      ~TModal() { --gModalBoxes; }
    } modal;
    TWinPtr<THelpWin> box = MakeWindow<THelpWin>(std::u16string(text), captions, std::u16string(title));
    box->Run();
    result = box->Result();
  }
  if (previous && IsWindow(previous)) SetActiveWindow(previous);
  return result;
}

bool ModalMessageOpen() { return gModalBoxes > 0; }

TWinPtr<THelpWin> OpenInfoWindow(std::u16string_view text, std::u16string_view title) {
  TWinPtr<THelpWin> box =
      MakeWindow<THelpWin>(std::u16string(text), TBoxTexts{}, std::u16string(title));
  box->PumpOne();
  return box;
}

}  // namespace folivar
