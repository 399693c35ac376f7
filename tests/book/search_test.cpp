// The page text for copying and the search over the book's text, on a Unicode book made by the
// writer. In the pages, '#' stands for a page reference (to page 12), '@' for a picture and '~'
// for the mark after a hyphen that the compiler added.
#include <gtest/gtest.h>

#include "book/bookclass.h"
#include "book/bookwriter.h"
#include "book/pagetext.h"
#include "book/pictureencode.h"
#include "book/search.h"
#include "core/bzip.h"
#include "core/codepage.h"

namespace folivar {
namespace {

using TPages = std::vector<std::vector<std::u16string>>;

const TPages kPages = {
    {},
    {u"The Quick  brown", u"fox, twice.",
     u"\u0401\u043B\u043A\u0430 \u0438 \u0435\u0449\u0451 \u043C\u043E\u0439"},
    {u"\u03A3\u039F\u03A6\u038A\u0391 \u03C3\u03BF\u03C6\u03CC\u03C2 caf\u00E9@", u"A hy-~", u"phen-~",
     u"ated word"},
    {u"see # at the end", u"of page twice con-~"},
    {u"tinued\x1Fhere"},
};

std::string Image(const TPages& pages) {
  TBookWriter w;
  w.SetProperty("encoding", "unicode");
  w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Times New Roman", .size = 12}));
  w.AddPicture(10, PackedPictureRecord(1, 1, Bzip(std::string(4, '\0'))));
  w.AddAnchor("there", 12);
  for (const auto& page : pages) {
    std::vector<TLineRecord> lines;
    for (const std::u16string& text : page) {
      lines.emplace_back();
      for (char16_t c : text) {
        using TItem = std::pair<uint16_t, uint16_t>;
        lines.back().items.push_back(c == u'#'   ? TItem{0, 4}
                                     : c == u'@' ? TItem{0, 1}
                                     : c == u'~' ? TItem{150, 5}
                                                 : TItem{c, 5});
      }
    }
    w.AddPage(EncodePageRecord(-1, lines));
  }
  return w.Build();
}

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadBook(book_, std::make_unique<TStrFile>(Image(kPages)));
    index_.Build(book_);
  }
  // The characters of the items a hit covers, as written in kPages.
  static std::u16string Covered(const TSearchHit& hit) {
    std::u16string out;
    for (const TItemPlace& p : hit.items) out += kPages[p.page][p.line][p.item];
    return out;
  }
  TBook book_;
  TSearchIndex index_;
};

TEST(FoldForSearch, CaseAccentsAndYo) {
  const std::pair<char16_t, char16_t> cases[] = {
      {u'A', u'a'},           {u'\u00C9', u'e'},      {u'\u00DF', u'\u00DF'}, {u'\u0401', u'\u0435'},
      {u'\u0451', u'\u0435'}, {u'\u0419', u'\u0439'}, {u'\u03A3', u'\u03C3'}, {u'\u03C2', u'\u03C3'},
      {u'\u038A', u'\u03B9'}, {u'\u0301', 0},         {u'\u00A0', u' '},      {u'7', u'7'},
  };
  for (const auto& [c, folded] : cases) EXPECT_EQ(FoldForSearch(c), folded) << static_cast<int>(c);
}

TEST_F(SearchTest, FindsForwardsOverLinesPagesAndBrokenWords) {
  const struct {
    const char16_t* query;
    int32_t fromPage;
    int32_t page;
    const char16_t* covered;
    bool wrapped;
  } cases[] = {
      {u"quick BROWN fox", 0, 1, u"Quick brownfox", false},
      {u"quick   brown", 0, 1, u"Quick brown", false},
      {u"\u0415\u0429\u0415", 0, 1, u"\u0435\u0449\u0451", false},  // ЕЩЕ finds ещё
      {u"\u0435\u043B\u043A\u0430", 0, 1, u"\u0401\u043B\u043A\u0430", false},
      {u"\u03C3\u03BF\u03C6\u03B9\u03B1 \u03A3\u039F\u03A6\u039F\u03A3", 0, 2,
       u"\u03A3\u039F\u03A6\u038A\u0391 \u03C3\u03BF\u03C6\u03CC\u03C2", false},
      {u"CAFE a", 0, 2, u"caf\u00E9A", false},
      {u"hyphenated word", 0, 2, u"hyphenatedword", false},
      {u"see 12 at", 0, 3, u"see # at", false},
      {u"end of page", 0, 3, u"endof page", false},
      {u"twice continued here", 2, 3, u"twice continuedhere", false},
      {u"twice", 3, 3, u"twice", false},
      {u"the quick", 2, 1, u"The Quick", true},
  };
  for (const auto& c : cases) {
    const auto hit = index_.FindNext(c.query, index_.PageStart(c.fromPage));
    ASSERT_TRUE(hit) << Utf16ToUtf8(c.query);
    EXPECT_EQ(hit->page, c.page) << Utf16ToUtf8(c.query);
    EXPECT_EQ(Covered(*hit), c.covered) << Utf16ToUtf8(c.query);
    EXPECT_EQ(hit->wrapped, c.wrapped) << Utf16ToUtf8(c.query);
  }
  // Words that are not there: й is not и, a word's pieces are not apart, a space alone is nothing.
  for (const char16_t* missing : {u"\u043C\u043E\u0438", u"hy phen", u"hyphen-ated", u"  ", u"zebra"}) {
    EXPECT_FALSE(index_.FindNext(missing, 0)) << Utf16ToUtf8(missing);
  }
}

TEST_F(SearchTest, NextAndPreviousStepAndGoRound) {
  const auto first = index_.FindNext(u"twice", 0);
  ASSERT_TRUE(first);
  const auto second = index_.FindNext(u"twice", first->start + 1);
  ASSERT_TRUE(second);
  const auto round = index_.FindNext(u"twice", second->start + 1);
  ASSERT_TRUE(round);
  EXPECT_EQ(std::vector<int32_t>({first->page, second->page, round->page}), std::vector<int32_t>({1, 3, 1}));
  EXPECT_TRUE(round->wrapped);

  const auto back = index_.FindPrevious(u"TWICE", second->start);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->start, first->start);
  EXPECT_FALSE(back->wrapped);
  const auto backRound = index_.FindPrevious(u"TWICE", first->start);
  ASSERT_TRUE(backRound);
  EXPECT_EQ(backRound->start, second->start);
  EXPECT_TRUE(backRound->wrapped);
  EXPECT_EQ(index_.PageStart(99), index_.TextLength());
}

// The text of a spread for copying: the lines in order, a word broken at the left page's end whole
// on its line, the line that held only its rest left out, page references as their pages.
TEST_F(SearchTest, CopyTextOfASpread) {
  std::vector<const TPage*> pages;
  for (size_t p : {2, 3, 4}) {
    book_.pages[p]->DecodePage(&book_.substitute, *book_.source);
    pages.push_back(book_.pages[p].get());
  }
  EXPECT_EQ(
      CopyText({pages[0]}, BookEncoding(), u"\r\n"),
      u"\u03A3\u039F\u03A6\u038A\u0391 \u03C3\u03BF\u03C6\u03CC\u03C2 caf\u00E9\r\nA hyphenated\r\nword");
  EXPECT_EQ(CopyText({pages[1], pages[2]}, BookEncoding(), u"\n"),
            u"see 12 at the end\nof page twice continued\nhere");
}

}  // namespace
}  // namespace folivar
