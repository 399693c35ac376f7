// One chapter of an imported book in the chapter format: pandoc's blocks and inlines as Markdown
// that the compiler reads back literally, notes at the chapter's end, and a warning for what the
// format cannot hold, naming the chapter and paragraph.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/import/artfiles.h"
#include "tools/import/bookindex.h"
#include "tools/import/pandocjson.h"

namespace folivar::bookimport {

class TChapterWriter {
 public:
  // shift: how many levels the book's headings move up (its shallowest is `#`); format: pandoc's
  // reader, for what only one format means.
  TChapterWriter(TBookIndex& index, TArtFiles& art, std::string language, int shift, std::string format)
      : index_(index), art_(art), language_(std::move(language)), shift_(shift), format_(std::move(format)) {}

  // The chapter file NAME's Markdown for the items; what was changed or left out is appended to
  // warnings as "NAME, paragraph N: ...".
  std::string Write(const std::vector<TItem>& items, const std::string& name,
                    std::vector<std::string>& warnings);

 private:
  struct TInline {
    bool italic = false, bold = false, inLink = false, cell = false;
    bool textOnly = false;  // a heading, a cell or a picture's description: pictures as their description
  };
  // A list as the paragraphs of its items at their depths, and the blocks set apart from it.
  struct TListEntry {
    int depth = 0;
    std::string marker;  // empty for an item's further paragraphs
    TLines lines;
    bool hoisted = false;
  };

  std::string ContentsWord() const;
  static std::string Join(const TLines& lines);
  void Quiet(const std::string& what);

  void Blocks(const json& blocks, TLines& out);
  static void Prefix(TLines& lines, const std::string& first, const std::string& rest);
  bool Block(const json& b, const json* next, TLines& out);
  static std::string RawWhat(const std::string& format, const std::string& text);
  void LineBlock(const std::vector<json>& lines, TLines& out);
  void Heading(const json& b, TLines& out);
  void ListEntries(const json& b, int depth, std::vector<TListEntry>& entries);
  // The entries of an item's blocks; marker is the item's until its first paragraph takes it.
  void ItemEntries(const json& blocks, int depth, std::string& marker, std::vector<TListEntry>& entries);
  void List(const json& b, TLines& out);
  std::string Picture(const json& image, const TInline& ctx);
  bool Figure(const json& image, const json* next, TLines& out);
  void FigureBlock(const json& b, TLines& out);
  std::string Cell(const json& cell);
  void Rows(const json& rows, std::vector<std::vector<std::string>>& out);
  void Table(const json& b, TLines& out);

  std::string Note(const json& blocks);
  std::string Emphasis(const std::string& inner, const std::string& mark);
  std::string Inlines(const json& inlines, TInline ctx);
  std::string Anchor(const json& x);
  std::string Inline(const json& in, TInline ctx);
  std::string Link(const json& in, TInline ctx);

  TBookIndex& index_;
  TArtFiles& art_;
  std::string language_;
  int shift_;
  std::string format_;
  // The chapter being written.
  std::string chapter_;
  std::string textLanguage_;  // the language the text is hyphenated in at this point
  int paragraph_ = 0;
  bool inNote_ = false;
  std::vector<TLines> notes_;
  std::map<std::string, std::pair<int, int>> quiet_;  // what -> (times, first paragraph)
};

}  // namespace folivar::bookimport
