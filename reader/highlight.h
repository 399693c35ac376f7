// The reader window's hover highlight and press-and-hold, as the 50 ms timer drives them.
//
// The highlight fades in over ten ticks when the pointer comes over one of the reader's
// controls, holds, and fades out over forty: its phase runs idle -> -10 .. -1 (fading in) ->
// 0 .. 80 (full) -> 81 .. 120 (fading out) -> idle, and its level rises to, holds and falls from
// the target of the control (80 for the page corners and window buttons, 50 for the side buttons
// and the scroll bar, 1 over a link). Holding a mouse button inside the window for 21 ticks turns
// pages on every further tick.
#pragma once

#include <cstdint>

namespace folivar {

class THighlight {
 public:
  static constexpr int32_t kIdle = 0xFFFF;

  int32_t phase = kIdle;
  double level = 0;
  double target = 80;

  // The target of a hot-spot code (0 to 5); other codes leave it.
  void TargetFor(uint16_t code);
  // The pointer moved over code, hovered being the code it was over before: the phase starts
  // again (fading in, or full when it was already on). True when the code changed: the caller
  // drops the highlight at once and remembers code as hovered.
  bool Hover(uint16_t code, uint16_t hovered);
  // One tick. pointerInside: the pointer lies in the window's rectangle (edges included); when it
  // does not while the highlight is full, it fades out now. True when the level changed and the
  // highlight is not idle, so the window paints at once.
  bool Tick(bool pointerInside);
  // The weight with which the lit layer is blended over the page: (100 - level) * 2.5.
  uint8_t BlendWeight() const;
};

class THold {
 public:
  int32_t counter = 1000;
  // One tick; true when a page turns now (the button has been held inside for 21 ticks or more).
  bool Tick(bool pointerInside, bool buttonHeld);
};

}  // namespace folivar
