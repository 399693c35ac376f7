// TBook: the book in memory. It holds the header and properties, the pages with their offsets,
// the substitute page and the open source stream, and keeps the reader's position: which page
// is current, how pages pair into spreads when the view is wide enough, which pages are decoded.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "book/loading.h"
#include "book/paraclasses.h"
#include "core/ttable.h"

namespace folivar {

class TBook {
 public:
  TBook();
  TBook(const TBook&) = delete;
  TBook& operator=(const TBook&) = delete;

  TBookHeader header;
  ttable properties;
  std::vector<std::unique_ptr<TPage>> pages;
  TPage substitute;
  std::unique_ptr<TFile> source;

  std::function<void()> OnPageChange;
  std::function<void()> OnPastEnd;

  // Before a load: the style table back to its built-ins, the picture list emptied, the first
  // page current.
  void Clear();

  int32_t PageCount() const { return static_cast<int32_t>(pages.size()); }
  int32_t ColumnWidth() const;
  bool TwoPageMode() const;
  // index -1 means the current page.
  bool IsSpreadPage(int32_t index) const;
  bool IsLeftPage(int32_t index) const;
  int32_t AlignToSpread(int32_t index) const;

  int32_t CurrentIndex() const { return current_; }
  // The page to show alone or on the left, decoded on first use.
  TPage& CurrentPage();
  // The page after the current one, decoded; none when the current page is the last.
  TPage* RightPage();

  void GoToPage(int32_t index);
  void NextPage();
  void PreviousPage();
  void FirstPage() { GoToPage(0); }
  void LastPage() { GoToPage(PageCount() - 1); }
  bool AtLastView() const;

 private:
  TPage& Decoded(int32_t index);
  // The first page of the spreads, never below page 0: were it negative, page 0 would count as a
  // right page and aligning it would ask for page -1.
  int32_t FirstSpread() const { return header.firstSpreadPage < 0 ? 0 : header.firstSpreadPage; }

  int32_t current_ = 0;
};

}  // namespace folivar
