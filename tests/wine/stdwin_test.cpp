// The window shell under real user32: the class and the window it creates, messages sent and
// posted to it reaching the right handlers with their arguments decoded, handler tables of a
// derived class, the message loop ending on Quit and on a quit message, and a window destroyed
// from outside while its loop runs.
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
  int64_t a = 0;
  int64_t b = 0;
  int64_t c = 0;
  int64_t d = 0;
  bool operator==(const TEvent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TEvent& e) {
  return out << e.what << "(" << e.a << ", " << e.b << ", " << e.c << ", " << e.d << ")";
}

// A window that records every call of its virtual operations.
class TProbe : public TWin {
 public:
  std::vector<TEvent> events;
  std::vector<uint8_t> modifiersAtKey;  // the modifier state each Key call saw
  int beforeCreate = 0;
  int afterCreate = 0;
  HWND handleInBeforeCreate = reinterpret_cast<HWND>(1);
  HWND handleInAfterCreate = nullptr;
  HGDIOBJ fontInAfterCreate = nullptr;
  int* beforeDestroyCount = nullptr;  // outlives the object
  bool windowExistedInBeforeDestroy = false;
  std::function<void(TProbe&, WPARAM, LPARAM)> onUser;

  // Only the events of one kind.
  std::vector<TEvent> Only(const std::string& what) const {
    std::vector<TEvent> some;
    for (const TEvent& e : events)
      if (e.what == what) some.push_back(e);
    return some;
  }

 protected:
  void BeforeCreate() override {
    ++beforeCreate;
    handleInBeforeCreate = Handle();
  }
  void AfterCreate() override {
    ++afterCreate;
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
    if (onUser) onUser(*this, wParam, lParam);
  }
};

// A derived window class with a table of its own: it replaces the key-down handler and adds a
// message of its own; everything else comes from the shell's table.
class TDerivedProbe : public TProbe {
 protected:
  const TWinTable& MessageTable() const override { return Table(); }
  static const TWinTable& Table() {
    static constexpr TWinTable::Entry kEntries[] = {
        TWinTable::On<&TDerivedProbe::OnKeyDown>(WM_KEYDOWN),
        TWinTable::On<&TDerivedProbe::OnSecond>(WM_USER + 2),
    };
    static const TWinTable table(&TWin::Table(), kEntries);
    return table;
  }

 private:
  void OnKeyDown(TWinMessage& m) {
    events.push_back({"derived key", static_cast<int64_t>(m.wParam)});
  }
  void OnSecond(TWinMessage& m) { events.push_back({"second", static_cast<int64_t>(m.wParam)}); }
};

LPARAM Position(int32_t x, int32_t y) {
  return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

LRESULT Send(TWin& w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(w.Handle(), message, wParam, lParam);
}

// Quit messages that the loops below took from the queue.
int gQuitsSeen = 0;

// Dispatches the thread's messages until done() holds, waiting for new ones in between, for at
// most timeoutMs. False when it timed out.
template <class F>
bool PumpUntil(F done, DWORD timeoutMs = 10000) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ++gQuitsSeen;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

// Takes the waiting quit messages from the queue and counts them.
int TakeQuitMessages() {
  int n = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) ++n;
  return n;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
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
  ASSERT_NE(icon, nullptr);
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
  ASSERT_NE(w->Handle(), nullptr);
  EXPECT_EQ(w->beforeCreate, 1);
  EXPECT_EQ(w->handleInBeforeCreate, nullptr);  // before the window exists
  EXPECT_EQ(w->afterCreate, 1);
  EXPECT_EQ(w->handleInAfterCreate, w->Handle());
  EXPECT_EQ(ClassName(w->Handle()), L"WCFolivar");
  EXPECT_EQ(Caption(w->Handle()), L"default");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(w->Handle(), GWL_STYLE));
  EXPECT_EQ(style & 0x02CF0000u, 0x02CF0000u);
  EXPECT_FALSE(style & WS_VISIBLE);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(w->Handle(), GWL_EXSTYLE)) & WS_EX_CONTROLPARENT,
            static_cast<DWORD>(WS_EX_CONTROLPARENT));
  EXPECT_EQ(w->Width(), 200);
  EXPECT_EQ(w->Height(), 170);
  EXPECT_NE(GetWindowLongPtrW(w->Handle(), GWLP_USERDATA), 0);
  ASSERT_NE(w->DC(), nullptr);
  EXPECT_EQ(w->fontInAfterCreate, UiFont());
  EXPECT_EQ(GetCurrentObject(w->DC(), OBJ_FONT), UiFont());

  LOGFONTW font{};
  ASSERT_EQ(GetObjectW(UiFont(), sizeof font, &font), static_cast<int>(sizeof font));
  EXPECT_EQ(font.lfHeight, -13);
  EXPECT_EQ(font.lfWidth, 0);
  EXPECT_EQ(font.lfWeight, 400);
  EXPECT_EQ(font.lfItalic + font.lfUnderline + font.lfStrikeOut, 0);
  EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(font.lfQuality, NONANTIALIASED_QUALITY);
  EXPECT_EQ(std::wstring(font.lfFaceName), L"Arial");

  // A second window registers the class again without harm and is made alike.
  auto second = MakeWindow<TProbe>();
  ASSERT_NE(second->Handle(), nullptr);
  EXPECT_NE(second->Handle(), w->Handle());
  EXPECT_EQ(ClassName(second->Handle()), L"WCFolivar");
  EXPECT_EQ(Caption(second->Handle()), L"default");
  EXPECT_EQ(GetCurrentObject(second->DC(), OBJ_FONT), UiFont());
}

TEST(WindowShell, MouseMessagesCarryUnsignedCoordinates) {
  auto w = MakeWindow<TProbe>();
  Send(*w, WM_MOUSEMOVE, 0, Position(40000, 50000));
  Send(*w, WM_LBUTTONDOWN, MK_LBUTTON, Position(10, 20));
  Send(*w, WM_LBUTTONUP, 0, Position(11, 21));
  Send(*w, WM_LBUTTONDBLCLK, MK_LBUTTON, Position(12, 22));
  Send(*w, WM_RBUTTONDOWN, MK_RBUTTON, Position(13, 23));
  Send(*w, WM_RBUTTONUP, 0, Position(65535, 32768));  // captured, left of and above the window
  // The wheel: towards the user (negative delta) is a press, away a release; screen coordinates.
  Send(*w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), Position(-1, 700));
  Send(*w, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), Position(600, 700));
  Send(*w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), Position(5, 6));
  const std::vector<TEvent> expected = {
      {"move", 40000, 50000},       {"button", 1, 0, 10, 20},     {"button", 0, 0, 11, 21},
      {"button", 1, 0, 12, 22},     {"button", 1, 1, 13, 23},     {"button", 0, 1, 65535, 32768},
      {"button", 1, 3, 65535, 700}, {"button", 0, 3, 600, 700},   {"button", 1, 3, 5, 6},
  };
  EXPECT_EQ(w->events, expected);
}

TEST(WindowShell, PostedMessagesGoThroughTheQueue) {
  auto w = MakeWindow<TProbe>();
  ASSERT_TRUE(PostMessageW(w->Handle(), WM_MOUSEMOVE, 0, Position(33000, 7)));
  ASSERT_TRUE(PostMessageW(w->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)),
                           Position(100, 200)));
  ASSERT_TRUE(PostMessageW(w->Handle(), WM_KEYDOWN, VK_SHIFT, 0));
  ASSERT_TRUE(PostMessageW(w->Handle(), WM_USER + 1, 42, -42));
  ASSERT_TRUE(PumpUntil([&] { return w->events.size() >= 4; }));
  const std::vector<TEvent> expected = {
      {"move", 33000, 7}, {"button", 1, 3, 100, 200}, {"key", 1, VK_SHIFT}, {"user", 42, -42}};
  EXPECT_EQ(w->events, expected);
  EXPECT_EQ(w->Modifiers(), kModShift);
}

TEST(WindowShell, KeysSetTheModifierBitsAfterTheCall) {
  auto w = MakeWindow<TProbe>();
  Send(*w, WM_KEYDOWN, VK_SHIFT);
  EXPECT_EQ(w->Modifiers(), 0x02);
  Send(*w, WM_KEYDOWN, VK_CONTROL);
  Send(*w, WM_KEYDOWN, 'A');
  Send(*w, WM_KEYDOWN, VK_MENU);
  EXPECT_EQ(w->Modifiers(), 0x16);
  Send(*w, WM_KEYUP, VK_SHIFT);
  EXPECT_EQ(w->Modifiers(), 0x14);
  Send(*w, WM_KEYUP, 'A');
  Send(*w, WM_KEYUP, VK_CONTROL);
  Send(*w, WM_KEYUP, VK_MENU);
  EXPECT_EQ(w->Modifiers(), 0);
  const std::vector<TEvent> expected = {
      {"key", 1, VK_SHIFT}, {"key", 1, VK_CONTROL}, {"key", 1, 'A'},       {"key", 1, VK_MENU},
      {"key", 0, VK_SHIFT}, {"key", 0, 'A'},        {"key", 0, VK_CONTROL}, {"key", 0, VK_MENU},
  };
  EXPECT_EQ(w->events, expected);
  // Each call saw the state from before its own key.
  EXPECT_EQ(w->modifiersAtKey, (std::vector<uint8_t>{0x00, 0x02, 0x06, 0x06, 0x16, 0x14, 0x14, 0x10}));
}

TEST(WindowShell, CharactersTimersAndUserMessages) {
  auto w = MakeWindow<TProbe>();
  Send(*w, WM_CHAR, L'A');
  Send(*w, WM_CHAR, 0x0416);  // a Cyrillic capital: 0xC6 in code page 1251
  Send(*w, WM_CHAR, 0x4E00);  // nothing in code page 1251
  Send(*w, WM_TIMER, 5);
  Send(*w, WM_USER + 1, 7, -3);
  const std::vector<TEvent> expected = {
      {"char", 'A'}, {"char", 0xC6}, {"char", '?'}, {"timer", 5}, {"user", 7, -3}};
  EXPECT_EQ(w->events, expected);

  // A real timer of the window.
  w->events.clear();
  ASSERT_NE(SetTimer(w->Handle(), 9, 10, nullptr), 0u);
  EXPECT_TRUE(PumpUntil([&] { return !w->Only("timer").empty(); }));
  KillTimer(w->Handle(), 9);
  ASSERT_FALSE(w->Only("timer").empty());
  EXPECT_EQ(w->Only("timer")[0], (TEvent{"timer", 9}));
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

TEST(WindowShell, DerivedTablesReplaceAndExtendTheBase) {
  auto d = MakeWindow<TDerivedProbe>();
  auto base = MakeWindow<TProbe>();
  Send(*d, WM_KEYDOWN, VK_SHIFT);
  Send(*d, WM_MOUSEMOVE, 0, Position(3, 4));
  Send(*d, WM_USER + 2, 8);
  Send(*d, WM_USER + 1, 9);
  EXPECT_EQ(d->events, (std::vector<TEvent>{
                           {"derived key", VK_SHIFT}, {"move", 3, 4}, {"second", 8}, {"user", 9}}));
  // The derived handler replaced the base one entirely: no Key call, no modifier bit.
  EXPECT_EQ(d->Modifiers(), 0);
  Send(*base, WM_USER + 2, 8);
  Send(*base, WM_KEYDOWN, VK_SHIFT);
  EXPECT_EQ(base->events, (std::vector<TEvent>{{"key", 1, VK_SHIFT}}));
}

TEST(WindowShell, QuitEndsRunAfterTheCurrentMessage) {
  auto w = MakeWindow<TProbe>();
  w->onUser = [](TProbe& self, WPARAM wParam, LPARAM) {
    if (wParam == 1) self.Quit();
  };
  PostMessageW(w->Handle(), WM_USER + 1, 1, 0);
  PostMessageW(w->Handle(), WM_USER + 1, 2, 0);
  w->Run();
  EXPECT_TRUE(w->Terminating());
  EXPECT_EQ(w->events, (std::vector<TEvent>{{"user", 1}}));

  // From now on the window swallows everything: no handler, no DefWindowProc.
  w->events.clear();
  EXPECT_EQ(Send(*w, WM_GETTEXTLENGTH), 0);
  EXPECT_EQ(Send(*w, WM_USER + 1, 3), 0);
  EXPECT_EQ(Send(*w, WM_KEYDOWN, VK_SHIFT), 0);
  EXPECT_EQ(Send(*w, WM_CLOSE), 0);
  EXPECT_EQ(Send(*w, WM_DESTROY), 0);
  EXPECT_TRUE(w->events.empty());
  EXPECT_EQ(w->Modifiers(), 0);
  EXPECT_TRUE(IsWindow(w->Handle()));
  // The message still queued for it is taken and swallowed too.
  EXPECT_TRUE(w->PumpOne());
  EXPECT_TRUE(w->events.empty());

  // Paint requests of a terminating window do not come back for ever.
  ShowWindow(w->Handle(), SW_SHOW);
  InvalidateRect(w->Handle(), nullptr, FALSE);
  int taken = 0;
  while (w->PumpOne() && taken < 100) ++taken;
  EXPECT_LT(taken, 100);
  EXPECT_FALSE(GetUpdateRect(w->Handle(), nullptr, FALSE));

  // Run starts by clearing the flag.
  PostMessageW(w->Handle(), WM_USER + 1, 1, 0);
  w->Run();
  EXPECT_EQ(w->events, (std::vector<TEvent>{{"user", 1}}));
  EXPECT_EQ(TakeQuitMessages(), 0);
}

TEST(WindowShell, FreeingAWindowObjectDestroysItsWindow) {
  int destroyed = 0;
  auto w = MakeWindow<TProbe>();
  w->beforeDestroyCount = &destroyed;
  HWND window = w->Handle();
  w->Quit();
  w.reset();
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(IsWindow(window));
  // Without Quit first, too: the window goes without reaching the freed object.
  auto v = MakeWindow<TProbe>();
  v->beforeDestroyCount = &destroyed;
  window = v->Handle();
  v.reset();
  EXPECT_EQ(destroyed, 2);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(TakeQuitMessages(), 0);
}

TEST(WindowShell, WindowDestroyedFromOutsideEndsRunAndStaysTheOwners) {
  int destroyed = 0;
  auto target = MakeWindow<TProbe>();
  target->beforeDestroyCount = &destroyed;
  HWND window = target->Handle();
  auto other = MakeWindow<TProbe>();
  other->onUser = [window](TProbe&, WPARAM, LPARAM) { DestroyWindow(window); };
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

TEST(WindowShell, WindowDestroyedInsideANestedLoopEndsBothLoops) {
  // The reader's case: its window goes while a message box runs its own loop inside it.
  int destroyed = 0;
  auto main = MakeWindow<TProbe>();
  main->beforeDestroyCount = &destroyed;
  auto box = MakeWindow<TProbe>();
  HWND mainWindow = main->Handle();
  bool boxLoopEnded = false;
  main->onUser = [&](TProbe&, WPARAM, LPARAM) {
    box->Run();
    boxLoopEnded = true;
  };
  box->onUser = [mainWindow](TProbe&, WPARAM, LPARAM) { DestroyWindow(mainWindow); };
  PostMessageW(main->Handle(), WM_USER + 1, 0, 0);
  PostMessageW(box->Handle(), WM_USER + 1, 0, 0);
  main->Run();
  EXPECT_TRUE(boxLoopEnded);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(main->Handle(), nullptr);
  EXPECT_TRUE(IsWindow(box->Handle()));
  EXPECT_EQ(TakeQuitMessages(), 1);
}

TEST(WindowShell, QuitMessageEndsRunAndNestedLoopsPassItOn) {
  auto outer = MakeWindow<TProbe>();
  auto inner = MakeWindow<TProbe>();
  bool innerEnded = false;
  outer->onUser = [&](TProbe&, WPARAM, LPARAM) {
    inner->Run();
    innerEnded = true;
  };
  inner->onUser = [](TProbe&, WPARAM, LPARAM) { PostQuitMessage(3); };
  PostMessageW(outer->Handle(), WM_USER + 1, 0, 0);
  PostMessageW(inner->Handle(), WM_USER + 1, 0, 0);
  outer->Run();
  EXPECT_TRUE(innerEnded);
  EXPECT_FALSE(outer->Terminating());
  EXPECT_TRUE(IsWindow(outer->Handle()));
  // The outermost loop took the quit message that the inner loop passed on.
  EXPECT_EQ(TakeQuitMessages(), 0);
}

TEST(WindowShell, WindowDestroyedWhileTerminatingLetsGoQuietly) {
  int destroyed = 0;
  auto w = MakeWindow<TProbe>();
  w->beforeDestroyCount = &destroyed;
  HWND window = w->Handle();
  w->Quit();
  DestroyWindow(window);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(w->Handle(), nullptr);
  EXPECT_EQ(TakeQuitMessages(), 0);  // it was ending anyway
  w.reset();
  EXPECT_EQ(destroyed, 1);
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
  EXPECT_EQ(b->events, (std::vector<TEvent>{{"user", 2}}));
  // A handler may pump its own window again.
  a->onUser = [](TProbe& self, WPARAM wParam, LPARAM) {
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

TEST(WindowShell, ShowPlaceSizeStyleAndCaption) {
  auto w = MakeWindow<TProbe>();
  w->Show();
  EXPECT_TRUE(IsWindowVisible(w->Handle()));
  EXPECT_FALSE(w->Only("paint").empty());
  w->Resize(300, 220);
  EXPECT_EQ(w->Width(), 300);
  EXPECT_EQ(w->Height(), 220);
  w->MoveTo(40, 50);
  EXPECT_EQ(w->Left(), 40);
  EXPECT_EQ(w->Top(), 50);
  EXPECT_EQ(w->Width(), 300);
  EXPECT_EQ(w->Height(), 220);
  w->SetStyle(WS_SYSMENU);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(w->Handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_VISIBLE));
  w->SetExStyle(WS_EX_TOOLWINDOW);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(w->Handle(), GWL_EXSTYLE)) & WS_EX_TOOLWINDOW,
            static_cast<DWORD>(WS_EX_TOOLWINDOW));
  // Captions are code page 1251 whatever the system's code page.
  w->SetCaption("\xCA\xED\xE8\xE3\xE0 - folivar");
  EXPECT_EQ(Caption(w->Handle()), L"\x041A\x043D\x0438\x0433\x0430 - folivar");
}

TEST(WindowShell, AnExceptionInAHandlerComesOutOfRun) {
  auto w = MakeWindow<TProbe>();
  w->onUser = [](TProbe&, WPARAM, LPARAM) { throw std::runtime_error("handler failed"); };
  PostMessageW(w->Handle(), WM_USER + 1, 0, 0);
  EXPECT_THROW(w->Run(), std::runtime_error);
  PostMessageW(w->Handle(), WM_USER + 1, 0, 0);
  EXPECT_THROW(w->PumpOne(), std::runtime_error);
  // Nothing is left over for the next loop.
  w->onUser = nullptr;
  EXPECT_NO_THROW(RethrowPendingWindowException());
}

}  // namespace
}  // namespace folivar
