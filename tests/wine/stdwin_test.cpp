// The window shell under real user32: the class and the window it creates, messages sent and
// posted to it reaching the right handlers, the message loop ending on Quit and on a quit
// message, and a window destroyed from outside while its loop runs (inside a box's loop, the
// reader's tests close it so). How message arguments decode and how handler tables are searched is
// tested natively; derived tables serve the message window's tests.
#include "display/StdWin.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "display/msgdecode.h"

namespace folivar {
namespace {

struct TEvent {
  std::string what;
  int64_t a = 0, b = 0, c = 0, d = 0;
  bool operator==(const TEvent&) const = default;
  friend std::ostream& operator<<(std::ostream& o, const TEvent& e) {
    return o << e.what << "(" << e.a << ", " << e.b << ", " << e.c << ", " << e.d << ")";
  }
};

// A window that records every call of its virtual operations.
class TProbe : public TWin {
 public:
  std::vector<TEvent> events;
  std::vector<uint8_t> modifiersAtKey;  // the modifier state each Key call saw
  HWND handleInBeforeCreate = reinterpret_cast<HWND>(1);
  HWND handleInAfterCreate = nullptr;
  HGDIOBJ fontInAfterCreate = nullptr;
  int* beforeDestroyCount = nullptr;  // outlives the object
  bool windowExistedInBeforeDestroy = false;
  std::function<void(TProbe&, WPARAM)> onUser;

  std::vector<TEvent> Only(const std::string& what) const {
    std::vector<TEvent> some;
    for (const TEvent& e : events)
      if (e.what == what) some.push_back(e);
    return some;
  }

 protected:
  void BeforeCreate() override { handleInBeforeCreate = Handle(); }
  void AfterCreate() override {
    handleInAfterCreate = Handle();
    fontInAfterCreate = GetCurrentObject(DC(), OBJ_FONT);
  }
  void BeforeDestroy() override {
    if (beforeDestroyCount) ++*beforeDestroyCount;
    windowExistedInBeforeDestroy = IsWindow(Handle()) != FALSE;
  }
  void Paint() override { events.push_back({"paint"}); }
  void MouseMove(int32_t x, int32_t y) override { events.push_back({"move", x, y}); }
  void MouseButton(uint8_t down, uint8_t button, int32_t x, int32_t y) override {
    events.push_back({"button", down, button, x, y});
  }
  void Key(uint8_t down, int32_t key) override {
    events.push_back({"key", down, key});
    modifiersAtKey.push_back(Modifiers());
  }
  void CharTyped(uint8_t character) override { events.push_back({"char", character}); }
  void Timer(UINT_PTR id) override { events.push_back({"timer", static_cast<int64_t>(id)}); }
  void UserMessage(WPARAM wParam, LPARAM lParam) override {
    events.push_back({"user", static_cast<int64_t>(wParam), lParam});
    if (onUser) onUser(*this, wParam);
  }
};

LRESULT Send(TWin& w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(w.Handle(), message, wParam, lParam);
}

// Takes the waiting quit messages from the queue and counts them.
int TakeQuitMessages() {
  int n = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) ++n;
  return n;
}

std::wstring Caption(HWND window) {
  wchar_t text[64] = {};
  GetWindowTextW(window, text, 64);
  return text;
}

// Must be the first window of the process: the class keeps the icon of its first registration.
TEST(WindowShell, TheClassIconIsTheHooksIcon) {
  WNDCLASSW existing;
  if (GetClassInfoW(GetModuleHandleW(nullptr), kWindowClassName, &existing))
    GTEST_SKIP() << "the class was registered before this test";
  HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  SetClassIcon(icon);
  auto w = MakeWindow<TProbe>();
  SetClassIcon(nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(w->Handle(), GCLP_HICON)), icon);
  EXPECT_EQ(GetClassLongPtrW(w->Handle(), GCL_STYLE), static_cast<ULONG_PTR>(0x000B));
  EXPECT_EQ(GetClassLongPtrW(w->Handle(), GCLP_HCURSOR), 0u);
  EXPECT_EQ(GetClassLongPtrW(w->Handle(), GCLP_HBRBACKGROUND), 0u);
}

TEST(WindowShell, CreatesAWindowOfTheClassWithTheUiFont) {
  auto w = MakeWindow<TProbe>();
  auto second = MakeWindow<TProbe>();  // registers the class again without harm
  for (TProbe* p : {w.get(), second.get()}) {
    ASSERT_NE(p->Handle(), nullptr);
    EXPECT_EQ(p->handleInBeforeCreate, nullptr);  // before the window exists
    EXPECT_EQ(p->handleInAfterCreate, p->Handle());
    wchar_t name[64] = {};
    GetClassNameW(p->Handle(), name, 64);
    EXPECT_EQ(std::wstring(name), L"WCFolivar");
    EXPECT_EQ(Caption(p->Handle()), L"default");
    EXPECT_EQ(p->fontInAfterCreate, UiFont());
    EXPECT_EQ(GetCurrentObject(p->DC(), OBJ_FONT), UiFont());
  }
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(w->Handle(), GWL_STYLE));
  EXPECT_EQ(style & 0x02CF0000u, 0x02CF0000u);
  EXPECT_FALSE(style & WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongPtrW(w->Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  EXPECT_EQ(std::make_pair(w->Width(), w->Height()), std::make_pair(200, 170));
  // GDI made the font the shell asked for.
  LOGFONTW font{};
  ASSERT_EQ(GetObjectW(UiFont(), sizeof font, &font), static_cast<int>(sizeof font));
  EXPECT_EQ(font.lfHeight, UiLogFont().lfHeight);
  EXPECT_EQ(std::wstring(font.lfFaceName), L"Arial");
}

TEST(WindowShell, EveryMessageReachesItsOperation) {
  auto w = MakeWindow<TProbe>();
  Send(*w, WM_MOUSEMOVE, 0, MAKELPARAM(40000, 50000));
  Send(*w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  Send(*w, WM_LBUTTONUP, 0, MAKELPARAM(11, 21));
  Send(*w, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(12, 22));  // a second press
  Send(*w, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(13, 23));
  Send(*w, WM_RBUTTONUP, 0, MAKELPARAM(14, 24));
  Send(*w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(600, 700));
  Send(*w, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(600, 700));
  Send(*w, WM_CHAR, L'A');
  Send(*w, WM_CHAR, 0x0416);  // a Cyrillic capital: 0xC6 in code page 1251
  Send(*w, WM_CHAR, 0x4E00);  // nothing in code page 1251
  Send(*w, WM_TIMER, 5);
  Send(*w, WM_USER + 1, 7, -3);
  // Keys: each Key call sees the modifiers from before its own key.
  Send(*w, WM_KEYDOWN, VK_SHIFT);
  Send(*w, WM_KEYDOWN, 'A');
  Send(*w, WM_KEYUP, VK_SHIFT);
  const std::vector<TEvent> expected = {
      {"move", 40000, 50000},    {"button", 1, 0, 10, 20},  {"button", 0, 0, 11, 21},
      {"button", 1, 0, 12, 22},  {"button", 1, 1, 13, 23},  {"button", 0, 1, 14, 24},
      {"button", 1, 3, 600, 700}, {"button", 0, 3, 600, 700}, {"char", 'A'},
      {"char", 0xC6},            {"char", '?'},             {"timer", 5},
      {"user", 7, -3},           {"key", 1, VK_SHIFT},      {"key", 1, 'A'},
      {"key", 0, VK_SHIFT}};
  EXPECT_EQ(w->events, expected);
  EXPECT_EQ(w->modifiersAtKey, (std::vector<uint8_t>{0, kModShift, kModShift}));
  EXPECT_EQ(w->Modifiers(), 0);
  // A modifier whose release goes to the window that took the focus is forgotten.
  Send(*w, WM_KEYDOWN, VK_CONTROL);
  EXPECT_EQ(w->Modifiers(), kModControl);
  Send(*w, WM_KILLFOCUS);
  EXPECT_EQ(w->Modifiers(), 0);
  // (Posted messages and real timers reach the reader's window in the whole-program tests.)
}

TEST(WindowShell, DispatchedMessagesAlsoReachDefWindowProc) {
  auto w = MakeWindow<TProbe>();
  // A message no table holds still gets DefWindowProc's answer: the caption's length.
  EXPECT_EQ(Send(*w, WM_GETTEXTLENGTH), 7);
  // Painting: the object paints, then DefWindowProc validates the window.
  ShowWindow(w->Handle(), SW_SHOW);
  w->events.clear();
  InvalidateRect(w->Handle(), nullptr, FALSE);
  UpdateWindow(w->Handle());
  EXPECT_EQ(w->Only("paint").size(), 1u);
  EXPECT_FALSE(GetUpdateRect(w->Handle(), nullptr, FALSE));
  // Commands from controls or menus do nothing, and another window's user data is never taken
  // for a link record.
  HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD, 0, 0, 10, 10, w->Handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(button, nullptr);
  SetWindowLongPtrW(button, GWLP_USERDATA, 0x12345678);
  w->events.clear();
  EXPECT_EQ(Send(*w, WM_COMMAND, MAKEWPARAM(1, 0), reinterpret_cast<LPARAM>(button)), 0);
  EXPECT_EQ(Send(*w, WM_COMMAND, MAKEWPARAM(2, 0), 0), 0);
  EXPECT_TRUE(w->events.empty());
  DestroyWindow(button);
}

TEST(WindowShell, QuitEndsRunAfterTheCurrentMessage) {
  auto w = MakeWindow<TProbe>();
  w->onUser = [](TProbe& self, WPARAM wParam) {
    if (wParam == 1) self.Quit();
  };
  PostMessageW(w->Handle(), WM_USER + 1, 1, 0);
  PostMessageW(w->Handle(), WM_USER + 1, 2, 0);
  w->Run();
  EXPECT_TRUE(w->Terminating());
  EXPECT_EQ(w->events, (std::vector<TEvent>{{"user", 1}}));

  // From now on the window swallows everything: no handler, no DefWindowProc.
  w->events.clear();
  for (const UINT message : {UINT(WM_GETTEXTLENGTH), UINT(WM_USER + 1), UINT(WM_KEYDOWN),
                             UINT(WM_CLOSE), UINT(WM_DESTROY)})
    EXPECT_EQ(Send(*w, message, VK_SHIFT), 0) << message;
  EXPECT_TRUE(IsWindow(w->Handle()));
  // The message still queued for it is taken and swallowed too.
  EXPECT_TRUE(w->PumpOne());
  EXPECT_TRUE(w->events.empty());
  EXPECT_EQ(w->Modifiers(), 0);

  // Paint requests of a terminating window do not come back for ever.
  ShowWindow(w->Handle(), SW_SHOW);
  InvalidateRect(w->Handle(), nullptr, FALSE);
  int taken = 0;
  while (w->PumpOne() && taken < 100) ++taken;
  EXPECT_LT(taken, 100);

  // Run starts by clearing the flag.
  PostMessageW(w->Handle(), WM_USER + 1, 1, 0);
  w->Run();
  EXPECT_EQ(w->events, (std::vector<TEvent>{{"user", 1}}));
  EXPECT_EQ(TakeQuitMessages(), 0);
}

// Freed (after Quit or not) the window goes; destroyed while terminating, the object lets go of it
// quietly: once BeforeDestroy, no quit message.
TEST(WindowShell, FreeingAWindowObjectDestroysItsWindow) {
  int destroyed = 0;
  for (const int way : {0, 1, 2}) {
    auto w = MakeWindow<TProbe>();
    w->beforeDestroyCount = &destroyed;
    HWND window = w->Handle();
    if (way > 0) w->Quit();
    if (way == 2) DestroyWindow(window);
    EXPECT_EQ(w->Handle() == nullptr, way == 2);
    w.reset();
    EXPECT_FALSE(IsWindow(window));
  }
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(TakeQuitMessages(), 0);
}

TEST(WindowShell, WindowDestroyedFromOutsideEndsRunAndStaysTheOwners) {
  int destroyed = 0;
  auto target = MakeWindow<TProbe>();
  target->beforeDestroyCount = &destroyed;
  HWND window = target->Handle();
  auto other = MakeWindow<TProbe>();
  other->onUser = [window](TProbe&, WPARAM) { DestroyWindow(window); };
  PostMessageW(other->Handle(), WM_USER + 1, 0, 0);
  target->Run();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(target->windowExistedInBeforeDestroy);
  EXPECT_EQ(target->Handle(), nullptr);
  EXPECT_EQ(target->DC(), nullptr);
  EXPECT_FALSE(target->Terminating());
  // The quit message it posted is left for the loops outside this one.
  EXPECT_EQ(TakeQuitMessages(), 1);
  // The object is still there and does nothing without its window.
  target->Run();
  EXPECT_FALSE(target->PumpOne());
  target->Show();
  target->MoveTo(1, 1);
  target->Quit();
  EXPECT_EQ(target->Width(), 0);
  target.reset();
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(TakeQuitMessages(), 0);
}

TEST(WindowShell, QuitMessageEndsRunAndNestedLoopsPassItOn) {
  auto outer = MakeWindow<TProbe>();
  auto inner = MakeWindow<TProbe>();
  bool innerEnded = false;
  outer->onUser = [&](TProbe&, WPARAM) {
    inner->Run();
    innerEnded = true;
  };
  inner->onUser = [](TProbe&, WPARAM) { PostQuitMessage(3); };
  PostMessageW(outer->Handle(), WM_USER + 1, 0, 0);
  PostMessageW(inner->Handle(), WM_USER + 1, 0, 0);
  outer->Run();
  EXPECT_TRUE(innerEnded);
  EXPECT_FALSE(outer->Terminating());
  EXPECT_TRUE(IsWindow(outer->Handle()));
  // The outermost loop took the quit message that the inner loop passed on.
  EXPECT_EQ(TakeQuitMessages(), 0);
}

TEST(WindowShell, PumpOneTakesOnlyThisWindowsMessages) {
  auto a = MakeWindow<TProbe>();
  auto b = MakeWindow<TProbe>();
  PostMessageW(b->Handle(), WM_USER + 1, 2, 0);
  PostMessageW(a->Handle(), WM_USER + 1, 1, 0);
  EXPECT_TRUE(a->PumpOne());
  EXPECT_EQ(a->events, (std::vector<TEvent>{{"user", 1}}));
  EXPECT_TRUE(b->events.empty());
  EXPECT_FALSE(a->PumpOne());
  EXPECT_TRUE(b->PumpOne());
  // A handler may pump its own window again.
  a->onUser = [](TProbe& self, WPARAM wParam) {
    if (wParam == 1) self.PumpOne();
  };
  a->events.clear();
  PostMessageW(a->Handle(), WM_USER + 1, 1, 0);
  PostMessageW(a->Handle(), WM_USER + 1, 2, 0);
  EXPECT_TRUE(a->PumpOne());
  EXPECT_EQ(a->events, (std::vector<TEvent>{{"user", 1}, {"user", 2}}));
  // A quit message is not the window's: it stays for the message loops.
  PostQuitMessage(0);
  EXPECT_FALSE(a->PumpOne());
  EXPECT_FALSE(a->PumpOne());
  EXPECT_EQ(TakeQuitMessages(), 1);
}

// Placing, sizing and styles are seen in the message window's and the reader's tests; captions
// are UTF-16 whatever the system's code page.
TEST(WindowShell, ShowPaintsAndCaptions) {
  auto w = MakeWindow<TProbe>();
  w->Show();
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
  EXPECT_FALSE(w->Only("paint").empty());
  w->SetCaption(u"\x041A\x043D\x0438\x0433\x0430 - folivar");
  EXPECT_EQ(Caption(w->Handle()), L"\x041A\x043D\x0438\x0433\x0430 - folivar");
}

TEST(WindowShell, AnExceptionInAHandlerComesOutOfRun) {
  auto w = MakeWindow<TProbe>();
  w->onUser = [](TProbe&, WPARAM) { throw std::runtime_error("handler failed"); };
  PostMessageW(w->Handle(), WM_USER + 1, 0, 0);
  EXPECT_THROW(w->Run(), std::runtime_error);
  PostMessageW(w->Handle(), WM_USER + 1, 0, 0);
  EXPECT_THROW(w->PumpOne(), std::runtime_error);
  // Nothing is left over for the next loop.
  EXPECT_NO_THROW(RethrowPendingWindowException());
}

}  // namespace
}  // namespace folivar
