#include "book/bookclass.h"

#include <gtest/gtest.h>

#include <climits>

#include "book/bookwriter.h"

namespace folivar {
namespace {

// A loaded book of `pages` pages (plus the substitute page) with the stored book's geometry:
// column 388 - 30 - 30 = 328, and 2 x 328 < 776, so two-page mode is on.
class Book : public ::testing::Test {
 protected:
  void Load(int pages, int32_t viewWidth = 776, int32_t firstSpreadPage = 1) {
    TBookWriter w;
    w.header.viewWidth = viewWidth;
    w.header.firstSpreadPage = firstSpreadPage;
    for (int i = 0; i < pages; ++i) w.AddPage(EncodePageRecord(static_cast<int16_t>(i), {}));
    LoadBook(book, std::make_unique<TStrFile>(w.Build()));
    book.OnPageChange = [this] { ++changes; };
    book.OnPastEnd = [this] { ++pastEnd; };
  }

  TBook book;
  int changes = 0;
  int pastEnd = 0;
};

TEST_F(Book, StepsThroughSpreads) {
  Load(10);
  ASSERT_TRUE(book.TwoPageMode());
  struct Step { void (TBook::*move)(); int32_t to; } steps[] = {
      {&TBook::NextPage, 1}, {&TBook::NextPage, 3}, {&TBook::NextPage, 5}, {&TBook::PreviousPage, 3},
      {&TBook::PreviousPage, 1}, {&TBook::PreviousPage, 0}, {&TBook::PreviousPage, 0}};  // the last asks for -1
  for (const Step& s : steps) {
    (book.*s.move)();
    EXPECT_EQ(book.CurrentIndex(), s.to);
  }
  EXPECT_EQ(changes, 6);  // -1 became 0: no change, no event
  EXPECT_TRUE(book.IsLeftPage(0) && book.IsLeftPage(1) && !book.IsLeftPage(2));
  EXPECT_TRUE(book.AlignToSpread(4) == 3 && book.AlignToSpread(3) == 3);
}

TEST_F(Book, TheRightPageOfTheCurrentSpreadReleasesAndFires) {
  Load(10);
  book.GoToPage(4);
  EXPECT_EQ(book.CurrentIndex(), 3);
  EXPECT_EQ(book.CurrentPage().background + book.RightPage()->background * 10, 43);
  changes = 0;
  book.GoToPage(4);
  EXPECT_EQ(book.CurrentIndex(), 3);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(book.pages[3]->unloaded + book.pages[4]->unloaded, 2);  // released, decoded on use
  book.GoToPage(3);  // equal: nothing at all
  EXPECT_EQ(changes, 1);
}

TEST_F(Book, TheEndOfABookOf79Pages) {
  Load(79);
  book.LastPage();
  EXPECT_EQ(book.CurrentIndex(), 77);
  EXPECT_TRUE(book.AtLastView());
  EXPECT_EQ(book.RightPage(), &*book.pages[78]);
  book.NextPage();
  book.GoToPage(500);
  EXPECT_EQ(book.CurrentIndex(), 77);
  EXPECT_EQ(pastEnd, 2);
  book.FirstPage();
  EXPECT_FALSE(book.AtLastView());
}

TEST_F(Book, SinglePagesWhenTheViewIsNarrow) {
  Load(6, 656);  // 2 x 328 = 656 is not less than 656
  ASSERT_FALSE(book.TwoPageMode());
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_TRUE(book.IsLeftPage(i) && !book.IsSpreadPage(i) && book.AlignToSpread(i) == i) << i;
  }
  book.NextPage();
  book.NextPage();
  book.PreviousPage();
  EXPECT_EQ(book.CurrentIndex(), 1);
  book.GoToPage(5);
  EXPECT_EQ(book.RightPage(), nullptr);
  EXPECT_TRUE(book.AtLastView());
}

// Spreads that begin before page 0 would make page 0 a right page: Home, a link to page 0 or the
// top of the scroll bar would then make page -1 current. They begin at page 0 instead, whether
// the header came from a book image or was set by hand.
TEST_F(Book, SpreadsNeverBeginBeforePageZero) {
  Load(6, 776, -1);
  EXPECT_EQ(book.header.firstSpreadPage, 0);
  for (int32_t first : {-1, -2, INT32_MIN}) {
    book.header.firstSpreadPage = first;
    std::vector<int32_t> shown;
    book.OnPageChange = [&] { shown.push_back(book.CurrentIndex()); };
    book.GoToPage(3);  // the spread 2-3
    book.FirstPage();
    book.GoToPage(book.AlignToSpread(1));
    book.PreviousPage();
    book.LastPage();
    EXPECT_EQ(shown, std::vector<int32_t>({2, 0, 4})) << first;
    EXPECT_TRUE(book.IsLeftPage(0));
  }
}

TEST(BookHeader, ExtremeMarginsDoNotOverflow) {
  TBook book;
  book.header = {.pageWidth = -2000408503, .leftMargin = 348740908, .rightMargin = 348740908};
  EXPECT_EQ(book.ColumnWidth(), INT32_MIN);
  EXPECT_TRUE(book.TwoPageMode());
  book.header = {.pageWidth = INT32_MAX, .leftMargin = INT32_MIN};
  EXPECT_EQ(book.ColumnWidth(), INT32_MAX);
  EXPECT_FALSE(book.TwoPageMode());
}

TEST_F(Book, ABookWithOnlyItsSubstitutePage) {
  Load(0);
  EXPECT_EQ(book.PageCount(), 0);
  book.NextPage();
  book.LastPage();
  EXPECT_EQ(book.CurrentIndex() + changes + pastEnd, 0);  // none of them negative
  EXPECT_EQ(book.RightPage(), nullptr);
}

}  // namespace
}  // namespace folivar
