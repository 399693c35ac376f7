#include "reader/itemboxes.h"

#include "book/paraclasses.h"
#include "display/drawing.h"

namespace folivar {

std::vector<int32_t> ItemLefts(const TPage& page, int32_t index, int32_t left, int32_t width) {
  TLine& line = *page.lines[static_cast<size_t>(index)];
  // line.width is the width drawing aligned the line by.
  int32_t x = LineStart(left, line, width);
  std::vector<int32_t> lefts;
  lefts.reserve(line.items.size());
  for (TViewItem& item : line.items) {
    lefts.push_back(x);
    x += ItemAdvance(item);
  }
  return lefts;
}

std::vector<TItemBox> PageItemBoxes(TPage& page, const TPageFrame& frame) {
  std::vector<TItemBox> boxes;
  int32_t y = frame.top;
  for (size_t i = 0; i < page.lines.size(); ++i) {
    TLine& line = *page.lines[i];
    if (int64_t{line.height} + y > frame.limit) break;
    const int32_t bottom = y + line.ascent + line.descent - 1;
    const std::vector<int32_t> lefts = ItemLefts(page, static_cast<int32_t>(i), frame.left, frame.width);
    for (size_t k = 0; k < line.items.size(); ++k) {
      const int32_t right =
          k + 1 < lefts.size() ? lefts[k + 1] - 1 : lefts[k] + line.items[k].Width() - 1;
      boxes.push_back({static_cast<int32_t>(i), static_cast<int32_t>(k), lefts[k], y, right, bottom});
    }
    y += line.ascent + line.descent;
  }
  return boxes;
}

}  // namespace folivar
