#include "tools/import/pandoctree.h"

#include <algorithm>
#include <stdexcept>

#include "tools/import/artfiles.h"
#include "tools/import/bookindex.h"
#include "tools/import/bookmeta.h"
#include "tools/import/chapterwriter.h"
#include "tools/import/langguess.h"
#include "tools/import/mdtext.h"
#include "tools/import/pandocjson.h"

namespace folivar::bookimport {

namespace {

// The book's order: pandoc's sections opened, the title page, cover and table of contents found,
// the chapters cut at the top-level headings (and an EPUB's files) and handed to the writer.
class TConverter {
 public:
  explicit TConverter(const TImportOptions& o) : options_(o), art_(o.mediaDir) {}

  TImportedBook Run(const json& doc) {
    if (!doc.is_object() || !doc.contains("blocks") || !doc["blocks"].is_array()) {
      throw std::runtime_error("pandoc's output is not a document tree");
    }
    epub_ = options_.format == "epub";
    static const json kNone = json::object();
    const json& meta = doc.contains("meta") ? doc["meta"] : kNone;
    TBookMeta m = ReadBookMeta(meta, options_.fileStem, book_.warnings);
    const bool titleGiven =
        !MetaText(meta.is_object() && meta.contains("title") ? meta["title"] : json()).empty();
    if (m.language.empty()) {
      std::string text;
      AllText(doc["blocks"], text);
      m.language = GuessLanguage(text);
      book_.warnings.push_back(m.language.empty()
                                   ? "the book names no language, and its text does not tell: no language set"
                                   : "the book names no language: \"" + m.language + "\" from its words");
    }
    language_ = m.language;

    index_.Collect(doc["blocks"]);
    std::vector<TItem> items;
    Flatten(doc["blocks"], items);
    FindCover(meta, items);
    DropTitleHeading(items, m, titleGiven);
    FindContents(items);
    if (epub_) index_.PairLostNoteMarks(items);
    Split(items);

    book_.title = m.title;
    book_.author = m.author;
    book_.publisher = m.publisher;
    book_.edition = m.edition;
    book_.language = m.language;
    book_.pictures = art_.Pictures();
    return std::move(book_);
  }

 private:
  static void AllText(const json& x, std::string& text) {
    if (x.is_array()) {
      for (const json& y : x) AllText(y, text);
    } else if (Type(x) == "Str") {
      text += Str(C(x)) + " ";
    } else if (x.is_object() && x.contains("c")) {
      AllText(x["c"], text);
    }
  }

  // ---- the order of the book --------------------------------------------------------------

  void Flatten(const json& blocks, std::vector<TItem>& items) {
    for (const json& b : blocks) {
      const std::string file = epub_ ? FileMarker(b) : "";
      if (!file.empty()) {
        items.push_back({TItem::kFile, nullptr, file});
        continue;
      }
      if (Type(b) == "Div") {
        const json& attr = At(C(b), 0);
        const std::string id = AttrId(attr);
        if (id == "title-block-header") continue;  // the title page pandoc's HTML writer adds
        if (ContainsHeader(At(C(b), 1)) && !index_.IsNoteBody(id)) {
          const json& inner = At(C(b), 1);
          if (!id.empty()) {
            if (!inner.empty() && Type(inner[0]) == "Header" && AttrId(At(C(inner[0]), 1)).empty()) {
              index_.SetHeaderId(&inner[0], id);
            } else {
              items.push_back({TItem::kAnchor, nullptr, id});
            }
          }
          Flatten(inner, items);
          continue;
        }
      }
      items.push_back({TItem::kBlock, &b, ""});
    }
  }

  // The cover: pandoc's metadata "cover-image", or the picture pandoc's EPUB reader sets before
  // the first file of the book (the one the package marks as cover). A file of the book named as
  // the cover page holds nothing else to keep.
  void FindCover(const json& meta, std::vector<TItem>& items) {
    std::string src = meta.is_object() && meta.contains("cover-image") ? MetaText(meta["cover-image"]) : "";
    if (epub_) {
      for (size_t i = 0; i < items.size() && items[i].kind != TItem::kFile; ++i) {
        const json* image = items[i].block ? LonePicture(*items[i].block) : nullptr;
        if (!image) continue;
        if (src.empty()) src = Str(At(At(C(*image), 2), 0));
        items.erase(items.begin() + static_cast<long>(i));
        break;
      }
      for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].kind != TItem::kFile || items[i].id.find("cover") == std::string::npos) continue;
        size_t end = i + 1;
        bool text = false;
        for (; end < items.size() && items[end].kind != TItem::kFile; ++end) {
          if (items[end].block && HoldsText(*items[end].block) && !LonePicture(*items[end].block))
            text = true;
        }
        if (!text && !src.empty())
          items.erase(items.begin() + static_cast<long>(i) + 1, items.begin() + static_cast<long>(end));
      }
    }
    if (src.empty()) return;
    std::string reason;
    book_.cover = art_.Use(src, reason);
    if (book_.cover.empty()) book_.warnings.push_back("the cover is left out: " + reason);
  }

  // The inlines of a paragraph-like block (for telling whether it holds text).
  // A heading that only repeats the book's title at the top (FB2's body title, pandoc's title
  // block) is the title page: book.toml holds the title.
  void DropTitleHeading(std::vector<TItem>& items, TBookMeta& m, bool titleGiven) {
    size_t first = 0;
    while (first < items.size() && items[first].kind != TItem::kBlock) ++first;
    if (first == items.size() || Type(*items[first].block) != "Header") return;
    const json& h = *items[first].block;
    const int level = At(C(h), 0).is_number() ? At(C(h), 0).get<int>() : 1;
    const std::string text = InlinesText(At(C(h), 2));
    int same = 0, deeper = 0;
    for (const TItem& it : items) {
      if (it.kind != TItem::kBlock || Type(*it.block) != "Header") continue;
      const int l = At(C(*it.block), 0).get<int>();
      if (l == level) ++same;
      if (l > level) ++deeper;
    }
    const bool isTitle =
        HasClass(At(C(h), 1), "title") || (same == 1 && deeper > 0 && (!titleGiven || text == m.title));
    if (!isTitle || text.empty()) return;
    if (!titleGiven) {
      m.title = ShortenAtWord(text, 255);
      book_.warnings.erase(
          std::remove_if(book_.warnings.begin(), book_.warnings.end(),
                         [](const std::string& w) { return w.rfind("the book names no title", 0) == 0; }),
          book_.warnings.end());
    }
    items.erase(items.begin() + static_cast<long>(first));
  }

  // A list whose every item is one link into the book (nested lists alike): a table of contents.
  bool IsLinkList(const json& b, int& links) const {
    const std::string t = Type(b);
    if (t != "BulletList" && t != "OrderedList") return false;
    const json& list = t == "BulletList" ? C(b) : At(C(b), 1);
    for (const json& item : list) {
      for (const json& x : item) {
        if (Type(x) == "BulletList" || Type(x) == "OrderedList") {
          if (!IsLinkList(x, links)) return false;
          continue;
        }
        if (!IsLinkParagraph(x)) return false;
        ++links;
      }
    }
    return true;
  }

  bool IsLinkParagraph(const json& x) const {
    if (Type(x) != "Plain" && Type(x) != "Para") return false;
    int n = 0;
    for (const json& in : C(x)) {
      if (IsSpace(in)) continue;
      if (Type(in) != "Link" || index_.Resolve(Str(At(At(C(in), 2), 0))).empty()) return false;
      ++n;
    }
    return n == 1;
  }

  // Where the source holds a table of contents, the compiler makes it: an EPUB always has one
  // (its navigation), a DOCX has a heading in Word's "TOC Heading" style, HTML a list of links
  // before the first heading.
  void FindContents(std::vector<TItem>& items) {
    int headings = 0;
    for (const TItem& it : items)
      if (it.kind == TItem::kBlock && Type(*it.block) == "Header") ++headings;
    if (headings < 2) return;
    bool heading = false;
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].kind != TItem::kBlock) continue;
      const json& b = *items[i].block;
      int links = 0;
      if (Type(b) == "Header" && HasClass(At(C(b), 1), "TOC-Heading")) {
        items[i] = {TItem::kContents, nullptr, InlinesText(At(C(b), 2))};
        while (i + 1 < items.size() && items[i + 1].kind == TItem::kBlock &&
               IsLinkParagraph(*items[i + 1].block)) {
          items.erase(items.begin() + static_cast<long>(i) + 1);
        }
        return;
      }
      // A list of links is the contents only in front of the text, before its first heading.
      if (!heading && IsLinkList(b, links) && links >= 2) {
        items[i] = {TItem::kContents, nullptr, ""};
        return;
      }
      heading = heading || Type(b) == "Header";
    }
    contentsWanted_ = epub_;
  }

  // ---- chapters -----------------------------------------------------------------------------

  struct TPlan {
    std::vector<TItem> items;
    bool heading = false, text = false, contents = false;
    std::string title;
  };

  void Split(const std::vector<TItem>& items) {
    int top = 7;
    for (const TItem& it : items)
      if (it.kind == TItem::kBlock && Type(*it.block) == "Header")
        top = std::min(top, At(C(*it.block), 0).get<int>());
    shift_ = top == 7 ? 0 : top - 1;
    std::vector<TPlan> plans(1);
    for (const TItem& it : items) {
      const bool header = it.kind == TItem::kBlock && Type(*it.block) == "Header";
      const bool topHeader = header && At(C(*it.block), 0).get<int>() == top;
      if ((it.kind == TItem::kFile || topHeader) && plans.back().text) plans.emplace_back();
      TPlan& p = plans.back();
      if (header && !p.heading) {
        p.heading = true;
        p.title = InlinesText(At(C(*it.block), 2));
      }
      if (it.kind == TItem::kContents) p.contents = p.text = true;
      if (it.kind == TItem::kBlock && HoldsText(*it.block)) p.text = true;
      p.items.push_back(it);
    }
    if (!plans.back().text && plans.size() > 1) {
      // Anchors after the last text stay with it.
      for (TItem& it : plans.back().items) plans[plans.size() - 2].items.push_back(it);
      plans.pop_back();
    }
    // A plan without text passes its anchors on to the next one.
    std::vector<TPlan> kept;
    std::vector<TItem> carried;
    for (TPlan& p : plans) {
      if (!p.text) {
        for (TItem& it : p.items)
          if (it.kind != TItem::kBlock) carried.push_back(it);
        continue;
      }
      p.items.insert(p.items.begin(), carried.begin(), carried.end());
      carried.clear();
      kept.push_back(std::move(p));
    }
    if (contentsWanted_) {
      size_t at = 0;
      while (at < kept.size() && !kept[at].heading) ++at;
      TPlan c;
      c.contents = c.text = true;
      c.items.push_back({TItem::kContents, nullptr, ""});
      kept.insert(kept.begin() + static_cast<long>(std::min(at, kept.size())), std::move(c));
    }
    TChapterWriter writer(index_, art_, language_, shift_, options_.format);
    const size_t digits = kept.size() >= 100 ? 3 : 2;
    for (size_t i = 0; i < kept.size(); ++i) {
      std::string number = std::to_string(i + 1);
      number.insert(0, digits - std::min(digits, number.size()), '0');
      std::string slug = FileSlug(kept[i].title, 30);
      if (slug.empty()) slug = kept[i].heading ? "chapter" : kept[i].contents ? "contents" : "opening";
      const std::string name = number + "-" + slug + ".md";
      book_.chapters.push_back({name, writer.Write(kept[i].items, name, book_.warnings)});
    }
  }

  TImportOptions options_;
  TArtFiles art_;
  TBookIndex index_;
  TImportedBook book_;
  bool epub_ = false;
  std::string language_;
  int shift_ = 0;
  bool contentsWanted_ = false;
};

}  // namespace

TImportedBook ConvertPandocTree(const json& doc, const TImportOptions& options) {
  return TConverter(options).Run(doc);
}

}  // namespace folivar::bookimport
