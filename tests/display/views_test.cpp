#include "display/Views.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

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

// The blend of one colour byte, written out as plainly as possible.
uint32_t ReferenceBlendByte(uint32_t d, uint32_t s, uint32_t weight) {
  return ((d * weight) >> 8) + ((s * (256 - weight)) >> 8);
}

uint32_t ReferenceBlend(uint32_t d, uint32_t s, uint32_t weight) {
  uint32_t out = d & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    out |= ReferenceBlendByte((d >> shift) & 0xFF, (s >> shift) & 0xFF, weight) << shift;
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
  switch (path) {
    case TRowPath::kPortable:
      return "portable";
    case TRowPath::kSse2:
      return "SSE2";
    case TRowPath::kAvx2:
      return "AVX2";
  }
  return "?";
}

// Selects a path for one scope and gives the routines their own choice back afterwards.
class PathScope {
 public:
  explicit PathScope(TRowPath path) : previous_(SelectedRowPath()) {
    EXPECT_TRUE(SelectRowPath(path));
  }
  PathScope(const PathScope&) = delete;
  PathScope& operator=(const PathScope&) = delete;
  ~PathScope() { SelectRowPath(previous_); }

 private:
  TRowPath previous_;
};

TEST(ViewsTest, MemoryLayoutIsBottomUp) {
  tview v(3, 2);
  ASSERT_EQ(v.Width(), 3u);
  ASSERT_EQ(v.Height(), 2u);
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

// Natively there is no device context: a view asked for one is memory only. On Windows it gets
// its DIB section.
TEST(ViewsTest, DeviceContextOnlyWhereThePlatformHasOne) {
  tview v(4, 4, true);
  EXPECT_EQ(v.Width(), 4u);
  EXPECT_NE(v.Bits(), nullptr);
#ifdef _WIN32
  EXPECT_TRUE(v.HasDC());
#else
  EXPECT_FALSE(v.HasDC());  // natively every view is memory only
#endif
  tview memory(4, 4, false);
  EXPECT_FALSE(memory.HasDC());
}

TEST(ViewsTest, AllocateReplacesAndReleaseEmpties) {
  tview v(5, 7);
  ASSERT_NE(v.Bits(), nullptr);
  v.Allocate(20, 3, false);
  EXPECT_EQ(v.Width(), 20u);
  EXPECT_EQ(v.Height(), 3u);
  EXPECT_EQ(v.Stride(), 80);
  ASSERT_NE(v.Bits(), nullptr);
  v.Fill(0x12345678u);
  EXPECT_EQ(v.At(19, 2), 0x12345678u);
  v.Release();
  EXPECT_EQ(v.Width(), 0u);
  EXPECT_EQ(v.Height(), 0u);
  EXPECT_EQ(v.Bits(), nullptr);
  v.Release();  // twice is harmless
  v.Allocate(2, 2, false);
  EXPECT_EQ(v.Width(), 2u);
  EXPECT_NE(v.Bits(), nullptr);
}

TEST(ViewsTest, SizesThatCannotBeHadGiveEmptyViews) {
  struct Case {
    uint32_t width, height;
  };
  const Case cases[] = {
      {0, 10},
      {10, 0},
      {0, 0},
      {0xFFFFFFFFu, 0xFFFFFFFFu},               // width * height * 4 overflows 64 bits
      {tview::kMaxWidth + 1, 1},                // the stride would not fit an int32
      {1, 0x80000000u},                         // rows beyond an int32 y
      {tview::kMaxWidth, tview::kMaxHeight},    // about 2^62 bytes: no memory for that
  };
  for (const Case& c : cases) {
    tview v(7, 7);
    v.Allocate(c.width, c.height, false);
    EXPECT_EQ(v.Width(), 0u) << c.width << "x" << c.height;
    EXPECT_EQ(v.Height(), 0u) << c.width << "x" << c.height;
    EXPECT_EQ(v.Bits(), nullptr) << c.width << "x" << c.height;
  }
  EXPECT_EQ(CreateMemoryPixelStore(tview::kMaxWidth, tview::kMaxHeight), nullptr);
  EXPECT_EQ(CreateMemoryPixelStore(0xFFFFFFFFu, 0xFFFFFFFFu), nullptr);
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

TEST(ViewsTest, FillSetsEveryPixel) {
  tview v(13, 9);
  v.Fill(0xA1B2C3D4u);
  for (uint32_t p : Pixels(v)) EXPECT_EQ(p, 0xA1B2C3D4u);
}

TEST(ViewsTest, FillRectCornersAndClipping) {
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
      {"whole view", 0, 0, 7, 5, 0, 0, 7, 5},
      {"over the top left", -5, -5, 2, 2, 0, 0, 2, 2},
      {"over the bottom right", 6, 4, 100, 100, 6, 4, 7, 5},
      {"everything", kMin, kMin, kMax, kMax, 0, 0, 7, 5},
      {"left of the view", -10, 0, -1, 5, 0, 0, -1, -1},
      {"right of the view", 8, 0, kMax, 5, 0, 0, -1, -1},
      {"below the view", 0, 6, 7, kMax, 0, 0, -1, -1},
  };
  for (const Case& c : cases) {
    tview v(8, 6);
    v.Fill(0);
    v.FillRect(c.x1, c.y1, c.x2, c.y2, 0x00FF00FFu);
    for (int32_t y = 0; y < 6; ++y) {
      for (int32_t x = 0; x < 8; ++x) {
        const bool inside = x >= c.left && x <= c.right && y >= c.top && y <= c.bottom;
        EXPECT_EQ(v.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y)),
                  inside ? 0x00FF00FFu : 0u)
            << c.what << " at (" << x << ", " << y << ")";
      }
    }
  }
}

enum class Mode { kPlain, kKeyed, kBlended };

// What a destination pixel becomes when source pixel s lands on it.
uint32_t Expected(Mode mode, uint32_t d, uint32_t s, uint32_t key, uint8_t weight) {
  switch (mode) {
    case Mode::kPlain:
      return s;
    case Mode::kKeyed:
      return s == key ? d : s;
    case Mode::kBlended:
      return s == key ? d : ReferenceBlend(d, s, weight);
  }
  return d;
}

// Runs one transfer and checks every destination pixel: pixels with a counterpart inside the
// block and inside the source changed as the mode says, all others kept. Returns how many pixels
// of the destination received a source pixel.
int64_t CheckTransfer(Mode mode, uint32_t sourceWidth, uint32_t sourceHeight,
                      uint32_t destinationWidth, uint32_t destinationHeight, int32_t x, int32_t y,
                      int32_t w, int32_t h, int32_t sx, int32_t sy, const char* what) {
  tview source(sourceWidth, sourceHeight);
  tview destination(destinationWidth, destinationHeight);
  Pattern(source, 0x5A);
  Pattern(destination, 0xC3);
  // A few key pixels in the source, so that the keyed modes have something to skip.
  const uint32_t key = source.At(1, 1);
  const uint8_t weight = 77;
  const std::vector<uint32_t> old = Pixels(destination);
  switch (mode) {
    case Mode::kPlain:
      source.PutRect(destination, x, y, w, h, sx, sy);
      break;
    case Mode::kKeyed:
      source.PutRectKeyed(destination, x, y, w, h, sx, sy, key);
      break;
    case Mode::kBlended:
      source.PutRectBlended(destination, x, y, w, h, sx, sy, key, weight);
      break;
  }
  int64_t received = 0;
  for (int64_t dy = 0; dy < destinationHeight; ++dy) {
    for (int64_t dx = 0; dx < destinationWidth; ++dx) {
      const auto index = static_cast<size_t>((destinationHeight - 1 - dy) * destinationWidth + dx);
      const uint32_t d = old[index];
      const int64_t i = dx - x;
      const int64_t j = dy - y;
      const int64_t px = sx + i;
      const int64_t py = sy + j;
      const bool inBlock = i >= 0 && j >= 0 && i < w && j < h;
      const bool inSource = px >= 0 && py >= 0 && px < sourceWidth && py < sourceHeight;
      uint32_t want = d;
      if (inBlock && inSource) {
        ++received;
        want = Expected(mode, d, source.At(static_cast<uint32_t>(px), static_cast<uint32_t>(py)),
                        key, weight);
      }
      EXPECT_EQ(destination.At(static_cast<uint32_t>(dx), static_cast<uint32_t>(dy)), want)
          << what << " at (" << dx << ", " << dy << ")";
    }
  }
  return received;
}

TEST(ViewsTest, TransfersClipToBothViews) {
  for (TRowPath path : AvailablePaths()) {
    SCOPED_TRACE(PathName(path));
    PathScope scope(path);
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
  }
}

TEST(ViewsTest, SourceLargerThanDestination) {
  // A 30 x 20 source into a 8 x 6 destination, at a negative corner and inside.
  EXPECT_EQ(CheckTransfer(Mode::kPlain, 30, 20, 8, 6, -4, -3, 30, 20, 0, 0, "negative"), 48);
  EXPECT_EQ(CheckTransfer(Mode::kKeyed, 30, 20, 8, 6, 2, 1, 30, 20, 11, 7, "inside"), 30);
}

TEST(ViewsTest, PutCopiesTheWholeSourceClipped) {
  struct Case {
    int32_t x, y;
    int32_t copiedWidth, copiedHeight;
  };
  const Case cases[] = {
      {0, 0, 10, 10}, {95, 95, 5, 5}, {100, 0, 0, 0}, {0, 100, 0, 0}, {90, 0, 10, 10},
      {-3, -7, 7, 3}, {kMin, 0, 0, 0}, {kMax, kMax, 0, 0},
  };
  for (const Case& c : cases) {
    tview source(10, 10);
    tview destination(100, 100);
    Pattern(source, 1);
    destination.Fill(0xFFFFFFFFu);
    source.Put(destination, c.x, c.y);
    int64_t changed = 0;
    for (uint32_t y = 0; y < 100; ++y) {
      for (uint32_t x = 0; x < 100; ++x) {
        if (destination.At(x, y) == 0xFFFFFFFFu) continue;
        ++changed;
        EXPECT_EQ(destination.At(x, y), source.At(static_cast<uint32_t>(x - c.x),
                                                  static_cast<uint32_t>(y - c.y)));
      }
    }
    EXPECT_EQ(changed, int64_t{c.copiedWidth} * c.copiedHeight) << c.x << ", " << c.y;
  }
}

TEST(ViewsTest, PutKeyedAndPutBlendedUseTheWholeSource) {
  tview source(6, 4);
  Pattern(source, 2);
  const uint32_t key = source.At(3, 2);
  tview keyed(10, 10);
  tview keyedRect(10, 10);
  keyed.Fill(0x00101010u);
  keyedRect.Fill(0x00101010u);
  source.PutKeyed(keyed, 2, 3, key);
  source.PutRectKeyed(keyedRect, 2, 3, 6, 4, 0, 0, key);
  EXPECT_EQ(Pixels(keyed), Pixels(keyedRect));
  EXPECT_EQ(keyed.At(5, 5), 0x00101010u);  // the key pixel stayed transparent

  tview blended(10, 10);
  tview blendedRect(10, 10);
  blended.Fill(0x00808080u);
  blendedRect.Fill(0x00808080u);
  source.PutBlended(blended, 2, 3, key, 100);
  source.PutRectBlended(blendedRect, 2, 3, 6, 4, 0, 0, key, 100);
  EXPECT_EQ(Pixels(blended), Pixels(blendedRect));
  EXPECT_EQ(blended.At(2, 3), ReferenceBlend(0x00808080u, source.At(0, 0), 100));
}

TEST(ViewsTest, BlendWeight255DrawsNothingAndWeight0IsKeyed) {
  tview source(7, 5);
  Pattern(source, 3);
  const uint32_t key = source.At(2, 2);
  tview unchanged(9, 9);
  Pattern(unchanged, 4);
  const std::vector<uint32_t> before = Pixels(unchanged);
  source.PutRectBlended(unchanged, 1, 1, 7, 5, 0, 0, key, 255);
  source.PutBlended(unchanged, 1, 1, key, 255);
  EXPECT_EQ(Pixels(unchanged), before);

  tview blended(9, 9);
  tview keyed(9, 9);
  Pattern(blended, 4);
  Pattern(keyed, 4);
  source.PutRectBlended(blended, 1, 1, 6, 4, 1, 1, key, 0);
  source.PutRectKeyed(keyed, 1, 1, 6, 4, 1, 1, key);
  EXPECT_EQ(Pixels(blended), Pixels(keyed));
  source.PutBlended(blended, 2, 0, key, 0);
  source.PutKeyed(keyed, 2, 0, key);
  EXPECT_EQ(Pixels(blended), Pixels(keyed));
}

TEST(ViewsTest, CopyFromFillsTheWholeView) {
  tview source(20, 10);
  Pattern(source, 5);
  tview view(4, 3);
  view.CopyFrom(source, 6, 2);
  for (uint32_t y = 0; y < 3; ++y) {
    for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(view.At(x, y), source.At(6 + x, 2 + y));
  }
  // The part of the block outside the source is left as it was.
  struct Case {
    int32_t x, y;
  };
  for (const Case c : {Case{18, 8}, Case{-2, -1}, Case{kMax, 0}, Case{kMin, kMin}}) {
    view.Fill(0xEEEEEEEEu);
    view.CopyFrom(source, c.x, c.y);
    for (int64_t y = 0; y < 3; ++y) {
      for (int64_t x = 0; x < 4; ++x) {
        const int64_t px = c.x + x;
        const int64_t py = c.y + y;
        const bool inside = px >= 0 && py >= 0 && px < 20 && py < 10;
        EXPECT_EQ(view.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y)),
                  inside ? source.At(static_cast<uint32_t>(px), static_cast<uint32_t>(py))
                         : 0xEEEEEEEEu)
            << c.x << ", " << c.y;
      }
    }
  }
}

TEST(ViewAsmTest, BlendBytes) {
  for (TRowPath path : AvailablePaths()) {
    SCOPED_TRACE(PathName(path));
    PathScope scope(path);
    struct Case {
      uint32_t d, s;
      uint8_t weight;
      uint32_t expected;
    };
    const Case cases[] = {
        {0x00C8C8C8u, 0x00646464u, 128, 0x00969696u},  // 200 and 100 give 100 + 50 = 150
        {0x00FFFFFFu, 0x00FFFFFFu, 128, 0x00FEFEFEu},  // 127 + 127: one below
        {0x12C86400u, 0x34006464u, 128, 0x12646432u},  // each byte alone; the fourth is the dest's
        {0x00FFFFFFu, 0x00FFFFFFu, 1, 0x00FEFEFEu},    // 0 + 254
        {0x00FFFFFFu, 0x00FFFFFFu, 254, 0x00FEFEFEu},  // 253 + 1
        {0x00000000u, 0x00FFFFFFu, 1, 0x00FEFEFEu},
        {0x00FFFFFFu, 0x00000000u, 254, 0x00FDFDFDu},
        {0xFF102030u, 0xFFFFFFFFu, 64, 0xFFC3C7CBu},
    };
    for (const Case& c : cases) {
      // Alone, and in a row long enough for the four-pixel path.
      for (int32_t count : {1, 4, 9}) {
        std::vector<uint32_t> source(static_cast<size_t>(count), c.s);
        std::vector<uint32_t> destination(static_cast<size_t>(count), c.d);
        BlendPixelsKeyed(source.data(), destination.data(), count, 0x01020304u, c.weight);
        for (uint32_t p : destination) {
          EXPECT_EQ(p, c.expected) << std::hex << c.d << " " << c.s << " " << int{c.weight};
        }
      }
      EXPECT_EQ(ReferenceBlend(c.d, c.s, c.weight), c.expected);
    }
  }
}

TEST(ViewAsmTest, KeyComparesAllThirtyTwoBits) {
  for (TRowPath path : AvailablePaths()) {
    SCOPED_TRACE(PathName(path));
    PathScope scope(path);
    const uint32_t key = 0x00FF00FFu;
    // The key itself, and values that differ from it only in the fourth byte or one colour bit.
    const uint32_t source[] = {key,         0x01FF00FFu, key, 0x80FF00FFu, key,
                               0x00FF00FEu, key, key, 0xFFFF00FFu};
    constexpr int32_t n = 9;
    const uint32_t old = 0x00333333u;
    for (int weight : {-1, 1, 128, 254}) {  // -1: the keyed copy
      std::vector<uint32_t> destination(n, old);
      if (weight < 0) {
        CopyPixelsKeyed(source, destination.data(), n, key);
      } else {
        BlendPixelsKeyed(source, destination.data(), n, key, static_cast<uint8_t>(weight));
      }
      for (int32_t i = 0; i < n; ++i) {
        if (source[i] == key) {
          EXPECT_EQ(destination[i], old) << "weight " << weight << " pixel " << i;
        } else {
          const uint32_t want = weight < 0 ? source[i]
                                           : ReferenceBlend(old, source[i],
                                                            static_cast<uint32_t>(weight));
          EXPECT_EQ(destination[i], want) << "weight " << weight << " pixel " << i;
          EXPECT_NE(destination[i], old) << "weight " << weight << " pixel " << i;
        }
      }
    }
  }
}

TEST(ViewAsmTest, CountsOfZeroAndBelowChangeNothing) {
  for (TRowPath path : AvailablePaths()) {
    SCOPED_TRACE(PathName(path));
    PathScope scope(path);
    uint32_t source[4] = {1, 2, 3, 4};
    uint32_t destination[4] = {9, 9, 9, 9};
    for (int32_t count : {0, -1, kMin}) {
      FillPixels(7, destination, count);
      CopyPixels(source, destination, count);
      CopyPixelsKeyed(source, destination, count, 0);
      BlendPixelsKeyed(source, destination, count, 0, 100);
      for (uint32_t p : destination) EXPECT_EQ(p, 9u);
    }
  }
}

TEST(ViewAsmTest, PathSelection) {
  EXPECT_TRUE(RowPathAvailable(TRowPath::kPortable));
  const TRowPath chosen = SelectedRowPath();
  EXPECT_TRUE(RowPathAvailable(chosen));
  // The routines start with the fastest path there is.
  EXPECT_EQ(chosen, AvailablePaths().back());
  for (TRowPath path : {TRowPath::kPortable, TRowPath::kSse2, TRowPath::kAvx2}) {
    EXPECT_EQ(SelectRowPath(path), RowPathAvailable(path)) << PathName(path);
    EXPECT_EQ(SelectedRowPath(), RowPathAvailable(path) ? path : TRowPath::kPortable);
    SelectRowPath(TRowPath::kPortable);
  }
  SelectRowPath(chosen);
}

TEST(ViewAsmTest, FillAndCopyRows) {
  std::vector<uint32_t> destination(11, 0);
  FillPixels(0xDEADBEEFu, destination.data() + 1, 9);
  EXPECT_EQ(destination.front(), 0u);
  EXPECT_EQ(destination.back(), 0u);
  for (size_t i = 1; i < 10; ++i) EXPECT_EQ(destination[i], 0xDEADBEEFu);
  std::vector<uint32_t> source(11);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint32_t>(i * 0x01010101u);
  CopyPixels(source.data() + 2, destination.data() + 1, 7);
  EXPECT_EQ(destination[0], 0u);
  for (size_t i = 1; i < 8; ++i) EXPECT_EQ(destination[i], source[i + 1]);
  EXPECT_EQ(destination[8], 0xDEADBEEFu);
}

// The fast paths against the plain formula: random pixels, weights, keys, row lengths and
// misaligned starts, so that the four-pixel blocks and the rest of a row are both covered.
TEST(ViewAsmTest, RowRoutinesMatchTheReferenceOnRandomRows) {
  for (TRowPath path : AvailablePaths()) {
    SCOPED_TRACE(PathName(path));
    PathScope scope(path);
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<uint32_t> anyPixel;
    std::uniform_int_distribution<int> anyWeight(1, 254);
    std::uniform_int_distribution<int32_t> anyCount(0, 37);
    std::uniform_int_distribution<int> anyOffset(0, 3);
    for (int round = 0; round < 20000; ++round) {
      const int32_t count = anyCount(random);
      const int offset = anyOffset(random);
      const auto weight = static_cast<uint8_t>(anyWeight(random));
      const uint32_t key = anyPixel(random);
      std::vector<uint32_t> source(static_cast<size_t>(count + 4));
      std::vector<uint32_t> destination(static_cast<size_t>(count + 4));
      for (auto& p : source) p = (random() & 3) == 0 ? key : anyPixel(random);
      for (auto& p : destination) p = anyPixel(random);
      std::vector<uint32_t> blended = destination;
      std::vector<uint32_t> keyed = destination;
      BlendPixelsKeyed(source.data() + offset, blended.data() + offset, count, key, weight);
      CopyPixelsKeyed(source.data() + offset, keyed.data() + offset, count, key);
      for (size_t i = 0; i < destination.size(); ++i) {
        const bool inRow =
            i >= static_cast<size_t>(offset) && i < static_cast<size_t>(offset + count);
        const uint32_t s = source[i];
        const uint32_t d = destination[i];
        const bool write = inRow && s != key;
        ASSERT_EQ(blended[i], write ? ReferenceBlend(d, s, weight) : d)
            << "round " << round << " pixel " << i << " weight " << int{weight};
        ASSERT_EQ(keyed[i], write ? s : d) << "round " << round << " pixel " << i;
      }
    }
    // Every weight, 0 and 255 too, against every pair of bytes, in green and in blue and red.
    for (uint32_t weight = 0; weight <= 255; ++weight) {
      for (uint32_t d = 0; d < 256; ++d) {
        uint32_t source[256];
        uint32_t destination[256];
        for (uint32_t s = 0; s < 256; ++s) {
          source[s] = (s << 16) | (s << 8) | (255 - s);
          destination[s] = 0xA5000000u | (d << 16) | ((255 - d) << 8) | d;
        }
        BlendPixelsKeyed(source, destination, 256, 0xFFFFFFFFu, static_cast<uint8_t>(weight));
        for (uint32_t s = 0; s < 256; ++s) {
          const uint32_t want = ReferenceBlend(0xA5000000u | (d << 16) | ((255 - d) << 8) | d,
                                               (s << 16) | (s << 8) | (255 - s), weight);
          ASSERT_EQ(destination[s], want) << "weight " << weight << " d " << d << " s " << s;
        }
      }
    }
  }
}

}  // namespace
}  // namespace folivar
