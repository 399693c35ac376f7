// Laying out the chapters: paragraphs and headings broken into measured lines (total fit, with
// hyphenation), drop caps, pictures on lines of their own and figures with captions, block quotes,
// poems, code, scene breaks, the notes at a chapter's end, the contents, vertical spacing and page
// breaks. The result is the stream of lines that the page breaker cuts into pages.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tools/make/chapter.h"
#include "tools/make/hyphenation.h"
#include "tools/make/linebreak.h"
#include "tools/make/measure.h"
#include "tools/make/pagebreak.h"
#include "tools/make/picturestore.h"
#include "tools/make/source.h"
#include "tools/make/sourceerror.h"
#include "tools/make/styles.h"

namespace folivar::make {

constexpr int32_t kListIndent = 16;   // per level of a list
constexpr int32_t kQuoteIndent = 24;  // on both sides, per level of a block quote

struct TContentsEntry {
  std::string text;    // UTF-8
  int level = 1;       // 1 or 2
  int32_t anchor = 0;  // anchor number of the heading
  std::string name;    // and its name
  std::string file;    // where the heading stands
  int line = 0;
};

class TLayout {
 public:
  TLayout(const TBookSource& source, TMeasure& measure, TBookStyles& styles,
          TPictureStore& pictures, THyphenators& hyphenators,
          const std::map<std::string, int32_t>& anchors, std::vector<TContentsEntry> contents);

  void Chapter(const TChapter& chapter);
  // The substitute page's lines: a short text saying the page could not be read.
  std::vector<TLineRecord> SubstituteLines(const std::string& text);

  const std::vector<TPageLine>& Lines() const { return lines_; }

  // A character whose face has no glyph for it, once per face and character; a link to an anchor
  // the book does not have (set without the link).
  const std::vector<TSourceWarning>& Warnings() const { return warnings_; }

  // The height of a line of the text style.
  int32_t TextLineHeight() const { return textAscent_ + textDescent_; }

 private:
  struct TGlyphBox {
    uint16_t picture = 0;
    int32_t width = 0;
    int32_t lines = 0;  // indented beside it, the first line included
    std::string link;   // of the letter it stands for
  };

  void Block(const TBlock& block, const std::string& file);
  // `keep`: every line is kept with the next (a figure's caption with its picture).
  void Paragraph(const TBlock& block, const TTextStyle& base, bool heading, const std::string& file,
                 bool keep = false);
  // A stanza: each line as written, never justified or hyphenated, a long one hanging below.
  void Verse(const TBlock& block, const std::string& file);
  // Code: each line as written in the code style, a long one wrapped at the measure.
  void Code(const TBlock& block, const std::string& file);
  void SceneBreak(const TBlock& block, const std::string& file);
  // The short rule above the notes at a chapter's end.
  void NotesRule(const std::string& file);
  bool PictureBlock(const TBlock& block, const std::string& file);
  // A table's rows of cells, their text wrapped to the columns (tools/make/tablelayout.cpp).
  void Table(const TBlock& block, const std::string& file);
  void Contents();
  // The boxes, glue and penalties of the spans; the last element is the forced break at the end.
  // Pictures are made smaller to fit `measure` (the text width when 0).
  std::vector<TElement> Elements(const TTextStyle& base, const std::string& file,
                                 const std::vector<TSpan>& spans, int32_t measure = 0);
  void Hyphenate(std::vector<TElement>& elements, const std::string& language);
  TGlyphBox DropCap(std::vector<TSpan>& spans, const std::string& file, int line);
  TLineRecord Record(const TBrokenLine& line, uint8_t alignment, int32_t available, bool skipGlyph);

  // Warns when the face of the text style (or of the font) lacks the character.
  void CheckGlyph(char32_t c, uint16_t style, const std::string& file, int line);
  void CheckGlyph(const std::string& face, char32_t c, const std::string& file, int line);

  void Spacing(int32_t height);
  void Emit(TPageLine line);
  void AnchorOnly(std::vector<int32_t> anchors);
  int32_t Anchor(const std::string& name, const std::string& file, int line) const;
  // The link itself, or none (and a warning) when it names an anchor the book does not have.
  std::string Link(const std::string& link, const std::string& file, int line);

  const TBookSource& source_;
  TMeasure& measure_;
  TBookStyles& styles_;
  TPictureStore& pictures_;
  THyphenators& hyphenators_;
  const std::map<std::string, int32_t>& anchors_;
  std::vector<TContentsEntry> contents_;
  std::vector<TPageLine> lines_;
  std::vector<TSourceWarning> warnings_;
  std::set<std::pair<uint16_t, char32_t>> checked_;   // style and character asked of the face
  std::set<std::pair<std::string, char32_t>> warned_;  // face and character
  std::set<std::tuple<std::string, int, std::string>> missing_;  // file, line and link warned of
  bool newPage_ = true;
  bool verseBefore_ = false;  // the block before was a stanza
  bool notesBegun_ = false;   // the chapter's notes are being set
  int32_t paragraphs_ = 0;
  uint16_t textStyle_ = 0;
  int32_t textAscent_ = 0, textDescent_ = 0;
  std::map<int32_t, uint16_t> spacers_, rules_;  // tables' pictures by width, stored once
};

}  // namespace folivar::make
