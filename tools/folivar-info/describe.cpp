#include "tools/folivar-info/describe.h"

#include <set>

#include "book/bookstyle.h"
#include "book/pagetext.h"
#include "book/paraclasses.h"
#include "core/codepage.h"
#include "core/strutil.h"
#include "core/ttable.h"
#include "display/anchorz.h"
#include "tools/common/json.h"

namespace folivar {

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
    std::vector<TTextLine> more = PageLines(*page, static_cast<int32_t>(pageEnds.size()), encoding);
    lines.insert(lines.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
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
