#include "tools/import/pandoctree.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "tools/import/artfiles.h"
#include "tools/import/bookmeta.h"
#include "tools/import/langguess.h"
#include "tools/import/mdtext.h"

namespace folivar::bookimport {

using nlohmann::json;
using TLines = std::vector<std::string>;

namespace {

const json kEmpty = json::array();

std::string Type(const json& x) { return x.is_object() && x.contains("t") && x["t"].is_string() ? x["t"].get<std::string>() : ""; }
const json& C(const json& x) { return x.is_object() && x.contains("c") ? x["c"] : kEmpty; }
const json& At(const json& x, size_t i) { return x.is_array() && i < x.size() ? x[i] : kEmpty; }
std::string Str(const json& x) { return x.is_string() ? x.get<std::string>() : ""; }

// Pandoc's Attr: [id, [classes], [[key, value]]].
std::string AttrId(const json& attr) { return Str(At(attr, 0)); }
bool HasClass(const json& attr, const std::string& name) {
  for (const json& c : At(attr, 1))
    if (Str(c) == name) return true;
  for (const json& kv : At(attr, 2))
    if (Str(At(kv, 1)) == name || Str(At(kv, 1)) == "doc-" + name) return true;
  return false;
}

// The Attr of a block or inline that has one, else null.
const json* AttrOf(const json& x) {
  const std::string t = Type(x);
  if (t == "Div" || t == "Span" || t == "CodeBlock" || t == "Code" || t == "Link" || t == "Image" ||
      t == "Table" || t == "Figure") {
    return &At(C(x), 0);
  }
  if (t == "Header") return &At(C(x), 1);
  return nullptr;
}

bool IsSpace(const json& in) {
  const std::string t = Type(in);
  return t == "Space" || t == "SoftBreak";
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The file part of an EPUB id ("ch002.xhtml" of "ch002.xhtml#one"), lower case.
bool IsFileName(const std::string& id) {
  std::string s = id;
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return EndsWith(s, ".xhtml") || EndsWith(s, ".html") || EndsWith(s, ".htm") || EndsWith(s, ".xml");
}

// pandoc's EPUB reader marks where each file of the book begins: Para [Span (file, [], []) []].
std::string FileMarker(const json& b) {
  if (Type(b) != "Para" || C(b).size() != 1) return "";
  const json& in = C(b)[0];
  if (Type(in) != "Span" || !At(C(in), 1).empty()) return "";
  const std::string id = AttrId(At(C(in), 0));
  return IsFileName(id) ? id : "";
}

// The one picture of a paragraph that holds nothing else, or null.
const json* LonePicture(const json& b) {
  if (Type(b) != "Para" && Type(b) != "Plain") return nullptr;
  const json* image = nullptr;
  for (const json& in : C(b)) {
    if (IsSpace(in)) continue;
    if (Type(in) != "Image" || image) return nullptr;
    image = &in;
  }
  return image;
}

bool ContainsHeader(const json& blocks) {
  for (const json& b : blocks) {
    if (Type(b) == "Header") return true;
    if (Type(b) == "Div" && ContainsHeader(At(C(b), 1))) return true;
  }
  return false;
}

std::string TrimSpaces(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] == ' ') ++a;
  while (b > a && s[b - 1] == ' ') --b;
  return s.substr(a, b - a);
}

// Spaces (and no-break spaces) at the ends of s, moved out of an emphasis: "*a *" is not one.
void SplitEdges(const std::string& s, std::string& lead, std::string& core, std::string& trail) {
  static const std::string nbsp = "\u00A0";
  size_t a = 0, b = s.size();
  for (;;) {
    if (a < b && s[a] == ' ') ++a;
    else if (s.compare(a, 2, nbsp) == 0 && a + 2 <= b) a += 2;
    else break;
  }
  for (;;) {
    if (b > a && s[b - 1] == ' ') --b;
    else if (b >= a + 2 && s.compare(b - 2, 2, nbsp) == 0) b -= 2;
    else break;
  }
  lead = s.substr(0, a);
  core = s.substr(a, b - a);
  trail = s.substr(b);
}

// A paragraph of asterisks alone ("* * *", "***", "⁂"), or of other such signs, marks a scene break.
bool IsDinkus(const std::string& text) {
  static const std::vector<std::string> kSigns = {"*", "\u2042", "\u2731", "\u273B", "\u2022", "\u00B7", "~", " ",
                                                  "\u00A0"};
  if (text.empty()) return false;
  bool sign = false;
  for (size_t i = 0; i < text.size();) {
    bool found = false;
    for (const std::string& s : kSigns) {
      if (text.compare(i, s.size(), s) != 0) continue;
      sign = sign || (s != " " && s != "\u00A0");
      i += s.size();
      found = true;
      break;
    }
    if (!found) return false;
  }
  return sign;
}

// One item of the book in reading order after the sections are opened: a block, the start of a
// file of an EPUB, an anchor of an opened section, or the place of the table of contents.
struct TItem {
  enum Kind { kBlock, kFile, kAnchor, kContents } kind = kBlock;
  const json* block = nullptr;
  std::string id;  // kFile, kAnchor: the raw id; kContents: its title
};

struct TInline {
  bool italic = false, bold = false, inLink = false, cell = false;
  bool textOnly = false;  // a heading or a picture's description: pictures as their description
};

class TConverter {
 public:
  explicit TConverter(const TImportOptions& o) : options_(o), art_(o.mediaDir, o.sourceDir) {}

  TImportedBook Run(const json& doc) {
    if (!doc.is_object() || !doc.contains("blocks") || !doc["blocks"].is_array()) {
      throw std::runtime_error("pandoc's output is not a document tree");
    }
    epub_ = options_.format == "epub";
    const json& meta = doc.contains("meta") ? doc["meta"] : kEmpty;
    TBookMeta m = ReadBookMeta(meta, options_.fileStem, book_.warnings);
    const bool titleGiven = !MetaText(meta.is_object() && meta.contains("title") ? meta["title"] : json()).empty();
    if (m.language.empty()) {
      std::string text;
      AllText(doc["blocks"], text);
      m.language = GuessLanguage(text);
      book_.warnings.push_back(m.language.empty() ? "the book names no language, and its text does not tell: no language set"
                                                  : "the book names no language: \"" + m.language + "\" from its words");
    }
    language_ = m.language;

    CollectIds(doc["blocks"]);
    CollectNotes(doc["blocks"], false);
    CollectLinks(doc["blocks"]);
    std::vector<TItem> items;
    Flatten(doc["blocks"], items);
    FindCover(meta, items);
    DropTitleHeading(items, m, titleGiven);
    FindContents(items);
    PairLostNoteMarks(items);
    Split(items);

    book_.title = m.title;
    book_.author = m.author;
    book_.publisher = m.publisher;
    book_.edition = m.edition;
    book_.language = m.language;
    book_.pictures = art_.Pictures();
    if (book_.chapters.empty()) book_.warnings.push_back("the book holds no text");
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

  // ---- ids and links ------------------------------------------------------------------------

  std::string Register(const std::string& raw, const std::string& wish) {
    if (auto it = ids_.find(raw); it != ids_.end() && !raw.empty()) return it->second;
    const std::string base = SafeAnchorName(wish);
    std::string name = base;
    for (int n = 2; taken_.count(name); ++n) name = base + "-" + std::to_string(n);
    taken_.insert(name);
    if (!raw.empty()) ids_[raw] = name;
    return name;
  }

  static std::string Wish(const std::string& raw) {
    const size_t hash = raw.rfind('#');
    std::string part = hash == std::string::npos ? raw : raw.substr(hash + 1);
    if (IsFileName(part)) part = part.substr(0, part.rfind('.'));
    return part;
  }

  void CollectIds(const json& x) {
    if (x.is_array()) {
      for (const json& y : x) CollectIds(y);
      return;
    }
    if (!x.is_object()) return;
    if (const json* attr = AttrOf(x)) {
      const std::string id = AttrId(*attr);
      if (!id.empty()) Register(id, Wish(id));
    }
    if (x.contains("c")) CollectIds(x["c"]);
  }

  // The raw id a link target names in this book, or empty.
  std::string Resolve(const std::string& target) const {
    if (target.empty()) return "";
    std::string t = target[0] == '#' ? target.substr(1) : target;
    if (ids_.count(t)) return t;
    if (target[0] != '#' && target.find(':') != std::string::npos) return "";  // a scheme
    // An EPUB's own relative path: "../text/ch003.xhtml#two".
    const size_t slash = t.rfind('/');
    if (slash != std::string::npos) t = t.substr(slash + 1);
    if (ids_.count(t)) return t;
    return "";
  }

  // Pandoc's own writers keep notes apart from the text: a section "footnotes" holding one part
  // with an id for each note, which the mark links to. Such parts, and parts marked as notes,
  // are notes.
  void CollectNotes(const json& x, bool inNotes) {
    if (x.is_array()) {
      for (const json& y : x) CollectNotes(y, inNotes);
      return;
    }
    if (!x.is_object()) return;
    if (Type(x) == "Div") {
      const json& attr = At(C(x), 0);
      const std::string id = AttrId(attr);
      const bool container = HasClass(attr, "footnotes") || HasClass(attr, "endnotes") || Wish(id) == "footnotes";
      if (!id.empty() && !container &&
          (inNotes || HasClass(attr, "footnote") || HasClass(attr, "endnote") || HasClass(attr, "rearnote"))) {
        noteBodies_[id] = &x;
        return;
      }
      CollectNotes(At(C(x), 1), inNotes || container);
      return;
    }
    if (x.contains("c")) CollectNotes(x["c"], inNotes);
  }

  void CollectLinks(const json& x) {
    if (x.is_array()) {
      for (const json& y : x) CollectLinks(y);
      return;
    }
    if (!x.is_object()) return;
    if (Type(x) == "Link") {
      const std::string id = Resolve(Str(At(At(C(x), 2), 0)));
      if (!id.empty()) {
        if (noteBodies_.count(id)) {
          const std::string refId = AttrId(At(C(x), 0));
          if (!refId.empty()) noteRefIds_.insert(refId);
          referencedNotes_.insert(id);
        }
        targeted_.insert(id);
      }
    }
    if (x.contains("c")) CollectLinks(x["c"]);
  }

  bool IsBackLink(const json& link) const {
    const json& attr = At(C(link), 0);
    if (HasClass(attr, "footnote-back") || HasClass(attr, "backlink")) return true;
    const std::string id = Resolve(Str(At(At(C(link), 2), 0)));
    return !id.empty() && noteRefIds_.count(id);
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
        if (ContainsHeader(At(C(b), 1)) && !noteBodies_.count(id)) {
          const json& inner = At(C(b), 1);
          if (!id.empty()) {
            if (!inner.empty() && Type(inner[0]) == "Header" && AttrId(At(C(inner[0]), 1)).empty()) {
              headerIds_[&inner[0]] = id;
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
          if (items[end].block && !InlinesText(AllInlines(*items[end].block)).empty()) text = true;
        }
        if (!text && !src.empty()) items.erase(items.begin() + static_cast<long>(i) + 1, items.begin() + static_cast<long>(end));
      }
    }
    if (src.empty()) return;
    std::string reason;
    book_.cover = art_.Use(src, reason);
    if (book_.cover.empty()) book_.warnings.push_back("the cover is left out: " + reason);
  }

  // The inlines of a paragraph-like block (for telling whether it holds text).
  static json AllInlines(const json& b) {
    const std::string t = Type(b);
    if (t == "Para" || t == "Plain") return C(b);
    if (t == "Header") return At(C(b), 2);
    json out = json::array();
    if (t == "Div") {
      for (const json& x : At(C(b), 1))
        for (const json& in : AllInlines(x)) out.push_back(in);
    }
    if (t == "LineBlock" || t == "BlockQuote" || t == "Table" || t == "CodeBlock" || t == "BulletList" ||
        t == "OrderedList") {
      out.push_back(json{{"t", "Str"}, {"c", "x"}});
    }
    return out;
  }

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
    const bool isTitle = HasClass(At(C(h), 1), "title") || (same == 1 && deeper > 0 && (!titleGiven || text == m.title));
    if (!isTitle || text.empty()) return;
    if (!titleGiven) {
      m.title = ShortenAtWord(text, 255);
      book_.warnings.erase(std::remove_if(book_.warnings.begin(), book_.warnings.end(),
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
      if (Type(in) != "Link" || Resolve(Str(At(At(C(in), 2), 0))).empty()) return false;
      ++n;
    }
    return n == 1;
  }

  // Where the source holds a table of contents, the compiler makes it: an EPUB always has one
  // (its navigation), a DOCX has a heading in Word's "TOC Heading" style, HTML a list of links.
  void FindContents(std::vector<TItem>& items) {
    int headings = 0;
    for (const TItem& it : items)
      if (it.kind == TItem::kBlock && Type(*it.block) == "Header") ++headings;
    if (headings < 2) return;
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].kind != TItem::kBlock) continue;
      const json& b = *items[i].block;
      int links = 0;
      if (Type(b) == "Header" && HasClass(At(C(b), 1), "TOC-Heading")) {
        items[i] = {TItem::kContents, nullptr, InlinesText(At(C(b), 2))};
        while (i + 1 < items.size() && items[i + 1].kind == TItem::kBlock && IsLinkParagraph(*items[i + 1].block)) {
          items.erase(items.begin() + static_cast<long>(i) + 1);
        }
        return;
      }
      if (IsLinkList(b, links) && links >= 2) {
        items[i] = {TItem::kContents, nullptr, ""};
        return;
      }
    }
    contentsWanted_ = epub_;
  }

  // pandoc's EPUB reader drops the mark of a note whose text is not an <aside>, as pandoc's own
  // EPUB writer makes them, leaving an empty Str where the mark stood. In a file where the number
  // of such Strs is the number of note parts nothing links to, the k-th Str is the k-th note.
  void PairLostNoteMarks(const std::vector<TItem>& items) {
    if (!epub_) return;
    size_t start = 0;
    while (start < items.size()) {
      size_t end = start + 1;
      while (end < items.size() && items[end].kind != TItem::kFile) ++end;
      std::vector<const json*> marks, bodies;
      for (size_t i = start; i < end; ++i)
        if (items[i].block) FindLost(*items[i].block, marks, bodies);
      if (!marks.empty() && marks.size() == bodies.size()) {
        for (size_t k = 0; k < marks.size(); ++k) {
          lostMarks_[marks[k]] = bodies[k];
          referencedNotes_.insert(AttrId(At(C(*bodies[k]), 0)));
        }
      }
      start = end;
    }
  }

  void FindLost(const json& x, std::vector<const json*>& marks, std::vector<const json*>& bodies) const {
    if (x.is_array()) {
      for (const json& y : x) FindLost(y, marks, bodies);
      return;
    }
    if (!x.is_object()) return;
    if (Type(x) == "Str" && Str(C(x)).empty()) {
      marks.push_back(&x);
      return;
    }
    if (Type(x) == "Div") {
      const std::string id = AttrId(At(C(x), 0));
      if (noteBodies_.count(id)) {
        if (!referencedNotes_.count(id)) bodies.push_back(&x);
        return;
      }
    }
    if (x.contains("c")) FindLost(x["c"], marks, bodies);
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
      if (it.kind == TItem::kBlock && Type(*it.block) == "Header") top = std::min(top, At(C(*it.block), 0).get<int>());
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
      if (it.kind == TItem::kBlock && !InlinesText(AllInlines(*it.block)).empty()) p.text = true;
      if (it.kind == TItem::kBlock && LonePicture(*it.block)) p.text = true;
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
    const size_t digits = kept.size() >= 100 ? 3 : 2;
    for (size_t i = 0; i < kept.size(); ++i) {
      std::string number = std::to_string(i + 1);
      number.insert(0, digits - std::min(digits, number.size()), '0');
      std::string slug = FileSlug(kept[i].title, 30);
      if (slug.empty()) slug = kept[i].heading ? "chapter" : kept[i].contents ? "contents" : "opening";
      WriteChapter(kept[i], number + "-" + slug + ".md");
    }
  }

  void WriteChapter(const TPlan& plan, const std::string& name) {
    chapter_ = name;
    paragraph_ = 0;
    notes_.clear();
    quiet_.clear();
    std::vector<std::string> parts;
    for (size_t i = 0; i < plan.items.size(); ++i) {
      const TItem& it = plan.items[i];
      if (it.kind == TItem::kFile || it.kind == TItem::kAnchor) {
        if (targeted_.count(it.id)) parts.push_back("<a id=\"" + ids_[it.id] + "\"></a>");
      } else if (it.kind == TItem::kContents) {
        parts.push_back("<!-- align: center -->\n**" + EscapeText(it.id.empty() ? ContentsWord() : it.id) + "**");
        parts.push_back("<!-- contents -->");
      } else {
        const json* next = i + 1 < plan.items.size() && plan.items[i + 1].kind == TItem::kBlock ? plan.items[i + 1].block : nullptr;
        TLines lines;
        if (Block(*it.block, next, lines)) ++i;
        if (!lines.empty()) parts.push_back(Join(lines));
      }
    }
    // A scene break opens or closes nothing, and two in a row are one.
    std::vector<std::string> kept;
    for (const std::string& p : parts) {
      if (p == kScene && (kept.empty() || kept.back() == kScene)) continue;
      kept.push_back(p);
    }
    while (!kept.empty() && kept.back() == kScene) kept.pop_back();
    std::string md;
    for (const std::string& p : kept) md += (md.empty() ? "" : "\n\n") + p;
    for (size_t n = 0; n < notes_.size(); ++n) {
      TLines lines = notes_[n];
      std::string def = "[^" + std::to_string(n + 1) + "]: ";
      for (size_t l = 0; l < lines.size(); ++l) {
        if (l == 0) def += lines[l];
        else def += "\n" + (lines[l].empty() ? "" : "    " + lines[l]);
      }
      if (lines.empty()) def += "\\ ";  // kept, so that the mark has its note
      md += "\n\n" + def;
    }
    md += "\n";
    std::vector<std::pair<int, std::string>> said;  // in the order of their first places
    for (const auto& [what, count] : quiet_) {
      said.emplace_back(count.second, chapter_ + ", paragraph " + std::to_string(count.second) + ": " + what +
                                          (count.first > 1 ? " (and " + std::to_string(count.first - 1) +
                                                                 " more times in this chapter)" : ""));
    }
    std::stable_sort(said.begin(), said.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& s : said) book_.warnings.push_back(std::move(s.second));
    book_.chapters.push_back({name, md});
  }

  std::string ContentsWord() const {
    static const std::map<std::string, std::string> kWords = {
        {"ru", "Содержание"}, {"fr", "Table des matières"}, {"de", "Inhalt"}, {"es", "Índice"},
        {"it", "Indice"}, {"pl", "Spis treści"}, {"el", "Περιεχόμενα"}};
    auto it = kWords.find(language_);
    return it == kWords.end() ? "Contents" : it->second;
  }

  static std::string Join(const TLines& lines) {
    std::string s;
    for (size_t i = 0; i < lines.size(); ++i) s += (i ? "\n" : "") + lines[i];
    return s;
  }

  // Something left out or changed, said once per kind and chapter with its first place.
  void Quiet(const std::string& what) {
    auto& c = quiet_[what];
    if (c.first++ == 0) c.second = paragraph_;
  }

  // ---- blocks --------------------------------------------------------------------------------

  // Appends the lines of the blocks, a blank line between blocks.
  void Blocks(const json& blocks, TLines& out) {
    for (size_t i = 0; i < blocks.size(); ++i) {
      TLines lines;
      if (Block(blocks[i], i + 1 < blocks.size() ? &blocks[i + 1] : nullptr, lines)) ++i;
      if (lines.empty()) continue;
      if (!out.empty()) out.push_back("");
      out.insert(out.end(), lines.begin(), lines.end());
    }
  }

  static void Prefix(TLines& lines, const std::string& first, const std::string& rest) {
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string& p = i == 0 ? first : rest;
      lines[i] = lines[i].empty() ? TrimSpaces(p) == p ? p : TrimSpaces(p) : p + lines[i];
    }
  }

  // One block; returns true when it used `next` too (a picture and its caption paragraph).
  bool Block(const json& b, const json* next, TLines& out) {
    const std::string t = Type(b);
    const json& c = C(b);
    if (t == "Para" || t == "Plain") {
      ++paragraph_;
      if (IsDinkus(InlinesText(c))) {
        out.push_back(kScene);
        return false;
      }
      if (const json* image = LonePicture(b)) return Figure(*image, next, out);
      bool breaks = false;
      for (const json& in : c) breaks = breaks || Type(in) == "LineBreak";
      if (breaks) {
        LineBlock(SplitLines(c), out);
        return false;
      }
      const std::string text = TrimSpaces(Inlines(c, {}));
      if (!text.empty()) out.push_back(GuardLineStart(text));
    } else if (t == "LineBlock") {
      ++paragraph_;
      std::vector<json> lines(c.begin(), c.end());
      LineBlock(lines, out);
    } else if (t == "Header") {
      ++paragraph_;
      Heading(b, out);
    } else if (t == "CodeBlock") {
      ++paragraph_;
      const std::string code = Str(At(c, 1));
      const std::string fence = CodeFence(code);
      out.push_back(fence);
      size_t start = 0;
      while (start <= code.size()) {
        const size_t end = std::min(code.find('\n', start), code.size());
        out.push_back(code.substr(start, end - start));
        start = end + 1;
      }
      out.push_back(fence);
    } else if (t == "RawBlock") {
      const std::string what = RawWhat(Str(At(c, 0)), Str(At(c, 1)));
      if (!what.empty()) Quiet(what);
    } else if (t == "BlockQuote") {
      TLines inner;
      Blocks(c, inner);
      Prefix(inner, "> ", "> ");
      out.insert(out.end(), inner.begin(), inner.end());
    } else if (t == "OrderedList" || t == "BulletList") {
      List(b, out);
    } else if (t == "DefinitionList") {
      for (const json& entry : c) {
        if (!out.empty()) out.push_back("");
        ++paragraph_;
        const std::string term = TrimSpaces(Inlines(At(entry, 0), {false, true}));
        if (!term.empty()) out.push_back(GuardLineStart("**" + term + "**"));
        for (const json& def : At(entry, 1)) {
          TLines lines;
          Blocks(def, lines);
          if (!lines.empty() && !out.empty()) out.push_back("");
          out.insert(out.end(), lines.begin(), lines.end());
        }
      }
    } else if (t == "HorizontalRule") {
      out.push_back(kScene);
    } else if (t == "Table") {
      ++paragraph_;
      Table(b, out);
    } else if (t == "Figure") {
      ++paragraph_;
      FigureBlock(b, out);
    } else if (t == "Div") {
      const std::string id = AttrId(At(c, 0));
      if (noteBodies_.count(id) && referencedNotes_.count(id)) return false;
      if (targeted_.count(id)) out.push_back("<a id=\"" + ids_[id] + "\"></a>");
      TLines inner;
      Blocks(At(c, 1), inner);
      if (!inner.empty() && !out.empty()) out.push_back("");
      out.insert(out.end(), inner.begin(), inner.end());
      // What is left of a note section when its notes went to their marks: a rule.
      const bool notes = HasClass(At(c, 0), "footnotes") || HasClass(At(c, 0), "endnotes");
      if (notes && std::all_of(out.begin(), out.end(), [](const std::string& l) { return l.empty() || l == kScene; })) {
        out.clear();
      }
    } else if (t != "Null") {
      Quiet("a block of the kind " + t + " left out");
    }
    return false;
  }

  // What leaving out a part in another format (HTML, TeX) means, or empty for a comment or an
  // end tag, which lose nothing.
  static std::string RawWhat(const std::string& format, const std::string& text) {
    if (format != "html") return "a part in " + format + " left out";
    if (text.rfind("<!--", 0) == 0 || text.rfind("</", 0) == 0) return "";
    std::string tag;
    for (size_t i = 1; i < text.size() && std::isalnum(static_cast<unsigned char>(text[i])); ++i)
      tag += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    static const std::set<std::string> kMedia = {"video", "audio", "script", "iframe", "object", "embed",
                                                 "canvas", "svg", "math", "form", "input", "button", "style"};
    if (kMedia.count(tag)) return "<" + tag + "> left out (the book cannot hold it)";
    return "HTML tags left out, their text kept";
  }

  static std::vector<json> SplitLines(const json& inlines) {
    std::vector<json> lines(1, json::array());
    for (const json& in : inlines) {
      if (Type(in) == "LineBreak") lines.emplace_back(json::array());
      else lines.back().push_back(in);
    }
    return lines;
  }

  void LineBlock(const std::vector<json>& lines, TLines& out) {
    for (const json& line : lines) {
      std::string text = Inlines(line, {});
      // Leading spaces are the line's indent: no-break spaces, which the parser keeps.
      size_t n = 0;
      while (n < text.size() && text[n] == ' ') ++n;
      std::string indent;
      for (size_t i = 0; i < n; ++i) indent += "\u00A0";
      text = indent + text.substr(n);
      while (!text.empty() && text.back() == ' ') text.pop_back();
      out.push_back(text.empty() ? "|" : "| " + text);
    }
  }

  void Heading(const json& b, TLines& out) {
    const json& c = C(b);
    const int level = std::clamp(At(c, 0).get<int>() - shift_, 1, 6);
    TInline ctx;
    ctx.textOnly = true;
    const std::string text = TrimSpaces(Inlines(At(c, 2), ctx));
    std::string raw = AttrId(At(c, 1));
    if (raw.empty()) {
      auto it = headerIds_.find(&b);
      if (it != headerIds_.end()) raw = it->second;
    }
    if (InlinesText(At(c, 2)).empty()) {
      Quiet("an empty heading left out");
      if (!raw.empty() && targeted_.count(raw)) out.push_back("<a id=\"" + ids_[raw] + "\"></a>");
      return;
    }
    std::string name = raw.empty() ? Register("", InlinesText(At(c, 2))) : ids_[raw];
    if (name.empty()) name = Register(raw, Wish(raw));
    out.push_back(std::string(static_cast<size_t>(level), '#') + " " + text + " {#" + name + "}");
  }

  // The chapter format's list items hold paragraphs and lists: any other block of an item (code,
  // a table, a quotation, a figure) is set after the list so far, and the list goes on after it.
  struct TListEntry {
    int depth = 0;
    std::string marker;  // empty for an item's further paragraphs
    TLines lines;
    bool hoisted = false;
  };

  void ListEntries(const json& b, int depth, std::vector<TListEntry>& entries) {
    const bool ordered = Type(b) == "OrderedList";
    const json& items = ordered ? At(C(b), 1) : C(b);
    int number = ordered && At(At(C(b), 0), 0).is_number() ? At(At(C(b), 0), 0).get<int>() : 1;
    for (const json& item : items) {
      std::string marker = ordered ? std::to_string(number++) + ". " : "- ";
      for (const json& x : item) {
        const std::string t = Type(x);
        if (t == "BulletList" || t == "OrderedList") {
          if (!marker.empty()) entries.push_back({depth, marker, {"\\ "}, false});
          marker.clear();
          ListEntries(x, depth + 1, entries);
          continue;
        }
        if (t == "Para" || t == "Plain") {
          ++paragraph_;
          TLines lines;
          for (const json& line : SplitLines(C(x))) {
            const std::string text = TrimSpaces(Inlines(line, {}));
            if (!text.empty()) lines.push_back(GuardLineStart(text));
          }
          if (lines.empty()) continue;
          for (size_t i = 0; i + 1 < lines.size(); ++i) lines[i] += "\\";  // a line break
          entries.push_back({depth, marker, lines, false});
          marker.clear();
          continue;
        }
        TLines lines;
        Block(x, nullptr, lines);
        if (lines.empty()) continue;
        if (!marker.empty()) entries.push_back({depth, marker, {"\\ "}, false});
        marker.clear();
        entries.push_back({depth, "", lines, true});
      }
      // An item of notes that went to their marks holds nothing and is left out.
    }
  }

  void List(const json& b, TLines& out) {
    std::vector<TListEntry> entries;
    ListEntries(b, 0, entries);
    std::vector<size_t> widths;  // the indent of each level's text
    int base = -1;
    for (const TListEntry& e : entries) {
      if (!out.empty()) out.push_back("");
      if (e.hoisted) {
        out.insert(out.end(), e.lines.begin(), e.lines.end());
        base = -1;
        continue;
      }
      if (base < 0 || e.depth < base) {
        base = e.depth;
        widths.clear();
      }
      const size_t level = std::min(static_cast<size_t>(e.depth - base), widths.size());
      size_t indent = 0;
      for (size_t i = 0; i < level; ++i) indent += widths[i];
      std::string first = std::string(indent, ' ');
      if (!e.marker.empty()) {
        widths.resize(level);
        widths.push_back(e.marker.size());
        first += e.marker;
        indent += e.marker.size();
      } else if (level < widths.size()) {
        indent += widths[level];
        first = std::string(indent, ' ');
      }
      for (size_t i = 0; i < e.lines.size(); ++i) out.push_back((i == 0 ? first : std::string(indent, ' ')) + e.lines[i]);
    }
  }

  // The picture's line, or its description as text with a warning when the file is not usable.
  std::string Picture(const json& image, const TInline& ctx) {
    const std::string src = Str(At(At(C(image), 2), 0));
    TInline description = ctx;
    description.textOnly = true;
    const std::string alt = TrimSpaces(Inlines(At(C(image), 1), description));
    std::string reason;
    const std::string name = art_.Use(src, reason);
    if (name.empty()) {
      Quiet(reason + ": left out");
      return alt;
    }
    std::string anchor;
    const std::string id = AttrId(At(C(image), 0));
    if (targeted_.count(id)) anchor = "<a id=\"" + ids_[id] + "\"></a>";
    return anchor + "![" + alt + "](" + LinkTarget(name) + ")";
  }

  // A paragraph that holds one picture: a figure when pandoc marks it as one ("fig:" title), or
  // when the next paragraph repeats its description (a caption as DOCX keeps it).
  bool Figure(const json& image, const json* next, TLines& out) {
    const std::string title = Str(At(At(C(image), 2), 1));
    const std::string alt = InlinesText(At(C(image), 1));
    const bool captionNext = next && !alt.empty() && (Type(*next) == "Para" || Type(*next) == "Plain") &&
                             InlinesText(C(*next)) == alt && !LonePicture(*next);
    const std::string line = Picture(image, {});
    if (line.rfind("![", 0) != 0 && line.find("<a id") == std::string::npos) {
      if (!line.empty()) out.push_back(GuardLineStart(line));
      return captionNext;
    }
    // FB2 keeps a picture of its own as a block whose caption pandoc gives as the description.
    const bool fb2Caption = options_.format == "fb2" && !alt.empty();
    if (title.rfind("fig:", 0) == 0 || captionNext || fb2Caption) out.push_back(kFigure);
    out.push_back(line);
    return captionNext;
  }

  void FigureBlock(const json& b, TLines& out) {
    const json* image = nullptr;
    for (const json& x : At(C(b), 2))
      if (!image) image = LonePicture(x);
    const json& caption = At(At(C(b), 1), 1);
    json inlines = json::array();
    for (const json& x : caption)
      for (const json& in : AllInlines(x)) inlines.push_back(in);
    if (!image) {
      Blocks(At(C(b), 2), out);
      return;
    }
    json copy = *image;
    if (!inlines.empty()) copy["c"][1] = inlines;
    copy["c"][2][1] = "fig:";
    Figure(copy, nullptr, out);
  }

  // ---- tables --------------------------------------------------------------------------------

  std::string Cell(const json& cell) {
    std::string text;
    for (const json& x : At(cell, 4)) {
      std::string part;
      TInline ctx;
      ctx.cell = ctx.textOnly = true;  // a cell holds text: pictures as their description
      if (Type(x) == "Para" || Type(x) == "Plain") part = Inlines(C(x), ctx);
      else part = EscapeText(InlinesText(AllInlines(x)));
      part = TrimSpaces(part);
      if (part.empty()) continue;
      text += (text.empty() ? "" : "<br>") + part;
    }
    return text;
  }

  void Rows(const json& rows, std::vector<std::vector<std::string>>& out) {
    for (const json& row : rows) {
      std::vector<std::string> cells;
      for (const json& cell : At(row, 1)) {
        cells.push_back(Cell(cell));
        const int span = At(cell, 3).is_number() ? At(cell, 3).get<int>() : 1;
        for (int k = 1; k < span; ++k) cells.emplace_back();
      }
      out.push_back(std::move(cells));
    }
  }

  void Table(const json& b, TLines& out) {
    const json& c = C(b);
    const json& specs = At(c, 2);
    std::vector<std::vector<std::string>> head, body;
    Rows(At(At(c, 3), 1), head);
    for (const json& tb : At(c, 4)) {
      Rows(At(tb, 2), body);
      Rows(At(tb, 3), body);
    }
    Rows(At(At(c, 5), 1), body);
    // Pipe tables have one head row: further ones go to the body; without any, the first row is it.
    if (head.size() > 1) {
      body.insert(body.begin(), head.begin() + 1, head.end());
      head.resize(1);
    }
    const bool emptyHead = !head.empty() && std::all_of(head[0].begin(), head[0].end(), [](const std::string& x) { return x.empty(); });
    if ((head.empty() || emptyHead) && !body.empty()) {
      head.clear();
      head.push_back(body.front());
      body.erase(body.begin());
    }
    if (head.empty()) return;
    size_t cols = specs.size();
    for (const auto& r : head) cols = std::max(cols, r.size());
    for (const auto& r : body) cols = std::max(cols, r.size());
    TLines caption;
    Blocks(At(At(c, 1), 1), caption);
    if (!caption.empty()) {
      out.insert(out.end(), caption.begin(), caption.end());
      out.push_back("");
    }
    auto line = [&](const std::vector<std::string>& r) {
      std::string s = "|";
      for (size_t i = 0; i < cols; ++i) s += " " + (i < r.size() ? r[i] : "") + " |";
      return s;
    };
    out.push_back(line(head.front()));
    std::string rule = "|";
    for (size_t i = 0; i < cols; ++i) {
      const std::string align = Type(At(At(specs, i), 0));
      rule += align == "AlignLeft" ? ":---|" : align == "AlignRight" ? "---:|" : align == "AlignCenter" ? ":---:|" : "---|";
    }
    out.push_back(rule);
    for (const auto& r : body) out.push_back(line(r));
  }

  // ---- inlines -------------------------------------------------------------------------------

  std::string Note(const json& blocks) {
    if (inNote_) {
      // A note inside a note: its text in brackets where its mark stood.
      Quiet("a note inside a note set in brackets");
      TLines lines;
      Blocks(blocks, lines);
      std::string s;
      for (const std::string& l : lines) s += (s.empty() || l.empty() ? "" : " ") + l;
      return " (" + s + ")";
    }
    inNote_ = true;
    TLines lines;
    Blocks(blocks, lines);
    inNote_ = false;
    notes_.push_back(lines);
    return "[^" + std::to_string(notes_.size()) + "]";
  }

  // The blocks of a note part without the link back to its mark.
  json NoteBody(const json& div) const {
    json blocks = At(C(div), 1);
    StripBackLinks(blocks);
    return blocks;
  }

  void StripBackLinks(json& x) const {
    if (x.is_array()) {
      for (size_t i = 0; i < x.size();) {
        if (Type(x[i]) == "Link" && IsBackLink(x[i])) {
          x.erase(x.begin() + static_cast<long>(i));
          continue;
        }
        StripBackLinks(x[i]);
        ++i;
      }
    } else if (x.is_object() && x.contains("c")) {
      StripBackLinks(x["c"]);
    }
  }

  std::string Emphasis(const std::string& inner, const std::string& mark) {
    std::string lead, core, trail;
    SplitEdges(inner, lead, core, trail);
    return core.empty() ? inner : lead + mark + core + mark + trail;
  }

  std::string Inlines(const json& inlines, TInline ctx) {
    std::string out;
    for (const json& in : inlines) out += Inline(in, ctx);
    return out;
  }

  std::string Anchor(const json& x) {
    const json* attr = AttrOf(x);
    const std::string id = attr ? AttrId(*attr) : "";
    return !id.empty() && targeted_.count(id) && !noteBodies_.count(id) ? "<a id=\"" + ids_[id] + "\"></a>" : "";
  }

  std::string Inline(const json& in, TInline ctx) {
    const std::string t = Type(in);
    const json& c = C(in);
    if (t == "Str") {
      if (auto it = lostMarks_.find(&in); it != lostMarks_.end()) return Note(NoteBody(*it->second));
      return EscapeText(Str(c));
    }
    if (t == "Space" || t == "SoftBreak") return " ";
    if (t == "LineBreak") return ctx.cell ? "<br>" : " ";
    if (t == "Emph") {
      if (ctx.italic) return Inlines(c, ctx);
      TInline inner = ctx;
      inner.italic = true;
      return Emphasis(Inlines(c, inner), "*");
    }
    if (t == "Strong") {
      if (ctx.bold) return Inlines(c, ctx);
      TInline inner = ctx;
      inner.bold = true;
      return Emphasis(Inlines(c, inner), "**");
    }
    if (t == "Underline" || t == "Strikeout" || t == "SmallCaps" || t == "Superscript" || t == "Subscript") {
      return Inlines(c, ctx);
    }
    if (t == "Quoted") {
      const TQuoteMarks q = QuoteMarks(language_, Type(At(c, 0)) == "SingleQuote");
      return EscapeText(q.open) + Inlines(At(c, 1), ctx) + EscapeText(q.close);
    }
    if (t == "Cite") return Inlines(At(c, 1), ctx);
    if (t == "Code") {
      std::string code = Str(At(c, 1));
      if (ctx.cell) {
        std::string escaped;
        for (char ch : code) escaped += ch == '|' ? std::string("\\|") : std::string(1, ch);
        code = escaped;
      }
      return Anchor(in) + CodeSpan(code);
    }
    if (t == "Math") {
      Quiet("a formula set as its text");
      return EscapeText(Str(At(c, 1)));
    }
    if (t == "RawInline") {
      const std::string format = Str(At(c, 0)), text = Str(At(c, 1));
      if (format == "html" && (text == "<br>" || text == "<br/>" || text == "<br />")) return ctx.cell ? "<br>" : " ";
      const std::string what = RawWhat(format, text);
      if (!what.empty()) Quiet(what);
      return "";
    }
    if (t == "Span") return Anchor(in) + Inlines(At(c, 1), ctx);
    if (t == "Note") return Note(c);
    if (t == "Image") {
      if (ctx.textOnly) return Inlines(At(c, 1), ctx);
      return Picture(in, ctx);
    }
    if (t == "Link") return Link(in, ctx);
    Quiet("an inline of the kind " + t + " left out");
    return "";
  }

  std::string Link(const json& in, TInline ctx) {
    const json& c = C(in);
    const std::string url = Str(At(At(c, 2), 0));
    const std::string id = Resolve(url);
    if (!id.empty() && noteBodies_.count(id) && !inNote_) {
      if (usedNotes_.insert(id).second) return Note(NoteBody(*noteBodies_.at(id)));
    }
    if (IsBackLink(in)) return "";
    if (ctx.inLink) return Inlines(At(c, 1), ctx);
    TInline inner = ctx;
    inner.inLink = true;
    std::string text = TrimSpaces(Inlines(At(c, 1), inner));
    const std::string anchor = Anchor(in);
    if (!id.empty()) {
      if (text.empty()) return anchor;
      return anchor + "[" + text + "](#" + ids_[id] + ")";
    }
    const bool world = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0 || url.rfind("mailto:", 0) == 0;
    if (world) {
      if (text.empty()) text = EscapeText(url.rfind("mailto:", 0) == 0 ? url.substr(7) : url);
      std::string target = LinkTarget(url);
      if (ctx.cell) {  // a pipe would end the cell
        for (size_t p = target.find('|'); p != std::string::npos; p = target.find('|', p)) target.replace(p, 1, "%7C");
      }
      return anchor + "[" + text + "](" + target + ")";
    }
    Quiet("a link to '" + url + "', which is neither in the book nor on the web, set as its text");
    return anchor + text;
  }

  static inline const std::string kScene = "<!-- scene -->";
  static inline const std::string kFigure = "<!-- figure -->";

  TImportOptions options_;
  TArtFiles art_;
  TImportedBook book_;
  bool epub_ = false;
  std::string language_;
  int shift_ = 0;
  bool contentsWanted_ = false;
  std::map<std::string, std::string> ids_;  // pandoc's id -> the anchor name in the book
  std::set<std::string> taken_;
  std::set<std::string> targeted_;
  std::map<const json*, std::string> headerIds_;
  std::map<std::string, const json*> noteBodies_;
  std::set<std::string> referencedNotes_, usedNotes_, noteRefIds_;
  std::map<const json*, const json*> lostMarks_;
  // The chapter being written.
  std::string chapter_;
  int paragraph_ = 0;
  bool inNote_ = false;
  std::vector<TLines> notes_;
  std::map<std::string, std::pair<int, int>> quiet_;  // what -> (times, first paragraph)
};

}  // namespace

TImportedBook ConvertPandocTree(const json& doc, const TImportOptions& options) {
  return TConverter(options).Run(doc);
}

}  // namespace folivar::bookimport
