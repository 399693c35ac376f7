// The message box without its window: where its buttons lie, which button the pointer is over,
// which button a key chooses through the book's caption lists, and how the box is drawn on a
// surface. The Windows message window (display/help.h) only forwards its messages here and copies
// the drawn surface to the screen.
//
// Box coordinates are those of the built-in message background (390 x 158): the text starts at
// (20, 65), the buttons lie on y 124 to 146, 80 pixels wide with 6 between them, laid from right
// to left starting at x = 378. Rectangles include both edges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/strutil.h"

namespace folivar {

class TSurface;
class tview;

struct TBoxButton {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  std::u16string caption;

  bool Contains(int32_t x, int32_t y) const {
    return x >= left && x <= right && y >= top && y <= bottom;
  }
};

constexpr int32_t kBoxTextX = 20;
constexpr int32_t kBoxTextY = 65;
constexpr int32_t kBoxButtonTop = 124;
constexpr int32_t kBoxButtonBottom = 146;
constexpr int32_t kBoxButtonsRight = 378;
constexpr int32_t kBoxButtonWidth = 80;
constexpr int32_t kBoxButtonPitch = 86;
constexpr uint32_t kBoxHoverColour = 0x00E0E0E0;
constexpr uint32_t kBoxWhite = 0x00FFFFFF;

// The keys that have caption lists.
constexpr int32_t kKeyEnter = 13;
constexpr int32_t kKeyEscape = 27;
constexpr int32_t kKeyN = 78;
constexpr int32_t kKeyY = 89;

// The texts of a box as the screen shows them.
using TBoxTexts = std::vector<std::u16string>;

// A caption as the button shows it: cut before its first ":" when it has one.
std::u16string ButtonCaption(std::u16string_view caption);
// One button per caption, caption i at right = 378 - 86 i, left = right - 80.
std::vector<TBoxButton> LayOutButtons(const TBoxTexts& captions);
// Index of the last button whose rectangle holds (x, y); -1 when none does.
int32_t ButtonAt(const std::vector<TBoxButton>& buttons, int32_t x, int32_t y);

// The message-text key of a key's caption list ("Enter", "Esc", "N", "Y"), empty for other keys.
std::string_view CaptionListKey(int32_t key);
// The key's caption list: the message text of its key in the context "WasPresses" (read in the
// book's encoding); empty for keys without one.
std::u16string KeyCaptionList(int32_t key);
// Whether the list names the caption: it holds the caption upper-cased (ASCII letters only)
// followed by ":", starting the list or following a character that is not a letter or digit, so
// that a list naming OK does not name K. Letters and digits are those of ASCII and every character
// from U+00C0 up except the signs x and / (U+00D7, U+00F7), general punctuation and symbols
// (U+2000 to U+2BFF), CJK punctuation (U+3000 to U+303F), surrogates and specials (U+FFF0 up).
// An empty caption is named by no list.
bool CaptionListNames(std::u16string_view list, std::u16string_view caption);

// Where a box of the given outer size opens on a screen of the given size: centred across, its
// top 60 pixels above the screen's middle. Halves truncate towards zero.
struct TBoxOrigin {
  int32_t x = 0;
  int32_t y = 0;
};
TBoxOrigin BoxOrigin(int32_t screenWidth, int32_t screenHeight, int32_t boxWidth);

// The state of one box: its text, buttons, the button under the pointer and the choice.
class THelpBox {
 public:
  THelpBox(std::u16string text, const TBoxTexts& captions);

  const std::u16string& Text() const { return text_; }
  const std::vector<TBoxButton>& Buttons() const { return buttons_; }
  // The button under the pointer, -1 for none.
  int32_t Hover() const { return hover_; }
  // The chosen button; -1 while none was chosen, and after a key closed the box without choosing.
  int32_t Result() const { return result_; }

  // The pointer moved: the hover index follows it. The box is drawn again in any case.
  void MouseMove(int32_t x, int32_t y);
  // A mouse button was released at (x, y): true when it was over a button, which is then chosen
  // and closes the box.
  bool MouseRelease(int32_t x, int32_t y);
  // A key was pressed: the result becomes the last button that the key's caption list names, or
  // -1. True when the box closes: a button was chosen, or the key is Enter or Escape.
  bool KeyPress(int32_t key);

  // Readies a box's surface: key colour white, text colour black, the plain font Arial at
  // 10 points.
  static void PrepareSurface(TSurface& surface);
  // Draws the box on the surface: the background picture first (so that every drawing starts
  // from the same picture and nothing of an earlier one stays), then the white text area, the
  // text at (20, 65), and each button in the background's colour, or grey when the pointer is
  // over it, with its caption centred.
  void Draw(TSurface& surface, const tview& background) const;

 private:
  std::u16string text_;
  std::vector<TBoxButton> buttons_;
  int32_t hover_ = -1;
  int32_t result_ = -1;
};

}  // namespace folivar
