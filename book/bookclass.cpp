#include "book/bookclass.h"

#include <algorithm>
#include <climits>

#include "book/bookstyle.h"
#include "images/imageclass.h"

namespace folivar {

TBook::TBook() { InitTable(properties, {"value"}); }

void TBook::Clear() {
  ResetStyles();
  FreeImages();
  current_ = 0;
}

int32_t TBook::ColumnWidth() const {
  // A damaged header's fields must not overflow the arithmetic.
  const int64_t width = int64_t{header.pageWidth} - header.leftMargin - header.rightMargin;
  return static_cast<int32_t>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
}

bool TBook::TwoPageMode() const { return int64_t{2} * ColumnWidth() < header.viewWidth; }

bool TBook::IsSpreadPage(int32_t index) const {
  if (index == -1) index = current_;
  return index >= FirstSpread() && TwoPageMode();
}

bool TBook::IsLeftPage(int32_t index) const {
  return !(TwoPageMode() && index > FirstSpread() &&
           (int64_t{index} - FirstSpread()) % 2 != 0);
}

int32_t TBook::AlignToSpread(int32_t index) const {
  if (index >= FirstSpread() && TwoPageMode() &&
      (int64_t{index} - FirstSpread()) % 2 != 0) {
    return index - 1;
  }
  return index;
}

TPage& TBook::Decoded(int32_t index) {
  TPage& page = *pages[static_cast<size_t>(index)];
  if (page.unloaded) page.DecodePage(&substitute, *source);
  return page;
}

TPage& TBook::CurrentPage() {
  // A book without pages shows its substitute page.
  if (current_ < 0 || current_ >= PageCount()) return substitute;
  return Decoded(current_);
}

TPage* TBook::RightPage() {
  if (current_ < 0 || current_ + 1 >= PageCount()) return nullptr;
  return &Decoded(current_ + 1);
}

void TBook::GoToPage(int32_t index) {
  if (pages.empty()) return;
  const int32_t last = PageCount() - 1;
  if (index < 0) index = 0;
  if (index > last) {
    if (OnPastEnd) OnPastEnd();
    return;
  }
  if (current_ > last) current_ = 0;
  if (index == current_) return;
  if (!IsLeftPage(index)) index -= 1;
  pages[static_cast<size_t>(current_)]->Release();
  if (current_ < last) pages[static_cast<size_t>(current_) + 1]->Release();
  current_ = index;
  if (OnPageChange) OnPageChange();
}

void TBook::NextPage() {
  const int32_t step = TwoPageMode() && IsSpreadPage(current_) ? 2 : 1;
  GoToPage(current_ + step);
}

void TBook::PreviousPage() {
  const int32_t step = TwoPageMode() && current_ > FirstSpread() ? 2 : 1;
  GoToPage(current_ - step);
}

bool TBook::AtLastView() const {
  int32_t h = PageCount() - 1;
  if (!IsLeftPage(h)) h -= 1;
  return h <= current_;
}

}  // namespace folivar
