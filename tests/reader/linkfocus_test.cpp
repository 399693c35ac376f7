#include "reader/linkfocus.h"

#include <gtest/gtest.h>

#include <vector>

namespace folivar {
namespace {

// An item of page 1 on a line, x from left to left + 9, in a link (or kNoLink).
TLinkItem Item(int32_t page, int32_t line, int32_t item, int32_t link) {
  const int32_t left = item * 10;
  return {page, {line, item, left, line * 20, left + 9, line * 20 + 19}, link};
}

TEST(LinkFocus, ItemsOfOneLinkAreOneStopFramedLineByLine) {
  constexpr int32_t none = TLinkItem::kNoLink;
  const std::vector<TLinkItem> items = {
      Item(1, 0, 0, none), Item(1, 0, 1, 5), Item(1, 0, 2, 5),  // link 5 runs on
      Item(1, 1, 0, 5),                                         // onto the next line
      Item(1, 1, 1, none), Item(1, 1, 2, 5),                    // after a plain item: a new stop
      Item(1, 1, 3, 6),                                         // another link right after
      Item(2, 0, 0, 6),                                         // the same link on the right page
  };
  const std::vector<TLinkStop> stops = GroupLinkStops(items);
  ASSERT_EQ(stops.size(), 4u);
  EXPECT_EQ(stops[0].line, 0);
  EXPECT_EQ(stops[0].item, 1);
  ASSERT_EQ(stops[0].frames.size(), 2u);
  EXPECT_EQ(stops[0].frames[0].left, 10);
  EXPECT_EQ(stops[0].frames[0].right, 29);
  EXPECT_EQ(stops[0].frames[1].line, 1);
  EXPECT_EQ(stops[0].frames[1].right, 9);
  EXPECT_EQ(stops[1].item, 2);
  EXPECT_EQ(stops[2].item, 3);
  EXPECT_EQ(stops[3].page, 2);
}

TEST(LinkFocus, TabAndShiftTabGoRound) {
  TLinkFocus focus;
  EXPECT_FALSE(focus.Move(true));
  EXPECT_EQ(focus.Focused(), nullptr);
  std::vector<TLinkStop> stops(3);
  for (int32_t i = 0; i < 3; ++i) stops[static_cast<size_t>(i)].item = i;
  focus.SetStops(stops);
  EXPECT_EQ(focus.Focused(), nullptr);
  const struct {
    bool forward;
    int32_t item;
  } steps[] = {{true, 0}, {true, 1}, {true, 2}, {true, 0}, {false, 2}, {false, 1}};
  for (const auto& s : steps) {
    ASSERT_TRUE(focus.Move(s.forward));
    EXPECT_EQ(focus.Focused()->item, s.item);
  }
  focus.SetStops(stops);
  ASSERT_TRUE(focus.Move(false));
  EXPECT_EQ(focus.Focused()->item, 2) << "Shift+Tab starts at the last link";
}

}  // namespace
}  // namespace folivar
