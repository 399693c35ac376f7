// The keyboard's way to the links of the pages shown: Tab and Shift+Tab move a focus over the
// links and page references in reading order (line by line, the left page before the right one),
// going round at either end; Enter follows the focused one. A link whose items run on (one style
// over several words, over a line break too) is one stop, framed line by line. The focus is gone
// when the pages shown change.
#pragma once

#include <cstdint>
#include <vector>

#include "reader/itemboxes.h"

namespace folivar {

class TPage;

// An item of the pages shown in reading order: its page, its box, and the link it belongs to
// (kNoLink for an item that is not clickable; consecutive items with the same link are one stop).
struct TLinkItem {
  static constexpr int32_t kNoLink = -1;
  int32_t page = 0;
  TItemBox box;
  int32_t link = kNoLink;
};

struct TLinkStop {
  int32_t page = 0;
  int32_t line = 0;  // of the first item, which a click on the link would hit
  int32_t item = 0;
  std::vector<TItemBox> frames;  // one per line the link covers
};

// The stops of items in reading order.
std::vector<TLinkStop> GroupLinkStops(const std::vector<TLinkItem>& items);

// The items of a drawn page with their links: a style's link (its style number), or a page
// reference to an existing anchor (a stop of its own).
void AddPageLinks(TPage& page, int32_t pageIndex, const TPageFrame& frame,
                  std::vector<TLinkItem>& items);

class TLinkFocus {
 public:
  void SetStops(std::vector<TLinkStop> stops);
  // Tab (forward) or Shift+Tab: the next or previous stop, the first or last when none has the
  // focus; false when there is no link.
  bool Move(bool forward);
  void Clear();
  // The focused stop; null when none is.
  const TLinkStop* Focused() const;
  bool Empty() const { return stops_.empty(); }

 private:
  std::vector<TLinkStop> stops_;
  int32_t at_ = -1;
};

}  // namespace folivar
