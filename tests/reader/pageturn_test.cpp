#include "reader/pageturn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/ttable.h"
#include "tools/make/pagecurl.h"

namespace folivar {
namespace {

constexpr int32_t kMinInt = std::numeric_limits<int32_t>::min();
constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();

// Colours with even bytes only: the smoothing of two equal pixels gives the same pixel back.
constexpr uint32_t kDesktop = 0x00303030;
constexpr uint32_t kMargin = 0x00101010;
constexpr uint32_t kOldLeft = 0x00AA0000;
constexpr uint32_t kOldRight = 0x0000AA00;
constexpr uint32_t kNewLeft = 0x000000AA;
constexpr uint32_t kNewRight = 0x00AAAA00;

// ---------------------------------------------------------------------------------------------
// Helpers

// The screen: a desktop picture that Grab reads from, and a record of every frame shown.
class TFakeScreen : public TTurnScreen {
 public:
  struct TShown {
    int32_t x, y;
    size_t index, count;
    uint32_t width, height;
    std::vector<uint32_t> pixels;
  };

  TFakeScreen(uint32_t width, uint32_t height) : desktop(width, height) { desktop.Fill(kDesktop); }

  void Grab(tview& into, int32_t x, int32_t y) override {
    ++grabs;
    into.CopyFrom(desktop, x, y);
  }
  void Show(const tview& frame, int32_t x, int32_t y, size_t index, size_t count) override {
    shown.push_back({x, y, index, count, frame.Width(), frame.Height(),
                     std::vector<uint32_t>(frame.Bits(),
                                           frame.Bits() + size_t{frame.Width()} * frame.Height())});
  }

  tview desktop;
  int grabs = 0;
  std::vector<TShown> shown;
};

// A spread as the reader's surface holds it: margins around a left and a right page.
void PaintSpread(tview& surface, const TTurnMargins& m, uint32_t left, uint32_t right) {
  surface.Fill(kMargin);
  const auto w = static_cast<int32_t>(surface.Width());
  const auto h = static_cast<int32_t>(surface.Height());
  const int32_t spine = w / 2;
  surface.FillRect(m.anix, m.anitop, spine - 1, h - m.anibottom - 1, left);
  surface.FillRect(spine, m.anitop, w - m.anix - 1, h - m.anibottom - 1, right);
}

void Noise(tview& v, uint32_t seed) {
  std::mt19937 random(seed);
  for (uint32_t y = 0; y < v.Height(); ++y) {
    for (uint32_t x = 0; x < v.Width(); ++x) v.At(x, y) = static_cast<uint32_t>(random());
  }
}

std::vector<uint32_t> Pixels(const tview& v) {
  return std::vector<uint32_t>(v.Bits(), v.Bits() + size_t{v.Width()} * v.Height());
}

TAnimation OneFrame(tpoints points) {
  TAnimation a;
  a.frames.push_back({std::move(points)});
  return a;
}

// The composition of one frame written out column by column, as plainly as the rule reads.
void ReferenceColumn(tview& work, int64_t x, int64_t y0, const tview& source, int64_t c) {
  if (x < 0 || x >= int64_t{work.Width()} || c < 0 || c >= int64_t{source.Width()}) return;
  for (int64_t r = 0; r < int64_t{source.Height()}; ++r) {
    const int64_t y = y0 + r;
    if (y < 0 || y >= int64_t{work.Height()}) continue;
    const auto sc = static_cast<uint32_t>(c);
    const auto sr = static_cast<uint32_t>(r);
    uint32_t& pixel = work.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    pixel = r == 0 ? HalfPixel(pixel) + HalfPixel(source.At(sc, 0))
                   : HalfPixel(source.At(sc, sr - 1)) + HalfPixel(source.At(sc, sr));
  }
}

std::vector<uint32_t> ReferenceFrame(const TPageTurn& turn, const tframe& frame) {
  const TTurnGeometry& g = turn.Geometry();
  tview work(g.workWidth, g.workHeight);
  work.CopyFrom(turn.Background(), 0, 0);
  const tpoints& p = frame.points;
  if (p.size() >= 2) {
    const int64_t w = turn.Front().Width();
    auto span = [&](size_t k) {
      return static_cast<int64_t>(std::nearbyint((p[k].x - 100.0) * g.sx));
    };
    int64_t total = 0;
    for (size_t k = 0; k + 1 < p.size(); ++k) total += std::abs(span(k + 1) - span(k));
    int64_t i = 0;
    for (size_t k = 0; total > 0 && k + 1 < p.size(); ++k) {
      const int64_t x0 = span(k);
      const int64_t x1 = span(k + 1);
      const int64_t d = p[k + 1].x >= p[k].x ? 1 : -1;
      const tview& source = d > 0 ? turn.Front() : turn.Back();
      double y = (p[k].y - 100.0) * g.sy;
      const double dy = x1 != x0 ? (p[k + 1].y - p[k].y) * g.sy / double(std::abs(x1 - x0)) : 0;
      for (int64_t x = x0; x != x1; x += d) {
        int64_t c = i * w / total;
        if (turn.Backward()) c = w - 1 - c;
        if (d < 0) c = int64_t{source.Width()} - 1 - c;
        const int64_t target = turn.Backward() ? g.offX + 2 * w - x : g.offX + x;
        ReferenceColumn(work, target, static_cast<int64_t>(std::trunc(y)) + g.offY, source, c);
        ++i;
        y += dy;
      }
      if (i >= total - 1) break;
    }
  }
  return Pixels(work);
}

// A whole turn on a surface: the old spread captured, the new one drawn and captured.
struct TTurnRig {
  TTurnRig(uint32_t width, uint32_t height, TTurnMargins m)
      : margins(m), surface(width, height), screen(width + 400, height + 300) {}

  bool Run(const TAnimation& animation, bool backward) {
    PaintSpread(surface, margins, kOldLeft, kOldRight);
    // The window on the desktop shows the old spread.
    surface.Put(screen.desktop, left, top);
    if (!turn.PrepareTurn(animation, backward, margins, surface, left, top, &screen)) return false;
    turn.CaptureBefore(surface);
    PaintSpread(surface, margins, kNewLeft, kNewRight);
    turn.CaptureAfter(surface);
    return true;
  }

  TTurnMargins margins;
  tview surface;
  TFakeScreen screen;
  TPageTurn turn;
  int32_t left = 200;
  int32_t top = 150;
};

// ---------------------------------------------------------------------------------------------
// The description

TEST(PageTurnDescription, FrameCountTwoWithThreeAndNoPoints) {
  const TAnimation a = ParseAnimation(
      "framecount=2\r\nduration=300\r\nframe.0=3\r\nframe.1=0\r\n0.0=440,100\r\n0.1=500,90\r\n"
      "0.2=600,100\r\n");
  ASSERT_EQ(a.frames.size(), 2u);
  EXPECT_EQ(a.duration, 300);
  EXPECT_EQ(a.frames[0].points, (tpoints{{440, 100}, {500, 90}, {600, 100}}));
  EXPECT_TRUE(a.frames[1].points.empty());
}

TEST(PageTurnDescription, PointTexts) {
  const TAnimation a =
      ParseAnimation("framecount=1\nframe.0=4\n0.0=12,-5\n0.1=7\n0.2=3,4,5\n0.3=x,y\n");
  ASSERT_EQ(a.frames.size(), 1u);
  ASSERT_EQ(a.frames[0].points.size(), 4u);
  EXPECT_EQ(a.frames[0].points[0], (tpoint{12, -5}));
  EXPECT_EQ(a.frames[0].points[1], (tpoint{7, 0}));
  // y is the text after the first comma, converted as far as it is a number.
  EXPECT_EQ(a.frames[0].points[2], (tpoint{3, 4}));
  EXPECT_EQ(a.frames[0].points[3], (tpoint{0, 0}));
}

TEST(PageTurnDescription, SpacesAroundTheNumbersOfAPoint) {
  const TAnimation a = ParseAnimation("framecount = 1\nframe.0 = 1\n0.0 = 12 , -5\n");
  ASSERT_EQ(a.frames.size(), 1u);
  ASSERT_EQ(a.frames[0].points.size(), 1u);
  EXPECT_EQ(a.frames[0].points[0], (tpoint{12, -5}));
}

TEST(PageTurnDescription, MissingPointsAreAtTheOrigin) {
  const TAnimation a = ParseAnimation("framecount=1\nframe.0=3\n0.1=5,6\n");
  ASSERT_EQ(a.frames.size(), 1u);
  EXPECT_EQ(a.frames[0].points, (tpoints{{0, 0}, {5, 6}, {0, 0}}));
}

TEST(PageTurnDescription, AnimationSwitch) {
  for (const char* on : {"True", "yes", "1", "TRUE", "y", "t"}) {
    ttable properties;
    SetValue(properties, "pageturn_animation", on);
    EXPECT_TRUE(PageTurnAnimated(properties)) << on;
  }
  for (const char* off : {"false", "0", "no", "", "on", " yes"}) {
    ttable properties;
    SetValue(properties, "pageturn_animation", off);
    EXPECT_FALSE(PageTurnAnimated(properties)) << '"' << off << '"';
  }
  EXPECT_FALSE(PageTurnAnimated(ttable{}));
}

TEST(PageTurnDescription, MissingDescriptionGivesNoFrames) {
  ttable properties;
  SetValue(properties, "title", "A book");
  EXPECT_TRUE(ReadAnimation(properties).frames.empty());
  SetValue(properties, "anime", "duration=100\nframe.0=2\n0.0=1,2\n0.1=3,4\n");
  const TAnimation a = ReadAnimation(properties);
  EXPECT_TRUE(a.frames.empty());
  EXPECT_EQ(a.duration, 100);
  EXPECT_TRUE(ParseAnimation("").frames.empty());
}

TEST(PageTurnDescription, ReadFromTheProperties) {
  ttable properties;
  SetValue(properties, "anime", MakePageCurlText());
  SetValue(properties, "anix", "12");
  SetValue(properties, "anitop", "-3");
  EXPECT_EQ(ReadAnimation(properties).frames.size(), 32u);
  const TTurnMargins m = ReadTurnMargins(properties);
  EXPECT_EQ(m.anix, 12);
  EXPECT_EQ(m.anitop, -3);
  EXPECT_EQ(m.anibottom, 0);
}

TEST(PageTurnDescription, CountsThatAreNotNumbers) {
  EXPECT_TRUE(ParseAnimation("framecount=many\nframe.0=2\n0.0=1,1\n0.1=2,2\n").frames.empty());
  EXPECT_TRUE(ParseAnimation("framecount=-5\nframe.0=2\n0.0=1,1\n0.1=2,2\n").frames.empty());
  const TAnimation a = ParseAnimation("framecount=2\nframe.0=lots\nframe.1=-2\n0.0=1,1\n");
  ASSERT_EQ(a.frames.size(), 2u);
  EXPECT_TRUE(a.frames[0].points.empty());
  EXPECT_TRUE(a.frames[1].points.empty());
}

TEST(PageTurnDescription, HugeCountsAreHeldToWhatTheTextHolds) {
  // Four rows cannot hold two thousand million frames, nor points.
  const TAnimation a =
      ParseAnimation("framecount=2147483647\nframe.0=2147483647\n0.0=1,2\n0.1=3,4\n");
  EXPECT_LE(a.frames.size(), 4u);
  ASSERT_FALSE(a.frames.empty());
  EXPECT_LE(a.frames[0].points.size(), 4u);
  EXPECT_EQ(a.frames[0].points[0], (tpoint{1, 2}));
  EXPECT_EQ(a.frames[0].points[1], (tpoint{3, 4}));
  // Beyond 32 bits the count saturates and is held the same way.
  EXPECT_LE(ParseAnimation("framecount=99999999999999999999\n").frames.size(), 1u);
}

TEST(PageTurnDescription, ThousandsOfFrames) {
  std::string text = "framecount=5000\n";
  for (int i = 0; i < 5000; ++i) {
    const std::string n = std::to_string(i);
    text += "frame." + n + "=3\n" + n + ".0=440,100\n" + n + ".1=600,90\n" + n + ".2=700,100\n";
  }
  const TAnimation a = ParseAnimation(text);
  EXPECT_EQ(a.frames.size(), kMaxTurnFrames);
  size_t points = 0;
  for (const tframe& f : a.frames) points += f.points.size();
  EXPECT_EQ(points, 3 * kMaxTurnFrames);
  EXPECT_EQ(a.frames.back().points[1], (tpoint{600, 90}));
}

TEST(PageTurnDescription, PointsOfAllFramesAreHeldTogether) {
  // Every frame claims the most points a frame may have; the text's rows bound them all.
  std::string text = "framecount=1000\n";
  for (int i = 0; i < 1000; ++i) text += "frame." + std::to_string(i) + "=1000000\n";
  const TAnimation a = ParseAnimation(text);
  size_t points = 0;
  for (const tframe& f : a.frames) {
    EXPECT_LE(f.points.size(), kMaxFramePoints);
    points += f.points.size();
  }
  EXPECT_LE(points, 1001u);
}

// ---------------------------------------------------------------------------------------------
// The generated description

TEST(PageCurl, ThirtyTwoFramesFromTheSpine) {
  const TAnimation a = MakePageCurl();
  ASSERT_EQ(a.frames.size(), 32u);
  for (const tframe& f : a.frames) {
    ASSERT_GE(f.points.size(), 2u);
    EXPECT_LE(f.points.size(), 12u);
    EXPECT_EQ(f.points[0], (tpoint{440, 100}));
    for (const tpoint& p : f.points) {
      EXPECT_GE(p.x, 100);
      EXPECT_LT(p.x, 780);
      EXPECT_LE(p.y, 100);
      EXPECT_GT(p.y, 0);
    }
  }
  int32_t reach = 0;
  for (const tpoint& p : a.frames.front().points) reach = std::max(reach, p.x);
  EXPECT_GE(reach, 770);
  EXPECT_LE(reach, 779);
  EXPECT_EQ(a.frames.back().points, (tpoints{{440, 100}, {100, 100}}));
}

TEST(PageCurl, FrontThenBack) {
  // Every frame but the last shows the front first: the page leaves the spine towards the right.
  const TAnimation a = MakePageCurl();
  for (size_t i = 0; i + 1 < a.frames.size(); ++i) {
    EXPECT_GT(a.frames[i].points[1].x, 440) << "frame " << i;
  }
  // The outer edge travels from the right to the left.
  EXPECT_GT(a.frames.front().points.back().x, 700);
  EXPECT_LT(a.frames[a.frames.size() - 2].points.back().x, 200);
}

TEST(PageCurl, TextReadsBackAsTheFrames) {
  const TAnimation a = MakePageCurl();
  const TAnimation b = ParseAnimation(MakePageCurlText());
  ASSERT_EQ(b.frames.size(), a.frames.size());
  EXPECT_EQ(b.duration, a.duration);
  for (size_t i = 0; i < a.frames.size(); ++i) EXPECT_EQ(b.frames[i].points, a.frames[i].points);
  EXPECT_EQ(MakePageCurlText().rfind("framecount=32\r\n", 0), 0u);
}

TEST(PageCurl, OtherFrameCounts) {
  TPageCurlOptions options;
  options.frameCount = 0;
  EXPECT_TRUE(MakePageCurl(options).frames.empty());
  options.frameCount = 1;
  ASSERT_EQ(MakePageCurl(options).frames.size(), 1u);
  EXPECT_EQ(MakePageCurl(options).frames[0].points, (tpoints{{440, 100}, {100, 100}}));
  options.frameCount = 100000;
  EXPECT_EQ(MakePageCurl(options).frames.size(), kMaxTurnFrames);
}

// ---------------------------------------------------------------------------------------------
// Geometry

TEST(PageTurnGeometry, OneToOneOnA680By430Surface) {
  TTurnGeometry g;
  const TAnimation a = OneFrame({{440, 100}, {780, 100}, {100, 100}});
  ASSERT_TRUE(ComputeTurnGeometry(a.frames, {}, 680, 430, 30, 40, g));
  EXPECT_EQ(g.sx, 1.0);
  EXPECT_EQ(g.sy, 1.0);
  EXPECT_EQ(g.minX, 100);
  EXPECT_EQ(g.maxX, 780);
  EXPECT_EQ(g.offX, 0);
  EXPECT_EQ(g.offY, 0);
  EXPECT_EQ(g.screenX, 30);
  EXPECT_EQ(g.screenY, 40);
  EXPECT_EQ(g.workWidth, 690u);
  EXPECT_EQ(g.workHeight, 430u);
  EXPECT_EQ(g.pageWidth, 340u);
  EXPECT_EQ(g.pageHeight, 430u);
}

TEST(PageTurnGeometry, GeneratedTableOnTheReaderSurface) {
  TTurnGeometry g;
  const TAnimation a = MakePageCurl();
  ASSERT_TRUE(ComputeTurnGeometry(a.frames, {}, 776, 575, 0, 0, g));
  EXPECT_DOUBLE_EQ(g.sx, 776.0 / 680.0);
  EXPECT_DOUBLE_EQ(g.sy, 575.0 / 430.0);
  EXPECT_EQ(g.minX, 100);
  EXPECT_LT(g.minY, 100);
  EXPECT_EQ(g.offX, 0);
  EXPECT_EQ(g.offY, static_cast<int32_t>(std::nearbyint((100 - g.minY) * g.sy)));
  EXPECT_EQ(g.screenY, -g.offY);
  EXPECT_EQ(g.pageWidth, 388u);
  EXPECT_EQ(g.pageHeight, 575u);
}

TEST(PageTurnGeometry, MarginsAndBoundsElsewhere) {
  TTurnGeometry g;
  const TAnimation a = OneFrame({{440, 100}, {443, 60}});
  const TTurnMargins m{20, 10, 30};
  // sx = (720 - 40) / 680, sy = (470 - 40) / 430: one to one again.
  ASSERT_TRUE(ComputeTurnGeometry(a.frames, m, 720, 470, 5, 7, g));
  EXPECT_EQ(g.sx, 1.0);
  EXPECT_EQ(g.sy, 1.0);
  EXPECT_EQ(g.offX, -340);
  EXPECT_EQ(g.offY, 40);
  EXPECT_EQ(g.screenX, 340 + 5 + 20);
  EXPECT_EQ(g.screenY, -40 + 7 + 10);
  EXPECT_EQ(g.workWidth, 13u);
  EXPECT_EQ(g.workHeight, 470u);
}

TEST(PageTurnGeometry, RefusedTurns) {
  TTurnGeometry g;
  const TAnimation curl = MakePageCurl();
  EXPECT_FALSE(ComputeTurnGeometry({}, {}, 680, 430, 0, 0, g));
  EXPECT_FALSE(ComputeTurnGeometry({tframe{}, tframe{}}, {}, 680, 430, 0, 0, g));
  // No surface, or no room left for the pages.
  EXPECT_FALSE(ComputeTurnGeometry(curl.frames, {}, 0, 0, 0, 0, g));
  EXPECT_FALSE(ComputeTurnGeometry(curl.frames, {}, 680, 0, 0, 0, g));
  EXPECT_FALSE(ComputeTurnGeometry(curl.frames, {340, 0, 0}, 680, 430, 0, 0, g));
  EXPECT_FALSE(ComputeTurnGeometry(curl.frames, {kMaxInt, 0, 0}, 680, 430, 0, 0, g));
  EXPECT_FALSE(ComputeTurnGeometry(curl.frames, {0, 215, 215}, 680, 430, 0, 0, g));
  EXPECT_FALSE(ComputeTurnGeometry(curl.frames, {0, kMaxInt, kMaxInt}, 680, 430, 0, 0, g));
  // A scale so small that a page has no pixel.
  EXPECT_FALSE(ComputeTurnGeometry(curl.frames, {}, 1, 1, 0, 0, g));
  // A work picture wider than a picture may be.
  EXPECT_FALSE(ComputeTurnGeometry(OneFrame({{kMinInt, 100}, {kMaxInt, 100}}).frames, {}, 680,
                                   430, 0, 0, g));
  EXPECT_FALSE(ComputeTurnGeometry(OneFrame({{440, kMinInt}, {440, kMaxInt}}).frames, {}, 680,
                                   430, 0, 0, g));
  EXPECT_FALSE(ComputeTurnGeometry(curl.frames, {}, 20000, 430, 0, 0, g));
  // Work picture 8000 x 9000 pixels: each side is allowed, together they are over 256 MiB.
  EXPECT_FALSE(ComputeTurnGeometry(OneFrame({{100, 100}, {8090, 8670}}).frames, {}, 680, 430, 0,
                                   0, g));
  // Positions that leave the 32-bit range.
  EXPECT_FALSE(ComputeTurnGeometry(OneFrame({{kMinInt, 100}, {kMinInt + 10, 100}}).frames, {},
                                   680, 430, -1000, 0, g));
  // None of them touched the geometry.
  EXPECT_EQ(g.workWidth, 0u);
  EXPECT_EQ(g.sx, 0.0);
}

// ---------------------------------------------------------------------------------------------
// Composition

TEST(PageTurnCompose, ColumnRuleExactPixels) {
  // One to one; the frame's two columns start at the spine. Old right page: red 0x40, green
  // the surface column, blue twice the row. New right page (the background): 0x80202020.
  const TTurnMargins m;
  tview surface(680, 430);
  for (uint32_t y = 0; y < 430; ++y) {
    for (uint32_t x = 0; x < 680; ++x) {
      surface.At(x, y) = 0x00400000u | ((x & 0xFF) << 8) | ((2 * y) & 0xFF);
    }
  }
  TPageTurn turn;
  ASSERT_TRUE(turn.PrepareTurn(OneFrame({{440, 100}, {442, 100}}), false, m, surface, 0, 0,
                               nullptr));
  ASSERT_EQ(turn.Geometry().offX, -340);
  ASSERT_EQ(turn.Work().Width(), 12u);
  turn.CaptureBefore(surface);
  surface.Fill(0x80202020u);
  turn.CaptureAfter(surface);
  const tview& work = turn.ComposeFrame(0);

  // Column 0 draws source column 0 (surface column 340, green 0x54), column 1 source column
  // 340 * 1 / 2 = 170 (surface column 510, green 0xFE).
  EXPECT_EQ(work.At(0, 0), 0x40101010u + 0x00202A00u);
  EXPECT_EQ(work.At(0, 1), 0x00202A00u + 0x00202A01u);
  EXPECT_EQ(work.At(0, 2), 0x00202A01u + 0x00202A02u);
  EXPECT_EQ(work.At(0, 429), 0x00202A2Cu + 0x00202A2Du);  // rows 428 and 429: blue 0x58, 0x5A
  EXPECT_EQ(work.At(1, 0), 0x40101010u + 0x00207F00u);
  EXPECT_EQ(work.At(1, 1), 0x00207F00u + 0x00207F01u);
  // The end of the span is not drawn.
  for (uint32_t x = 2; x < 12; ++x) EXPECT_EQ(work.At(x, 100), 0x80202020u) << x;
}

TEST(PageTurnCompose, TopPixelAveragesWithWhatWasDrawnBefore) {
  // The back segment comes back over the front segment's last column.
  const TTurnMargins m;
  tview surface(680, 430);
  surface.Fill(0x00804020u);
  TPageTurn turn;
  ASSERT_TRUE(turn.PrepareTurn(OneFrame({{440, 100}, {443, 100}, {441, 100}}), false, m, surface,
                               0, 0, nullptr));
  turn.CaptureBefore(surface);
  surface.Fill(0x00FFFFFFu);
  turn.CaptureAfter(surface);
  const tview& work = turn.ComposeFrame(0);
  // Columns 0..2 from front (0x00804020 over 0x00FFFFFF), then 3 and 2 from back (white).
  EXPECT_EQ(work.At(0, 0), 0x007F7F7Fu + 0x00402010u);
  EXPECT_EQ(work.At(0, 5), 0x00804020u);
  EXPECT_EQ(work.At(3, 0), 0x007F7F7Fu + 0x007F7F7Fu);
  EXPECT_EQ(work.At(2, 0), HalfPixel(0x007F7F7Fu + 0x00402010u) + 0x007F7F7Fu);
  EXPECT_EQ(work.At(2, 5), 0x00FEFEFEu);
  EXPECT_EQ(work.At(4, 5), 0x00FFFFFFu);
}

TEST(PageTurnCompose, SegmentOfEqualXHasNoColumns) {
  // Frame 0 sets the bounds; frame 2 is frame 3 with a vertical segment in front.
  TAnimation a = OneFrame({{100, 100}, {780, 100}});
  a.frames.push_back({{{440, 100}, {440, 300}}});
  a.frames.push_back({{{440, 100}, {440, 140}, {500, 140}}});
  a.frames.push_back({{{440, 140}, {500, 140}}});
  TTurnRig rig(680, 430, {});
  ASSERT_TRUE(rig.Run(a, false));
  EXPECT_EQ(Pixels(rig.turn.ComposeFrame(1)), Pixels(rig.turn.Background()));
  const std::vector<uint32_t> withVertical = Pixels(rig.turn.ComposeFrame(2));
  EXPECT_EQ(withVertical, Pixels(rig.turn.ComposeFrame(3)));
  EXPECT_NE(withVertical, Pixels(rig.turn.Background()));
}

TEST(PageTurnCompose, SegmentColumnsOneToOne) {
  TAnimation a = OneFrame({{100, 100}, {780, 100}});
  a.frames.push_back({{{440, 100}, {440, 140}, {500, 140}}});
  a.frames.push_back({{{440, 100}, {100, 100}}});
  TTurnRig rig(680, 430, {});
  ASSERT_TRUE(rig.Run(a, false));
  ASSERT_EQ(rig.turn.Geometry().offX, 0);
  ASSERT_EQ(rig.turn.Geometry().offY, 0);
  // The front (the old right page) from row 40 in columns 340..399, over the new right page.
  const tview& front = rig.turn.ComposeFrame(1);
  EXPECT_EQ(front.At(340, 39), kNewRight);
  EXPECT_EQ(front.At(340, 40), HalfPixel(kNewRight) + HalfPixel(kOldRight));
  EXPECT_EQ(front.At(340, 41), kOldRight);
  EXPECT_EQ(front.At(399, 469), kOldRight);
  EXPECT_EQ(front.At(400, 41), kNewRight);
  EXPECT_EQ(front.At(339, 41), kOldLeft);
  // The back (the new left page) in columns 340 down to 1, over the old left page.
  const tview& back = rig.turn.ComposeFrame(2);
  EXPECT_EQ(back.At(0, 200), kOldLeft);
  EXPECT_EQ(back.At(1, 200), kNewLeft);
  EXPECT_EQ(back.At(340, 200), kNewLeft);
  EXPECT_EQ(back.At(341, 200), kNewRight);
}

TEST(PageTurnCompose, MatchesTheColumnByColumnRule) {
  // Random frames, both directions, margins, and pages full of noise.
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> px(40, 840);
  std::uniform_int_distribution<int32_t> py(30, 170);
  std::uniform_int_distribution<int> pn(0, 9);
  TAnimation a;
  for (int f = 0; f < 40; ++f) {
    tframe frame;
    const int n = pn(random);
    for (int k = 0; k < n; ++k) frame.points.push_back({px(random), py(random)});
    a.frames.push_back(frame);
  }
  for (bool backward : {false, true}) {
    tview surface(301, 203);
    const TTurnMargins m{5, 3, 7};
    Noise(surface, 1);
    TFakeScreen screen(800, 600);
    Noise(screen.desktop, 2);
    TPageTurn turn;
    ASSERT_TRUE(turn.PrepareTurn(a, backward, m, surface, 100, 80, &screen));
    turn.CaptureBefore(surface);
    Noise(surface, 3);
    turn.CaptureAfter(surface);
    for (size_t i = 0; i < a.frames.size(); ++i) {
      const std::vector<uint32_t> expected = ReferenceFrame(turn, a.frames[i]);
      EXPECT_EQ(Pixels(turn.ComposeFrame(i)), expected) << "frame " << i << " backward " << backward;
    }
  }
}

// The colour of the middle row of the pages in each work column, for the mirror test.
std::vector<uint32_t> MiddleRow(const TPageTurn& turn) {
  const TTurnGeometry& g = turn.Geometry();
  const auto y = static_cast<uint32_t>(g.offY + static_cast<int32_t>(g.pageHeight / 2));
  std::vector<uint32_t> row(g.workWidth);
  for (uint32_t x = 0; x < g.workWidth; ++x) row[x] = turn.Work().At(x, y);
  return row;
}

// Pixels of the rectangle x1..x2-1, y1..y2-1 of view that equal colour, as a share.
double Share(const tview& view, uint32_t x1, uint32_t x2, uint32_t y1, uint32_t y2,
             uint32_t colour) {
  size_t same = 0;
  for (uint32_t y = y1; y < y2; ++y) {
    for (uint32_t x = x1; x < x2; ++x) same += view.At(x, y) == colour;
  }
  return double(same) / double(size_t{x2 - x1} * (y2 - y1));
}

TEST(PageTurnCompose, ForwardTurnWithTheGeneratedTable) {
  TTurnRig rig(776, 575, {});
  ASSERT_TRUE(rig.Run(MakePageCurl(), false));
  const TTurnGeometry& g = rig.turn.Geometry();
  const uint32_t w = g.pageWidth;
  const auto top = static_cast<uint32_t>(g.offY) + 1;
  const uint32_t bottom = static_cast<uint32_t>(g.offY) + g.pageHeight;

  // Before the turning page is drawn: old left page, new right page under it.
  EXPECT_EQ(rig.turn.Background().At(w / 2, top + 100), kOldLeft);
  EXPECT_EQ(rig.turn.Background().At(w + w / 2, top + 100), kNewRight);

  const tview& first = rig.turn.ComposeFrame(0);
  EXPECT_GT(Share(first, w, 2 * w, top + 40, bottom, kOldRight), 0.9);
  EXPECT_EQ(Share(first, 0, w, top, bottom, kOldLeft), 1.0);

  const tview& last = rig.turn.ComposeFrame(rig.turn.FrameCount() - 1);
  EXPECT_GT(Share(last, 1, w, top, bottom, kNewLeft), 0.99);
  EXPECT_EQ(Share(last, w + 1, 2 * w, top, bottom, kNewRight), 1.0);
  EXPECT_EQ(Share(last, 0, 1, top, bottom, kOldLeft), 1.0);  // the span's end is not drawn

  // Half way, both sides of the turning page show somewhere.
  const tview& middle = rig.turn.ComposeFrame(16);
  EXPECT_GT(Share(middle, 0, 2 * w, top + 60, bottom, kOldRight), 0.02);
  EXPECT_GT(Share(middle, 0, 2 * w, top + 60, bottom, kNewLeft), 0.02);
}

TEST(PageTurnCompose, BackwardTurnMirrorsAboutTheSpine) {
  TTurnRig forward(776, 575, {});
  TTurnRig backward(776, 575, {});
  ASSERT_TRUE(forward.Run(MakePageCurl(), false));
  ASSERT_TRUE(backward.Run(MakePageCurl(), true));
  const TTurnGeometry& g = backward.turn.Geometry();
  const uint32_t w = g.pageWidth;
  const auto top = static_cast<uint32_t>(g.offY) + 1;
  const uint32_t bottom = static_cast<uint32_t>(g.offY) + g.pageHeight;

  // The old left page lifts from the left and the new right page lands on the right.
  const tview& first = backward.turn.ComposeFrame(0);
  EXPECT_GT(Share(first, 0, w, top + 40, bottom, kOldLeft), 0.9);
  EXPECT_EQ(Share(first, w + 1, 2 * w, top, bottom, kOldRight), 1.0);  // w: the spine column
  const tview& last = backward.turn.ComposeFrame(backward.turn.FrameCount() - 1);
  EXPECT_GT(Share(last, w + 1, 2 * w, top, bottom, kNewRight), 0.99);
  EXPECT_EQ(Share(last, 0, w, top, bottom, kNewLeft), 1.0);

  // Frame by frame, what the forward turn shows at column x the backward turn shows at 2w - x:
  // the front as the front, the back as the back, the uncovered page as the uncovered page.
  auto kind = [](uint32_t colour, bool isBackward) {
    if (colour == (isBackward ? kOldLeft : kOldRight)) return 'F';
    if (colour == (isBackward ? kNewRight : kNewLeft)) return 'B';
    return '.';
  };
  for (size_t i = 0; i < forward.turn.FrameCount(); ++i) {
    forward.turn.ComposeFrame(i);
    backward.turn.ComposeFrame(i);
    const std::vector<uint32_t> f = MiddleRow(forward.turn);
    const std::vector<uint32_t> b = MiddleRow(backward.turn);
    std::string fs, bs;
    for (uint32_t x = 0; x <= 2 * w; ++x) {
      fs += kind(f[2 * w - x], false);
      bs += kind(b[x], true);
    }
    EXPECT_EQ(bs, fs) << "frame " << i;
  }
}

TEST(PageTurnCompose, PlayShowsEveryFrameInOrder) {
  TTurnRig rig(776, 575, {});
  ASSERT_TRUE(rig.Run(MakePageCurl(), false));
  EXPECT_EQ(rig.screen.grabs, 1);
  rig.turn.PlayTurn(rig.screen);
  ASSERT_EQ(rig.screen.shown.size(), 32u);
  for (size_t i = 0; i < 32; ++i) {
    EXPECT_EQ(rig.screen.shown[i].index, i);
    EXPECT_EQ(rig.screen.shown[i].count, 32u);
    EXPECT_EQ(rig.screen.shown[i].x, rig.turn.Geometry().screenX);
    EXPECT_EQ(rig.screen.shown[i].y, rig.turn.Geometry().screenY);
  }
  EXPECT_EQ(rig.screen.shown.back().pixels, Pixels(rig.turn.ComposeFrame(31)));
  // The screen outside the window, as grabbed, shows around the pages.
  EXPECT_EQ(rig.turn.Background().At(rig.turn.Work().Width() - 1, 0), kDesktop);

  rig.turn.EndTurn();
  EXPECT_FALSE(rig.turn.Prepared());
  EXPECT_EQ(rig.turn.Work().Width(), 0u);
  EXPECT_EQ(rig.turn.Front().Width(), 0u);
  rig.turn.PlayTurn(rig.screen);
  EXPECT_EQ(rig.screen.shown.size(), 32u);
  EXPECT_EQ(rig.turn.ComposeFrame(0).Width(), 0u);
}

TEST(PageTurnCompose, FramesWithoutPointsShowTheBackground) {
  TAnimation a = MakePageCurl();
  a.frames.insert(a.frames.begin(), tframe{});
  a.frames.push_back({{{300, 100}}});
  TTurnRig rig(680, 430, {});
  ASSERT_TRUE(rig.Run(a, false));
  EXPECT_EQ(Pixels(rig.turn.ComposeFrame(0)), Pixels(rig.turn.Background()));
  EXPECT_EQ(Pixels(rig.turn.ComposeFrame(a.frames.size() - 1)), Pixels(rig.turn.Background()));
  EXPECT_EQ(Pixels(rig.turn.ComposeFrame(a.frames.size())), Pixels(rig.turn.Background()));
}

// ---------------------------------------------------------------------------------------------
// Untrusted tables

TEST(PageTurnUntrusted, RefusedTurnPlaysNothing) {
  TTurnRig rig(680, 430, {});
  EXPECT_FALSE(rig.Run(OneFrame({{kMinInt, kMinInt}, {kMaxInt, kMaxInt}}), false));
  EXPECT_FALSE(rig.turn.Prepared());
  rig.turn.CaptureBefore(rig.surface);
  rig.turn.CaptureAfter(rig.surface);
  rig.turn.PlayTurn(rig.screen);
  EXPECT_TRUE(rig.screen.shown.empty());
  EXPECT_EQ(rig.screen.grabs, 0);
  EXPECT_EQ(rig.turn.ComposeFrame(0).Width(), 0u);

  TTurnRig empty(680, 430, {});
  EXPECT_FALSE(empty.Run(TAnimation{}, false));
  tview nothing;
  TPageTurn turn;
  EXPECT_FALSE(turn.PrepareTurn(MakePageCurl(), false, {}, nothing, 0, 0, nullptr));
  turn.PlayTurn(empty.screen);
  EXPECT_TRUE(empty.screen.shown.empty());
}

TEST(PageTurnUntrusted, FarAwayPointsStayInsideThePictures) {
  // Points near the ends of the 32-bit range whose bounds still make a small work picture.
  for (bool backward : {false, true}) {
    TTurnRig rig(680, 430, {});
    rig.left = 0;
    // Design (100, 100) lies just inside the 32-bit range of offX and screenX away.
    const TAnimation a = OneFrame({{-2147483000, kMaxInt - 300},
                                   {-2147482700, kMaxInt - 100},
                                   {-2147482900, kMaxInt}});
    ASSERT_TRUE(rig.Run(a, backward));
    EXPECT_EQ(Pixels(rig.turn.ComposeFrame(0)), ReferenceFrame(rig.turn, a.frames[0]));
    rig.turn.PlayTurn(rig.screen);
    EXPECT_EQ(rig.screen.shown.size(), 1u);
  }
}

TEST(PageTurnUntrusted, NegativeAndOversizedCoordinates) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int32_t> coordinate(-600, 1200);
  TAnimation a;
  for (int f = 0; f < 20; ++f) {
    tframe frame;
    for (int k = 0; k < 6; ++k) frame.points.push_back({coordinate(random), coordinate(random)});
    a.frames.push_back(frame);
  }
  for (bool backward : {false, true}) {
    TTurnRig rig(170, 108, {-40, -30, -20});
    ASSERT_TRUE(rig.Run(a, backward));
    for (size_t i = 0; i < a.frames.size(); ++i) {
      EXPECT_EQ(Pixels(rig.turn.ComposeFrame(i)), ReferenceFrame(rig.turn, a.frames[i]));
    }
  }
}

TEST(PageTurnUntrusted, ZigzagFramesAreNotDrawn) {
  // A frame whose columns add up to many times the work picture's width is no page's profile.
  tframe zigzag;
  for (size_t k = 0; k < kMaxFramePoints; ++k) zigzag.points.push_back({k % 2 ? 780 : 100, 100});
  TAnimation a = MakePageCurl();
  a.frames.push_back(zigzag);
  TTurnRig rig(680, 430, {});
  ASSERT_TRUE(rig.Run(a, false));
  EXPECT_EQ(Pixels(rig.turn.ComposeFrame(a.frames.size() - 1)), Pixels(rig.turn.Background()));
}

TEST(PageTurnUntrusted, DescriptionTextWithThousandsOfFramesPlaysBounded) {
  std::string text = "framecount=3000\n";
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i);
    text += "frame." + n + "=2\n" + n + ".0=440,100\n" + n + ".1=" + std::to_string(100 + i % 600) +
            ",100\n";
  }
  TTurnRig rig(68, 43, {});
  ASSERT_TRUE(rig.Run(ParseAnimation(text), false));
  rig.turn.PlayTurn(rig.screen);
  EXPECT_EQ(rig.screen.shown.size(), kMaxTurnFrames);
}

TEST(PageTurnUntrusted, ComposingWithoutCaptures) {
  TPageTurn turn;
  tview surface(680, 430);
  ASSERT_TRUE(turn.PrepareTurn(MakePageCurl(), false, {}, surface, 0, 0, nullptr));
  // No page captured: the turning page has nothing to show, the background is black.
  const tview& work = turn.ComposeFrame(5);
  EXPECT_EQ(Pixels(work), std::vector<uint32_t>(size_t{work.Width()} * work.Height(), 0u));
  // A surface smaller than the pages: the captures take what there is.
  tview small(100, 50);
  small.Fill(0x00FFFFFF);
  turn.CaptureBefore(small);
  turn.CaptureAfter(small);
  turn.ComposeFrame(5);
  EXPECT_EQ(turn.Front().At(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(turn.Front().At(turn.Front().Width() - 1, 0), 0u);
}

TEST(PageTurnUntrusted, ScreenPositionFarOutside) {
  // A window far to the left of the screen still composes; only the screen cares.
  TTurnRig rig(680, 430, {});
  rig.left = -2000000000;
  ASSERT_TRUE(rig.Run(MakePageCurl(), false));
  EXPECT_EQ(rig.turn.Geometry().screenX, -2000000000);
  rig.turn.PlayTurn(rig.screen);
  EXPECT_EQ(rig.screen.shown.size(), 32u);
}

}  // namespace
}  // namespace folivar
