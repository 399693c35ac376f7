#include "tools/import/chapterwriter.h"

#include <algorithm>
#include <map>
#include <set>

#include "tools/import/bookmeta.h"
#include "tools/import/mdtext.h"

namespace folivar::bookimport {

namespace {

const std::string kScene = "<!-- scene -->";
const std::string kFigure = "<!-- figure -->";

}  // namespace

std::string TChapterWriter::Write(const std::vector<TItem>& items, const std::string& name,
                                  std::vector<std::string>& warnings) {
  chapter_ = name;
  textLanguage_ = language_;
  paragraph_ = 0;
  notes_.clear();
  quiet_.clear();
  std::vector<std::string> parts;
  for (size_t i = 0; i < items.size(); ++i) {
    const TItem& it = items[i];
    if (it.kind == TItem::kFile || it.kind == TItem::kAnchor) {
      if (index_.Targeted(it.id)) parts.push_back("<a id=\"" + index_.Name(it.id) + "\"></a>");
    } else if (it.kind == TItem::kContents) {
      parts.push_back("<!-- align: center -->\n**" + EscapeText(it.id.empty() ? ContentsWord() : it.id) +
                      "**");
      parts.push_back("<!-- contents -->");
    } else {
      const json* next =
          i + 1 < items.size() && items[i + 1].kind == TItem::kBlock ? items[i + 1].block : nullptr;
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
      if (l == 0)
        def += lines[l];
      else
        def += "\n" + (lines[l].empty() ? "" : "    " + lines[l]);
    }
    if (lines.empty()) def += "\\ ";  // kept, so that the mark has its note
    md += "\n\n" + def;
  }
  md += "\n";
  std::vector<std::pair<int, std::string>> said;  // in the order of their first places
  for (const auto& [what, count] : quiet_) {
    said.emplace_back(count.second, chapter_ + ", paragraph " + std::to_string(count.second) + ": " + what +
                                        (count.first > 1 ? " (and " + std::to_string(count.first - 1) +
                                                               " more times in this chapter)"
                                                         : ""));
  }
  std::stable_sort(said.begin(), said.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& s : said) warnings.push_back(std::move(s.second));
  return md;
}

std::string TChapterWriter::ContentsWord() const {
  static const std::map<std::string, std::string> kWords = {
      {"ru", "Содержание"}, {"fr", "Table des matières"}, {"de", "Inhalt"},     {"es", "Índice"},
      {"it", "Indice"},     {"pl", "Spis treści"},        {"el", "Περιεχόμενα"}};
  auto it = kWords.find(language_);
  return it == kWords.end() ? "Contents" : it->second;
}

std::string TChapterWriter::Join(const TLines& lines) {
  std::string s;
  for (size_t i = 0; i < lines.size(); ++i) s += (i ? "\n" : "") + lines[i];
  return s;
}

// Something left out or changed, said once per kind and chapter with its first place.
void TChapterWriter::Quiet(const std::string& what) {
  auto& c = quiet_[what];
  if (c.first++ == 0) c.second = paragraph_;
}

// Appends the lines of the blocks, a blank line between blocks.
void TChapterWriter::Blocks(const json& blocks, TLines& out) {
  for (size_t i = 0; i < blocks.size(); ++i) {
    TLines lines;
    if (Block(blocks[i], i + 1 < blocks.size() ? &blocks[i + 1] : nullptr, lines)) ++i;
    if (lines.empty()) continue;
    if (!out.empty()) out.push_back("");
    out.insert(out.end(), lines.begin(), lines.end());
  }
}

void TChapterWriter::Prefix(TLines& lines, const std::string& first, const std::string& rest) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& p = i == 0 ? first : rest;
    lines[i] = lines[i].empty() ? TrimSpaces(p) : p + lines[i];  // "> " on a blank line is ">"
  }
}

// One block; returns true when it used `next` too (a picture and its caption paragraph).
bool TChapterWriter::Block(const json& b, const json* next, TLines& out) {
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
    if (index_.IsNoteBody(id) && index_.NoteUsed(id)) return false;
    if (index_.Targeted(id)) out.push_back("<a id=\"" + index_.Name(id) + "\"></a>");
    // A part in another language is hyphenated as that language, and the text after it as before.
    std::string language;
    for (const json& kv : At(At(c, 0), 2))
      if (Str(At(kv, 0)) == "lang" || Str(At(kv, 0)) == "xml:lang") language = LanguageCode(Str(At(kv, 1)));
    const std::string before = textLanguage_;
    const bool switches = !language.empty() && language != before && !before.empty();
    TLines inner;
    if (switches) {
      textLanguage_ = language;
      inner.push_back("<!-- language: " + language + " -->");  // Blocks puts a blank line after it
    }
    Blocks(At(c, 1), inner);
    if (switches) {
      textLanguage_ = before;
      inner.push_back("");
      inner.push_back("<!-- language: " + before + " -->");
    }
    if (!inner.empty() && !out.empty()) out.push_back("");
    out.insert(out.end(), inner.begin(), inner.end());
    // What is left of a note section when its notes went to their marks: a rule.
    const bool notes = HasClass(At(c, 0), "footnotes") || HasClass(At(c, 0), "endnotes");
    if (notes &&
        std::all_of(out.begin(), out.end(), [](const std::string& l) { return l.empty() || l == kScene; })) {
      out.clear();
    }
  } else if (t != "Null") {
    Quiet("a block of the kind " + t + " left out");
  }
  return false;
}

// What leaving out a part in another format (HTML, TeX) means, or empty for a comment or an
// end tag, which lose nothing.
std::string TChapterWriter::RawWhat(const std::string& format, const std::string& text) {
  if (format != "html") return "a part in " + format + " left out";
  if (text.rfind("<!--", 0) == 0 || text.rfind("</", 0) == 0) return "";
  std::string tag;
  for (size_t i = 1; i < text.size() && std::isalnum(static_cast<unsigned char>(text[i])); ++i)
    tag += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
  static const std::set<std::string> kMedia = {"video", "audio",  "script", "iframe", "object",
                                               "embed", "canvas", "svg",    "math",   "form",
                                               "input", "button", "style"};
  if (kMedia.count(tag)) return "<" + tag + "> left out (the book cannot hold it)";
  return "HTML tags left out, their text kept";
}

void TChapterWriter::LineBlock(const std::vector<json>& lines, TLines& out) {
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

void TChapterWriter::Heading(const json& b, TLines& out) {
  const json& c = C(b);
  const int level = std::clamp(At(c, 0).get<int>() - shift_, 1, 6);
  TInline ctx;
  ctx.textOnly = true;
  const std::string text = TrimSpaces(Inlines(At(c, 2), ctx));
  std::string raw = AttrId(At(c, 1));
  if (raw.empty()) {
    raw = index_.HeaderId(&b);
  }
  if (InlinesText(At(c, 2)).empty()) {
    Quiet("an empty heading left out");
    if (!raw.empty() && index_.Targeted(raw)) out.push_back("<a id=\"" + index_.Name(raw) + "\"></a>");
    return;
  }
  std::string name = raw.empty() ? index_.Register("", InlinesText(At(c, 2))) : index_.Name(raw);
  if (name.empty()) name = index_.Register(raw, TBookIndex::Wish(raw));
  out.push_back(std::string(static_cast<size_t>(level), '#') + " " + text + " {#" + name + "}");
}

void TChapterWriter::ListEntries(const json& b, int depth, std::vector<TListEntry>& entries) {
  const bool ordered = Type(b) == "OrderedList";
  const json& items = ordered ? At(C(b), 1) : C(b);
  int number = ordered && At(At(C(b), 0), 0).is_number() ? At(At(C(b), 0), 0).get<int>() : 1;
  for (const json& item : items) {
    std::string marker = ordered ? std::to_string(number++) + ". " : "- ";
    // An item of notes that went to their marks holds nothing and is left out.
    ItemEntries(item, depth, marker, entries);
  }
}

void TChapterWriter::ItemEntries(const json& blocks, int depth, std::string& marker,
                                 std::vector<TListEntry>& entries) {
  for (const json& x : blocks) {
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
    if (t == "Div") {
      // A part of an item is the item's: its paragraphs stay in the list.
      const std::string id = AttrId(At(C(x), 0));
      if (index_.IsNoteBody(id) && index_.NoteUsed(id)) continue;
      const size_t first = entries.size();
      ItemEntries(At(C(x), 1), depth, marker, entries);
      if (index_.Targeted(id) && first < entries.size() && !entries[first].lines.empty()) {
        entries[first].lines[0].insert(0, "<a id=\"" + index_.Name(id) + "\"></a>");
      }
      continue;
    }
    TLines lines;
    Block(x, nullptr, lines);
    if (lines.empty()) continue;
    if (!marker.empty()) entries.push_back({depth, marker, {"\\ "}, false});
    marker.clear();
    entries.push_back({depth, "", lines, true});
  }
}

void TChapterWriter::List(const json& b, TLines& out) {
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
    for (size_t i = 0; i < e.lines.size(); ++i)
      out.push_back((i == 0 ? first : std::string(indent, ' ')) + e.lines[i]);
  }
}

// The picture's line, or its description as text with a warning when the file is not usable.
std::string TChapterWriter::Picture(const json& image, const TInline& ctx) {
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
  if (index_.Targeted(id)) anchor = "<a id=\"" + index_.Name(id) + "\"></a>";
  return anchor + "![" + alt + "](" + LinkTarget(name) + ")";
}

// A paragraph that holds one picture: a figure when pandoc marks it as one ("fig:" title), or
// when the next paragraph repeats its description (a caption as DOCX keeps it).
bool TChapterWriter::Figure(const json& image, const json* next, TLines& out) {
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
  const bool fb2Caption = format_ == "fb2" && !alt.empty();
  if (title.rfind("fig:", 0) == 0 || captionNext || fb2Caption) out.push_back(kFigure);
  out.push_back(line);
  return captionNext;
}

void TChapterWriter::FigureBlock(const json& b, TLines& out) {
  const json* image = nullptr;
  for (const json& x : At(C(b), 2))
    if (!image) image = LonePicture(x);
  const json& caption = At(At(C(b), 1), 1);
  json inlines = json::array();
  for (const json& x : caption)
    for (const json& in : Type(x) == "Para" || Type(x) == "Plain" ? C(x) : json::array())
      inlines.push_back(in);
  if (!image) {
    Blocks(At(C(b), 2), out);
    return;
  }
  json copy = *image;
  if (!inlines.empty()) copy["c"][1] = inlines;
  copy["c"][2][1] = "fig:";
  Figure(copy, nullptr, out);
}

std::string TChapterWriter::Cell(const json& cell) {
  std::string text;
  for (const json& x : At(cell, 4)) {
    std::string part;
    TInline ctx;
    ctx.cell = ctx.textOnly = true;  // a cell holds text: pictures as their description
    if (Type(x) == "Para" || Type(x) == "Plain")
      part = Inlines(C(x), ctx);
    else
      part = EscapeText(BlocksText(json::array({x})));
    part = TrimSpaces(part);
    if (part.empty()) continue;
    text += (text.empty() ? "" : "<br>") + part;
  }
  return text;
}

void TChapterWriter::Rows(const json& rows, std::vector<std::vector<std::string>>& out) {
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

void TChapterWriter::Table(const json& b, TLines& out) {
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
  const bool emptyHead = !head.empty() && std::all_of(head[0].begin(), head[0].end(),
                                                      [](const std::string& x) { return x.empty(); });
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
    rule += align == "AlignLeft"     ? ":---|"
            : align == "AlignRight"  ? "---:|"
            : align == "AlignCenter" ? ":---:|"
                                     : "---|";
  }
  out.push_back(rule);
  for (const auto& r : body) out.push_back(line(r));
}

std::string TChapterWriter::Note(const json& blocks) {
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

std::string TChapterWriter::Emphasis(const std::string& inner, const std::string& mark) {
  std::string lead, core, trail;
  SplitEdges(inner, lead, core, trail);
  return core.empty() ? inner : lead + mark + core + mark + trail;
}

std::string TChapterWriter::Inlines(const json& inlines, TInline ctx) {
  std::string out;
  for (const json& in : inlines) out += Inline(in, ctx);
  return out;
}

std::string TChapterWriter::Anchor(const json& x) {
  const json* attr = AttrOf(x);
  const std::string id = attr ? AttrId(*attr) : "";
  return !id.empty() && index_.Targeted(id) && !index_.IsNoteBody(id)
             ? "<a id=\"" + index_.Name(id) + "\"></a>"
             : "";
}

std::string TChapterWriter::Inline(const json& in, TInline ctx) {
  const std::string t = Type(in);
  const json& c = C(in);
  if (t == "Str") {
    if (const json* body = index_.LostMark(&in)) return Note(index_.NoteBody(*body));
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
    if (format == "html" && (text == "<br>" || text == "<br/>" || text == "<br />"))
      return ctx.cell ? "<br>" : " ";
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

std::string TChapterWriter::Link(const json& in, TInline ctx) {
  const json& c = C(in);
  const std::string url = Str(At(At(c, 2), 0));
  const std::string id = index_.Resolve(url);
  if (!id.empty() && index_.IsNoteBody(id) && !inNote_) {
    if (const json* body = index_.TakeNote(id)) return Note(index_.NoteBody(*body));
  }
  if (index_.IsBackLink(in)) return "";
  if (ctx.inLink) return Inlines(At(c, 1), ctx);
  TInline inner = ctx;
  inner.inLink = true;
  std::string text = TrimSpaces(Inlines(At(c, 1), inner));
  const std::string anchor = Anchor(in);
  if (!id.empty()) {
    if (text.empty()) return anchor;
    return anchor + "[" + text + "](#" + index_.Name(id) + ")";
  }
  const bool world =
      url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0 || url.rfind("mailto:", 0) == 0;
  if (world) {
    if (text.empty()) text = EscapeText(url.rfind("mailto:", 0) == 0 ? url.substr(7) : url);
    std::string target = LinkTarget(url);
    if (ctx.cell) {  // a pipe would end the cell
      for (size_t p = target.find('|'); p != std::string::npos; p = target.find('|', p))
        target.replace(p, 1, "%7C");
    }
    return anchor + "[" + text + "](" + target + ")";
  }
  Quiet("a link to '" + url + "', which is neither in the book nor on the web, set as its text");
  return anchor + text;
}

}  // namespace folivar::bookimport
