// Breaking the laid-out lines into pages: each page is filled to the bottom margin, except where
// that would leave the first line of a paragraph alone at the bottom (an orphan), its last line
// alone at the top of the next page (a widow), or a heading (or the lines beside a drop cap)
// apart from what follows it. Spacing lines vanish at the top of a page.
#pragma once

#include <cstdint>
#include <vector>

#include "book/bookwriter.h"

namespace folivar::make {

struct TPageLine {
  TLineRecord record;
  std::vector<int32_t> anchors;  // anchor numbers that land on this line's page
  bool spacing = false;        // vertical space: dropped at the top of a page
  bool keepWithNext = false;   // headings, and the lines beside a drop cap but the last
  bool newPage = false;        // begins a page (a chapter, a page break)
  int32_t paragraph = -1;      // lines of one paragraph share a number
  int32_t index = 0, count = 1;  // position in the paragraph, and its number of lines
};

struct TPageOfLines {
  std::vector<size_t> lines;     // indices into the lines given
  std::vector<int32_t> anchors;  // of these lines and of spacing dropped before them
};

// Pages of at most `height` pixels of lines. A line taller than a page gets a page of its own.
std::vector<TPageOfLines> BreakPages(const std::vector<TPageLine>& lines, int32_t height);

}  // namespace folivar::make
