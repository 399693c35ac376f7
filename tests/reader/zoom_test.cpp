// The reader's scale: zoom steps and keys, the kept zoom, the scale for a DPI, the fit to the
// work area, mouse positions in book coordinates and the window resized around its centre.
#include "reader/zoom.h"

#include <gtest/gtest.h>

namespace folivar {
namespace {

TEST(Zoom, StepsMoveAndStopAtTheEnds) {
  const struct {
    int32_t zoom, steps, expected;
  } cases[] = {
      {100, 1, 110}, {100, 2, 125}, {100, -1, 90}, {100, -3, 67}, {200, 1, 200}, {50, -1, 50},
      {175, 5, 200}, {67, -9, 50},  {80, 1, 90},   {80, -1, 75},  {10, 1, 50},   {900, -1, 200},
      {125, 0, 125},
  };
  for (const auto& c : cases) EXPECT_EQ(MoveZoom(c.zoom, c.steps), c.expected) << c.zoom << " " << c.steps;
}

TEST(Zoom, KeysOfBothKeyboards) {
  const struct {
    int32_t key;
    int32_t expected;  // from 125
  } cases[] = {{0xBB, 150}, {0x6B, 150}, {0xBD, 110}, {0x6D, 110}, {0x30, 100}, {0x60, 100},
               {0x31, 125}, {40, 125},   {0x56, 125}};
  for (const auto& c : cases) {
    EXPECT_EQ(ZoomAfterKey(ZoomKeyAction(c.key), 125), c.expected) << c.key;
  }
}

TEST(Zoom, KeptAsAPercentage) {
  const struct {
    const char* text;
    int32_t zoom;
  } cases[] = {{"150", 150}, {"50", 50}, {"200", 200}, {"80", 80},  {" 110 ", 110}, {"", 100},
               {"49", 100},  {"201", 100}, {"-75", 100}, {"1e2", 100}, {"abc", 100}, {"0150", 100}};
  for (const auto& c : cases) EXPECT_EQ(ZoomFromText(c.text), c.zoom) << '"' << c.text << '"';
  for (const int32_t step : kZoomSteps) EXPECT_EQ(ZoomFromText(ZoomText(step)), step);
}

TEST(Zoom, ScaleOfDpiAndZoomWithinItsLimits) {
  EXPECT_DOUBLE_EQ(ChosenScale(96, 100), 1);
  EXPECT_DOUBLE_EQ(ChosenScale(0, 100), 1);
  EXPECT_DOUBLE_EQ(ChosenScale(144, 100), 1.5);
  EXPECT_DOUBLE_EQ(ChosenScale(192, 125), 2.5);
  EXPECT_DOUBLE_EQ(ChosenScale(96, 50), 0.5);
  EXPECT_DOUBLE_EQ(ChosenScale(72, 50), 0.5);
  EXPECT_DOUBLE_EQ(ChosenScale(480, 200), 4);
}

TEST(Zoom, DeviceLengthsAndBookPositions) {
  EXPECT_EQ(DeviceLength(776, 1), 776);
  EXPECT_EQ(DeviceLength(575, 1.5), 863);
  EXPECT_EQ(DeviceLength(575, 1.75), 1006);
  EXPECT_EQ(DeviceLength(388, 0.67), 260);
  const struct {
    int32_t device;
    double s;
    int32_t book;
  } cases[] = {{0, 1.5, 0}, {1, 1.5, 0}, {2, 1.5, 1}, {1163, 1.5, 775}, {-1, 1.5, -1}, {-3, 2, -2},
               {13, 0.5, 26}, {777, 1, 777}};
  for (const auto& c : cases) EXPECT_EQ(BookPosition(c.device, c.s), c.book) << c.device << " " << c.s;
}

TEST(Zoom, TheLargestScaleThatFitsTheWorkArea) {
  // 776 x 575 at 2 on 1024 x 600 minus a 40-pixel task bar: the height decides.
  const double s = FittingScale(2, 776, 575, 1024, 560);
  EXPECT_DOUBLE_EQ(s, 560.0 / 575);
  EXPECT_LE(DeviceLength(776, s), 1024);
  EXPECT_EQ(DeviceLength(575, s), 560);
  // A single page on a narrow area: the width decides; a window that fits keeps its scale.
  EXPECT_DOUBLE_EQ(FittingScale(3, 388, 575, 900, 2000), 900.0 / 388);
  EXPECT_DOUBLE_EQ(FittingScale(1.5, 776, 575, 1280, 1024), 1.5);
  // Never below the least scale; an empty window keeps the chosen one.
  EXPECT_DOUBLE_EQ(FittingScale(2, 776, 575, 200, 100), kMinScale);
  EXPECT_DOUBLE_EQ(FittingScale(2, 0, 0, 200, 100), 2);
}

TEST(Zoom, TheWindowGrowsAroundItsCentreInsideTheArea) {
  const TWindowRect area{0, 0, 1280, 1000};
  const struct {
    TWindowRect from;
    int32_t width, height;
    TWindowRect expected;
  } cases[] = {
      {{100, 100, 876, 675}, 853, 633, {61, 71, 914, 704}},      // grows both ways
      {{100, 100, 876, 675}, 699, 518, {138, 128, 837, 646}},    // shrinks
      {{0, 0, 776, 575}, 1164, 863, {0, 0, 1164, 863}},          // pushed in at the top left
      {{500, 400, 1276, 975}, 1164, 863, {116, 137, 1280, 1000}}, // and at the bottom right
      {{10, 10, 786, 585}, 1500, 1100, {0, 0, 1500, 1100}},      // larger than the area
  };
  for (const auto& c : cases) {
    const TWindowRect r = ResizedAroundCentre(c.from, c.width, c.height, area);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
}

}  // namespace
}  // namespace folivar
