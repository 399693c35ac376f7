// Printing at the printer's resolution: the print scale for common printers and papers, the bands
// of the transfer to the printer, and the page drawn for the printer beside the reader's own.
#include "reader/printing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/loading.h"
#include "display/anchorz.h"
#include "images/imageclass.h"
#include "reader/pagedisplay.h"
#include "tests/support/testdevice.h"

namespace folivar {
namespace {

TEST(Printing, TheScaleGivesAtMost300PixelsPerInchAndKeepsTheShape) {
  const struct {
    const char* printer;
    int32_t width, height, dpi;  // the printable area in printer pixels
    double ppi;                  // the picture's pixels per inch of paper
  } printers[] = {
      {"A4 300", 2481, 3507, 300, 300},        {"A4 600", 4962, 7014, 600, 300},
      {"A4 1200", 9924, 14028, 1200, 300},     {"Letter 300", 2550, 3300, 300, 300},
      {"Letter 600", 5100, 6600, 600, 300},    {"Letter 1200", 10200, 13200, 1200, 300},
      // Landscape: a scale beyond the screen's largest.
      {"A4 landscape 300", 3507, 2481, 300, 300},
      {"A4 landscape 1200", 14028, 9924, 1200, 300},
      {"Letter landscape 600", 6600, 5100, 600, 300},
      {"a 150-dpi printer", 1275, 1650, 150, 150},
  };
  const int32_t vw = 776, vh = 575;
  for (const auto& p : printers) {
    SCOPED_TRACE(p.printer);
    const TPrintSize out = PrintOutputSize(p.width, p.height, vw, vh);
    EXPECT_LE(std::abs(int64_t{out.width} * vh - int64_t{out.height} * vw), vw);
    const double s = PrintScale(out, p.dpi, p.dpi, vw, vh);
    const double ppiX = vw * s * p.dpi / out.width, ppiY = vh * s * p.dpi / out.height;
    EXPECT_LE(ppiX, kPrintDpi + 1e-9);
    EXPECT_LE(ppiY, kPrintDpi + 1e-9);
    EXPECT_NEAR(ppiX, p.ppi, 0.1);
    // The picture has the view's shape.
    EXPECT_NEAR(static_cast<double>(ScaleCoordinate(vw, s)) / ScaleCoordinate(vh, s),
                static_cast<double>(vw) / vh, 0.002);
  }
  // At 300 dpi the picture is the output, pixel for pixel.
  const TPrintSize a4 = PrintOutputSize(2481, 3507, vw, vh);
  EXPECT_EQ(ScaleCoordinate(vw, PrintScale(a4, 300, 300, vw, vh)), a4.width);
  // A large view on large paper is drawn no larger than the budget.
  const double big = PrintScale({39732, 28093}, 1200, 1200, 4000, 2828);
  EXPECT_LE(uint64_t(ScaleCoordinate(4000, big)) * uint64_t(ScaleCoordinate(2828, big)) * 4,
            kMaxPrintImageBytes);
  EXPECT_GT(big, 1.5);
  // Nothing to go by: scale 1; a printer without a dpi: the output's scale.
  EXPECT_EQ(PrintScale({0, 100}, 300, 300, vw, vh), 1.0);
  EXPECT_EQ(PrintScale(a4, 300, 300, 0, vh), 1.0);
  EXPECT_DOUBLE_EQ(PrintScale({1552, 1150}, 0, 0, vw, vh), 2.0);
}

TEST(Printing, BandsCoverThePictureAndTheOutputWithinTheirBytes) {
  const struct {
    uint32_t width, height;
    int32_t outHeight;
    uint64_t maxBytes;
    size_t bands;
  } plans[] = {
      {2481, 1838, 1838, kMaxPrintBandBytes, 1},  // A4 at 300 dpi: one band
      {100, 10, 33, 400 * 3, 4},                  // 3 rows a band, stretched
      {100, 9, 3, 400 * 2, 5},                    // shrunk
      {100, 5, 5, 10, 5},                         // a row is more than a band: one row each
      {7000, 5000, 9902, kMaxPrintBandBytes, 3},
  };
  for (const auto& p : plans) {
    SCOPED_TRACE(p.height);
    const auto bands = PrintBands(p.width, p.height, p.outHeight, p.maxBytes);
    ASSERT_EQ(bands.size(), p.bands);
    int32_t row = 0, outRow = 0;
    for (const TPrintBand& b : bands) {
      EXPECT_EQ(b.top, row);
      EXPECT_EQ(b.outTop, outRow);
      EXPECT_TRUE(uint64_t{p.width} * 4 * uint64_t(b.rows) <= p.maxBytes || b.rows == 1);
      EXPECT_EQ(b.outTop, (2 * b.top * p.outHeight + int64_t(p.height)) / (2 * p.height));
      row += b.rows;
      outRow += b.outRows;
    }
    EXPECT_EQ(row, static_cast<int32_t>(p.height));
    EXPECT_EQ(outRow, p.outHeight);
  }
  EXPECT_TRUE(PrintBands(0, 10, 10).empty());
  EXPECT_TRUE(PrintBands(10, 10, 0).empty());
}

// A book of pages 100 x 80 in a spread of 200, spreads from page 1, each page one line of text.
class PagePrinter : public ::testing::Test {
 protected:
  void SetUp() override {
    TBookWriter w;
    w.header.pageWidth = 100;
    w.header.viewWidth = 200;
    w.header.viewHeight = 80;
    w.header.leftMargin = w.header.topMargin = w.header.rightMargin = 10;
    w.header.bottomMargin = 20;
    w.header.firstSpreadPage = 1;
    const auto style =
        static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})));
    const TLineRecord line{.height = 16, .ascent = 12, .descent = 4, .alignment = 1, .items = {{'x', style}}};
    for (int p = 0; p < 4; ++p) w.AddPage(EncodePageRecord(-1, {line}));
    image_ = w.Build();
    LoadBook(book_, std::make_unique<TPtrFile>(image_.data(), static_cast<int32_t>(image_.size())));
  }
  void TearDown() override {
    FreeImages();
    ClearAnchors();
    ResetStyles();
  }
  static std::unique_ptr<test::TTestTextDevice> Device(tview& target) {
    return std::make_unique<test::TTestTextDevice>(&target);
  }

  TBook book_;
  std::string image_;
};

TEST_F(PagePrinter, DrawsThePageAtItsScaleAndLeavesTheReadersSurfaceCurrent) {
  TPageDisplay screen(book_, Device);
  TPagePrinter printer(book_, 2.5, Device);
  const struct {
    int32_t page;
    uint32_t width;
  } pages[] = {{0, 250}, {1, 500}, {3, 500}, {0, 250}};
  for (const auto& p : pages) {
    SCOPED_TRACE(p.page);
    book_.GoToPage(p.page);
    const TXif& picture = printer.Draw();
    EXPECT_EQ(picture.Width(), p.width);
    EXPECT_EQ(picture.Height(), 200u);
    EXPECT_EQ(printer.Scale(), 2.5);
    EXPECT_EQ(CurrentSurface(), &screen.Surface());
    // The frame, three device pixels wide, and the white page inside it.
    EXPECT_EQ(picture.At(2, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(picture.At(3, 100) & 0xFFFFFF, 0xFFFFFFu);
  }
  // The reader's surface was neither resized nor drawn on.
  EXPECT_EQ(screen.Surface().Bitmap().Width(), 200u);
}

}  // namespace
}  // namespace folivar
