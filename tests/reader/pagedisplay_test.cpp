// Composition of the reader's page surface: window width, background tiling and mirroring,
// per-page backgrounds, the cover, spine, frame, both pages of a spread and the page numbers.
#include "reader/pagedisplay.h"

#include <gtest/gtest.h>

#include <vector>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "display/anchorz.h"
#include "images/imageclass.h"
#include "tests/support/testdevice.h"

namespace folivar {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// A w x h picture whose pixel (x, y) is colour(x, y).
template <class F>
std::string Picture(uint32_t w, uint32_t h, F colour) {
  std::vector<uint32_t> pixels;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) pixels.push_back(colour(x, y));
  return PackedPictureRecord(w, h, PackRawPixels(pixels.data(), w, h));
}
std::string Solid(uint32_t w, uint32_t h, uint32_t c) {
  return Picture(w, h, [c](uint32_t, uint32_t) { return c; });
}

struct TBookOptions {
  bool cover = false;
  bool background = false;
  bool spine = false;
  int32_t viewWidth = 200;
  int32_t digitImageBase = 0;
  double scale = 1.0;
};

class Display : public ::testing::Test {
 protected:
  void TearDown() override {
    display_.reset();
    FreeImages();
    ClearAnchors();
    ResetStyles();
  }

  // Pages of 100 x 80 in a spread of 200 (margins 10, bottom 20); pages from 1 are spreads.
  // Ten digit pictures 4 x 6 of colour 0x100 + d but for a white left column (ascent 6), a 300 x 200 cover whose pixel is
  // x + y * 1000, a 10 x 10 background: left half 0xAA0000, right half 0x0000BB. Page 5 names
  // its own background (0x00CC00). Every page has one line "x" in a style with a link.
  void Open(const TBookOptions& o) {
    TBookWriter w;
    w.header.pageWidth = 100;
    w.header.viewWidth = o.viewWidth;
    w.header.viewHeight = 80;
    w.header.leftMargin = w.header.topMargin = w.header.rightMargin = 10;
    w.header.bottomMargin = 20;
    w.header.firstSpreadPage = 1;
    w.header.spineLine = o.spine ? 1 : 0;
    w.header.spineColour = 0x123456;
    w.header.digitImageBase = o.digitImageBase;
    // Digits with a white left column: white is the key colour of glyph pictures.
    w.header.glyphColour = kWhite;
    for (uint32_t d = 0; d < 10; ++d) {
      w.AddPicture(6, Picture(4, 6, [d](uint32_t x, uint32_t) { return x == 0 ? kWhite : 0x100 + d; }));
    }
    if (o.cover) {
      w.header.coverImage = w.AddPicture(0, Picture(300, 200, [](uint32_t x, uint32_t y) { return x + y * 1000; }));
    }
    if (o.background) {
      w.header.backgroundImage = w.AddPicture(0, Picture(10, 10, [](uint32_t x, uint32_t) { return x < 5 ? 0xAA0000u : 0x0000BBu; }));
    }
    const int32_t green = w.AddPicture(0, Solid(8, 8, 0x00CC00));
    const auto link = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12, .link = "#a"})));
    const TLineRecord line{.height = 16, .ascent = 12, .descent = 4, .alignment = 1, .items = {{'x', link}}};
    for (int p = 0; p < 8; ++p) w.AddPage(EncodePageRecord(p == 5 ? static_cast<int16_t>(green) : -1, {line}));
    w.AddAnchor("a", 3);
    image_ = w.Build();
    LoadBook(book_, std::make_unique<TPtrFile>(image_.data(), static_cast<int32_t>(image_.size())));
    display_ = std::make_unique<TPageDisplay>(book_, [this](tview& target) {
      auto d = std::make_unique<test::TTestTextDevice>(&target);
      if (!device_) device_ = d.get();  // at a scale the second device measures
      return d;
    }, o.scale);
  }
  // Goes to a page and lays out and shows it as the reader does on a page change.
  void Show(int32_t page) {
    book_.GoToPage(page);
    if (int32_t w = display_->FitWidth()) display_->Layout(w);
    display_->Show();
  }
  uint32_t Pixel(int32_t x, int32_t y) { return display_->Surface().PixelAt(x, y); }

  TBook book_;
  std::string image_;
  std::unique_ptr<TPageDisplay> display_;
  test::TTestTextDevice* device_ = nullptr;
};

TEST_F(Display, TheWindowIsHalfAsWideOffTheSpreads) {
  Open({});
  EXPECT_EQ(display_->WindowWidth(), 200);
  EXPECT_EQ(display_->FitWidth(), 100);  // page 0 is no spread page
  display_->Layout(100);
  EXPECT_EQ(display_->FitWidth(), 0);
  EXPECT_EQ(display_->Surface().Width(), 100u);
  EXPECT_EQ(CurrentSurface(), &display_->Surface());
  book_.GoToPage(2);
  EXPECT_EQ(display_->FitWidth(), 200);
}

TEST_F(Display, BackgroundIsTiledAndMirroredOnTheRight) {
  Open({.background = true});
  Show(1);
  EXPECT_EQ(display_->WindowWidth(), 200);
  // Left page: the tile as it is, repeated every 10 pixels.
  EXPECT_EQ(Pixel(1, 1), 0xAA0000u);
  EXPECT_EQ(Pixel(6, 1), 0x0000BBu);
  EXPECT_EQ(Pixel(16, 45), 0x0000BBu);
  // Right page: mirrored about the spine.
  EXPECT_EQ(Pixel(100, 1), 0x0000BBu);
  EXPECT_EQ(Pixel(106, 1), 0xAA0000u);
  EXPECT_EQ(Pixel(198, 1), 0xAA0000u);
  EXPECT_EQ(Pixel(199, 40), 0u);  // the frame

  // Page 5 has its own background; page 6 goes back to the book's.
  Show(5);
  EXPECT_EQ(display_->BackgroundNumber(), 11);  // after the digits and the book's background
  EXPECT_EQ(Pixel(1, 1), 0x00CC00u);
  Show(7);
  EXPECT_EQ(Pixel(1, 1), 0xAA0000u);
  // The digits are glyph pictures: their white column shows the background through.
  EXPECT_EQ(Pixel(49, 65), 0x107u);
  EXPECT_EQ(Pixel(48, 65), 0x0000BBu);
}

TEST_F(Display, NoBackgroundIsWhiteAndTheSpineIsDrawnOnSpreads) {
  Open({.spine = true});
  Show(0);
  EXPECT_EQ(display_->WindowWidth(), 100);
  EXPECT_EQ(Pixel(49, 40), kWhite);  // no spine on a single page
  EXPECT_EQ(Pixel(50, 40), kWhite);
  Show(1);
  EXPECT_EQ(Pixel(99, 40), 0x123456u);
  EXPECT_EQ(Pixel(100, 40), 0x123456u);
  EXPECT_EQ(Pixel(98, 40), kWhite);
  EXPECT_EQ(Pixel(101, 40), kWhite);
}

TEST_F(Display, TheCoverIsCroppedAroundItsCentre) {
  Open({.cover = true});
  Show(0);
  ASSERT_EQ(display_->WindowWidth(), 100);
  // 300 x 200 on 100 x 80: dx = 50 - 150 = -100, dy = 40 - 100 = -60.
  EXPECT_EQ(Pixel(1, 1), 101u + 61u * 1000u);
  EXPECT_EQ(Pixel(98, 78), 198u + 138u * 1000u);
  EXPECT_EQ(Pixel(0, 0), 0u);  // the frame over it
  // Other pages show the background.
  Show(2);
  EXPECT_EQ(Pixel(1, 1), kWhite);
}

TEST_F(Display, BothPagesOfASpreadAndTheirNumbers) {
  Open({});
  Show(3);
  const auto writes = device_->Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].x, 10);                  // left margin
  EXPECT_EQ(writes[1].x, 200 - 80 - 10);       // view width - text width - left margin
  EXPECT_EQ(writes[0].y, 10);
  // The links are in the item map.
  EXPECT_NE(display_->Surface().ItemMap()->ItemAt(12, 12), nullptr);
  EXPECT_NE(display_->Surface().ItemMap()->ItemAt(112, 12), nullptr);
  // Numbers 3 and 4, centred in each half on the baseline 80 - 20 / 2 = 70: top 64.
  EXPECT_EQ(Pixel(49, 65), 0x103u);
  EXPECT_EQ(Pixel(51, 69), 0x103u);
  EXPECT_EQ(Pixel(149, 65), 0x104u);
  EXPECT_EQ(Pixel(47, 65), kWhite);
  EXPECT_EQ(Pixel(49, 63), kWhite);

  Show(0);
  EXPECT_EQ(Pixel(49, 65), kWhite);  // no number on pages 0 and 1
  Show(1);
  EXPECT_EQ(Pixel(49, 65), kWhite);
}

TEST_F(Display, NumbersOfManyDigitsAndSinglePages) {
  Open({.viewWidth = 150});  // no spreads: one number across the window, which never narrows
  Show(7);
  EXPECT_FALSE(book_.TwoPageMode());
  EXPECT_EQ(display_->FitWidth(), 0);
  EXPECT_EQ(display_->WindowWidth(), 150);
  EXPECT_EQ(Pixel(74, 65), 0x107u);
  EXPECT_EQ(Pixel(76, 65), 0x107u);
}

TEST_F(Display, ABookWithoutDigitsShowsNoPageNumbers) {
  Open({.digitImageBase = -1});  // not the pictures before 0 + d, which hold something else
  Show(3);
  EXPECT_EQ(Pixel(49, 65), kWhite);
  EXPECT_EQ(Pixel(51, 69), kWhite);
}

// At scale 2 the pixel layers are twice the book size and the rest stays in book coordinates: the
// tiles, the mirror, the spine (2 book pixels), the frame and a glyph picture without its key.
TEST_F(Display, AtAScaleThePixelLayersAreDeviceSize) {
  Open({.background = true, .spine = true, .scale = 2});
  Show(7);
  EXPECT_EQ(display_->WindowWidth(), 200);
  EXPECT_EQ(display_->Surface().Width(), 200u);
  const TXif& b = display_->Surface().Bitmap();
  EXPECT_EQ(std::vector<uint32_t>({b.Width(), b.Height(), display_->Background().Width(),
                                   display_->Clicks().Map().Width(), display_->Clicks().DeviceHighlight().Width(),
                                   display_->Clicks().DeviceHighlight().Height()}),
            std::vector<uint32_t>({400, 160, 400, 200, 400, 160}));
  const struct { uint32_t x, y, pixel; } pixels[] = {
      {3, 3, 0xAA0000}, {13, 3, 0x0000BB}, {214, 3, 0xAA0000}, {203, 3, 0x0000BB},  // mirrored
      {0, 40, 0}, {1, 40, 0}, {399, 40, 0}, {40, 159, 0}, {40, 158, 0},              // the frame
      {198, 80, 0x123456}, {201, 80, 0x123456},                                       // the spine
      {99, 131, 0x107}, {96, 131, 0x0000BB}};                                         // the 7
  for (const auto& p : pixels) EXPECT_EQ(b.At(p.x, p.y), p.pixel) << p.x << ", " << p.y;
  EXPECT_NE(b.At(197, 80), 0x123456u);
  // Around the digit only its colour (green 1) and the background's (green 0) mix: no white.
  for (uint32_t y = 126; y < 142; ++y)
    for (uint32_t x = 92; x < 106; ++x) EXPECT_LE(b.At(x, y) & 0xFF00, 0x100u) << x << ", " << y;
  // The click map is the one of scale 1.
  std::vector<uint32_t> map(display_->Clicks().Map().Bits(), display_->Clicks().Map().Bits() + 200 * 80);
  TPageDisplay flat(book_, [](tview& target) { return std::make_unique<test::TTestTextDevice>(&target); });
  ASSERT_EQ(flat.Clicks().Map().Width(), 200u);
  EXPECT_EQ(map, std::vector<uint32_t>(flat.Clicks().Map().Bits(), flat.Clicks().Map().Bits() + 200 * 80));
  EXPECT_EQ(display_->Clicks().DeviceBox({2, 10, 20, 31, 41}).right, 62);
  // The device highlight layer follows the highlight layer (controls and scroll bar): wherever the
  // book layer is one colour around a pixel, the device layer has that colour there.
  display_->DrawScrollBar();
  const TXif& lit = display_->Clicks().Highlight();
  const TXif& deviceLit = display_->Clicks().DeviceHighlight();
  size_t same = 0;
  for (uint32_t y = 2; y + 2 < 80; ++y) {
    for (uint32_t x = 2; x + 2 < 200; ++x) {
      bool uniform = true;
      for (uint32_t v = y - 2; v <= y + 2; ++v)
        for (uint32_t u = x - 2; u <= x + 2; ++u) uniform = uniform && lit.At(u, v) == lit.At(x, y);
      if (!uniform) continue;
      ASSERT_EQ(deviceLit.At(2 * x + 1, 2 * y + 1), lit.At(x, y)) << x << ", " << y;
      ++same;
    }
  }
  EXPECT_GT(same, 1000u);
}

}  // namespace
}  // namespace folivar
