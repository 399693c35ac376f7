// The pixel views: allocation, the row cursor, fills and the rectangle transfers. Every transfer
// is clipped to both views first and then runs one row routine per row.
#include "display/Views.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <new>

#include "display/ViewAsm.h"

namespace folivar {

namespace {

class TMemoryStore final : public TPixelStore {
 public:
  explicit TMemoryStore(std::unique_ptr<uint32_t[]> pixels) : pixels_(std::move(pixels)) {}
  uint32_t* Bits() override { return pixels_.get(); }
  bool HasDC() const override { return false; }

 private:
  std::unique_ptr<uint32_t[]> pixels_;
};

// A block transfer: the w x h block at (sx, sy) of the source to (x, y) of the destination. 64 bits
// wide, so that no clipping step can overflow whatever int32 values the caller gave.
struct TBlock {
  int64_t x, y, w, h, sx, sy;
};

// Cuts the block to the pixels that lie inside both views, keeping source pixel (sx + i, sy + j)
// on destination pixel (x + i, y + j). False when nothing is left.
bool ClipBlock(TBlock& b, const tview& source, const tview& destination) {
  if (b.x < 0) {
    b.w += b.x;
    b.sx -= b.x;
    b.x = 0;
  }
  if (b.sx < 0) {
    b.w += b.sx;
    b.x -= b.sx;
    b.sx = 0;
  }
  if (b.y < 0) {
    b.h += b.y;
    b.sy -= b.y;
    b.y = 0;
  }
  if (b.sy < 0) {
    b.h += b.sy;
    b.y -= b.sy;
    b.sy = 0;
  }
  b.w = std::min({b.w, int64_t{destination.Width()} - b.x, int64_t{source.Width()} - b.sx});
  b.h = std::min({b.h, int64_t{destination.Height()} - b.y, int64_t{source.Height()} - b.sy});
  return b.w > 0 && b.h > 0;
}

// Applies rowOp(source row, destination row, count) to each row of the clipped block, from the
// top row of the block down. Rows are found by index, so no pointer ever leaves the views.
template <class RowOp>
void Transfer(const tview& source, tview& destination, TBlock b, RowOp rowOp) {
  if (!ClipBlock(b, source, destination)) return;
  const size_t sourceWidth = source.Width();
  const size_t destinationWidth = destination.Width();
  // Memory rows: the picture's row y is memory row height - 1 - y.
  size_t sourceRow = source.Height() - 1 - static_cast<size_t>(b.sy);
  size_t destinationRow = destination.Height() - 1 - static_cast<size_t>(b.y);
  const uint32_t* sourceBits = source.Bits() + static_cast<size_t>(b.sx);
  uint32_t* destinationBits = destination.Bits() + static_cast<size_t>(b.x);
  // The block is no wider than a view, and views are at most kMaxWidth wide.
  const auto count = static_cast<int32_t>(b.w);
  for (int64_t row = 0; row < b.h; ++row) {
    rowOp(sourceBits + sourceRow * sourceWidth, destinationBits + destinationRow * destinationWidth,
          count);
    --sourceRow;
    --destinationRow;
  }
}

}  // namespace

std::unique_ptr<TPixelStore> CreateMemoryPixelStore(uint32_t width, uint32_t height) {
  if (width == 0 || height == 0) return nullptr;
  // At most 2^32 * 2^32 * 4 would not fit 64 bits; the view's own limits keep it far below, but
  // the store checks for itself.
  const uint64_t pixels = uint64_t{width} * height;
  if (pixels > static_cast<uint64_t>(std::numeric_limits<ptrdiff_t>::max()) / sizeof(uint32_t)) {
    return nullptr;
  }
  std::unique_ptr<uint32_t[]> memory(new (std::nothrow) uint32_t[static_cast<size_t>(pixels)]);
  if (!memory) return nullptr;
  return std::make_unique<TMemoryStore>(std::move(memory));
}

tview::~tview() { Release(); }

void tview::Allocate(uint32_t width, uint32_t height, bool withDC) {
  Release();
  if (width == 0 || height == 0 || width > kMaxWidth || height > kMaxHeight) return;
  std::unique_ptr<TPixelStore> store = CreatePixelStore(width, height, withDC);
  if (!store || !store->Bits()) return;
  store_ = std::move(store);
  bits_ = store_->Bits();
  cursor_ = bits_;
  width_ = width;
  height_ = height;
}

void tview::Release() {
  // The store frees its memory, or its DIB section and device context, itself.
  store_.reset();
  bits_ = nullptr;
  cursor_ = nullptr;
  width_ = 0;
  height_ = 0;
}

void tview::Locate(int32_t x, int32_t y) {
  if (!bits_) return;
  const ptrdiff_t row = static_cast<ptrdiff_t>(height_) - 1 - y;
  cursor_ = bits_ + row * static_cast<ptrdiff_t>(width_) + x;
}

void tview::Fill(uint32_t colour) {
  // The rows follow each other without gaps: the whole view is one run, given in pieces that an
  // int32 count can hold.
  uint32_t* p = bits_;
  size_t remaining = size_t{width_} * height_;
  constexpr size_t kPiece = std::numeric_limits<int32_t>::max();
  while (remaining > 0) {
    const size_t n = std::min(remaining, kPiece);
    FillPixels(colour, p, static_cast<int32_t>(n));
    p += n;
    remaining -= n;
  }
}

void tview::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  const int64_t left = std::max<int64_t>(x1, 0);
  const int64_t top = std::max<int64_t>(y1, 0);
  const int64_t right = std::min<int64_t>(x2, int64_t{width_} - 1);
  const int64_t bottom = std::min<int64_t>(y2, int64_t{height_} - 1);
  if (right < left || bottom < top) return;
  const auto count = static_cast<int32_t>(right - left + 1);
  for (int64_t y = top; y <= bottom; ++y) {
    FillPixels(colour, &At(static_cast<uint32_t>(left), static_cast<uint32_t>(y)), count);
  }
}

void tview::CopyFrom(const tview& source, int32_t x, int32_t y) {
  Transfer(source, *this, {0, 0, int64_t{width_}, int64_t{height_}, x, y}, CopyPixels);
}

void tview::Put(tview& destination, int32_t x, int32_t y) const {
  Transfer(*this, destination, {x, y, int64_t{width_}, int64_t{height_}, 0, 0}, CopyPixels);
}

void tview::PutKeyed(tview& destination, int32_t x, int32_t y, uint32_t key) const {
  Transfer(*this, destination, {x, y, int64_t{width_}, int64_t{height_}, 0, 0},
           [key](const uint32_t* s, uint32_t* d, int32_t n) { CopyPixelsKeyed(s, d, n, key); });
}

void tview::PutBlended(tview& destination, int32_t x, int32_t y, uint32_t key,
                       uint8_t weight) const {
  if (weight == 255) return;
  if (weight == 0) {
    PutKeyed(destination, x, y, key);
    return;
  }
  Transfer(*this, destination, {x, y, int64_t{width_}, int64_t{height_}, 0, 0},
           [key, weight](const uint32_t* s, uint32_t* d, int32_t n) {
             BlendPixelsKeyed(s, d, n, key, weight);
           });
}

void tview::PutRect(tview& destination, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                    int32_t sy) const {
  Transfer(*this, destination, {x, y, w, h, sx, sy}, CopyPixels);
}

void tview::PutRectKeyed(tview& destination, int32_t x, int32_t y, int32_t w, int32_t h,
                         int32_t sx, int32_t sy, uint32_t key) const {
  Transfer(*this, destination, {x, y, w, h, sx, sy},
           [key](const uint32_t* s, uint32_t* d, int32_t n) { CopyPixelsKeyed(s, d, n, key); });
}

void tview::PutRectBlended(tview& destination, int32_t x, int32_t y, int32_t w, int32_t h,
                           int32_t sx, int32_t sy, uint32_t key, uint8_t weight) const {
  // The weight is the share of the background: 255 hides the picture, 0 shows it unblended.
  if (weight == 255) return;
  if (weight == 0) {
    PutRectKeyed(destination, x, y, w, h, sx, sy, key);
    return;
  }
  Transfer(*this, destination, {x, y, w, h, sx, sy},
           [key, weight](const uint32_t* s, uint32_t* d, int32_t n) {
             BlendPixelsKeyed(s, d, n, key, weight);
           });
}

}  // namespace folivar
