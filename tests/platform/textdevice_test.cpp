// The native text device: font lookup, metrics as Windows' GDI gives them for the Liberation
// faces, measuring, writing with coverage in the text colour, clipping and the glyph cache.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "display/Views.h"
#include "display/textdevice.h"
#include "platform/posix/fontcache.h"
#include "platform/posix/fontmatch.h"
#include "platform/posix/fontmetrics.h"
#include "platform/posix/textdevice.h"

namespace folivar {
namespace {

using posix::TFontCache;

constexpr uint32_t kWhite = 0x00FFFFFF;

TLogFont Font(const std::string& face, int32_t height, int32_t weight = 400) {
  return {.height = height, .weight = weight, .faceName = face};
}

std::vector<uint32_t> Pixels(const tview& v) {
  return std::vector<uint32_t>(v.Bits(), v.Bits() + size_t{v.Width()} * v.Height());
}

// A target of its own and a device on a cache of its own.
struct TCanvas {
  TCanvas(uint32_t width, uint32_t height, std::shared_ptr<TFontCache> shared = nullptr)
      : view(width, height),
        cache(shared ? std::move(shared) : std::make_shared<TFontCache>()),
        device(posix::CreateFreeTypeTextDevice(view, this->cache)) {
    view.Fill(kWhite);
  }
  // Selects the font and the text colour; returns the canvas for a call after it.
  TCanvas& Use(const TLogFont& font, uint32_t colour = 0) {
    device->SelectFont(font);
    device->SetTextColour(colour);
    return *this;
  }
  int32_t Ascent() {
    int32_t ascent = 0, descent = 0;
    device->GetAscentDescent(ascent, descent);
    return ascent;
  }
  tview view;
  std::shared_ptr<TFontCache> cache;
  std::unique_ptr<TTextDevice> device;
};

// The bounding box of the pixels that are not white; empty (x1 < x0) when there are none.
struct TBox {
  int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;
  bool Empty() const { return x1 < x0; }
};
TBox Inked(const tview& v) {
  TBox b;
  for (uint32_t y = 0; y < v.Height(); ++y) {
    for (uint32_t x = 0; x < v.Width(); ++x) {
      if (v.At(x, y) == kWhite) continue;
      b.x0 = std::min(b.x0, static_cast<int32_t>(x));
      b.y0 = std::min(b.y0, static_cast<int32_t>(y));
      b.x1 = std::max(b.x1, static_cast<int32_t>(x));
      b.y1 = std::max(b.y1, static_cast<int32_t>(y));
    }
  }
  return b;
}

// --- The arithmetic, with what Wine's GDI reports for the Liberation faces (units per em 2048;
// Sans ascent 1854 and descent 434, Serif 1825 and 443).

TEST(FontMetricsTest, PixelsPerEmAndScaling) {
  struct Case {
    int32_t height, unitsPerEm, designCell, ppem;
  };
  const Case cases[] = {
      {-16, 2048, 2288, 16}, {-13, 2048, 2288, 13}, {-1, 2048, 2288, 1},  // negative: the em
      // Positive: the largest em whose rounded cell is not taller than the height.
      {13, 2048, 2288, 12}, {14, 2048, 2288, 12}, {16, 2048, 2288, 14}, {23, 2048, 2288, 21},
      {33, 2048, 2288, 29}, {40, 2048, 2288, 36}, {15, 2048, 2268, 13}, {25, 2048, 2268, 23},
      {1, 2048, 2288, 1},
      {0, 2048, 2288, 14},  // the default cell of 16
      {INT32_MIN, 2048, 2288, posix::kMaxPixelsPerEm}, {INT32_MAX, 2048, 2288, posix::kMaxPixelsPerEm},
      {20, 0, 0, 20},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(posix::PixelsPerEm(c.height, c.unitsPerEm, c.designCell), c.ppem) << c.height;
  }
  struct Scaled {
    int32_t value, ppem, unitsPerEm, pixels;
  };
  const Scaled scaled[] = {
      {1854, 16, 2048, 14}, {1854, 37, 2048, 33}, {434, 13, 2048, 3},  // 14.48, 33.49, 2.75
      {1024, 1, 2048, 1},                                              // a half goes up
      {-67, 16, 2048, -1}, {-67, 13, 2048, 0},                         // -0.52, -0.43
      {100, 10, 0, 0},
  };
  for (const Scaled& c : scaled) {
    EXPECT_EQ(posix::ScaleToPixels(c.value, c.ppem, c.unitsPerEm), c.pixels) << c.value << " " << c.ppem;
  }
}

// --- Finding faces.

TEST(FontMatchTest, CoreFacesAreTheLiberationFaces) {
  EXPECT_EQ(posix::SubstituteFamily("times new roman"), "Liberation Serif");
  EXPECT_EQ(posix::SubstituteFamily("Verdana"), "Verdana");
  struct Case {
    const char* face;
    bool bold, italic;
    const char* file;
  };
  for (const Case& c : {Case{"Arial", false, false, "LiberationSans-Regular"},
                        Case{"Times New Roman", true, true, "LiberationSerif-BoldItalic"},
                        Case{"Courier New", false, false, "LiberationMono-Regular"}}) {
    const auto match = posix::MatchFont(c.face, c.bold, c.italic);
    ASSERT_TRUE(match.has_value()) << c.face;
    EXPECT_NE(match->file.find(c.file), std::string::npos) << match->file;
    EXPECT_EQ(match->bold, c.bold);
    EXPECT_EQ(match->italic, c.italic);
  }
}

TEST(FontMatchTest, MissingFaceFallsBack) {
  TCanvas c(10, 10);
  c.device->SelectFont(Font("No Such Face At All", -16));
  int32_t ascent = 0, descent = 0;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_GT(ascent, 8);
  EXPECT_GT(descent, 0);
  EXPECT_GT(c.device->MeasureText(u"abc").cx, 10);
}

// --- Metrics and measuring.

TEST(TextDeviceTest, MetricsAsGdiGivesThem) {
  struct Case {
    int32_t height, ascent, descent;
  };
  // Negative heights are the em (12 points is 16 pixels), positive ones the cell, 0 a cell of 16.
  for (const Case& c : {Case{-16, 14, 3}, Case{-13, 12, 3}, Case{16, 13, 3}, Case{0, 13, 3}}) {
    TCanvas canvas(10, 10);
    canvas.device->SelectFont(Font("Arial", c.height));
    int32_t ascent = 0, descent = 0;
    canvas.device->GetAscentDescent(ascent, descent);
    EXPECT_EQ(ascent, c.ascent) << c.height;
    EXPECT_EQ(descent, c.descent) << c.height;
    EXPECT_EQ(canvas.device->MeasureText(u"x").cy, c.ascent + c.descent) << c.height;
  }
  // Hinted advances at 16 pixels per em, as GDI reports them.
  TCanvas c(10, 10);
  c.device->SelectFont(Font("Arial", -16));
  EXPECT_EQ(c.device->MeasureText(u" ").cx, 4);
  EXPECT_EQ(c.device->MeasureText(u"a").cx, 9);
  EXPECT_EQ(c.device->MeasureText(u"W").cx, 15);
  EXPECT_EQ(c.device->MeasureText(Cp1251ToUtf16("\xC0")).cx, 11);  // CYRILLIC CAPITAL A
}

TEST(TextDeviceTest, AStringIsTheSumOfItsCharacters) {
  TCanvas c(10, 10);
  for (const char* face : {"Arial", "Times New Roman", "Courier New"}) {
    c.device->SelectFont(Font(face, -16));
    std::u16string all;
    int32_t sum = 0;
    for (int code = 1; code <= 0xFF; ++code) {
      const std::u16string one = Cp1251ToUtf16(std::string(1, static_cast<char>(code)));
      all += one;
      sum += c.device->MeasureText(one).cx;
    }
    EXPECT_EQ(c.device->MeasureText(all).cx, sum) << face << ": no kerning";
  }
  EXPECT_EQ(c.device->MeasureText(u"").cx, 0);
  EXPECT_EQ(c.device->MeasureText(u"").cy, 0);
  // Unassigned and control characters, surrogates and noncharacters are the missing glyph, drawn
  // like it.
  c.device->SelectFont(Font("Arial", -16));
  const int32_t missing = c.device->MeasureText(Cp1251ToUtf16("\x98")).cx;
  EXPECT_GT(missing, 0);
  TCanvas tab(20, 30, c.cache);
  tab.Use(Font("Arial", -16)).device->WriteText(2, 2, u"\t");
  for (const std::u16string_view code : {std::u16string_view(u"\t"), std::u16string_view(u"\0", 1),
           std::u16string_view(u"\xD800"), std::u16string_view(u"\xDBFF"),
           std::u16string_view(u"\xDFFF"), std::u16string_view(u"\xFFFF")}) {
    EXPECT_EQ(c.device->MeasureText(code).cx, missing) << int{code[0]};
    TCanvas damaged(20, 30, c.cache);
    damaged.Use(Font("Arial", -16)).device->WriteText(2, 2, code);
    EXPECT_EQ(Pixels(damaged.view), Pixels(tab.view)) << int{code[0]};
  }
}

// Without a font, and on a view without pixels, nothing is measured or drawn.
TEST(TextDeviceTest, NoFontOrNoPixelsDrawNothing) {
  TCanvas c(20, 20);
  EXPECT_EQ(c.device->MeasureText(u"abc").cx, 0);
  EXPECT_EQ(c.device->MeasureText(u"abc").cy, 0);
  int32_t ascent = -1, descent = -1;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_EQ(ascent + descent, 0);
  const int32_t advances[] = {3, 3, 3};
  c.device->WriteText(0, 0, u"abc");
  c.device->WriteRun(0, 0, u"abc", advances);
  EXPECT_TRUE(Inked(c.view).Empty());

  tview empty;
  auto device = posix::CreateFreeTypeTextDevice(empty, std::make_shared<TFontCache>());
  device->SelectFont(Font("Arial", -16));
  device->WriteText(0, 0, u"abc");
  EXPECT_GT(device->MeasureText(u"abc").cx, 0);
  EXPECT_NE(CreateTextDevice(empty), nullptr);
}

// --- Writing.

TEST(TextDeviceTest, WritesInTheCellInTheTextColourOverTheBackground) {
  TCanvas c(200, 60);
  c.Use(Font("Arial", -16), 0x000000FF);  // COLORREF red
  const std::u16string text = Cp1251ToUtf16("Hgy\xC9");
  const TTextExtent e = c.device->MeasureText(text);
  c.device->WriteText(20, 10, text);
  const TBox box = Inked(c.view);
  ASSERT_FALSE(box.Empty());
  EXPECT_GE(box.x0, 20 - 2);
  EXPECT_LE(box.x1, 20 + e.cx + 1);
  EXPECT_GE(box.y0, 10 - 2);  // the breve of the short I reaches above the ascent
  EXPECT_LE(box.y1, 10 + e.cy - 1);
  // The ascent puts the baseline: "g" and "y" hang below it.
  EXPECT_GT(box.y1, 10 + c.Ascent() - 1);
  int full = 0;
  for (uint32_t p : Pixels(c.view)) {
    if (p == kWhite) continue;
    // Red over white: red stays full, green and blue fall together.
    EXPECT_EQ(p >> 16, 0xFFu);
    EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF);
    if (p == 0x00FF0000) ++full;
  }
  EXPECT_GT(full, 20);  // the stems are covered fully

  // The hole of an "o" and the gap between letters keep the background.
  TCanvas o(80, 30);
  o.view.Fill(0x00406080);
  o.Use(Font("Arial", -16)).device->WriteText(2, 2, u"o o");
  const int32_t ow = o.device->MeasureText(u"o").cx, space = o.device->MeasureText(u" ").cx;
  const auto y = static_cast<uint32_t>(2 + o.Ascent() - 4);
  EXPECT_EQ(o.view.At(static_cast<uint32_t>(2 + ow + space / 2), y), 0x00406080u);
  EXPECT_EQ(o.view.At(static_cast<uint32_t>(2 + ow / 2), y), 0x00406080u);
}

// WriteText is WriteRun with the font's own advances; WriteRun puts each character where its
// advance says.
TEST(TextDeviceTest, WriteRunPlacesEachCharacterByItsAdvance) {
  TCanvas a(200, 40), b(200, 40, a.cache);
  a.Use(Font("Times New Roman", -16), 0x00204060);
  b.Use(Font("Times New Roman", -16), 0x00204060);
  const std::u16string text = Cp1251ToUtf16("Wavy \xF2\xE5\xEA\xF1\xF2");
  std::vector<int32_t> advances;
  for (char16_t ch : text) advances.push_back(a.device->MeasureText(std::u16string_view(&ch, 1)).cx);
  a.device->WriteText(5, 5, text);
  b.device->WriteRun(5, 5, text, advances.data());
  EXPECT_EQ(Pixels(a.view), Pixels(b.view));

  TCanvas run(200, 40, a.cache), single(200, 40, a.cache);
  const int32_t wide[] = {40, 25, 0};
  run.Use(Font("Arial", -16)).device->WriteRun(10, 8, Cp1251ToUtf16("ab\xC6"), wide);
  single.Use(Font("Arial", -16));
  single.device->WriteText(10, 8, u"a");
  single.device->WriteText(50, 8, u"b");
  single.device->WriteText(75, 8, Cp1251ToUtf16("\xC6"));
  EXPECT_EQ(Pixels(run.view), Pixels(single.view));
}

TEST(TextDeviceTest, UnderlineAndStrikeOutSpanTheAdvances) {
  struct Case {
    bool underline;
    int32_t below;  // the line's top under the cell's top, less the ascent
  };
  // Just below the baseline, and about half the x-height up, as GDI puts them for this face.
  for (const Case& k : {Case{true, 1}, Case{false, -4}}) {
    TCanvas c(120, 40);
    TLogFont f = Font("Arial", -16);
    f.underline = k.underline ? 1 : 0;
    f.strikeOut = k.underline ? 0 : 1;
    c.Use(f).device->WriteText(10, 5, u"    ");  // spaces: only the line is drawn
    const TBox line = Inked(c.view);
    ASSERT_FALSE(line.Empty());
    EXPECT_EQ(line.x0, 10);
    EXPECT_EQ(line.x1, 10 + c.device->MeasureText(u"    ").cx - 1);
    EXPECT_EQ(line.y0, 5 + c.Ascent() + k.below);
    EXPECT_EQ(c.view.At(15, static_cast<uint32_t>(line.y0)), 0u);
  }
}

// A string written at (x, y) onto a small view shows exactly the part of the same string written
// at (x + 50, y + 50) onto a large one that covers the small view's place.
TEST(TextDeviceTest, ClipsAtEveryEdge) {
  auto cache = std::make_shared<TFontCache>();
  const std::u16string text = Cp1251ToUtf16("Wjg|\xD9");
  for (int32_t x : {-30, -12, -3, 0, 5, 20, 33, 38}) {
    for (int32_t y : {-15, -8, -1, 0, 4, 10, 16, 19}) {
      TCanvas small(40, 20, cache), large(140, 120, cache);
      small.Use(Font("Arial", -20), 0x00102030).device->WriteText(x, y, text);
      large.Use(Font("Arial", -20), 0x00102030).device->WriteText(x + 50, y + 50, text);
      for (uint32_t row = 0; row < 20; ++row)
        for (uint32_t col = 0; col < 40; ++col)
          ASSERT_EQ(small.view.At(col, row), large.view.At(col + 50, row + 50))
              << "at " << col << "," << row << " writing at " << x << "," << y;
    }
  }
}

TEST(TextDeviceTest, StringsWhollyOutsideDrawNothing) {
  TCanvas c(40, 20);
  TLogFont lined = Font("Arial", -20);
  c.Use(lined);
  const std::pair<int32_t, int32_t> places[] = {
      {-200, 0}, {40, 0}, {0, -40}, {0, 20}, {1000, 1000}, {-1000, -1000}, {INT32_MAX, 0},
      {INT32_MIN, 0}, {0, INT32_MAX}, {0, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}};
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& [x, y] : places) {
      c.device->WriteText(x, y, u"WWW");
      // Pens past the ends of int32 go on counting, away from the view.
      const int32_t forward[] = {INT32_MAX, INT32_MAX, INT32_MAX};
      const int32_t backward[] = {-100, INT32_MIN, INT32_MIN};
      c.device->WriteRun(x, y, u"WWW", x < 0 ? backward : forward);
    }
    // Underlines and strike-outs too, above, below and beside the view.
    lined.underline = lined.strikeOut = 1;
    c.Use(lined);
  }
  EXPECT_TRUE(Inked(c.view).Empty());
}

TEST(TextDeviceTest, AFontSwitchGivesTheSamePixels) {
  auto cache = std::make_shared<TFontCache>();
  TCanvas first(160, 40, cache), again(160, 40, cache);
  TCanvas fresh(160, 40);  // a cache of its own: the glyphs are made anew
  const std::u16string text = Cp1251ToUtf16("Switch \xCF\xF0\xE8");
  first.Use(Font("Arial", -16), 0x00405060).device->WriteText(3, 3, text);
  again.device->SelectFont(Font("Arial", -16));
  again.device->SelectFont(Font("Times New Roman", -16, 700));
  again.Use(Font("Arial", -16), 0x00405060).device->WriteText(3, 3, text);
  fresh.Use(Font("Arial", -16), 0x00405060).device->WriteText(3, 3, text);
  EXPECT_EQ(Pixels(first.view), Pixels(again.view));
  EXPECT_EQ(Pixels(first.view), Pixels(fresh.view));
  EXPECT_EQ(again.device->MeasureText(text).cx, fresh.device->MeasureText(text).cx);
}

TEST(TextDeviceTest, HugeHeightsAreServedAtTheLargestSize) {
  TCanvas c(50, 50);
  c.Use(Font("Arial", INT32_MIN));
  EXPECT_EQ(c.Ascent(), posix::ScaleToPixels(1854, posix::kMaxPixelsPerEm, 2048));
  c.device->WriteText(-100, -c.Ascent() + 40, u"l");
  EXPECT_FALSE(Inked(c.view).Empty());
}

// --- Simulated styles, for faces that have no bold or italic of their own.

TEST(SizedFaceTest, SimulatedBoldIsOnePixelWiderAndItalicLeans) {
  const auto match = posix::MatchFont("Arial", false, false);
  ASSERT_TRUE(match.has_value());
  auto file = posix::TFontFile::Open(posix::TFreeType::Create(), match->file, match->index);
  ASSERT_NE(file, nullptr);
  auto plain = posix::TSizedFace::Open(file, 20, {}, nullptr);
  auto bold = posix::TSizedFace::Open(file, 20, {.bold = true}, nullptr);
  auto italic = posix::TSizedFace::Open(file, 20, {.italic = true}, nullptr);
  ASSERT_TRUE(plain && bold && italic);
  EXPECT_EQ(bold->Ascent(), plain->Ascent());
  for (int code = 0x20; code <= 0xFF; ++code) {
    const auto c = static_cast<uint8_t>(code);
    EXPECT_EQ(bold->Advance(c), plain->Advance(c) + 1) << code;
    EXPECT_EQ(italic->Advance(c), plain->Advance(c)) << code;
  }
  // Code units sharing a low byte (A and Cyrillic es) keep glyphs of their own.
  EXPECT_NE(plain->Advance(u'\u0441'), plain->Advance(u'A'));
  EXPECT_NE(plain->Image(u'\u0441').coverage, plain->Image(u'A').coverage);
  EXPECT_GT(bold->Image('l').width, plain->Image('l').width);
  EXPECT_GT(italic->Image('l').width, plain->Image('l').width);  // the stem slants across columns
  EXPECT_EQ(italic->Image('l').rows, plain->Image('l').rows);
}

// --- The cache.

// Every size of one file shares the file; faces still held stay the cache's however many sizes
// were asked for since.
TEST(FontCacheTest, SizesOfOneFileShareItAndHeldFacesAreKept) {
  TFontCache cache;
  std::vector<std::shared_ptr<posix::TSizedFace>> held;
  for (int32_t h = 1; h <= 100; ++h) {
    auto face = cache.Face(Font("Arial", -h));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->PixelsPerEm(), h);
    if (h <= 3) held.push_back(face);
  }
  for (int32_t h = 1; h <= 3; ++h) EXPECT_EQ(cache.Face(Font("arial", -h)), held[h - 1]);
  EXPECT_EQ(cache.Stats().filesRead, 1u);
  EXPECT_EQ(cache.Stats().facesOpened, 100u);
}

}  // namespace
}  // namespace folivar
