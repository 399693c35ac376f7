// The native text device: font lookup, metrics as Windows' GDI gives them for the Liberation
// faces, measuring, writing with coverage in the text colour, clipping and the glyph cache.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

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
  TLogFont f;
  f.faceName = face;
  f.height = height;
  f.weight = weight;
  return f;
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

TEST(FontMetricsTest, NegativeHeightIsTheEm) {
  EXPECT_EQ(posix::PixelsPerEm(-16, 2048, 2288), 16);
  EXPECT_EQ(posix::PixelsPerEm(-13, 2048, 2288), 13);
  EXPECT_EQ(posix::PixelsPerEm(-1, 2048, 2288), 1);
}

TEST(FontMetricsTest, PositiveHeightIsTheCell) {
  // The largest em whose rounded cell is not taller than the height.
  EXPECT_EQ(posix::PixelsPerEm(13, 2048, 2288), 12);
  EXPECT_EQ(posix::PixelsPerEm(14, 2048, 2288), 12);
  EXPECT_EQ(posix::PixelsPerEm(16, 2048, 2288), 14);
  EXPECT_EQ(posix::PixelsPerEm(23, 2048, 2288), 21);
  EXPECT_EQ(posix::PixelsPerEm(33, 2048, 2288), 29);
  EXPECT_EQ(posix::PixelsPerEm(40, 2048, 2288), 36);
  EXPECT_EQ(posix::PixelsPerEm(15, 2048, 2268), 13);
  EXPECT_EQ(posix::PixelsPerEm(25, 2048, 2268), 23);
  EXPECT_EQ(posix::PixelsPerEm(1, 2048, 2288), 1);
  // 0 is the default cell of 16.
  EXPECT_EQ(posix::PixelsPerEm(0, 2048, 2288), 14);
}

TEST(FontMetricsTest, SizesAreBounded) {
  EXPECT_EQ(posix::PixelsPerEm(INT32_MIN, 2048, 2288), posix::kMaxPixelsPerEm);
  EXPECT_EQ(posix::PixelsPerEm(INT32_MAX, 2048, 2288), posix::kMaxPixelsPerEm);
  EXPECT_EQ(posix::PixelsPerEm(20, 0, 0), 20);
}

TEST(FontMetricsTest, ScalingRoundsToNearest) {
  EXPECT_EQ(posix::ScaleToPixels(1854, 16, 2048), 14);  // 14.48
  EXPECT_EQ(posix::ScaleToPixels(1854, 37, 2048), 33);  // 33.49
  EXPECT_EQ(posix::ScaleToPixels(434, 13, 2048), 3);    // 2.75
  EXPECT_EQ(posix::ScaleToPixels(1024, 1, 2048), 1);    // a half goes up
  EXPECT_EQ(posix::ScaleToPixels(-67, 16, 2048), -1);   // -0.52
  EXPECT_EQ(posix::ScaleToPixels(-67, 13, 2048), 0);    // -0.43
  EXPECT_EQ(posix::ScaleToPixels(100, 10, 0), 0);
}

// --- Finding faces.

TEST(FontMatchTest, CoreFacesAreTheLiberationFaces) {
  EXPECT_EQ(posix::SubstituteFamily("Arial"), "Liberation Sans");
  EXPECT_EQ(posix::SubstituteFamily("times new roman"), "Liberation Serif");
  EXPECT_EQ(posix::SubstituteFamily("COURIER NEW"), "Liberation Mono");
  EXPECT_EQ(posix::SubstituteFamily("Verdana"), "Verdana");

  const auto sans = posix::MatchFont("Arial", false, false);
  ASSERT_TRUE(sans.has_value());
  EXPECT_NE(sans->file.find("LiberationSans-Regular"), std::string::npos) << sans->file;
  const auto boldItalic = posix::MatchFont("Times New Roman", true, true);
  ASSERT_TRUE(boldItalic.has_value());
  EXPECT_NE(boldItalic->file.find("LiberationSerif-BoldItalic"), std::string::npos)
      << boldItalic->file;
  EXPECT_TRUE(boldItalic->bold);
  EXPECT_TRUE(boldItalic->italic);
  const auto mono = posix::MatchFont("Courier New", false, false);
  ASSERT_TRUE(mono.has_value());
  EXPECT_NE(mono->file.find("LiberationMono-Regular"), std::string::npos) << mono->file;
}

TEST(FontMatchTest, MissingFaceFallsBack) {
  const auto match = posix::MatchFont("No Such Face At All", false, false);
  ASSERT_TRUE(match.has_value());
  EXPECT_FALSE(match->file.empty());

  TCanvas c(10, 10);
  c.device->SelectFont(Font("No Such Face At All", -16));
  int32_t ascent = 0, descent = 0;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_GT(ascent, 8);
  EXPECT_GT(descent, 0);
  EXPECT_GT(c.device->MeasureText("abc").cx, 10);
}

// --- Metrics and measuring.

TEST(TextDeviceTest, ArialTwelvePointIsSixteenPixelsToTheEm) {
  TCanvas c(10, 10);
  c.device->SelectFont(Font("Arial", -16));
  int32_t ascent = 0, descent = 0;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_EQ(ascent, 14);
  EXPECT_EQ(descent, 3);
  EXPECT_EQ(c.device->MeasureText("x").cy, 17);
  // Hinted advances at 16 pixels per em, as GDI reports them.
  EXPECT_EQ(c.device->MeasureText(" ").cx, 4);
  EXPECT_EQ(c.device->MeasureText("a").cx, 9);
  EXPECT_EQ(c.device->MeasureText("W").cx, 15);
  EXPECT_EQ(c.device->MeasureText("\xC0").cx, 11);  // CYRILLIC CAPITAL A

  c.device->SelectFont(Font("Arial", -13));
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_EQ(ascent, 12);
  EXPECT_EQ(descent, 3);
}

TEST(TextDeviceTest, PositiveHeightIsTheCellHeight) {
  TCanvas c(10, 10);
  c.device->SelectFont(Font("Arial", 16));
  int32_t ascent = 0, descent = 0;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_EQ(ascent, 13);
  EXPECT_EQ(descent, 3);
  // Height 0: the default cell of 16.
  c.device->SelectFont(Font("Arial", 0));
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_EQ(ascent + descent, 16);
}

TEST(TextDeviceTest, BoldIsNotNarrowerAndTimesIsNotArial) {
  const std::string text = "The quick brown fox \xD1\xFA\xE5\xF8\xFC";
  TCanvas c(10, 10);
  c.device->SelectFont(Font("Arial", -16));
  const TTextExtent regular = c.device->MeasureText(text);
  c.device->SelectFont(Font("Arial", -16, 700));
  const TTextExtent bold = c.device->MeasureText(text);
  c.device->SelectFont(Font("Times New Roman", -16));
  const TTextExtent times = c.device->MeasureText(text);
  EXPECT_GE(bold.cx, regular.cx);
  EXPECT_GT(bold.cx, regular.cx);  // the Liberation bold faces are wider in this text
  EXPECT_NE(times.cx, regular.cx);
  // Letter by letter a bold face can be narrower (Liberation Sans Bold's Zhe is), the alphabets
  // as a whole are not.
  std::string alphabets;
  for (int code = 0x41; code <= 0x5A; ++code) alphabets += static_cast<char>(code);
  for (int code = 0x61; code <= 0x7A; ++code) alphabets += static_cast<char>(code);
  for (int code = 0xC0; code <= 0xFF; ++code) alphabets += static_cast<char>(code);
  c.device->SelectFont(Font("Arial", -13));
  const int32_t thin = c.device->MeasureText(alphabets).cx;
  c.device->SelectFont(Font("Arial", -13, 700));
  EXPECT_GT(c.device->MeasureText(alphabets).cx, thin);
}

TEST(TextDeviceTest, MeasuringIsStable) {
  TCanvas a(10, 10);
  TCanvas b(10, 10);
  const std::string text = "Stable \xEC\xE5\xF0\xE0";
  a.device->SelectFont(Font("Times New Roman", -13, 700));
  b.device->SelectFont(Font("Times New Roman", -13, 700));
  const TTextExtent first = a.device->MeasureText(text);
  for (int i = 0; i < 3; ++i) {
    a.device->SelectFont(Font("Arial", -16));
    a.device->SelectFont(Font("Times New Roman", -13, 700));
    EXPECT_EQ(a.device->MeasureText(text).cx, first.cx);
    EXPECT_EQ(a.device->MeasureText(text).cy, first.cy);
  }
  EXPECT_EQ(b.device->MeasureText(text).cx, first.cx);
}

TEST(TextDeviceTest, AStringIsTheSumOfItsCharacters) {
  TCanvas c(10, 10);
  for (const char* face : {"Arial", "Times New Roman", "Courier New"}) {
    c.device->SelectFont(Font(face, -16));
    std::string all;
    int32_t sum = 0;
    for (int code = 1; code <= 0xFF; ++code) {
      const std::string one(1, static_cast<char>(code));
      all += one;
      sum += c.device->MeasureText(one).cx;
    }
    EXPECT_EQ(c.device->MeasureText(all).cx, sum) << face;
    EXPECT_EQ(c.device->MeasureText("AVAV To.").cx, c.device->MeasureText("AV").cx * 2 +
                                                        c.device->MeasureText(" To.").cx)
        << face << ": no kerning";
  }
  EXPECT_EQ(c.device->MeasureText("").cx, 0);
  EXPECT_EQ(c.device->MeasureText("").cy, 0);
}

TEST(TextDeviceTest, UnassignedAndControlCharactersAreTheMissingGlyph) {
  TCanvas c(10, 10);
  c.device->SelectFont(Font("Arial", -16));
  const int32_t missing = c.device->MeasureText("\x98").cx;
  EXPECT_GT(missing, 0);
  EXPECT_EQ(c.device->MeasureText("\t").cx, missing);
  EXPECT_EQ(c.device->MeasureText(std::string(1, '\0')).cx, missing);
}

TEST(TextDeviceTest, NoFontMeasuresNothingAndDrawsNothing) {
  TCanvas c(20, 20);
  EXPECT_EQ(c.device->MeasureText("abc").cx, 0);
  EXPECT_EQ(c.device->MeasureText("abc").cy, 0);
  int32_t ascent = -1, descent = -1;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_EQ(ascent, 0);
  EXPECT_EQ(descent, 0);
  const std::vector<uint32_t> before = Pixels(c.view);
  c.device->WriteText(0, 0, "abc");
  const int32_t advances[] = {3, 3, 3};
  c.device->WriteRun(0, 0, "abc", advances);
  EXPECT_EQ(Pixels(c.view), before);
}

// --- Writing.

TEST(TextDeviceTest, WritesInTheCellInTheTextColour) {
  TCanvas c(200, 60);
  c.device->SelectFont(Font("Arial", -16));
  c.device->SetTextColour(0x000000FF);  // COLORREF red
  const std::string text = "Hgy\xC9";
  const TTextExtent e = c.device->MeasureText(text);
  c.device->WriteText(20, 10, text);
  const TBox box = Inked(c.view);
  ASSERT_FALSE(box.Empty());
  EXPECT_GE(box.x0, 20 - 2);
  EXPECT_LE(box.x1, 20 + e.cx + 1);
  EXPECT_GE(box.y0, 10 - 2);  // the breve of the short I reaches above the ascent
  EXPECT_LE(box.y1, 10 + e.cy - 1);
  // The ascent puts the baseline: "H" stands on it, "g" and "y" hang below it.
  int32_t ascent = 0, descent = 0;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_GT(box.y1, 10 + ascent - 1);
  int full = 0;
  for (uint32_t y = 0; y < c.view.Height(); ++y) {
    for (uint32_t x = 0; x < c.view.Width(); ++x) {
      const uint32_t p = c.view.At(x, y);
      if (p == kWhite) continue;
      // Red over white: red stays full, green and blue fall together.
      EXPECT_EQ(p >> 16, 0xFFu) << x << "," << y;
      EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF) << x << "," << y;
      if (p == 0x00FF0000) ++full;
    }
  }
  EXPECT_GT(full, 20);  // the stems are covered fully
}

TEST(TextDeviceTest, TheColourIsAColorref) {
  TCanvas c(60, 30);
  c.device->SelectFont(Font("Arial", -20, 700));
  c.device->SetTextColour(0x00332211);
  c.device->WriteText(2, 2, "I");
  int full = 0;
  for (uint32_t p : Pixels(c.view))
    if (p == 0x00112233) ++full;
  EXPECT_GT(full, 10);
}

TEST(TextDeviceTest, TheBackgroundStays) {
  TCanvas c(80, 30);
  c.view.Fill(0x00406080);
  c.device->SelectFont(Font("Arial", -16));
  c.device->SetTextColour(0);
  c.device->WriteText(2, 2, "o o");
  // The hole of an "o" and the gap between the letters keep the background.
  const int32_t o = c.device->MeasureText("o").cx;
  const int32_t space = c.device->MeasureText(" ").cx;
  int32_t ascent = 0, descent = 0;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_EQ(c.view.At(static_cast<uint32_t>(2 + o + space / 2), static_cast<uint32_t>(2 + ascent - 4)),
            0x00406080u);
  EXPECT_EQ(c.view.At(static_cast<uint32_t>(2 + o / 2), static_cast<uint32_t>(2 + ascent - 4)),
            0x00406080u);
  EXPECT_EQ(c.view.At(0, 0), 0x00406080u);
}

TEST(TextDeviceTest, WriteTextIsWriteRunWithTheFontsAdvances) {
  TCanvas a(200, 40);
  TCanvas b(200, 40, a.cache);
  for (TCanvas* c : {&a, &b}) {
    c->device->SelectFont(Font("Times New Roman", -16));
    c->device->SetTextColour(0x00204060);
  }
  const std::string text = "Wavy \xF2\xE5\xEA\xF1\xF2";
  std::vector<int32_t> advances;
  for (char ch : text) advances.push_back(a.device->MeasureText(std::string(1, ch)).cx);
  a.device->WriteText(5, 5, text);
  b.device->WriteRun(5, 5, text, advances.data());
  EXPECT_EQ(Pixels(a.view), Pixels(b.view));
}

TEST(TextDeviceTest, WriteRunPlacesEachCharacterByTheAdvances) {
  TCanvas run(200, 40);
  TCanvas single(200, 40, run.cache);
  for (TCanvas* c : {&run, &single}) {
    c->device->SelectFont(Font("Arial", -16));
    c->device->SetTextColour(0);
  }
  const int32_t advances[] = {40, 25, 0};
  run.device->WriteRun(10, 8, "ab\xC6", advances);
  single.device->WriteText(10, 8, "a");
  single.device->WriteText(50, 8, "b");
  single.device->WriteText(75, 8, "\xC6");
  EXPECT_EQ(Pixels(run.view), Pixels(single.view));
}

TEST(TextDeviceTest, UnderlineAndStrikeOutSpanTheAdvances) {
  TCanvas c(120, 40);
  TLogFont f = Font("Arial", -16);
  f.underline = 1;
  c.device->SelectFont(f);
  c.device->SetTextColour(0);
  const TTextExtent e = c.device->MeasureText("    ");
  int32_t ascent = 0, descent = 0;
  c.device->GetAscentDescent(ascent, descent);
  c.device->WriteText(10, 5, "    ");  // spaces: only the line is drawn
  const TBox line = Inked(c.view);
  ASSERT_FALSE(line.Empty());
  EXPECT_EQ(line.x0, 10);
  EXPECT_EQ(line.x1, 10 + e.cx - 1);
  // Just below the baseline, as GDI puts it for this face.
  EXPECT_EQ(line.y0, 5 + ascent + 1);
  EXPECT_EQ(c.view.At(15, static_cast<uint32_t>(line.y0)), 0u);

  TCanvas s(120, 40, c.cache);
  f.underline = 0;
  f.strikeOut = 1;
  s.device->SelectFont(f);
  s.device->SetTextColour(0);
  s.device->WriteText(10, 5, "    ");
  const TBox strike = Inked(s.view);
  ASSERT_FALSE(strike.Empty());
  EXPECT_EQ(strike.x0, 10);
  EXPECT_EQ(strike.x1, 10 + e.cx - 1);
  EXPECT_EQ(strike.y0, 5 + ascent - 4);  // about half the x-height up
}

// A string written at (x, y) onto a small view shows exactly the part of the same string written
// at (x + 50, y + 50) onto a large one that covers the small view's place.
void ExpectClipped(int32_t x, int32_t y, const std::string& text) {
  auto cache = std::make_shared<TFontCache>();
  TCanvas small(40, 20, cache);
  TCanvas large(140, 120, cache);
  for (TCanvas* c : {&small, &large}) {
    c->device->SelectFont(Font("Arial", -20));
    c->device->SetTextColour(0x00102030);
  }
  small.device->WriteText(x, y, text);
  large.device->WriteText(x + 50, y + 50, text);
  for (uint32_t row = 0; row < 20; ++row)
    for (uint32_t col = 0; col < 40; ++col)
      ASSERT_EQ(small.view.At(col, row), large.view.At(col + 50, row + 50))
          << "at " << col << "," << row << " writing at " << x << "," << y;
}

TEST(TextDeviceTest, ClipsAtEveryEdge) {
  const std::string text = "Wjg|\xD9";
  for (int32_t x : {-30, -12, -3, 0, 5, 20, 33, 38})
    for (int32_t y : {-15, -8, -1, 0, 4, 10, 16, 19}) ExpectClipped(x, y, text);
}

TEST(TextDeviceTest, StringsWhollyOutsideDrawNothing) {
  TCanvas c(40, 20);
  c.device->SelectFont(Font("Arial", -20));
  c.device->SetTextColour(0);
  const std::vector<uint32_t> before = Pixels(c.view);
  const std::vector<std::pair<int32_t, int32_t>> places = {
      {-200, 0},  {40, 0},          {0, -30},         {0, 20},          {1000, 1000},
      {-1000, -1000}, {INT32_MAX, 0}, {INT32_MIN, 0}, {0, INT32_MAX}, {0, INT32_MIN},
      {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}};
  for (const auto& [x, y] : places) {
    c.device->WriteText(x, y, "WWW");
    // Pens past the ends of int32 go on counting, away from the view.
    const int32_t forward[] = {INT32_MAX, INT32_MAX, INT32_MAX};
    const int32_t backward[] = {-100, INT32_MIN, INT32_MIN};
    c.device->WriteRun(x, y, "WWW", x < 0 ? backward : forward);
  }
  EXPECT_EQ(Pixels(c.view), before);

  // Lines too, above, below and beside the view.
  TLogFont lined = Font("Arial", -20);
  lined.underline = 1;
  lined.strikeOut = 1;
  c.device->SelectFont(lined);
  for (const auto& [x, y] : std::vector<std::pair<int32_t, int32_t>>{
           {-200, 0}, {40, 0}, {0, -40}, {0, 20}, {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}})
    c.device->WriteText(x, y, "WWW");
  EXPECT_EQ(Pixels(c.view), before);
}

TEST(TextDeviceTest, ViewsWithoutPixelsAreLeftAlone) {
  tview empty;
  auto device = posix::CreateFreeTypeTextDevice(empty, std::make_shared<TFontCache>());
  device->SelectFont(Font("Arial", -16));
  device->SetTextColour(0);
  device->WriteText(0, 0, "abc");
  EXPECT_GT(device->MeasureText("abc").cx, 0);
  EXPECT_NE(CreateTextDevice(empty), nullptr);
}

TEST(TextDeviceTest, AFontSwitchGivesTheSamePixels) {
  auto cache = std::make_shared<TFontCache>();
  TCanvas first(160, 40, cache);
  TCanvas again(160, 40, cache);
  TCanvas fresh(160, 40);  // a cache of its own: the glyphs are made anew
  const std::string text = "Switch \xCF\xF0\xE8";
  first.device->SelectFont(Font("Arial", -16));
  first.device->SetTextColour(0x00405060);
  first.device->WriteText(3, 3, text);

  again.device->SelectFont(Font("Arial", -16));
  again.device->SelectFont(Font("Times New Roman", -16, 700));
  again.device->SelectFont(Font("Arial", -16));
  again.device->SetTextColour(0x00405060);
  again.device->WriteText(3, 3, text);

  fresh.device->SelectFont(Font("Arial", -16));
  fresh.device->SetTextColour(0x00405060);
  fresh.device->WriteText(3, 3, text);

  EXPECT_EQ(Pixels(first.view), Pixels(again.view));
  EXPECT_EQ(Pixels(first.view), Pixels(fresh.view));
}

TEST(TextDeviceTest, HugeHeightsAreServedAtTheLargestSize) {
  TCanvas c(50, 50);
  c.device->SelectFont(Font("Arial", INT32_MIN));
  int32_t ascent = 0, descent = 0;
  c.device->GetAscentDescent(ascent, descent);
  EXPECT_EQ(ascent, posix::ScaleToPixels(1854, posix::kMaxPixelsPerEm, 2048));
  c.device->SetTextColour(0);
  c.device->WriteText(-100, -ascent + 40, "l");
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
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(bold, nullptr);
  ASSERT_NE(italic, nullptr);
  EXPECT_EQ(bold->Ascent(), plain->Ascent());
  for (int code = 0x20; code <= 0xFF; ++code) {
    const auto c = static_cast<uint8_t>(code);
    EXPECT_EQ(bold->Advance(c), plain->Advance(c) + 1) << code;
    EXPECT_EQ(italic->Advance(c), plain->Advance(c)) << code;
  }
  const posix::TGlyphImage& upright = plain->Image('l');
  const posix::TGlyphImage& heavy = bold->Image('l');
  const posix::TGlyphImage& leaning = italic->Image('l');
  EXPECT_GT(heavy.width, upright.width);
  EXPECT_GT(leaning.width, upright.width);  // the stem of an l slants across more columns
  EXPECT_EQ(leaning.rows, upright.rows);
}

// --- The cache.

TEST(FontCacheTest, ASecondPageLoadsAndRastersNothing) {
  auto cache = std::make_shared<TFontCache>();
  const std::vector<std::pair<TLogFont, std::string>> page = {
      {Font("Arial", -16), "Chapter \xCE\xE4\xE8\xED"},
      {Font("Times New Roman", -13), "The body of the page, with some words."},
      {Font("Times New Roman", -13, 700), "Bold words \xE8 \xF1\xEB\xEE\xE2\xE0"},
      {Font("Arial", -16), "Chapter again"},
  };
  const auto draw = [&](TCanvas& c) {
    int32_t y = 0;
    for (const auto& [font, text] : page) {
      c.device->SelectFont(font);
      c.device->SetTextColour(0);
      c.device->WriteText(0, y, text);
      y += c.device->MeasureText(text).cy;
    }
  };
  TCanvas one(300, 80, cache);
  draw(one);
  const posix::TFontCacheStats first = cache->Stats();
  EXPECT_EQ(first.filesRead, 3u);
  EXPECT_EQ(first.facesOpened, 3u);
  EXPECT_GT(first.glyphsRendered, 20u);

  TCanvas two(300, 80, cache);
  draw(two);
  const posix::TFontCacheStats second = cache->Stats();
  EXPECT_EQ(second.filesRead, first.filesRead);
  EXPECT_EQ(second.facesOpened, first.facesOpened);
  EXPECT_EQ(second.glyphsLoaded, first.glyphsLoaded);
  EXPECT_EQ(second.glyphsRendered, first.glyphsRendered);
  EXPECT_EQ(Pixels(one.view), Pixels(two.view));
}

TEST(FontCacheTest, SizesOfOneFileShareItAndFacesAreKeptWithinBounds) {
  TFontCache cache;
  std::vector<std::shared_ptr<posix::TSizedFace>> held;
  for (int32_t h = 1; h <= 100; ++h) {
    auto face = cache.Face(Font("Arial", -h));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->PixelsPerEm(), h);
    if (h <= 3) held.push_back(face);
  }
  EXPECT_EQ(cache.Stats().filesRead, 1u);
  EXPECT_EQ(cache.Stats().facesOpened, 100u);
  // The faces still held are still the cache's.
  for (int32_t h = 1; h <= 3; ++h) EXPECT_EQ(cache.Face(Font("arial", -h)), held[h - 1]);
  EXPECT_EQ(cache.Stats().facesOpened, 100u);
}

}  // namespace
}  // namespace folivar
