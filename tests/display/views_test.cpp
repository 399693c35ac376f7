#include "display/Views.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#if defined(__GNUC__) && defined(__x86_64__)
#include <cpuid.h>
#endif

#include "display/ViewAsm.h"

namespace folivar {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// A different value in every pixel: the position in the low bytes, the view's tag in the fourth.
void Pattern(tview& v, uint32_t tag) {
  for (uint32_t y = 0; y < v.Height(); ++y) {
    for (uint32_t x = 0; x < v.Width(); ++x) v.At(x, y) = (tag << 24) | (y << 12) | x;
  }
}

std::vector<uint32_t> Pixels(const tview& v) {
  return std::vector<uint32_t>(v.Bits(), v.Bits() + size_t{v.Width()} * v.Height());
}

// The blend written out as plainly as possible: each colour byte on its own, the fourth byte
// the destination's.
uint32_t ReferenceBlend(uint32_t d, uint32_t s, uint32_t weight) {
  uint32_t out = d & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t db = (d >> shift) & 0xFF, sb = (s >> shift) & 0xFF;
    out |= (((db * weight) >> 8) + ((sb * (256 - weight)) >> 8)) << shift;
  }
  return out;
}

// The row routine paths that this build and processor have, the portable one always among them.
std::vector<TRowPath> AvailablePaths() {
  std::vector<TRowPath> paths;
  for (TRowPath p : {TRowPath::kPortable, TRowPath::kSse2, TRowPath::kAvx2}) {
    if (RowPathAvailable(p)) paths.push_back(p);
  }
  return paths;
}

const char* PathName(TRowPath path) {
  return path == TRowPath::kAvx2 ? "AVX2" : path == TRowPath::kSse2 ? "SSE2" : "portable";
}

// Runs body with each row path this build and processor have, then goes back to the fastest.
template <class F>
void ForEachPath(F body) {
  for (TRowPath path : AvailablePaths()) {
    SCOPED_TRACE(PathName(path));
    ASSERT_TRUE(SelectRowPath(path));
    body();
  }
  SelectRowPath(AvailablePaths().back());
}

TEST(ViewsTest, MemoryLayoutIsBottomUp) {
  tview v(3, 2);
  EXPECT_EQ(v.Stride(), 12);
  // Pixel (0, 0) is the first pixel of the last row in memory, (2, 1) the third of the first.
  EXPECT_EQ(&v.At(0, 0), v.Bits() + 3);
  EXPECT_EQ(&v.At(2, 1), v.Bits() + 2);
  v.Locate(0, 0);
  EXPECT_EQ(v.Cursor(), v.Bits() + 3);
  v.NextRow();
  EXPECT_EQ(v.Cursor(), v.Bits());
  v.Locate(2, 1);
  EXPECT_EQ(v.Cursor(), v.Bits() + 2);
}

// A view asked for a device context gets one where the platform has them: on Windows.
TEST(ViewsTest, DeviceContextOnlyWhereThePlatformHasOne) {
#ifdef _WIN32
  EXPECT_TRUE(tview(4, 4, true).HasDC());
#else
  EXPECT_FALSE(tview(4, 4, true).HasDC());
#endif
  EXPECT_FALSE(tview(4, 4, false).HasDC());
}

TEST(ViewsTest, AllocateReplacesAndSizesThatCannotBeHadGiveEmptyViews) {
  tview v(5, 7);
  v.Allocate(20, 3, false);
  EXPECT_EQ(v.Stride(), 80);
  v.Fill(0x12345678u);
  EXPECT_EQ(v.At(19, 2), 0x12345678u);
  const std::pair<uint32_t, uint32_t> cases[] = {
      {0, 10}, {10, 0},
      {0xFFFFFFFFu, 0xFFFFFFFFu},             // width * height * 4 overflows 64 bits
      {tview::kMaxWidth + 1, 1},              // the stride would not fit an int32
      {1, 0x80000000u},                       // rows beyond an int32 y
      {tview::kMaxWidth, tview::kMaxHeight},  // about 2^62 bytes: no memory for that
  };
  for (const auto& [width, height] : cases) {
    tview w(7, 7);
    w.Allocate(width, height, false);
    EXPECT_TRUE(w.Width() == 0 && w.Height() == 0 && w.Bits() == nullptr) << width << "x" << height;
  }
  EXPECT_EQ(CreateMemoryPixelStore(tview::kMaxWidth, tview::kMaxHeight), nullptr);
  v.Release();
  EXPECT_TRUE(v.Width() == 0 && v.Height() == 0 && v.Bits() == nullptr);
  v.Release();  // twice is harmless
}

TEST(ViewsTest, EmptyViewsTakePartInNothing) {
  tview empty;
  tview full(4, 4);
  Pattern(full, 1);
  const std::vector<uint32_t> before = Pixels(full);
  empty.Fill(1);
  empty.FillRect(0, 0, 3, 3, 1);
  empty.Locate(0, 0);
  empty.Put(full, 0, 0);
  empty.PutKeyed(full, 0, 0, 0);
  empty.PutBlended(full, 0, 0, 0, 100);
  full.Put(empty, 0, 0);
  full.PutRectBlended(empty, 0, 0, 4, 4, 0, 0, 0, 100);
  empty.CopyFrom(full, 0, 0);
  full.CopyFrom(empty, 0, 0);
  EXPECT_EQ(Pixels(full), before);
  EXPECT_EQ(empty.Bits(), nullptr);
}

// 11 columns: the fill's blocks of eight and the rest of a row.
TEST(ViewsTest, FillAndFillRectCornersAndClipping) {
  struct Case {
    const char* what;
    int32_t x1, y1, x2, y2;
    int32_t left, top, right, bottom;  // what is filled, inclusive; right < left for nothing
  };
  const Case cases[] = {
      {"one pixel", 1, 1, 1, 1, 1, 1, 1, 1},
      {"y2 < y1", 1, 2, 3, 1, 0, 0, -1, -1},
      {"x2 < x1", 3, 1, 1, 2, 0, 0, -1, -1},
      {"inside", 1, 2, 4, 3, 1, 2, 4, 3},
      {"over the top left", -5, -5, 2, 2, 0, 0, 2, 2},
      {"over the bottom right", 6, 4, 100, 100, 6, 4, 10, 5},
      {"everything", kMin, kMin, kMax, kMax, 0, 0, 10, 5},
      {"left of the view", -10, 0, -1, 5, 0, 0, -1, -1},
      {"right of the view", 11, 0, kMax, 5, 0, 0, -1, -1},
      {"below the view", 0, 6, 7, kMax, 0, 0, -1, -1},
  };
  for (const Case& c : cases) {
    tview v(11, 6);
    v.Fill(0xA1B2C3D4u);
    v.FillRect(c.x1, c.y1, c.x2, c.y2, 0x00FF00FFu);
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 11; ++x) {
        const bool inside = x >= c.left && x <= c.right && y >= c.top && y <= c.bottom;
        EXPECT_EQ(v.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y)),
                  inside ? 0x00FF00FFu : 0xA1B2C3D4u)
            << c.what << " at (" << x << ", " << y << ")";
      }
    }
  }
}

enum class Mode { kPlain, kKeyed, kBlended };

// Runs one transfer and checks every destination pixel: pixels with a counterpart inside the
// block and inside the source changed as the mode says, all others kept. Returns how many pixels
// of the destination received a source pixel.
int64_t CheckTransfer(Mode mode, uint32_t sourceWidth, uint32_t sourceHeight,
                      uint32_t destinationWidth, uint32_t destinationHeight, int32_t x, int32_t y,
                      int32_t w, int32_t h, int32_t sx, int32_t sy, const char* what) {
  tview source(sourceWidth, sourceHeight);
  tview destination(destinationWidth, destinationHeight), old(destinationWidth, destinationHeight);
  Pattern(source, 0x5A);
  Pattern(destination, 0xC3);
  Pattern(old, 0xC3);
  // A key pixel in the source, so that the keyed modes have something to skip.
  const uint32_t key = source.At(1, 1);
  const uint8_t weight = 77;
  if (mode == Mode::kPlain) source.PutRect(destination, x, y, w, h, sx, sy);
  if (mode == Mode::kKeyed) source.PutRectKeyed(destination, x, y, w, h, sx, sy, key);
  if (mode == Mode::kBlended) source.PutRectBlended(destination, x, y, w, h, sx, sy, key, weight);
  int64_t received = 0;
  for (uint32_t dy = 0; dy < destinationHeight; ++dy) {
    for (uint32_t dx = 0; dx < destinationWidth; ++dx) {
      const uint32_t d = old.At(dx, dy);
      const int64_t i = int64_t{dx} - x, j = int64_t{dy} - y;
      const int64_t px = sx + i, py = sy + j;
      uint32_t want = d;
      if (i >= 0 && j >= 0 && i < w && j < h && px >= 0 && py >= 0 && px < sourceWidth &&
          py < sourceHeight) {
        ++received;
        const uint32_t s = source.At(static_cast<uint32_t>(px), static_cast<uint32_t>(py));
        want = mode == Mode::kPlain ? s : s == key ? d : mode == Mode::kKeyed ? s : ReferenceBlend(d, s, weight);
      }
      EXPECT_EQ(destination.At(dx, dy), want) << what << " at (" << dx << ", " << dy << ")";
    }
  }
  return received;
}

TEST(ViewsTest, TransfersClipToBothViews) {
  ForEachPath([] {
    struct Case {
      const char* what;
      int32_t x, y, w, h, sx, sy;
      int64_t received;  // destination pixels that receive a source pixel
    };
    // A 10 x 10 source into a 100 x 100 destination.
    const Case cases[] = {
        {"whole source at the origin", 0, 0, 10, 10, 0, 0, 100},
        {"at (95, 95): 5 x 5", 95, 95, 10, 10, 0, 0, 25},
        {"at (100, 0): nothing", 100, 0, 10, 10, 0, 0, 0},
        {"at (0, 100): nothing", 0, 100, 10, 10, 0, 0, 0},
        {"inner block", 40, 30, 4, 3, 2, 5, 12},
        {"zero width", 0, 0, 0, 10, 0, 0, 0},
        {"negative size", 0, 0, -5, -5, 0, 0, 0},
        // Beyond what the row arithmetic itself needs: the block is cut where it leaves the source
        // or starts left of or above either view.
        {"block wider than the source", 0, 0, 100, 100, 5, 5, 25},
        {"at (-5, -5)", -5, -5, 10, 10, 0, 0, 25},
        {"left of the destination", -10, 0, 10, 10, 0, 0, 0},
        {"source corner negative", 0, 0, 10, 10, -3, -4, 42},
        {"source corner beyond", 0, 0, 10, 10, 10, 0, 0},
        {"both negative", -2, -1, 10, 10, -3, -2, 7 * 8},
        {"most negative position", kMin, kMin, kMax, kMax, 0, 0, 0},
        {"most positive position", kMax, kMax, kMax, kMax, 0, 0, 0},
        {"huge block from a negative corner", 0, 0, kMax, kMax, kMin, kMin, 0},
        {"huge block", 0, 0, kMax, kMax, 0, 0, 100},
        {"most positive source corner", 0, 0, kMax, kMax, kMax, kMax, 0},
        {"most negative source corner", 90, 90, kMax, kMax, kMin, kMin, 0},
    };
    for (Mode mode : {Mode::kPlain, Mode::kKeyed, Mode::kBlended}) {
      for (const Case& c : cases) {
        EXPECT_EQ(CheckTransfer(mode, 10, 10, 100, 100, c.x, c.y, c.w, c.h, c.sx, c.sy, c.what),
                  c.received)
            << c.what << ", mode " << static_cast<int>(mode);
      }
    }
  });
}

TEST(ViewsTest, SourceLargerThanDestination) {
  // A 30 x 20 source into a 8 x 6 destination, at a negative corner and inside.
  EXPECT_EQ(CheckTransfer(Mode::kPlain, 30, 20, 8, 6, -4, -3, 30, 20, 0, 0, "negative"), 48);
  EXPECT_EQ(CheckTransfer(Mode::kKeyed, 30, 20, 8, 6, 2, 1, 30, 20, 11, 7, "inside"), 30);
}

// Put, PutKeyed and PutBlended are their rectangle forms over the whole source; with weight 0
// a blend is the keyed copy and with 255 it draws nothing, in both forms.
TEST(ViewsTest, WholeSourceFormsAndTheEndWeights) {
  tview source(6, 4);
  Pattern(source, 2);
  const uint32_t key = source.At(3, 2);
  tview d(10, 10);
  const auto after = [&d](const auto& put) {
    Pattern(d, 4);
    put();
    return Pixels(d);
  };
  for (const std::pair<int32_t, int32_t>& p : {std::pair{2, 3}, {-3, -1}, {7, 8}, {kMin, kMax}}) {
    const int32_t x = p.first, y = p.second;
    SCOPED_TRACE(testing::Message() << "at " << x << ", " << y);
    EXPECT_EQ(after([&] { source.Put(d, x, y); }), after([&] { source.PutRect(d, x, y, 6, 4, 0, 0); }));
    const auto keyed = after([&] { source.PutRectKeyed(d, x, y, 6, 4, 0, 0, key); });
    EXPECT_EQ(after([&] { source.PutKeyed(d, x, y, key); }), keyed);
    EXPECT_EQ(after([&] { source.PutBlended(d, x, y, key, 100); }),
              after([&] { source.PutRectBlended(d, x, y, 6, 4, 0, 0, key, 100); }));
    EXPECT_EQ(after([&] { source.PutBlended(d, x, y, key, 0); }), keyed);
    EXPECT_EQ(after([&] { source.PutRectBlended(d, x, y, 6, 4, 0, 0, key, 0); }), keyed);
    const auto untouched = after([] {});
    EXPECT_EQ(after([&] { source.PutBlended(d, x, y, key, 255); }), untouched);
    EXPECT_EQ(after([&] { source.PutRectBlended(d, x, y, 6, 4, 0, 0, key, 255); }), untouched);
  }
}

// CopyFrom is the source put into the view from the corner (x, y) of the source, clipped alike.
TEST(ViewsTest, CopyFromIsPutRectTheOtherWayRound) {
  tview source(20, 10), view(4, 3), put(4, 3);
  Pattern(source, 5);
  for (const std::pair<int32_t, int32_t>& p : {std::pair{6, 2}, {18, 8}, {-2, -1}, {kMax, 0}, {kMin, kMin}}) {
    Pattern(view, 6);
    Pattern(put, 6);
    view.CopyFrom(source, p.first, p.second);
    source.PutRect(put, 0, 0, 4, 3, p.first, p.second);
    EXPECT_EQ(Pixels(view), Pixels(put)) << p.first << ", " << p.second;
  }
  view.CopyFrom(source, 6, 2);
  EXPECT_EQ(view.At(3, 2), source.At(9, 4));
}

TEST(ViewAsmTest, CountsOfZeroAndBelowChangeNothing) {
  ForEachPath([] {
    uint32_t source[4] = {1, 2, 3, 4}, destination[4] = {9, 9, 9, 9};
    for (int32_t count : {0, -1, kMin}) {
      FillPixels(7, destination, count);
      CopyPixels(source, destination, count);
      CopyPixelsKeyed(source, destination, count, 0);
      BlendPixelsKeyed(source, destination, count, 0, 100);
      for (uint32_t p : destination) EXPECT_EQ(p, 9u);
    }
  });
}

#if defined(__GNUC__) && defined(__x86_64__)
// Whether the processor has AVX2 and the system saves its registers, asked of the processor
// itself rather than through the compiler's support that the routines use.
bool ProcessorAndSystemHaveAvx2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
  unsigned low = 0, high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (low & 6) == 6 && __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

// The routines start with the fastest path, and AVX2 is among the paths wherever the processor
// has it: otherwise its tests here would pass without running it.
TEST(ViewAsmTest, TheFastestPathIsChosen) {
  EXPECT_EQ(RowPathAvailable(TRowPath::kAvx2), ProcessorAndSystemHaveAvx2());
  EXPECT_TRUE(RowPathAvailable(TRowPath::kSse2));
  EXPECT_EQ(SelectedRowPath(), AvailablePaths().back());
  RecordProperty("fastestRowPath", PathName(SelectedRowPath()));
}
#endif

// The fast paths against the plain formula: random pixels, weights, keys, row lengths and
// misaligned starts, so that the blocks and the rest of a row are both covered. A source pixel
// is often the key, or the key with one bit changed (in any of the four bytes: the key compares
// all 32 bits).
TEST(ViewAsmTest, RowRoutinesMatchTheReferenceOnRandomRows) {
  ForEachPath([] {
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<uint32_t> anyPixel;
    for (int round = 0; round < 20000; ++round) {
      const auto count = static_cast<int32_t>(random() % 38);
      const auto offset = static_cast<size_t>(random() % 4);
      const auto weight = static_cast<uint8_t>(1 + random() % 254);
      const uint32_t key = anyPixel(random);
      std::vector<uint32_t> source(static_cast<size_t>(count) + 4), destination(source.size());
      for (auto& p : source) {
        const uint32_t pick = random() % 4;
        p = pick == 0 ? key : pick == 1 ? key ^ (1u << (random() % 32)) : anyPixel(random);
      }
      for (auto& p : destination) p = anyPixel(random);
      std::vector<uint32_t> blended = destination, keyed = destination;
      BlendPixelsKeyed(source.data() + offset, blended.data() + offset, count, key, weight);
      CopyPixelsKeyed(source.data() + offset, keyed.data() + offset, count, key);
      for (size_t i = 0; i < destination.size(); ++i) {
        const uint32_t s = source[i], d = destination[i];
        const bool write = i >= offset && i < offset + static_cast<size_t>(count) && s != key;
        ASSERT_EQ(blended[i], write ? ReferenceBlend(d, s, weight) : d)
            << "round " << round << " pixel " << i << " weight " << int{weight};
        ASSERT_EQ(keyed[i], write ? s : d) << "round " << round << " pixel " << i;
      }
    }
    // Every weight, 0 and 255 too, against every pair of bytes, in green and in blue and red.
    for (uint32_t weight = 0; weight <= 255; ++weight) {
      for (uint32_t d = 0; d < 256; ++d) {
        const uint32_t old = 0xA5000000u | (d << 16) | ((255 - d) << 8) | d;
        uint32_t source[256], destination[256];
        for (uint32_t s = 0; s < 256; ++s) {
          source[s] = (s << 16) | (s << 8) | (255 - s);
          destination[s] = old;
        }
        BlendPixelsKeyed(source, destination, 256, 0xFFFFFFFFu, static_cast<uint8_t>(weight));
        for (uint32_t s = 0; s < 256; ++s)
          ASSERT_EQ(destination[s], ReferenceBlend(old, source[s], weight)) << weight << " " << d << " " << s;
      }
    }
  });
}

}  // namespace
}  // namespace folivar
