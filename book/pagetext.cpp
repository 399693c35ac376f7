#include "book/pagetext.h"

#include <utf8proc.h>

#include "book/bookstyle.h"
#include "book/paraclasses.h"
#include "core/strutil.h"
#include "display/anchorz.h"

namespace folivar {

namespace {

bool Letter(char16_t c) {
  const utf8proc_category_t category = utf8proc_category(static_cast<utf8proc_int32_t>(c));
  return category >= UTF8PROC_CATEGORY_LU && category <= UTF8PROC_CATEGORY_LO;
}

// The kind of the item's style, inline: a book's text is read item by item.
uint8_t KindOf(const TViewItem& item) { return StyleKind(item.Style()); }

// Marks show nothing and are left out of the line's ends: style kinds 0 and 3, and the zero-width
// mark (the compiler's zero-width space and word joiner).
bool Mark(const TViewItem& item) {
  if (item.Style() == kPageReferenceStyle) return false;
  return KindOf(item) == kKindNone || KindOf(item) == kKindJustify ||
         (KindOf(item) == kKindCharacter && item.Code() == kZeroWidth);
}

// Appends what the item shows, the page's text of it, and returns how many code units that is.
size_t AppendShown(const TViewItem& item, TTextEncoding encoding, std::u16string& out) {
  if (item.Style() == kPageReferenceStyle) {
    if (!IsAnchor(item.Code())) return 0;
    const std::string number = IntToText(AnchorPage(item.Code()));
    out.append(number.begin(), number.end());
    return number.size();
  }
  if (KindOf(item) != kKindCharacter || item.Code() == kZeroWidth) return 0;
  if (item.Code() == kFixedSpace || item.Code() == kSpace) {
    out += u' ';
    return 1;
  }
  const char16_t c = ItemCodeUnit(item.Code(), encoding);
  // Controls would break the lines and pages apart; the reader shows them as a missing glyph.
  out += c < 0x20 || (c >= 0x7F && c < 0xA0) ? u'\uFFFD' : c;
  return 1;
}

TTextLine LineText(const TLine& line, TItemPlace place, TTextEncoding encoding) {
  TTextLine out;
  out.text.reserve(line.items.size());
  out.places.reserve(line.items.size());
  bool first = true;
  for (size_t i = 0; i < line.items.size(); ++i) {
    const TViewItem& item = line.items[i];
    if (Mark(item)) continue;
    const size_t at = out.text.size();
    const size_t shown = AppendShown(item, encoding, out.text);
    place.item = static_cast<int32_t>(i);
    for (size_t k = 0; k < shown; ++k) out.places.push_back(place);
    if (first) {
      out.letterStart = KindOf(item) == kKindCharacter && item.Style() != kPageReferenceStyle && shown == 1 &&
                        Letter(out.text[at]);
      first = false;
    }
  }
  // The compiler marks the hyphen it adds at a line's end with a zero-width item after it; a
  // word's own hyphen at the end of a line carries no mark and stays.
  const size_t n = line.items.size();
  out.hyphenEnd =
      n >= 2 && KindOf(line.items[n - 1]) == kKindCharacter && line.items[n - 1].Code() == kZeroWidth &&
      line.items[n - 1].Style() != kPageReferenceStyle && KindOf(line.items[n - 2]) == kKindCharacter &&
      line.items[n - 2].Style() != kPageReferenceStyle &&
      ItemCodeUnit(line.items[n - 2].Code(), encoding) == u'-';
  return out;
}

}  // namespace

std::vector<TTextLine> PageLines(const TPage& page, int32_t pageIndex, TTextEncoding encoding) {
  std::vector<TTextLine> lines;
  lines.reserve(page.lines.size());
  for (size_t i = 0; i < page.lines.size(); ++i) {
    lines.push_back(LineText(*page.lines[i], {pageIndex, static_cast<int32_t>(i), 0}, encoding));
  }
  return lines;
}

size_t JoinBrokenWords(std::vector<TTextLine>& lines) {
  size_t open = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    size_t j = i + 1;
    while (lines[i].hyphenEnd && j < lines.size() && lines[j].letterStart) {
      TTextLine& first = lines[i];
      TTextLine& next = lines[j];
      first.hyphenEnd = false;
      // The hyphen is the last code unit: a hyphen item shows one.
      first.text.pop_back();
      first.places.pop_back();
      const size_t space = next.text.find(u' ');
      const size_t moved = space == std::u16string::npos ? next.text.size() : space;
      first.text.append(next.text, 0, moved);
      first.places.insert(first.places.end(), next.places.begin(), next.places.begin() + moved);
      if (space != std::u16string::npos) {
        next.text.erase(0, space + 1);
        next.places.erase(next.places.begin(), next.places.begin() + space + 1);
        break;
      }
      // The whole line was the word's middle: it may end in a hyphen of the compiler again.
      next.text.clear();
      next.places.clear();
      first.hyphenEnd = next.hyphenEnd;
      next.hyphenEnd = false;
      ++j;
    }
    if (lines[i].hyphenEnd && j == lines.size()) open = i;
  }
  return open;
}

std::u16string CopyText(const std::vector<const TPage*>& pages, TTextEncoding encoding,
                        std::u16string_view lineEnd) {
  std::vector<TTextLine> lines;
  for (const TPage* page : pages) {
    if (!page) continue;
    std::vector<TTextLine> more = PageLines(*page, 0, encoding);
    lines.insert(lines.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  }
  std::vector<bool> hadText(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) hadText[i] = !lines[i].text.empty();
  JoinBrokenWords(lines);
  std::u16string out;
  bool firstLine = true;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::u16string& text = lines[i].text;
    if (hadText[i] && text.empty()) continue;
    while (!text.empty() && text.back() == u' ') text.pop_back();
    if (!firstLine) out += lineEnd;
    out += text;
    firstLine = false;
  }
  return out;
}

}  // namespace folivar
