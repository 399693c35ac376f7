// T2D: the item map. A grid as large as the page surface that holds, for every pixel, the
// clickable page item drawn there (none = null). Page drawing fills it; the reader's mouse
// handling reads it. The items belong to their pages: the reader clears the map before the pages
// it was drawn from are released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace folivar {

class TViewItem;

class T2D {
 public:
  T2D(uint32_t width, uint32_t height);

  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  // Stores the item in every cell of the rectangle x1..x2, y1..y2 (inclusive) after clamping the
  // corners into the grid; nothing when the rectangle is empty or wholly outside the grid.
  void Fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TViewItem* item);
  // Every cell to none. Only the cells filled since the last clear are written again, so clearing
  // before each page costs what the page marked, not the whole grid.
  void Clear();
  // The item at (x, y); none outside the grid.
  TViewItem* ItemAt(int32_t x, int32_t y) const;

 private:
  struct TRect {
    int32_t x1, y1, x2, y2;
  };
  void Store(const TRect& r, TViewItem* item);

  uint32_t width_;
  uint32_t height_;
  std::vector<TViewItem*> grid_;  // row-major, top row first
  // What was filled with an item since the last clear; when too many, all is cleared.
  static constexpr std::size_t kMaxDirty = 4096;
  std::vector<TRect> dirty_;
  bool allDirty_ = false;
};

}  // namespace folivar
