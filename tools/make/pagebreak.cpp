#include "tools/make/pagebreak.h"

namespace folivar::make {

namespace {

// Moves a page break at `end` (the first line of the next page) earlier where a rule asks for it,
// as long as a line of text stays on the page that begins at `start`.
size_t AdjustBreak(const std::vector<TPageLine>& lines, size_t start, size_t end) {
  size_t b = end;
  for (int round = 0; round < 64; ++round) {
    size_t last = b;  // the last line of text before the break
    while (last > start && lines[last - 1].spacing) --last;
    if (last == start) return end;
    --last;
    size_t next = b;  // the first line of text after it
    while (next < lines.size() && lines[next].spacing) ++next;
    if (next == lines.size()) return b;
    const TPageLine& l = lines[last];
    const TPageLine& n = lines[next];
    size_t moved = b;
    if (l.keepWithNext) {
      moved = last;
    } else if (l.paragraph >= 0 && l.paragraph == n.paragraph) {
      // A widow (the last line alone on the next page) or an orphan (the first line alone here).
      if (n.index == n.count - 1 || l.index == 0) moved = last;
    }
    if (moved == b) return b;
    bool text = false;
    for (size_t i = start; i < moved; ++i)
      if (!lines[i].spacing) text = true;
    if (!text) return end;  // not avoidable: the page would hold nothing
    b = moved;
  }
  return b;
}

}  // namespace

std::vector<TPageOfLines> BreakPages(const std::vector<TPageLine>& lines, int32_t height) {
  std::vector<TPageOfLines> pages;
  size_t pos = 0;
  std::vector<int32_t> carried;  // anchors of spacing lines dropped at a page top
  while (pos < lines.size()) {
    TPageOfLines page;
    page.anchors = std::move(carried);
    carried.clear();
    // Spacing never begins a page (the compiler marks no spacing line as one that does).
    while (pos < lines.size() && lines[pos].spacing) {
      page.anchors.insert(page.anchors.end(), lines[pos].anchors.begin(), lines[pos].anchors.end());
      ++pos;
    }
    if (pos >= lines.size()) {
      if (!pages.empty()) {
        pages.back().anchors.insert(pages.back().anchors.end(), page.anchors.begin(), page.anchors.end());
      } else {
        pages.push_back(std::move(page));
      }
      break;
    }
    const size_t start = pos;
    size_t end = start;
    int64_t used = 0;
    while (end < lines.size() && (end == start || !lines[end].newPage) &&
           used + lines[end].record.height <= height) {
      used += lines[end].record.height;
      ++end;
    }
    if (end == start) end = start + 1;  // taller than a page: alone on one
    if (end < lines.size() && !lines[end].newPage) end = AdjustBreak(lines, start, end);
    size_t keep = end;
    while (keep > start + 1 && lines[keep - 1].spacing) {
      --keep;
      carried.insert(carried.end(), lines[keep].anchors.begin(), lines[keep].anchors.end());
    }
    for (size_t i = start; i < keep; ++i) {
      page.lines.push_back(i);
      page.anchors.insert(page.anchors.end(), lines[i].anchors.begin(), lines[i].anchors.end());
    }
    pages.push_back(std::move(page));
    pos = end;
  }
  return pages;
}

}  // namespace folivar::make
