// The book compiler end to end: sources written here (with PNGs from the tools' PNG writer) are
// compiled, and the book the reader loads from the image is compared with the source: anchors,
// pages, page references, properties, messages, pictures, drop caps. Lines are measured and drawn
// with the reader's own code on the native text device: justified lines fill the text width
// exactly, no line is wider than it, hyphens fall where the patterns allow. Bad sources fail with
// one clear line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "core/strutil.h"
#include "display/anchorz.h"
#include "display/drawing.h"
#include "display/surfaces.h"
#include "images/imageclass.h"
#include "reader/msgs.h"
#include "tests/support/testsupport.h"
#include "tools/common/png.h"
#include "tools/make/compiler.h"
#include "tools/make/hyphenation.h"
#include "tools/make/pagecurl.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string Lorem(int n, int seed) {
  static const char* words[] = {"the", "reader", "carries", "its", "own", "book", "and", "every",
                                "page", "is", "measured", "before", "it", "is", "stored", "so",
                                "that", "justified", "lines", "fill", "their", "width", "exactly",
                                "while", "hyphenation", "breaks", "longer", "words", "between",
                                "syllables", "wherever", "patterns", "allow", "typesetting"};
  std::string s;
  for (int i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += words[(i * 7 + seed * 13 + i / 3) % 34];
  }
  return s;
}

// A source folder: two chapters, the contents, anchors with page references to them, pictures of
// three kinds, a drop cap, messages and every section of book.toml.
fs::path WriteSource(const std::string& name, int paragraphs = 30, const std::string& extraToml = {}) {
  const fs::path dir = fs::path(test::TempDir()) / name;
  fs::remove_all(dir);
  Write(dir / "book.toml",
        "title = \"Compiled\"\nauthor = \"Tester\"\npublisher = \"folivar.example\"\nedition = \"7\"\n"
        "chapters = [\"one.md\", \"two.md\"]\n" + extraToml +
        "[page]\nwidth = 300\nheight = 400\nmargins = { left = 20, top = 20, right = 20, bottom = 30 }\n"
        "[reader]\nabout = false\npage_curl_duration = 450\n"
        "[pictures]\ncover = \"art/cover.png\"\ndigits = \"art/d{}.png\"\n");
  Write(dir / "messages.txt", "# the reader's texts\nok = Fine\ntheend = The end\n");
  fs::create_directories(dir / "art");
  std::vector<uint32_t> photo(120 * 80);
  for (uint32_t y = 0; y < 80; ++y)
    for (uint32_t x = 0; x < 120; ++x) photo[y * 120 + x] = (x * 2) << 16 | (y * 3) << 8 | ((x + y) & 0xFF);
  WritePng((dir / "art/photo.png").string(), 120, 80, photo);
  WritePng((dir / "art/cover.png").string(), 300, 400, std::vector<uint32_t>(300 * 400, 0x336699));
  std::vector<uint32_t> leaf(12, 0xFFFFFF);
  leaf[3] = leaf[8] = 0x208020;
  WritePng((dir / "art/leaf.png").string(), 4, 3, leaf);
  for (int d = 0; d < 10; ++d) {
    std::vector<uint32_t> digit(6 * 9, 0xFFFFFF);
    digit[static_cast<size_t>(d)] = 0;
    WritePng((dir / ("art/d" + std::to_string(d) + ".png")).string(), 6, 9, digit);
  }
  std::string one = "# Contents\n\n<!-- contents -->\n\n# First chapter\n\n<!-- dropcap -->\n" + Lorem(60, 1) +
                    ".\n\nSee page [#](#far) and the [second chapter](#second) or [the web](https://folivar.example/).\n\n";
  for (int p = 0; p < paragraphs; ++p) {
    if (p == paragraphs / 2) one += "## Middle {#middle}\n\n";
    if (p == paragraphs / 3) one += "<a id=\"far\"></a>FARMARK " + Lorem(10, p) + "\n\n";
    one += Lorem(25 + p % 40, p) + " ![leaf](art/leaf.png) " + Lorem(5, p + 1) + " internationalization.\n\n";
  }
  one += "![A photograph](art/photo.png \"xwl:60\")\n";
  Write(dir / "one.md", one);
  Write(dir / "two.md", "# Second chapter {#second}\n\n<!-- align: center -->\nCentred. Back to [#](#middle).\n\n---\n\n"
                        "<a id=\"last\"></a>LASTMARK after the break.\n");
  return dir;
}

struct TLoaded {
  TBook book;
  std::string image;
};

std::unique_ptr<TLoaded> Load(const std::string& image) {
  auto l = std::make_unique<TLoaded>();
  l->image = image;
  const std::string path = test::WriteTempFile("compiled.bin", image);
  LoadBook(l->book, OpenBookImage(path));
  return l;
}

TPage& Decode(TBook& book, int32_t index) {
  TPage& page = *book.pages[static_cast<size_t>(index)];
  if (page.unloaded) page.DecodePage(&book.substitute, *book.source);
  return page;
}

// The characters of a line; a page reference shows as '#'.
std::string LineText(const TLine& line) {
  std::string s;
  for (const TViewItem& item : line.items) {
    if (item.Style() == kPageReferenceStyle) s += '#';
    else if (item.Kind() == kKindCharacter) s += item.Code() == kFixedSpace ? ' ' : static_cast<char>(item.Code() & 0xFF);
  }
  return s;
}

class MakeCompile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path dir = WriteSource("book");
    loaded_ = Load(CompileBook(dir.string(), &stats_)).release();
  }
  static void TearDownTestSuite() {
    delete loaded_;
    loaded_ = nullptr;
  }
  static TBook& Book() { return loaded_->book; }

  // The page whose text holds the word.
  static int32_t PageOf(const std::string& word) {
    for (int32_t p = 0; p < Book().PageCount(); ++p)
      for (const auto& line : Decode(Book(), p).lines)
        if (LineText(*line).find(word) != std::string::npos) return p;
    return -1;
  }
  // The page of the heading line that reads text.
  static int32_t PageOfHeading(const std::string& text) {
    for (int32_t p = 0; p < Book().PageCount(); ++p)
      for (const auto& line : Decode(Book(), p).lines)
        if (LineText(*line) == text) return p;
    return -1;
  }

  static TLoaded* loaded_;
  static TCompileStats stats_;
};
TLoaded* MakeCompile::loaded_ = nullptr;
TCompileStats MakeCompile::stats_;

TEST_F(MakeCompile, TheHeaderPropertiesAndMessagesAreTheSources) {
  const TBookHeader& h = Book().header;
  EXPECT_EQ(h.title, "Compiled");
  EXPECT_EQ(h.author, "Tester");
  EXPECT_EQ(h.edition, "7");
  EXPECT_EQ(h.pageWidth, 300);
  EXPECT_EQ(h.viewWidth, 600);
  EXPECT_EQ(h.viewHeight, 400);
  EXPECT_EQ(h.leftMargin, 20);
  EXPECT_EQ(h.bottomMargin, 30);
  EXPECT_EQ(h.noAbout, 1);
  EXPECT_EQ(h.printEnabled, 1);
  EXPECT_EQ(h.spineColour, 0xC6C2B6);
  EXPECT_GE(h.coverImage, 0);
  EXPECT_GE(h.digitImageBase, 0);
  EXPECT_EQ(ImageAt(static_cast<uint32_t>(h.coverImage)).Width(), 300);
  for (int d = 0; d < 10; ++d) EXPECT_EQ(ImageAt(static_cast<uint32_t>(h.digitImageBase + d)).Width(), 6);
  EXPECT_EQ(GetValue(Book().properties, "pageturn_animation"), "1");
  TPageCurlOptions curl;
  curl.duration = 450;
  EXPECT_EQ(GetValue(Book().properties, "anime"), MakePageCurlText(curl));
  EXPECT_EQ(MessageText("Ok"), "Fine");
  EXPECT_EQ(MessageText("TheEnd"), "The end");
  EXPECT_EQ(MessageText("Continue"), "Continue");  // not in the file: the English default
  EXPECT_EQ(stats_.pages, Book().PageCount());
}

TEST_F(MakeCompile, PageZeroIsTheCoverAndChaptersBeginPages) {
  EXPECT_TRUE(Decode(Book(), 0).lines.empty());
  ASSERT_GT(Book().PageCount(), 8);
  const int32_t second = AnchorPage(*FindAnchor("second"));
  const int32_t last = AnchorPage(*FindAnchor("last"));
  EXPECT_EQ(LineText(*Decode(Book(), second).lines[0]), "Second chapter");
  EXPECT_EQ(last, second + 1);  // after the page break
  EXPECT_EQ(PageOf("LASTMARK"), last);
  EXPECT_EQ(last, Book().PageCount() - 1);
}

TEST_F(MakeCompile, AnchorsLandOnThePagesOfTheirText) {
  std::map<std::string, int32_t> expected = {{"contents", PageOfHeading("Contents")},
                                             {"first-chapter", PageOfHeading("First chapter")},
                                             {"middle", PageOfHeading("Middle")},
                                             {"far", PageOf("FARMARK")},
                                             {"second", PageOfHeading("Second chapter")},
                                             {"last", PageOf("LASTMARK")}};
  EXPECT_EQ(AnchorCount(), static_cast<int32_t>(expected.size()));
  for (const auto& [name, page] : expected) {
    ASSERT_TRUE(FindAnchor(name)) << name;
    EXPECT_GT(page, 0) << name;
    EXPECT_EQ(AnchorPage(*FindAnchor(name)), page) << name;
  }
  // The contents page lists the headings with the page references of their anchors.
  const TPage& contents = Decode(Book(), 1);
  std::vector<std::string> entries;
  for (const auto& line : contents.lines) {
    for (const TViewItem& item : line->items) {
      if (item.Style() == kPageReferenceStyle) {
        ASSERT_TRUE(IsAnchor(item.Code()));
        entries.push_back(AnchorName(item.Code()));
      }
    }
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"contents", "first-chapter", "middle", "second"}));
}

TEST_F(MakeCompile, EveryPageReferenceNamesAnAnchorAndEveryLinkOne) {
  int references = 0;
  for (int32_t p = 0; p < Book().PageCount(); ++p) {
    for (const auto& line : Decode(Book(), p).lines) {
      for (const TViewItem& item : line->items) {
        if (item.Style() == kPageReferenceStyle) {
          ++references;
          EXPECT_TRUE(IsAnchor(item.Code()));
        }
        const std::string& link = GetStyle(item.Style()).link;
        if (!link.empty() && link[0] == '#') {
          EXPECT_TRUE(FindAnchor(link.substr(1))) << link;
        }
      }
    }
  }
  EXPECT_EQ(references, 4 + 2);  // the contents, "far" and "middle"
}

TEST_F(MakeCompile, LinesFitAndJustifiedLinesFillTheWidthWhenDrawn) {
  TSurface surface(static_cast<uint32_t>(Book().header.viewWidth), static_cast<uint32_t>(Book().header.viewHeight));
  SetCurrentSurface(&surface);
  const int32_t width = Book().ColumnWidth();
  int justified = 0;
  for (int32_t p = 0; p < Book().PageCount(); ++p) {
    const TPage& page = Decode(Book(), p);
    int64_t height = 0;
    for (const auto& stored : page.lines) {
      TLine line;
      line.Assign(*stored);
      const int32_t recorded = line.width;
      line.UpdateWidth();
      EXPECT_EQ(line.width, recorded) << "page " << p << ": " << LineText(line);
      EXPECT_LE(line.width + line.leftIndent + line.rightIndent, width) << "page " << p << ": " << LineText(line);
      EXPECT_EQ(line.height, line.ascent + line.descent);
      height += line.height;
      if (line.alignment == kJustify) {
        ++justified;
        int32_t y = Book().header.topMargin;
        DrawLine(Book().header.leftMargin, line, y, width);
        line.UpdateWidth();
        EXPECT_EQ(line.width, width - line.leftIndent - line.rightIndent) << "page " << p << ": " << LineText(line);
      }
    }
    // Every line of the page is drawn: none falls below the bottom margin.
    EXPECT_LE(height, Book().header.viewHeight - Book().header.topMargin - Book().header.bottomMargin) << p;
  }
  EXPECT_GT(justified, 100);
  SetCurrentSurface(nullptr);
}

TEST_F(MakeCompile, NoPageBeginsWithAWidowOrEndsWithAnOrphan) {
  // A paragraph's last line is the only left-aligned one after justified ones; a spacing line
  // (no items) stands between paragraphs.
  int checked = 0;
  for (int32_t p = 2; p < Book().PageCount(); ++p) {
    const TPage& before = Decode(Book(), p - 1);
    const TPage& page = Decode(Book(), p);
    if (before.lines.size() < 2 || page.lines.empty()) continue;
    const TLine& last = *before.lines.back();
    const TLine& previous = *before.lines[before.lines.size() - 2];
    const TLine& first = *page.lines.front();
    if (last.alignment != kJustify) continue;
    ++checked;
    EXPECT_FALSE(first.alignment == kAlignLeft && !first.items.empty() &&
                 GetStyle(first.items[0].Style()).font.size == 12 && page.lines.size() > 1 &&
                 page.lines[1]->items.empty())
        << "a widow at the top of page " << p << ": " << LineText(first);
    EXPECT_FALSE(previous.items.empty()) << "an orphan at the bottom of page " << p - 1 << ": " << LineText(last);
  }
  EXPECT_GT(checked, 3);
  // Nor does a page end with a heading (set in Arial here, the text in Times New Roman).
  for (int32_t p = 1; p < Book().PageCount(); ++p) {
    const TPage& page = Decode(Book(), p);
    for (auto line = page.lines.rbegin(); line != page.lines.rend(); ++line) {
      if ((*line)->items.empty()) continue;
      EXPECT_NE(GetStyle((*line)->items[0].Style()).font.faceName, "Arial") << "page " << p << ": " << LineText(**line);
      break;
    }
  }
}

TEST_F(MakeCompile, HyphensFallWhereThePatternsAllowAndNeverInTheLastWord) {
  THyphenator en("en");
  int hyphens = 0;
  for (int32_t p = 1; p < Book().PageCount(); ++p) {
    const TPage& page = Decode(Book(), p);
    for (size_t i = 0; i + 1 < page.lines.size(); ++i) {
      const std::string a = LineText(*page.lines[i]), b = LineText(*page.lines[i + 1]);
      if (a.size() < 3 || a.back() != '-' || !std::isalpha(static_cast<unsigned char>(a[a.size() - 2]))) continue;
      ++hyphens;
      const std::string head = a.substr(a.rfind(' ') + 1, a.size() - a.rfind(' ') - 2);
      std::string tail = b.substr(0, b.find_first_of(" .,"));
      const auto points = en.Points(head + tail);
      EXPECT_NE(std::find(points.begin(), points.end(), head.size()), points.end()) << head << "-" << tail;
      EXPECT_NE(head + tail, "internationalization");
    }
  }
  EXPECT_GT(hyphens, 3);
}

TEST_F(MakeCompile, PicturesDropCapAndAlignment) {
  // The photograph stands centred on a line of its own, stored as wavelets as its title asks.
  bool photo = false, leaf = false, glyph = false;
  for (int32_t p = 1; p < Book().PageCount(); ++p) {
    const TPage& page = Decode(Book(), p);
    for (size_t i = 0; i < page.lines.size(); ++i) {
      const TLine& line = *page.lines[i];
      for (const TViewItem& item : line.items) {
        if (item.Kind() == kKindImage && item.Picture().Width() == 120) {
          photo = true;
          EXPECT_EQ(line.alignment, kAlignCentre);
          EXPECT_EQ(line.items.size(), 1u);
          EXPECT_EQ(line.height, 80);
        }
        if (item.Kind() == kKindImage && item.Picture().Width() == 4) leaf = true;
        if (item.Kind() == kKindImgChar) {
          glyph = true;
          // The letters beside the drop cap are indented by its width.
          EXPECT_EQ(&item, &line.items[0]);
          ASSERT_GE(page.lines.size(), i + 3);
          EXPECT_EQ(page.lines[i + 1]->leftIndent, item.Picture().Width());
          EXPECT_EQ(page.lines[i + 2]->leftIndent, item.Picture().Width());
          EXPECT_GT(item.Picture().Height(), 2 * line.height);
        }
      }
    }
  }
  EXPECT_TRUE(photo);
  EXPECT_TRUE(leaf);
  EXPECT_TRUE(glyph);
  const TPage& second = Decode(Book(), AnchorPage(*FindAnchor("second")));
  ASSERT_GE(second.lines.size(), 3u);
  EXPECT_EQ(second.lines.back()->alignment, kAlignCentre);
  // The substitute page says what happened.
  bool said = false;
  for (const auto& line : Book().substitute.lines) said |= LineText(*line) == "This page could not be read.";
  EXPECT_TRUE(said);
}

TEST(MakeCompileRussian, CyrillicTextIsStoredInCodePage1251AndHyphenated) {
  const fs::path dir = fs::path(test::TempDir()) / "ru";
  fs::remove_all(dir);
  Write(dir / "book.toml", "title = \"Книга\"\nlanguage = \"ru\"\nchapters = [\"a.md\"]\n[page]\nwidth = 200\n");
  std::string text;
  for (int i = 0; i < 30; ++i) text += "Программирование книжных страниц требует терпения и внимательности. ";
  Write(dir / "a.md", "# Глава\n\n" + text + "\n");
  auto loaded = Load(CompileBook(dir.string()));
  EXPECT_EQ(loaded->book.header.title, "\xCA\xED\xE8\xE3\xE0");
  ASSERT_TRUE(FindAnchor("\xE3\xEB\xE0\xE2\xE0"));  // "глава", the heading in lower case
  int hyphens = 0;
  for (int32_t p = 1; p < loaded->book.PageCount(); ++p)
    for (const auto& line : Decode(loaded->book, p).lines) {
      const std::string s = LineText(*line);
      if (s.size() > 2 && s.back() == '-') ++hyphens;
    }
  EXPECT_GT(hyphens, 0);
  std::string substitute;
  for (const auto& line : loaded->book.substitute.lines)
    if (!line->items.empty()) substitute += (substitute.empty() ? "" : " ") + LineText(*line);
  EXPECT_EQ(substitute,
            "\xDD\xF2\xF3 \xF1\xF2\xF0\xE0\xED\xE8\xF6\xF3 \xED\xE5 \xF3\xE4\xE0\xEB\xEE\xF1\xFC "
            "\xEF\xF0\xEE\xF7\xE8\xF2\xE0\xF2\xFC.");
}

TEST(MakeCompileSettings, BookTomlReachesTheHeaderStylesAndProperties) {
  const fs::path dir = fs::path(test::TempDir()) / "settings";
  fs::remove_all(dir);
  Write(dir / "book.toml",
        "title = \"S\"\nchapters = [\"a.md\"]\n[page]\nspreads = false\nwidth = 320\n"
        "[reader]\nprint = false\npage_curl = false\nspine_line = 0\nglyph_colour = \"#102030\"\n"
        "[styles]\ntext = { size = 14 }\nheading2 = { colour = \"#FF0000\" }\n");
  Write(dir / "a.md", "# Summary\n\nIt said \"yes\" -- twice.\n\n## Summary\n\nAgain.\n\n# Summary\n\nThird.\n\n"
                      "- one\n- two\n  - deeper\n\n3. three\n");
  auto loaded = Load(CompileBook(dir.string()));
  const TBook& book = loaded->book;
  EXPECT_EQ(book.header.viewWidth, 320);
  EXPECT_EQ(book.header.printEnabled, 0);
  EXPECT_EQ(book.header.spineLine, 0);
  EXPECT_EQ(book.header.glyphColour, 0x102030u);
  EXPECT_EQ(book.header.author, "");
  EXPECT_EQ(GetValue(book.properties, "pageturn_animation"), "0");
  EXPECT_EQ(GetValue(book.properties, "anime"), "");
  // Headings with the same text: the later ones are numbered.
  ASSERT_TRUE(FindAnchor("summary") && FindAnchor("summary-2") && FindAnchor("summary-3"));
  EXPECT_EQ(AnchorPage(*FindAnchor("summary-3")), 1);  // one chapter: one page
  TPage& page = Decode(loaded->book, 1);
  bool curly = false, dash = false, heading2 = false;
  for (const auto& line : page.lines) {
    for (const TViewItem& item : line->items) {
      const TStyle& style = GetStyle(item.Style());
      if (item.Kind() != kKindCharacter) continue;
      if (item.Code() == 0x93) curly = true;  // the left double quotation mark
      // The en dash is byte 150, which the reader would take for a zero-width mark: it is stored
      // with a high byte and drawn by its low one.
      EXPECT_NE(item.Code(), 150);
      if (item.Code() == 0x196) dash = true;
      if (style.font.faceName == "Arial" && style.font.size == 14) {
        heading2 = true;
        EXPECT_EQ(style.font.colour, 0x0000FF);  // COLORREF of #FF0000
        EXPECT_EQ(style.font.flags & kFontBold, kFontBold);
      }
      if (style.font.faceName == "Times New Roman") {
        EXPECT_EQ(style.font.size, 14);
      }
    }
  }
  EXPECT_TRUE(curly);
  EXPECT_TRUE(dash);
  EXPECT_TRUE(heading2);
  // Lists: a bullet or number before the item, its lines indented by their depth.
  std::map<std::string, int32_t> items;
  for (const auto& line : page.lines) items[LineText(*line)] = line->leftIndent;
  EXPECT_EQ(items["\x95 one"], 16);
  EXPECT_EQ(items["\x95 deeper"], 32);
  EXPECT_EQ(items["3. three"], 16);
}

// --- bad sources

struct TBadSource {
  const char* name;
  const char* file;     // written over the good source
  const char* content;
  const char* where;    // what follows "folivar-make: DIR/"
  const char* reason;   // a part of the reason
};

TEST(MakeErrors, BadSourcesFailWithOneLineNamingFileAndLine) {
  const TBadSource cases[] = {
      {"missing-chapter", "book.toml", "title = \"T\"\nchapters = [\n  \"one.md\",\n  \"nowhere.md\"]\n",
       "book.toml:4", "the file nowhere.md does not exist"},
      {"bad-toml", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\n[page\nwidth = 3\n", "book.toml:3", ""},
      {"unknown-key", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\ncolour = 1\n", "book.toml:3",
       "unknown key 'colour'"},
      {"no-title", "book.toml", "chapters = [\"one.md\"]\n", "book.toml", "'title' is missing"},
      {"bad-colour", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\n[reader]\nspine_colour = \"red\"\n",
       "book.toml:4", "#RRGGBB"},
      {"outside-cp1251", "one.md", "# Title\n\nA line.\nA smile \xF0\x9F\x98\x80 here.\n", "one.md:4",
       "U+1F600"},
      {"not-utf8", "one.md", "# Title\n\nbad \xFF byte\n", "one.md:3", "not UTF-8"},
      {"unknown-anchor", "one.md", "# Title\n\nText.\n\nGo [there](#nowhere).\n", "one.md:5",
       "there is no anchor 'nowhere'"},
      {"unknown-reference", "one.md", "# Title\n\nPage [#](#nowhere).\n", "one.md:3", "no anchor 'nowhere'"},
      {"twice", "one.md", "# Title\n\n<a id=\"title\"></a>Text.\n", "one.md:3", "already set at one.md:1"},
      {"bad-scheme", "one.md", "# Title\n\n[x](ftp://a/b)\n", "one.md:3", "http, https or mailto"},
      {"bad-png", "one.md", "# Title\n\nA ![p](art/bad.png) picture.\n", "one.md:3", "not a readable PNG"},
      {"missing-png", "one.md", "# Title\n\n![p](art/none.png)\n", "one.md:3", "does not exist"},
      {"bad-format", "one.md", "# Title\n\n![p](art/ok.png \"xwl:0\")\n", "one.md:3", "1 to 100"},
      {"bad-directive", "one.md", "# Title\n\n<!-- align: sideways -->\nText.\n", "one.md:3", "sideways"},
      {"quote", "one.md", "# Title\n\n> a quote\n", "one.md:3", "block quotes"},
      {"list-code", "one.md", "# Title\n\n- a\n\n      code\n", "one.md:5", "paragraphs and lists only"},
      {"messages", "messages.txt", "ok = 1\nbogus = 2\n", "messages.txt:2", "unknown message key 'bogus'"},
      {"no-messages", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\nmessages = \"m.txt\"\n", "book.toml",
       "the file m.txt does not exist"},
      {"dangling-dropcap", "one.md", "# Title\n\n<!-- dropcap -->\n\n---\n", "one.md:3", "not followed"},
      {"too-wide", "one.md", "# Title\n\n![p](art/wide.png)\n", "one.md:3", "larger than the text area"},
  };
  for (const TBadSource& c : cases) {
    const fs::path dir = fs::path(test::TempDir()) / "bad" / c.name;
    fs::remove_all(dir);
    Write(dir / "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\n");
    Write(dir / "one.md", "# Title\n\nText.\n");
    Write(dir / "art/bad.png", "\x89PNG\r\n\x1A\nnot really");
    fs::create_directories(dir / "art");
    WritePng((dir / "art/ok.png").string(), 2, 2, std::vector<uint32_t>(4, 0));
    WritePng((dir / "art/wide.png").string(), 400, 2, std::vector<uint32_t>(800, 0));
    Write(dir / c.file, c.content);
    const std::string out = test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " " + dir.string() + " -o " +
                                             (dir / "out.bin").string() + " 2>&1").out;
    const std::string prefix = "folivar-make: " + (dir / c.where).string() + ": ";
    EXPECT_EQ(out.rfind(prefix, 0), 0u) << c.name << ": " << out;
    EXPECT_NE(out.find(c.reason), std::string::npos) << c.name << ": " << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << c.name << ": " << out;
    EXPECT_FALSE(fs::exists(dir / "out.bin")) << c.name;
    const auto status = test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " " + dir.string() + " -o " +
                                         (dir / "out.bin").string() + " >/dev/null 2>&1").status;
    EXPECT_EQ(status, 1) << c.name;
  }
}

TEST(MakeErrors, UsageExitsTwoAndAGoodSourceWritesTheBook) {
  EXPECT_EQ(test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " >/dev/null 2>&1").status, 2);
  EXPECT_EQ(test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " a b c d >/dev/null 2>&1").status, 2);
  const fs::path dir = WriteSource("cli", 3);
  const fs::path out = dir / "book.bin";
  EXPECT_EQ(test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " " + dir.string() + " -o " + out.string()).status, 0);
  ASSERT_TRUE(fs::exists(out));
  EXPECT_EQ(fs::file_size(out) % 4096, 0u);
}

}  // namespace
}  // namespace folivar::make
