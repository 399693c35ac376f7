#include "display/drawing.h"

#include <array>
#include <string>
#include <string_view>

#include "book/bookstyle.h"
#include "book/paraclasses.h"
#include "core/codepage.h"
#include "core/strutil.h"
#include "display/anchorz.h"
#include "display/surfaces.h"
#include "images/imageclass.h"

namespace folivar {

namespace {

// Pictures narrower than this in a link style are drawn blended, like glyph pictures.
constexpr int32_t kSmallLinkPicture = 20;

// The characters of one style on one line, waiting to be written in one call. Each advance is the
// distance to the next character; whatever lies between two characters (a widened space, a fixed
// space, a picture, a page number) is carried by the advance of the character before it.
struct TTextRun {
  static constexpr int32_t kCapacity = 256;
  std::array<char16_t, kCapacity> characters{};  // UTF-16 code units
  std::array<int32_t, kCapacity> advances{};
  int32_t count = 0;
  int32_t x = -1;
  int32_t top = -1;
  int32_t lastX = -1;
  int32_t style = 0;
  int32_t pendingAdvance = 0;
};

TTextRun run;

void AppendCharacter(int32_t itemX, int32_t top, TViewItem& item) {
  const char16_t c = ItemCodeUnit(item.Code(), BookEncoding());
  // A run that is full is written and a new one begins at this character.
  if (run.count > 0 && run.count < TTextRun::kCapacity && run.style == item.Style() &&
      run.top == top) {
    run.characters[static_cast<size_t>(run.count)] = c;
    run.advances[static_cast<size_t>(run.count - 1)] = itemX - run.lastX;
    run.lastX = itemX;
    ++run.count;
  } else {
    FlushRun();
    run.x = itemX;
    run.top = top;
    run.lastX = itemX;
    run.style = item.Style();
    run.characters[0] = c;
    run.count = 1;
  }
  run.pendingAdvance = item.Width();
}

void DrawPicture(TSurface& surface, const TViewItem& item, int32_t x, int32_t y, bool blended) {
  TXif& picture = item.Picture().picture;
  if (picture.Width() == 0 || picture.Height() == 0) return;
  picture.Unpack();
  surface.DrawPicture(picture, x, y, blended);
}

}  // namespace

void FlushRun() {
  if (run.count == 0) return;
  TSurface* surface = CurrentSurface();
  if (surface) {
    surface->SelectStyle(run.style);
    run.advances[static_cast<size_t>(run.count - 1)] = run.pendingAdvance;
    surface->WriteRun(std::u16string_view(run.characters.data(), static_cast<size_t>(run.count)), run.x,
                      run.top, run.advances.data());
  }
  run.count = 0;
  run.x = run.top = run.lastX = -1;
}

void DrawPage(int32_t left, int32_t top, TPage* page, int32_t width, int32_t bottom,
              int32_t first) {
  TSurface* surface = CurrentSurface();
  if (!page || page->lines.empty() || !surface) return;
  const int32_t limit = static_cast<int32_t>(surface->Height()) - bottom;
  int32_t y = top;
  for (size_t i = first < 0 ? 0 : static_cast<size_t>(first); i < page->lines.size(); ++i) {
    TLine& line = *page->lines[i];
    if (int64_t{line.height} + y > limit) return;
    DrawLine(left, line, y, width);
  }
}

int32_t LineStart(int32_t left, const TLine& line, int32_t width) {
  switch (line.alignment) {
    case kAlignCentre:
      return left + line.leftIndent + (width - (line.width + line.leftIndent + line.rightIndent)) / 2;
    case kAlignRight:
      return left + line.leftIndent + width - line.width;
    default:
      return left + line.leftIndent;
  }
}

int32_t ItemAdvance(TViewItem& item) {
  int32_t advance = item.Style() == kPageReferenceStyle ? item.Width() : 0;
  switch (GetStyle(item.Style()).kind) {
    case kKindCharacter:
      if (item.Code() == kZeroWidth) break;
      if (item.Code() == kFixedSpace) {
        // As wide as a space of the font selected now.
        if (TSurface* surface = CurrentSurface()) advance += surface->TextWidth(u" ");
        break;
      }
      advance += item.Width();
      break;
    case kKindImage:
    case kKindImgChar:
      advance += item.Width();
      break;
    default:
      break;
  }
  return advance;
}

void DrawLine(int32_t left, TLine& line, int32_t& y, int32_t width) {
  line.top = y;
  line.UpdateWidth();
  if (line.alignment == kJustify) Justify(line, width - line.width - line.leftIndent - line.rightIndent);
  int32_t x = LineStart(left, line, width);
  y += line.ascent;
  for (TViewItem& item : line.items) DrawItem(item, x, y);
  FlushRun();
  y += line.descent;
}

void Justify(TLine& line, int32_t extra) {
  while (extra > 0) {
    bool widened = false;  // the last space of this pass took its pixel
    for (TViewItem& item : line.items) {
      if (!item.IsChar(kSpace)) continue;
      widened = true;
      --extra;
      const int32_t w = item.Width();
      if (w < 127) {
        item.SetMeasuredWidth(static_cast<int8_t>(w + 1));
      } else {
        widened = false;
      }
      if (extra == 0) return;
    }
    if (!widened) return;
  }
}

void DrawItem(TViewItem& item, int32_t& x, int32_t baseline) {
  TSurface* surface = CurrentSurface();
  if (!surface) return;
  const int32_t itemX = x;
  const int32_t top = baseline - item.Ascent();
  if (itemX >= static_cast<int32_t>(surface->Width())) return;

  const TStyle& style = GetStyle(item.Style());
  bool marked = !style.link.empty();
  // A code that names no anchor shows nothing and links nowhere.
  if (item.Style() == kPageReferenceStyle && IsAnchor(item.Code())) {
    surface->WriteText(Cp1251ToUtf16(IntToText(AnchorPage(item.Code()))), itemX, top);  // digits
    marked = true;
  }
  switch (style.kind) {
    case kKindCharacter:
      if (item.Code() == kZeroWidth || item.Code() == kFixedSpace) break;
      if (surface->lastTextStyle != item.Style()) FlushRun();
      AppendCharacter(itemX, top, item);
      surface->lastTextStyle = item.Style();
      break;
    case kKindImage:
      DrawPicture(*surface, item, itemX, top,
                  !style.link.empty() && item.Width() < kSmallLinkPicture);
      break;
    case kKindImgChar:
      DrawPicture(*surface, item, itemX, top, true);
      break;
    default:
      break;
  }
  x = itemX + ItemAdvance(item);
  if (marked && surface->ItemMap()) {
    surface->ItemMap()->Fill(itemX, top, itemX + item.Width(), top + item.Height(), &item);
  }
}

}  // namespace folivar
