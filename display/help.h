// THelpWin: the reader's own message box, a small borderless window that shows a text and a few
// push buttons on the built-in message background (images/embed.h), and closes on a click on a
// button, on a key, or when another window becomes active. Button captions and the keys that
// choose buttons come from the book's message texts (reader/msgs.h, context "WasPresses").
//
// The box's state and drawing are portable (display/helplayout.h); this is the window around them.
// Each box draws on a surface of its own, made from the background picture, so a box never shows
// what another one drew. The built-in pictures are loaded when the first box opens if the program
// has not loaded them yet. A box is drawn at its monitor's DPI (DPI / 96 times its pixels).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/strutil.h"
#include "display/StdWin.h"
#include "display/helplayout.h"
#include "display/surfaces.h"

namespace folivar {

class THelpWin : public TWin {
 public:
  // Each caption is shown up to its first ":". The window
  // opens when MakeWindow creates it: centred across the screen, 60 pixels above its middle.
  THelpWin(std::u16string text, const TBoxTexts& captions, std::u16string title);

  const THelpBox& Box() const { return box_; }
  // The chosen button; -1 while none was chosen, and after a key or a close that chose none.
  int32_t Result() const { return box_.Result(); }
  // The box's picture as last drawn; null once the box is gone.
  const TSurface* Surface() const { return surface_.get(); }

 protected:
  const TWinTable& MessageTable() const override { return Table(); }
  static const TWinTable& Table();

  void AfterCreate() override;
  void BeforeDestroy() override;
  void Paint() override;
  void MouseMove(int32_t x, int32_t y) override;
  void MouseButton(uint8_t down, uint8_t button, int32_t x, int32_t y) override;
  void Key(uint8_t down, int32_t key) override;

 private:
  void OnActivate(TWinMessage& m);
  void OnClose(TWinMessage& m);
  void Draw();

  THelpBox box_;
  std::u16string title_;
  std::unique_ptr<TSurface> surface_;
};

// Shows a modal box and runs its message loop until it closes; returns the chosen button, or -1
// when none was chosen. While a modal box is open, another request returns -1 at once and shows
// nothing. Afterwards the window that was active before is made active again.
int32_t ShowMessage(std::u16string_view text, std::u16string_view title, const TBoxTexts& captions);
// Whether a modal box is open.
bool ModalMessageOpen();

// Opens a box without buttons that does not wait (the book information while the book loads),
// lets it handle its waiting messages once and returns it. The caller pumps it (PumpOne), quits
// and frees it.
TWinPtr<THelpWin> OpenInfoWindow(std::u16string_view text, std::u16string_view title);

}  // namespace folivar
