// The chapter format's constructs: parsed on their own (notes, tables, headings, what is only a
// warning), and compiled into a book that the reader loads, where their lines are looked at: block
// quotes indented on both sides, poems line by line and never justified, code in its own style with
// its spaces, the scene break's ornament, a figure's caption under its picture, notes that link to
// each other's pages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "display/anchorz.h"
#include "tests/support/testsupport.h"
#include "tools/common/png.h"
#include "tools/make/chapter.h"
#include "tools/make/compiler.h"

namespace folivar::make {
namespace {

namespace fs = std::filesystem;

bool Warned(const std::vector<TSourceWarning>& warnings, const std::string& where, const std::string& text) {
  for (const TSourceWarning& w : warnings)
    if (w.where == where && w.text.find(text) != std::string::npos) return true;
  return false;
}

TEST(MakeChapter, ParsesNotesTablesHeadingsAndWarnsOfWhatItDrops) {
  const TChapter c = ParseChapter(
      "##### Deep\n\nA mark[^a] and a lost one[^zz].\n\n| L | C | R | N |\n|:--|:-:|--:|---|\n| *x* | y<br>z | | w |\n\n"
      "#  \n\n[odd](ftp://x/y) <span>kept</span>\n\n<!-- language: xx -->\nText.\n\n"
      "[^a]: First\n    paragraph.\n\n    Second paragraph.\n[^b]: Never marked.\n",
      "c.md", "en", nullptr, 4);
  ASSERT_EQ(c.blocks.size(), 8u);
  EXPECT_EQ(c.blocks[0].level, 3);
  // The mark: its anchor, then its number linking to the note.
  const std::vector<TSpan>& p = c.blocks[1].spans;
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[1].text, "NoteRef-4-1");
  EXPECT_TRUE(p[2].noteMark && p[2].text == "1" && p[2].link == "#Note-4-1");
  EXPECT_NE(p[3].text.find("[^zz]"), std::string::npos);
  const TTable& t = c.blocks[2].table;
  EXPECT_EQ(t.alignments, (std::vector<uint8_t>{kAlignLeft, kAlignCentre, kAlignRight, kAlignLeft}));
  EXPECT_EQ(t.headerRows, 1u);
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[1][0].spans.at(0).flags, kItalic);
  EXPECT_EQ(t.rows[1][1].spans.at(1).kind, TSpan::kBreak);
  EXPECT_TRUE(t.rows[1][2].spans.empty());
  // The empty heading is skipped; the odd link and the span tags are dropped, their text kept.
  EXPECT_EQ(c.blocks[3].spans.at(0).text, "odd");
  EXPECT_TRUE(c.blocks[3].spans.at(0).link.empty());
  // The notes: numbered in the order of their marks, the first paragraph beginning with the
  // number that links back; the note never marked is set too, its number linking nowhere.
  for (size_t i : {5u, 6u}) EXPECT_EQ(c.blocks[i].note, 1);
  EXPECT_EQ(c.blocks[5].marker, "1");
  EXPECT_EQ(c.blocks[5].markerLink, "#NoteRef-4-1");
  EXPECT_EQ(c.blocks[5].spans.at(0).text, "Note-4-1");
  EXPECT_TRUE(c.blocks[6].marker.empty());
  EXPECT_EQ(std::tuple(c.blocks[7].note, c.blocks[7].marker, c.blocks[7].markerLink), std::tuple(2, "2", ""));
  const std::pair<const char*, const char*> warnings[] = {
      {"c.md:3", "[^zz] has no definition"}, {"c.md:9", "the heading is empty"},
      {"c.md:11", "'ftp://x/y' is neither"}, {"c.md:11", "unknown HTML <span>"},
      {"c.md:13", "no hyphenation patterns for the language 'xx'"}, {"c.md:20", "never referred to"}};
  for (const auto& [where, text] : warnings) EXPECT_TRUE(Warned(c.warnings, where, text)) << where << " " << text;
  // An alignment before a table places it.
  const TChapter placed = ParseChapter("<!-- align: right -->\n| a | b |\n|---|---|\n| c | d |\n", "p.md", "en");
  ASSERT_EQ(placed.blocks.size(), 1u);
  EXPECT_EQ(placed.blocks[0].alignment, std::optional<uint8_t>(kAlignRight));
}

std::unique_ptr<TBook> Load(const std::string& image) {
  auto book = std::make_unique<TBook>();
  LoadBook(*book, OpenBookImage(test::WriteTempFile("chapters.bin", image)));
  return book;
}

struct TFound {
  int32_t page = -1;
  size_t index = 0;  // on its page
  const TLine* line = nullptr;
  const TLine* next = nullptr;  // the line after it on its page
};

class MakeChapterBook : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path dir = fs::path(test::TempDir()) / "chapters";
    fs::remove_all(dir);
    fs::create_directories(dir / "art");
    std::ofstream(dir / "book.toml") << "title = \"Forms\"\nchapters = [\"one.md\"]\n[page]\nwidth = 300\nheight = 400\n";
    WritePng((dir / "art/pic.png").string(), 60, 40, std::vector<uint32_t>(60 * 40, 0x336699));
    WritePng((dir / "art/wide.png").string(), 600, 40, std::vector<uint32_t>(600 * 40, 0x993366));
    std::ofstream(dir / "one.md")
        << "# Story\n\nA MARKED word[^a] and JOIN\u2060ED text.\n\n"
           "> LONGQUOTE the reader carries its own book and every page is measured before it is stored so "
           "that justified lines fill their width.\n\n"
           "| QFIRST the reader carries its own book and every page is measured\n"
           "|    INDENTED line\n|\n| AFTER the empty line\n\n"
           "    CODELINE   x = 1;\n    LONGCODE = reader.carries(its, own, book);\n\n#### Deep HEADFOUR\n\n<!-- scene -->\n\nAFTERSCENE.\n\n"
           "<!-- figure -->\n![The *CAPTION* text](art/pic.png)\n\n---\n\n"
           "Unknown <span>SPANTEXT</span> and [GONE](#nowhere).\n\n[^a]: The NOTETEXT body.\n\n"
           "> ![wide](art/wide.png)\n\n- LISTPIC ![wide](art/wide.png)\n";
    book_ = Load(CompileBook(dir.string(), &stats_));
  }
  static void TearDownTestSuite() { book_.reset(); }

  static std::string Text(const TLine& line) {
    std::string s;
    for (const TViewItem& item : line.items)
      if (item.Kind() == kKindCharacter) s += item.Code() == kFixedSpace ? ' ' : static_cast<char>(item.Code() & 0xFF);
    return s;
  }
  static TFound Find(const std::string& text) {
    for (int32_t p = 0; p < book_->PageCount(); ++p) {
      TPage& page = *book_->pages[static_cast<size_t>(p)];
      if (page.unloaded) page.DecodePage(&book_->substitute, *book_->source);
      for (size_t i = 0; i < page.lines.size(); ++i)
        if (Text(*page.lines[i]).find(text) != std::string::npos)
          return {p, i, page.lines[i].get(), i + 1 < page.lines.size() ? page.lines[i + 1].get() : nullptr};
    }
    return {};
  }
  static const TStyle& StyleOf(const TLine& line, size_t item = 0) { return GetStyle(line.items.at(item).Style()); }

  static inline std::unique_ptr<TBook> book_;
  static inline TCompileStats stats_;
};

TEST_F(MakeChapterBook, QuotesPoemsCodeHeadingsAndSceneBreaks) {
  const TFound quote = Find("LONGQUOTE");
  ASSERT_TRUE(quote.line && quote.next);
  EXPECT_EQ(quote.line->alignment, kJustify);
  for (const TLine* l : {quote.line, quote.next}) EXPECT_EQ(std::pair(l->leftIndent, l->rightIndent), std::pair(24, 24));
  // A long poem line hangs one em further; an indented one is one stored line; none is justified.
  const TFound first = Find("QFIRST"), indented = Find("INDENTED"), after = Find("AFTER the");
  ASSERT_TRUE(first.line && first.next && indented.line && after.line);
  EXPECT_EQ(first.line->leftIndent, 0);
  EXPECT_GT(first.next->leftIndent, 5);
  EXPECT_EQ(std::tuple(indented.page, indented.index), std::tuple(first.page, first.index + 2));
  EXPECT_EQ(std::tuple(after.page, after.index), std::tuple(first.page, first.index + 4));
  EXPECT_TRUE(indented.next->items.empty());  // the empty line
  for (const TLine* l : {first.line, first.next, indented.line, after.line}) EXPECT_EQ(l->alignment, kAlignLeft);
  EXPECT_GT(indented.line->leftIndent, 0);
  EXPECT_EQ(Text(*indented.line), "INDENTED line");
  // Code keeps its spaces, in the code style.
  const TFound code = Find("CODELINE");
  ASSERT_TRUE(code.line);
  EXPECT_EQ(Text(*code.line), "CODELINE   x = 1;");
  EXPECT_EQ(StyleOf(*code.line).font.faceName, "Courier New");
  // A code line too long for the width wraps at it, going on two characters in.
  const TFound wrapped = Find("LONGCODE");
  ASSERT_TRUE(wrapped.line && wrapped.next);
  EXPECT_EQ(wrapped.line->leftIndent, 0);
  EXPECT_GT(wrapped.next->leftIndent, 0);
  EXPECT_LE(wrapped.line->width, 240);
  EXPECT_EQ(Text(*wrapped.line) + Text(*wrapped.next), "LONGCODE = reader.carries(its, own, book);");
  EXPECT_EQ(StyleOf(*Find("HEADFOUR").line).font.faceName, "Arial");
  EXPECT_EQ(StyleOf(*Find("HEADFOUR").line).font.size, 12);
  const TFound scene = Find("* * *");
  ASSERT_TRUE(scene.line);
  EXPECT_EQ(scene.line->alignment, kAlignCentre);
  EXPECT_EQ(Find("AFTERSCENE").page, scene.page);
  EXPECT_TRUE(Find("JOINED").line);  // the word joiner is no item
  // A picture wider than the text is made smaller to fit the measure it stands in: a quote's, a
  // list item's.
  const TFound listed = Find("LISTPIC");
  ASSERT_TRUE(listed.line && listed.page > 0);
  EXPECT_LE(listed.line->width, 240 - 16);
  const TPage& page = *book_->pages[static_cast<size_t>(listed.page)];
  const TLine* quoted = nullptr;
  for (size_t i = 0; i < listed.index; ++i)
    if (page.lines[i]->leftIndent == 24 && !page.lines[i]->items.empty()) quoted = page.lines[i].get();
  ASSERT_TRUE(quoted);
  EXPECT_EQ(quoted->items.at(0).Kind(), kKindImage);
  EXPECT_LE(quoted->width, 240 - 2 * 24);
}

TEST_F(MakeChapterBook, FigureCaptionNotesAndWarnings) {
  const TFound caption = Find("The CAPTION text");
  ASSERT_TRUE(caption.line);
  EXPECT_EQ(caption.line->alignment, kAlignCentre);
  EXPECT_TRUE(StyleOf(*caption.line).font.flags & kFontItalic);
  const TPage& page = *book_->pages[static_cast<size_t>(caption.page)];
  bool pictureAbove = false;
  for (const auto& l : page.lines) {
    if (l.get() == caption.line) break;
    for (const TViewItem& item : l->items) pictureAbove = pictureAbove || item.Kind() == kKindImage;
  }
  EXPECT_TRUE(pictureAbove);
  // The mark links to the note's page, the note's number back to the mark's.
  const TFound mark = Find("MARKED"), note = Find("NOTETEXT");
  ASSERT_TRUE(mark.line && note.line);
  EXPECT_LT(mark.page, note.page);
  std::string markLink;
  for (const TViewItem& item : mark.line->items)
    if (!GetStyle(item.Style()).link.empty()) markLink = GetStyle(item.Style()).link;
  ASSERT_EQ(markLink, "#Note-1-1");
  EXPECT_EQ(AnchorPage(*FindAnchor(markLink.substr(1))), note.page);
  EXPECT_EQ(Text(*note.line).rfind("1", 0), 0u);
  EXPECT_EQ(StyleOf(*note.line).link, "#NoteRef-1-1");
  EXPECT_EQ(AnchorPage(*FindAnchor("NoteRef-1-1")), mark.page);
  // Unknown HTML and a link to no anchor: warnings, the text kept without the link.
  const TFound unknown = Find("SPANTEXT and GONE");
  ASSERT_TRUE(unknown.line);
  for (const TViewItem& item : unknown.line->items) EXPECT_TRUE(GetStyle(item.Style()).link.empty());
  EXPECT_TRUE(Warned(stats_.warnings, "one.md:26", "unknown HTML <span>"));
  EXPECT_TRUE(Warned(stats_.warnings, "one.md:26", "no anchor 'nowhere'"));
}

}  // namespace
}  // namespace folivar::make
