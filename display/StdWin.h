// The window shell: a Windows top-level window wrapped in an object. It owns the window class
// "WCFolivar", the one window procedure every window shares, the link from a window back to its
// object (a record in the window's GWLP_USERDATA slot), the translation of messages into calls of
// virtual operations through per-class handler tables, the message loop, and the shared UI font.
//
// Window objects are made with MakeWindow and owned by whoever made them (TWinPtr); the shell
// never frees one. Construction is two-phase: the object is built, then its window is created and
// AfterCreate runs, so that the derived class's overrides are the ones called. Destruction runs
// BeforeDestroy while the window still exists, then destroys the window.
//
// A window that something else destroys (DestroyWindow from outside, or DefWindowProc after a
// WM_CLOSE that nothing turned into Quit) detaches its object: BeforeDestroy runs while the window
// still exists, the device context is released, the handle becomes null, and a quit message is
// posted. The message loop of that window ends at once, every other loop on the quit message, and
// the object stays valid for its owner, who frees it as usual. A window that goes while its object
// is terminating detaches the same way, without the quit message.
//
// Text given to the shell (captions) is code page 1251; the windows are Unicode windows and the
// shell converts, so captions and typed characters are right whatever the system's code page.
//
// Main thread only. Handlers may pump messages (PumpOne, a nested Run), so they must tolerate
// being re-entered for the same window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "display/msgtable.h"

namespace folivar {

class TWin;

// The message record handed to the handlers. callDefault starts true; while it stays true the
// window procedure returns what DefWindowProc returns for the message, otherwise result.
struct TWinMessage {
  HWND window = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool callDefault = true;
};

using TWinTable = TMessageTable<TWin, TWinMessage>;

// Frees a window object the way the shell expects: BeforeDestroy, the window destroyed, then the
// object deleted.
struct TWinDeleter {
  void operator()(TWin* window) const noexcept;
};
template <class T>
using TWinPtr = std::unique_ptr<T, TWinDeleter>;

// Builds a T from the arguments, then creates its window (see TWin::Create). An exception from
// AfterCreate frees the object and its window again.
template <class T, class... Args>
TWinPtr<T> MakeWindow(Args&&... args);

// The class icon of "WCFolivar" (none at first). Set it before the first window is created: the
// class is registered by the first window and keeps the icon it was registered with.
void SetClassIcon(HICON icon);
HICON ClassIcon();
// The shared UI font: Arial, height -13, weight 400, DEFAULT_CHARSET, NONANTIALIASED_QUALITY.
// Created on first use, never deleted.
HFONT UiFont();
const LOGFONTW& UiLogFont();

// The window class name.
inline constexpr wchar_t kWindowClassName[] = L"WCFolivar";
// The caption of every window until its owner sets another.
inline constexpr wchar_t kDefaultCaption[] = L"default";

class TWin {
 public:
  TWin(const TWin&) = delete;
  TWin& operator=(const TWin&) = delete;
  // Destroys the window if it is still there, without BeforeDestroy (which a derived object can
  // no longer receive here): free window objects with TWinDeleter, as TWinPtr does.
  virtual ~TWin();

  // The window; null before creation and once the window is gone.
  HWND Handle() const { return window_; }
  // The device context held for the window's life, with the UI font selected.
  HDC DC() const { return dc_; }
  // Set by Quit; cleared when Run starts.
  bool Terminating() const { return terminate_; }
  // kModShift, kModControl, kModAlt (display/msgdecode.h) while those keys are down; forgotten
  // when the window loses the keyboard focus, whose key releases then reach another window.
  uint8_t Modifiers() const { return modifiers_; }

  // The message loop for all windows of the thread. Ends after the message being handled when
  // Quit set the terminate flag or the window went, and when a quit message arrives; a loop
  // inside another one posts the quit message again, so that the outer loops end too. Returns at
  // once for a window that is gone.
  void Run();
  // Takes one waiting message of this window, if there is one, and dispatches it. True when a
  // message was taken. A quit message stays for the message loops.
  bool PumpOne();
  // Sets the terminate flag, then sends WM_CLOSE. From then on the window procedure swallows
  // every message of the window (it returns 0; no handler, no DefWindowProc) until the object is
  // freed or Run starts again.
  void Quit();

  void Show();
  // Moves the window to screen position (x, y), keeping its size, and repaints it.
  void MoveTo(int32_t x, int32_t y);
  void Resize(int32_t width, int32_t height);
  // Outer size and screen position from GetWindowRect; 0 when the window is gone.
  int32_t Width() const;
  int32_t Height() const;
  int32_t Left() const;
  int32_t Top() const;
  void SetStyle(uint32_t style);
  void SetExStyle(uint32_t style);
  void SetCaption(std::u16string_view text);

  // Looks the message up in the handler tables, from the object's class upwards, and calls the
  // handler found; a message that no table holds does nothing. Sets callDefault to true first.
  virtual void DispatchWindowMessage(TWinMessage& message);

 protected:
  TWin() = default;

  // The handler table of the object's class. A derived class with handlers of its own overrides
  // it and returns a table whose parent is its base class's Table().
  virtual const TWinTable& MessageTable() const { return Table(); }
  static const TWinTable& Table();

  virtual void BeforeCreate() {}
  // Called last in creation: the window, its link and its device context exist.
  virtual void AfterCreate() {}
  // Called once, while the window still exists, before it goes.
  virtual void BeforeDestroy() {}
  virtual void Paint() {}
  virtual void MouseMove(int32_t x, int32_t y) { (void)x, (void)y; }
  virtual void UserMessage(WPARAM wParam, LPARAM lParam) { (void)wParam, (void)lParam; }
  // down: 1 press, 0 release; button: 0 left, 1 right, 3 wheel (down 1 towards the user).
  virtual void MouseButton(uint8_t down, uint8_t button, int32_t x, int32_t y) {
    (void)down, (void)button, (void)x, (void)y;
  }
  virtual void Key(uint8_t down, int32_t key) { (void)down, (void)key; }
  // A typed character in code page 1251.
  virtual void CharTyped(uint8_t character) { (void)character; }
  virtual void Timer(UINT_PTR id) { (void)id; }

 private:
  template <class T, class... Args>
  friend TWinPtr<T> MakeWindow(Args&&... args);
  friend struct TWinDeleter;

  // The record in the window's user-data slot.
  struct TLink {
    uint8_t kind = 1;  // 1 a top-level window object, 0 detached
    TWin* owner = nullptr;
  };

  // The procedure of every window of the class.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  void Create();
  // BeforeDestroy, then the window is destroyed (the normal route).
  void Destroy() noexcept;
  // The window is being destroyed by something else: see the file comment.
  void DetachFromDestroyedWindow(bool postQuit);
  // Unlinks the window from the object and releases its device context; destroys it when asked.
  void ReleaseWindow(bool destroy) noexcept;

  void OnPaint(TWinMessage& m);
  void OnMouseMove(TWinMessage& m);
  void OnLeftDown(TWinMessage& m);
  void OnLeftUp(TWinMessage& m);
  void OnRightDown(TWinMessage& m);
  void OnRightUp(TWinMessage& m);
  void OnWheel(TWinMessage& m);
  void OnKeyDown(TWinMessage& m);
  void OnKeyUp(TWinMessage& m);
  void OnChar(TWinMessage& m);
  void OnKillFocus(TWinMessage& m);
  void OnTimer(TWinMessage& m);
  void OnUser(TWinMessage& m);

  bool terminate_ = false;
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
  uint8_t modifiers_ = 0;
  std::unique_ptr<TLink> link_;
};

// An exception that a handler raised inside the window procedure, where it cannot pass through
// the system's frames, is kept and raised again by Run or PumpOne once the dispatch returned.
void RethrowPendingWindowException();

template <class T, class... Args>
TWinPtr<T> MakeWindow(Args&&... args) {
  static_assert(std::is_base_of_v<TWin, T>);
  TWinPtr<T> window(new T(std::forward<Args>(args)...));
  static_cast<TWin&>(*window).Create();
  return window;
}

}  // namespace folivar
