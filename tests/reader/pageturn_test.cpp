#include "reader/pageturn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
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
  TFakeScreen(uint32_t width, uint32_t height) : desktop(width, height) { desktop.Fill(kDesktop); }

  void Grab(tview& into, int32_t x, int32_t y) override {
    ++grabs;
    into.CopyFrom(desktop, x, y);
  }
  void Show(const tview& frame, int32_t x, int32_t y, size_t index, size_t count) override {
    shown.push_back({x, y, int64_t(index), int64_t(count)});
    last.assign(frame.Bits(), frame.Bits() + size_t{frame.Width()} * frame.Height());
    clock += frameCost;
  }
  uint32_t Now() override { return clock; }
  void Wait(uint32_t milliseconds) override {
    waits.push_back(milliseconds);
    clock += milliseconds;
  }

  tview desktop;
  int grabs = 0;
  std::vector<std::vector<int64_t>> shown;  // x, y, index, count
  std::vector<uint32_t> last;               // the pixels of the last frame shown
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

// One frame composed one to one on a 680 x 430 surface, painted by before for the captures
// before the turn and by after for those after it.
using TPainter = std::function<void(tview&)>;
const tview& ComposeOne(TPageTurn& turn, const tpoints& points, const TPainter& before,
                        const TPainter& after, bool backward = false) {
  tview surface(680, 430);
  before(surface);
  EXPECT_TRUE(turn.PrepareTurn(OneFrame(points), backward, {}, surface, 0, 0, nullptr));
  turn.CaptureBefore(surface);
  after(surface);
  turn.CaptureAfter(surface);
  return turn.ComposeFrame(0);
}
TPainter Filled(uint32_t colour) {
  return [colour](tview& surface) { surface.Fill(colour); };
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
  const std::pair<const char*, bool> switches[] = {
      {"True", true},  {"yes", true}, {"1", true},  {"TRUE", true}, {"y", true},   {"t", true},
      {"false", false}, {"0", false}, {"no", false}, {"", false},   {"on", false}, {" yes", false}};
  for (const auto& [text, on] : switches) {
    ttable properties;
    SetValue(properties, "pageturn_animation", text);
    EXPECT_EQ(PageTurnAnimated(properties), on) << '"' << text << '"';
  }
  ttable properties;
  EXPECT_FALSE(PageTurnAnimated(properties));
  EXPECT_TRUE(ReadAnimation(properties).frames.empty());
  // The book compiler's page curl reads back as it was made.
  SetValue(properties, "anime", MakePageCurlText());
  SetValue(properties, "anix", "12");
  SetValue(properties, "anitop", "-3");
  const TAnimation curl = MakePageCurl(), read = ReadAnimation(properties);
  EXPECT_EQ(read.duration, curl.duration);
  ASSERT_EQ(read.frames.size(), 32u);
  for (size_t i = 0; i < 32; ++i) EXPECT_EQ(read.frames[i].points, curl.frames[i].points) << i;
  const TTurnMargins m = ReadTurnMargins(properties);
  EXPECT_EQ(m.anix, 12);
  EXPECT_EQ(m.anitop, -3);
  EXPECT_EQ(m.anibottom, 0);
}

// ---------------------------------------------------------------------------------------------
// Geometry

TEST(PageTurnGeometry, ScalesPositionsAndSizes) {
  const tpoints across = {{440, 100}, {780, 100}, {100, 100}};
  const tpoints high = {{440, 100}, {443, 60}};
  const double wide = 776.0 / 680.0, tall = 575.0 / 430.0;  // the reader's spread of 776 x 575
  struct Case {
    const char* what;
    tpoints points;
    TTurnMargins margins;
    uint32_t width, height;
    int32_t left, top;
    std::vector<double> expected;  // sx, sy, offX, offY, screenX, screenY, work and page sizes
  };
  const Case cases[] = {
      {"one to one", across, {}, 680, 430, 30, 40, {1, 1, 0, 0, 30, 40, 690, 430, 340, 430}},
      // sx = (720 - 40) / 680, sy = (470 - 40) / 430: one to one again.
      {"margins, bounds elsewhere", high, {20, 10, 30}, 720, 470, 5, 7,
       {1, 1, -340, 40, 340 + 5 + 20, -40 + 7 + 10, 13, 470, 340, 430}},
      {"negative margins", high, {-20, -10, -30}, 640, 390, 5, 7,
       {1, 1, -340, 40, 340 + 5 - 20, -40 + 7 - 10, 13, 470, 340, 430}},
      {"a window far to the left", across, {}, 680, 430, -2000000000, 0,
       {1, 1, 0, 0, -2000000000, 0, 690, 430, 340, 430}},
      // 690 x 1.1412 = 787.4; 40 x 1.3372 = 53.5 rounds to 53, 13 x 1.1412 = 14.8 to 15.
      {"the reader's spread", across, {}, 776, 575, 0, 0, {wide, tall, 0, 0, 0, 0, 787, 575, 388, 575}},
      {"the reader's spread, bounds elsewhere", high, {}, 776, 575, 0, 0,
       {wide, tall, -388, 53, 388, -53, 15, 628, 388, 575}},
  };
  for (const Case& c : cases) {
    TTurnGeometry g;
    ASSERT_TRUE(ComputeTurnGeometry(OneFrame(c.points).frames, c.margins, c.width, c.height,
                                    c.left, c.top, g))
        << c.what;
    EXPECT_EQ(std::vector<double>({g.sx, g.sy, double(g.offX), double(g.offY), double(g.screenX),
                                   double(g.screenY), double(g.workWidth), double(g.workHeight),
                                   double(g.pageWidth), double(g.pageHeight)}),
              c.expected)
        << c.what;
  }
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
  auto gradient = [](tview& surface) {
    for (uint32_t y = 0; y < 430; ++y) {
      for (uint32_t x = 0; x < 680; ++x) surface.At(x, y) = 0x00400000u | ((x & 0xFF) << 8) | ((2 * y) & 0xFF);
    }
  };
  TPageTurn turn;
  const tview& work = ComposeOne(turn, {{440, 100}, {442, 100}}, gradient, Filled(0x80202020u));
  ASSERT_EQ(work.Width(), 12u);  // design x 440 .. 452: the spine at work column 0

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

  // Backward the frame is mirrored about the spine: work column 0 draws the old left page's
  // last column (surface column 339, green 0x53) over black; the next column falls outside.
  TPageTurn mirror;
  const tview& mirrored = ComposeOne(mirror, {{440, 100}, {442, 100}}, gradient, Filled(0x80202020u), true);
  EXPECT_EQ(mirrored.At(0, 0), 0x00202900u);
  EXPECT_EQ(mirrored.At(0, 1), 0x00202900u + 0x00202901u);
  EXPECT_EQ(mirrored.At(1, 0), 0u);
  // A back segment (x falling) reads the new left page from its far edge: work column 2 draws
  // its column 339 (green 0x53), column 1 its column 339 - 170 (green 0xA9).
  TPageTurn back;
  const tview& reverse = ComposeOne(back, {{442, 100}, {440, 100}}, Filled(0), gradient);
  EXPECT_EQ(reverse.At(2, 1), 0x00202900u + 0x00202901u);
  EXPECT_EQ(reverse.At(1, 1), 0x00205400u + 0x00205401u);
}

TEST(PageTurnCompose, TopPixelAveragesWithWhatWasDrawnBefore) {
  // The back segment comes back over the front segment's last column.
  TPageTurn turn;
  const tview& work = ComposeOne(turn, {{440, 100}, {443, 100}, {441, 100}}, Filled(0x00804020u),
                                 Filled(0x00FFFFFFu));
  // Columns 0..2 from front (0x00804020 over 0x00FFFFFF), then 3 and 2 from back (white).
  EXPECT_EQ(work.At(0, 0), 0x007F7F7Fu + 0x00402010u);
  EXPECT_EQ(work.At(0, 5), 0x00804020u);
  EXPECT_EQ(work.At(3, 0), 0x007F7F7Fu + 0x007F7F7Fu);
  EXPECT_EQ(work.At(2, 0), HalfPixel(0x007F7F7Fu + 0x00402010u) + 0x007F7F7Fu);
  EXPECT_EQ(work.At(2, 5), 0x00FEFEFEu);
  EXPECT_EQ(work.At(4, 5), 0x00FFFFFFu);
  // Once the columns drawn leave at most one, the frame ends: a last segment of one column is
  // not drawn.
  TPageTurn tail;
  const tview& cut = ComposeOne(tail, {{440, 100}, {443, 100}, {444, 100}}, Filled(0x00804020u),
                                Filled(0x00FFFFFFu));
  EXPECT_EQ(cut.At(2, 5), 0x00804020u);
  EXPECT_EQ(cut.At(3, 5), 0x00FFFFFFu);
}

TEST(PageTurnCompose, SlopedSegmentsMoveTheColumnsTop) {
  // Rising one row a column from the spine over black (nothing is captured above the pages,
  // which begin at row offY = 4): column c's top pixel lies on row 4 - c.
  constexpr uint32_t kPage = 0x00804020;
  TPageTurn turn;
  const tview& steep = ComposeOne(turn, {{440, 100}, {444, 96}}, Filled(kPage), Filled(kPage));
  for (uint32_t c = 0; c < 4; ++c) {
    EXPECT_EQ(steep.At(c, 3 - c), 0u) << c;
    EXPECT_EQ(steep.At(c, 4 - c), c == 0 ? kPage : HalfPixel(kPage)) << c;
  }
  // Half a row up is truncated towards zero: both columns begin on row offY = 1.
  TPageTurn half;
  const tview& gentle = ComposeOne(half, {{440, 100}, {442, 99}}, Filled(kPage), Filled(kPage));
  EXPECT_EQ(gentle.At(1, 0), 0u);
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

// Pixels of the rectangle x1..x2-1, y1..y2-1 of view that equal colour, as a share.
double Share(const tview& view, uint32_t x1, uint32_t x2, uint32_t y1, uint32_t y2,
             uint32_t colour) {
  size_t same = 0;
  for (uint32_t y = y1; y < y2; ++y) {
    for (uint32_t x = x1; x < x2; ++x) same += view.At(x, y) == colour;
  }
  return double(same) / double(size_t{x2 - x1} * (y2 - y1));
}

TEST(PageTurnCompose, TheGeneratedTableBothWays) {
  TTurnRig forward(776, 575, {});
  TTurnRig backward(776, 575, {});
  ASSERT_TRUE(forward.Run(MakePageCurl(), false));
  ASSERT_TRUE(backward.Run(MakePageCurl(), true));
  const TTurnGeometry& g = forward.turn.Geometry();
  const uint32_t w = g.pageWidth;
  const auto top = static_cast<uint32_t>(g.offY) + 1;
  const uint32_t bottom = static_cast<uint32_t>(g.offY) + g.pageHeight;

  // Forward: the right page lifts at the spine, and at last lies over the left page.
  const tview& first = forward.turn.ComposeFrame(0);
  EXPECT_GT(Share(first, w, 2 * w, top + 40, bottom, kOldRight), 0.9);
  EXPECT_EQ(Share(first, 0, w, top, bottom, kOldLeft), 1.0);
  const tview& middle = forward.turn.ComposeFrame(16);  // both sides of the page show
  EXPECT_GT(Share(middle, 0, 2 * w, top + 60, bottom, kOldRight), 0.02);
  EXPECT_GT(Share(middle, 0, 2 * w, top + 60, bottom, kNewLeft), 0.02);
  const tview& last = forward.turn.ComposeFrame(forward.turn.FrameCount() - 1);
  EXPECT_GT(Share(last, 1, w, top, bottom, kNewLeft), 0.99);
  EXPECT_EQ(Share(last, w + 1, 2 * w, top, bottom, kNewRight), 1.0);
  EXPECT_EQ(Share(last, 0, 1, top, bottom, kOldLeft), 1.0);  // the span's end is not drawn

  // Backward, frame by frame, the middle row shows at column x what the forward turn shows at
  // 2w - x: the front as the front, the back as the back, the uncovered page as the uncovered page.
  auto kinds = [&](TTurnRig& rig, size_t i, bool isBackward) {
    const tview& work = rig.turn.ComposeFrame(i);
    std::string kind;
    for (uint32_t x = 0; x <= 2 * w; ++x) {
      const uint32_t c = work.At(isBackward ? x : 2 * w - x, top + g.pageHeight / 2);
      kind += c == (isBackward ? kOldLeft : kOldRight) ? 'F'
              : c == (isBackward ? kNewRight : kNewLeft) ? 'B' : '.';
    }
    return kind;
  };
  for (size_t i = 0; i < forward.turn.FrameCount(); ++i) {
    EXPECT_EQ(kinds(backward, i, true), kinds(forward, i, false)) << "frame " << i;
  }
}

TEST(PageTurnCompose, PlayShowsEveryFrameInOrderThenEnds) {
  TTurnRig rig(776, 575, {});
  ASSERT_TRUE(rig.Run(MakePageCurl(), false));
  EXPECT_EQ(rig.screen.grabs, 1);
  // The screen outside the window, as grabbed, shows around the pages.
  EXPECT_EQ(rig.turn.Background().At(rig.turn.Work().Width() - 1, 0), kDesktop);
  rig.turn.PlayTurn(rig.screen);
  std::vector<std::vector<int64_t>> expected;
  for (int64_t i = 0; i < 32; ++i) expected.push_back({rig.left, rig.top - rig.turn.Geometry().offY, i, 32});
  EXPECT_EQ(rig.screen.shown, expected);
  EXPECT_EQ(rig.screen.last, Pixels(rig.turn.ComposeFrame(31)));
  rig.turn.EndTurn();
  EXPECT_FALSE(rig.turn.Prepared());
  EXPECT_EQ(rig.turn.Work().Width() + rig.turn.Front().Width() + rig.turn.Back().Width(), 0u);
  rig.turn.PlayTurn(rig.screen);
  EXPECT_EQ(rig.screen.shown.size(), 32u);
}

TEST(PageTurnCompose, FramesWithoutAPageShowTheBackground) {
  TAnimation a = MakePageCurl();
  a.frames.insert(a.frames.begin(), tframe{});
  a.frames.push_back({{{300, 100}}});
  a.frames.push_back({{{440, 100}, {440, 300}}});
  // A zigzag whose columns add up to many times the work picture's width is no page's profile.
  a.frames.emplace_back();
  for (size_t k = 0; k < kMaxFramePoints; ++k) a.frames.back().points.push_back({k % 2 ? 780 : 100, 100});
  TTurnRig rig(680, 430, {});
  ASSERT_TRUE(rig.Run(a, false));
  const std::vector<uint32_t> background = Pixels(rig.turn.Background());
  const size_t n = a.frames.size();
  for (size_t i : {size_t{0}, n - 3, n - 2, n - 1, n}) {
    EXPECT_EQ(Pixels(rig.turn.ComposeFrame(i)), background) << "frame " << i;
  }
}

// ---------------------------------------------------------------------------------------------
// Pacing

TEST(PageTurnPacing, TurnTimeIsTheDurationHeldToTheLongestTurn) {
  // Duration, repeating (a held corner or key), the turn's time.
  const std::tuple<int32_t, bool, uint32_t> cases[] = {
      {600, false, 600}, {1500, false, 1500}, {1501, false, 1500}, {kMaxInt, false, 1500},
      {0, false, 0},     {-1, false, 0},      {kMinInt, false, 0},  {600, true, 0},
      {kMaxInt, true, 0},
  };
  for (const auto& [duration, repeating, time] : cases) {
    EXPECT_EQ(TurnTime(duration, repeating), time) << duration << " " << repeating;
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
      {"shares rounded down, the last on time", 1001, 0, 0, {250, 250, 250, 251}, 1001},
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

}  // namespace
}  // namespace folivar
