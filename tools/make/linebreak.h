// Total-fit line breaking (Knuth and Plass): a paragraph as boxes (items), glue (spaces that
// justification widens) and penalties (hyphenation points, forced breaks), broken into the lines
// whose sum of demerits is least. The reader widens spaces only, one pixel at a time and never
// past 127 pixels, so a line is feasible only when it does not overflow and, justified, its
// spaces can take up the rest exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace folivar::make {

// One item of a page line with its measures.
struct TLineItem {
  uint16_t code = 0, style = 0;
  int32_t width = 0, ascent = 0, descent = 0;
};

struct TElement {
  enum Type : uint8_t { kBox, kGlue, kPenalty };
  Type type = kBox;
  int32_t width = 0;    // box: the item; glue: the space; penalty: the hyphen when broken there
  int32_t stretch = 0;  // glue
  int32_t penalty = 0;  // penalty: kForced makes a break, kNever forbids one
  bool flagged = false; // a hyphen: two in a row cost more
  bool breakable = true;  // glue: a break may fall here
  TLineItem item;       // box and glue; a penalty's hyphen when `width` > 0
  std::vector<int32_t> anchors;  // anchor numbers that stand at this element
};

constexpr int32_t kForced = -10000;
constexpr int32_t kNever = 10000;

struct TBreakOptions {
  bool justify = true;
  // The width of line i (0 = the paragraph's first) on which items may stand.
  std::function<int32_t(size_t line)> lineWidth;
};

struct TBrokenLine {
  std::vector<TLineItem> items;
  std::vector<int32_t> anchors;
  int32_t width = 0;     // sum of the item widths
  int32_t spaces = 0;    // glue items on the line
  bool forced = false;   // ends at a forced break (the paragraph's end or a line break)
};

// Breaks the elements into lines. The last element must be a forced break. Never returns a line
// wider than its width, unless a single item is wider than the line (the caller refuses those).
std::vector<TBrokenLine> BreakLines(const std::vector<TElement>& elements, const TBreakOptions& options);

}  // namespace folivar::make
