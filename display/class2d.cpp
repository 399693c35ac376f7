#include "display/class2d.h"

#include <algorithm>
#include <cstddef>

namespace folivar {

T2D::T2D(uint32_t width, uint32_t height)
    : width_(width), height_(height), grid_(size_t{width} * height, nullptr) {}

void T2D::Fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TViewItem* item) {
  if (width_ == 0 || height_ == 0) return;
  const int32_t maxX = static_cast<int32_t>(width_) - 1;
  const int32_t maxY = static_cast<int32_t>(height_) - 1;
  // A rectangle wholly outside the grid marks nothing (clamping would mark an edge).
  if (x1 > maxX || y1 > maxY || x2 < 0 || y2 < 0) return;
  x1 = std::clamp(x1, 0, maxX);
  x2 = std::clamp(x2, 0, maxX);
  y1 = std::clamp(y1, 0, maxY);
  y2 = std::clamp(y2, 0, maxY);
  if (x2 < x1 || y2 < y1) return;
  if (item && !allDirty_) {
    if (dirty_.size() < kMaxDirty) {
      dirty_.push_back({x1, y1, x2, y2});
    } else {
      allDirty_ = true;
    }
  }
  Store({x1, y1, x2, y2}, item);
}

void T2D::Clear() {
  if (allDirty_) {
    std::fill(grid_.begin(), grid_.end(), nullptr);
  } else {
    for (const TRect& r : dirty_) Store(r, nullptr);
  }
  dirty_.clear();
  allDirty_ = false;
}

void T2D::Store(const TRect& r, TViewItem* item) {
  for (int32_t y = r.y1; y <= r.y2; ++y) {
    auto row = grid_.begin() + static_cast<std::ptrdiff_t>(size_t{width_} * static_cast<uint32_t>(y));
    std::fill(row + r.x1, row + r.x2 + 1, item);
  }
}

TViewItem* T2D::ItemAt(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || static_cast<uint32_t>(x) >= width_ || static_cast<uint32_t>(y) >= height_)
    return nullptr;
  return grid_[size_t{width_} * static_cast<uint32_t>(y) + static_cast<uint32_t>(x)];
}

}  // namespace folivar
