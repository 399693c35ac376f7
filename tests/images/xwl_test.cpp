// The "XWL" wavelet decoder against pictures worked out by hand and against a plain decoder
// written here from the format; the encoder by round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "book/xwlencode.h"
#include "core/errors.h"
#include "images/xifzoom.h"

namespace folivar {
namespace {

constexpr double kK = 0.7071067811865476;
// 32-bit random numbers from a fixed seed.
struct TRandom : std::mt19937 {
  using std::mt19937::mt19937;
  uint32_t operator()() { return static_cast<uint32_t>(std::mt19937::operator()()); }
};

// ---------------------------------------------------------------------------------------------
// Streams written by hand.

std::string U16(uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

// Bit fields without gaps, the least significant bit first: the 2-bit symbols (four to a byte,
// low pair first) and the values by the bit rule.
std::string PackBits(const std::vector<uint32_t>& values, uint32_t bits) {
  std::string out((values.size() * bits + 7) / 8, '\0');
  size_t bit = 0;
  for (uint32_t v : values)
    for (uint32_t b = 0; b < bits; ++b, ++bit) out[bit / 8] = static_cast<char>(out[bit / 8] | (v >> b & 1) << (bit % 8));
  return out;
}

struct TChannel {
  std::vector<double> table;  // L + 2 entries
  std::vector<uint32_t> symbols;
  std::vector<uint32_t> values;
  uint32_t bits = 8;
};

std::string Header(uint32_t w, uint32_t h, uint32_t depth, uint32_t levels, const std::vector<TChannel>& channels) {
  std::string out = "XWL" + U16(w) + U16(h) + static_cast<char>(depth) + static_cast<char>(levels);
  auto field = [&](auto of) {
    for (size_t c = 0; c < 3; ++c) out += c < channels.size() ? of(channels[c]) : of(TChannel{});
  };
  field([](const TChannel& c) { return U32(static_cast<uint32_t>(c.symbols.size())); });
  field([](const TChannel& c) { return U32(static_cast<uint32_t>(c.values.size())); });
  field([](const TChannel& c) { return std::string(1, static_cast<char>(c.bits)); });
  return out;
}

std::string Stream(uint32_t w, uint32_t h, uint32_t depth, uint32_t levels, const std::vector<TChannel>& channels) {
  std::string out = Header(w, h, depth, levels, channels);
  for (const TChannel& c : channels)
    for (double entry : c.table) out += std::string(reinterpret_cast<const char*>(&entry), 8);  // little-endian hosts
  for (const TChannel& c : channels) out += PackBits(c.symbols, 2) + PackBits(c.values, c.bits);
  return out;
}

// A channel holding the coefficients one symbol each (0, 2 or 3), or with zero stretches as runs
// chosen by `rng` when one is given.
TChannel FromCoefficients(const std::vector<int32_t>& coefficients, std::vector<double> table, uint32_t bits = 8,
                          TRandom* rng = nullptr) {
  TChannel ch{std::move(table), {}, {}, bits};
  for (size_t i = 0; i < coefficients.size();) {
    const int32_t c = coefficients[i];
    if (c == 0 && rng) {
      size_t zeros = 0;
      while (i + zeros < coefficients.size() && coefficients[i + zeros] == 0) ++zeros;
      const size_t run = std::min<uint64_t>(uint64_t{4} << bits, 1 + (*rng)() % zeros);
      ch.symbols.insert(ch.symbols.end(), {1, static_cast<uint32_t>((run - 1) >> bits)});
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

// A grey stream of the coefficients with a step table of ones.
std::string GreyOnes(uint32_t w, uint32_t h, uint32_t levels, const std::vector<int32_t>& coefficients) {
  return Stream(w, h, 8, levels, {FromCoefficients(coefficients, std::vector<double>(levels + 2, 1.0))});
}

std::vector<uint32_t> Decode(const std::string& stream, TXwlHeader* header = nullptr) {
  return DecodeXwl(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), header);
}

uint32_t Grey(uint32_t l) { return l * 0x010101u; }
std::vector<uint32_t> Greys(const std::vector<uint32_t>& levels) {
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
  for (uint32_t x = 0; x < a; ++x)
    pass([&](uint32_t j) { return c[size_t{j} * W + x]; }, [&](uint32_t j, double v) { t[size_t{j} * W + x] = v; }, n);
  TPlane q = t;
  for (uint32_t y = 0; y < n; ++y)
    pass([&](uint32_t j) { return t[size_t{y} * W + j]; }, [&](uint32_t j, double v) { q[size_t{y} * W + j] = v; }, a);
  for (uint32_t y = 0; y < n; ++y)
    for (uint32_t x = 0; x < a; ++x) c[size_t{y} * W + x] = q[size_t{y} * W + x];
}

uint32_t ReferenceByte(double v) { return !(v > 0) ? 0 : v >= 255 ? 255 : static_cast<uint32_t>(std::nearbyint(v)); }

std::vector<uint32_t> Reference(uint32_t W, uint32_t H, uint32_t depth, uint32_t L,
                                const std::vector<std::vector<int32_t>>& coefficients,
                                const std::vector<std::vector<double>>& tables) {
  std::vector<TPlane> planes;
  for (size_t c = 0; c < coefficients.size(); ++c) {
    TPlane p(size_t{W} * H, 0.0);
    for (size_t i = 0; i < coefficients[c].size() && i < p.size(); ++i) p[i] = coefficients[c][i];
    auto scale = [&](uint32_t x1, uint32_t x2, uint32_t y1, uint32_t y2, double entry) {
      const double f = entry == 0 ? 0 : 1 / entry;
      for (uint32_t y = y1; y < y2; ++y)
        for (uint32_t x = x1; x < x2; ++x) p[size_t{y} * W + x] *= f;
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
    if (depth == 8) pixels[i] = Grey(ReferenceByte(planes[0][i]));
    if (depth == 24) {
      const double y = planes[0][i], u = planes[1][i], v = planes[2][i];
      const double r = y + 1.140251 * v, b = y + 2.028398 * u, g = (y - 0.3 * r - 0.11 * b) * 1.694915;
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
INSTANTIATE_TEST_SUITE_P(Vectors, XwlBothPaths, ::testing::Values(true, false),
                         [](const auto& path) { return path.param ? "Avx2Allowed" : "Sse2Only"; });

// ---------------------------------------------------------------------------------------------
// Pictures worked out by hand from the format, one per rule (k = sqrt(1/2); a table of ones).

std::string With(std::string s, size_t at, const std::string& bytes) {
  s.replace(at, bytes.size(), bytes);
  return s;
}

TEST(XwlDecode, HandWorkedPictures) {
  // +100, then a run (symbol 1, symbol 3, value 5: 3 x 256 + 5 + 1 = 774 zeros), then +50; and
  // +100, then a run of 3 << 8 + 255 + 1 = 1024 zeros, and a symbol that is never reached.
  const TChannel run774{{1.0, 1.0}, {2, 1, 3, 2}, {100, 5, 50}}, runPast{{1.0, 1.0}, {2, 1, 3, 2}, {100, 255, 7}};
  std::vector<int32_t> plain774(800, 0);
  plain774[0] = 100;
  plain774[775] = 50;
  // Symbol counts (bytes 13, 17) and value widths (34, 35) of channels 2 and 3 of a grey stream.
  const std::string greyWithOthers = With(With(With(GreyOnes(2, 1, 0, {90, 30}), 13, "\x7F"), 17, "\x7F"), 34, std::string(2, '\0'));
  const struct {
    const char* what;
    std::string stream;
    std::vector<uint32_t> pixels;
  } cases[] = {
      {"run of symbol 3 and value 5 is 774 zeros", Stream(800, 1, 8, 0, {run774}), Reference(800, 1, 8, 0, {plain774}, {{1.0, 1.0}})},
      // One row high: the vertical pass runs pair 0 with hi from the same row, T = 2 k C; the
      // coefficients 100, 0, 0, 0 give 100, 100, 0, 0 (71, 71, 0, 0 without the doubling).
      {"run past the end stops at the picture", Stream(4, 1, 8, 0, {runPast}), Greys({100, 100, 0, 0})},
      {"one row high is doubled by sqrt 2", GreyOnes(4, 1, 0, {100, 60, 0, 0}), Greys({100, 100, 60, 60})},
      // Only the approximation is there: 80 spreads over the four pixels, (80 k) k = 40.
      {"an exhausted stream leaves zeros", GreyOnes(2, 2, 0, {80}), Greys({40, 40, 40, 40})},
      // Level 1's region is 2 x 1 (hn = 0): its row becomes [120, 80] and row 1 (40, 20, 0, 0)
      // survives; had level 1 written its row 1 back, both rows would be [60, 60, 40, 40]. The
      // same along the other axis.
      {"a one-row inner region", GreyOnes(4, 2, 1, {100, 20, 0, 0, 40, 20, 0, 0}), Greys({80, 80, 50, 50, 40, 40, 30, 30})},
      {"a one-column inner region", GreyOnes(2, 4, 1, {100, 40, 20, 20, 0, 0, 0, 0}), Greys({80, 40, 80, 40, 50, 30, 50, 30})},
      //   coefficients 60 0 14 / 0 0 0 / 20 0 15: row 2 and column 2 have no pair and keep
      //   their values through that pass.
      {"an odd row and column", GreyOnes(3, 3, 0, {60, 0, 14, 0, 0, 0, 20, 0, 15}), Greys({30, 30, 10, 30, 30, 10, 14, 14, 15})},
      // [(T0 + T1) k, (T0 - T1) k] = 90 + 30 and 90 - 30; clamped above 255 (an entry of 0.5
      // doubles).
      {"grey ignores the other channels' fields", greyWithOthers, Greys({120, 60})},
      {"grey clamped above", Stream(2, 1, 8, 0, {FromCoefficients({200, 20}, {0.5, 1.0})}), Greys({255, 255})},
      // Each channel is 4 k^2 c. Y 100, U 10, V -20: R = 100 - 22.805 = 77, B = 100 + 20.284 =
      // 120, G = (100 - 0.3 R - 0.11 B) x 1.694915 = 107.81 = 108.
      {"colour", Stream(1, 1, 24, 0, {FromCoefficients({50}, {1, 1}), FromCoefficients({5}, {1, 1}), FromCoefficients({-10}, {1, 1})}),
       {0x004D6C78u}}, {"values of 1 bit", Stream(2, 2, 8, 0, {FromCoefficients({1, -1, 0, 1}, {0.01, 1}, 1)}),
       Reference(2, 2, 8, 0, {{1, -1, 0, 1}}, {{0.01, 1}})},
      // Nothing after the header is read.
      {"depth 0 is black", Header(3, 2, 0, 0, {}), std::vector<uint32_t>(6, 0)},
      {"zero wide", GreyOnes(0, 5, 0, {}), {}}, {"zero high, unknown depth", Header(7, 0, 0, 0, {}), {}}, };
  for (const auto& c : cases) EXPECT_EQ(Decode(c.stream), c.pixels) << c.what;
}

// The edge rule on a single line of coefficients (grey, table of ones), decoded once as a row
// (W x 1) and once as a column (1 x H): the pass across the line only doubles by sqrt(2), so
// both give the same pixels.
struct TEdgeCase {
  const char* what;
  std::vector<int32_t> line;
  std::vector<uint32_t> expected;  // grey levels
};

const TEdgeCase kEdgeCases[] = {
    // ha = 3, pair 1 is interior (first and last): its detail is 0 and so are its neighbours'.
    // even: 0.8 x 200 + 0.2 x 100 = 180; odd: 0.8 x 200 + 0.2 x 50 = 170.
    {"both halves move", {100, 200, 50, 0, 0, 0}, {100, 100, 180, 170, 50, 50}},
    // Pair 0 has a detail of 4: pair 1's even half keeps lo (200); pair 0 is 104 and 96.
    {"a neighbour's detail stops one half", {100, 200, 50, 4, 0, 0}, {104, 96, 200, 170, 50, 50}},
    // ha = 5: pair 1's after (120) starts a flat stretch (120, 120): its even half stays 200;
    // its odd half moves towards 120: 184. Pair 2's even half: after equals lo, so 120.
    {"a flat stretch after", {100, 200, 120, 120, 60, 0, 0, 0, 0, 0}, {100, 100, 200, 184, 120, 120, 120, 120, 60, 60}},
    // Pair 2's before (100) follows an equal value (100): its odd half stays 200; its even half
    // moves towards 100: 180. Pair 3 is the last interior pair: 0.8 x 50 + 0.2 x 200 = 80 and
    // 0.8 x 50 + 0.2 x 30 = 46.
    {"a flat stretch before", {100, 100, 200, 50, 30, 0, 0, 0, 0, 0}, {100, 100, 100, 100, 180, 200, 80, 46, 30, 30}},
    // A non-zero detail in the pair itself: the plain rule, 150 +- 10.
    {"a detail of its own", {100, 150, 50, 0, 10, 0}, {100, 100, 160, 140, 50, 50}}, };

TEST_P(XwlBothPaths, InteriorPairEdgeRule) {
  for (const TEdgeCase& c : kEdgeCases) {
    const auto n = static_cast<uint32_t>(c.line.size());
    EXPECT_EQ(Decode(GreyOnes(n, 1, 0, c.line)), Greys(c.expected)) << c.what;
    EXPECT_EQ(Decode(GreyOnes(1, n, 0, c.line)), Greys(c.expected)) << c.what;
  }
}

TEST(XwlDecode, RoundsHalfToEven) {
  // A 1 x 1 picture is 4 k^2 c f: search the table entries from just below 4 k^2 / target upwards
  // for one whose factor makes the value exactly the target.
  auto value = [](double entry) {
    const double f = 1 / entry, t = (f + f) * kK;
    return (t + t) * kK;
  };
  for (const auto& [target, expected] : {std::pair{0.5, 0u}, {1.5, 2u}, {2.5, 2u}, {100.5, 100u}, {101.5, 102u}}) {
    double entry = std::nextafter(4 * kK * kK / target, 0.0);
    for (int i = 0; i < 4000 && value(entry) != target; ++i) entry = std::nextafter(entry, 10.0);
    ASSERT_EQ(value(entry), target);
    EXPECT_EQ(Decode(Stream(1, 1, 8, 0, {FromCoefficients({1}, {entry, 1.0})})), Greys({expected})) << target;
  }
}

// Random streams against the plain procedure: sizes 1 to 40 (odd and even), level numbers up to
// 16 (more than the halvings), coefficients from a small set so that equal neighbours and zero
// details are common, tables with zero entries and strange doubles (infinite, NaN, denormal,
// negative, huge: whatever they are, the pixels are those of the plain procedure, NaN black),
// value widths of 8 to 31 bits, runs of every length, and streams that end early.
TEST_P(XwlBothPaths, RandomStreamsMatchTheReference) {
  TRandom rng(20261207);
  const int32_t choices[] = {0, 0, 0, 0, 0, 0, 1, -1, 2, 5, -17, 100, 255, -255};
  const double entries[] = {1.0, 0.5, 0.25, 2.0, 0.0, 1.0 / 3, 0.1, 0.05, 1.0, 0.5, 0.25, 2.0,
                            std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                            1e-310, -1, -0.0, 1e300};
  const uint32_t widths[] = {8, 8, 9, 12, 31};
  for (int round = 0; round < 300; ++round) {
    const uint32_t w = 1 + rng() % 40, h = 1 + rng() % 40;
    const uint32_t depth = rng() % 2 ? 8 : 24, levels = rng() % 17;
    const uint32_t bits = widths[rng() % std::size(widths)];
    std::vector<std::vector<int32_t>> planes;
    std::vector<std::vector<double>> tables;
    std::vector<TChannel> channels;
    for (uint32_t c = 0; c < (depth == 8 ? 1u : 3u); ++c) {
      std::vector<int32_t> plane(size_t{w} * h);
      for (int32_t& v : plane) v = choices[rng() % std::size(choices)];
      // A stream that ends early: what it does not reach is zero.
      if (rng() % 4 == 0) std::fill(plane.begin() + rng() % (plane.size() + 1), plane.end(), 0);
      std::vector<double> table(levels + 2);
      for (double& e : table) e = entries[rng() % std::size(entries)];
      const bool runs = rng() % 2 == 0;
      TChannel ch = FromCoefficients(plane, table, bits, runs ? &rng : nullptr);
      // Without runs every symbol 0 is a zero of its own: drop trailing ones now and then.
      while (!runs && rng() % 2 && !ch.symbols.empty() && ch.symbols.back() == 0) ch.symbols.pop_back();
      planes.push_back(std::move(plane));
      tables.push_back(std::move(table));
      channels.push_back(std::move(ch));
    }
    ASSERT_EQ(Decode(Stream(w, h, depth, levels, channels)), Reference(w, h, depth, levels, planes, tables))
        << w << " x " << h << " depth " << depth << " levels " << levels << " bits " << bits;
  }
}

// ---------------------------------------------------------------------------------------------
// Damaged streams: each must raise TBookDamaged naming what is wrong.

TEST(XwlDecode, DamagedStreamsAreRefused) {
  // 4 x 2 with one level; grey: 36 header + 24 table + 2 symbols + 4 values; colour: 36 + 48
  // tables + (2 + 4) + (1 + 2) + (2 + 1).
  const std::string grey = GreyOnes(4, 2, 1, {40, 0, 3, 0, 0, -2, 0, 1});
  const std::string colour = Stream(4, 2, 24, 0, {FromCoefficients({40, 0, 3, 0, 0, -2, 0, 1}, {1, 1}),
                                                  FromCoefficients({1, 2}, {1, 1}), FromCoefficients({0, 0, 0, 0, 0, 0, 0, 5}, {1, 1})});
  ASSERT_EQ(std::vector<size_t>({grey.size(), colour.size(), Decode(grey).size(), Decode(colour).size()}),
            std::vector<size_t>({66, 96, 8, 8}));
  const TChannel endsInRun{{1, 1, 1}, {2, 0, 1}, {9, 3}};  // +v, 0, then a run symbol with no symbol after it
  const struct {
    const char* what;
    std::string stream;
    const char* message;  // a part of the error message
  } cases[] = {
      {"another tag", With(grey, 0, "XWM"), "does not begin with \"XWL\""},
      {"level number (byte 8) above 16", With(grey, 8, "\x11"), "level number 17 is above 16"},
      {"too wide (bytes 3-4)", With(grey, 3, U16(16385)), "16385 x 2 pixels is larger"},
      {"values of 0 bits (byte 33)", With(grey, 33, std::string(1, '\0')), "value width of channel 1 is 0"},
      {"step table cut", grey.substr(0, 36 + 23), "step table of channel 1 needs 24 bytes but only 23"},
      {"symbols (bytes 9-12) beyond the data", With(grey, 9, U32(400)), "symbols of channel 1 need 100 bytes but only 6"},
      {"symbol count at its largest", With(grey, 9, U32(0xFFFFFFFF)), "symbols of channel 1 need 1073741824 bytes"},
      {"value count at its largest", With(With(grey, 21, U32(0xFFFFFFFF)), 33, "\x1F"), "values of channel 1 need 16642998269 bytes"},
      {"symbols use more values than counted", With(grey, 21, U32(3)), "symbols of channel 1 use more than its 3 values"},
      {"a run without its second symbol", Stream(4, 2, 8, 1, {endsInRun}), "symbols of channel 1 end inside a run"},
      {"third channel's values cut", colour.substr(0, colour.size() - 1), "values of channel 3 need 1 bytes but only 0"},
      {"second channel's width", With(colour, 34, "\xFF"), "value width of channel 2 is 255"}, };
  for (const auto& c : cases) {
    try {
      Decode(c.stream);
      ADD_FAILURE() << c.what << ": decoded";
    } catch (const TBookDamaged& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("the XWL stream", 0), 0u) << e.what();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The encoder.

// A photograph-like picture: smooth gradients, a disc with a sharp edge, a texture and noise.
std::vector<uint32_t> Photograph(uint32_t w, uint32_t h, bool colour) {
  std::vector<uint32_t> pixels(size_t{w} * h);
  TRandom rng(12345);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      const double fx = w > 1 ? double(x) / (w - 1) : 0, fy = h > 1 ? double(y) / (h - 1) : 0;
      const bool disc = (fx - 0.45) * (fx - 0.45) + (fy - 0.4) * (fy - 0.4) < 0.06;
      const double shade = 12 * std::sin(x * 0.9) * std::sin(y * 0.7) + double(rng() % 9) - 4.0;
      auto c = [&](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v + shade, 0.0, 255.0))); };
      const uint32_t r = c(disc ? 220 - 60 * fy : 40 + 150 * fx), g = c(disc ? 180 : 60 + 120 * fy), b = c(180 - 100 * fx * fy);
      pixels[size_t{y} * w + x] = colour ? r << 16 | g << 8 | b : Grey(c(0.3 * r + 0.59 * g + 0.11 * b - shade));
    }
  }
  return pixels;
}

double Psnr(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  EXPECT_EQ(a.size(), b.size());
  double sum = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8) sum += std::pow(double((a[i] >> shift) & 0xFF) - double((b[i] >> shift) & 0xFF), 2);
  const double mse = sum / (3.0 * static_cast<double>(a.size()));
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// A photograph round trip of every shape, on both paths (wider pictures than the random streams):
// the default quality keeps it above 34 dB and, for pictures of some size, smaller than its
// pixels; a level number is written as asked.
TEST_P(XwlBothPaths, PhotographsComeBackAbove34Decibels) {
  const struct {
    uint32_t w, h;
    int levels;  // -1: the encoder's choice
  } cases[] = {{388, 575, -1}, {575, 388, -1}, {201, 99, -1}, {1, 1, -1}, {1, 2, -1}, {2, 1, -1},
               {57, 1, -1},    {3, 3, -1},     {17, 31, -1},  {65, 33, -1}, {1, 300, -1}, {45, 30, 0},
               {45, 30, 1},    {45, 30, 16}};
  for (bool colour : {false, true}) {
    for (const auto& c : cases) {
      const TXwlOptions options{.colour = colour, .levels = c.levels};
      const auto pixels = Photograph(c.w, c.h, colour);
      const std::string stream = EncodeXwl(pixels.data(), c.w, c.h, options);
      TXwlHeader header;
      const std::vector<uint32_t> out = Decode(stream, &header);
      const std::string what = std::to_string(c.w) + " x " + std::to_string(c.h) + (colour ? " colour" : " grey");
      EXPECT_EQ(std::vector<int>({header.depth, header.levels}), std::vector<int>({colour ? 24 : 8, c.levels >= 0 ? c.levels : header.levels})) << what;
      EXPECT_GE(Psnr(pixels, out), 34.0) << what;
      EXPECT_TRUE(c.w * c.h < 10000 || stream.size() < size_t{c.w} * c.h * (colour ? 3 : 1)) << what;
    }
  }
}

TEST(XwlEncode, QualityTradesSizeForFidelity) {
  const auto pixels = Photograph(160, 120, true);
  std::pair<double, size_t> last{0, 0};  // PSNR and bytes
  for (int quality : {1, 25, 50, 75, 90, 100}) {
    const std::string stream = EncodeXwl(pixels.data(), 160, 120, {.quality = quality});
    const std::pair<double, size_t> now{Psnr(pixels, Decode(stream)), stream.size()};
    EXPECT_TRUE(now.first > last.first - 0.01 && now.second > last.second) << quality;
    last = now;
  }
  EXPECT_GT(last.first, 40.0);
}

// Flat pictures of even sizes come back exactly (every detail is zero and the approximation fits
// its 255 steps); options out of range are refused; an empty picture is written.
TEST(XwlEncode, FlatPicturesBadOptionsAndAnEmptyPicture) {
  for (uint32_t colour : {0x000000u, 0xFFFFFFu, 0x808080u, 0x3060C0u}) {
    const std::vector<uint32_t> pixels(32 * 16, colour), grey(32 * 16, Grey(colour & 0xFF));
    EXPECT_EQ(Decode(EncodeXwl(pixels.data(), 32, 16, {.colour = true})), pixels) << std::hex << colour;
    EXPECT_EQ(Decode(EncodeXwl(grey.data(), 32, 16, {.colour = false})), grey) << std::hex << colour;
  }
  const uint32_t pixel = 0;
  for (auto [quality, levels, width] : {std::tuple{0, -1, 1u}, {101, -1, 1u}, {50, 17, 1u}, {50, -1, 16385u}}) {
    EXPECT_THROW(EncodeXwl(&pixel, width, 1, {.quality = quality, .levels = levels}), std::invalid_argument) << quality;
  }
  TXwlHeader header;
  EXPECT_TRUE(Decode(EncodeXwl(nullptr, 0, 0, TXwlOptions{}), &header).empty());
  EXPECT_EQ(header.depth, 24);
}

}  // namespace
}  // namespace folivar
