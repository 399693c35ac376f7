// The book compiler's units on their own: total-fit line breaking, page breaking with widows,
// orphans and headings, hyphenation points, the strict code page conversion, the choice of picture
// formats and the message file.
#include <gtest/gtest.h>

#include <numeric>

#include "tools/make/codepage.h"
#include "tools/make/hyphenation.h"
#include "tools/make/linebreak.h"
#include "tools/make/messages.h"
#include "tools/make/pagebreak.h"
#include "tools/make/pictures.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {
namespace {

// Words of fixed-width letters (10 pixels each) separated by 4-pixel spaces.
std::vector<TElement> Words(const std::vector<std::string>& words) {
  std::vector<TElement> e;
  for (size_t w = 0; w < words.size(); ++w) {
    if (w > 0) {
      TElement g;
      g.type = TElement::kGlue;
      g.width = g.stretch = 4;
      g.item = {32, 5, 4, 10, 3};
      e.push_back(g);
    }
    for (char c : words[w]) {
      TElement b;
      b.width = 10;
      b.item = {static_cast<uint16_t>(c), 5, 10, 10, 3};
      e.push_back(b);
    }
  }
  TElement end;
  end.type = TElement::kPenalty;
  end.penalty = kForced;
  e.push_back(end);
  return e;
}

std::string Text(const TBrokenLine& line) {
  std::string s;
  for (const TLineItem& i : line.items) s += static_cast<char>(i.code);
  return s;
}

TBreakOptions Width(int32_t w) {
  TBreakOptions o;
  o.lineWidth = [w](size_t) { return w; };
  return o;
}

TEST(MakeLineBreak, NoLineIsWiderThanItsWidthAndNoneEndsInASpace) {
  const std::vector<std::string> words = {"aa", "bbbb", "c", "ddddd", "ee", "fff", "gggggg", "h", "ii", "jjjj", "kk"};
  for (int32_t width : {64, 80, 100, 137, 200}) {
    const auto lines = BreakLines(Words(words), Width(width));
    ASSERT_FALSE(lines.empty()) << width;
    std::string all;
    for (const TBrokenLine& l : lines) {
      EXPECT_LE(l.width, width);
      int32_t sum = 0;
      for (const TLineItem& i : l.items) sum += i.width;
      EXPECT_EQ(sum, l.width);
      ASSERT_FALSE(l.items.empty());
      EXPECT_NE(l.items.back().code, 32);
      EXPECT_NE(l.items.front().code, 32);
      all += Text(l) + " ";
    }
    // Nothing lost, nothing added.
    std::string expected;
    for (const auto& w : words) expected += w + " ";
    EXPECT_EQ(all, expected) << width;
    EXPECT_TRUE(lines.back().forced);
  }
}

TEST(MakeLineBreak, ALineIsTightRatherThanLeavingTheNextOneShort) {
  // "aaaa bb cccc" is 108 of 110 pixels: two lines, the first nearly full.
  const auto lines = BreakLines(Words({"aaaa", "bb", "cccc", "dd", "eeee", "ff"}), Width(110));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Text(lines[0]), "aaaa bb cccc");
  EXPECT_EQ(Text(lines[1]), "dd eeee ff");
}

TEST(MakeLineBreak, AJustifiedLineNeedsSpacesThatCanTakeTheRest) {
  // At 200 pixels "aaaaaaaaaaaa" alone has no space to widen, so it takes "b" along: its one
  // space then grows from 4 to 70 pixels, within the 127 the reader allows.
  const auto lines = BreakLines(Words({"aaaaaaaaaaaa", "b", "cccccccccccc"}), Width(200));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Text(lines[0]), "aaaaaaaaaaaa b");
  EXPECT_EQ(lines[0].spaces, 1);
  EXPECT_LE(200 - lines[0].width + 4, 127);
}

TEST(MakeLineBreak, AWordLongerThanTheLineBreaksBetweenItsLetters) {
  const auto lines = BreakLines(Words({"ab", "cdefghijklmnop", "q"}), Width(60));
  ASSERT_GE(lines.size(), 3u);
  for (const TBrokenLine& l : lines) EXPECT_LE(l.width, 60);
}

TEST(MakeLineBreak, AHyphenIsDrawnOnlyWhereTheLineBreaks) {
  std::vector<TElement> e = Words({"aaaa", "bbbbbbbb"});
  TElement p;
  p.type = TElement::kPenalty;
  p.penalty = 50;
  p.flagged = true;
  p.width = 6;
  p.item = {'-', 5, 6, 10, 3};
  e.insert(e.begin() + 9, p);  // "aaaa bbbb-bbbb"
  const auto lines = BreakLines(e, Width(100));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Text(lines[0]), "aaaa bbbb-");
  EXPECT_EQ(Text(lines[1]), "bbbb");
  const auto one = BreakLines(e, Width(200));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(Text(one[0]), "aaaa bbbbbbbb");
}

TEST(MakeLineBreak, AnchorsGoWithTheLineTheyStandOn) {
  std::vector<TElement> e = Words({"aaaa", "bbbb", "cccc", "dddd"});
  e[10].anchors = {7};  // the first letter of "cccc"
  const auto lines = BreakLines(e, Width(100));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].anchors.empty());
  EXPECT_EQ(lines[1].anchors, std::vector<int32_t>{7});
}

TEST(MakeLineBreak, ANonBreakingSpaceKeepsItsNeighboursTogether) {
  std::vector<TElement> e = Words({"aaaa", "bbbb", "cc"});
  e[9].breakable = false;  // between "bbbb" and "cc"
  const auto lines = BreakLines(e, Width(100));
  for (const TBrokenLine& l : lines) EXPECT_NE(Text(l), "aaaa bbbb");
}

// --- pages

std::vector<TPageLine> Paragraph(int lines, int32_t id, int32_t height = 10) {
  std::vector<TPageLine> out;
  for (int i = 0; i < lines; ++i) {
    TPageLine l;
    l.record.height = height;
    l.paragraph = id;
    l.index = i;
    l.count = lines;
    out.push_back(l);
  }
  return out;
}

std::vector<size_t> Sizes(const std::vector<TPageOfLines>& pages) {
  std::vector<size_t> s;
  for (const auto& p : pages) s.push_back(p.lines.size());
  return s;
}

TEST(MakePageBreak, PagesAreFilledToTheBottom) {
  EXPECT_EQ(Sizes(BreakPages(Paragraph(12, 0), 40)), (std::vector<size_t>{4, 4, 4}));
}

TEST(MakePageBreak, AWidowTakesALineWithIt) {
  // Five lines, four fit: the last would stand alone on the next page.
  EXPECT_EQ(Sizes(BreakPages(Paragraph(5, 0), 40)), (std::vector<size_t>{3, 2}));
}

TEST(MakePageBreak, AnOrphanGoesToTheNextPage) {
  std::vector<TPageLine> lines = Paragraph(3, 0);
  for (const TPageLine& l : Paragraph(4, 1)) lines.push_back(l);
  // Page of four: three lines of the first paragraph and the first line of the second alone.
  EXPECT_EQ(Sizes(BreakPages(lines, 40)), (std::vector<size_t>{3, 4}));
}

TEST(MakePageBreak, ATwoLineParagraphIsNeverSplit) {
  std::vector<TPageLine> lines = Paragraph(3, 0);
  for (const TPageLine& l : Paragraph(2, 1)) lines.push_back(l);
  EXPECT_EQ(Sizes(BreakPages(lines, 40)), (std::vector<size_t>{3, 2}));
}

TEST(MakePageBreak, AHeadingStaysWithTheLineAfterIt) {
  std::vector<TPageLine> lines = Paragraph(3, 0);
  TPageLine heading;
  heading.record.height = 10;
  heading.keepWithNext = true;
  heading.paragraph = 1;
  lines.push_back(heading);
  for (const TPageLine& l : Paragraph(3, 2)) lines.push_back(l);
  EXPECT_EQ(Sizes(BreakPages(lines, 40)), (std::vector<size_t>{3, 4}));
}

TEST(MakePageBreak, WhatCannotBeAvoidedStillFillsThePage) {
  // One line per page: every page holds a single line of the paragraph, widow or not.
  EXPECT_EQ(Sizes(BreakPages(Paragraph(3, 0), 10)), (std::vector<size_t>{1, 1, 1}));
  // A paragraph of two lines on pages of two: both fit.
  EXPECT_EQ(Sizes(BreakPages(Paragraph(2, 0), 20)), (std::vector<size_t>{2}));
}

TEST(MakePageBreak, SpacingVanishesAtTheTopAndForcedBreaksStartPages) {
  std::vector<TPageLine> lines = Paragraph(4, 0);
  TPageLine gap;
  gap.spacing = true;
  gap.record.height = 5;
  lines.push_back(gap);
  std::vector<TPageLine> next = Paragraph(2, 1);
  next[0].newPage = true;
  next[0].anchors = {3};
  lines.insert(lines.end(), next.begin(), next.end());
  const auto pages = BreakPages(lines, 40);
  ASSERT_EQ(Sizes(pages), (std::vector<size_t>{4, 2}));
  EXPECT_EQ(pages[1].lines[0], 5u);
  EXPECT_EQ(pages[1].anchors, std::vector<int32_t>{3});
}

// --- hyphenation

TEST(MakeHyphenation, PointsComeFromThePatterns) {
  THyphenator en("en");
  const auto points = en.Points("hyphenation");
  ASSERT_FALSE(points.empty());
  for (size_t p : points) {
    EXPECT_GE(p, 2u);
    EXPECT_LE(p, std::string("hyphenation").size() - 3);
  }
  EXPECT_NE(std::find(points.begin(), points.end(), 2u), points.end());  // hy-phen-ation
  // Capitals hyphenate like small letters.
  EXPECT_EQ(en.Points("Hyphenation"), points);
  EXPECT_TRUE(en.Points("cat").empty());
}

TEST(MakeHyphenation, RussianWordsAreConvertedForTheirPatterns) {
  THyphenator ru("ru");
  // "программирование" in code page 1251.
  const std::string word = "\xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5";
  const auto points = ru.Points(word);
  ASSERT_FALSE(points.empty());
  for (size_t p : points) {
    EXPECT_GE(p, 2u);
    EXPECT_LE(p, word.size() - 3);
  }
}

// --- code page

TEST(MakeCodePage, ConvertsWhatTheCodePageHoldsAndRefusesTheRest) {
  EXPECT_EQ(ToCp1251("abc \xD0\x96\xD1\x91 \xE2\x80\x94 \xE2\x84\x96"), "abc \xC6\xB8 \x97 \xB9");  // Жё — №
  TCodePageFailure f;
  EXPECT_FALSE(ToCp1251("ok \xF0\x9F\x98\x80", &f));
  EXPECT_EQ(f.offset, 3u);
  EXPECT_NE(f.what.find("U+1F600"), std::string::npos) << f.what;
  EXPECT_FALSE(ToCp1251("\xC3\x28", &f));  // not UTF-8
  EXPECT_FALSE(ToCp1251("\xC0\xAF", &f));  // overlong
  EXPECT_FALSE(ToCp1251("\xED\xA0\x80", &f));  // a surrogate
  EXPECT_EQ(Cp1251Lower(0xC0), 0xE0);
  EXPECT_EQ(Cp1251Lower('Q'), 'q');
  EXPECT_TRUE(IsCp1251Letter(0xB8));
  EXPECT_FALSE(IsCp1251Letter('-'));
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
  EXPECT_TRUE(ParsePictureFormat("xwl:60", f));
  EXPECT_EQ(f.kind, TPictureFormat::kXwl);
  EXPECT_EQ(f.quality, 60);
  EXPECT_TRUE(ParsePictureFormat("raw", f));
  EXPECT_EQ(f.kind, TPictureFormat::kRaw);
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
  // Code page 1251 bytes are taken as they are.
  EXPECT_EQ(ParseMessages("ok = \xC4\xE0\n", "m").texts[0], "\xC4\xE0");
  try {
    ParseMessages("ok = 1\nshout = 2\n", "messages.txt");
    FAIL();
  } catch (const TSourceError& e) {
    EXPECT_EQ(e.Where(), "messages.txt:2");
  }
  EXPECT_THROW(ParseMessages("no equals sign\n", "m"), TSourceError);
}

}  // namespace
}  // namespace folivar::make
