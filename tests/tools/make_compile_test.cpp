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
#include <set>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "core/codepage.h"
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
  static const TStringList words = Split(
      "the reader carries its own book and every page is measured before it is stored so that justified lines "
      "fill their width exactly while hyphenation breaks longer words between syllables wherever patterns allow "
      "typesetting", " ");
  std::string s;
  for (int i = 0; i < n; ++i) s += (i ? " " : "") + words[static_cast<size_t>(i * 7 + seed * 13 + i / 3) % words.size()];
  return s;
}

// A fresh folder for a source.
fs::path NewSource(const std::string& name) {
  const fs::path dir = fs::path(test::TempDir()) / name;
  fs::remove_all(dir);
  return dir;
}

// A source folder: two chapters, the contents, anchors with page references to them, pictures of
// three kinds, a drop cap, messages and every section of book.toml.
fs::path WriteSource(const std::string& name, int paragraphs = 30) {
  const fs::path dir = NewSource(name);
  Write(dir / "book.toml",
        "title = \"Compiled\"\nauthor = \"Tester\"\npublisher = \"folivar.example\"\nedition = \"7\"\n"
        "chapters = [\"one.md\", \"two.md\"]\n"
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

std::unique_ptr<TBook> Load(const std::string& image) {
  auto book = std::make_unique<TBook>();
  LoadBook(*book, OpenBookImage(test::WriteTempFile("compiled.bin", image)));
  return book;
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
    else if (item.Kind() == kKindCharacter && item.Code() != kZeroWidth)
      s += item.Code() == kFixedSpace ? ' ' : static_cast<char>(item.Code() & 0xFF);
  }
  return s;
}

// The texts of the lines that hold items, joined by spaces.
std::string Joined(const std::vector<std::unique_ptr<TLine>>& lines) {
  std::string s;
  for (const auto& line : lines)
    if (!line->items.empty()) s += (s.empty() ? "" : " ") + LineText(*line);
  return s;
}

class MakeCompile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { book_ = Load(CompileBook(WriteSource("book").string(), &stats_)); }
  static void TearDownTestSuite() { book_.reset(); }
  static TBook& Book() { return *book_; }

  // The page with a line that holds the text (or is the text, for a heading).
  static int32_t PageOf(const std::string& text, bool whole = false) {
    for (int32_t p = 0; p < Book().PageCount(); ++p)
      for (const auto& line : Decode(Book(), p).lines)
        if (whole ? LineText(*line) == text : LineText(*line).find(text) != std::string::npos) return p;
    return -1;
  }

  static inline std::unique_ptr<TBook> book_;
  static inline TCompileStats stats_;
};

TEST_F(MakeCompile, TheHeaderPropertiesAndMessagesAreTheSources) {
  const TBookHeader& h = Book().header;
  EXPECT_EQ((TStringList{h.title, h.author, h.edition}), (TStringList{"Compiled", "Tester", "7"}));
  // Page width, a spread of two, height, margins, About off, printing and the spine by default.
  EXPECT_EQ((std::vector<int64_t>{h.pageWidth, h.viewWidth, h.viewHeight, h.leftMargin, h.bottomMargin, h.noAbout,
                                  h.printEnabled, h.spineColour}),
            (std::vector<int64_t>{300, 600, 400, 20, 30, 1, 1, 0xC6C2B6}));
  ASSERT_TRUE(h.coverImage >= 0 && h.digitImageBase >= 0);
  EXPECT_EQ(ImageAt(static_cast<uint32_t>(h.coverImage)).Width(), 300);
  for (int d = 0; d < 10; ++d) EXPECT_EQ(ImageAt(static_cast<uint32_t>(h.digitImageBase + d)).Width(), 6);
  EXPECT_EQ(GetValue(Book().properties, "pageturn_animation"), "1");
  EXPECT_EQ(GetValue(Book().properties, "anime"), MakePageCurlText({.duration = 450}));
  EXPECT_EQ(MessageText("Ok"), "Fine");
  EXPECT_EQ(MessageText("Continue"), "Continue");  // not in the file: the English default
  EXPECT_EQ(stats_.pages, Book().PageCount());
}

TEST_F(MakeCompile, AnchorsPagesAndPageReferences) {
  std::map<std::string, int32_t> expected = {
      {"contents", PageOf("Contents", true)}, {"first-chapter", PageOf("First chapter", true)},
      {"middle", PageOf("Middle", true)},     {"far", PageOf("FARMARK")},
      {"second", PageOf("Second chapter", true)}, {"last", PageOf("LASTMARK")}};
  EXPECT_EQ(AnchorCount(), static_cast<int32_t>(expected.size()));
  for (const auto& [name, page] : expected) {
    ASSERT_TRUE(FindAnchor(name)) << name;
    EXPECT_GT(page, 0) << name;
    EXPECT_EQ(AnchorPage(*FindAnchor(name)), page) << name;
  }
  // Page 0 is the cover; a chapter begins a page, and so does the text after a page break.
  EXPECT_TRUE(Decode(Book(), 0).lines.empty());
  EXPECT_EQ(LineText(*Decode(Book(), expected["second"]).lines.at(0)), "Second chapter");
  EXPECT_EQ(expected["last"], expected["second"] + 1);
  EXPECT_EQ(expected["last"], Book().PageCount() - 1);
  // The contents page lists the headings with the page references of their anchors; the text
  // refers to "far" and "middle"; every internal link names an anchor.
  std::vector<std::string> contents, references;
  for (int32_t p = 0; p < Book().PageCount(); ++p) {
    for (const auto& line : Decode(Book(), p).lines) {
      for (const TViewItem& item : line->items) {
        if (item.Style() == kPageReferenceStyle) {
          ASSERT_TRUE(IsAnchor(item.Code()));
          (p == 1 ? contents : references).push_back(AnchorName(item.Code()));
        }
        const std::string& link = GetStyle(item.Style()).link;
        if (!link.empty() && link[0] == '#') { EXPECT_TRUE(FindAnchor(link.substr(1))) << link; }
      }
    }
  }
  EXPECT_EQ(contents, (std::vector<std::string>{"contents", "first-chapter", "middle", "second"}));
  EXPECT_EQ(references, (std::vector<std::string>{"far", "middle"}));
}

// Measured again with the reader's code, each line is as wide as the compiler recorded and fits
// beside its indents; drawn, a justified line fills the text width; a page's lines fit its height.
TEST_F(MakeCompile, LinesFitAndJustifiedLinesFillTheWidthWhenDrawn) {
  TSurface surface(static_cast<uint32_t>(Book().header.viewWidth), static_cast<uint32_t>(Book().header.viewHeight));
  SetCurrentSurface(&surface);
  const int32_t width = Book().ColumnWidth();
  int justified = 0;
  for (int32_t p = 0; p < Book().PageCount(); ++p) {
    int64_t height = 0;
    for (const auto& stored : Decode(Book(), p).lines) {
      TLine line;
      line.Assign(*stored);
      const int32_t recorded = line.width;
      line.UpdateWidth();
      EXPECT_EQ(line.width, recorded) << "page " << p << ": " << LineText(line);
      EXPECT_LE(line.width + line.leftIndent + line.rightIndent, width) << "page " << p << ": " << LineText(line);
      height += line.height;
      if (line.alignment != kJustify) continue;
      ++justified;
      int32_t y = Book().header.topMargin;
      DrawLine(Book().header.leftMargin, line, y, width);
      line.UpdateWidth();
      EXPECT_EQ(line.width, width - line.leftIndent - line.rightIndent) << "page " << p << ": " << LineText(line);
    }
    EXPECT_LE(height, Book().header.viewHeight - Book().header.topMargin - Book().header.bottomMargin) << p;
  }
  EXPECT_GT(justified, 100);
  SetCurrentSurface(nullptr);
}

// The page breaking itself is tested on its own; this checks that the compiler tells it which
// lines are a paragraph's first and last, and which are headings.
TEST_F(MakeCompile, NoPageBeginsWithAWidowOrEndsWithAnOrphanOrAHeading) {
  // A paragraph's last line is the only left-aligned one after justified ones; a spacing line
  // (no items) stands between paragraphs.
  int checked = 0;
  for (int32_t p = 2; p < Book().PageCount(); ++p) {
    const TPage& before = Decode(Book(), p - 1);
    const TPage& page = Decode(Book(), p);
    if (before.lines.size() < 2 || page.lines.size() < 2 || before.lines.back()->alignment != kJustify) continue;
    ++checked;
    const TLine& first = *page.lines.front();
    EXPECT_FALSE(first.alignment == kAlignLeft && !first.items.empty() &&
                 GetStyle(first.items[0].Style()).font.size == 12 && page.lines[1]->items.empty())
        << "a widow at the top of page " << p << ": " << LineText(first);
    EXPECT_FALSE(before.lines[before.lines.size() - 2]->items.empty()) << "an orphan at the bottom of page " << p - 1;
  }
  EXPECT_GT(checked, 3);
  // Headings are set in Arial here, the text in Times New Roman.
  for (int32_t p = 1; p < Book().PageCount(); ++p) {
    const auto& lines = Decode(Book(), p).lines;
    auto last = std::find_if(lines.rbegin(), lines.rend(), [](const auto& l) { return !l->items.empty(); });
    if (last != lines.rend()) { EXPECT_NE(GetStyle((*last)->items[0].Style()).font.faceName, "Arial") << p; }
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
      const std::string tail = b.substr(0, b.find_first_of(" .,"));
      const auto points = en.Points(head + tail);
      EXPECT_NE(std::find(points.begin(), points.end(), head.size()), points.end()) << head << "-" << tail;
      EXPECT_NE(head + tail, "internationalization");
    }
  }
  EXPECT_GT(hyphens, 3);
}

TEST_F(MakeCompile, PicturesDropCapAndAlignment) {
  std::set<std::string> seen;
  for (int32_t p = 1; p < Book().PageCount(); ++p) {
    const TPage& page = Decode(Book(), p);
    for (size_t i = 0; i < page.lines.size(); ++i) {
      const TLine& line = *page.lines[i];
      for (const TViewItem& item : line.items) {
        if (item.Kind() == kKindImage) seen.insert(item.Picture().Width() == 120 ? "photo" : "leaf");
        if (item.Kind() == kKindImage && item.Picture().Width() == 120) {
          // The photograph stands centred on a line of its own.
          EXPECT_TRUE(line.alignment == kAlignCentre && line.items.size() == 1u && line.height == 80);
        }
        if (item.Kind() != kKindImgChar) continue;
        seen.insert("dropcap");
        // The drop cap begins its line, and the letters beside it are indented by its width.
        EXPECT_EQ(&item, &line.items[0]);
        ASSERT_GE(page.lines.size(), i + 3);
        EXPECT_EQ(page.lines[i + 1]->leftIndent, item.Picture().Width());
        EXPECT_EQ(page.lines[i + 2]->leftIndent, item.Picture().Width());
        EXPECT_GT(item.Picture().Height(), 2 * line.height);
      }
    }
  }
  EXPECT_EQ(seen, (std::set<std::string>{"dropcap", "leaf", "photo"}));
  EXPECT_EQ(Decode(Book(), AnchorPage(*FindAnchor("second"))).lines.back()->alignment, kAlignCentre);
  // The substitute page says what happened.
  EXPECT_NE(Joined(Book().substitute.lines).find("This page could not be read."), std::string::npos);
}

TEST(MakeCompileSettings, BookTomlReachesTheHeaderStylesAndProperties) {
  const fs::path dir = NewSource("settings");
  Write(dir / "book.toml",
        "title = \"S\"\nchapters = [\"a.md\"]\n[page]\nspreads = false\nwidth = 320\n"
        "[reader]\nprint = false\npage_curl = false\nspine_line = 0\nglyph_colour = \"#102030\"\n"
        "[styles]\ntext = { size = 14 }\nheading2 = { colour = \"#FF0000\" }\n");
  Write(dir / "a.md", "# Summary\n\nIt said \"yes\" -- twice.\n\n## Summary\n\nAgain.\n\n# Summary\n\nThird.\n\n"
                      "- one\n- two\n  - deeper\n\n3. three\n");
  auto loaded = Load(CompileBook(dir.string()));
  const TBookHeader& h = loaded->header;
  EXPECT_EQ((std::vector<int64_t>{h.viewWidth, h.printEnabled, h.spineLine, h.glyphColour}),
            (std::vector<int64_t>{320, 0, 0, 0x102030}));
  EXPECT_EQ(GetValue(loaded->properties, "pageturn_animation"), "0");
  EXPECT_EQ(GetValue(loaded->properties, "anime"), "");
  // Headings with the same text: the later ones are numbered.
  ASSERT_TRUE(FindAnchor("summary") && FindAnchor("summary-2") && FindAnchor("summary-3"));
  EXPECT_EQ(AnchorPage(*FindAnchor("summary-3")), 1);  // one chapter: one page
  const TPage& page = Decode(*loaded, 1);
  std::set<uint32_t> codes;
  bool heading2 = false;
  for (const auto& line : page.lines) {
    for (const TViewItem& item : line->items) {
      if (item.Kind() != kKindCharacter) continue;
      const auto& font = GetStyle(item.Style()).font;
      codes.insert(item.Code());
      if (font.faceName == "Times New Roman") { EXPECT_EQ(font.size, 14); }
      if (font.faceName != "Arial" || font.size != 14) continue;
      heading2 = true;
      EXPECT_EQ(font.colour, 0x0000FF);  // COLORREF of #FF0000
      EXPECT_EQ(font.flags & kFontBold, kFontBold);
    }
  }
  EXPECT_TRUE(heading2);
  // The left double quotation mark, and the en dash: byte 150, which the reader would take for a
  // zero-width mark, is stored with a high byte and drawn by its low one.
  EXPECT_TRUE(codes.count(0x93) && codes.count(0x196) && !codes.count(150));
  // Lists: a bullet or number before the item, its lines indented by their depth.
  std::map<std::string, int32_t> items;
  for (const auto& line : page.lines) items[LineText(*line)] = line->leftIndent;
  EXPECT_EQ((std::vector<int32_t>{items["\x95 one"], items["\x95 deeper"], items["3. three"]}),
            (std::vector<int32_t>{16, 32, 16}));
}

// --- books in other languages

// The characters of a line in UTF-8, read as the loaded book's encoding says.
std::string LineLetters(const TLine& line) {
  std::u16string s;
  for (const TViewItem& item : line.items)
    if (item.Kind() == kKindCharacter && item.Style() != kPageReferenceStyle && item.Code() != kZeroWidth)
      s += item.Code() == kFixedSpace ? u' ' : ItemCodeUnit(item.Code(), BookEncoding());
  return Utf16ToUtf8(s);
}

// A book whose every character fits code page 1251 is stored so; any other, or one that asks for
// it, is a Unicode book: the property encoding, UTF-16 item codes, UTF-8 texts. Each language
// hyphenates with its own patterns, a passage in another language with that language's.
TEST(MakeCompileLanguages, BooksInOtherLanguagesBecomeUnicodeWithTheirLetters) {
  const struct { const char* name; const char* toml; const char* title; const char* heading; const char* anchor;
    const char* text; const char* encoding; } cases[] = {
      {"fr", "fr", "Les Misérables", "Été", "été", "Le cœur a ses raisons que la raison ne connaît point.", "unicode"},
      {"de", "de", "Größe", "Straße", "straße", "Die Silbentrennung der Größenverhältnisse über Übungen.", "unicode"},
      {"pl", "pl", "Źdźbło", "Łódź", "łódź", "Przedsiębiorstwo państwowe zatrudniało specjalistów.", "unicode"},
      {"el", "el", "Ελληνικά", "Αρχή", "αρχή", "Η ελληνική γλώσσα είναι πολύ όμορφη και παλαιά.", "unicode"},
      {"ru", "ru", "Книга", "Глава", "глава", "Программирование книжных страниц требует терпения.", "cp1251"},
      {"ru-fr", "ru", "Война и мир", "Глава", "глава", "Да, князь.\n\n<!-- language: fr -->\nLe cœur "
       "a ses raisons que la raison ne connaît point.", "unicode"},
      {"ru-forced", "ru\"\nencoding = \"unicode", "Книга", "Глава", "глава", "Программирование страниц.", "unicode"},
      // The last book loaded is a code page 1251 book, as the other tests expect.
      {"en-forced", "en\"\nencoding = \"cp1251", "Plain", "Heading", "heading", "Typesetting hyphenates considerable paragraphs automatically.", "cp1251"},
  };
  for (const auto& c : cases) {
    const fs::path dir = NewSource(std::string("lang-") + c.name);
    Write(dir / "book.toml", std::string("language = \"") + c.toml + "\"\ntitle = \"" + c.title +
                                 "\"\nchapters = [\"a.md\"]\n[page]\nwidth = 180\n");
    std::string text = std::string("# ") + c.heading;
    for (int i = 0; i < 12; ++i) text += "\n\n" + std::string(c.text);
    Write(dir / "a.md", text);
    const std::string image = CompileBook(dir.string());
    EXPECT_EQ(BookEncoding(), TTextEncoding::kCp1251) << c.name;  // the compiler leaves it as it was
    auto loaded = Load(image);
    const bool unicode = std::string(c.encoding) == "unicode";
    auto stored = [&](const std::string& utf8) { return unicode ? utf8 : Utf8ToCp1251(utf8); };
    EXPECT_EQ(GetValue(loaded->properties, "encoding"), unicode ? "unicode" : "") << c.name;
    EXPECT_EQ(loaded->header.title, stored(c.title)) << c.name;
    EXPECT_TRUE(FindAnchor(stored(c.anchor))) << c.name;  // the heading in lower case
    std::string all;
    int hyphens = 0;
    for (int32_t p = 1; p < loaded->PageCount(); ++p) {
      for (const auto& line : Decode(*loaded, p).lines) {
        const std::string letters = LineLetters(*line);
        hyphens += letters.ends_with('-');
        all += letters.ends_with('-') ? letters.substr(0, letters.size() - 1) : letters + " ";
      }
    }
    const std::string first = std::string(c.text).substr(0, std::string(c.text).find('.') + 1);
    EXPECT_TRUE(all.find(c.heading) != std::string::npos && all.find(first) != std::string::npos) << all;
    EXPECT_GT(hyphens, 0) << c.name << ": " << all;
    std::string substitute;
    for (const auto& l : loaded->substitute.lines) substitute += l->items.empty() ? "" : LineLetters(*l) + " ";
    EXPECT_EQ(substitute, c.toml[0] == 'r' ? "Эту страницу не удалось прочитать. " : "This page could not be read. ");
    // folivar-info shows the encoding and the title's letters.
    Write(dir / "book.bin", image);
    const auto info = test::RunCommand(std::string(FOLIVAR_INFO_EXE) + " " + (dir / "book.bin").string());
    EXPECT_TRUE(info.out.find(std::string("\"encoding\":\"") + c.encoding + "\"") != std::string::npos &&
                info.out.find(c.title) != std::string::npos) << info.out;
  }
}

// --- bad sources

TEST(MakeErrors, BadSourcesFailWithOneLineNamingFileAndLine) {
  // Each case writes file over the good source; the error line must name DIR/where and give a
  // reason that holds the given part.
  // A header string holds 255 bytes: 128 letters of two bytes in UTF-8 do not fit.
  const std::string longTitle = "title = \"" + Utf16ToUtf8(std::u16string(128, u'\u00E9')) + "\"\nchapters = [\"one.md\"]\n";
  const struct { const char* name; const char* file; const char* content;
    const char* where; const char* reason; } cases[] = {
      {"missing-chapter", "book.toml", "title = \"T\"\nchapters = [\n  \"one.md\",\n  \"nowhere.md\"]\n",
       "book.toml:4", "the file nowhere.md does not exist"},
      {"bad-toml", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\n[page\nwidth = 3\n", "book.toml:3", ""},
      {"unknown-key", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\ncolour = 1\n",
       "book.toml:3", "unknown key 'colour'"},
      {"no-title", "book.toml", "chapters = [\"one.md\"]\n", "book.toml", "'title' is missing"},
      {"bad-colour", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\n[reader]\nspine_colour = \"red\"\n",
       "book.toml:4", "#RRGGBB"},
      {"forced-cp1251", "book.toml", "encoding = \"cp1251\"\ntitle = \"Caf\xC3\xA9\"\nchapters = [\"one.md\"]\n",
       "book.toml:2", "U+00E9"},
      {"long-title", "book.toml", longTitle.c_str(), "book.toml", "'title' is longer than 255 bytes"},
      {"bad-encoding", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\nencoding = \"latin1\"\n",
       "book.toml:3", "\"unicode\" or \"cp1251\""},
      {"not-utf8", "one.md", "# Title\n\nbad \xFF byte\n", "one.md:3", "not UTF-8"},
      {"twice", "one.md", "# Title\n\n<a id=\"title\"></a>Text.\n", "one.md:3", "already set at one.md:1"},
      {"bad-png", "one.md", "# Title\n\nA ![p](art/bad.png) picture.\n", "one.md:3", "cannot be read: PNG"},
      {"missing-png", "one.md", "# Title\n\n![p](art/none.png)\n", "one.md:3", "does not exist"},
      {"bad-format", "one.md", "# Title\n\n![p](art/ok.png \"xwl:0\")\n", "one.md:3", "1 to 100"},
      {"bad-directive", "one.md", "# Title\n\n<!-- align: sideways -->\nText.\n", "one.md:3", "sideways"},
      {"list-code", "one.md", "# Title\n\n- a\n\n      code\n", "one.md:5", "paragraphs and lists only"},
      {"messages", "messages.txt", "ok = 1\nbogus = 2\n", "messages.txt:2", "unknown message key 'bogus'"},
      {"no-messages", "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\nmessages = \"m.txt\"\n",
       "book.toml", "the file m.txt does not exist"},
      {"dangling-dropcap", "one.md", "# Title\n\n<!-- dropcap -->\n\n---\n", "one.md:3", "not followed"},
  };
  for (const auto& c : cases) {
    const fs::path dir = NewSource("bad-" + std::string(c.name));
    Write(dir / "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\n");
    Write(dir / "one.md", "# Title\n\nText.\n");
    Write(dir / "art/bad.png", "\x89PNG\r\n\x1A\nnot really");
    WritePng((dir / "art/ok.png").string(), 2, 2, std::vector<uint32_t>(4, 0));
    Write(dir / c.file, c.content);
    const auto run =
        test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " " + dir.string() + " -o " + (dir / "out.bin").string());
    EXPECT_EQ(run.out.rfind("folivar-make: " + (dir / c.where).string() + ": ", 0), 0u) << c.name << ": " << run.out;
    EXPECT_NE(run.out.find(c.reason), std::string::npos) << c.name << ": " << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << c.name << ": " << run.out;
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_FALSE(fs::exists(dir / "out.bin")) << c.name;
  }
}

// A character its face lacks is compiled, the reader showing the font's missing glyph, with one
// warning at its first line per face and character; a book whose faces have them all is silent.
TEST(MakeErrors, ACharacterItsFaceLacksIsWarnedOnceAtItsLine) {
  const struct { const char* name; const char* text; std::vector<std::string> warnings; } cases[] = {
      {"lacking", "# Title\n\nText one\nmore 中 and **中** ž,\nagain 中 ☃.\n",
       {"one.md:4: warning: the face \"Times New Roman\" has no \"中\" (U+4E2D)",
        "one.md:5: warning: the face \"Times New Roman\" has no \"☃\" (U+2603)"}},
      {"present", "# Žluťoučký\n\nЖизнь, Ελληνικά, Łódź.\n", {}},
      {"dropped", "# Title\n\nA line.\nA smile \xF0\x9F\x98\x80 here.\n",
       {"one.md:4: warning: \"\xF0\x9F\x98\x80\" (U+1F600) lies beyond the Basic Multilingual Plane, which books "
        "cannot hold"}},
  };
  for (const auto& c : cases) {
    const fs::path dir = NewSource("glyphs-" + std::string(c.name));
    Write(dir / "book.toml", "title = \"T\"\nchapters = [\"one.md\"]\n");
    Write(dir / "one.md", c.text);
    const auto run =
        test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " " + dir.string() + " -o " + (dir / "out.bin").string());
    const TStringList lines = Split(run.out, "\n");
    ASSERT_EQ(lines.size(), c.warnings.size() + 1) << c.name << ": " << run.out;
    for (size_t i = 0; i < c.warnings.size(); ++i)
      EXPECT_EQ(lines[i].rfind("folivar-make: " + (dir / c.warnings[i]).string() + ": ", 0), 0u) << run.out;
    EXPECT_EQ(run.status, 0) << c.name;
    EXPECT_TRUE(fs::exists(dir / "out.bin")) << c.name;
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
