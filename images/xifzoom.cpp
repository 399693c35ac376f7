#include "images/xifzoom.h"

#include <cmath>
#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/strutil.h"
#include "images/rgbpack.h"
#include "images/xif3.h"

namespace folivar {

namespace {

constexpr double kK = 0.7071067811865476;  // sqrt(1/2)

// A bounded cursor over the stream.
class TXwlCursor {
 public:
  TXwlCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Left() const { return size_ - at_; }
  void Need(uint64_t n, const std::string& what) const {
    if (n > Left()) {
      throw TBookDamaged("the XWL stream's " + what + " need " + IntToText(static_cast<int64_t>(n)) +
                         " bytes but only " + IntToText(static_cast<int64_t>(Left())) + " are left");
    }
  }
  const uint8_t* Take(size_t n, const std::string& what) {
    Need(n, what);
    const uint8_t* p = data_ + at_;
    at_ += n;
    return p;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

uint32_t U16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

TXwlHeader ReadHeader(TXwlCursor& in) {
  const uint8_t* h = in.Take(kXwlHeaderSize, "header");
  if (std::memcmp(h, "XWL", 3) != 0) throw TBookDamaged("the XWL stream does not begin with XWL");
  TXwlHeader header;
  header.width = static_cast<uint16_t>(U16(h + 3));
  header.height = static_cast<uint16_t>(U16(h + 5));
  header.depth = h[7];
  header.levels = h[8];
  for (int c = 0; c < 3; ++c) {
    header.symbolCount[c] = U32(h + 9 + 4 * c);
    header.valueCount[c] = U32(h + 21 + 4 * c);
    header.valueBits[c] = h[33 + c];
  }
  if (header.levels > kXwlMaxLevel) {
    throw TBookDamaged("the XWL stream has " + IntToText(header.levels) + " levels, more than " +
                       IntToText(kXwlMaxLevel));
  }
  CheckPictureSize(header.width, header.height, "an XWL picture");
  return header;
}

// Reads one channel's symbols and values and expands them into coefficients, row by row.
void ExpandChannel(TXwlCursor& in, const TXwlHeader& header, int c, std::vector<double>& plane) {
  const std::string name = "channel " + IntToText(c + 1);
  const uint32_t symbols = header.symbolCount[c];
  const uint32_t count = header.valueCount[c];
  const uint32_t bits = header.valueBits[c];
  if (bits < 1 || bits > 31) {
    throw TBookDamaged("the XWL stream's " + name + " has values of " + IntToText(bits) + " bits");
  }
  const uint8_t* symbolBytes = in.Take((uint64_t{symbols} + 3) / 4, "symbols of " + name);
  std::vector<uint32_t> values;
  const uint64_t valueBytes = bits == 8 ? count : (uint64_t{count} * bits + 7) / 8;
  in.Need(valueBytes, "values of " + name);
  values.resize(count);
  const uint8_t* valueData = in.Take(static_cast<size_t>(valueBytes), "values of " + name);
  if (bits == 8) {
    for (uint32_t i = 0; i < count; ++i) values[i] = valueData[i];
  } else {
    UnpackBits(std::string_view(reinterpret_cast<const char*>(valueData), static_cast<size_t>(valueBytes)),
               count, bits, values.data());
  }

  const size_t total = size_t{header.width} * header.height;
  size_t d = 0, v = 0;
  auto symbol = [&](uint32_t i) { return (symbolBytes[i >> 2] >> (2 * (i & 3))) & 3u; };
  auto next = [&]() -> double { return v < values.size() ? values[v++] : 0.0; };
  for (uint32_t i = 0; i < symbols && d < total; ++i) {
    switch (symbol(i)) {
      case 0: plane[d++] = 0; break;
      case 1: {
        if (++i >= symbols) return;
        const uint64_t run = (uint64_t{symbol(i)} << bits) + static_cast<uint64_t>(next()) + 1;
        const size_t end = static_cast<size_t>(std::min<uint64_t>(total, d + run));
        std::fill(plane.begin() + static_cast<std::ptrdiff_t>(d), plane.begin() + static_cast<std::ptrdiff_t>(end), 0.0);
        d = end;
        break;
      }
      case 2: plane[d++] = next(); break;
      default: plane[d++] = -next(); break;
    }
  }
}

void Scale(std::vector<double>& plane, uint32_t w, uint32_t x1, uint32_t x2, uint32_t y1, uint32_t y2,
           double f) {
  for (uint32_t y = y1; y < y2; ++y) {
    double* row = &plane[size_t{y} * w];
    for (uint32_t x = x1; x < x2; ++x) row[x] *= f;
  }
}

void Dequantise(std::vector<double>& plane, uint32_t w, uint32_t h, int levels, const double* table) {
  for (int i = 0; i <= levels; ++i) {
    const double f = table[i] == 0 ? 0 : 1 / table[i];
    const uint32_t rows = h >> i, cols = w >> i;
    const uint32_t halfRows = h >> (i + 1), halfCols = w >> (i + 1);
    Scale(plane, w, halfCols, cols, 0, halfRows, f);
    Scale(plane, w, 0, cols, halfRows, rows, f);
  }
  const double f = table[levels + 1] == 0 ? 0 : 1 / table[levels + 1];
  Scale(plane, w, 0, w >> (levels + 1), 0, h >> (levels + 1), f);
}

// One inverse step along a line of a region: `at(j)` reads the input coefficient j of the line
// (lo half then hi half), `put(j, value)` writes output j. half is the number of pairs (the line
// is `length` long); a line of one coefficient still runs pair 0 with hi read from the same place.
template <typename Get, typename Put>
void InverseLine(uint32_t length, Get at, Put put) {
  if (length == 0) return;
  const uint32_t half = length / 2;
  const uint32_t pairs = half > 0 ? half : 1;
  for (uint32_t w = 0; w < pairs; ++w) {
    const double lo = at(w), hi = at(w + half);
    double even = (lo + hi) * kK, odd = (lo - hi) * kK;
    if (hi == 0 && w >= 1 && half >= 3 && w <= half - 2) {
      const double before = at(w - 1), after = at(w + 1);
      even = (at(w - 1 + half) == 0 && after != lo && (w == half - 2 || after != at(w + 2)))
                 ? (0.8 * lo + 0.2 * before) * kK
                 : lo * kK;
      odd = (at(w + 1 + half) == 0 && before != lo && (w == 1 || before != at(w - 2)))
                ? (0.8 * lo + 0.2 * after) * kK
                : lo * kK;
    }
    put(2 * w, even);
    if (2 * w + 1 < length) put(2 * w + 1, odd);
  }
}

// The level procedure on the top-left a x n region of C (stride w), writing back into C.
// T and Q are temporaries of the plane's size; a row or column left without a pair (odd sizes)
// passes through unchanged.
void Level(std::vector<double>& c, std::vector<double>& t, std::vector<double>& q, uint32_t w,
           uint32_t a, uint32_t n, int b) {
  if (b > 0) Level(c, t, q, w, a / 2, n / 2, b - 1);
  if (a == 0 || n == 0) return;
  for (uint32_t y = 0; y < n; ++y) std::memcpy(&t[size_t{y} * w], &c[size_t{y} * w], a * sizeof(double));
  for (uint32_t x = 0; x < a; ++x) {
    InverseLine(n, [&](uint32_t j) { return c[size_t{j} * w + x]; },
                [&](uint32_t j, double value) { t[size_t{j} * w + x] = value; });
  }
  for (uint32_t y = 0; y < n; ++y) {
    const double* in = &t[size_t{y} * w];
    double* out = &q[size_t{y} * w];
    std::memcpy(out, in, a * sizeof(double));
    InverseLine(a, [&](uint32_t j) { return in[j]; }, [&](uint32_t j, double value) { out[j] = value; });
  }
  for (uint32_t y = 0; y < n; ++y) std::memcpy(&c[size_t{y} * w], &q[size_t{y} * w], a * sizeof(double));
}

uint32_t ToByte(double v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<uint32_t>(std::nearbyint(v));
}


}  // namespace

TXwlHeader ReadXwlHeader(const uint8_t* data, size_t size) {
  TXwlCursor in(data, size);
  const uint8_t* h = in.Take(kXwlHeaderSize, "header");
  if (std::memcmp(h, "XWL", 3) != 0) throw TBookDamaged("the XWL stream does not begin with XWL");
  TXwlCursor again(data, size);
  return ReadHeader(again);
}

std::vector<uint32_t> DecodeXwl(const uint8_t* data, size_t size, TXwlHeader* headerOut) {
  TXwlCursor in(data, size);
  const TXwlHeader header = ReadHeader(in);
  if (headerOut) *headerOut = header;
  const uint32_t w = header.width, h = header.height;
  const size_t total = size_t{w} * h;
  std::vector<uint32_t> pixels(total, 0);
  const int channels = header.depth == 8 ? 1 : header.depth == 24 ? 3 : 0;
  if (channels == 0 || total == 0) return pixels;

  const int levels = header.levels;
  std::vector<double> tables(static_cast<size_t>(channels) * (levels + 2));
  const uint8_t* raw = in.Take(tables.size() * 8, "step tables");
  for (size_t i = 0; i < tables.size(); ++i) {
    uint64_t bitsOf = 0;
    for (int b = 0; b < 8; ++b) bitsOf |= uint64_t{raw[8 * i + b]} << (8 * b);
    std::memcpy(&tables[i], &bitsOf, 8);
    if (!std::isfinite(tables[i])) tables[i] = 0;
  }

  std::vector<std::vector<double>> planes(static_cast<size_t>(channels), std::vector<double>(total, 0.0));
  std::vector<double> t(total), q(total);
  for (int c = 0; c < channels; ++c) {
    ExpandChannel(in, header, c, planes[c]);
  }
  for (int c = 0; c < channels; ++c) {
    Dequantise(planes[c], w, h, levels, &tables[static_cast<size_t>(c) * (levels + 2)]);
    Level(planes[c], t, q, w, w, h, levels);
  }

  if (channels == 1) {
    for (size_t i = 0; i < total; ++i) pixels[i] = ToByte(planes[0][i]) * 0x010101u;
    return pixels;
  }
  for (size_t i = 0; i < total; ++i) {
    const double y = planes[0][i], u = planes[1][i], v = planes[2][i];
    const double r = y + 1.140251 * v;
    const double b = y + 2.028398 * u;
    const double g = (y - 0.3 * r - 0.11 * b) * 1.694915;
    pixels[i] = ToByte(r) << 16 | ToByte(g) << 8 | ToByte(b);
  }
  return pixels;
}

}  // namespace folivar
