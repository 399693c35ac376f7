#include "tools/make/chapter.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <regex>
#include <set>
#include <stdexcept>

#include "book/paraclasses.h"
#include "tools/make/codepage.h"
#include "tools/make/hyphenation.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {

namespace {

struct TNodeFree {
  void operator()(cmark_node* n) const { cmark_node_free(n); }
};
using TNodePtr = std::unique_ptr<cmark_node, TNodeFree>;
struct TParserFree {
  void operator()(cmark_parser* p) const { cmark_parser_free(p); }
};
using TParserPtr = std::unique_ptr<cmark_parser, TParserFree>;

// The nodes of cmark-gfm's extensions, known by their names.
bool Is(cmark_node* n, const char* type) { return std::string(cmark_node_get_type_string(n)) == type; }

// cmark-gfm with smart punctuation, notes, and the table and strikethrough extensions.
TNodePtr ParseMarkdown(const std::string& markdown) {
  cmark_gfm_core_extensions_ensure_registered();
  TParserPtr parser(cmark_parser_new(CMARK_OPT_DEFAULT | CMARK_OPT_SMART | CMARK_OPT_FOOTNOTES));
  for (const char* name : {"table", "strikethrough"}) {
    cmark_syntax_extension* extension = cmark_find_syntax_extension(name);
    if (!extension) throw std::runtime_error(std::string("cmark-gfm has no ") + name + " extension");
    cmark_parser_attach_syntax_extension(parser.get(), extension);
  }
  cmark_parser_feed(parser.get(), markdown.data(), markdown.size());
  return TNodePtr(cmark_parser_finish(parser.get()));
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

// The text of a node and of all its children.
std::string PlainText(cmark_node* n) {
  std::string out;
  for (cmark_node* c = cmark_node_first_child(n); c; c = cmark_node_next(c)) {
    if (cmark_node_get_literal(c)) out += cmark_node_get_literal(c);
    out += PlainText(c);
  }
  return out;
}

// Calls `at` with the first inline of every line of the paragraph (its first, and each after a
// soft or hard break); stops with false as soon as `at` answers false.
template <typename TAt>
bool EachLineStart(cmark_node* paragraph, TAt at) {
  bool lineStart = true;
  for (cmark_node* c = cmark_node_first_child(paragraph); c; c = cmark_node_next(c)) {
    const cmark_node_type t = cmark_node_get_type(c);
    if (t == CMARK_NODE_SOFTBREAK || t == CMARK_NODE_LINEBREAK) {
      lineStart = true;
    } else if (lineStart) {
      lineStart = false;
      if (!at(c)) return false;
    }
  }
  return true;
}

// A paragraph whose every line begins with "| " (or is "|" alone) is a stanza of a poem.
bool IsLineBlock(cmark_node* paragraph) {
  return EachLineStart(paragraph, [](cmark_node* c) {
    const char* literal = cmark_node_get_type(c) == CMARK_NODE_TEXT ? cmark_node_get_literal(c) : nullptr;
    const std::string text = literal ? literal : "";
    if (text.empty() || text[0] != '|') return false;
    if (text.size() > 1) return text[1] == ' ';
    cmark_node* next = cmark_node_next(c);
    return !next || cmark_node_get_type(next) == CMARK_NODE_SOFTBREAK ||
           cmark_node_get_type(next) == CMARK_NODE_LINEBREAK;
  });
}

// Takes the "| " (or the lone "|") off the beginning of every line of a line block.
void StripLineBars(cmark_node* paragraph) {
  EachLineStart(paragraph, [](cmark_node* c) {
    const std::string text = cmark_node_get_literal(c);
    cmark_node_set_literal(c, text.substr(std::min<size_t>(2, text.size())).c_str());
    return true;
  });
}

// The first picture among a node's children (one link deep).
cmark_node* FirstPicture(cmark_node* n) {
  for (cmark_node* c = cmark_node_first_child(n); c; c = cmark_node_next(c)) {
    if (cmark_node_get_type(c) == CMARK_NODE_IMAGE) return c;
    if (cmark_node_get_type(c) == CMARK_NODE_LINK)
      if (cmark_node* p = FirstPicture(c)) return p;
  }
  return nullptr;
}

// Tabs to spaces, with a stop at every fourth column.
std::string ExpandTabs(const std::string& line) {
  std::string out;
  size_t column = 0;
  for (char c : line) {
    if (c == '\t') {
      do out += ' ';
      while (++column % 4 != 0);
      continue;
    }
    out += c;
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++column;
  }
  return out;
}

class TChapterParser {
 public:
  TChapterParser(std::string file, std::string language, TSourceText& texts, int index)
      : file_(std::move(file)), language_(std::move(language)), texts_(texts), index_(index) {}

  TChapter Parse(const std::string& markdown) {
    CheckUtf8(markdown);
    // cmark-gfm drops a note definition that nothing refers to. A reference to each definition
    // after the chapter's last line keeps them all; the notes that only these refer to are the
    // ones the text never marks.
    lines_ = static_cast<int>(std::count(markdown.begin(), markdown.end(), '\n')) + 1;
    std::string text = markdown;
    static const std::regex definition(R"re((^|\n)[ >]*\[\^([^\]\s]+)\]:)re");
    for (std::sregex_iterator i(markdown.begin(), markdown.end(), definition), e; i != e; ++i) {
      text += "\n\n[^" + (*i)[2].str() + "]";
    }
    TNodePtr doc = ParseMarkdown(text);
    TChapter chapter;
    chapter.file = file_;
    for (cmark_node* n = cmark_node_first_child(doc.get()); n; n = cmark_node_next(n)) {
      if (cmark_node_get_type(n) == CMARK_NODE_FOOTNOTE_DEFINITION) {
        if (note_ == 0) EndOfText(chapter.blocks);
        Note(n, chapter.blocks);
        continue;
      }
      if (Line(n, 0) > lines_) {  // the references added after the chapter's text
        for (const int number : References(n))
          if (!marked_.count(number)) unmarked_.insert(number);
        continue;
      }
      Block(n, chapter.blocks);
    }
    if (note_ == 0) EndOfText(chapter.blocks);
    chapter.warnings = std::move(warnings_);
    return chapter;
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& reason) const {
    throw TSourceError(file_, line, reason);
  }

  void Warn(int line, const std::string& text) {
    warnings_.push_back({line > 0 ? file_ + ":" + std::to_string(line) : file_, text});
  }

  void CheckUtf8(const std::string& text) const {
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == '\n') {
        if (!IsUtf8(std::string_view(text).substr(lineStart, i - lineStart))) Fail(line, "the text is not UTF-8");
        ++line;
        lineStart = i + 1;
      }
    }
  }

  std::string Source(const std::string& utf8, int line) const { return texts_.Take(utf8, file_, line); }

  static int Line(cmark_node* n, int fallback) {
    const int l = cmark_node_get_start_line(n);
    return l > 0 ? l : fallback;
  }

  std::string NoteName(int number) const { return "Note-" + std::to_string(index_) + "-" + std::to_string(number); }
  std::string MarkName(int number) const { return "NoteRef-" + std::to_string(index_) + "-" + std::to_string(number); }

  // The numbers of the note references below a node.
  static std::vector<int> References(cmark_node* n) {
    std::vector<int> out;
    for (cmark_node* c = cmark_node_first_child(n); c; c = cmark_node_next(c)) {
      if (cmark_node_get_type(c) == CMARK_NODE_FOOTNOTE_REFERENCE) {
        out.push_back(std::atoi(cmark_node_get_literal(c) ? cmark_node_get_literal(c) : "0"));
      }
      for (int k : References(c)) out.push_back(k);
    }
    return out;
  }

  // The chapter's text is over: directives must have had their block; anchors after the last
  // block stand on the page of the text's end.
  void EndOfText(std::vector<TBlock>& blocks) {
    if (pendingAlign_ || pendingDropcap_) {
      throw TSourceError(file_, pendingLine_, "the directive is not followed by a paragraph or heading");
    }
    if (pendingFigure_) Warn(pendingFigureLine_, "the figure directive is not followed by a picture");
    pendingFigure_ = false;
    if (!pendingAnchors_.empty()) blocks.push_back(NewBlock(TBlock::kParagraph, pendingAnchors_.front().line));
  }

  // A note at the chapter's end: its blocks, the first beginning with the number that links back
  // to the mark.
  void Note(cmark_node* definition, std::vector<TBlock>& blocks) {
    const int number = ++note_;
    const int line = Line(definition, 0);
    if (unmarked_.count(number)) Warn(line, "the note is never referred to: it is set at the chapter's end anyway");
    const size_t first = blocks.size();
    for (cmark_node* n = cmark_node_first_child(definition); n; n = cmark_node_next(n)) Block(n, blocks);
    if (first == blocks.size() || blocks[first].kind != TBlock::kParagraph || !blocks[first].marker.empty()) {
      TBlock b = NewBlock(TBlock::kParagraph, line);
      blocks.insert(blocks.begin() + static_cast<std::ptrdiff_t>(first), std::move(b));
    }
    TBlock& head = blocks[first];
    head.marker = std::to_string(number);
    if (marked_.count(number)) head.markerLink = "#" + MarkName(number);
    head.spans.insert(head.spans.begin(), {TSpan::kAnchor, NoteName(number), 0, {}, {}, line});
  }

  // A block-level HTML part: a directive, anchors, or HTML the format does not know (its tags
  // dropped, its text kept).
  void Html(cmark_node* n, std::vector<TBlock>& blocks) {
    const int line = Line(n, 0);
    const std::string html = Trim(cmark_node_get_literal(n) ? cmark_node_get_literal(n) : "");
    static const std::regex directive(R"re(^<!--\s*([a-z]+)\s*(?::\s*([A-Za-z-]+)\s*)?-->$)re");
    std::smatch m;
    if (std::regex_match(html, m, directive)) {
      const std::string name = m[1], value = m[2];
      if ((name == "contents" || name == "scene") && value.empty()) {
        NoPendingDirective();
        blocks.push_back(NewBlock(name == "contents" ? TBlock::kContents : TBlock::kSceneBreak, line));
      } else if (name == "dropcap" && value.empty()) {
        pendingDropcap_ = true;
        pendingLine_ = line;
      } else if (name == "figure" && value.empty()) {
        pendingFigure_ = true;
        pendingFigureLine_ = line;
      } else if (name == "align") {
        if (value == "left") pendingAlign_ = 1;
        else if (value == "center" || value == "centre") pendingAlign_ = 2;
        else if (value == "right") pendingAlign_ = 3;
        else if (value == "justify") pendingAlign_ = 0;
        else Fail(line, "unknown alignment '" + value + "' (left, center, right or justify)");
        pendingLine_ = line;
      } else if (name == "language") {
        if (!THyphenator::Known(value)) {
          Warn(line, "no hyphenation patterns for the language '" + value + "' (" + THyphenator::Languages() +
                         "): its text is not hyphenated");
        }
        language_ = value;
      } else {
        Warn(line, "unknown directive '" + html + "': ignored");
      }
      return;
    }
    if (html.rfind("<!--", 0) == 0) return;  // an ordinary comment
    // Anchors on a line of their own stand before the block that follows.
    std::string rest = html;
    static const std::regex anchor(R"re(^<a\s+id\s*=\s*"([^"]*)"\s*>\s*</a>\s*)re");
    while (std::regex_search(rest, m, anchor)) {
      pendingAnchors_.push_back({TSpan::kAnchor, Source(m[1], line), 0, {}, {}, line});
      rest = m.suffix();
    }
    if (Trim(rest).empty()) return;
    static const std::regex tag(R"re(<[^>]*>)re");
    const std::string first = std::regex_search(rest, m, tag) ? m.str() : Trim(rest);
    Warn(line, "unknown HTML " + first.substr(0, 40) + ": its tags are dropped, its text kept");
    std::string text = Trim(std::regex_replace(rest, tag, " "));
    for (const auto& [entity, character] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"},
                                            {"&nbsp;", "\u00A0"}, {"&amp;", "&"}}) {
      for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
        text.replace(at, std::strlen(entity), character);
      }
    }
    if (text.empty()) return;
    TBlock b = NewBlock(TBlock::kParagraph, line);
    b.spans.push_back({TSpan::kText, Source(text, line), 0, {}, {}, line});
    blocks.push_back(std::move(b));
  }

  void NoPendingDirective() const {
    if (pendingAlign_ || pendingDropcap_) {
      Fail(pendingLine_, "the directive is not followed by a paragraph or heading");
    }
  }

  TBlock NewBlock(TBlock::Kind kind, int line) {
    TBlock b;
    b.kind = kind;
    b.line = line;
    b.language = language_;
    b.alignment = pendingAlign_;
    b.dropcap = pendingDropcap_;
    b.quote = quote_;
    b.note = note_;
    pendingAlign_.reset();
    pendingDropcap_ = false;
    b.spans = std::move(pendingAnchors_);
    pendingAnchors_.clear();
    return b;
  }

  void Paragraph(cmark_node* n, std::vector<TBlock>& blocks, int line) {
    const bool figure = pendingFigure_;
    pendingFigure_ = false;
    if (IsLineBlock(n)) {
      if (pendingDropcap_) Fail(pendingLine_, "a drop cap needs a paragraph, not a poem");
      if (figure) Warn(pendingFigureLine_, "the figure directive is not followed by a picture");
      StripLineBars(n);
      TBlock b = NewBlock(TBlock::kVerse, line);
      verse_ = true;
      Inlines(n, b, 0, {}, line);
      verse_ = false;
      blocks.push_back(std::move(b));
      return;
    }
    TBlock b = NewBlock(TBlock::kParagraph, line);
    Inlines(n, b, 0, {}, line);
    // A paragraph of anchors alone holds no text: its anchors go with the next block.
    bool onlyAnchors = true;
    int pictures = 0;
    for (const TSpan& s : b.spans) {
      if (s.kind == TSpan::kPicture) ++pictures;
      else if (s.kind != TSpan::kAnchor && !(s.kind == TSpan::kText && Trim(s.text).empty())) onlyAnchors = false;
    }
    if (figure) {
      if (pictures == 1 && onlyAnchors && !b.dropcap) {
        b.figure = true;
        TBlock caption;
        Inlines(FirstPicture(n), caption, 0, {}, line);
        b.caption = std::move(caption.spans);
      } else {
        Warn(pendingFigureLine_, "the figure directive is not followed by a paragraph of one picture");
      }
    }
    if (onlyAnchors && pictures == 0 && !b.dropcap && !b.alignment) {
      for (TSpan& s : b.spans)
        if (s.kind == TSpan::kAnchor) pendingAnchors_.push_back(std::move(s));
      return;
    }
    blocks.push_back(std::move(b));
  }

  void Code(cmark_node* n, std::vector<TBlock>& blocks, int line) {
    NoPendingDirective();
    TBlock b = NewBlock(TBlock::kCode, line);
    int length = 0, offset = 0;
    char character = 0;
    int at = cmark_node_get_fenced(n, &length, &offset, &character) ? line + 1 : line;
    const std::string literal = cmark_node_get_literal(n) ? cmark_node_get_literal(n) : "";
    size_t start = 0;
    while (start < literal.size() && at <= lines_) {
      size_t end = literal.find('\n', start);
      if (end == std::string::npos) end = literal.size();
      b.spans.push_back({TSpan::kText, Source(ExpandTabs(literal.substr(start, end - start)), at), 0, {}, {}, at});
      start = end + 1;
      ++at;
    }
    blocks.push_back(std::move(b));
  }

  void Block(cmark_node* n, std::vector<TBlock>& blocks) {
    const int line = Line(n, 0);
    if (pendingFigure_ && cmark_node_get_type(n) != CMARK_NODE_PARAGRAPH &&
        cmark_node_get_type(n) != CMARK_NODE_HTML_BLOCK) {
      Warn(pendingFigureLine_, "the figure directive is not followed by a picture");
      pendingFigure_ = false;
    }
    if (Is(n, "table")) {
      // An alignment places the table (justify: the columns fill the text's width).
      if (pendingDropcap_) Fail(pendingLine_, "a drop cap needs a paragraph, not a table");
      blocks.push_back(Table(n, line));
      return;
    }
    switch (cmark_node_get_type(n)) {
      case CMARK_NODE_HTML_BLOCK:
        Html(n, blocks);
        return;
      case CMARK_NODE_PARAGRAPH:
        Paragraph(n, blocks, line);
        return;
      case CMARK_NODE_HEADING: {
        if (pendingDropcap_) Fail(pendingLine_, "a drop cap needs a paragraph, not a heading");
        TBlock b = NewBlock(TBlock::kHeading, line);
        b.level = std::min(3, cmark_node_get_heading_level(n));
        Inlines(n, b, 0, {}, line);
        // "{#name}" at the end names the anchor.
        std::string name;
        if (!b.spans.empty() && b.spans.back().kind == TSpan::kText) {
          std::string& t = b.spans.back().text;
          static const std::regex id(R"re(\s*\{#([^}\s]+)\}\s*$)re");
          std::smatch m;
          if (std::regex_search(t, m, id)) {
            name = m[1];
            t = m.prefix();
          }
        }
        for (const TSpan& s : b.spans) {
          if (s.kind == TSpan::kText && !s.noteMark) b.plain += s.text;  // a note's number is no part of it
          if (s.kind == TSpan::kPicture || s.kind == TSpan::kPageRef) Fail(line, "a heading holds text only");
        }
        b.plain = Trim(b.plain);
        if (b.plain.empty()) {
          Warn(line, "the heading is empty: skipped");
          for (TSpan& s : b.spans)
            if (s.kind == TSpan::kAnchor) pendingAnchors_.push_back(std::move(s));
          return;
        }
        b.anchor = name.empty() ? HeadingAnchor(b.plain) : name;
        b.anchorGiven = !name.empty();
        blocks.push_back(std::move(b));
        return;
      }
      case CMARK_NODE_THEMATIC_BREAK:
        NoPendingDirective();
        blocks.push_back(NewBlock(TBlock::kPageBreak, line));
        return;
      case CMARK_NODE_LIST:
        NoPendingDirective();
        List(n, blocks, 1);
        return;
      case CMARK_NODE_CODE_BLOCK:
        Code(n, blocks, line);
        return;
      case CMARK_NODE_BLOCK_QUOTE:
        NoPendingDirective();
        ++quote_;
        for (cmark_node* c = cmark_node_first_child(n); c; c = cmark_node_next(c)) Block(c, blocks);
        --quote_;
        return;
      default:
        Fail(line, std::string("unsupported Markdown: ") + cmark_node_get_type_string(n));
    }
  }

  // Every paragraph of an item is indented by the list's depth; the first one carries the bullet
  // (code page 1251's •) or the item's number.
  void List(cmark_node* list, std::vector<TBlock>& blocks, int depth) {
    const bool ordered = cmark_node_get_list_type(list) == CMARK_ORDERED_LIST;
    int number = cmark_node_get_list_start(list);
    for (cmark_node* item = cmark_node_first_child(list); item; item = cmark_node_next(item), ++number) {
      bool first = true;
      for (cmark_node* c = cmark_node_first_child(item); c; c = cmark_node_next(c)) {
        const int line = Line(c, Line(item, 0));
        if (cmark_node_get_type(c) == CMARK_NODE_LIST) {
          List(c, blocks, depth + 1);
          continue;
        }
        if (cmark_node_get_type(c) != CMARK_NODE_PARAGRAPH) {
          Fail(line, std::string("a list item holds paragraphs and lists only, not ") + cmark_node_get_type_string(c));
        }
        const bool verse = IsLineBlock(c);
        if (verse) StripLineBars(c);
        TBlock b = NewBlock(verse ? TBlock::kVerse : TBlock::kParagraph, line);
        b.indent = depth;
        if (first) b.marker = ordered ? std::to_string(number) + "." : "\u2022";
        first = false;
        verse_ = verse;
        Inlines(c, b, 0, {}, line);
        verse_ = false;
        blocks.push_back(std::move(b));
      }
    }
  }

  // A pipe table: its head row, then the body rows, each cell's inline text as spans.
  TBlock Table(cmark_node* table, int line) {
    TBlock b = NewBlock(TBlock::kTable, line);
    const uint16_t columns = cmark_gfm_extensions_get_table_columns(table);
    const uint8_t* aligns = cmark_gfm_extensions_get_table_alignments(table);
    for (uint16_t c = 0; c < columns; ++c) {
      const uint8_t a = aligns ? aligns[c] : 0;
      b.table.alignments.push_back(a == 'c' ? kAlignCentre : a == 'r' ? kAlignRight : kAlignLeft);
    }
    for (cmark_node* row = cmark_node_first_child(table); row; row = cmark_node_next(row)) {
      std::vector<TTableCell> cells;
      for (cmark_node* cell = cmark_node_first_child(row); cell; cell = cmark_node_next(cell)) {
        TBlock content;
        Inlines(cell, content, 0, {}, Line(cell, Line(row, line)));
        cells.push_back({std::move(content.spans)});
      }
      cells.resize(columns);
      if (cmark_gfm_extensions_get_table_row_is_header(row)) ++b.table.headerRows;
      b.table.rows.push_back(std::move(cells));
    }
    return b;
  }

  void Text(TBlock& b, const std::string& text, uint8_t flags, const std::string& link, int at) {
    static const std::regex mark(R"re(\[\^([^\]\s]+)\])re");
    std::smatch m;
    if (std::regex_search(text, m, mark)) {
      Warn(at, "the note [^" + m[1].str() + "] has no definition: the mark is set as plain text");
    }
    b.spans.push_back({TSpan::kText, Source(text, at), flags, link, {}, at});
  }

  void Inlines(cmark_node* parent, TBlock& b, uint8_t flags, const std::string& link, int line) {
    for (cmark_node* n = cmark_node_first_child(parent); n; n = cmark_node_next(n)) {
      const int at = Line(n, line);
      const char* literal = cmark_node_get_literal(n);
      switch (cmark_node_get_type(n)) {
        case CMARK_NODE_TEXT:
        case CMARK_NODE_CODE:
          Text(b, literal ? literal : "", flags, link, at);
          break;
        case CMARK_NODE_SOFTBREAK:
          if (verse_) b.spans.push_back({TSpan::kBreak, {}, flags, link, {}, at});
          else b.spans.push_back({TSpan::kText, " ", flags, link, {}, at});
          break;
        case CMARK_NODE_LINEBREAK:
          b.spans.push_back({TSpan::kBreak, {}, flags, link, {}, at});
          break;
        case CMARK_NODE_EMPH:
          Inlines(n, b, static_cast<uint8_t>(flags | kItalic), link, at);
          break;
        case CMARK_NODE_STRONG:
          Inlines(n, b, static_cast<uint8_t>(flags | kBold), link, at);
          break;
        case CMARK_NODE_LINK: {
          const std::string url = cmark_node_get_url(n) ? cmark_node_get_url(n) : "";
          if (!link.empty()) Fail(at, "a link inside a link");
          const bool internal = !url.empty() && url[0] == '#';
          const bool world = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0 ||
                             url.rfind("mailto:", 0) == 0;
          if (!internal && !world) {
            Warn(at, "the link target '" + url + "' is neither #anchor nor http, https or mailto: the text is set without the link");
            Inlines(n, b, flags, link, at);
            break;
          }
          if (PlainText(n) == "#" && internal) {
            b.spans.push_back({TSpan::kPageRef, Source(url.substr(1), at), flags, {}, {}, at});
            break;
          }
          Inlines(n, b, flags, internal ? "#" + Source(url.substr(1), at) : Source(url, at), at);
          break;
        }
        case CMARK_NODE_IMAGE: {
          const std::string url = cmark_node_get_url(n) ? cmark_node_get_url(n) : "";
          if (url.empty()) Fail(at, "the picture names no file");
          b.spans.push_back({TSpan::kPicture, url, flags, link,
                             cmark_node_get_title(n) ? cmark_node_get_title(n) : "", at});
          break;
        }
        case CMARK_NODE_FOOTNOTE_REFERENCE: {
          // The note's number, a link to the note; the first mark of a note is where it links back to.
          const int number = std::atoi(literal ? literal : "0");
          if (marked_.insert(number).second) b.spans.push_back({TSpan::kAnchor, MarkName(number), 0, {}, {}, at});
          TSpan s{TSpan::kText, std::to_string(number), flags, "#" + NoteName(number), {}, at};
          s.noteMark = true;
          b.spans.push_back(std::move(s));
          break;
        }
        case CMARK_NODE_HTML_INLINE: {
          const std::string html = Trim(literal ? literal : "");
          static const std::regex open(R"re(^<a\s+id\s*=\s*"([^"]*)"\s*>$)re");
          std::smatch m;
          if (std::regex_match(html, m, open)) {
            b.spans.push_back({TSpan::kAnchor, Source(m[1], at), 0, {}, {}, at});
          } else if (html == "</a>" || html.rfind("<!--", 0) == 0) {
            // the end of an anchor, or a comment: nothing to set
          } else if (html == "<br>" || html == "<br/>" || html == "<br />") {
            b.spans.push_back({TSpan::kBreak, {}, flags, link, {}, at});
          } else if (html.rfind("</", 0) != 0) {  // an end tag goes with its start, warned of once
            Warn(at, "unknown HTML " + html.substr(0, 40) + ": the tag is dropped, its text kept");
          }
          break;
        }
        default:
          if (Is(n, "strikethrough")) {  // set as the plain text it holds
            Inlines(n, b, flags, link, at);
            break;
          }
          Fail(at, std::string("unsupported Markdown: ") + cmark_node_get_type_string(n));
      }
    }
  }

  std::string file_;
  std::string language_;
  TSourceText& texts_;
  int index_;
  int lines_ = 0;  // of the chapter's own text
  std::optional<uint8_t> pendingAlign_;
  bool pendingDropcap_ = false;
  int pendingLine_ = 0;
  bool pendingFigure_ = false;
  int pendingFigureLine_ = 0;
  std::vector<TSpan> pendingAnchors_;
  int quote_ = 0;      // the depth of block quotes being read
  int note_ = 0;       // the note being read (0: the text)
  bool verse_ = false; // a line block: its line ends are line breaks
  std::set<int> marked_;    // notes the text refers to
  std::set<int> unmarked_;  // notes only the references after the text refer to
  std::vector<TSourceWarning> warnings_;
};

}  // namespace

std::string HeadingAnchor(const std::string& text) {
  std::u32string out = LowerCase(Utf8ToCodePoints(text));
  std::replace(out.begin(), out.end(), U' ', U'-');
  return CodePointsToUtf8(out);
}

TChapter ParseChapter(const std::string& markdown, const std::string& file,
                      const std::string& language, TSourceText* texts, int index) {
  TSourceText own;
  return TChapterParser(file, language, texts ? *texts : own, index).Parse(markdown);
}

}  // namespace folivar::make
