// The drawing surface: font descriptions, style selection, text of several lines, the
// triangle fill and the item map.
#include "display/surfaces.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/paraclasses.h"
#include "core/codepage.h"
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
  // Points to pixels at 96 per inch, truncated; a size from a damaged book stops at 16384 pixels
  // either way instead of overflowing.
  const struct { int32_t size, height; } heights[] = {{12, -16},       {10, -13},       {9, -12},
      {-9, 12}, {12288, -16384}, {12289, -16384}, {INT32_MAX, -16384}, {INT32_MIN, 16384}};
  for (const auto& h : heights) {
    EXPECT_EQ(MakeLogFont(Font(h.size, 0)).height, h.height) << h.size;
    EXPECT_EQ(PlainLogFont("Arial", h.size).height, h.height) << h.size;
  }
  for (const TLogFont& f : {MakeLogFont(Font(12, 0)), MakeLogFont(Font(12, 0x0F))}) {
    EXPECT_EQ(std::to_string(f.weight) + " " + std::to_string(f.italic + f.underline * 2 + f.strikeOut * 4) +
                  " " + std::to_string(f.charSet) + " " + f.faceName,
              f.italic ? "700 7 1 Arial" : "400 0 1 Arial");
  }
  // The face name in UTF-8 from the book's encoding, cut to the 31 UTF-16 code units a LOGFONT
  // holds, never inside a character.
  const std::string f30(30, 'f');
  const struct { TTextEncoding encoding; std::string stored, faceName; } names[] = {
      {TTextEncoding::kCp1251, std::string(40, 'f'), std::string(31, 'f')},
      {TTextEncoding::kCp1251, "\xC0\xF0\xE8\xE0\xEB", "\u0410\u0440\u0438\u0430\u043B"},
      {TTextEncoding::kUnicode, "\u0141\u00F3d\u017A \u03A9", "\u0141\u00F3d\u017A \u03A9"},
      {TTextEncoding::kUnicode, f30 + "\u00E9\u00E9", f30 + "\u00E9"},
      {TTextEncoding::kUnicode, f30 + "\U0001D11E", f30},  // a pair from unit 31 on: dropped whole
  };
  for (const auto& n : names) {
    SetBookEncoding(n.encoding);
    EXPECT_EQ(MakeLogFont(Font(12, 0, n.stored)).faceName, n.faceName) << n.stored;
  }
  SetBookEncoding(TTextEncoding::kCp1251);
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
  surface_->SelectStyle(text_);  // already current
  surface_->SelectStyle(1);      // a picture style
  surface_->SelectStyle(999);    // no such style
  EXPECT_EQ(surface_->CurrentStyle(), text_);
  // A plain font replaces it; the style is selected again afterwards.
  surface_->SetPlainFont("Arial", 10);
  surface_->SelectStyle(text_);
  std::string calls;
  for (const auto& c : device_->calls) {
    calls += c.kind == test::TDeviceCall::kColour ? "colour " + std::to_string(c.colour) + " "
                                                  : "font " + std::to_string(c.font.height) + " ";
  }
  EXPECT_EQ(calls, "colour 65280 font -16 font -13 colour 65280 font -16 ");
}

// Lines at x, each one font height (16) below the last; an empty line is a space; an empty
// string written alone is nothing.
TEST_F(Surface, WriteLinesSplitsAtCarriageReturns) {
  surface_->SelectStyle(text_);
  surface_->WriteLines(u"a\r\n\r\nb", 3, 2);
  surface_->WriteLines(u"", 5, 0);
  surface_->WriteText(u"", 0, 0);
  std::string got;
  for (const auto& w : device_->Writes())
    got += Utf16ToUtf8(w.text) + "@" + std::to_string(w.x) + "," + std::to_string(w.y) + ' ';
  EXPECT_EQ(got, "a@3,2  @3,18 b@3,34  @5,0 ");
}

// A surface of book size 40 x 30 at a scale: device devices[0] draws, devices[1] measures.
std::unique_ptr<TSurface> ScaledSurface(double scale, std::vector<test::TTestTextDevice*>& devices) {
  return std::make_unique<TSurface>(40, 30, scale, [&devices](tview& target) {
    auto d = std::make_unique<test::TTestTextDevice>(&target);
    devices.push_back(d.get());
    return d;
  });
}

TEST(ScaledSurface, BookCoordinatesOutsideDevicePixelsInside) {
  EXPECT_EQ(BoundedScale(9), kMaxSurfaceScale);
  EXPECT_EQ(BoundedScale(0.1), kMinScale);
  EXPECT_EQ(BoundedScale(NAN), kMinScale);
  for (double s : {0.5, 1.25, 1.5, 2.0}) {
    SCOPED_TRACE(s);
    std::vector<test::TTestTextDevice*> devices;
    auto surface = ScaledSurface(s, devices);
    const auto dev = [s](int32_t v) { return static_cast<int32_t>(std::lround(v * s)); };
    ASSERT_EQ(devices.size(), 2u);  // one draws, one measures at scale 1
    EXPECT_EQ(surface->Width(), 40u);
    EXPECT_EQ(surface->Bitmap().Width(), static_cast<uint32_t>(dev(40)));
    EXPECT_EQ(surface->Bitmap().Height(), static_cast<uint32_t>(dev(30)));
    for (int32_t x = 0; x < 40; ++x) {
      ASSERT_EQ(surface->ToDevice(x), dev(x));
      // Every device pixel goes back to the book pixel that covers it.
      for (int32_t d = dev(x); d < dev(x + 1); ++d) ASSERT_EQ(surface->ToBook(d), x) << d;
    }
    // A rectangle covers all device pixels of its book pixels, no more.
    surface->Bitmap().Fill(0);
    surface->FillRect(2, 3, 4, 5, 7);
    const tview& b = surface->Bitmap();
    EXPECT_EQ(b.At(static_cast<uint32_t>(dev(2)), static_cast<uint32_t>(dev(3))), 7u);
    EXPECT_EQ(b.At(static_cast<uint32_t>(dev(5) - 1), static_cast<uint32_t>(dev(6) - 1)), 7u);
    EXPECT_EQ(b.At(static_cast<uint32_t>(dev(5)), static_cast<uint32_t>(dev(6) - 1)), 0u);
    EXPECT_EQ(b.At(static_cast<uint32_t>(dev(2) - 1), static_cast<uint32_t>(dev(3))), 0u);

    // Measures are the book's; the drawing font is the scaled height; each character of a run at
    // the device position of its book position, the baseline (top 3 + ascent 9) scaled.
    surface->SetPlainFont("Arial", 10);
    EXPECT_EQ(devices[1]->calls.back().font.height, -13);
    EXPECT_EQ(devices[0]->calls.back().font.height, dev(-13));
    EXPECT_EQ(surface->TextWidth(u"ab"), 4 + 1 + 4 + 2);
    const int32_t advances[] = {7, 9, 11};
    surface->WriteRun(u"abc", 3, 3, advances);
    const test::TDeviceCall run = devices[0]->Writes().back();
    EXPECT_EQ(run.x, dev(3));
    EXPECT_EQ(run.y, dev(3 + 9) - dev(13) * 3 / 4);
    EXPECT_EQ(run.advances, (std::vector<int32_t>{dev(10) - dev(3), dev(19) - dev(10), dev(30) - dev(19)}));
    EXPECT_TRUE(devices[1]->Writes().empty());
  }
}

TEST(ScaledSurface, PicturesAreResampledAndGlyphsKeepNoKeyColour) {
  std::vector<test::TTestTextDevice*> devices;
  auto surface = ScaledSurface(2, devices);
  // Opaque: a 3 x 2 picture becomes 6 x 4 at (2 * 5, 2 * 6).
  TXif solid(3, 2);
  solid.Fill(0x123456);
  surface->Bitmap().Fill(0);
  surface->DrawPicture(solid, 5, 6, false);
  const tview& b = surface->Bitmap();
  EXPECT_EQ(b.At(10, 12), 0x123456u);
  EXPECT_EQ(b.At(15, 15), 0x123456u);
  EXPECT_EQ(b.At(16, 15), 0u);
  EXPECT_EQ(b.At(15, 16), 0u);
  // Blended: red on a white key, over black. Every pixel is red, black or a mix of the two: no
  // white bleeds in at the edges.
  TXif glyph(6, 6);
  glyph.Fill(0xFFFFFF);
  glyph.FillRect(2, 2, 3, 3, 0xFF0000);
  surface->keyColour = 0xFFFFFF;
  surface->pictureBlend = 0;
  surface->Bitmap().Fill(0);
  surface->DrawPicture(glyph, 1, 1, true);
  size_t red = 0;
  for (uint32_t y = 0; y < b.Height(); ++y) {
    for (uint32_t x = 0; x < b.Width(); ++x) {
      ASSERT_EQ(b.At(x, y) & 0xFFFF, 0u) << x << ", " << y;
      red += b.At(x, y) == 0xFF0000 ? 1 : 0;
    }
  }
  EXPECT_GE(red, 4u);
  EXPECT_EQ(b.At(7, 7), 0xFF0000u);  // the middle of book pixel (3, 3)
}

TEST(Triangle, RowsStartAtTheApexAndEndBeforeTheRightEnd) {
  tview view(200, 200);
  view.Fill(0);
  // The previous-page corner of a 200-pixel-high window; halfway down (75 of 149 rows) the right
  // edge has moved 75 pixels: 75 pixels from 1. The apex row is empty.
  FillTriangle(view, 1, 50, 1, 150, 199, 3);
  FillTriangle(view, 5, 10, 0, 10, 10, 7);  // no height: nothing
  const struct { uint32_t x, y, pixel; } pixels[] = {{1, 199, 3},  {149, 199, 3}, {150, 199, 0},
      {1, 50, 0}, {0, 199, 0}, {1, 125, 3}, {75, 125, 3}, {76, 125, 0}, {5, 10, 0}};
  for (const auto& p : pixels) EXPECT_EQ(view.At(p.x, p.y), p.pixel) << p.x << ", " << p.y;
  // Outside the view nothing is written and nothing breaks.
  FillTriangle(view, 190, -10, -50, 400, 250, 9);
  EXPECT_EQ(view.At(0, 199), 9u);
}

TEST(ItemMap, FillClampsAndLooksUp) {
  T2D map(10, 5);
  map.Clear();
  TViewItem a, b;
  map.Fill(-5, -5, 2, 1, &a);  // partly outside
  map.Fill(8, 3, 100, 100, &b);
  // Wholly outside or empty: nothing, not even the edge.
  map.Fill(12, 0, 20, 4, &a);
  map.Fill(0, 7, 3, 9, &a);
  map.Fill(5, 2, 4, 2, &a);
  const struct { int32_t x, y; TViewItem* item; } cells[] = {{0, 0, &a}, {2, 1, &a}, {3, 1, nullptr},
      {2, 2, nullptr}, {9, 4, &b}, {-1, 0, nullptr}, {10, 4, nullptr}, {9, 0, nullptr}, {0, 4, nullptr},
      {5, 2, nullptr}};
  for (const auto& c : cells) EXPECT_EQ(map.ItemAt(c.x, c.y), c.item) << c.x << ", " << c.y;

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
}

}  // namespace
}  // namespace folivar
