// Where the items of a drawn page lie: the rectangle of every item of the lines that page drawing
// placed, found again from what drawing leaves in the lines (each line's top and width, the item
// widths after justification) with drawing's own rules of placement (LineStart, ItemAdvance in
// display/drawing.h). The reader marks search matches and the focused link over them. Book
// coordinates, edges included.
#pragma once

#include <cstdint>
#include <vector>

namespace folivar {

class TPage;

struct TItemBox {
  int32_t line = 0;
  int32_t item = 0;
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;  // left + width - 1; below left for an item without width
  int32_t bottom = 0;
};

// Where drawing put a page: the column's left edge and width, the first line's top and the
// lowest y a line may reach (the surface height less the bottom margin).
struct TPageFrame {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t limit = 0;
};

// The boxes of every item on the lines drawn, in reading order. Each box spans its line's height.
// The page must have been drawn last with this frame (the widths are those drawing measured).
std::vector<TItemBox> PageItemBoxes(TPage& page, const TPageFrame& frame);

// The x of each item's left edge on a line drawn from left in width pixels, in item order.
std::vector<int32_t> ItemLefts(const TPage& page, int32_t line, int32_t left, int32_t width);

}  // namespace folivar
