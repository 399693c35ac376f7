// The marks the reader lays over the page shown: the translucent highlight of a search match and
// the frame of the link that has the keyboard's focus. They are drawn on the screen view, over the
// page, in device pixels, and go with the page.
#pragma once

#include <cstdint>

namespace folivar {

class tview;

// The highlight's colour and how much of it covers the page (of 255).
constexpr uint32_t kMatchColour = 0x00FFC800;
constexpr uint32_t kMatchWeight = 110;
constexpr uint32_t kFocusColour = 0x000050D0;

// Mixes colour into the pixels x1..x2, y1..y2 (inclusive, clipped to the view): each channel
// becomes (pixel * (255 - weight) + colour * weight) / 255.
void TintRect(tview& view, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
              uint32_t weight);

}  // namespace folivar
