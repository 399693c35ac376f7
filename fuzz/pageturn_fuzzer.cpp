// A page-turn description from a book: read it, lay the turn out on a small spread, capture
// pages and compose every frame forward and backward. Nothing may read or write outside a
// picture, and no description may make the turn allocate beyond its caps.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reader/pageturn.h"

namespace {

void Turn(const folivar::TAnimation& animation, bool backward, const folivar::tview& surface) {
  folivar::TPageTurn turn;
  if (!turn.PrepareTurn(animation, backward, {}, surface, 0, 0, nullptr)) return;
  turn.CaptureBefore(surface);
  turn.CaptureAfter(surface);
  for (size_t i = 0; i < turn.FrameCount() && i < 64; ++i) (void)turn.ComposeFrame(i);
  turn.EndTurn();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const folivar::TAnimation animation = folivar::ParseAnimation(text);
  // A spread of two 34 x 43 pages: a tenth of the design space.
  folivar::tview surface(68, 43);
  surface.Fill(0x00808080);
  Turn(animation, false, surface);
  Turn(animation, true, surface);
  return 0;
}
