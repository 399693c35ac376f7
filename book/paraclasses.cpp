#include "book/paraclasses.h"

#include <algorithm>
#include <string>

#include "book/bookstyle.h"
#include "book/loading.h"
#include "core/checkedread.h"
#include "core/codepage.h"
#include "core/errors.h"
#include "core/strutil.h"
#include "display/surfaces.h"
#include "images/imageclass.h"

namespace folivar {

namespace {

constexpr int32_t kLineRecordSize = 29;
constexpr int32_t kItemRecordSize = 4;
// Far beyond any page, and far enough from the int32 limits that drawing's sums of a line's width
// or of the lines' heights cannot overflow: a line is never measured wider, and the lines of a
// page may not move further down (or up) together.
constexpr int64_t kMaxExtent = int64_t{1} << 30;

int32_t ClampExtent(int64_t v) { return static_cast<int32_t>(std::clamp(v, -kMaxExtent, kMaxExtent)); }

}  // namespace

void TViewItem::SetCode(uint16_t c) {
  code_ = c;
  measuredWidth_ = -1;
}

void TViewItem::SetStyle(uint16_t s) {
  style_ = s;
  measuredWidth_ = -1;
}

uint8_t TViewItem::Kind() const { return StyleKind(style_); }

TImageItem& TViewItem::Picture() const { return ImageAt(code_); }

bool TViewItem::IsChar(uint16_t c) const { return Kind() == kKindCharacter && code_ == c; }

int32_t TViewItem::Width() {
  if (measuredWidth_ != -1) return measuredWidth_;
  const uint8_t kind = Kind();
  if (kind == kKindImage || kind == kKindImgChar) return Picture().Width();
  TSurface* surface = CurrentSurface();
  int32_t width = 0;
  if (kind == kKindCharacter) {
    if (code_ == kZeroWidth) return 0;
    if (!surface) return 0;
    surface->SelectStyle(style_);
    const char16_t c = code_ == kFixedSpace ? u' ' : ItemCodeUnit(code_, BookEncoding());
    width = surface->TextWidth(std::u16string_view(&c, 1));
  } else if (style_ == kPageReferenceStyle) {
    if (!surface) return 0;
    width = surface->TextWidth(u"0000");
  }
  // The cache is one signed byte; a wider glyph (a very large font) is measured each time.
  if (width >= -1 && width <= 127) measuredWidth_ = static_cast<int8_t>(width);
  return width;
}

int32_t TViewItem::Height() const {
  const uint8_t kind = Kind();
  if (kind == kKindImage || kind == kKindImgChar) return Picture().Height();
  if (kind != kKindCharacter && style_ != kPageReferenceStyle) return 0;
  TSurface* surface = CurrentSurface();
  if (!surface) return 0;
  surface->SelectStyle(style_);
  const char16_t c = ItemCodeUnit(code_, BookEncoding());
  return surface->TextHeight(std::u16string_view(&c, 1));
}

int32_t TViewItem::Ascent() const {
  const uint8_t kind = Kind();
  if (kind == kKindImage || kind == kKindImgChar) return Picture().ascent;
  if (kind != kKindCharacter && style_ != kPageReferenceStyle) return 0;
  return GetStyle(style_).FontAscent();
}

void TLine::AddItem(TViewItem item) {
  if (item.Style() == 0) {
    switch (item.Code()) {
      case 1: alignment = kAlignLeft; break;
      case 2: alignment = kAlignRight; break;
      case 3: alignment = kAlignCentre; break;
      case 4: alignment = kJustify; break;
      case 13: return;
      default: break;
    }
  }
  width = ClampExtent(int64_t{width} + item.Width());
  items.push_back(item);
}

void TLine::UpdateWidth() {
  int64_t sum = 0;
  for (TViewItem& item : items) sum += item.Width();
  if (!items.empty() && items.back().IsChar(kSpace)) sum -= items.back().Width();
  width = ClampExtent(sum);
}

void TLine::Assign(const TLine& other) {
  width = other.width;
  height = other.height;
  ascent = other.ascent;
  descent = other.descent;
  alignment = other.alignment;
  leftIndent = other.leftIndent;
  rightIndent = other.rightIndent;
  items.clear();
  items.reserve(other.items.size());
  for (const TViewItem& item : other.items) items.emplace_back(item.Code(), item.Style());
}

void ReadPageRecord(TMemFile& record, TPage& page) {
  TCheckedReader r(record, "a page record");
  page.lines.clear();
  page.background = static_cast<int16_t>(r.Word("the background of a page"));
  const int32_t lineCount = r.Count("the line count", kLineRecordSize);
  std::vector<std::unique_ptr<TLine>> lines;
  lines.reserve(static_cast<size_t>(lineCount));
  std::vector<uint8_t> items;
  int64_t extent = 0;
  for (int32_t i = 0; i < lineCount; ++i) {
    const int32_t at = r.Position();
    auto line = std::make_unique<TLine>(kJustify);
    line->width = ReadPixels(r, "the width of a line");
    line->height = ReadPixels(r, "the height of a line");
    line->ascent = ReadPixels(r, "the ascent of a line");
    line->descent = ReadPixels(r, "the descent of a line");
    line->leftIndent = ReadPixels(r, "the left indent of a line");
    line->rightIndent = ReadPixels(r, "the right indent of a line");
    line->alignment = r.Byte("the alignment of a line");
    extent += int64_t{line->ascent} + line->descent;
    if (extent < -kMaxExtent || extent > kMaxExtent) {
      r.Fail(at, "the lines of a page", "move " + IntToText(extent) + " pixels down the page,");
    }
    const int32_t itemCount = r.Count("the item count", kItemRecordSize);
    // The count is checked against what follows, so the items are read as one block.
    items.resize(static_cast<size_t>(itemCount) * size_t{kItemRecordSize});
    r.Read(items.data(), itemCount * kItemRecordSize, "the items of a line");
    line->items.reserve(static_cast<size_t>(itemCount));
    for (size_t k = 0; k + 3 < items.size(); k += kItemRecordSize) {
      line->items.emplace_back(static_cast<uint16_t>(items[k] | items[k + 1] << 8),
                               static_cast<uint16_t>(items[k + 2] | items[k + 3] << 8));
    }
    lines.push_back(std::move(line));
  }
  page.lines = std::move(lines);
}

void TPage::DecodePage(const TPage* substitute, TFile& source) {
  unloaded = 0;
  try {
    TMemFile record;
    ReadPageBlock(source, offset, record);
    ReadPageRecord(record, *this);
    return;
  } catch (const TBookDamaged&) {
  } catch (const TIOError&) {
  }
  lines.clear();
  background = -1;
  if (substitute) Assign(*substitute);
}

void TPage::Assign(const TPage& substitute) {
  background = substitute.background;
  lines.clear();
  lines.reserve(substitute.lines.size());
  for (const auto& line : substitute.lines) {
    auto copy = std::make_unique<TLine>(line->alignment);
    copy->Assign(*line);
    lines.push_back(std::move(copy));
  }
}

void TPage::Release() {
  if (offset == 0 || unloaded == 1) return;
  unloaded = 1;
  lines.clear();
  lines.shrink_to_fit();
}

}  // namespace folivar
