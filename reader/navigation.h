// What the reader window decides by arithmetic alone: the action of a key, the page under a
// point of the scroll bar, the target of a link, which link targets go to the shell, the book
// information text, where the window goes on the screen and how far it moves between a single
// page and a spread. The Windows reader window only carries these out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reader/hotspots.h"

namespace folivar {

struct TBookHeader;
class TViewItem;

enum class TKeyAction {
  kNone,
  kBack,
  kNextPage,
  kPreviousPage,
  kFirstPage,
  kLastPage,
  kSpaceNextPage,  // the next page, at most once in ten seconds
  kMinimise,
  kBuildDate,
  kQuit,
};

// The action of a pressed virtual key. Besides the reader's own keys (Backspace, Enter, Escape,
// Space, End, Home, Up, Down, V, F4), Right and Page Down turn forward and Left and Page Up back.
TKeyAction KeyAction(int32_t key);

// Space turns a page only when this long has passed since it last did.
constexpr uint32_t kSpaceInterval = 10000;
// Whether Space turns now; lastSpace is the tick count of the last turn by Space (0: none yet).
bool SpaceTurns(uint32_t now, uint32_t lastSpace);

// Tells a key's own press from the presses the keyboard repeats while the key is held down (a
// press of the key that went down last and has not come up since). A page turned by a repeated
// press plays without pacing (see TurnTime).
class TKeyRepeat {
 public:
  // A key went down; true when it is a repetition.
  bool Press(int32_t key);
  // A key came up.
  void Release(int32_t key);

 private:
  int32_t down_ = -1;  // the key that went down last and is still down; -1 for none
};

// The text of the build-date box.
extern const char* const kBuildDateText;

// The page under y on the scroll bar: (y - top) / ((bottom - top) / pages), truncated, and kept
// within the book.
int32_t ScrollBarPage(int32_t y, const TScrollBar& bar, int32_t pages);

// The link of an item: its style's link, or for a page reference "#" and the name of the anchor
// it shows; empty for none.
std::string LinkOf(const TViewItem& item);
// Links the shell may open: those that begin with "http:", "https:" or "mailto:" (any case).
bool OpensInShell(std::string_view link);

// "author CR LF title[, ed: edition] CR LF publisherLabel: publisher"; the edition is left out
// when the book has no About box.
std::string BookInformation(const TBookHeader& header, std::string_view publisherLabel);

// The top-left corner that centres a width x height window on a screenWidth x screenHeight
// screen, halves truncated.
struct TPosition {
  int32_t x = 0, y = 0;
};
TPosition CentredPosition(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height);

// Pixels the window moves sideways when it changes between a single page and a spread.
constexpr int32_t kWindowShift = 340;
// How far the window moves when the page now shown is (or is not) a spread page and the one
// before was (or was not): +340 from a spread to a single page, -340 back, 0 otherwise.
int32_t WindowShift(bool previousWasSpread, bool nowSpread);

}  // namespace folivar

namespace folivar {

// The printed size of a page: the printer's height and the book's aspect ratio, or the printer's
// width when that is too narrow; rounded half to even.
struct TPrintSize {
  int32_t width = 0, height = 0;
};
TPrintSize PrintOutputSize(int32_t printerWidth, int32_t printerHeight, int32_t viewWidth,
                           int32_t viewHeight);

}  // namespace folivar
