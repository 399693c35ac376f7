// Pages, lines and items. A page is stored already laid out: a list of lines, each with its
// measures and alignment, each a list of items (a character, a picture or a control mark, with a
// style). Page record (the unpacked content of a page block):
//
//   i16 background | i32 L | L lines:
//     i32 width | i32 height | i32 ascent | i32 descent | i32 leftIndent | i32 rightIndent |
//     u8 alignment | i32 K | K items: u16 code, u16 style
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/myclasses.h"

namespace folivar {

class TImageItem;

enum : uint8_t { kJustify = 0, kAlignLeft = 1, kAlignCentre = 2, kAlignRight = 3 };

constexpr uint16_t kSpace = 32;
constexpr uint16_t kFixedSpace = 31;  // as wide as a space, never widened, draws nothing
constexpr uint16_t kZeroWidth = 150;  // width 0, draws nothing

class TViewItem {
 public:
  TViewItem() = default;
  TViewItem(uint16_t code, uint16_t style) : code_(code), style_(style) {}

  uint16_t Code() const { return code_; }
  uint16_t Style() const { return style_; }
  void SetCode(uint16_t c);
  void SetStyle(uint16_t s);
  uint8_t Kind() const;
  // The picture of a picture item (kinds 2 and 4); an empty one for numbers outside the list.
  TImageItem& Picture() const;
  bool IsChar(uint16_t c) const;

  // The advance width, measured on the current surface and cached in one signed byte.
  int32_t Width();
  int32_t Height() const;
  int32_t Ascent() const;

  // The cached width, -1 when not yet measured; justification widens spaces through it.
  int8_t MeasuredWidth() const { return measuredWidth_; }
  void SetMeasuredWidth(int8_t w) { measuredWidth_ = w; }

 private:
  int8_t measuredWidth_ = -1;
  uint16_t code_ = 0;
  uint16_t style_ = 0;
};

class TLine {
 public:
  explicit TLine(uint8_t align = kJustify) : alignment(align) {}

  // Held by value: a page has thousands of items. The item map points into this vector, so it
  // is not changed while a drawing of the line may be clicked.
  std::vector<TViewItem> items;
  int32_t width = 0;
  int32_t height = 0;
  int32_t top = 0;  // y of the line's top when last drawn
  int32_t ascent = 0;
  int32_t descent = 0;
  uint8_t alignment;
  int32_t leftIndent = 0;
  int32_t rightIndent = 0;

  // Style-0 codes 1 to 4 set the alignment first, code 13 is not stored; then the item is
  // appended and its width added.
  void AddItem(TViewItem item);
  // width := the sum of the item widths, without a trailing space (kept within 2^30 either way,
  // as AddItem keeps it).
  void UpdateWidth();
  // Copies the measures and makes new items with the other's codes and styles.
  void Assign(const TLine& other);
};

class TPage {
 public:
  std::vector<std::unique_ptr<TLine>> lines;
  int32_t offset = 0;  // of the page block in the book image; 0 when not read from it
  uint8_t unloaded = 0;
  int16_t background = -1;

  // Decodes the page's block from source; a block or record that cannot be read makes the page a
  // copy of substitute (nothing when there is none).
  void DecodePage(const TPage* substitute, TFile& source);
  // Copies the substitute's background and a deep copy of its lines.
  void Assign(const TPage& substitute);
  // Gives the lines of a decoded page back; the next use decodes it again.
  void Release();
};

// Decodes a page record into page. Raises TBookDamaged when the record does not hold what its
// counts say, a line's measure lies beyond kMaxPageSize pixels or the lines together move more
// than 2^30 pixels down (or up) the page; page is then left without lines.
void ReadPageRecord(TMemFile& record, TPage& page);

}  // namespace folivar
