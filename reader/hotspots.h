// The reader window's own controls: where the page corners, window buttons, side buttons and the
// scroll bar lie in a window of a given size, registered in the click map, with their lit looks
// drawn into its highlight layer. Also the scroll bar's drawing and its thumb.
#pragma once

#include <cstdint>

#include "reader/clicks.h"

namespace folivar {

// The scroll bar in window coordinates; right and bottom as registered (exclusive in the map).
struct TScrollBar {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Rows of the thumb for page index page of pageCount, from the bar's top: a is its top, b its
// bottom. At least 3 rows, never above row 3 and never down to the bar's last row.
struct TThumb {
  int32_t a = 0, b = 0;
};
TThumb ThumbSpan(int32_t page, int32_t pageCount, int32_t barHeight);

// The bar along the right edge of a width x height window, from below the close button down to
// 20 pixels above the bottom margin.
TScrollBar ScrollBarRect(int32_t width, int32_t height, int32_t bottomMargin);

// The bar's groove, outline and the thumb for the page, into the highlight layer.
void DrawScrollBar(TXif& into, const TScrollBar& bar, int32_t page, int32_t pageCount);

// Clears the boxes, remakes the map and layer for width x height and registers every control:
// the page corners (150-pixel triangles), close and minimise, the side buttons (Print only when
// printing is enabled) and the scroll bar, drawn with the page's thumb. The built-in pictures
// must be loaded.
void LayOutControls(TClickMap& clicks, int32_t width, int32_t height, bool printEnabled,
                    const TScrollBar& bar, int32_t page, int32_t pageCount);

}  // namespace folivar
