// The page-turn animation: reading the description, the geometry of a turn, the captures of the
// old and new pages and the composition of the frames.
#include "reader/pageturn.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <unordered_map>

#include "book/bookclass.h"
#include "core/strutil.h"
#include "display/ViewAsm.h"

namespace folivar {

namespace {

// Design units: the page's size and where design (100, 100) and the spine lie.
constexpr double kPageUnitsWide = 340;
constexpr double kPageUnitsHigh = 430;
constexpr double kOrigin = 100;
// Room the work picture keeps right of the furthest point, in design units.
constexpr int64_t kWorkSlack = 10;
// A frame whose columns add up to more than this many times the width of the work picture (or
// of a page, if wider) is not a page's profile; it shows background alone.
constexpr int64_t kMaxColumnsPerWorkColumn = 8;

// ---------------------------------------------------------------------------------------------
// The description

// The rows of a parsed property text by name. ParseTable keeps one row per name.
class TNamedValues {
 public:
  explicit TNamedValues(const ttable& table) {
    if (table.storage.size() < 2) return;
    const TStringList& names = table.storage[0];
    const TStringList& values = table.storage[1];
    const size_t rows = std::min(names.size(), values.size());
    values_.reserve(rows);
    for (size_t r = 0; r < rows; ++r) values_.try_emplace(names[r], values[r]);
  }

  size_t Rows() const { return values_.size(); }

  std::string_view Value(const std::string& name) const {
    const auto found = values_.find(name);
    return found == values_.end() ? std::string_view() : std::string_view(found->second);
  }

  // A count: not a number, or negative, is 0.
  size_t Count(const std::string& name) const {
    const int32_t n = TextToInt(Value(name));
    return n > 0 ? static_cast<size_t>(n) : 0;
  }

 private:
  std::unordered_map<std::string_view, std::string_view> values_;
};

// "x,y": x before the first comma, y after it; without a comma y is 0.
tpoint ParsePoint(std::string_view text) {
  std::string rest(text);
  const std::string x = SplitFirst(rest, ",");
  return {TextToInt(Trim(x)), TextToInt(Trim(rest))};
}

// ---------------------------------------------------------------------------------------------
// Numbers of the geometry

// Nearest integer, ties to even; false when v is not finite or the result leaves int32.
bool RoundToInt32(double v, int32_t& out) {
  if (!std::isfinite(v)) return false;
  const double r = std::nearbyint(v);
  if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  out = static_cast<int32_t>(r);
  return true;
}

bool FitsInt32(int64_t v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

// A picture size for a scaled design length: at least one pixel and at most kMaxPictureSide.
bool PictureSide(double length, uint32_t& out) {
  int32_t side = 0;
  if (!RoundToInt32(length, side) || side <= 0 || static_cast<uint32_t>(side) > kMaxPictureSide) {
    return false;
  }
  out = static_cast<uint32_t>(side);
  return true;
}

bool PictureFits(uint32_t width, uint32_t height) {
  return uint64_t{width} * height * 4 <= kMaxPictureBytes;
}

// Copies the w x h block at (fromX, fromY) of from to (toX, toY) of to. The views clip to both
// pictures; a corner beyond the 32-bit range lies outside both anyway and copies nothing.
void CopyBlock(const tview& from, int64_t fromX, int64_t fromY, tview& to, int64_t toX,
               int64_t toY, uint32_t w, uint32_t h) {
  if (!FitsInt32(fromX) || !FitsInt32(fromY) || !FitsInt32(toX) || !FitsInt32(toY)) return;
  from.PutRect(to, static_cast<int32_t>(toX), static_cast<int32_t>(toY), static_cast<int32_t>(w),
               static_cast<int32_t>(h), static_cast<int32_t>(fromX), static_cast<int32_t>(fromY));
}

}  // namespace

TAnimation ParseAnimation(std::string_view text) {
  ttable table;
  ParseTable(text, table);
  const TNamedValues values(table);

  TAnimation animation;
  animation.duration = TextToInt(values.Value("duration"));
  // Every point that the text holds has a row of its own, and so does every frame's count: no
  // more frames or points are made than the text has rows.
  const size_t frames = std::min({values.Count("framecount"), kMaxTurnFrames, values.Rows()});
  size_t budget = std::min(kMaxTurnPoints, values.Rows());
  animation.frames.resize(frames);
  for (size_t i = 0; i < frames; ++i) {
    const std::string prefix = IntToText(static_cast<int64_t>(i));
    const size_t count = std::min({values.Count("frame." + prefix), kMaxFramePoints, budget});
    budget -= count;
    tpoints& points = animation.frames[i].points;
    points.resize(count);
    for (size_t j = 0; j < count; ++j) {
      points[j] = ParsePoint(values.Value(prefix + "." + IntToText(static_cast<int64_t>(j))));
    }
  }
  return animation;
}

TAnimation ReadAnimation(const ttable& properties) {
  return ParseAnimation(GetValue(properties, "anime"));
}

TAnimation ReadAnimation(const TBook& book) { return ReadAnimation(book.properties); }

bool PageTurnAnimated(const ttable& properties) {
  return ParseBool(GetValue(properties, "pageturn_animation"));
}

bool PageTurnAnimated(const TBook& book) { return PageTurnAnimated(book.properties); }

TTurnMargins ReadTurnMargins(const ttable& properties) {
  return {TextToInt(GetValue(properties, "anix")), TextToInt(GetValue(properties, "anitop")),
          TextToInt(GetValue(properties, "anibottom"))};
}

TTurnMargins ReadTurnMargins(const TBook& book) { return ReadTurnMargins(book.properties); }

bool ComputeTurnGeometry(const std::vector<tframe>& frames, const TTurnMargins& margins,
                         uint32_t surfaceWidth, uint32_t surfaceHeight, int32_t windowLeft,
                         int32_t windowTop, TTurnGeometry& geometry) {
  TTurnGeometry g;
  bool any = false;
  for (const tframe& frame : frames) {
    for (const tpoint& p : frame.points) {
      if (!any) {
        g.minX = g.maxX = p.x;
        g.minY = g.maxY = p.y;
        any = true;
      }
      g.minX = std::min(g.minX, p.x);
      g.maxX = std::max(g.maxX, p.x);
      g.minY = std::min(g.minY, p.y);
      g.maxY = std::max(g.maxY, p.y);
    }
  }
  if (!any) return false;

  g.sx = (double(surfaceWidth) - 2.0 * margins.anix) / kPageUnitsWide / 2.0;
  g.sy = (double(surfaceHeight) - (double(margins.anitop) + double(margins.anibottom))) /
         kPageUnitsHigh;
  if (!(g.sx > 0) || !(g.sy > 0)) return false;

  // The spans are exact in double: they are below 2^33.
  const double spanX = double(int64_t{g.maxX} - g.minX + kWorkSlack);
  const double spanY = double(int64_t{g.maxY} - g.minY) + kPageUnitsHigh;
  if (!PictureSide(spanX * g.sx, g.workWidth) || !PictureSide(spanY * g.sy, g.workHeight) ||
      !PictureSide(kPageUnitsWide * g.sx, g.pageWidth) ||
      !PictureSide(kPageUnitsHigh * g.sy, g.pageHeight) ||
      !PictureFits(g.workWidth, g.workHeight) || !PictureFits(g.pageWidth, g.pageHeight)) {
    return false;
  }

  int32_t leftShift = 0;
  int32_t topShift = 0;
  if (!RoundToInt32((kOrigin - g.minX) * g.sx, g.offX) ||
      !RoundToInt32((kOrigin - g.minY) * g.sy, g.offY) ||
      !RoundToInt32(g.sx * (g.minX - kOrigin), leftShift) ||
      !RoundToInt32(g.sy * (g.minY - kOrigin), topShift)) {
    return false;
  }
  const int64_t screenX = int64_t{leftShift} + windowLeft + margins.anix;
  const int64_t screenY = int64_t{topShift} + windowTop + margins.anitop;
  if (!FitsInt32(screenX) || !FitsInt32(screenY)) return false;
  g.screenX = static_cast<int32_t>(screenX);
  g.screenY = static_cast<int32_t>(screenY);
  geometry = g;
  return true;
}

bool TPageTurn::PrepareTurn(const TAnimation& animation, bool backward,
                            const TTurnMargins& margins, const tview& surface, int32_t windowLeft,
                            int32_t windowTop, TTurnScreen* screen) {
  EndTurn();
  TTurnGeometry g;
  if (!ComputeTurnGeometry(animation.frames, margins, surface.Width(), surface.Height(),
                           windowLeft, windowTop, g)) {
    return false;
  }
  work_.Allocate(g.workWidth, g.workHeight, false);
  background_.Allocate(g.workWidth, g.workHeight, false);
  if (work_.Width() != g.workWidth || background_.Width() != g.workWidth) {
    EndTurn();
    return false;
  }
  work_.Fill(0);
  background_.Fill(0);
  if (screen) screen->Grab(background_, g.screenX, g.screenY);

  geometry_ = g;
  backward_ = backward;
  margins_ = margins;
  frames_ = animation.frames;
  prepared_ = true;
  return true;
}

// Front and back: one scaled page each, black until captured.
void TPageTurn::CreatePages() {
  if (front_.Width() != 0 && back_.Width() != 0) return;
  front_.Allocate(geometry_.pageWidth, geometry_.pageHeight, false);
  back_.Allocate(geometry_.pageWidth, geometry_.pageHeight, false);
  front_.Fill(0);
  back_.Fill(0);
}

void TPageTurn::CaptureBefore(const tview& surface) {
  if (!prepared_) return;
  CreatePages();
  const TTurnGeometry& g = geometry_;
  const int64_t spine = surface.Width() / 2;
  const int64_t pageX = backward_ ? margins_.anix : spine;
  CopyBlock(surface, pageX, margins_.anitop, front_, 0, 0, g.pageWidth, g.pageHeight);
  // The old left page, where the work picture shows the left page.
  CopyBlock(surface, margins_.anix, margins_.anitop, background_, g.offX, g.offY, g.pageWidth,
            g.pageHeight);
}

void TPageTurn::CaptureAfter(const tview& surface) {
  if (!prepared_) return;
  CreatePages();
  const TTurnGeometry& g = geometry_;
  const int64_t spine = surface.Width() / 2;
  if (backward_) {
    // The new left page, uncovered as the old one lifts; the new right page lands face up.
    CopyBlock(surface, margins_.anix, margins_.anitop, background_, g.offX, g.offY, g.pageWidth,
              g.pageHeight);
    CopyBlock(surface, spine, margins_.anitop, back_, 0, 0, g.pageWidth, g.pageHeight);
  } else {
    // The new left page lands face up; the new right page is uncovered as the old one lifts.
    // Surface column s lies at work column s - anix + offX.
    CopyBlock(surface, margins_.anix, margins_.anitop, back_, 0, 0, g.pageWidth, g.pageHeight);
    CopyBlock(surface, spine, margins_.anitop, background_, spine - margins_.anix + g.offX, g.offY,
              g.pageWidth, g.pageHeight);
  }
}

// Walks the frame's segments and lists, in drawing order, every column that falls inside the
// work picture: which source column goes where.
void TPageTurn::LayOut(const tframe& frame) {
  columns_.clear();
  const tpoints& p = frame.points;
  if (p.size() < 2) return;
  const TTurnGeometry& g = geometry_;
  const int64_t pageWidth = g.pageWidth;

  // Pixel positions of the points across. The geometry keeps sx small enough (a page fits a
  // picture) that these are exact integers far inside int64.
  std::vector<int64_t>& spans = spans_;
  spans.resize(p.size());
  for (size_t k = 0; k < p.size(); ++k) {
    spans[k] = static_cast<int64_t>(std::nearbyint((double(p[k].x) - kOrigin) * g.sx));
  }
  int64_t total = 0;
  for (size_t k = 0; k + 1 < p.size(); ++k) total += std::abs(spans[k + 1] - spans[k]);
  if (total == 0) return;
  if (total > kMaxColumnsPerWorkColumn * std::max<int64_t>(g.workWidth, pageWidth)) return;

  int64_t i = 0;
  for (size_t k = 0; k + 1 < p.size(); ++k) {
    const int64_t x0 = spans[k];
    const int64_t x1 = spans[k + 1];
    const int64_t width = std::abs(x1 - x0);
    const bool front = p[k + 1].x >= p[k].x;
    const int64_t d = front ? 1 : -1;
    const TXif& source = front ? front_ : back_;
    const bool drawable =
        source.Width() == g.pageWidth && source.Height() == g.pageHeight && source.Bits();
    // Source pixel (c, 0) is in the last row of memory.
    const uint32_t* topRow =
        drawable ? source.Bits() + size_t{g.pageHeight - 1} * g.pageWidth : nullptr;
    double y = (double(p[k].y) - kOrigin) * g.sy;
    const double dy =
        width > 0 ? (double(p[k + 1].y) - double(p[k].y)) * g.sy / double(width) : 0.0;
    for (int64_t step = 0; step < width; ++step) {
      const int64_t at = x0 + d * step;
      int64_t c = i * pageWidth / total;
      if (backward_) c = pageWidth - 1 - c;
      if (!front) c = pageWidth - 1 - c;
      // Backward turns mirror the frame about the spine, which lies one page right of offX.
      const int64_t x = backward_ ? g.offX + 2 * pageWidth - at : g.offX + at;
      const int64_t y0 = static_cast<int64_t>(std::trunc(y)) + g.offY;
      if (drawable && x >= 0 && x < int64_t{g.workWidth}) {
        columns_.push_back({static_cast<int32_t>(x), y0, topRow + c});
      }
      ++i;
      y += dy;
    }
    if (i >= total - 1) break;
  }
}

// Background, then the listed columns, one work row at a time: a pixel is only ever changed by
// the columns at its own x, in their order, so going row by row gives what drawing the columns
// one after the other gives, while every row stays in the cache.
void TPageTurn::Draw() {
  const uint32_t width = work_.Width();
  const uint32_t height = work_.Height();
  const auto pageHeight = static_cast<int64_t>(geometry_.pageHeight);
  const auto stride = static_cast<ptrdiff_t>(geometry_.pageWidth);
  uint32_t* workBits = work_.Bits();
  const uint32_t* backgroundBits = background_.Bits();
  for (uint32_t y = 0; y < height; ++y) {
    const size_t row = size_t{height - 1 - y} * width;
    uint32_t* target = workBits + row;
    CopyPixels(backgroundBits + row, target, static_cast<int32_t>(width));
    for (const TColumn& column : columns_) {
      const int64_t r = int64_t{y} - column.y0;
      if (r < 0 || r >= pageHeight) continue;
      const uint32_t* source = column.top - static_cast<ptrdiff_t>(r) * stride;
      uint32_t& pixel = target[column.x];
      // The source row above lies one stride further on in memory (rows run bottom-up).
      const uint32_t above = r == 0 ? pixel : source[stride];
      pixel = HalfPixel(above) + HalfPixel(*source);
    }
  }
}

const tview& TPageTurn::ComposeFrame(size_t index) {
  if (!prepared_) return work_;
  if (index < frames_.size()) {
    LayOut(frames_[index]);
  } else {
    columns_.clear();
  }
  Draw();
  return work_;
}

uint32_t TurnTime(int32_t duration, bool repeating) {
  if (repeating || duration <= 0) return 0;
  return std::min(static_cast<uint32_t>(duration), kMaxTurnTime);
}

void TPageTurn::PlayTurn(TTurnScreen& screen, uint32_t turnTime) {
  const size_t count = FrameCount();
  turnTime = std::min(turnTime, kMaxTurnTime);
  const uint32_t start = screen.Now();
  for (size_t i = 0; i < count; ++i) {
    screen.Show(ComposeFrame(i), geometry_.screenX, geometry_.screenY, i, count);
    if (turnTime == 0) continue;
    // Unsigned differences stay right across the wrap of the clock.
    const auto due = static_cast<uint32_t>(uint64_t{turnTime} * (i + 1) / count);
    const uint32_t spent = screen.Now() - start;
    if (spent < due) screen.Wait(due - spent);
  }
}

void TPageTurn::EndTurn() {
  prepared_ = false;
  work_.Release();
  background_.Release();
  front_.Release();
  back_.Release();
  frames_.clear();
  columns_.clear();
  geometry_ = TTurnGeometry{};
}

}  // namespace folivar
