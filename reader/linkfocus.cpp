#include "reader/linkfocus.h"

#include <utility>

#include "book/bookstyle.h"
#include "book/paraclasses.h"
#include "display/anchorz.h"

namespace folivar {

std::vector<TLinkStop> GroupLinkStops(const std::vector<TLinkItem>& items) {
  std::vector<TLinkStop> stops;
  int32_t openLink = TLinkItem::kNoLink;
  int32_t openPage = -1;
  for (const TLinkItem& it : items) {
    if (it.link == TLinkItem::kNoLink) {
      openLink = TLinkItem::kNoLink;
      continue;
    }
    if (it.link != openLink || it.page != openPage) {
      stops.push_back({it.page, it.box.line, it.box.item, {it.box}});
      openLink = it.link;
      openPage = it.page;
      continue;
    }
    TItemBox& frame = stops.back().frames.back();
    if (frame.line == it.box.line) {
      if (it.box.right > frame.right) frame.right = it.box.right;
    } else {
      stops.back().frames.push_back(it.box);
    }
  }
  return stops;
}

void AddPageLinks(TPage& page, int32_t pageIndex, const TPageFrame& frame,
                  std::vector<TLinkItem>& items) {
  // Page references are stops of their own: numbers below any style's number.
  int32_t reference = -2;
  for (const TItemBox& box : PageItemBoxes(page, frame)) {
    const TViewItem& item =
        page.lines[static_cast<size_t>(box.line)]->items[static_cast<size_t>(box.item)];
    int32_t link = TLinkItem::kNoLink;
    if (item.Style() == kPageReferenceStyle) {
      if (IsAnchor(item.Code())) link = reference--;
    } else if (!GetStyle(item.Style()).link.empty()) {
      link = item.Style();
    }
    items.push_back({pageIndex, box, link});
  }
}

void TLinkFocus::SetStops(std::vector<TLinkStop> stops) {
  stops_ = std::move(stops);
  at_ = -1;
}

bool TLinkFocus::Move(bool forward) {
  const auto n = static_cast<int32_t>(stops_.size());
  if (n == 0) return false;
  if (at_ < 0) {
    at_ = forward ? 0 : n - 1;
  } else {
    at_ = (at_ + (forward ? 1 : n - 1)) % n;
  }
  return true;
}

void TLinkFocus::Clear() {
  stops_.clear();
  at_ = -1;
}

const TLinkStop* TLinkFocus::Focused() const {
  return at_ >= 0 && at_ < static_cast<int32_t>(stops_.size()) ? &stops_[static_cast<size_t>(at_)]
                                                                : nullptr;
}

}  // namespace folivar
