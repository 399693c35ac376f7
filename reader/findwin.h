// The find box: a message window of the reader's skin (the message background, the prompt as its
// text, the buttons Find and Close) with one line of input drawn below the prompt, its caret
// shown. The box never takes the keyboard: the reader window keeps it and edits the line
// (reader/findbox.h), and the box only shows it and answers clicks on its buttons. It opens
// below the reader window when there is room on the screen, otherwise above it, otherwise over
// its lower edge.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "display/StdWin.h"
#include "display/helplayout.h"
#include "display/surfaces.h"

namespace folivar {

class TFindWin : public TWin {
 public:
  // The button chosen with the mouse: 0 Find, 1 Close.
  using TChoice = std::function<void(int32_t button)>;

  TFindWin(HWND owner, std::u16string title, std::u16string prompt, const TBoxTexts& captions,
           TChoice choose);

  // The line as the reader edits it.
  void ShowInput(const std::u16string& text, size_t caret);

 protected:
  void AfterCreate() override;
  void BeforeDestroy() override;
  void Paint() override;
  void MouseMove(int32_t x, int32_t y) override;
  void MouseButton(uint8_t down, uint8_t button, int32_t x, int32_t y) override;

 private:
  void Draw();
  void Place();

  HWND owner_;
  std::u16string title_;
  THelpBox box_;
  TChoice choose_;
  std::u16string input_;
  size_t caret_ = 0;
  std::unique_ptr<TSurface> surface_;
};

}  // namespace folivar
