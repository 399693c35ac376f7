#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "book/xwlencode.h"
#include "core/errors.h"
#include "images/xifzoom.h"

namespace folivar {
namespace {

constexpr double kK = 0.7071067811865476;

// 32-bit random numbers from a fixed seed.
class TRandom {
 public:
  explicit TRandom(uint32_t seed) : engine_(seed) {}
  uint32_t operator()() { return static_cast<uint32_t>(engine_()); }

 private:
  std::mt19937 engine_;
};

// ---------------------------------------------------------------------------------------------
// Streams written by hand.

std::string U16(uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string F64(double v) {
  std::string out(8, '\0');
  std::memcpy(out.data(), &v, 8);  // the test machines are little-endian, as the format
  return out;
}

// 2-bit symbols, four to a byte, low pair first.
std::string PackSymbols(const std::vector<uint8_t>& symbols) {
  std::string out((symbols.size() + 3) / 4, '\0');
  for (size_t i = 0; i < symbols.size(); ++i) {
    out[i / 4] = static_cast<char>(out[i / 4] | (symbols[i] & 3) << (2 * (i % 4)));
  }
  return out;
}

// Values by the bit rule: without gaps, the least significant bit first.
std::string PackValues(const std::vector<uint32_t>& values, uint32_t bits) {
  std::string out((values.size() * bits + 7) / 8, '\0');
  size_t bit = 0;
  for (uint32_t v : values) {
    for (uint32_t b = 0; b < bits; ++b, ++bit) {
      if (v >> b & 1) out[bit / 8] = static_cast<char>(out[bit / 8] | 1 << (bit % 8));
    }
  }
  return out;
}

struct TChannel {
  std::vector<double> table;  // L + 2 entries
  std::vector<uint8_t> symbols;
  std::vector<uint32_t> values;
  uint32_t bits = 8;
};

std::string Header(uint32_t w, uint32_t h, uint32_t depth, uint32_t levels,
                   const std::vector<TChannel>& channels) {
  std::string out = "XWL" + U16(w) + U16(h) + static_cast<char>(depth) + static_cast<char>(levels);
  for (size_t c = 0; c < 3; ++c)
    out += U32(c < channels.size() ? static_cast<uint32_t>(channels[c].symbols.size()) : 0);
  for (size_t c = 0; c < 3; ++c)
    out += U32(c < channels.size() ? static_cast<uint32_t>(channels[c].values.size()) : 0);
  for (size_t c = 0; c < 3; ++c)
    out += static_cast<char>(c < channels.size() ? channels[c].bits : 8);
  return out;
}

std::string Stream(uint32_t w, uint32_t h, uint32_t depth, uint32_t levels,
                   const std::vector<TChannel>& channels) {
  std::string out = Header(w, h, depth, levels, channels);
  for (const TChannel& c : channels) {
    for (double entry : c.table) out += F64(entry);
  }
  for (const TChannel& c : channels) out += PackSymbols(c.symbols) + PackValues(c.values, c.bits);
  return out;
}

// A channel holding the coefficients one symbol each (0, 2 or 3), or with zero stretches as runs
// chosen by `rng` when one is given.
TChannel FromCoefficients(const std::vector<int32_t>& coefficients, std::vector<double> table,
                          uint32_t bits = 8, TRandom* rng = nullptr) {
  TChannel ch;
  ch.table = std::move(table);
  ch.bits = bits;
  for (size_t i = 0; i < coefficients.size();) {
    const int32_t c = coefficients[i];
    if (c == 0 && rng) {
      size_t zeros = 0;
      while (i + zeros < coefficients.size() && coefficients[i + zeros] == 0) ++zeros;
      const uint64_t longest = uint64_t{4} << bits;
      const size_t run = std::min<uint64_t>(longest, 1 + (*rng)() % zeros);
      ch.symbols.push_back(1);
      ch.symbols.push_back(static_cast<uint8_t>((run - 1) >> bits));
      ch.values.push_back(static_cast<uint32_t>((run - 1) & ((uint64_t{1} << bits) - 1)));
      i += run;
      continue;
    }
    ch.symbols.push_back(c == 0 ? 0 : c > 0 ? 2 : 3);
    if (c != 0) ch.values.push_back(static_cast<uint32_t>(std::abs(c)));
    ++i;
  }
  return ch;
}

std::vector<uint32_t> Decode(const std::string& stream, TXwlHeader* header = nullptr) {
  return DecodeXwl(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), header);
}

uint32_t Grey(uint32_t l) { return l * 0x010101u; }

std::vector<uint32_t> Greys(std::initializer_list<uint32_t> levels) {
  std::vector<uint32_t> out;
  for (uint32_t l : levels) out.push_back(Grey(l));
  return out;
}

// ---------------------------------------------------------------------------------------------
// The decoder written the plain way, as the picture format describes it: dequantise band by
// band, then the level procedure with temporaries of the plane's size allocated per call. Rows and
// columns that a pass leaves without a pair keep their values (the temporaries start as copies).

using TPlane = std::vector<double>;

void ReferenceLevel(TPlane& c, uint32_t W, uint32_t a, uint32_t n, int b) {
  if (b > 0) ReferenceLevel(c, W, a / 2, n / 2, b - 1);
  if (a == 0 || n == 0) return;
  auto pass = [](auto at, auto put, uint32_t length) {
    const uint32_t half = length / 2;
    for (uint32_t w = 0; w < std::max(half, 1u); ++w) {
      const double lo = at(w), hi = at(w + half);
      double even = (lo + hi) * kK, odd = (lo - hi) * kK;
      if (half >= 3 && w >= 1 && w <= half - 2 && hi == 0) {
        even = at(w - 1 + half) == 0 && at(w + 1) != lo && (w == half - 2 || at(w + 1) != at(w + 2))
                   ? (0.8 * lo + 0.2 * at(w - 1)) * kK
                   : lo * kK;
        odd = at(w + 1 + half) == 0 && at(w - 1) != lo && (w == 1 || at(w - 1) != at(w - 2))
                  ? (0.8 * lo + 0.2 * at(w + 1)) * kK
                  : lo * kK;
      }
      put(2 * w, even);
      if (2 * w + 1 < length) put(2 * w + 1, odd);
    }
  };
  TPlane t = c;
  for (uint32_t x = 0; x < a; ++x) {
    pass([&](uint32_t j) { return c[size_t{j} * W + x]; },
         [&](uint32_t j, double v) { t[size_t{j} * W + x] = v; }, n);
  }
  TPlane q = t;
  for (uint32_t y = 0; y < n; ++y) {
    pass([&](uint32_t j) { return t[size_t{y} * W + j]; },
         [&](uint32_t j, double v) { q[size_t{y} * W + j] = v; }, a);
  }
  for (uint32_t y = 0; y < n; ++y) {
    for (uint32_t x = 0; x < a; ++x) c[size_t{y} * W + x] = q[size_t{y} * W + x];
  }
}

uint32_t ReferenceByte(double v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<uint32_t>(std::nearbyint(v));
}

std::vector<uint32_t> Reference(uint32_t W, uint32_t H, uint32_t depth, uint32_t L,
                                const std::vector<std::vector<int32_t>>& coefficients,
                                const std::vector<std::vector<double>>& tables) {
  std::vector<TPlane> planes;
  for (size_t c = 0; c < coefficients.size(); ++c) {
    TPlane p(size_t{W} * H, 0.0);
    for (size_t i = 0; i < coefficients[c].size() && i < p.size(); ++i) p[i] = coefficients[c][i];
    auto scale = [&](uint32_t x1, uint32_t x2, uint32_t y1, uint32_t y2, double entry) {
      const double f = entry == 0 ? 0 : 1 / entry;
      for (uint32_t y = y1; y < y2; ++y) {
        for (uint32_t x = x1; x < x2; ++x) p[size_t{y} * W + x] *= f;
      }
    };
    for (uint32_t i = 0; i <= L; ++i) {
      scale(W >> (i + 1), W >> i, 0, H >> (i + 1), tables[c][i]);
      scale(0, W >> i, H >> (i + 1), H >> i, tables[c][i]);
    }
    scale(0, W >> (L + 1), 0, H >> (L + 1), tables[c][L + 1]);
    ReferenceLevel(p, W, W, H, static_cast<int>(L));
    planes.push_back(std::move(p));
  }
  std::vector<uint32_t> pixels(size_t{W} * H);
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (depth == 8) {
      pixels[i] = Grey(ReferenceByte(planes[0][i]));
    } else {
      const double y = planes[0][i], u = planes[1][i], v = planes[2][i];
      const double r = y + 1.140251 * v;
      const double b = y + 2.028398 * u;
      const double g = (y - 0.3 * r - 0.11 * b) * 1.694915;
      pixels[i] = ReferenceByte(r) << 16 | ReferenceByte(g) << 8 | ReferenceByte(b);
    }
  }
  return pixels;
}

// Runs a test body once with AVX2 allowed (where the processor has it) and once without.
class XwlBothPaths : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { AllowXwlAvx2(GetParam()); }
  void TearDown() override { AllowXwlAvx2(true); }
};
std::string PathName(const ::testing::TestParamInfo<bool>& path) {
  return path.param ? "Avx2Allowed" : "Sse2Only";
}
INSTANTIATE_TEST_SUITE_P(Vectors, XwlBothPaths, ::testing::Values(true, false), PathName);

// ---------------------------------------------------------------------------------------------
// The edge cases of the format.

TEST(XwlDecode, RunOfSymbolThreeAndValueFiveIs774Zeros) {
  // 800 x 1 grey: +100, then a run (symbol 1, symbol 3, value 5: 3 x 256 + 5 + 1 = 774 zeros),
  // then +50 at position 775 and zeros up to the end.
  TChannel run;
  run.table = {1.0, 1.0};
  run.symbols = {2, 1, 3, 2};
  run.values = {100, 5, 50};
  for (int i = 0; i < 24; ++i) run.symbols.push_back(0);
  std::vector<int32_t> plain(800, 0);
  plain[0] = 100;
  plain[775] = 50;
  const std::vector<uint32_t> got = Decode(Stream(800, 1, 8, 0, {run}));
  EXPECT_EQ(got, Decode(Stream(800, 1, 8, 0, {FromCoefficients(plain, {1.0, 1.0})})));
  EXPECT_EQ(got, Reference(800, 1, 8, 0, {plain}, {{1.0, 1.0}}));
  // One zero fewer puts the 50 elsewhere.
  std::vector<int32_t> shifted(800, 0);
  shifted[0] = 100;
  shifted[774] = 50;
  EXPECT_NE(got, Decode(Stream(800, 1, 8, 0, {FromCoefficients(shifted, {1.0, 1.0})})));
}

TEST(XwlDecode, RunPastTheEndStopsAtThePicture) {
  // 4 x 1: +100, then a run of 3 << 8 + 255 + 1 = 1024 zeros, and a symbol that is never reached.
  // As in OneRowHighRegionIsDoubledBySqrt2, the coefficients 100, 0, 0, 0 give 100, 100, 0, 0.
  TChannel ch;
  ch.table = {1.0, 1.0};
  ch.symbols = {2, 1, 3, 2};
  ch.values = {100, 255, 7};
  EXPECT_EQ(Decode(Stream(4, 1, 8, 0, {ch})), Greys({100, 100, 0, 0}));
}

TEST(XwlDecode, ExhaustedStreamLeavesZeros) {
  // 2 x 2 grey, one level; only the first coefficient (the approximation) is there.
  TChannel ch = FromCoefficients({80}, {1.0, 1.0});
  // The approximation 80 spreads over the four pixels, (80 k) k = 40 after both passes.
  EXPECT_EQ(Decode(Stream(2, 2, 8, 0, {ch})), Greys({40, 40, 40, 40}));
}

TEST(XwlDecode, StepOfZeroZeroesItsBand) {
  TRandom rng(7);
  std::vector<int32_t> c(64);
  for (int32_t& v : c) v = static_cast<int32_t>(rng() % 101) - 50;
  // 8 x 8 with one level: level 0 detail, level 1 detail (rows and columns 2..3 of the 4 x 4
  // corner), and the 2 x 2 approximation.
  std::vector<int32_t> withoutLevel0 = c;
  for (uint32_t y = 0; y < 8; ++y) {
    for (uint32_t x = 0; x < 8; ++x) {
      if (x >= 4 || y >= 4) withoutLevel0[y * 8 + x] = 0;
    }
  }
  const std::vector<double> table = {0.0, 0.5, 0.25};
  EXPECT_EQ(Decode(Stream(8, 8, 8, 1, {FromCoefficients(c, table)})),
            Decode(Stream(8, 8, 8, 1, {FromCoefficients(withoutLevel0, table)})));
  // With the approximation's entry 0 too and level 1 at 0, nothing is left: all black.
  EXPECT_EQ(Decode(Stream(8, 8, 8, 1, {FromCoefficients(c, {0.0, 0.0, 0.0})})),
            std::vector<uint32_t>(64, 0));
}

TEST(XwlDecode, OneRowHighRegionIsDoubledBySqrt2) {
  // 4 x 1, one level: everything is level 0 detail. The vertical pass runs pair 0 with hi read
  // from the same row: T = 2 k C. The horizontal pass then halves in pairs:
  // [(T0 + T2) k, (T0 - T2) k, (T1 + T3) k, (T1 - T3) k] = [100, 100, 60, 60].
  EXPECT_EQ(Decode(Stream(4, 1, 8, 0, {FromCoefficients({100, 60, 0, 0}, {1.0, 1.0})})),
            Greys({100, 100, 60, 60}));
  // Without the doubling it would be 71, 71, 42, 42.
}

TEST(XwlDecode, OneRowHighInnerRegionCopiesBackOnlyItsRow) {
  // 4 x 2, level number 1. Level 1's region is 2 x 1 (hn = 0): its row becomes
  // [a0 + a1, a0 - a1] = [120, 80]; row 1 of the plane (level 0 detail 40, 20, 0, 0) must survive.
  // Level 0 (hn = 1, ha = 2): T0 = k [160, 100, 0, 0], T1 = k [80, 60, 0, 0], so the rows are
  // [80, 80, 50, 50] and [40, 40, 30, 30]. Had level 1 written its row 1 back, both rows would be
  // [60, 60, 40, 40].
  const std::vector<int32_t> c = {100, 20, 0, 0, 40, 20, 0, 0};
  EXPECT_EQ(Decode(Stream(4, 2, 8, 1, {FromCoefficients(c, {1.0, 1.0, 1.0})})),
            Greys({80, 80, 50, 50, 40, 40, 30, 30}));
}

TEST(XwlDecode, OneColumnWideInnerRegionCopiesBackOnlyItsColumn) {
  // The same along the other axis: 2 x 4, level number 1; level 1's region is 1 x 2 (ha = 0).
  const std::vector<int32_t> c = {100, 40, 20, 20, 0, 0, 0, 0};
  EXPECT_EQ(Decode(Stream(2, 4, 8, 1, {FromCoefficients(c, {1.0, 1.0, 1.0})})),
            Greys({80, 40, 80, 40, 50, 30, 50, 30}));
}

// The edge rule on a single line of coefficients (grey, table of ones), decoded once as a row
// (W x 1) and once as a column (1 x H): the pass across the line only doubles by sqrt(2), so
// both give the same pixels.
struct TEdgeCase {
  const char* what;
  std::vector<int32_t> line;
  std::vector<uint32_t> expected;
};

const TEdgeCase kEdgeCases[] = {
    // ha = 3, pair 1 is interior (first and last): its detail is 0 and so are its neighbours'.
    // even: 0.8 x 200 + 0.2 x 100 = 180; odd: 0.8 x 200 + 0.2 x 50 = 170.
    {"both halves move", {100, 200, 50, 0, 0, 0}, {100, 100, 180, 170, 50, 50}},
    // Pair 0 has a detail of 4: pair 1's even half keeps lo (200); pair 0 is 104 and 96.
    {"a neighbour's detail stops one half", {100, 200, 50, 4, 0, 0}, {104, 96, 200, 170, 50, 50}},
    // ha = 5: pair 1's after (120) starts a flat stretch (120, 120): its even half stays 200;
    // its odd half moves towards 120: 184. Pair 2's even half: after equals lo, so 120.
    {"a flat stretch after",
     {100, 200, 120, 120, 60, 0, 0, 0, 0, 0},
     {100, 100, 200, 184, 120, 120, 120, 120, 60, 60}},
    // Pair 2's before (100) follows an equal value (100): its odd half stays 200; its even half
    // moves towards 100: 180. Pair 3 is the last interior pair: 0.8 x 50 + 0.2 x 200 = 80 and
    // 0.8 x 50 + 0.2 x 30 = 46.
    {"a flat stretch before",
     {100, 100, 200, 50, 30, 0, 0, 0, 0, 0},
     {100, 100, 100, 100, 180, 200, 80, 46, 30, 30}},
    // A non-zero detail in the pair itself: the plain rule, 150 +- 10.
    {"a detail of its own", {100, 150, 50, 0, 10, 0}, {100, 100, 160, 140, 50, 50}},
};

TEST_P(XwlBothPaths, InteriorPairEdgeRule) {
  for (const TEdgeCase& c : kEdgeCases) {
    SCOPED_TRACE(c.what);
    const auto n = static_cast<uint32_t>(c.line.size());
    std::vector<uint32_t> expected;
    for (uint32_t l : c.expected) expected.push_back(Grey(l));
    EXPECT_EQ(Decode(Stream(n, 1, 8, 0, {FromCoefficients(c.line, {1.0, 1.0})})), expected);
    EXPECT_EQ(Decode(Stream(1, n, 8, 0, {FromCoefficients(c.line, {1.0, 1.0})})), expected);
  }
}

TEST(XwlDecode, OddRowAndColumnKeepTheirValues) {
  // 3 x 3, level number 0 (hn = ha = 1). Row 2 has no pair in the vertical pass and column 2
  // none in the horizontal pass: each keeps its values through that pass.
  //   coefficients   60  0 14     vertical:   k 60  0  k 14     horizontal:  30 30 10
  //                   0  0  0                 k 60  0  k 14                  30 30 10
  //                  20  0 15                   20  0    15                  14 14 15
  const std::vector<int32_t> c = {60, 0, 14, 0, 0, 0, 20, 0, 15};
  EXPECT_EQ(Decode(Stream(3, 3, 8, 0, {FromCoefficients(c, {1.0, 1.0})})),
            Greys({30, 30, 10, 30, 30, 10, 14, 14, 15}));
}

TEST(XwlDecode, RoundsHalfToEven) {
  // A 1 x 1 picture is 4 k^2 c f. Search table entries near 4 k^2 / target whose factor makes the
  // value exactly target, and check the rounding of ties.
  const struct {
    double target;
    uint32_t expected;
  } ties[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {5.5, 6}, {9.5, 10}, {100.5, 100}, {101.5, 102}};
  for (const auto& tie : ties) {
    double entry = 4 * kK * kK / tie.target;
    bool found = false;
    for (int i = 0; i < 4000 && !found; ++i) {
      for (double candidate : {entry, std::nextafter(entry, 0.0)}) {
        const double f = 1 / candidate, t = (f + f) * kK;
        if ((t + t) * kK == tie.target) {
          SCOPED_TRACE(tie.target);
          EXPECT_EQ(Decode(Stream(1, 1, 8, 0, {FromCoefficients({1}, {candidate, 1.0})})),
                    Greys({tie.expected}));
          found = true;
          break;
        }
      }
      entry = std::nextafter(entry, 10.0);
    }
    EXPECT_TRUE(found) << tie.target;
  }
}

TEST(XwlDecode, GreyStreamGivesGreyPixels) {
  // 2 x 1: [(T0 + T1) k, (T0 - T1) k] with T = 2 k C: 90 + 30 and 90 - 30; and clamping below 0
  // and above 255.
  EXPECT_EQ(Decode(Stream(2, 1, 8, 0, {FromCoefficients({90, 30}, {1.0, 1.0})})), Greys({120, 60}));
  EXPECT_EQ(Decode(Stream(2, 1, 8, 0, {FromCoefficients({-90, 30}, {1.0, 1.0})})), Greys({0, 0}));
  // An entry of 0.5 doubles: 400 and 40 give 440 and 360.
  EXPECT_EQ(Decode(Stream(2, 1, 8, 0, {FromCoefficients({200, 20}, {0.5, 1.0})})),
            Greys({255, 255}));
}

TEST(XwlDecode, ColourPixel) {
  // 1 x 1: each channel is 4 k^2 c. Y 100, U 10, V -20: R = 100 - 22.805 = 77,
  // B = 100 + 20.284 = 120, G = (100 - 0.3 R - 0.11 B) x 1.694915 = 107.81 = 108.
  const std::string stream =
      Stream(1, 1, 24, 0,
             {FromCoefficients({50}, {1.0, 1.0}), FromCoefficients({5}, {1.0, 1.0}),
              FromCoefficients({-10}, {1.0, 1.0})});
  EXPECT_EQ(Decode(stream), std::vector<uint32_t>{0x004D6C78u});
}

TEST(XwlDecode, UnknownDepthIsBlack) {
  for (uint32_t depth : {0u, 1u, 16u, 32u, 255u}) {
    SCOPED_TRACE(depth);
    // Nothing after the header is read.
    EXPECT_EQ(Decode(Header(3, 2, depth, 0, {})), std::vector<uint32_t>(6, 0));
  }
}

TEST(XwlDecode, EmptyPictures) {
  TXwlHeader header;
  EXPECT_TRUE(Decode(Stream(0, 5, 8, 0, {FromCoefficients({}, {1.0, 1.0})}), &header).empty());
  EXPECT_EQ(header.height, 5);
  EXPECT_TRUE(Decode(Stream(7, 0, 24, 2,
                            {FromCoefficients({}, {1, 1, 1, 1}), FromCoefficients({}, {1, 1, 1, 1}),
                             FromCoefficients({}, {1, 1, 1, 1})}))
                  .empty());
  EXPECT_TRUE(Decode(Header(0, 0, 0, 0, {})).empty());
}

TEST(XwlDecode, HeaderFields) {
  TChannel ch = FromCoefficients({1, 0, 0, -3}, {1, 1, 1});
  ch.bits = 5;
  const std::string stream = Stream(2, 2, 8, 1, {ch}) + "trailing bytes are ignored";
  TXwlHeader header;
  EXPECT_EQ(Decode(stream, &header).size(), 4u);
  const TXwlHeader read =
      ReadXwlHeader(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());
  for (const TXwlHeader& h : {header, read}) {
    EXPECT_EQ(h.width, 2);
    EXPECT_EQ(h.height, 2);
    EXPECT_EQ(h.depth, 8);
    EXPECT_EQ(h.levels, 1);
    EXPECT_EQ(h.symbolCount[0], 4u);
    EXPECT_EQ(h.valueCount[0], 2u);
    EXPECT_EQ(h.valueBits[0], 5);
    EXPECT_EQ(h.symbolCount[1], 0u);
  }
}

TEST(XwlDecode, ValueWidths) {
  const std::vector<int32_t> c = {100, -3, 0, 7, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::string bytes8 = Stream(4, 4, 8, 1, {FromCoefficients(c, {1, 2, 3})});
  // Widths 1 to 31 all follow the bit rule (8 is one byte per value).
  for (uint32_t bits : {7u, 9u, 12u, 31u}) {
    SCOPED_TRACE(bits);
    EXPECT_EQ(Decode(Stream(4, 4, 8, 1, {FromCoefficients(c, {1, 2, 3}, bits)})), Decode(bytes8));
  }
  // Above 8 bits values may pass 255: 1000 with 12 bits.
  const std::vector<int32_t> large = {1000, 0, 0, 0};
  EXPECT_EQ(Decode(Stream(2, 2, 8, 0, {FromCoefficients(large, {8, 1}, 12)})),
            Reference(2, 2, 8, 0, {large}, {{8, 1}}));
  // Short widths for small values: 1 bit.
  const std::vector<int32_t> ones = {1, -1, 0, 1};
  EXPECT_EQ(Decode(Stream(2, 2, 8, 0, {FromCoefficients(ones, {0.01, 1}, 1)})),
            Reference(2, 2, 8, 0, {ones}, {{0.01, 1}}));
}

TEST(XwlDecode, GreyIgnoresTheOtherChannelsFields) {
  std::string stream = Stream(2, 1, 8, 0, {FromCoefficients({90, 30}, {1.0, 1.0})});
  stream[13] = stream[17] = '\x7F';  // symbol counts of channels 2 and 3
  stream[34] = stream[35] = '\0';    // value widths of channels 2 and 3
  EXPECT_EQ(Decode(stream), Greys({120, 60}));
}

TEST(XwlDecode, LevelNumbersUpToSixteen) {
  // More levels than halvings: the empty regions above are skipped.
  const std::vector<int32_t> c = {40, 3, -2, 0, 5, 0};
  const std::vector<double> table(18, 0.5);
  EXPECT_EQ(Decode(Stream(3, 2, 8, 16, {FromCoefficients(c, table)})),
            Reference(3, 2, 8, 16, {c}, {table}));
}

TEST_P(XwlBothPaths, StrangeStepTablesMatchTheReference) {
  // Infinite, NaN, denormal and negative entries: whatever the doubles, the pixels are those of
  // the plain procedure (NaN becomes black, 0 x infinity is NaN).
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<double>> tables = {
      {inf, 1, 1}, {nan, 1, 1}, {1, 1, nan}, {1e-310, 1, 1}, {-1, -0.5, -0.0}, {1, 1e300, 1e-300}};
  const std::vector<int32_t> c = {200, 0, 3, 0, -5, 0, 0, 1, 0, 0, 2, 0, 7, 0, 0, 0, 0, 0, 0, 9};
  for (const auto& table : tables) {
    SCOPED_TRACE(table[0]);
    EXPECT_EQ(Decode(Stream(5, 4, 8, 1, {FromCoefficients(c, table)})),
              Reference(5, 4, 8, 1, {c}, {table}));
  }
}

// Random streams against the plain procedure: sizes 1 to 40 (odd and even), up to 7 levels,
// coefficients from a small set so that equal neighbours and zero details are common, tables
// with zero entries, runs of every length, and streams that end early.
TEST_P(XwlBothPaths, RandomStreamsMatchTheReference) {
  TRandom rng(20261207);
  const int32_t choices[] = {0, 0, 0, 0, 0, 0, 1, -1, 2, 5, -17, 100, 255, -255};
  const double entries[] = {1.0, 0.5, 0.25, 2.0, 0.0, 1.0 / 3, 0.1, 0.05};
  for (int round = 0; round < 300; ++round) {
    const uint32_t w = 1 + rng() % 40, h = 1 + rng() % 40;
    const uint32_t depth = rng() % 2 ? 8 : 24, levels = rng() % 8;
    const uint32_t bits = rng() % 3 == 0 ? 9 : 8;
    std::vector<std::vector<int32_t>> planes;
    std::vector<std::vector<double>> tables;
    std::vector<TChannel> channels;
    for (uint32_t c = 0; c < (depth == 8 ? 1u : 3u); ++c) {
      std::vector<int32_t> plane(size_t{w} * h);
      for (int32_t& v : plane) v = choices[rng() % std::size(choices)];
      if (rng() % 4 == 0) {
        // A stream that ends early: what it does not reach is zero.
        std::fill(plane.begin() + rng() % (plane.size() + 1), plane.end(), 0);
      }
      std::vector<double> table(levels + 2);
      for (double& e : table) e = entries[rng() % std::size(entries)];
      const bool runs = rng() % 2 == 0;
      TChannel ch = FromCoefficients(plane, table, bits, runs ? &rng : nullptr);
      // Without runs every symbol 0 is a zero of its own: drop trailing ones now and then.
      while (!runs && rng() % 2 && !ch.symbols.empty() && ch.symbols.back() == 0)
        ch.symbols.pop_back();
      planes.push_back(std::move(plane));
      tables.push_back(std::move(table));
      channels.push_back(std::move(ch));
    }
    SCOPED_TRACE(::testing::Message()
                 << w << " x " << h << " depth " << depth << " levels " << levels);
    ASSERT_EQ(Decode(Stream(w, h, depth, levels, channels)),
              Reference(w, h, depth, levels, planes, tables));
  }
}

TEST(XwlDecode, Avx2AndSse2GiveTheSamePixels) {
  TRandom rng(99);
  for (int round = 0; round < 20; ++round) {
    const uint32_t w = 1 + rng() % 300, h = 1 + rng() % 200;
    std::vector<uint32_t> pixels(size_t{w} * h);
    for (uint32_t& p : pixels) p = rng() & 0x00FFFFFF;
    TXwlOptions options;
    options.quality = 1 + static_cast<int>(rng() % 100);
    options.colour = rng() % 2 == 0;
    const std::string stream = EncodeXwl(pixels.data(), w, h, options);
    AllowXwlAvx2(false);
    const auto narrow = Decode(stream);
    AllowXwlAvx2(true);
    EXPECT_EQ(Decode(stream), narrow);
  }
}

// ---------------------------------------------------------------------------------------------
// Damaged streams: each must raise TBookDamaged naming what is wrong.

// A valid 4 x 2 grey stream with one level: 8 symbols (two bytes), values of 8 bits.
std::string ValidGrey() {
  return Stream(4, 2, 8, 1, {FromCoefficients({40, 0, 3, 0, 0, -2, 0, 1}, {1, 1, 1})});
}

std::string ValidColour() {
  return Stream(
      4, 2, 24, 0,
      {FromCoefficients({40, 0, 3, 0, 0, -2, 0, 1}, {1, 1}), FromCoefficients({1, 2}, {1, 1}),
       FromCoefficients({0, 0, 0, 0, 0, 0, 0, 5}, {1, 1})});
}

std::string With(std::string s, size_t at, const std::string& bytes) {
  s.replace(at, bytes.size(), bytes);
  return s;
}

struct TDamage {
  const char* what;
  std::string stream;
  const char* message;  // a part of the error message
};

TEST(XwlDecode, DamagedStreamsAreRefused) {
  const std::string grey = ValidGrey();      // 36 header + 24 table + 2 symbols + 4 values
  const std::string colour = ValidColour();  // 36 + 48 tables + (2 + 4) + (1 + 2) + (2 + 1)
  ASSERT_EQ(grey.size(), 66u);
  ASSERT_EQ(colour.size(), 96u);
  ASSERT_NO_THROW(Decode(grey));
  ASSERT_NO_THROW(Decode(colour));
  TChannel endsInRun;
  endsInRun.table = {1, 1, 1};
  endsInRun.symbols = {2, 0, 1};  // +v, 0, then a run symbol with no symbol after it
  endsInRun.values = {9, 3};
  const TDamage cases[] = {
      {"nothing", "", "header needs 36 bytes but only 0 are left"},
      {"a header one byte short", grey.substr(0, 35), "header needs 36 bytes but only 35"},
      {"another tag", With(grey, 0, "XWM"), "does not begin with \"XWL\""},
      // Level number (byte 8) 17.
      {"level number above 16", With(grey, 8, "\x11"), "level number 17 is above 16"},
      // Width (bytes 3-4) 16385.
      {"too wide", With(grey, 3, U16(16385)), "16385 x 2 pixels is larger"},
      // Width and height 16384: 1 GiB of pixels.
      {"too many pixels", With(grey, 3, U16(16384) + U16(16384)), "16384 x 16384 pixels is larger"},
      // Value bits of channel 1 (byte 33).
      {"values of 0 bits", With(grey, 33, std::string(1, '\0')), "value width of channel 1 is 0"},
      {"values of 32 bits", With(grey, 33, "\x20"), "value width of channel 1 is 32"},
      // The step table needs 3 doubles.
      {"step table cut", grey.substr(0, 36 + 23),
       "step table of channel 1 needs 24 bytes but only 23"},
      // Symbol count of channel 1 (bytes 9-12) 400: 100 bytes.
      {"symbols beyond the data", With(grey, 9, U32(400)),
       "symbols of channel 1 need 100 bytes but only 6"},
      {"symbol count at its largest", With(grey, 9, U32(0xFFFFFFFF)),
       "symbols of channel 1 need 1073741824 bytes"},
      // Value count of channel 1 (bytes 21-24) 5: one byte more than there is.
      {"values beyond the data", With(grey, 21, U32(5)),
       "values of channel 1 need 5 bytes but only 4"},
      {"value count at its largest", With(With(grey, 21, U32(0xFFFFFFFF)), 33, "\x1F"),
       "values of channel 1 need 16642998269 bytes"},
      // Value count 3: the symbols ask for a fourth value.
      {"symbols use more values than counted", With(grey, 21, U32(3)),
       "symbols of channel 1 use more than its 3 values"},
      {"a run without its second symbol", Stream(4, 2, 8, 1, {endsInRun}),
       "symbols of channel 1 end inside a run"},
      // Colour: the third channel's values are cut off; then its symbols; then the second
      // channel's width.
      {"third channel's values cut", colour.substr(0, colour.size() - 1),
       "values of channel 3 need 1 bytes but only 0"},
      {"third channel's symbols cut", colour.substr(0, 36 + 48 + 6 + 3 + 1),
       "symbols of channel 3 need 2 bytes but only 1"},
      {"second channel's width", With(colour, 34, "\xFF"), "value width of channel 2 is 255"},
      {"colour step tables cut", colour.substr(0, 36 + 40),
       "step table of channel 3 needs 16 bytes but only 8"},
  };
  for (const TDamage& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Decode(c.stream);
      ADD_FAILURE() << "decoded";
    } catch (const TBookDamaged& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("the XWL stream", 0), 0u) << e.what();
    }
  }
}

TEST(XwlDecode, LargestPicturesAreAllowed) {
  // 16384 x 1 of an unknown depth: only pixels, all black.
  EXPECT_EQ(Decode(Header(16384, 1, 0, 0, {})).size(), 16384u);
  EXPECT_THROW(Decode(Header(1, 16385, 0, 0, {})), TBookDamaged);
}

TEST(XwlDecode, MutatedStreamsDecodeOrAreRefused) {
  TRandom rng(5);
  std::vector<uint32_t> pixels(37 * 23);
  for (uint32_t& p : pixels) p = rng() & 0x00FFFFFF;
  for (bool colour : {false, true}) {
    TXwlOptions options;
    options.colour = colour;
    const std::string good = EncodeXwl(pixels.data(), 37, 23, options);
    for (int round = 0; round < 2000; ++round) {
      std::string s = good;
      const int changes = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < changes; ++i) s[rng() % s.size()] = static_cast<char>(rng());
      if (rng() % 4 == 0) s.resize(rng() % s.size());
      // Keep the picture small.
      if (s.size() >= 7) s.replace(3, 4, U16(1 + rng() % 64) + U16(1 + rng() % 64));
      try {
        const auto out = Decode(s);
        const TXwlHeader h = ReadXwlHeader(reinterpret_cast<const uint8_t*>(s.data()), s.size());
        EXPECT_EQ(out.size(), size_t{h.width} * h.height);
      } catch (const TBookDamaged&) {
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The encoder.

// A photograph-like picture: smooth gradients, a disc and a dark rectangle with sharp edges, a
// texture that grows stronger lower down and a little noise.
std::vector<uint32_t> Photograph(uint32_t w, uint32_t h, bool colour) {
  std::vector<uint32_t> pixels(size_t{w} * h);
  uint32_t seed = 12345;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      const double fx = w > 1 ? double(x) / (w - 1) : 0, fy = h > 1 ? double(y) / (h - 1) : 0;
      double r = 40 + 150 * fx + 30 * std::sin(fy * 6.0);
      double g = 60 + 120 * fy + 20 * std::cos(fx * 9.0);
      double b = 180 - 100 * fx * fy;
      const double dx = fx - 0.45, dy = fy - 0.4;
      if (dx * dx + dy * dy < 0.06) {
        r = 220 - 60 * fy;
        g = 180;
        b = 60 + 40 * fx;
      }
      if (fx > 0.7 && fx < 0.9 && fy > 0.6 && fy < 0.85) {
        r *= 0.3;
        g *= 0.3;
        b *= 0.4;
      }
      const double texture = 12 * std::sin(x * 0.9) * std::sin(y * 0.7) * (fy > 0.5 ? 1.0 : 0.3);
      seed = seed * 1664525u + 1013904223u;
      const double noise = ((seed >> 24) / 255.0 - 0.5) * 8;
      auto channel = [&](double v) {
        return static_cast<uint32_t>(std::lround(std::clamp(v + texture + noise, 0.0, 255.0)));
      };
      if (colour) {
        pixels[size_t{y} * w + x] = channel(r) << 16 | channel(g) << 8 | channel(b);
      } else {
        pixels[size_t{y} * w + x] = Grey(channel(0.3 * r + 0.59 * g + 0.11 * b));
      }
    }
  }
  return pixels;
}

double Psnr(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  EXPECT_EQ(a.size(), b.size());
  double sum = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      const double d = double((a[i] >> shift) & 0xFF) - double((b[i] >> shift) & 0xFF);
      sum += d * d;
    }
  }
  const double mse = sum / (3.0 * static_cast<double>(a.size()));
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

double RoundTripPsnr(const std::vector<uint32_t>& pixels, uint32_t w, uint32_t h,
                     const TXwlOptions& options, size_t* bytes = nullptr) {
  const std::string stream = EncodeXwl(pixels.data(), w, h, options);
  if (bytes) *bytes = stream.size();
  TXwlHeader header;
  const std::vector<uint32_t> out = Decode(stream, &header);
  EXPECT_EQ(header.width, w);
  EXPECT_EQ(header.height, h);
  EXPECT_EQ(header.depth, options.colour ? 24 : 8);
  return Psnr(pixels, out);
}

TEST(XwlEncode, DefaultQualityKeepsAPhotographAbove34Decibels) {
  for (bool colour : {false, true}) {
    for (const auto& [w, h] :
         {std::pair{388u, 575u}, std::pair{575u, 388u}, std::pair{201u, 99u}}) {
      SCOPED_TRACE(::testing::Message() << (colour ? "colour " : "grey ") << w << " x " << h);
      TXwlOptions options;
      options.colour = colour;
      size_t bytes = 0;
      const double psnr = RoundTripPsnr(Photograph(w, h, colour), w, h, options, &bytes);
      EXPECT_GE(psnr, 34.0);
      EXPECT_LT(bytes, size_t{w} * h * (colour ? 3 : 1));
    }
  }
}

TEST(XwlEncode, QualityTradesSizeForFidelity) {
  const auto pixels = Photograph(160, 120, true);
  double lastPsnr = 0;
  size_t lastBytes = 0;
  for (int quality : {1, 25, 50, 75, 90, 100}) {
    SCOPED_TRACE(quality);
    TXwlOptions options;
    options.quality = quality;
    size_t bytes = 0;
    const double psnr = RoundTripPsnr(pixels, 160, 120, options, &bytes);
    EXPECT_GT(psnr, lastPsnr - 0.01);
    EXPECT_GT(bytes, lastBytes);
    lastPsnr = psnr;
    lastBytes = bytes;
  }
  EXPECT_GT(lastPsnr, 40.0);
}

TEST(XwlEncode, OddAndTinySizes) {
  const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1},   {1, 2},   {2, 1},   {1, 57},
                                                 {57, 1},  {3, 3},   {5, 2},   {17, 31},
                                                 {64, 64}, {65, 33}, {1, 300}, {300, 1}};
  for (bool colour : {false, true}) {
    for (const auto& [w, h] : sizes) {
      SCOPED_TRACE(::testing::Message() << (colour ? "colour " : "grey ") << w << " x " << h);
      TXwlOptions options;
      options.colour = colour;
      EXPECT_GE(RoundTripPsnr(Photograph(w, h, colour), w, h, options), 34.0);
    }
  }
}

TEST(XwlEncode, FlatPicturesComeBackExactly) {
  // Even sizes: every detail is exactly zero and the approximation fits its 255 steps.
  for (uint32_t colour : {0x000000u, 0xFFFFFFu, 0x808080u, 0x3060C0u}) {
    std::vector<uint32_t> pixels(32 * 16, colour);
    TXwlOptions options;
    options.colour = true;
    EXPECT_EQ(Decode(EncodeXwl(pixels.data(), 32, 16, options)), pixels) << std::hex << colour;
    options.colour = false;
    std::vector<uint32_t> grey(32 * 16, Grey(colour & 0xFF));
    EXPECT_EQ(Decode(EncodeXwl(grey.data(), 32, 16, options)), grey);
  }
}

TEST(XwlEncode, EveryLevelNumber) {
  const auto pixels = Photograph(45, 30, true);
  for (int levels = 0; levels <= 16; ++levels) {
    SCOPED_TRACE(levels);
    TXwlOptions options;
    options.levels = levels;
    const std::string stream = EncodeXwl(pixels.data(), 45, 30, options);
    EXPECT_EQ(static_cast<uint8_t>(stream[8]), levels);
    EXPECT_GE(RoundTripPsnr(pixels, 45, 30, options), 34.0);
  }
}

TEST(XwlEncode, EmptyPicture) {
  TXwlOptions options;
  const std::string stream = EncodeXwl(nullptr, 0, 0, options);
  TXwlHeader header;
  EXPECT_TRUE(Decode(stream, &header).empty());
  EXPECT_EQ(header.depth, 24);
}

TEST(XwlEncode, RefusesBadOptions) {
  const uint32_t pixel = 0;
  TXwlOptions options;
  options.quality = 0;
  EXPECT_THROW(EncodeXwl(&pixel, 1, 1, options), std::invalid_argument);
  options.quality = 101;
  EXPECT_THROW(EncodeXwl(&pixel, 1, 1, options), std::invalid_argument);
  options = {};
  options.levels = 17;
  EXPECT_THROW(EncodeXwl(&pixel, 1, 1, options), std::invalid_argument);
  options = {};
  EXPECT_THROW(EncodeXwl(&pixel, 16385, 1, options), std::invalid_argument);
}

}  // namespace
}  // namespace folivar
