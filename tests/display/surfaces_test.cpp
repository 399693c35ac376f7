// The drawing surface: font descriptions, style selection, text of several lines, pixels, the
// triangle fill and the item map.
#include "display/surfaces.h"

#include <gtest/gtest.h>

#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/paraclasses.h"
#include "tests/support/testdevice.h"

namespace folivar {
namespace {

TStyleFont Font(int32_t size, uint8_t flags, const std::string& face = "Arial") {
  TStyleFont f;
  f.SetFaceName(face);
  f.size = size;
  f.flags = flags;
  return f;
}

TEST(LogFont, HeightsWeightsAndFlags) {
  EXPECT_EQ(MakeLogFont(Font(12, 0)).height, -16);
  EXPECT_EQ(MakeLogFont(Font(10, 0)).height, -13);
  EXPECT_EQ(MakeLogFont(Font(9, 0)).height, -12);
  const TLogFont plain = MakeLogFont(Font(12, 0));
  EXPECT_EQ(plain.weight, 400);
  EXPECT_EQ(plain.italic + plain.underline + plain.strikeOut, 0);
  EXPECT_EQ(plain.charSet, 1);
  EXPECT_EQ(plain.faceName, "Arial");
  const TLogFont all = MakeLogFont(Font(12, 0x0F));
  EXPECT_EQ(all.weight, 700);
  EXPECT_EQ(all.italic, 1);
  EXPECT_EQ(all.underline, 1);
  EXPECT_EQ(all.strikeOut, 1);
  // A face name is cut to what a LOGFONT holds.
  EXPECT_EQ(MakeLogFont(Font(12, 0, std::string(40, 'f'))).faceName, std::string(31, 'f'));
  EXPECT_EQ(PlainLogFont("Arial", 10).height, -13);
}

class Surface : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetStyles();
    surface_ = test::MakeTestSurface(40, 30, device_);
    TStrFile record(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12, .colour = 0x00FF00}));
    TCheckedReader reader(record);
    TStyle style;
    style.ReadRecord(reader);
    text_ = style.AddStyle();
  }
  void TearDown() override { ResetStyles(); }

  std::unique_ptr<TSurface> surface_;
  test::TTestTextDevice* device_ = nullptr;
  int32_t text_ = 0;
};

TEST_F(Surface, SelectingAStyleSetsColourThenFontOnce) {
  surface_->SelectStyle(text_);
  ASSERT_EQ(device_->calls.size(), 2u);
  EXPECT_EQ(device_->calls[0].kind, test::TDeviceCall::kColour);
  EXPECT_EQ(device_->calls[0].colour, 0x00FF00u);
  EXPECT_EQ(device_->calls[1].kind, test::TDeviceCall::kFont);
  EXPECT_EQ(device_->calls[1].font.height, -16);
  surface_->SelectStyle(text_);  // already current
  surface_->SelectStyle(1);      // a picture style
  surface_->SelectStyle(999);    // no such style
  EXPECT_EQ(device_->calls.size(), 2u);
  EXPECT_EQ(surface_->CurrentStyle(), text_);
  // A plain font replaces it; the style is selected again afterwards.
  surface_->SetPlainFont("Arial", 10);
  EXPECT_EQ(device_->calls.back().font.height, -13);
  surface_->SelectStyle(text_);
  EXPECT_EQ(device_->calls.back().font.height, -16);
}

TEST_F(Surface, WriteLinesSplitsAtCarriageReturns) {
  surface_->SelectStyle(text_);
  surface_->WriteLines("a\r\n\r\nb", 3, 2);
  auto writes = device_->Writes();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].text, "a");
  EXPECT_EQ(writes[1].text, " ");
  EXPECT_EQ(writes[2].text, "b");
  EXPECT_EQ(writes[0].x, 3);
  EXPECT_EQ(writes[2].x, 3);
  EXPECT_EQ(writes[1].y, 2 + 16);
  EXPECT_EQ(writes[2].y, 2 + 32);

  device_->calls.clear();
  surface_->WriteLines("", 0, 0);
  ASSERT_EQ(device_->Writes().size(), 1u);
  EXPECT_EQ(device_->Writes()[0].text, " ");
  device_->calls.clear();
  surface_->WriteText("", 0, 0);
  EXPECT_TRUE(device_->Writes().empty());
}

TEST_F(Surface, PixelsAndRectangles) {
  surface_->Bitmap().Fill(0);
  surface_->FillRect(0, 0, 0, 0, 0xABCDEF);
  EXPECT_EQ(surface_->PixelAt(0, 0), 0xABCDEFu);
  EXPECT_EQ(surface_->PixelAt(1, 0), 0u);
  EXPECT_EQ(surface_->PixelAt(0, 1), 0u);
  // Clipped, not written outside.
  surface_->FillRect(35, 25, 100, 100, 1);
  EXPECT_EQ(surface_->PixelAt(39, 29), 1u);
}

TEST(Triangle, RowsStartAtTheApexAndEndBeforeTheRightEnd) {
  tview view(200, 200);
  view.Fill(0);
  // The previous-page corner of a 200-pixel-high window.
  FillTriangle(view, 1, 50, 1, 150, 199, 3);
  EXPECT_EQ(view.At(1, 199), 3u);
  EXPECT_EQ(view.At(149, 199), 3u);
  EXPECT_EQ(view.At(150, 199), 0u);
  EXPECT_EQ(view.At(1, 50), 0u);  // the apex row is empty
  EXPECT_EQ(view.At(0, 199), 0u);
  // Halfway down (75 of 149 rows), the right edge has moved 75 pixels: 75 pixels from 1.
  EXPECT_EQ(view.At(1, 125), 3u);
  EXPECT_EQ(view.At(75, 125), 3u);
  EXPECT_EQ(view.At(76, 125), 0u);

  // Outside the view nothing is written and nothing breaks.
  FillTriangle(view, 190, -10, -50, 400, 250, 9);
  EXPECT_EQ(view.At(0, 199), 9u);
  FillTriangle(view, 5, 10, 0, 10, 10, 7);  // no height: nothing
  EXPECT_EQ(view.At(5, 10), 0u);
}

TEST(ItemMap, FillClampsAndLooksUp) {
  T2D map(10, 5);
  map.Clear();
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(map.ItemAt(x, y), nullptr);
  TViewItem a, b;
  map.Fill(-5, -5, 2, 1, &a);  // partly outside
  EXPECT_EQ(map.ItemAt(0, 0), &a);
  EXPECT_EQ(map.ItemAt(2, 1), &a);
  EXPECT_EQ(map.ItemAt(3, 1), nullptr);
  EXPECT_EQ(map.ItemAt(2, 2), nullptr);
  map.Fill(8, 3, 100, 100, &b);
  EXPECT_EQ(map.ItemAt(9, 4), &b);
  EXPECT_EQ(map.ItemAt(-1, 0), nullptr);
  EXPECT_EQ(map.ItemAt(10, 4), nullptr);
  // Wholly outside or empty: nothing, not even the edge.
  map.Fill(12, 0, 20, 4, &a);
  map.Fill(0, 7, 3, 9, &a);
  map.Fill(5, 2, 4, 2, &a);
  EXPECT_EQ(map.ItemAt(9, 0), nullptr);
  EXPECT_EQ(map.ItemAt(0, 4), nullptr);
  EXPECT_EQ(map.ItemAt(5, 2), nullptr);

  // Clearing forgets what was marked, however many marks there were.
  map.Clear();
  EXPECT_EQ(map.ItemAt(0, 0), nullptr);
  EXPECT_EQ(map.ItemAt(9, 4), nullptr);
  T2D big(300, 200);
  for (int32_t i = 0; i < 5000; ++i) big.Fill(i % 300, i % 200, i % 300 + 2, i % 200, &a);
  EXPECT_EQ(big.ItemAt(4999 % 300, 4999 % 200), &a);
  big.Clear();
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 300; ++x) ASSERT_EQ(big.ItemAt(x, y), nullptr) << x << ", " << y;
  big.Fill(10, 10, 20, 20, &b);
  big.Clear();
  EXPECT_EQ(big.ItemAt(15, 15), nullptr);
}

}  // namespace
}  // namespace folivar
