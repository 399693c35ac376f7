// The click map and the layout of the reader's controls in it: shapes, boxes, the thumb.
#include "reader/clicks.h"

#include <gtest/gtest.h>

#include <vector>

#include "images/embed.h"
#include "reader/hotspots.h"

namespace folivar {
namespace {

// A code's bounding box as left, top, right, bottom; empty for none.
std::vector<int32_t> Box(TClickMap& clicks, uint16_t code) {
  const THotBox* b = clicks.FindBox(code);
  return b ? std::vector<int32_t>{b->left, b->top, b->right, b->bottom} : std::vector<int32_t>{};
}

TEST(ClickMap, TrianglesRectanglesAndBoxes) {
  TClickMap clicks;
  const int32_t H = 300;
  clicks.Reset(400, H);
  clicks.AddTriangle(1, H - 150, H - 1, 1, 150, kHotPreviousCorner, 0);
  EXPECT_EQ(clicks.CodeAt(1, H - 1), kHotPreviousCorner);
  EXPECT_EQ(clicks.CodeAt(149, H - 1), kHotPreviousCorner);
  EXPECT_EQ(clicks.CodeAt(150, H - 1), kHotNone);  // the fill ends at x = 149
  EXPECT_EQ(clicks.CodeAt(1, H - 150), kHotNone);  // the apex row is empty
  EXPECT_EQ(Box(clicks, kHotPreviousCorner), (std::vector<int32_t>{1, H - 150, 150, H - 1}));

  clicks.AddRect(10, 10, 20, 20, kHotSideButton, kSideAbout);
  clicks.AddRect(10, 30, 15, 35, kHotSideButton, kSideBack);
  EXPECT_EQ(clicks.CodeAt(19, 19), kHotSideButton);
  EXPECT_EQ(clicks.SubAt(19, 19), kSideAbout);
  EXPECT_EQ(clicks.CodeAt(20, 19), kHotNone);  // right and bottom are exclusive
  EXPECT_EQ(clicks.SubAt(12, 31), kSideBack);
  EXPECT_EQ(Box(clicks, kHotSideButton), (std::vector<int32_t>{10, 10, 20, 35}));

  EXPECT_TRUE(Box(clicks, kHotScrollBar).empty());
  EXPECT_EQ(clicks.CodeAt(-1, 5), kHotNone);
  EXPECT_EQ(clicks.CodeAt(400, 5), kHotNone);
  clicks.AddRect(390, 290, 500, 500, kHotScrollBar, 1);  // clipped
  EXPECT_EQ(clicks.CodeAt(399, 299), kHotScrollBar);
  clicks.ClearBoxes();
  EXPECT_TRUE(Box(clicks, kHotSideButton).empty());
}

TEST(Thumb, SpansStayInsideTheBar) {
  auto span = [](int32_t page, int32_t pages, int32_t rows) {
    const TThumb t = ThumbSpan(page, pages, rows);
    return std::vector<int32_t>{t.a, t.b};
  };
  EXPECT_EQ(span(0, 10, 100), (std::vector<int32_t>{3, 13}));
  EXPECT_EQ(span(5, 10, 100), (std::vector<int32_t>{50, 60}));
  EXPECT_EQ(span(9, 10, 100), (std::vector<int32_t>{88, 98}));  // pulled back from the bottom row
  EXPECT_EQ(span(0, 1000, 100), (std::vector<int32_t>{3, 7}));   // many pages: at least three rows
  const TThumb last = ThumbSpan(999, 1000, 100);
  EXPECT_LT(last.b, 99);
  EXPECT_GE(last.b - last.a, 3);
  // Halves round to even: 2.5 pages' worth of rows.
  EXPECT_EQ(ThumbSpan(1, 4, 10).a, 3);
  // No pages and tiny bars end.
  ThumbSpan(0, 0, 100);
  ThumbSpan(3, 5, 2);
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override { LoadBuiltInImages(); }
  int32_t Close() const { return static_cast<int32_t>(BuiltInImage(TBuiltIn::CloseButton).Width()); }
};

TEST_F(Controls, LayoutOfTheReadersControls) {
  const int32_t W = 776, H = 575;
  const TScrollBar bar = ScrollBarRect(W, H, 45);
  EXPECT_EQ(bar.left, W - 20);
  EXPECT_EQ(bar.right, W);
  EXPECT_EQ(bar.top, Close() + 1);
  EXPECT_EQ(bar.bottom, H - 45 - 20);
  TClickMap clicks;
  LayOutControls(clicks, W, H, false, bar, 0, 10);

  EXPECT_EQ(clicks.CodeAt(1, H - 1), kHotPreviousCorner);
  EXPECT_EQ(clicks.CodeAt(W - 150, H - 1), kHotNextCorner);
  EXPECT_EQ(clicks.CodeAt(W - 2, H - 1), kHotNextCorner);
  EXPECT_EQ(clicks.FindBox(kHotNextCorner)->top, bar.bottom + 1);
  EXPECT_EQ(clicks.CodeAt(W - 1, 0), kHotWindowButton);
  EXPECT_EQ(clicks.SubAt(W - 1, 0), kWindowClose);
  EXPECT_EQ(clicks.SubAt(W - Close() - 2, 5), kWindowMinimise);
  EXPECT_EQ(clicks.CodeAt(W - Close() - 1, 5), kHotNone);  // the gap between them
  EXPECT_EQ(clicks.CodeAt(W - 1, bar.top), kHotScrollBar);

  const int32_t about = static_cast<int32_t>(BuiltInImage(TBuiltIn::AboutButton).Height());
  EXPECT_EQ(clicks.SubAt(1, 1), kSideAbout);
  EXPECT_EQ(clicks.SubAt(1, 1 + about), kSideBack);  // no Print button
  TClickMap printing;
  LayOutControls(printing, W, H, true, bar, 0, 10);
  EXPECT_EQ(printing.SubAt(1, 1 + about), kSidePrint);
  const int32_t print = static_cast<int32_t>(BuiltInImage(TBuiltIn::PrintButton).Height());
  EXPECT_EQ(printing.SubAt(1, 1 + about + print), kSideBack);

  // The lit looks are in the layer where the controls are; the bar's thumb is drawn too.
  TXif& layer = clicks.Highlight();
  EXPECT_EQ(layer.At(static_cast<uint32_t>(W - Close()), 0),
            BuiltInImage(TBuiltIn::CloseButton).At(0, 0));
  EXPECT_EQ(layer.At(static_cast<uint32_t>(bar.left), static_cast<uint32_t>(bar.top + 1)), 0x000001u);
  EXPECT_EQ(layer.At(static_cast<uint32_t>(bar.left + 5), static_cast<uint32_t>(bar.top + 3)), 0x000001u);
  EXPECT_EQ(layer.At(static_cast<uint32_t>(bar.left + 5), static_cast<uint32_t>(bar.top + 5)), 0xFFFFFFu);
  EXPECT_EQ(layer.At(static_cast<uint32_t>(bar.left + 5), static_cast<uint32_t>(bar.bottom - 5)), 0xDDDDDDu);
  EXPECT_EQ(layer.At(400, 300), 0u);
}

// At a scale whose pictures are drawn, the device layer shows them where the highlight layer
// shows them, and what is drawn over them (the scroll bar over the next-page corner) stays.
TEST_F(Controls, DeviceLayerShowsThePicturesDrawnAtItsScale) {
  const int32_t W = 300, H = 200;
  const TScrollBar bar = ScrollBarRect(W, H, 0);
  TClickMap clicks;
  clicks.SetScale(2);
  LayOutControls(clicks, W, H, false, bar, 0, 10);
  clicks.UpdateDeviceHighlight();
  const TXif& device = clicks.DeviceHighlight();
  const tview& close = BuiltInImage(TBuiltIn::CloseButton, 2);
  const auto x0 = static_cast<uint32_t>(2 * (W - Close()));
  size_t differ = 0;
  for (uint32_t y = 0; y < close.Height(); ++y)
    for (uint32_t x = 0; x < close.Width(); ++x) differ += device.At(x0 + x, y) != close.At(x, y);
  EXPECT_EQ(differ, 0u);
  const tview& corner = BuiltInImage(TBuiltIn::CornerRight, 2);
  const auto cx = static_cast<uint32_t>(2 * (W - 48)), cy = static_cast<uint32_t>(2 * (H - 48));
  EXPECT_EQ(device.At(cx + 80, cy + 80), corner.At(80, 80));
  const auto barX = static_cast<uint32_t>(2 * bar.left), barY = static_cast<uint32_t>(2 * (bar.bottom - 4));
  ASSERT_GT(barY, cy);
  EXPECT_NE(device.At(barX, barY), corner.At(barX - cx, barY - cy));
  EXPECT_EQ(clicks.Highlight().At(static_cast<uint32_t>(bar.left), static_cast<uint32_t>(bar.bottom - 4)),
            0x000001u);
}

}  // namespace
}  // namespace folivar
