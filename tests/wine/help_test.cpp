// The message window under real user32 and GDI: a modal box answering posted keys and clicks
// (a click is a move, a press and a release), the look of the box as a window, closing when another window becomes active or on the system
// close command, and the non-modal information window that the reader pumps and closes. The box's
// layout, keys and hover are tested natively.
#include "display/help.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "display/StdWin.h"
#include "display/Views.h"
#include "images/embed.h"
#include "platform/win32/viewdc.h"
#include "reader/msgs.h"

namespace folivar {
namespace {

// Drives a modal box from a thread timer, which the box's own message loop dispatches: once the
// box with the title exists, each tick runs the next step on it. A timer message comes only when
// no posted message waits, so what one step posted has been handled when the next step runs. If
// the steps do not close the box in ten seconds, it is sent Escape and the script says so.
class TScript {
 public:
  using TStep = std::function<void(HWND box)>;

  TScript(std::wstring title, std::vector<TStep> steps)
      : title_(std::move(title)), steps_(std::move(steps)), deadline_(GetTickCount64() + 10000) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
      if (current_) current_->Step();
    });
  }
  ~TScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;

  bool timedOut = false;
  size_t stepsRun = 0;

 private:
  void Step() {
    HWND found = FindWindowW(kWindowClassName, title_.c_str());
    if (GetTickCount64() > deadline_) {
      timedOut = true;
      if (found) PostMessageW(found, WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (found && stepsRun < steps_.size()) {
      steps_[stepsRun++](found);
    }
  }

  static inline TScript* current_ = nullptr;
  std::wstring title_;
  std::vector<TStep> steps_;
  ULONGLONG deadline_;
  UINT_PTR timer_ = 0;
};

void PostClick(HWND box, int32_t x, int32_t y) {
  PostMessageW(box, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// A plain window to make active.
class TOther : public TWin {};

class HelpWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageTable({"WasPresses_enter", "WasPresses_n", "ok"}, {"OK:", "NO:", "Ok"});
  }
  void TearDown() override {
    ClearMessageTable();
    EXPECT_FALSE(ModalMessageOpen());
  }
};

// A posted key chooses; the box is a borderless tool window above the screen's middle.
TEST_F(HelpWindow, ModalBoxAnswersAKeyAndAClick) {
  RECT rect{};
  LONG_PTR style = 0, exStyle = 0;
  bool modal = false;
  TScript keys(L"Keys", {[&](HWND box) {
                 GetWindowRect(box, &rect);
                 style = GetWindowLongPtrW(box, GWL_STYLE);
                 exStyle = GetWindowLongPtrW(box, GWL_EXSTYLE);
                 modal = ModalMessageOpen();
                 PostMessageW(box, WM_KEYDOWN, 'N', 0);
               }});
  EXPECT_EQ(ShowMessage(u"Choose", u"Keys", {u"Ok", u"Yes", u"No"}), 2);
  EXPECT_FALSE(keys.timedOut);
  EXPECT_TRUE(modal);
  EXPECT_EQ(rect.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 390 / 2);
  EXPECT_EQ(rect.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 60);
  EXPECT_EQ(rect.right - rect.left, 390);
  EXPECT_EQ(rect.bottom - rect.top, 158);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);

  int32_t second = 0;
  TScript clicks(L"\x041E\x043A\x03A9\x00E9",  // the title below: Cyrillic, Greek, Latin
                 {[&](HWND box) {
                   // A second modal request while this one is open is dropped.
                   second = ShowMessage(u"Second", u"Second", {u"Ok"});
                   PostClick(box, 250, 135);
                 }});
  EXPECT_EQ(ShowMessage(u"Text", u"\u041E\u043A\u03A9\u00E9", {u"Continue", u"Later", u"Never"}), 1);
  EXPECT_FALSE(clicks.timedOut);
  EXPECT_EQ(second, -1);
}

TEST_F(HelpWindow, ActivatingAnotherWindowClosesTheModalBox) {
  auto other = MakeWindow<TOther>();
  other->Show();
  HWND otherWindow = other->Handle();
  TScript script(L"Switch", {[otherWindow](HWND) { SetActiveWindow(otherWindow); }});
  EXPECT_EQ(ShowMessage(u"Text", u"Switch", {u"Ok"}), -1);
  EXPECT_FALSE(script.timedOut);
  // The window that was active before is active again.
  EXPECT_EQ(GetActiveWindow(), otherWindow);
}

TEST_F(HelpWindow, SystemCloseClosesTheBoxWithoutDestroyingIt) {
  for (const UINT message : {UINT(WM_SYSCOMMAND), UINT(WM_CLOSE)}) {
    auto box = MakeWindow<THelpWin>(u"Text", TBoxTexts{u"Ok"}, u"Close");
    SendMessageW(box->Handle(), message, SC_CLOSE, 0);  // WM_SYSCOMMAND is what Alt+F4 turns into
    EXPECT_TRUE(box->Terminating());
    EXPECT_TRUE(IsWindow(box->Handle()));
    EXPECT_EQ(box->Result(), -1);
  }
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(HelpWindow, InformationWindowPumpsPaintsAndCloses) {
  const std::u16string text = u"An Author\r\nThe Title, ed: 2\r\nPublisher: Folivar";
  TWinPtr<THelpWin> info = OpenInfoWindow(text, u"Information");
  HWND window = info->Handle();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(info->Box().Buttons().empty());

  // The reader's splash wait: it pumps the window's own messages until nothing is left.
  InvalidateRect(window, nullptr, FALSE);
  PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(30, 30));
  int taken = 0;
  while (info->PumpOne() && taken < 1000) ++taken;
  EXPECT_GE(taken, 1);
  EXPECT_LT(taken, 1000);
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  EXPECT_FALSE(info->Terminating());

  // What the window shows is the box's picture, with its text on it.
  const TSurface& surface = *info->Surface();
  tview shown(surface.Width(), surface.Height(), true);
  HDC dc = GetDC(window);
  GrabFromDC(shown, dc, 0, 0);
  ReleaseDC(window, dc);
  int differing = 0, inked = 0;
  for (int32_t y = 0; y < static_cast<int32_t>(shown.Height()); ++y)
    for (int32_t x = 0; x < static_cast<int32_t>(shown.Width()); ++x) {
      const uint32_t drawn = surface.PixelAt(x, y) & 0xFFFFFF;
      differing += (shown.At(uint32_t(x), uint32_t(y)) & 0xFFFFFF) != drawn;
      inked += x >= 20 && x < 378 && y >= 65 && y < 124 && drawn != 0xFFFFFF;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(inked, 50);  // three lines of black letters

  // A second box draws on a picture of its own.
  const auto pixels = [&] {
    std::vector<uint32_t> all;
    for (int32_t y = 0; y < static_cast<int32_t>(surface.Height()); ++y)
      for (int32_t x = 0; x < static_cast<int32_t>(surface.Width()); ++x) all.push_back(surface.PixelAt(x, y));
    return all;
  };
  const std::vector<uint32_t> before = pixels();
  auto second = MakeWindow<THelpWin>(u"A different text", TBoxTexts{u"Yes", u"No"}, u"Second");
  EXPECT_NE(second->Surface(), info->Surface());
  EXPECT_EQ(pixels(), before);

  info->Quit();
  info.reset();
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace folivar
