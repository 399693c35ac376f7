// The hover highlight's phases and levels tick by tick, and press-and-hold.
#include "reader/highlight.h"

#include <gtest/gtest.h>

namespace folivar {
namespace {

TEST(Highlight, FadesInHoldsAndFadesOut) {
  THighlight h;
  EXPECT_FALSE(h.Tick(true));  // idle: nothing
  h.TargetFor(2);
  EXPECT_EQ(h.target, 50);
  EXPECT_TRUE(h.Hover(2, 0));
  EXPECT_EQ(h.phase, -10);
  // Ten ticks up: -9 gives 5, ..., -1 gives 45; phase 0 keeps 45; then full.
  EXPECT_TRUE(h.Tick(true));
  EXPECT_DOUBLE_EQ(h.level, 5);
  for (int i = 0; i < 8; ++i) h.Tick(true);
  EXPECT_EQ(h.phase, -1);
  EXPECT_DOUBLE_EQ(h.level, 45);
  EXPECT_FALSE(h.Tick(true));  // phase 0: no change
  EXPECT_TRUE(h.Tick(true));
  EXPECT_DOUBLE_EQ(h.level, 50);
  EXPECT_EQ(h.BlendWeight(), 125);
  while (h.phase < 80) EXPECT_FALSE(h.Tick(true));
  EXPECT_TRUE(h.Tick(true));  // 81: falling
  EXPECT_DOUBLE_EQ(h.level, 50 - 1 / (40.0 / 50));
  while (h.phase != THighlight::kIdle) h.Tick(true);
  EXPECT_EQ(h.level, 0);
  EXPECT_EQ(h.BlendWeight(), 250);
}

TEST(Highlight, LeavingTheWindowOrMovingWithinIt) {
  THighlight h;
  h.Hover(3, 0);
  for (int i = 0; i < 20; ++i) h.Tick(true);
  ASSERT_EQ(h.phase, 10);
  EXPECT_FALSE(h.Hover(3, 3));  // the same control: full again
  EXPECT_EQ(h.phase, 0);
  EXPECT_TRUE(h.Hover(5, 3));  // another one: fades in
  EXPECT_EQ(h.phase, -10);
  for (int i = 0; i < 20; ++i) h.Tick(true);
  h.Tick(false);  // the pointer left the window: fading out at once
  EXPECT_EQ(h.phase, 120);
  EXPECT_DOUBLE_EQ(h.level, 0);
  h.Tick(false);
  EXPECT_EQ(h.phase, THighlight::kIdle);
}

TEST(Hold, TurnsAfterTwentyOneTicks) {
  THold hold;
  EXPECT_FALSE(hold.Tick(false, true));  // outside: back to 0
  for (int i = 1; i < 21; ++i) EXPECT_FALSE(hold.Tick(true, true)) << i;
  EXPECT_TRUE(hold.Tick(true, true));
  EXPECT_TRUE(hold.Tick(true, true));
  EXPECT_FALSE(hold.Tick(true, false));
}

}  // namespace
}  // namespace folivar
