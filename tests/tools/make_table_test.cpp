// Tables as the reader finds them in a compiled book: measured with the reader's own code, every
// cell of every line starts (left), ends (right) or is centred where its column's head cell is;
// wrapped cells make a row of several lines; the head is bold; a table too wide is set smaller,
// and one that never fits is warned of and still stays within the text. The pictures that move
// the pen between cells draw nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "display/drawing.h"
#include "display/surfaces.h"
#include "tests/support/testsupport.h"
#include "tools/make/compiler.h"

namespace folivar::make {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int32_t start = 0, end = 0;
};

// The runs of visible items of a line between the invisible glyph pictures that part its cells.
std::vector<TRun> Runs(TLine& line) {
  std::vector<TRun> runs;
  int32_t x = line.leftIndent;
  bool open = false;
  for (TViewItem& item : line.items) {
    const int32_t w = item.Width();
    // Between cells: a fixed space, then invisible glyph pictures.
    const bool spacer = item.Kind() == kKindImgChar || (item.Kind() == kKindCharacter && item.Code() == kFixedSpace);
    if (!spacer && !open) runs.push_back({x, x});
    if (!spacer) runs.back().end = x + w;
    open = !spacer;
    x += w;
  }
  return runs;
}

struct TCase {
  const char* name;
  int32_t pageWidth;
  std::string table;
  int32_t size;            // of the cells' text, points
  bool warned;
  const char* alignments;  // of the columns: l, c, r
  size_t tallestRow;       // lines
};

// A row of 26 cells: the letters, or `cell` in each.
std::string Row26(const std::string& cell = {}) {
  std::string row;
  for (char c = 'a'; c <= 'z'; ++c) row += "| " + (cell.empty() ? std::string(1, c) : cell) + " ";
  return row + "|\n";
}

// The book of one chapter, t.md.
std::unique_ptr<TBook> Compile(const std::string& name, int32_t width, int32_t height,
                               const std::string& chapter, TCompileStats& stats) {
  const fs::path dir = fs::path(test::TempDir()) / ("table-" + name);
  fs::create_directories(dir);
  std::ofstream(dir / "book.toml") << "title = \"Tables\"\nchapters = [\"t.md\"]\n[page]\nwidth = " << width
                                   << "\nheight = " << height << "\n";
  std::ofstream(dir / "t.md") << chapter;
  auto book = std::make_unique<TBook>();
  LoadBook(*book, OpenBookImage(test::WriteTempFile("table.bin", CompileBook(dir.string(), &stats))));
  return book;
}

const std::string kLong = "a pear from the orchard on the hill behind the old farm house by the river";

TEST(MakeTable, CellsStandInTheirColumnsWrappedBoldAndWithinTheText) {
  const TCase cases[] = {
      {"fits", 388, "| Fruit | Count | Price |\n|:--|:-:|--:|\n| apple | 3 | 1.20 |\n| " + kLong +
       " | 12 | 0.80 |\n", 12, false, "lcr", 3},
      {"smaller", 388, "| Characteristically | Internationalization | Neighbour |\n|--|--|--|\n"
       "| one | two | three |\n", 10, false, "lll", 1},
      {"hopeless", 200, "| Characteristically | Internationalization | Incomprehensibilities "
       "| 1234567890123456789012 |\n|--|:-:|--:|--|\n| one | two | three | four |\n", 8, true, "lcrl", 7},
      {"stacked", 200, Row26() + Row26("--") + Row26(), 8, true, "l", 3},
  };
  for (const TCase& t : cases) {
    SCOPED_TRACE(t.name);
    TCompileStats stats;
    const std::unique_ptr<TBook> compiled = Compile(t.name, t.pageWidth, 500, "# T\n\n" + t.table, stats);
    TBook& book = *compiled;
    EXPECT_EQ(std::count_if(stats.warnings.begin(), stats.warnings.end(), [](const TSourceWarning& w) {
                return w.where == "t.md:3" && w.text.rfind("the table is too wide for the page: ", 0) == 0;
              }), t.warned ? 1 : 0);

    TSurface surface(static_cast<uint32_t>(book.header.viewWidth),
                     static_cast<uint32_t>(book.header.viewHeight));
    SetCurrentSurface(&surface);
    TPage& page = *book.pages.at(1);
    if (page.unloaded) page.DecodePage(&book.substitute, *book.source);
    std::vector<TRun> head;  // the first line: every column's head cell
    std::set<int32_t> sizes;
    bool inHead = true;
    size_t row = 0, tallest = 0;
    for (size_t i = 1; i < page.lines.size(); ++i) {  // after the heading
      TLine& line = *page.lines[i];
      const int32_t recorded = line.width;
      line.UpdateWidth();
      EXPECT_EQ(line.width, recorded) << i;
      EXPECT_TRUE(line.leftIndent >= 0 && line.leftIndent + line.width <= book.ColumnWidth()) << i;
      if (line.items.size() == 1 && line.items[0].Kind() == kKindImage) inHead = false;  // the rule
      if (line.items.empty() || line.items[0].Kind() == kKindImage) {
        row = 0;
        continue;
      }
      tallest = std::max(tallest, ++row);
      size_t characters = 0, bold = 0;
      for (TViewItem& item : line.items) {
        if (item.Kind() != kKindCharacter) continue;
        ++characters;
        bold += (GetStyle(item.Style()).font.flags & kFontBold) != 0;
        sizes.insert(GetStyle(item.Style()).font.size);
      }
      EXPECT_EQ(bold, inHead ? characters : 0) << i;
      const std::vector<TRun> runs = Runs(line);
      if (head.empty()) {
        head = runs;
        EXPECT_EQ(head.size(), std::string(t.alignments).size());
        continue;
      }
      for (const TRun& r : runs) {
        bool placed = false;
        for (size_t c = 0; c < head.size() && t.alignments[c]; ++c) {
          const TRun& h = head[c];
          const char a = t.alignments[c];
          placed |= a == 'l' ? r.start == h.start : a == 'r' ? r.end == h.end
                                                  : std::abs((r.start + r.end) - (h.start + h.end)) <= 1;
        }
        EXPECT_TRUE(placed) << "line " << i << " run at " << r.start << ".." << r.end;
      }
    }
    EXPECT_EQ(sizes, std::set<int32_t>{t.size});
    EXPECT_EQ(tallest, t.tallestRow);

    // Drawn keyed, as glyph pictures are, the pen's spacers leave the page as it was.
    surface.Bitmap().Fill(0x123456);
    surface.pictureBlend = 0;
    surface.keyColour = book.header.glyphColour & 0xFFFFFF;
    for (const auto& stored : page.lines) {
      TLine spacers;
      for (const TViewItem& item : stored->items)
        if (item.Kind() == kKindImgChar) spacers.items.emplace_back(item.Code(), item.Style());
      int32_t y = 0;
      DrawLine(0, spacers, y, book.ColumnWidth());
    }
    const TXif& bitmap = surface.Bitmap();
    for (uint32_t y = 0; y < surface.Height(); ++y)
      for (uint32_t x = 0; x < surface.Width(); ++x) ASSERT_EQ(bitmap.At(x, y) & 0xFFFFFF, 0x123456u);
    SetCurrentSurface(nullptr);
  }
}

// A page break never parts a row, nor the head from the first row below it.
TEST(MakeTable, RowsStayWholeAndTheHeadWithTheFirstRow) {
  // Text enough that the head and its rule would end the first page, were they not kept with the row.
  std::string chapter = "# T\n\n";
  for (int i = 0; i < 5; ++i) chapter += kLong.substr(0, 30 + i % 7) + " ";
  chapter += "\n\n| No. | Text |\n|--:|--|\n";
  for (int r = 1; r <= 12; ++r) chapter += "| " + std::to_string(r) + " | " + kLong + " " + kLong + " |\n";
  TCompileStats stats;
  const std::unique_ptr<TBook> book = Compile("pages", 300, 260, chapter, stats);
  ASSERT_GT(book->PageCount(), 4);
  auto is = [](uint8_t kind) { return [kind](const TViewItem& i) { return i.Kind() == kind; }; };
  auto bold = [](const TViewItem& i) {
    return i.Kind() == kKindCharacter && GetStyle(i.Style()).font.flags & kFontBold;
  };
  for (int32_t p = 1; p < book->PageCount(); ++p) {
    TPage& page = *book->pages[static_cast<size_t>(p)];
    if (page.unloaded) page.DecodePage(&book->substitute, *book->source);
    std::vector<const std::vector<TViewItem>*> lines;
    for (const auto& line : page.lines)
      if (!line->items.empty()) lines.push_back(&line->items);
    ASSERT_FALSE(lines.empty());
    // A table line (spacers part its cells) that begins a page is the head's or a row's first, its
    // number first; no page ends with the head or its rule.
    const auto& first = *lines.front();
    const auto c = std::find_if(first.begin(), first.end(), is(kKindCharacter));
    if (std::any_of(first.begin(), first.end(), is(kKindImgChar)) && c != first.end()) {
      EXPECT_TRUE((c->Code() >= '0' && c->Code() <= '9') || bold(*c)) << p;
    }
    EXPECT_TRUE(std::none_of(lines.back()->begin(), lines.back()->end(), is(kKindImage))) << p;
    EXPECT_TRUE(std::none_of(lines.back()->begin(), lines.back()->end(), bold)) << p;
  }
}

}  // namespace
}  // namespace folivar::make
