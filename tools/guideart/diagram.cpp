// The drawing of the reader window: flat shapes with hard edges in a dozen colours, so that the
// book compiler keeps it as line art.
#include <algorithm>
#include <cmath>

#include "tools/guideart/guidepictures.h"

namespace folivar::guideart {

namespace {

constexpr uint32_t kFrame = 0x202020;
constexpr uint32_t kPage = 0xFFFDF6;
constexpr uint32_t kText = 0xC9C3B5;
constexpr uint32_t kHeading = 0x103050;
constexpr uint32_t kSpine = 0xC6C2B6;
constexpr uint32_t kCorner = 0xE08A2E;
constexpr uint32_t kSide = 0x3A6EA5;
constexpr uint32_t kWindowButton = 0xB8402F;
constexpr uint32_t kSlider = 0x3C7547;
constexpr uint32_t kSliderBar = 0xBFDDB4;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kNumber = 0x606060;

class TCanvas {
 public:
  TCanvas(uint32_t width, uint32_t height, uint32_t background)
      : w_(static_cast<int>(width)), h_(static_cast<int>(height)),
        px_(size_t{width} * height, background) {}

  void Set(int x, int y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[size_t(y) * w_ + x] = c;
  }
  // Corners included.
  void Fill(int x0, int y0, int x1, int y1, uint32_t c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void Frame(int x0, int y0, int x1, int y1, uint32_t c) {
    Fill(x0, y0, x1, y0, c);
    Fill(x0, y1, x1, y1, c);
    Fill(x0, y0, x0, y1, c);
    Fill(x1, y0, x1, y1, c);
  }
  // A right triangle whose right angle is at (x, y), legs running dx and dy pixels (signed).
  void Corner(int x, int y, int dx, int dy, uint32_t c) {
    const int n = std::abs(dx);
    for (int i = 0; i <= n; ++i) {
      const int len = std::abs(dy) * (n - i) / n;
      for (int j = 0; j <= len; ++j) Set(x + (dx > 0 ? i : -i), y + (dy > 0 ? j : -j), c);
    }
  }
  TGuidePicture Picture() const {
    return {static_cast<uint32_t>(w_), static_cast<uint32_t>(h_), px_};
  }

 private:
  int w_, h_;
  std::vector<uint32_t> px_;
};

// Lines of text as grey bars: a heading bar first when asked, paragraphs ending short.
void TextColumn(TCanvas& c, int x0, int x1, int y0, int y1, bool heading, int seed) {
  int y = y0;
  if (heading) {
    c.Fill(x0, y, x0 + (x1 - x0) * 3 / 5, y + 3, kHeading);
    y += 10;
  }
  int line = seed;
  while (y + 1 <= y1) {
    const bool last = line % 7 == 6;
    const int end = last ? x0 + (x1 - x0) * (30 + (line * 37) % 50) / 100 : x1;
    c.Fill(x0, y, end, y + 1, kText);
    y += last ? 9 : 5;
    ++line;
  }
}

}  // namespace

TGuidePicture WindowDiagram(uint32_t width, uint32_t height) {
  TCanvas c(width, height, kPaperBase);
  // The window keeps the shape of the spread, 776 x 575, as large as the picture allows.
  const double scale = std::min((width - 8.0) / 776.0, (height - 8.0) / 575.0);
  const int ww = static_cast<int>(776 * scale), wh = static_cast<int>(575 * scale);
  const int x0 = (static_cast<int>(width) - ww) / 2, y0 = (static_cast<int>(height) - wh) / 2;
  const int x1 = x0 + ww - 1, y1 = y0 + wh - 1;
  auto px = [&](double v) { return static_cast<int>(std::lround(v * scale)); };
  const int half = ww / 2;

  c.Fill(x0, y0, x1, y1, kPage);
  // Text on both pages, inside the book's margins; the left page opens a chapter.
  const int mx = px(30), top = px(30), bottom = px(45);
  TextColumn(c, x0 + mx, x0 + half - mx, y0 + top, y1 - bottom, true, 0);
  TextColumn(c, x0 + half + mx, x1 - mx, y0 + top, y0 + wh / 2 - 6, false, 3);
  // A picture block on the right page, then more text.
  const int bx0 = x0 + half + mx + 12, bx1 = x1 - mx - 12;
  const int by0 = y0 + wh / 2, by1 = by0 + px(110);
  c.Fill(bx0, by0, bx1, by1, kText);
  c.Corner(bx0 + 4, by1 - 1, (bx1 - bx0) / 2, -(by1 - by0) / 2, kSpine);
  TextColumn(c, x0 + half + mx, x1 - mx, by1 + 8, y1 - bottom, false, 5);
  // Page numbers in the middle of the bottom margins.
  const int ny = y1 - bottom / 2 - 2;
  c.Fill(x0 + half / 2 - 3, ny, x0 + half / 2 + 3, ny + 4, kNumber);
  c.Fill(x0 + half + half / 2 - 3, ny, x0 + half + half / 2 + 3, ny + 4, kNumber);
  // The spine.
  c.Fill(x0 + half, y0, x0 + half, y1, kSpine);

  // The page corners at the bottom: previous on the left, next on the right.
  const int leg = px(150) / 2;
  c.Corner(x0 + 1, y1 - 1, leg, -leg, kCorner);
  c.Corner(x1 - 1, y1 - 1, -leg, -leg, kCorner);

  // The side buttons down the left edge: the About logo, Print, Back (an arrow to the left).
  const int aboutW = px(104), aboutH = px(53), small = std::max(px(23), 7);
  c.Fill(x0 + 1, y0 + 1, x0 + aboutW, y0 + aboutH, kSide);
  c.Fill(x0 + 4, y0 + aboutH / 2 - 1, x0 + aboutW - 4, y0 + aboutH / 2 + 1, kWhite);
  const int printTop = y0 + 1 + aboutH + 1;
  c.Fill(x0 + 1, printTop, x0 + small, printTop + small - 1, kSide);
  c.Fill(x0 + 3, printTop + small / 2 - 1, x0 + small - 2, printTop + small - 3, kWhite);
  const int backTop = printTop + small + 1;
  c.Fill(x0 + 1, backTop, x0 + small, backTop + small - 1, kSide);
  for (int i = 0; i < small / 2 - 1; ++i) {
    c.Fill(x0 + 3 + i, backTop + small / 2 - i / 2, x0 + 3 + i, backTop + small / 2 + i / 2 - 1 + 1,
           kWhite);
  }

  // The window buttons at the top right: close at the corner, minimise beside it.
  const int button = px(54);
  c.Fill(x1 - button + 1, y0, x1, y0 + button - 1, kWindowButton);
  for (int i = 3; i < button - 3; ++i) {
    c.Set(x1 - button + 1 + i, y0 + i, kWhite);
    c.Set(x1 - i, y0 + i, kWhite);
  }
  const int minRight = x1 - button - 1;
  c.Fill(minRight - button + 1, y0, minRight, y0 + button - 1, kWindowButton);
  c.Fill(minRight - button + 4, y0 + button - 6, minRight - 3, y0 + button - 5, kWhite);

  // The page slider along the right edge, with its thumb a third of the way down.
  const int sx0 = x1 - px(20) + 1, sy0 = y0 + button + 1, sy1 = y1 - bottom - px(20);
  c.Fill(sx0, sy0, x1, sy1, kSlider);
  c.Fill(sx0 + 1, sy0 + 1, x1 - 1, sy1 - 1, kSliderBar);
  const int thumb = sy0 + (sy1 - sy0) / 3;
  c.Fill(sx0 + 1, thumb, x1 - 1, thumb + 7, kSlider);
  c.Fill(sx0 + 2, thumb + 1, x1 - 2, thumb + 6, kWhite);

  c.Frame(x0, y0, x1, y1, kFrame);
  return c.Picture();
}

}  // namespace folivar::guideart
