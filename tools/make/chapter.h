// Chapters: the Markdown of the book source, parsed with cmark-gfm into the compiler's document
// model of blocks (paragraphs, headings, page breaks, the contents, tables, poems, code, scene
// breaks, figures, block quotes and notes) and their spans (text with its emphasis and link,
// pictures, page references, anchors, line breaks). Texts leave here as NFC UTF-8 that passed the
// source gate; a character it refuses is an error at its line. What a real book may hold by
// mistake (HTML the format does not know, a link of another scheme, an empty heading, a note
// without its other half) is a warning, and the chapter is set without it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/make/codepage.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {

enum : uint8_t { kBold = 1, kItalic = 2 };

struct TSpan {
  enum Kind : uint8_t { kText, kPicture, kPageRef, kAnchor, kBreak };
  Kind kind = kText;
  std::string text;   // kText: the characters; kPicture: the file; kPageRef, kAnchor: the name
  uint8_t flags = 0;  // kBold, kItalic
  std::string link;   // "#name" or an external address; empty for none
  std::string title;  // kPicture: the title, which may choose the picture's format
  int line = 0;
  bool noteMark = false;  // kText: a note's number in the text, set in the note style
};

// A table: rows of cells, the first `headerRows` of them its head.
struct TTableCell {
  std::vector<TSpan> spans;
};
struct TTable {
  std::vector<uint8_t> alignments;  // per column: kAlignLeft, kAlignCentre or kAlignRight
  std::vector<std::vector<TTableCell>> rows;
  size_t headerRows = 0;
};

struct TBlock {
  // kVerse: a stanza of a poem, its lines parted by kBreak spans (leading spaces kept);
  // kCode: one kText span per line, as written; kSceneBreak: the ornament between scenes.
  enum Kind : uint8_t { kParagraph, kHeading, kPageBreak, kContents, kTable, kVerse, kCode, kSceneBreak };
  Kind kind = kParagraph;
  int level = 0;  // kHeading: 1 to 3 (#### to ###### are 3)
  std::vector<TSpan> spans;
  std::optional<uint8_t> alignment;  // from <!-- align: ... -->
  bool dropcap = false;
  std::string language;  // the hyphenation of this block: a language of THyphenator::Known
  std::string anchor;    // kHeading: its anchor name
  bool anchorGiven = false;  // named by {#name}, not made from the text
  int indent = 0;        // kParagraph: the depth of the list it stands in (0: none)
  std::string marker;    // the bullet or number of a list item's first paragraph, or a note's number
  std::string markerLink;  // a note's number links back to its mark
  int quote = 0;         // the depth of the block quotes it stands in
  int note = 0;          // the note (1, 2, ...) at the chapter's end it belongs to; 0: the text
  bool figure = false;   // a picture with its caption below it
  std::vector<TSpan> caption;  // a figure's caption
  std::string plain;     // kHeading: its text, for the contents
  TTable table;          // kTable
  int line = 0;
};

struct TChapter {
  std::string file;  // as named in book.toml
  std::vector<TBlock> blocks;  // the notes' blocks last
  std::vector<TSourceWarning> warnings;
};

// Parses a chapter's UTF-8 text. `language` is the book's; `file` names it in errors; its texts
// pass `texts` (the book's gate; a gate of its own when none is given). `index` (1, 2, ...) makes
// the anchor names of its notes: "Note-INDEX-N" at the note, "NoteRef-INDEX-N" at its first mark
// (capitals, which no name made from a heading holds).
TChapter ParseChapter(const std::string& markdown, const std::string& file,
                      const std::string& language, TSourceText* texts = nullptr, int index = 1);

// The anchor name a heading gets from its text: lower case, spaces as '-'.
std::string HeadingAnchor(const std::string& text);

}  // namespace folivar::make
