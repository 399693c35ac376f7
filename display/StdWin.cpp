#include "display/StdWin.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "display/msgdecode.h"

namespace folivar {

namespace {

HICON gClassIcon = nullptr;
// How many Run loops are running, the outermost included.
int gLoopDepth = 0;
std::exception_ptr gPendingException;

void KeepException(std::exception_ptr e) {
  if (!gPendingException) gPendingException = std::move(e);
}


// A typed UTF-16 character as a code page 1251 byte; '?' for one that code page 1251 lacks.
uint8_t Narrow1251(WPARAM character) {
  const auto unit = static_cast<wchar_t>(character & 0xFFFF);
  char narrow = '?';
  BOOL lost = FALSE;
  if (WideCharToMultiByte(1251, 0, &unit, 1, &narrow, 1, nullptr, &lost) != 1 || lost) narrow = '?';
  return static_cast<uint8_t>(narrow);
}

RECT WindowRect(HWND window) {
  RECT r{};
  if (window) GetWindowRect(window, &r);
  return r;
}

}  // namespace

void SetClassIcon(HICON icon) { gClassIcon = icon; }
HICON ClassIcon() { return gClassIcon; }

const LOGFONTW& UiLogFont() {
  static const LOGFONTW font = [] {
    LOGFONTW f{};
    f.lfHeight = -13;
    f.lfWeight = FW_NORMAL;
    f.lfCharSet = DEFAULT_CHARSET;
    f.lfQuality = NONANTIALIASED_QUALITY;
    const wchar_t face[] = L"Arial";
    std::copy(std::begin(face), std::end(face), f.lfFaceName);
    return f;
  }();
  return font;
}

HFONT UiFont() {
  static const HFONT font = CreateFontIndirectW(&UiLogFont());
  return font;
}

void RethrowPendingWindowException() {
  if (gPendingException) std::rethrow_exception(std::exchange(gPendingException, nullptr));
}

void TWinDeleter::operator()(TWin* window) const noexcept {
  if (!window) return;
  window->Destroy();
  delete window;
}

TWin::~TWin() { ReleaseWindow(true); }

const TWinTable& TWin::Table() {
  static constexpr TWinTable::Entry kEntries[] = {
      TWinTable::On<&TWin::OnPaint>(WM_PAINT),
      TWinTable::On<&TWin::OnMouseMove>(WM_MOUSEMOVE),
      TWinTable::On<&TWin::OnLeftDown>(WM_LBUTTONDOWN),
      TWinTable::On<&TWin::OnLeftUp>(WM_LBUTTONUP),
      // A double click arrives as a second press.
      TWinTable::On<&TWin::OnLeftDown>(WM_LBUTTONDBLCLK),
      TWinTable::On<&TWin::OnRightDown>(WM_RBUTTONDOWN),
      TWinTable::On<&TWin::OnRightUp>(WM_RBUTTONUP),
      TWinTable::On<&TWin::OnWheel>(WM_MOUSEWHEEL),
      TWinTable::On<&TWin::OnKeyDown>(WM_KEYDOWN),
      TWinTable::On<&TWin::OnKeyUp>(WM_KEYUP),
      TWinTable::On<&TWin::OnChar>(WM_CHAR),
      TWinTable::On<&TWin::OnKillFocus>(WM_KILLFOCUS),
      TWinTable::On<&TWin::OnTimer>(WM_TIMER),
      TWinTable::On<&TWin::OnUser>(WM_USER + 1),
  };
  static const TWinTable table(nullptr, kEntries);
  return table;
}

void TWin::Create() {
  BeforeCreate();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = &TWin::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = gClassIcon;
  windowClass.lpszClassName = kWindowClassName;
  // Every window registers the class; all but the first find it there already.
  RegisterClassW(&windowClass);
  window_ = CreateWindowExW(0, kWindowClassName, kDefaultCaption,
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                            200, 170, nullptr, nullptr, instance, nullptr);
  // Without a window the object stays windowless: every operation then does nothing (a null
  // handle must never reach GetDC or PeekMessage, where it means the screen or every window).
  if (window_) {
    link_ = std::make_unique<TLink>(TLink{.kind = 1, .owner = this});
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(link_.get()));
    SetWindowLongPtrW(window_, GWL_EXSTYLE, WS_EX_CONTROLPARENT);
    dc_ = GetDC(window_);
    if (dc_) SelectObject(dc_, UiFont());
  }
  AfterCreate();
}

void TWin::Destroy() noexcept {
  if (window_) {
    try {
      BeforeDestroy();
    } catch (...) {
      // The window goes all the same; there is no one to tell on this path.
    }
  }
  ReleaseWindow(true);
}

void TWin::ReleaseWindow(bool destroy) noexcept {
  HWND window = std::exchange(window_, nullptr);
  if (!window) return;
  // Unlinked first: what the window receives while it goes reaches DefWindowProc, not this object.
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  link_.reset();
  if (HDC dc = std::exchange(dc_, nullptr)) ReleaseDC(window, dc);
  if (destroy) DestroyWindow(window);
}

void TWin::DetachFromDestroyedWindow(bool postQuit) {
  link_->kind = 0;
  std::exception_ptr failure;
  try {
    BeforeDestroy();
  } catch (...) {
    failure = std::current_exception();
  }
  ReleaseWindow(false);
  if (postQuit) PostQuitMessage(0);
  if (failure) std::rethrow_exception(failure);
}

LRESULT CALLBACK TWin::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* link = reinterpret_cast<TLink*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!link) return DefWindowProcW(window, message, wParam, lParam);
  TWin* owner = link->owner;
  // The window is going while it is still linked: something other than the object's owner
  // destroyed it, and the object lets go of it. Unless the object was terminating already, this
  // happens at WM_DESTROY and the message loops are told to end; a terminating window swallows
  // WM_DESTROY like every other message and lets go at WM_NCDESTROY, the last message it gets.
  if (link->kind == 1 && ((message == WM_DESTROY && !owner->terminate_) || message == WM_NCDESTROY)) {
    try {
      owner->DetachFromDestroyedWindow(!owner->terminate_);
    } catch (...) {
      KeepException(std::current_exception());
    }
    return 0;
  }
  if (owner->terminate_) {
    // A terminating window answers nothing. Its paint requests are marked done all the same, or
    // they would come back for as long as the window lives.
    if (message == WM_PAINT) ValidateRect(window, nullptr);
    return 0;
  }
  if (link->kind != 1) return DefWindowProcW(window, message, wParam, lParam);
  // A command from a control or a menu. No window of the program has controls of its own, and
  // another window's user data is never read as a link record.
  if (message == WM_COMMAND && HIWORD(wParam) == 0) return 0;
  TWinMessage record{.window = window, .message = message, .wParam = wParam, .lParam = lParam};
  try {
    owner->DispatchWindowMessage(record);
  } catch (...) {
    KeepException(std::current_exception());
  }
  // Neither owner nor link is used from here on: a handler may have freed the object.
  return record.callDefault ? DefWindowProcW(window, message, wParam, lParam) : record.result;
}

void TWin::DispatchWindowMessage(TWinMessage& message) {
  message.callDefault = true;
  if (const TWinTable::Handler handler = MessageTable().Find(message.message))
    handler(*this, message);
}

void TWin::Run() {
  terminate_ = false;
  struct TDepth {
    TDepth() { ++gLoopDepth; }
    ~TDepth() { --gLoopDepth; }
  } depth;
  MSG msg{};
  while (!terminate_ && window_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      if (gLoopDepth > 1) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    // -1: the queue cannot be read; msg holds nothing to dispatch, and asking again would fail
    // for ever.
    if (got == -1) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    RethrowPendingWindowException();
  }
}

bool TWin::PumpOne() {
  if (!window_) return false;
  MSG msg{};
  if (!PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    // Not this window's to take: left for the message loops, and nothing of this window's was
    // handled (so that a caller pumping until nothing is left stops).
    PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  RethrowPendingWindowException();
  return true;
}

void TWin::Quit() {
  terminate_ = true;
  if (window_) SendMessageW(window_, WM_CLOSE, 0, 0);
}

void TWin::Show() {
  if (!window_) return;
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  UpdateWindow(window_);
  Paint();
}

void TWin::MoveTo(int32_t x, int32_t y) {
  if (window_) MoveWindow(window_, x, y, Width(), Height(), TRUE);
}

void TWin::Resize(int32_t width, int32_t height) {
  if (window_)
    SetWindowPos(window_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

int32_t TWin::Width() const {
  const RECT r = WindowRect(window_);
  return r.right - r.left;
}

int32_t TWin::Height() const {
  const RECT r = WindowRect(window_);
  return r.bottom - r.top;
}

int32_t TWin::Left() const { return WindowRect(window_).left; }
int32_t TWin::Top() const { return WindowRect(window_).top; }

void TWin::SetStyle(uint32_t style) {
  if (window_) SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(style));
}

void TWin::SetExStyle(uint32_t style) {
  if (window_) SetWindowLongPtrW(window_, GWL_EXSTYLE, static_cast<LONG_PTR>(style));
}

void TWin::SetCaption(std::u16string_view text) {
  if (window_) SetWindowTextW(window_, std::wstring(text.begin(), text.end()).c_str());
}

void TWin::OnPaint(TWinMessage&) { Paint(); }

void TWin::OnMouseMove(TWinMessage& m) {
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  MouseMove(MouseX(m.lParam), MouseY(m.lParam));
}

void TWin::OnLeftDown(TWinMessage& m) { MouseButton(1, 0, MouseX(m.lParam), MouseY(m.lParam)); }
void TWin::OnLeftUp(TWinMessage& m) { MouseButton(0, 0, MouseX(m.lParam), MouseY(m.lParam)); }
void TWin::OnRightDown(TWinMessage& m) { MouseButton(1, 1, MouseX(m.lParam), MouseY(m.lParam)); }
void TWin::OnRightUp(TWinMessage& m) { MouseButton(0, 1, MouseX(m.lParam), MouseY(m.lParam)); }

// The wheel's message carries screen coordinates.
void TWin::OnWheel(TWinMessage& m) {
  MouseButton(WheelTowardsUser(m.wParam), 3, MouseX(m.lParam), MouseY(m.lParam));
}

void TWin::OnKeyDown(TWinMessage& m) {
  Key(1, static_cast<int32_t>(m.wParam));
  modifiers_ = ModifiersAfterKey(modifiers_, true, m.wParam);
}

void TWin::OnKeyUp(TWinMessage& m) {
  Key(0, static_cast<int32_t>(m.wParam));
  modifiers_ = ModifiersAfterKey(modifiers_, false, m.wParam);
}

void TWin::OnChar(TWinMessage& m) { CharTyped(Narrow1251(m.wParam)); }
void TWin::OnKillFocus(TWinMessage&) { modifiers_ = 0; }
void TWin::OnTimer(TWinMessage& m) { Timer(m.wParam); }
void TWin::OnUser(TWinMessage& m) { UserMessage(m.wParam, m.lParam); }

}  // namespace folivar
