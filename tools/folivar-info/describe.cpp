#include "tools/folivar-info/describe.h"

#include <set>

#include <utf8proc.h>

#include "book/bookstyle.h"
#include "book/paraclasses.h"
#include "core/codepage.h"
#include "core/strutil.h"
#include "core/ttable.h"
#include "display/anchorz.h"
#include "tools/common/json.h"

namespace folivar {

namespace {

utf8proc_category_t Category(char16_t c) { return utf8proc_category(static_cast<utf8proc_int32_t>(c)); }
bool Letter(char16_t c) { return Category(c) >= UTF8PROC_CATEGORY_LU && Category(c) <= UTF8PROC_CATEGORY_LO; }

// A stored line as text, and what the joining of a broken word asks of its ends.
struct TTextLine {
  std::u16string text;
  bool hyphenEnd = false;    // ends in a hyphen that the compiler added
  bool letterStart = false;  // the first item shows a letter
};

// Marks show nothing and are left out of the line's ends: style kinds 0 and 3, and the zero-width
// mark (the compiler's zero-width space and word joiner).
bool Mark(const TViewItem& item) {
  if (item.Style() == kPageReferenceStyle) return false;
  return item.Kind() == kKindNone || item.Kind() == kKindJustify ||
         (item.Kind() == kKindCharacter && item.Code() == kZeroWidth);
}

// What the item shows: the page's text of it.
std::u16string Shown(const TViewItem& item, TTextEncoding encoding) {
  if (item.Style() == kPageReferenceStyle) {
    return IsAnchor(item.Code()) ? Cp1251ToUtf16(IntToText(AnchorPage(item.Code()))) : u"";
  }
  if (item.Kind() != kKindCharacter || item.Code() == kZeroWidth) return u"";
  if (item.Code() == kFixedSpace || item.Code() == kSpace) return u" ";
  const char16_t c = ItemCodeUnit(item.Code(), encoding);
  // Controls would break the lines and pages apart; the reader shows them as a missing glyph.
  return std::u16string(1, c < 0x20 || (c >= 0x7F && c < 0xA0) ? u'\uFFFD' : c);
}

TTextLine LineText(const TLine& line, TTextEncoding encoding) {
  TTextLine out;
  std::vector<const TViewItem*> shown;
  for (const TViewItem& item : line.items) {
    if (Mark(item)) continue;
    out.text += Shown(item, encoding);
    shown.push_back(&item);
  }
  auto letter = [&](const TViewItem* item) {
    return item->Kind() == kKindCharacter && item->Style() != kPageReferenceStyle &&
           Letter(Shown(*item, encoding)[0]);
  };
  out.letterStart = !shown.empty() && letter(shown.front());
  // The compiler marks the hyphen it adds at a line's end with a zero-width item after it; a
  // word's own hyphen at the end of a line carries no mark and stays.
  const size_t n = line.items.size();
  out.hyphenEnd = n >= 2 && line.items[n - 1].Kind() == kKindCharacter && line.items[n - 1].Code() == kZeroWidth &&
                  line.items[n - 1].Style() != kPageReferenceStyle && line.items[n - 2].Kind() == kKindCharacter &&
                  Shown(line.items[n - 2], encoding) == u"-";
  return out;
}

// Joins the words broken at the ends of lines, each whole on the line where it begins.
void JoinBrokenWords(std::vector<TTextLine>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    for (size_t j = i + 1; lines[i].hyphenEnd && j < lines.size() && lines[j].letterStart;) {
      TTextLine& first = lines[i];
      TTextLine& next = lines[j];
      first.hyphenEnd = false;
      first.text.pop_back();
      const size_t space = next.text.find(u' ');
      first.text += next.text.substr(0, space);
      if (space != std::u16string::npos) {
        next.text.erase(0, space + 1);
        break;
      }
      // The whole line was the word's middle: it may end in a hyphen of the compiler again.
      next.text.clear();
      first.hyphenEnd = next.hyphenEnd;
      next.hyphenEnd = false;
      ++j;
    }
  }
}

}  // namespace

std::string DescribeBook(const TBookImage& book, int32_t styleCount,
                         const std::vector<TPictureDamage>& damaged) {
  const TBookHeader& h = book.header;
  // The encoding is read from the image itself, as the loading sequence reads it.
  const TTextEncoding encoding = EncodingOf(GetValue(book.properties, "encoding"));
  TJson j(encoding);
  j.BeginObject();
  j.Key("title").Value(h.title);
  j.Key("author").Value(h.author);
  j.Key("publisher").Value(h.publisher);
  j.Key("edition").Value(h.edition);
  j.Key("encoding").Value(encoding == TTextEncoding::kUnicode ? "unicode" : "cp1251");
  j.Key("pageWidth").Value(h.pageWidth);
  j.Key("viewWidth").Value(h.viewWidth);
  j.Key("viewHeight").Value(h.viewHeight);
  j.Key("leftMargin").Value(h.leftMargin);
  j.Key("topMargin").Value(h.topMargin);
  j.Key("rightMargin").Value(h.rightMargin);
  j.Key("bottomMargin").Value(h.bottomMargin);
  j.Key("coverImage").Value(h.coverImage);
  j.Key("backgroundImage").Value(h.backgroundImage);
  j.Key("digitImageBase").Value(h.digitImageBase);
  j.Key("glyphBlend").Value(int32_t{h.glyphBlend});
  j.Key("glyphColour").Value(h.glyphColour);
  j.Key("printEnabled").Value(int32_t{h.printEnabled});
  j.Key("firstSpreadPage").Value(h.firstSpreadPage);
  j.Key("spineLine").Value(int32_t{h.spineLine});
  j.Key("spineColour").Value(h.spineColour);
  j.Key("noAbout").Value(h.noAbout);
  j.Key("pages").Value(static_cast<int64_t>(book.pageOffsets.size()) - 1);
  j.Key("pictures").Value(static_cast<int64_t>(book.pictures.size()));
  j.Key("damagedPictures").BeginArray();
  for (const TPictureDamage& d : damaged) {
    j.BeginObject().Key("picture").Value(d.picture).Key("damage").Value(d.damage).EndObject();
  }
  j.EndArray();
  j.Key("anchors").BeginArray();
  for (const TAnchor& a : book.anchors) {
    j.BeginObject().Key("name").Value(a.name).Key("page").Value(a.page).EndObject();
  }
  j.EndArray();
  j.Key("styles").Value(styleCount);
  j.Key("properties").BeginObject();
  // A name stored twice is looked up by its first row, so only that one is shown.
  std::set<std::string> seen{"locale"};
  ttable properties = book.properties;
  ResetCursor(properties);
  while (MoveNext(properties)) {
    if (!seen.insert(CurrentName(properties)).second) continue;
    j.Key(CurrentName(properties)).Value(CurrentValue(properties));
  }
  j.EndObject();
  j.Key("messages").BeginObject();
  seen.clear();
  for (size_t i = 0; i < book.messageKeys.size(); ++i) {
    if (!seen.insert(book.messageKeys[i]).second) continue;
    j.Key(book.messageKeys[i]).Value(book.messageTexts[i]);
  }
  j.EndObject();
  j.EndObject();
  return j.Text();
}

std::string DescribePage(const TPage& page) {
  TJson j;
  j.BeginObject().Key("background").Value(int32_t{page.background}).Key("lines").BeginArray();
  for (const auto& line : page.lines) {
    j.BeginObject();
    j.Key("width").Value(line->width);
    j.Key("height").Value(line->height);
    j.Key("ascent").Value(line->ascent);
    j.Key("descent").Value(line->descent);
    j.Key("leftIndent").Value(line->leftIndent);
    j.Key("rightIndent").Value(line->rightIndent);
    j.Key("alignment").Value(int32_t{line->alignment});
    j.Key("items").BeginArray();
    for (const auto& item : line->items) {
      j.BeginArray().Value(int32_t{item.Code()}).Value(int32_t{item.Style()}).EndArray();
    }
    j.EndArray().EndObject();
  }
  j.EndArray().EndObject();
  return j.Text();
}

std::string DescribeText(const std::vector<std::unique_ptr<TPage>>& pages) {
  const TTextEncoding encoding = BookEncoding();
  std::vector<TTextLine> lines;
  std::vector<size_t> pageEnds;  // the number of lines up to the end of each page
  for (const auto& page : pages) {
    for (const auto& line : page->lines) lines.push_back(LineText(*line, encoding));
    pageEnds.push_back(lines.size());
  }
  JoinBrokenWords(lines);
  std::string out;
  size_t next = 0;
  for (size_t p = 0; p < pageEnds.size(); ++p) {
    if (p > 0) out += "\f\n";
    for (; next < pageEnds[p]; ++next) out += Utf16ToUtf8(lines[next].text) + "\n";
  }
  return out;
}

std::string DescribeStyles() {
  TJson j(BookEncoding());
  j.BeginArray();
  for (int32_t i = 0; i < StyleCount(); ++i) {
    const TStyle& s = GetStyle(i);
    j.BeginObject();
    j.Key("kind").Value(int32_t{s.kind});
    j.Key("face").Value(s.font.faceName);
    j.Key("flags").Value(int32_t{s.font.flags});
    j.Key("size").Value(s.font.size);
    j.Key("colour").Value(s.font.colour);
    j.Key("nameSum").Value(s.font.nameSum);
    j.Key("link").Value(s.link);
    j.EndObject();
  }
  j.EndArray();
  return j.Text();
}

}  // namespace folivar
