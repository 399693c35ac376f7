// The book compiler's units on their own: total-fit line breaking, page breaking with widows,
// orphans and headings, hyphenation points, the strict code page conversion, the choice of picture
// formats and the message file.
#include <gtest/gtest.h>

#include <numeric>

#include "tools/make/codepage.h"
#include "tools/make/hyphenation.h"
#include "tools/make/linebreak.h"
#include "tools/make/measure.h"
#include "tools/make/messages.h"
#include "tools/make/pagebreak.h"
#include "tools/make/pictures.h"
#include "tools/make/source.h"
#include "tools/make/sourceerror.h"
#include "tools/make/styles.h"

namespace folivar::make {
namespace {

// Words of fixed-width letters (10 pixels each) separated by 4-pixel spaces.
std::vector<TElement> Words(const std::vector<std::string>& words) {
  std::vector<TElement> e;
  for (size_t w = 0; w < words.size(); ++w) {
    if (w > 0) e.push_back({.type = TElement::kGlue, .width = 4, .stretch = 4, .item = {32, 5, 4, 10, 3}});
    for (char c : words[w]) e.push_back({.width = 10, .item = {static_cast<uint16_t>(c), 5, 10, 10, 3}});
  }
  e.push_back({.type = TElement::kPenalty, .penalty = kForced});
  return e;
}

// The lines' texts.
std::vector<std::string> Texts(const std::vector<TBrokenLine>& lines) {
  std::vector<std::string> texts;
  for (const TBrokenLine& line : lines) {
    texts.emplace_back();
    for (const TLineItem& i : line.items) texts.back() += static_cast<char>(i.code);
  }
  return texts;
}

TBreakOptions Width(int32_t w) { return {.lineWidth = [w](size_t) { return w; }}; }

TEST(MakeLineBreak, NoLineIsWiderThanItsWidthAndNoneEndsInASpace) {
  const std::vector<std::string> words = {"aa", "bbbb", "c", "ddddd", "ee", "fff", "gggggg", "h", "ii", "jjjj", "kk"};
  for (int32_t width : {64, 80, 100, 137, 200}) {
    const auto lines = BreakLines(Words(words), Width(width));
    ASSERT_FALSE(lines.empty()) << width;
    for (const TBrokenLine& l : lines) {
      EXPECT_LE(l.width, width);
      int32_t sum = 0;
      for (const TLineItem& i : l.items) sum += i.width;
      EXPECT_EQ(sum, l.width);
      ASSERT_FALSE(l.items.empty());
      EXPECT_NE(l.items.back().code, 32);
      EXPECT_NE(l.items.front().code, 32);
    }
    // Nothing lost, nothing added.
    std::string expected, all;
    for (const auto& w : words) expected += w + " ";
    for (const std::string& text : Texts(lines)) all += text + " ";
    EXPECT_EQ(all, expected) << width;
    EXPECT_TRUE(lines.back().forced);
  }
  // A word longer than the line breaks between its letters.
  for (const TBrokenLine& l : BreakLines(Words({"ab", "cdefghijklmnop", "q"}), Width(60))) EXPECT_LE(l.width, 60);
}

TEST(MakeLineBreak, TheLinesOfLeastDemerits) {
  struct Case { const char* what; std::vector<std::string> words; int32_t width;
    std::vector<std::string> lines; } const cases[] = {
      // "aaaa bb cccc" is 108 of 110 pixels: two lines, the first nearly full.
      {"tight rather than a short next line", {"aaaa", "bb", "cccc", "dd", "eeee", "ff"}, 110,
       {"aaaa bb cccc", "dd eeee ff"}},
      // Alone, "aaaaaaaaaaaa" has no space to widen, so it takes "b" along: its one space then
      // grows from 4 to 74 pixels, within the 127 the reader allows.
      {"a justified line needs a space", {"aaaaaaaaaaaa", "b", "cccccccccccc"}, 200,
       {"aaaaaaaaaaaa b", "cccccccccccc"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Texts(BreakLines(Words(c.words), Width(c.width))), c.lines) << c.what;
}

TEST(MakeLineBreak, AHyphenIsDrawnOnlyWhereTheLineBreaks) {
  std::vector<TElement> e = Words({"aaaa", "bbbbbbbb"});
  const TElement hyphen = {
      .type = TElement::kPenalty, .width = 6, .penalty = 50, .flagged = true, .item = {'-', 5, 6, 10, 3}};
  e.insert(e.begin() + 9, hyphen);  // "aaaa bbbb-bbbb"
  // The hyphen the line breaker adds is marked by a zero-width item after it.
  EXPECT_EQ(Texts(BreakLines(e, Width(100))), (std::vector<std::string>{"aaaa bbbb-\x96", "bbbb"}));
  EXPECT_EQ(Texts(BreakLines(e, Width(200))), (std::vector<std::string>{"aaaa bbbbbbbb"}));
}

TEST(MakeLineBreak, AnchorsAndNonBreakingSpaces) {
  std::vector<TElement> e = Words({"aaaa", "bbbb", "cccc", "dddd"});
  e[9].anchors = {8};   // the space where the line breaks
  e[10].anchors = {7};  // the first letter of "cccc"
  const auto lines = BreakLines(e, Width(100));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].anchors, std::vector<int32_t>{8});
  EXPECT_EQ(lines[1].anchors, std::vector<int32_t>{7});

  e = Words({"aaaa", "bbbb", "cc"});
  e[9].breakable = false;  // between "bbbb" and "cc"
  for (const std::string& text : Texts(BreakLines(e, Width(100)))) EXPECT_NE(text, "aaaa bbbb");
}

// --- pages

std::vector<TPageLine> Paragraph(int lines, int32_t id) {
  std::vector<TPageLine> out;
  for (int i = 0; i < lines; ++i) out.push_back({.record = {.height = 10}, .paragraph = id, .index = i, .count = lines});
  return out;
}

std::vector<size_t> Sizes(const std::vector<TPageOfLines>& pages) {
  std::vector<size_t> s;
  for (const auto& p : pages) s.push_back(p.lines.size());
  return s;
}

TEST(MakePageBreak, WidowsOrphansAndHeadings) {
  // paragraphs: the lines (10 pixels each) of each paragraph; 0 is a heading line.
  struct Case { const char* what; std::vector<int> paragraphs; int32_t height;
    std::vector<size_t> pages; } const cases[] = {
      {"filled to the bottom", {12}, 40, {4, 4, 4}},
      // Five lines, four fit: the last would stand alone on the next page.
      {"a widow takes a line with it", {5}, 40, {3, 2}},
      // Three lines of the first paragraph and the first line of the second alone.
      {"an orphan goes to the next page", {3, 4}, 40, {3, 4}},
      {"two lines are never split", {3, 2}, 40, {3, 2}},
      {"a heading stays with the line after it", {3, 0, 3}, 40, {3, 4}},
      // What cannot be avoided still fills the page.
      {"one line per page", {3}, 10, {1, 1, 1}},
      {"two lines on a page of two", {2}, 20, {2}},
  };
  for (const Case& c : cases) {
    std::vector<TPageLine> lines;
    for (size_t id = 0; id < c.paragraphs.size(); ++id) {
      std::vector<TPageLine> more = Paragraph(std::max(c.paragraphs[id], 1), static_cast<int32_t>(id));
      more[0].keepWithNext = c.paragraphs[id] == 0;
      lines.insert(lines.end(), more.begin(), more.end());
    }
    EXPECT_EQ(Sizes(BreakPages(lines, c.height)), c.pages) << c.what;
  }
}

// The spacing after a paragraph either begins the next page or ends this one (on pages of 45
// pixels): either way it is dropped, and its anchors go to the next page.
TEST(MakePageBreak, SpacingVanishesAtPageEdgesAndForcedBreaksStartPages) {
  std::vector<TPageLine> lines = Paragraph(4, 0);
  lines.push_back({.record = {.height = 5}, .anchors = {9}, .spacing = true});
  std::vector<TPageLine> next = Paragraph(2, 1);
  next[0].newPage = true;
  next[0].anchors = {3};
  lines.insert(lines.end(), next.begin(), next.end());
  for (int32_t height : {40, 45}) {
    const auto pages = BreakPages(lines, height);
    ASSERT_EQ(Sizes(pages), (std::vector<size_t>{4, 2})) << height;
    EXPECT_EQ(pages[1].lines[0], 5u) << height;
    EXPECT_EQ(pages[1].anchors, (std::vector<int32_t>{9, 3})) << height;
  }
}

// --- hyphenation

TEST(MakeHyphenation, EachLanguageBreaksItsWordsWhereItsPatternsAllowCountingLetters) {
  // The pattern files are UTF-8 (en, fr, es, it), ISO8859-1, -2, -7 (de, pl, el) and KOI8-R (ru);
  // a point counts letters, so an accented letter before it moves nothing. Never closer than
  // two letters to the start or three to the end.
  const struct { const char* language; const char* word; const char* broken; } cases[] = {
      {"en", "Hyphenation", "hy-phen-ation"}, {"fr", "développement", "dé-ve-lop-pe-ment"},
      {"de", "Silbentrennung", "sil-ben-tren-nung"}, {"de", "Größenverhältnis", "grö-ßen-ver-hält-nis"},
      {"es", "electrónica", "elec-tró-nica"}, {"it", "università", "uni-ver-sità"},
      {"pl", "przedsiębiorstwo", "przed-się-bior-stwo"}, {"el", "καλημέρα", "κα-λη-μέρα"},
      {"ru", "программирование", "программи-ро-ва-ние"},
  };
  THyphenators hyphenators;
  for (const auto& c : cases) {
    const std::u32string letters = Utf8ToCodePoints(c.word);
    std::u32string broken;
    const std::vector<size_t> points = hyphenators.For(c.language).Points(c.word);
    for (size_t i = 0, next = 0; i < letters.size(); ++i) {
      if (next < points.size() && points[next] == i && ++next) broken += U'-';
      broken += LowerCase(letters[i]);
    }
    EXPECT_EQ(CodePointsToUtf8(broken), c.broken) << c.language;
  }
}

// --- code page

TEST(MakeCodePage, ConvertsWhatTheCodePageHoldsAndRefusesTheRest) {
  EXPECT_EQ(ToCp1251("abc \xD0\x96\xD1\x91 \xE2\x80\x94 \xE2\x84\x96"), "abc \xC6\xB8 \x97 \xB9");  // Жё — №
  TCodePageFailure f;
  EXPECT_FALSE(ToCp1251("ok \xF0\x9F\x98\x80", &f));
  EXPECT_EQ(f.offset, 3u);
  EXPECT_NE(f.what.find("U+1F600"), std::string::npos) << f.what;
  // Not UTF-8, overlong, a surrogate.
  for (const char* bad : {"\xC3\x28", "\xC0\xAF", "\xED\xA0\x80"}) EXPECT_FALSE(ToCp1251(bad, &f)) << bad;
  EXPECT_EQ(Cp1251Lower(0xC0), 0xE0);
  EXPECT_EQ(Cp1251Lower('Q'), 'q');
  EXPECT_TRUE(IsCp1251Letter(0xB8));
  EXPECT_FALSE(IsCp1251Letter('-'));
}

// Source texts come out as NFC, without invisible format characters (dropped before NFC, so that
// the accent behind a joiner joins its letter) and ligatures; what a book cannot show is warned of
// once per file and character, at its line.
TEST(MakeCodePage, TheGateNormalisesDropsAndWarnsAtTheLine) {
  const struct { const char* in; const char* out; TTextEncoding encoding; std::vector<std::string> warnings; } cases[] = {
      {"\xD0\x98\xCC\x86 Cafe\xCC\x81", "Й Café", TTextEncoding::kUnicode, {}},
      {"\uFEFFa\u200Cb\u200Dc\u200E\u200F\u202A\u202Ed\u2066\u2069e\u200D\u0301 \u2764\uFE0F", "abcdé \u2764",
       TTextEncoding::kUnicode, {}},
      {"a\u2060b\u200Bc\u00A0d\u00ADe", "a\u2060b\u200Bc\u00A0d\u00ADe", TTextEncoding::kCp1251, {}},
      {"\uFB00\uFB01\uFB02\uFB03\uFB04\uFB05\uFB06", "fffiflffiffl\u017Ftst", TTextEncoding::kUnicode, {}},
      {"a\U0001F600b\nq\u0303 \u0096x\n\u05E9\u05DC \U0001F600.", "ab\nq x\n\u05E9\u05DC .", TTextEncoding::kUnicode,
       {"a.md:7: \"\U0001F600\" (U+1F600) lies beyond the Basic Multilingual Plane, which books cannot hold: dropped",
        "a.md:8: U+0303 is a combining mark that does not join a letter into one character: dropped",
        "a.md:8: U+0096 is a control character: dropped",
        "a.md:9: \"\u05E9\" (U+05E9) belongs to a right-to-left script: kept, and set left to right as stored",
        "a.md:9: \"\u05DC\" (U+05DC) belongs to a right-to-left script: kept, and set left to right as stored"}},
  };
  for (const auto& c : cases) {
    TSourceText gate;
    EXPECT_EQ(gate.Take(c.in, "a.md", 7), c.out) << c.in;
    EXPECT_EQ(gate.Encoding(), c.encoding) << c.in;
    std::vector<std::string> warnings;
    for (const TSourceWarning& w : gate.Warnings()) warnings.push_back(w.where + ": " + w.text);
    EXPECT_EQ(warnings, c.warnings) << c.in;
  }
  TSourceText gate;
  gate.Take("\U0001F600", "a.md", 1);
  gate.Take("\U0001F600", "b.md", 4);
  ASSERT_EQ(gate.Warnings().size(), 2u);
  EXPECT_EQ(gate.Warnings()[1].where, "b.md:4");
  TSourceText forced(TEncodingChoice::kCp1251);
  EXPECT_EQ(forced.Take("a\u2060b", "a.md", 1), "a\u2060b");
  EXPECT_THROW(forced.Take("Caf\u00E9", "a.md", 1), TSourceError);
  EXPECT_EQ(BookString("a\u2060b\u200Bc", TTextEncoding::kCp1251), "abc");
  EXPECT_EQ(ItemCode(0x2060, TTextEncoding::kCp1251), 150);
  EXPECT_EQ(ItemCode(0x200B, TTextEncoding::kUnicode), 150);
}

// --- measuring

TEST(MakeMeasure, ADropCapLetterDrawsAlikeInEitherEncoding) {
  // "Ж" as a Unicode book stores it (UTF-8) and as a code page 1251 book does; the second leaves
  // the encoding as the other tests expect.
  const struct { TTextEncoding encoding; const char* letter; } books[] = {
      {TTextEncoding::kUnicode, "\xD0\x96"}, {TTextEncoding::kCp1251, "\xC6"}};
  std::vector<TGlyph> glyphs;
  for (const auto& b : books) {
    SetBookEncoding(b.encoding);
    TBookWriter writer;
    TMeasure measure(writer);
    glyphs.push_back(measure.Render(TextRecord(DefaultStyle("dropcap"), 0), b.letter, 0xFFFFFF));
  }
  EXPECT_TRUE(glyphs[0].width == glyphs[1].width && glyphs[0].pixels == glyphs[1].pixels);
}

// --- pictures

TEST(MakePictures, FormatsByColoursAndSize) {
  std::vector<uint32_t> glyph(20 * 20, 0xFFFFFF);
  glyph[5] = 0;
  EXPECT_EQ(ChooseFormat(glyph, 20, 20), TPictureFormat::kXbm);
  std::vector<uint32_t> art(300 * 40, 0xFFFFFF);
  for (size_t i = 0; i < art.size(); i += 7) art[i] = static_cast<uint32_t>(i % 200);
  EXPECT_EQ(ChooseFormat(art, 300, 40), TPictureFormat::kRaw);
  std::vector<uint32_t> photo(64 * 64);
  std::iota(photo.begin(), photo.end(), 0x102030u);
  EXPECT_EQ(ChooseFormat(photo, 64, 64), TPictureFormat::kXwl);

  TPictureFormat f;
  EXPECT_TRUE(ParsePictureFormat("xwl:60", f) && f.kind == TPictureFormat::kXwl && f.quality == 60);
  EXPECT_TRUE(ParsePictureFormat("raw", f) && f.kind == TPictureFormat::kRaw);
  EXPECT_FALSE(ParsePictureFormat("A leaf", f));
  EXPECT_THROW(ParsePictureFormat("xwl:0", f), std::invalid_argument);
  EXPECT_THROW(ParsePictureFormat("xwl:101", f), std::invalid_argument);
  EXPECT_THROW(EncodePicture(art, 300, 40, {TPictureFormat::kXbm, 75}), std::invalid_argument);
  // The records are the layouts the reader tells apart: "XWL" at byte 4, else packed pixels.
  EXPECT_EQ(EncodePicture(photo, 64, 64, {}).substr(4, 3), "XWL");
  EXPECT_EQ(EncodePicture(glyph, 20, 20, {}).substr(12, 3), "XBM");
}

// --- messages

TEST(MakeMessages, TheFileOverridesTheDefaultsKeyByKey) {
  const TMessages m = ParseMessages("# comment\nOK = Fine\n\ntheend = The end.\\nBye\nwaspresses_enter = YES:\n",
                                    "messages.txt");
  ASSERT_EQ(m.keys.size(), DefaultMessages().keys.size());
  EXPECT_EQ(m.texts[0], "Fine");
  EXPECT_EQ(m.texts[4], "The end.\r\nBye");
  EXPECT_EQ(m.texts[10], "YES:");
  EXPECT_EQ(m.texts[1], DefaultMessages().texts[1]);
  // A file of code page 1251 bytes is read as such.
  EXPECT_EQ(ParseMessages("ok = \xC4\xE0\n", "m").texts[0], "Да");
  // A key the reader never asks for, a line without a key.
  for (const char* bad : {"ok = 1\nshout = 2\n", "ok = 1\nno equals sign\n"}) {
    try {
      ParseMessages(bad, "messages.txt");
      ADD_FAILURE() << bad;
    } catch (const TSourceError& e) {
      EXPECT_EQ(e.Where(), "messages.txt:2") << bad;
    }
  }
}

}  // namespace
}  // namespace folivar::make
