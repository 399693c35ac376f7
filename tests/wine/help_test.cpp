// The message window under real user32 and GDI: a modal box answering posted keys through the
// book's caption lists and posted clicks on its buttons, the place and look of the box, hover and
// release, closing when another window becomes active or on the system close command, and the
// non-modal information window that the reader pumps and closes.
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

constexpr uint32_t kWhite = 0x00FFFFFF;

LPARAM Position(int32_t x, int32_t y) {
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// Dispatches the thread's messages until done() holds, for at most timeoutMs.
template <class F>
bool PumpUntil(F done, DWORD timeoutMs = 10000) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

// Drives a modal box from a thread timer, which the box's own message loop dispatches: once the
// box with the title exists, each tick runs the next step on it. A timer message comes only when
// no posted message waits, so what one step posted has been handled when the next step runs. If
// the box cannot be found or the steps do not close it in time, every box of the class is sent
// Escape and the script reports that it timed out.
class TScript {
 public:
  using TStep = std::function<void(HWND box)>;

  TScript(std::wstring title, std::vector<TStep> steps)
      : title_(std::move(title)), steps_(std::move(steps)) {
    current_ = this;
    deadline_ = GetTickCount64() + 10000;
    timer_ = SetTimer(nullptr, 0, 10, &TScript::Tick);
  }
  ~TScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;

  bool timedOut = false;
  size_t stepsRun = 0;
  HWND box = nullptr;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_) current_->Step();
  }
  static BOOL CALLBACK EscapeBox(HWND window, LPARAM) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wstring(name) == kWindowClassName) PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    return TRUE;
  }

  void Step() {
    if (GetTickCount64() > deadline_) {
      timedOut = true;
      EnumThreadWindows(GetCurrentThreadId(), &TScript::EscapeBox, 0);
      return;
    }
    HWND found = FindWindowW(kWindowClassName, title_.c_str());
    if (!found || stepsRun >= steps_.size()) return;
    box = found;
    steps_[stepsRun++](found);
  }

  static inline TScript* current_ = nullptr;
  std::wstring title_;
  std::vector<TStep> steps_;
  ULONGLONG deadline_ = 0;
  UINT_PTR timer_ = 0;
};

void PostKey(HWND box, WPARAM key) {
  PostMessageW(box, WM_KEYDOWN, key, 0);
  PostMessageW(box, WM_KEYUP, key, 0);
}

void PostClick(HWND box, int32_t x, int32_t y) {
  PostMessageW(box, WM_MOUSEMOVE, 0, Position(x, y));
  PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, Position(x, y));
  PostMessageW(box, WM_LBUTTONUP, 0, Position(x, y));
}

// A plain window to make active.
class TOther : public TWin {};

class HelpWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageTable({"WasPresses_enter", "WasPresses_esc", "WasPresses_y", "WasPresses_n", "ok"},
                    {"OK:", "CANCEL:", "YES:OK:", "NO:", "Ok"});
  }
  void TearDown() override {
    ClearMessageTable();
    EXPECT_FALSE(ModalMessageOpen());
  }
};

TEST_F(HelpWindow, ModalBoxAnswersAKeyFromItsCaptionList) {
  TScript script(L"Keys", {[](HWND box) { PostKey(box, 'N'); }});
  EXPECT_EQ(ShowMessage("Choose", "Keys", {"Ok", "Yes", "No"}), 2);
  EXPECT_FALSE(script.timedOut);
  EXPECT_FALSE(IsWindow(script.box));

  // Y names Ok and Yes: the last one wins.
  TScript yes(L"Keys", {[](HWND box) { PostKey(box, 'Y'); }});
  EXPECT_EQ(ShowMessage("Choose", "Keys", {"Ok", "Yes", "No"}), 1);
  EXPECT_FALSE(yes.timedOut);
}

TEST_F(HelpWindow, EscapeNamingNoButtonClosesWithoutAChoice) {
  TScript script(L"Escape", {[](HWND box) { PostKey(box, VK_ESCAPE); }});
  EXPECT_EQ(ShowMessage("Text", "Escape", {"Ok", "Yes"}), -1);
  EXPECT_FALSE(script.timedOut);
}

TEST_F(HelpWindow, ModalBoxAnswersAClickOnAButton) {
  bool openAfterY = false;
  bool openAfterMiss = false;
  int32_t second = 0;
  TScript script(L"\x041E\x043A\x043D\x043E",  // the title below, in code page 1251
                 {
                     // Y names no button of this box: it stays open, its text unchanged.
                     [](HWND box) { PostKey(box, 'Y'); },
                     // Released between two buttons: still open.
                     [&](HWND box) {
                       openAfterY = IsWindowVisible(box) != FALSE;
                       PostClick(box, 295, 135);
                     },
                     [&](HWND box) {
                       openAfterMiss = IsWindowVisible(box) != FALSE;
                       // A second modal request while this one is open is dropped.
                       second = ShowMessage("Second", "Second", {"Ok"});
                       PostClick(box, 250, 135);
                     },
                 });
  EXPECT_EQ(ShowMessage("Text", "\xCE\xEA\xED\xEE", {"Continue", "Later", "Never"}), 1);
  EXPECT_FALSE(script.timedOut);
  EXPECT_EQ(script.stepsRun, 3u);
  EXPECT_TRUE(openAfterY);
  EXPECT_TRUE(openAfterMiss);
  EXPECT_EQ(second, -1);
}

TEST_F(HelpWindow, BoxIsABorderlessToolWindowAboveTheScreensMiddle) {
  RECT rect{};
  LONG_PTR style = 0;
  LONG_PTR exStyle = 0;
  RECT client{};
  bool modal = false;
  TScript script(L"Place", {[&](HWND box) {
                   GetWindowRect(box, &rect);
                   GetClientRect(box, &client);
                   style = GetWindowLongPtrW(box, GWL_STYLE);
                   exStyle = GetWindowLongPtrW(box, GWL_EXSTYLE);
                   modal = ModalMessageOpen();
                   PostKey(box, VK_RETURN);
                 }});
  EXPECT_EQ(ShowMessage("Text", "Place", {"Ok"}), 0);  // Enter's list names OK
  ASSERT_FALSE(script.timedOut);
  EXPECT_TRUE(modal);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(rect.left, screenWidth / 2 - 390 / 2);
  EXPECT_EQ(rect.top, screenHeight / 2 - 60);
  EXPECT_EQ(rect.right - rect.left, 390);
  EXPECT_EQ(rect.bottom - rect.top, 158);
  EXPECT_EQ(client.right, 390);
  EXPECT_EQ(client.bottom, 158);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
}

TEST_F(HelpWindow, ActivatingAnotherWindowClosesTheModalBox) {
  auto other = MakeWindow<TOther>();
  other->Show();
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == other->Handle(); }));
  HWND otherWindow = other->Handle();
  TScript script(L"Switch", {[otherWindow](HWND) { SetActiveWindow(otherWindow); }});
  EXPECT_EQ(ShowMessage("Text", "Switch", {"Ok"}), -1);
  EXPECT_FALSE(script.timedOut);
  // The window that was active before is active again.
  EXPECT_EQ(GetActiveWindow(), otherWindow);
}

TEST_F(HelpWindow, HoverAndReleaseOnAnOpenBox) {
  auto box = MakeWindow<THelpWin>("Hover", TStringList{"Ok", "Yes"}, "Hover");
  HWND window = box->Handle();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(box->Box().Buttons().size(), 2u);
  const uint32_t bg = MessageBackgroundImage().At(12, 12);
  SendMessageW(window, WM_MOUSEMOVE, 0, Position(250, 130));
  EXPECT_EQ(box->Box().Hover(), 1);
  EXPECT_EQ(box->Surface()->PixelAt(213, 125), 0x00E0E0E0u);
  EXPECT_EQ(box->Surface()->PixelAt(299, 125), bg);
  SendMessageW(window, WM_MOUSEMOVE, 0, Position(10, 10));
  EXPECT_EQ(box->Box().Hover(), -1);
  EXPECT_EQ(box->Surface()->PixelAt(213, 125), bg);

  SendMessageW(window, WM_LBUTTONUP, 0, Position(295, 130));  // between the buttons
  EXPECT_FALSE(box->Terminating());
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, Position(250, 130));  // presses do nothing
  EXPECT_FALSE(box->Terminating());
  SendMessageW(window, WM_KEYDOWN, 'A', 0);
  EXPECT_FALSE(box->Terminating());
  SendMessageW(window, WM_RBUTTONUP, 0, Position(300, 130));  // any button's release
  EXPECT_TRUE(box->Terminating());
  EXPECT_EQ(box->Result(), 0);
  box.reset();
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(HelpWindow, SwitchingToAnotherWindowClosesAnOpenBox) {
  auto box = MakeWindow<THelpWin>("Text", TStringList{"Ok"}, "Open");
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == box->Handle(); }));
  EXPECT_FALSE(box->Terminating());
  auto other = MakeWindow<TOther>();
  other->Show();
  EXPECT_TRUE(PumpUntil([&] { return box->Terminating(); }));
  EXPECT_EQ(box->Result(), -1);
  EXPECT_TRUE(IsWindow(box->Handle()));
}

TEST_F(HelpWindow, SystemCloseClosesTheBoxWithoutDestroyingIt) {
  auto box = MakeWindow<THelpWin>("Text", TStringList{"Ok"}, "Close");
  HWND window = box->Handle();
  SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // what Alt+F4 turns into
  EXPECT_TRUE(box->Terminating());
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(box->Result(), -1);
  auto other = MakeWindow<THelpWin>("Text", TStringList{"Ok"}, "Close 2");
  SendMessageW(other->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(other->Terminating());
  EXPECT_TRUE(IsWindow(other->Handle()));
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(HelpWindow, InformationWindowPumpsPaintsAndCloses) {
  const std::string text = "An Author\r\nThe Title, ed: 2\r\nPublisher: Folivar";
  TWinPtr<THelpWin> info = OpenInfoWindow(text, "Information");
  HWND window = info->Handle();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(info->Terminating());
  EXPECT_TRUE(info->Box().Buttons().empty());
  EXPECT_EQ(info->Box().Text(), text);
  EXPECT_EQ(FindWindowW(kWindowClassName, L"Information"), window);

  // The reader's splash wait: it pumps the window's own messages until nothing is left.
  InvalidateRect(window, nullptr, FALSE);
  PostMessageW(window, WM_MOUSEMOVE, 0, Position(30, 30));
  int taken = 0;
  while (info->PumpOne() && taken < 1000) ++taken;
  EXPECT_GE(taken, 1);
  EXPECT_LT(taken, 1000);
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  EXPECT_FALSE(info->Terminating());

  // What the window shows is the box's picture: the background with the text on white.
  const TSurface& surface = *info->Surface();
  tview shown(surface.Width(), surface.Height(), true);
  HDC dc = GetDC(window);
  GrabFromDC(shown, dc, 0, 0);
  ReleaseDC(window, dc);
  GdiFlush();
  int differing = 0;
  int inked = 0;
  for (int32_t y = 0; y < static_cast<int32_t>(shown.Height()); ++y) {
    for (int32_t x = 0; x < static_cast<int32_t>(shown.Width()); ++x) {
      const uint32_t drawn = surface.PixelAt(x, y) & 0xFFFFFF;
      if ((shown.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) & 0xFFFFFF) != drawn)
        ++differing;
      if (x >= 20 && x < 378 && y >= 65 && y < 124 && drawn != kWhite) ++inked;
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(inked, 50);  // three lines of black letters

  info->Quit();
  EXPECT_TRUE(info->Terminating());
  info.reset();
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(HelpWindow, EachBoxDrawsOnItsOwnPicture) {
  auto first = MakeWindow<THelpWin>("First", TStringList{"Ok"}, "First");
  auto pixels = [](const TSurface& surface) {
    std::vector<uint32_t> all;
    for (int32_t y = 0; y < static_cast<int32_t>(surface.Height()); ++y)
      for (int32_t x = 0; x < static_cast<int32_t>(surface.Width()); ++x)
        all.push_back(surface.PixelAt(x, y));
    return all;
  };
  const std::vector<uint32_t> before = pixels(*first->Surface());
  auto second = MakeWindow<THelpWin>("A different text", TStringList{"Yes", "No"}, "Second");
  SendMessageW(second->Handle(), WM_MOUSEMOVE, 0, Position(250, 130));
  EXPECT_EQ(pixels(*first->Surface()), before);
  EXPECT_NE(pixels(*second->Surface()), before);
  EXPECT_NE(first->Surface(), second->Surface());
}

}  // namespace
}  // namespace folivar
