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
  void Load(int pages, int32_t viewWidth = 776) {
    TBookWriter w;
    w.header.viewWidth = viewWidth;
    for (int i = 0; i < pages; ++i) w.AddPage(EncodePageRecord(static_cast<int16_t>(i), {}));
    const std::string image = w.Build();
    LoadBook(book, std::make_unique<TStrFile>(image));
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
  struct Step {
    void (TBook::*move)();
    int32_t from, to;
  } steps[] = {
      {&TBook::NextPage, 0, 1},     {&TBook::NextPage, 1, 3},     {&TBook::NextPage, 3, 5},
      {&TBook::PreviousPage, 5, 3}, {&TBook::PreviousPage, 3, 1}, {&TBook::PreviousPage, 1, 0},
  };
  for (const Step& s : steps) {
    ASSERT_EQ(book.CurrentIndex(), s.from);
    (book.*s.move)();
    EXPECT_EQ(book.CurrentIndex(), s.to);
  }
  EXPECT_EQ(changes, 6);
  book.PreviousPage();  // asks for -1: becomes 0, no change, no event
  EXPECT_EQ(book.CurrentIndex(), 0);
  EXPECT_EQ(changes, 6);
  EXPECT_TRUE(book.IsLeftPage(0));
  EXPECT_TRUE(book.IsLeftPage(1));
  EXPECT_FALSE(book.IsLeftPage(2));
  EXPECT_EQ(book.AlignToSpread(4), 3);
  EXPECT_EQ(book.AlignToSpread(3), 3);
}

TEST_F(Book, TheRightPageOfTheCurrentSpreadReleasesAndFires) {
  Load(10);
  book.GoToPage(4);
  EXPECT_EQ(book.CurrentIndex(), 3);
  EXPECT_EQ(book.CurrentPage().background, 3);
  ASSERT_NE(book.RightPage(), nullptr);
  EXPECT_EQ(book.RightPage()->background, 4);
  EXPECT_EQ(book.pages[3]->unloaded, 0);
  changes = 0;
  book.GoToPage(4);
  EXPECT_EQ(book.CurrentIndex(), 3);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(book.pages[3]->unloaded, 1);  // released, decoded again on the next use
  EXPECT_EQ(book.pages[4]->unloaded, 1);
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
  EXPECT_EQ(book.CurrentIndex(), 77);
  EXPECT_EQ(pastEnd, 1);
  book.GoToPage(500);
  EXPECT_EQ(pastEnd, 2);
  book.GoToPage(78);
  EXPECT_EQ(book.CurrentIndex(), 77);
  book.FirstPage();
  EXPECT_FALSE(book.AtLastView());
}

TEST_F(Book, SinglePagesWhenTheViewIsNarrow) {
  Load(6, 656);  // 2 x 328 = 656 is not less than 656
  ASSERT_FALSE(book.TwoPageMode());
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_TRUE(book.IsLeftPage(i));
    EXPECT_EQ(book.AlignToSpread(i), i);
    EXPECT_FALSE(book.IsSpreadPage(i));
  }
  book.NextPage();
  book.NextPage();
  EXPECT_EQ(book.CurrentIndex(), 2);
  book.PreviousPage();
  EXPECT_EQ(book.CurrentIndex(), 1);
  book.GoToPage(5);
  EXPECT_EQ(book.CurrentIndex(), 5);
  EXPECT_EQ(book.RightPage(), nullptr);
  EXPECT_TRUE(book.AtLastView());
}

TEST(BookHeader, ExtremeMarginsDoNotOverflow) {
  TBook book;
  book.header.pageWidth = -2000408503;
  book.header.leftMargin = 348740908;
  book.header.rightMargin = 348740908;
  EXPECT_EQ(book.ColumnWidth(), INT32_MIN);
  EXPECT_TRUE(book.TwoPageMode());
  book.header.pageWidth = INT32_MAX;
  book.header.leftMargin = INT32_MIN;
  EXPECT_EQ(book.ColumnWidth(), INT32_MAX);
  EXPECT_FALSE(book.TwoPageMode());
}

TEST_F(Book, ABookWithOnlyItsSubstitutePage) {
  Load(0);
  EXPECT_EQ(book.PageCount(), 0);
  book.NextPage();
  book.LastPage();
  EXPECT_EQ(book.CurrentIndex(), 0);
  EXPECT_EQ(changes + pastEnd, 0);
  EXPECT_EQ(book.RightPage(), nullptr);
}

}  // namespace
}  // namespace folivar
