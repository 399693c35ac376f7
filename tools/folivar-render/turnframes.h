// The frames of a page turn as the screen would show them: the window at the screen's top-left
// corner shows the spread of a page, the turn to the next spread plays over it, and every frame
// is what the screen holds at that moment.
#pragma once

#include <cstdint>
#include <functional>

#include "display/surfaces.h"

namespace folivar {

class TBook;

// Shows the spread that holds page index, turns to the next spread (backward: to the previous
// one) and hands every frame of the turn, as a whole screen image of the window's size, to
// frame. Returns the number of frames; 0 when the book has no turn to play there (no spreads,
// no description, the last spread). The book is loaded and its events are not in use.
size_t PlayTurnFrames(TBook& book, int32_t index, bool backward, const TTextDeviceFactory& makeDevice,
                      const std::function<void(const tview& screen, size_t index)>& frame);

}  // namespace folivar
