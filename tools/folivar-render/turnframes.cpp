#include "tools/folivar-render/turnframes.h"

#include "book/bookclass.h"
#include "reader/pagedisplay.h"
#include "reader/pageturn.h"

namespace folivar {

namespace {

// A screen that is the window alone, at the screen's top-left corner: what lies under the work
// picture is the window's old image, and each frame is laid over a copy of it.
class TWindowScreen : public TTurnScreen {
 public:
  TWindowScreen(const tview& window, const std::function<void(const tview&, size_t)>& frame)
      : frame_(frame) {
    old_.Allocate(window.Width(), window.Height(), false);
    old_.CopyFrom(window, 0, 0);
    screen_.Allocate(window.Width(), window.Height(), false);
  }
  void Grab(tview& into, int32_t x, int32_t y) override {
    into.Fill(0);
    into.CopyFrom(old_, x, y);
  }
  void Show(const tview& frame, int32_t x, int32_t y, size_t index, size_t) override {
    old_.Put(screen_, 0, 0);
    frame.Put(screen_, x, y);
    frame_(screen_, index);
  }

 private:
  const std::function<void(const tview&, size_t)>& frame_;
  tview old_;
  tview screen_;
};

}  // namespace

size_t PlayTurnFrames(TBook& book, int32_t index, bool backward, const TTextDeviceFactory& makeDevice,
                      const std::function<void(const tview& screen, size_t index)>& frame) {
  TPageDisplay display(book, makeDevice);
  book.GoToPage(book.AlignToSpread(index));
  if (const int32_t width = display.FitWidth()) display.Layout(width);
  display.Show();

  const int32_t from = book.CurrentIndex();
  if (backward) {
    book.PreviousPage();
  } else {
    book.NextPage();
  }
  // Only a move between two spreads is animated.
  if (book.CurrentIndex() == from || !book.TwoPageMode() || !book.IsSpreadPage(from) ||
      !book.IsSpreadPage(-1) || display.FitWidth() != 0) {
    return 0;
  }

  const tview& surface = display.Surface().Bitmap();
  TWindowScreen screen(surface, frame);
  TPageTurn turn;
  if (!turn.PrepareTurn(ReadAnimation(book), backward, ReadTurnMargins(book), surface, 0, 0, &screen)) {
    return 0;
  }
  turn.CaptureBefore(surface);
  display.Show();
  turn.CaptureAfter(surface);
  const size_t frames = turn.FrameCount();
  turn.PlayTurn(screen);
  turn.EndTurn();
  return frames;
}

}  // namespace folivar
