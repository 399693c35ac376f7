#include "tools/folivar-info/describe.h"

#include <set>

#include "tools/common/json.h"

namespace folivar {

std::string DescribeBook(const TBookImage& book) {
  const TBookHeader& h = book.header;
  TJson j;
  j.BeginObject();
  j.Key("title").Value(h.title);
  j.Key("author").Value(h.author);
  j.Key("publisher").Value(h.publisher);
  j.Key("edition").Value(h.edition);
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
  j.Key("anchors").BeginArray();
  for (const TAnchor& a : book.anchors) {
    j.BeginObject().Key("name").Value(a.name).Key("page").Value(a.page).EndObject();
  }
  j.EndArray();
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

}  // namespace folivar
