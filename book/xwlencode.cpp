#include "book/xwlencode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "book/putbytes.h"

namespace folivar {

namespace {

constexpr double kK = 0.7071067811865476;  // sqrt(1/2), the decoder's constant
constexpr uint32_t kMaxLevel = 16;
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixelBytes = uint64_t{256} << 20;

// Steps relative to the base step of the quality: the two finest detail levels are quantised
// more coarsely, where the eye forgives most; bands of fewer than 1024 coefficients (small
// pictures, coarse levels: they cost little) take half the base step.
constexpr double kFinest = 1.25, kSecond = 1.1, kSmall = 0.5;
constexpr size_t kSmallBand = 1024;

using TPlane = std::vector<double>;

// The decoder's pair step is even = (lo + hi) k, odd = (lo - hi) k; its inverse is
// lo = (even + odd) k, hi = (even - odd) k, because 2 k^2 = 1. A line of one value is doubled by
// sqrt(2) in the decoder, so it is stored times k. An odd line's last value has no pair and is
// stored as it is, at the end of the detail half.
void ForwardLine(const double* in, double* out, size_t outStride, uint32_t length) {
  const uint32_t half = length / 2;
  if (half == 0) {
    out[0] = in[0] * kK;
    return;
  }
  for (uint32_t i = 0; i < half; ++i) {
    const double even = in[2 * i], odd = in[2 * i + 1];
    out[i * outStride] = (even + odd) * kK;
    out[(half + i) * outStride] = (even - odd) * kK;
  }
  if (length & 1) out[(length - 1) * outStride] = in[length - 1];
}

// The inverse of the decoder's level procedure, finest level first: each level undoes the
// horizontal pass, then the vertical pass, of its a x n region.
void ForwardTransform(TPlane& plane, uint32_t w, uint32_t h, uint32_t levels) {
  std::vector<double> line(std::max(w, h));
  for (uint32_t level = 0; level <= levels; ++level) {
    const uint32_t a = w >> level, n = h >> level;
    if (a == 0 || n == 0) break;
    for (uint32_t y = 0; y < n; ++y) {
      double* row = &plane[size_t{y} * w];
      ForwardLine(row, line.data(), 1, a);
      std::copy(line.begin(), line.begin() + a, row);
    }
    for (uint32_t x = 0; x < a; ++x) {
      for (uint32_t y = 0; y < n; ++y) line[y] = plane[size_t{y} * w + x];
      ForwardLine(line.data(), &plane[x], w, n);
    }
  }
}

// The bands in the decoder's order: the detail band of each level, then the approximation. A band
// is at most two rectangles.
struct TRect {
  uint32_t x1, x2, y1, y2;
};

std::vector<std::vector<TRect>> Bands(uint32_t w, uint32_t h, uint32_t levels) {
  std::vector<std::vector<TRect>> bands;
  for (uint32_t i = 0; i <= levels; ++i) {
    bands.push_back({{w >> (i + 1), w >> i, 0, h >> (i + 1)}, {0, w >> i, h >> (i + 1), h >> i}});
  }
  bands.push_back({{0, w >> (levels + 1), 0, h >> (levels + 1)}});
  return bands;
}

// How much the decoder magnifies an error in the band of each level (and, last, in the
// approximation). Its pair steps keep sizes, except that a region one row high or one column
// wide is doubled by sqrt(2) in that pass; that happens to everything in the region, so to the
// bands of its level and of all levels above.
std::vector<double> BandGains(uint32_t w, uint32_t h, uint32_t levels) {
  std::vector<double> gains;
  double gain = 1;
  for (uint32_t i = 0; i <= levels; ++i) {
    if ((w >> i) == 1) gain *= std::sqrt(2.0);
    if ((h >> i) == 1) gain *= std::sqrt(2.0);
    gains.push_back(gain);
  }
  gains.push_back(gain);
  return gains;
}

// Quantises the plane in place to integers of magnitude at most 255 and returns the step table.
// Each entry is the reciprocal of its band's step, since the decoder multiplies by 1 / entry. A
// band whose values would not fit in 255 steps gets a coarser step.
std::vector<double> Quantise(TPlane& plane, uint32_t w, uint32_t h, uint32_t levels, double step) {
  const auto bands = Bands(w, h, levels);
  const auto gains = BandGains(w, h, levels);
  std::vector<double> table;
  for (size_t b = 0; b < bands.size(); ++b) {
    double nominal = step * (b == 0 ? kFinest : b == 1 ? kSecond : 1.0);
    size_t count = 0;
    double largest = 0;
    for (const TRect& r : bands[b]) {
      for (uint32_t y = r.y1; y < r.y2; ++y) {
        for (uint32_t x = r.x1; x < r.x2; ++x) {
          largest = std::max(largest, std::fabs(plane[size_t{y} * w + x]));
          ++count;
        }
      }
    }
    if (count < kSmallBand) nominal = std::min(nominal, step * kSmall);
    double bandStep = std::max(nominal / gains[b], largest / 255.0);
    // The approximation carries the picture's mean colours; it takes the finest step that fits.
    if (b + 1 == bands.size() && largest > 0) bandStep = largest / 255.0;
    const double entry = 1.0 / bandStep;
    const double f = 1.0 / entry;  // what the decoder multiplies by
    table.push_back(entry);
    for (const TRect& r : bands[b]) {
      for (uint32_t y = r.y1; y < r.y2; ++y) {
        for (uint32_t x = r.x1; x < r.x2; ++x) {
          double& c = plane[size_t{y} * w + x];
          c = std::clamp(std::nearbyint(c / f), -255.0, 255.0);
        }
      }
    }
  }
  return table;
}

// 2-bit symbols and values of one channel.
struct TChannelCode {
  std::vector<uint8_t> symbols;
  std::vector<uint32_t> values;
  uint32_t bits = 1;

  size_t Bytes() const { return (symbols.size() + 3) / 4 + (values.size() * bits + 7) / 8; }
};

// Symbol 0 is a zero, 2 and 3 a value with its sign, 1 a run of zeros whose length less one is
// the following symbol shifted left by the value width, plus the next value.
TChannelCode Code(const TPlane& plane, uint32_t bits) {
  TChannelCode code;
  code.bits = bits;
  const uint64_t longest = uint64_t{4} << bits;  // (3 << bits) + (2^bits - 1) + 1
  // A run costs two symbols and a value; shorter stretches are cheaper as single zeros.
  const size_t shortest = 3 + bits / 2;
  auto zeros = [&](size_t count) {
    while (count >= shortest) {
      const uint64_t run = std::min<uint64_t>(count, longest);
      code.symbols.push_back(1);
      code.symbols.push_back(static_cast<uint8_t>((run - 1) >> bits));
      code.values.push_back(static_cast<uint32_t>((run - 1) & ((uint64_t{1} << bits) - 1)));
      count -= static_cast<size_t>(run);
    }
    code.symbols.insert(code.symbols.end(), count, 0);
  };
  size_t pending = 0;
  for (double c : plane) {
    if (c == 0) {
      ++pending;
      continue;
    }
    zeros(pending);
    pending = 0;
    code.symbols.push_back(c > 0 ? 2 : 3);
    code.values.push_back(static_cast<uint32_t>(std::fabs(c)));
  }
  zeros(pending);
  return code;
}

// The smallest coding of the channel over the value widths that hold its largest magnitude.
TChannelCode BestCode(const TPlane& plane) {
  double largest = 0;
  for (double c : plane) largest = std::max(largest, std::fabs(c));
  uint32_t bits = 1;
  while (bits < 8 && largest >= static_cast<double>(1u << bits)) ++bits;
  TChannelCode best = Code(plane, bits);
  for (uint32_t b = bits + 1; b <= 8; ++b) {
    TChannelCode code = Code(plane, b);
    if (code.Bytes() < best.Bytes()) best = std::move(code);
  }
  return best;
}

void PutDouble(std::string& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

// The symbols four to a byte, low pair first; then the values by the bit rule, least
// significant bit first.
void PutChannel(std::string& out, const TChannelCode& code) {
  for (size_t i = 0; i < code.symbols.size(); i += 4) {
    uint32_t byte = 0;
    for (size_t j = 0; j < 4 && i + j < code.symbols.size(); ++j) {
      byte |= uint32_t{code.symbols[i + j]} << (2 * j);
    }
    out += static_cast<char>(byte);
  }
  uint64_t buffer = 0;
  uint32_t held = 0;
  for (uint32_t v : code.values) {
    buffer |= uint64_t{v} << held;
    held += code.bits;
    while (held >= 8) {
      out += static_cast<char>(buffer & 0xFF);
      buffer >>= 8;
      held -= 8;
    }
  }
  if (held > 0) out += static_cast<char>(buffer & 0xFF);
}

// Halvings until the approximation is a few pixels on the picture's short side.
uint32_t DefaultLevels(uint32_t w, uint32_t h) {
  uint32_t side = std::min(w, h), log2 = 0;
  while (side > 1) {
    side >>= 1;
    ++log2;
  }
  return std::min(log2 > 2 ? log2 - 2 : 0, kMaxLevel);
}

}  // namespace

std::string EncodeXwl(const uint32_t* pixels, uint32_t width, uint32_t height,
                      const TXwlOptions& options) {
  if (options.quality < 1 || options.quality > 100) {
    throw std::invalid_argument("the XWL quality must be 1 to 100");
  }
  if (options.levels < -1 || options.levels > static_cast<int>(kMaxLevel)) {
    throw std::invalid_argument("the XWL level number must be 0 to 16, or -1");
  }
  if (width > kMaxSide || height > kMaxSide || uint64_t{width} * height * 4 > kMaxPixelBytes) {
    throw std::invalid_argument("the picture is too large for an XWL stream");
  }
  const uint32_t levels =
      options.levels >= 0 ? static_cast<uint32_t>(options.levels) : DefaultLevels(width, height);
  const size_t total = size_t{width} * height;
  const size_t channels = options.colour ? 3 : 1;

  // Luma Y = 0.3 R + 0.59 G + 0.11 B and the differences the decoder scales back:
  // R = Y + 1.140251 V, B = Y + 2.028398 U, G = (Y - 0.3 R - 0.11 B) / 0.59.
  std::vector<TPlane> planes(channels, TPlane(total));
  for (size_t i = 0; i < total; ++i) {
    const double r = (pixels[i] >> 16) & 0xFF, g = (pixels[i] >> 8) & 0xFF, b = pixels[i] & 0xFF;
    const double y = 0.3 * r + 0.59 * g + 0.11 * b;
    planes[0][i] = y;
    if (channels == 3) {
      planes[1][i] = (b - y) / 2.028398;
      planes[2][i] = (r - y) / 1.140251;
    }
  }

  // Quality 75 quantises with steps of 8; every 12.5 more halves the step.
  const double step = 8 * std::exp2((75 - options.quality) / 12.5);
  std::vector<std::vector<double>> tables;
  std::vector<TChannelCode> codes;
  for (size_t c = 0; c < channels; ++c) {
    ForwardTransform(planes[c], width, height, levels);
    tables.push_back(Quantise(planes[c], width, height, levels, step));
    codes.push_back(BestCode(planes[c]));
  }

  std::string out = "XWL";
  PutU16(out, width);
  PutU16(out, height);
  out += static_cast<char>(channels == 3 ? 24 : 8);
  out += static_cast<char>(levels);
  for (size_t c = 0; c < 3; ++c) {
    PutU32(out, c < channels ? static_cast<uint32_t>(codes[c].symbols.size()) : 0);
  }
  for (size_t c = 0; c < 3; ++c) {
    PutU32(out, c < channels ? static_cast<uint32_t>(codes[c].values.size()) : 0);
  }
  for (size_t c = 0; c < 3; ++c) out += static_cast<char>(c < channels ? codes[c].bits : 8);
  for (const auto& table : tables) {
    for (double entry : table) PutDouble(out, entry);
  }
  for (const auto& code : codes) PutChannel(out, code);
  return out;
}

}  // namespace folivar
