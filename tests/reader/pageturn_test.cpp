#include "reader/pageturn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
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

// The screen: a desktop picture that Grab reads from, a record of every frame shown, and a clock
// that only Show (frameCost for each frame) and Wait move.
class TFakeScreen : public TTurnScreen {
 public:
  struct TShown {
    int32_t x, y;
    size_t index, count;
    std::vector<uint32_t> pixels;
  };

  TFakeScreen(uint32_t width, uint32_t height) : desktop(width, height) { desktop.Fill(kDesktop); }

  void Grab(tview& into, int32_t x, int32_t y) override {
    ++grabs;
    into.CopyFrom(desktop, x, y);
  }
  void Show(const tview& frame, int32_t x, int32_t y, size_t index, size_t count) override {
    shown.push_back({x, y, index, count,
                     std::vector<uint32_t>(frame.Bits(),
                                           frame.Bits() + size_t{frame.Width()} * frame.Height())});
    clock += frameCost;
  }
  uint32_t Now() override { return clock; }
  void Wait(uint32_t milliseconds) override {
    waits.push_back(milliseconds);
    clock += milliseconds;
  }

  tview desktop;
  int grabs = 0;
  std::vector<TShown> shown;
  uint32_t clock = 0;
  uint32_t frameCost = 0;
  std::vector<uint32_t> waits;
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

std::vector<uint32_t> Pixels(const tview& v) {
  return std::vector<uint32_t>(v.Bits(), v.Bits() + size_t{v.Width()} * v.Height());
}

TAnimation OneFrame(tpoints points) {
  TAnimation a;
  a.frames.push_back({std::move(points)});
  return a;
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

TEST(PageTurnDescription, Texts) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<tpoints> frames;
    int32_t duration;
  };
  const Case cases[] = {
      {"two frames of three and no points",
       "framecount=2\r\nduration=300\r\nframe.0=3\r\nframe.1=0\r\n0.0=440,100\r\n0.1=500,90\r\n"
       "0.2=600,100\r\n",
       {{{440, 100}, {500, 90}, {600, 100}}, {}}, 300},
      // y is the text after the first comma, converted as far as it is a number.
      {"point texts", "framecount=1\nframe.0=4\n0.0=12,-5\n0.1=7\n0.2=3,4,5\n0.3=x,y\n",
       {{{12, -5}, {7, 0}, {3, 4}, {0, 0}}}, 0},
      {"spaces around the numbers", "framecount = 1\nframe.0 = 1\n0.0 = 12 , -5\n", {{{12, -5}}}, 0},
      {"missing points are at the origin", "framecount=1\nframe.0=3\n0.1=5,6\n",
       {{{0, 0}, {5, 6}, {0, 0}}}, 0},
      {"no frame count", "duration=100\nframe.0=2\n0.0=1,2\n0.1=3,4\n", {}, 100},
      {"nothing", "", {}, 0},
      {"a frame count that is no number", "framecount=many\nframe.0=2\n0.0=1,1\n0.1=2,2\n", {}, 0},
      {"a negative frame count", "framecount=-5\nframe.0=2\n0.0=1,1\n0.1=2,2\n", {}, 0},
      {"point counts that are no numbers", "framecount=2\nframe.0=lots\nframe.1=-2\n0.0=1,1\n",
       {{}, {}}, 0},
  };
  for (const Case& c : cases) {
    const TAnimation a = ParseAnimation(c.text);
    std::vector<tpoints> frames;
    for (const tframe& f : a.frames) frames.push_back(f.points);
    EXPECT_EQ(frames, c.frames) << c.what;
    EXPECT_EQ(a.duration, c.duration) << c.what;
  }
}

TEST(PageTurnDescription, CountsAreHeldToWhatTheTextHolds) {
  // Four rows cannot hold two thousand million frames, nor points.
  const TAnimation a =
      ParseAnimation("framecount=2147483647\nframe.0=2147483647\n0.0=1,2\n0.1=3,4\n");
  ASSERT_FALSE(a.frames.empty());
  EXPECT_LE(a.frames.size(), 4u);
  EXPECT_EQ(a.frames[0].points.at(1), (tpoint{3, 4}));
  EXPECT_LE(ParseAnimation("framecount=99999999999999999999\n").frames.size(), 1u);
  // Frames beyond the most a turn may have are not read.
  std::string text = "framecount=5000\n";
  for (int i = 0; i < 5000; ++i) {
    const std::string n = std::to_string(i);
    text += "frame." + n + "=2\n" + n + ".0=440,100\n" + n + ".1=600,90\n";
  }
  const TAnimation many = ParseAnimation(text);
  EXPECT_EQ(many.frames.size(), kMaxTurnFrames);
  EXPECT_EQ(many.frames.back().points, (tpoints{{440, 100}, {600, 90}}));
  // Every frame claims a million points; the text's rows bound them all together.
  text = "framecount=1000\n";
  for (int i = 0; i < 1000; ++i) text += "frame." + std::to_string(i) + "=1000000\n";
  size_t points = 0;
  for (const tframe& f : ParseAnimation(text).frames) points += f.points.size();
  EXPECT_LE(points, 1001u);
}

TEST(PageTurnDescription, PropertiesOfTheBook) {
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
  ttable properties;
  EXPECT_FALSE(PageTurnAnimated(properties));
  EXPECT_TRUE(ReadAnimation(properties).frames.empty());
  SetValue(properties, "anime", MakePageCurlText());
  SetValue(properties, "anix", "12");
  SetValue(properties, "anitop", "-3");
  EXPECT_EQ(ReadAnimation(properties).frames.size(), 32u);
  const TTurnMargins m = ReadTurnMargins(properties);
  EXPECT_EQ(m.anix, 12);
  EXPECT_EQ(m.anitop, -3);
  EXPECT_EQ(m.anibottom, 0);
}

// ---------------------------------------------------------------------------------------------
// The generated description

TEST(PageCurl, ThirtyTwoFramesFromTheSpineToTheLeft) {
  const TAnimation a = MakePageCurl();
  ASSERT_EQ(a.frames.size(), 32u);
  for (size_t i = 0; i < a.frames.size(); ++i) {
    const tpoints& p = a.frames[i].points;
    ASSERT_GE(p.size(), 2u);
    EXPECT_LE(p.size(), 12u);
    EXPECT_EQ(p[0], (tpoint{440, 100}));
    // Every frame but the last shows the front first: the page leaves the spine to the right.
    EXPECT_TRUE(i + 1 == a.frames.size() || p[1].x > 440) << "frame " << i;
    for (const tpoint& q : p) {
      EXPECT_TRUE(q.x >= 100 && q.x < 780 && q.y > 0 && q.y <= 100) << q.x << "," << q.y;
    }
  }
  int32_t reach = 0;
  for (const tpoint& p : a.frames.front().points) reach = std::max(reach, p.x);
  EXPECT_GE(reach, 770);
  EXPECT_LE(reach, 779);
  EXPECT_LT(a.frames[30].points.back().x, 200);
  EXPECT_EQ(a.frames.back().points, (tpoints{{440, 100}, {100, 100}}));

  const TAnimation b = ParseAnimation(MakePageCurlText());
  EXPECT_EQ(b.duration, a.duration);
  ASSERT_EQ(b.frames.size(), a.frames.size());
  for (size_t i = 0; i < a.frames.size(); ++i) EXPECT_EQ(b.frames[i].points, a.frames[i].points);

  TPageCurlOptions options;
  options.frameCount = 0;
  EXPECT_TRUE(MakePageCurl(options).frames.empty());
  options.frameCount = 1;
  EXPECT_EQ(MakePageCurl(options).frames.at(0).points, (tpoints{{440, 100}, {100, 100}}));
  options.frameCount = 100000;
  EXPECT_EQ(MakePageCurl(options).frames.size(), kMaxTurnFrames);
}

// ---------------------------------------------------------------------------------------------
// Geometry

TEST(PageTurnGeometry, ScalesPositionsAndSizes) {
  struct Case {
    const char* what;
    tpoints points;
    TTurnMargins margins;
    uint32_t width, height;
    int32_t left, top;
    TTurnGeometry expected;  // sx, sy, offX, offY, screenX, screenY and the sizes are compared
  };
  const Case cases[] = {
      {"one to one on 680 x 430", {{440, 100}, {780, 100}, {100, 100}}, {}, 680, 430, 30, 40,
       {.sx = 1, .sy = 1, .offX = 0, .offY = 0, .screenX = 30, .screenY = 40, .workWidth = 690,
        .workHeight = 430, .pageWidth = 340, .pageHeight = 430}},
      // sx = (720 - 40) / 680, sy = (470 - 40) / 430: one to one again.
      {"margins, bounds elsewhere", {{440, 100}, {443, 60}}, {20, 10, 30}, 720, 470, 5, 7,
       {.sx = 1, .sy = 1, .offX = -340, .offY = 40, .screenX = 340 + 5 + 20,
        .screenY = -40 + 7 + 10, .workWidth = 13, .workHeight = 470, .pageWidth = 340,
        .pageHeight = 430}},
      {"negative margins", {{440, 100}, {443, 60}}, {-20, -10, -30}, 640, 390, 5, 7,
       {.sx = 1, .sy = 1, .offX = -340, .offY = 40, .screenX = 340 + 5 - 20,
        .screenY = -40 + 7 - 10, .workWidth = 13, .workHeight = 470, .pageWidth = 340,
        .pageHeight = 430}},
      {"a window far to the left", {{440, 100}, {780, 100}, {100, 100}}, {}, 680, 430,
       -2000000000, 0,
       {.sx = 1, .sy = 1, .offX = 0, .offY = 0, .screenX = -2000000000, .screenY = 0,
        .workWidth = 690, .workHeight = 430, .pageWidth = 340, .pageHeight = 430}},
  };
  for (const Case& c : cases) {
    TTurnGeometry g;
    ASSERT_TRUE(ComputeTurnGeometry(OneFrame(c.points).frames, c.margins, c.width, c.height,
                                    c.left, c.top, g))
        << c.what;
    const TTurnGeometry& e = c.expected;
    EXPECT_EQ(std::vector<double>({g.sx, g.sy}), std::vector<double>({e.sx, e.sy})) << c.what;
    EXPECT_EQ(std::vector<int64_t>({g.offX, g.offY, g.screenX, g.screenY, g.workWidth,
                                    g.workHeight, g.pageWidth, g.pageHeight}),
              std::vector<int64_t>({e.offX, e.offY, e.screenX, e.screenY, e.workWidth,
                                    e.workHeight, e.pageWidth, e.pageHeight}))
        << c.what;
  }
}

TEST(PageTurnGeometry, GeneratedTableOnTheReaderSurface) {
  TTurnGeometry g;
  ASSERT_TRUE(ComputeTurnGeometry(MakePageCurl().frames, {}, 776, 575, 0, 0, g));
  EXPECT_DOUBLE_EQ(g.sx, 776.0 / 680.0);
  EXPECT_DOUBLE_EQ(g.sy, 575.0 / 430.0);
  EXPECT_EQ(g.minX, 100);
  EXPECT_LT(g.minY, 100);
  EXPECT_EQ(g.offX, 0);
  EXPECT_EQ(g.screenY, -g.offY);
  EXPECT_EQ(g.pageWidth, 388u);
  EXPECT_EQ(g.pageHeight, 575u);
}

TEST(PageTurnGeometry, RefusedTurns) {
  const std::vector<tframe> curl = MakePageCurl().frames;
  struct Case {
    const char* what;
    std::vector<tframe> frames;
    TTurnMargins margins;
    uint32_t width, height;
    int32_t left;
  };
  const Case cases[] = {
      {"no frames", {}, {}, 680, 430, 0},
      {"no points", {tframe{}, tframe{}}, {}, 680, 430, 0},
      {"no surface", curl, {}, 0, 0, 0},
      {"no height", curl, {}, 680, 0, 0},
      {"no room across", curl, {340, 0, 0}, 680, 430, 0},
      {"huge margin across", curl, {kMaxInt, 0, 0}, 680, 430, 0},
      {"no room down", curl, {0, 215, 215}, 680, 430, 0},
      {"huge margins down", curl, {0, kMaxInt, kMaxInt}, 680, 430, 0},
      {"a page of no pixel", curl, {}, 1, 1, 0},
      {"work wider than a picture", OneFrame({{kMinInt, 100}, {kMaxInt, 100}}).frames, {}, 680, 430, 0},
      {"work taller than a picture", OneFrame({{440, kMinInt}, {440, kMaxInt}}).frames, {}, 680, 430, 0},
      {"a page wider than a picture", curl, {}, 20000, 430, 0},
      // 8000 x 9000 pixels: each side is allowed, together they are over 256 MiB.
      {"work too large", OneFrame({{100, 100}, {8090, 8670}}).frames, {}, 680, 430, 0},
      {"a screen position beyond 32 bits", OneFrame({{kMinInt, 100}, {kMinInt + 10, 100}}).frames, {},
       680, 430, -1000},
  };
  for (const Case& c : cases) {
    TTurnGeometry g;
    EXPECT_FALSE(ComputeTurnGeometry(c.frames, c.margins, c.width, c.height, c.left, 0, g)) << c.what;
    EXPECT_EQ(g.workWidth, 0u) << c.what;  // untouched
    EXPECT_EQ(g.sx, 0.0) << c.what;
  }
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

TEST(PageTurnCompose, SegmentColumnsOneToOneBetweenMargins) {
  TAnimation a = OneFrame({{100, 100}, {780, 100}});
  a.frames.push_back({{{440, 100}, {440, 140}, {500, 140}}});
  a.frames.push_back({{{440, 100}, {100, 100}}});
  // sx = (720 - 40) / 680 and sy = (470 - 40) / 430: one to one; the pages lie inside margins.
  TTurnRig rig(720, 470, {20, 10, 30});
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
  // Frame 1 again with its vertical segment left out: a segment of equal x has no columns.
  const std::vector<uint32_t> withVertical = Pixels(rig.turn.ComposeFrame(1));
  rig.turn.EndTurn();
  a.frames[1].points.erase(a.frames[1].points.begin());
  ASSERT_TRUE(rig.Run(a, false));
  EXPECT_EQ(Pixels(rig.turn.ComposeFrame(1)), withVertical);
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
    const TFakeScreen::TShown& s = rig.screen.shown[i];
    EXPECT_EQ(std::vector<int64_t>({s.x, s.y, int64_t(s.index), int64_t(s.count)}),
              std::vector<int64_t>({rig.turn.Geometry().screenX, rig.turn.Geometry().screenY,
                                    int64_t(i), 32}));
  }
  EXPECT_EQ(rig.screen.shown.back().pixels, Pixels(rig.turn.ComposeFrame(31)));
  EXPECT_TRUE(rig.screen.waits.empty());  // no turn time: back to back
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

TEST(PageTurnCompose, FramesWithoutPointsOrPageShowTheBackground) {
  TAnimation a = MakePageCurl();
  a.frames.insert(a.frames.begin(), tframe{});
  a.frames.push_back({{{300, 100}}});
  a.frames.push_back({{{440, 100}, {440, 300}}});
  TTurnRig rig(680, 430, {});
  ASSERT_TRUE(rig.Run(a, false));
  const std::vector<uint32_t> background = Pixels(rig.turn.Background());
  for (size_t i : {size_t{0}, a.frames.size() - 2, a.frames.size() - 1, a.frames.size()}) {
    EXPECT_EQ(Pixels(rig.turn.ComposeFrame(i)), background) << "frame " << i;
  }
}

// ---------------------------------------------------------------------------------------------
// Pacing

TEST(PageTurnPacing, TurnTimeIsTheDurationHeldToTheLongestTurn) {
  struct Case {
    int32_t duration;
    bool repeating;
    uint32_t time;
  };
  const Case cases[] = {
      {600, false, 600},   {1500, false, 1500}, {1501, false, 1500}, {kMaxInt, false, 1500},
      {0, false, 0},       {-1, false, 0},      {kMinInt, false, 0},
      // A held corner or key: the frames back to back, whatever the book asks.
      {600, true, 0},      {kMaxInt, true, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TurnTime(c.duration, c.repeating), c.time) << c.duration << " " << c.repeating;
  }
}

TEST(PageTurnPacing, EachFrameEndsAtItsShareOfTheTurn) {
  struct Case {
    const char* what;
    uint32_t turnTime, start, frameCost;
    std::vector<uint32_t> waits;
    uint32_t took;
  };
  const Case cases[] = {
      {"no turn time: back to back", 0, 0, 10, {}, 40},
      {"even shares", 400, 0, 0, {100, 100, 100, 100}, 400},
      {"drawing is part of a share", 400, 0, 30, {70, 70, 70, 70}, 400},
      {"late frames are not waited for", 400, 0, 150, {}, 600},
      {"uneven shares", 1000, 0, 0, {250, 250, 250, 250}, 1000},
      {"across the wrap of the clock", 400, 0xFFFFFFC0u, 30, {70, 70, 70, 70}, 400},
      {"never longer than the longest turn", 0x7FFFFFFF, 0, 0, {375, 375, 375, 375}, 1500},
  };
  for (const Case& c : cases) {
    TAnimation a;
    for (int i = 0; i < 4; ++i) a.frames.push_back({{{440, 100}, {780, 100}}});
    TTurnRig rig(68, 43, {});
    ASSERT_TRUE(rig.Run(a, false));
    rig.screen.clock = c.start;
    rig.screen.frameCost = c.frameCost;
    rig.turn.PlayTurn(rig.screen, c.turnTime);
    EXPECT_EQ(rig.screen.shown.size(), 4u) << c.what;
    EXPECT_EQ(rig.screen.waits, c.waits) << c.what;
    EXPECT_EQ(rig.screen.clock - c.start, c.took) << c.what;
  }
}

// ---------------------------------------------------------------------------------------------
// Untrusted tables

TEST(PageTurnUntrusted, RefusedTurnPlaysNothing) {
  TTurnRig rig(680, 430, {});
  EXPECT_FALSE(rig.Run(OneFrame({{kMinInt, kMinInt}, {kMaxInt, kMaxInt}}), false));
  EXPECT_FALSE(rig.turn.Prepared());
  rig.turn.CaptureBefore(rig.surface);
  rig.turn.CaptureAfter(rig.surface);
  rig.turn.PlayTurn(rig.screen, kMaxTurnTime);
  EXPECT_TRUE(rig.screen.shown.empty());
  EXPECT_TRUE(rig.screen.waits.empty());
  EXPECT_EQ(rig.screen.grabs, 0);
  EXPECT_EQ(rig.turn.ComposeFrame(0).Width(), 0u);
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

}  // namespace
}  // namespace folivar
