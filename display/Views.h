// tview: the off-screen bitmap of 32-bit pixels 0x00RRGGBB (bytes blue, green, red, 0), rows
// stored bottom-up without gaps (stride = width * 4). Pixel (x, y), y from the top, is at row
// height - 1 - y. Every picture of the program is a tview.
//
// A view is memory only, or has a device context: then its pixels live in a DIB section selected
// into a memory DC of its own (Windows build), so that GDI and the pixel operations share the
// same memory. The device-context operations are in the Windows layer (platform/win32/viewdc.h).
//
// Transfers clip against the destination, as the row cursor arithmetic needs; they also clip
// blocks that would leave the source or start left of or above either view, keeping the pixel
// correspondence, so that only pixels inside both views move and no picture from a book can make
// them touch memory outside a view.
#pragma once

#include <cstdint>
#include <memory>

namespace folivar {

// Where a view's pixels live. The memory store is portable; the Windows layer adds one backed by
// a DIB section in a memory device context.
class TPixelStore {
 public:
  virtual ~TPixelStore() = default;
  virtual uint32_t* Bits() = 0;
  virtual bool HasDC() const = 0;
};

// A store for width x height pixels; with a device context where the platform has one (natively
// there is none and the store is memory). Returns null when the memory cannot be had.
std::unique_ptr<TPixelStore> CreatePixelStore(uint32_t width, uint32_t height, bool withDC);
// The portable store: width x height pixels on the heap, contents undefined until written.
// Returns null when the memory cannot be had or width * height * 4 does not fit in memory.
std::unique_ptr<TPixelStore> CreateMemoryPixelStore(uint32_t width, uint32_t height);

class tview {
 public:
  // The largest sizes a view takes: the stride (width * 4) stays an int32 and every row stays
  // reachable with an int32 y (a DIB section's height is signed 32-bit too).
  static constexpr uint32_t kMaxWidth = 0x7FFFFFFF / 4;
  static constexpr uint32_t kMaxHeight = 0x7FFFFFFF;

  tview() = default;
  tview(uint32_t width, uint32_t height, bool withDC = false) { Allocate(width, height, withDC); }
  tview(const tview&) = delete;
  tview& operator=(const tview&) = delete;
  virtual ~tview();

  // Releases what the view holds, then makes it width x height. 0 in either gives an empty view.
  // A view whose memory cannot be had is left empty (width and height 0), and so is one wider
  // than kMaxWidth or higher than kMaxHeight.
  void Allocate(uint32_t width, uint32_t height, bool withDC);
  void Release();

  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  int32_t Stride() const { return static_cast<int32_t>(width_ * 4); }
  bool HasDC() const { return store_ && store_->HasDC(); }
  uint32_t* Bits() { return bits_; }
  const uint32_t* Bits() const { return bits_; }
  TPixelStore* Store() { return store_.get(); }

  // The row cursor: Locate(x, y) points it at pixel (x, y); NextRow moves it one row down in the
  // picture (one stride back in memory). No bounds check.
  void Locate(int32_t x, int32_t y);
  void NextRow() { cursor_ -= width_; }
  uint32_t* Cursor() { return cursor_; }

  // Pixel (x, y); the caller keeps it inside the view.
  uint32_t& At(uint32_t x, uint32_t y) { return bits_[(height_ - 1 - y) * size_t{width_} + x]; }
  uint32_t At(uint32_t x, uint32_t y) const { return bits_[(height_ - 1 - y) * size_t{width_} + x]; }

  void Fill(uint32_t colour);
  // Rows y1..y2 and columns x1..x2, inclusive; nothing when y2 < y1 or x2 < x1. The rectangle is
  // clipped to the view.
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
  // Fills this whole view with the block of source whose top-left corner is (x, y); the part of
  // the block outside the source is left as it was.
  void CopyFrom(const tview& source, int32_t x, int32_t y);

  void Put(tview& destination, int32_t x, int32_t y) const;
  void PutKeyed(tview& destination, int32_t x, int32_t y, uint32_t key) const;
  void PutBlended(tview& destination, int32_t x, int32_t y, uint32_t key, uint8_t weight) const;
  // The w x h block at (sx, sy) of this view to (x, y) of destination.
  void PutRect(tview& destination, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
               int32_t sy) const;
  void PutRectKeyed(tview& destination, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                    int32_t sy, uint32_t key) const;
  // Weight 255 draws nothing, 0 is PutRectKeyed, others blend with BlendPixelsKeyed.
  void PutRectBlended(tview& destination, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                      int32_t sy, uint32_t key, uint8_t weight) const;

 private:
  std::unique_ptr<TPixelStore> store_;
  uint32_t* bits_ = nullptr;
  uint32_t* cursor_ = nullptr;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
};

}  // namespace folivar
