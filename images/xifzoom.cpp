#include "images/xifzoom.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "core/errors.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#define FOLIVAR_XWL_X86 1
#include <immintrin.h>
#else
#define FOLIVAR_XWL_X86 0
#endif

// This unit is compiled with floating-point contraction off (images/CMakeLists.txt): a fused
// multiply-add would round differently and change pixels.

namespace folivar {

namespace {

constexpr double kK = 0.7071067811865476;  // sqrt(1/2)

std::string Num(uint64_t v) { return std::to_string(v); }

[[noreturn]] void Damaged(const std::string& reason) {
  throw TBookDamaged("the XWL stream's " + reason);
}

// A bounded cursor over the stream: every block is checked against what is left before it is
// handed out, so no parse below can reach outside the data.
class TXwlCursor {
 public:
  TXwlCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Left() const { return size_ - at_; }

  // n bytes for `what` ("symbols of channel 2"), which must be there.
  const uint8_t* Take(uint64_t n, const std::string& what, bool plural = true) {
    if (n > Left()) {
      Damaged(what + (plural ? " need " : " needs ") + Num(n) + " bytes but only " + Num(Left()) +
              " are left");
    }
    const uint8_t* p = data_ + at_;
    at_ += static_cast<size_t>(n);
    return p;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

uint32_t U16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

double F64(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= uint64_t{p[i]} << (8 * i);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

TXwlHeader ParseHeader(TXwlCursor& in) {
  const uint8_t* h = in.Take(kXwlHeaderSize, "header", false);
  if (std::memcmp(h, "XWL", 3) != 0)
    throw TBookDamaged("the XWL stream does not begin with \"XWL\"");
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
  return header;
}

// Everything of a header that the decoder relies on before it allocates anything.
void CheckHeader(const TXwlHeader& header) {
  if (header.levels > kXwlMaxLevel) {
    Damaged("level number " + Num(header.levels) + " is above " + Num(kXwlMaxLevel));
  }
  const uint64_t w = header.width, h = header.height;
  if (w > kXwlMaxSide || h > kXwlMaxSide || w * h * 4 > kXwlMaxPixelBytes) {
    Damaged("picture of " + Num(w) + " x " + Num(h) + " pixels is larger than a book may hold");
  }
}

// One channel's data as located in the stream: the symbol bytes and the value bytes.
struct TChannelData {
  const uint8_t* symbols = nullptr;
  uint32_t symbolCount = 0;
  const uint8_t* values = nullptr;
  uint32_t valueCount = 0;
  uint32_t bits = 0;
};

TChannelData LocateChannel(TXwlCursor& in, const TXwlHeader& header, int c) {
  const std::string name = "channel " + Num(static_cast<uint64_t>(c + 1));
  TChannelData ch;
  ch.symbolCount = header.symbolCount[c];
  ch.valueCount = header.valueCount[c];
  ch.bits = header.valueBits[c];
  // The values are packed by the bit rule; 8 bits is one byte per value. Widths 9 to 31 are read
  // the same way; 0 and anything above 31 are no widths at all.
  if (ch.bits < 1 || ch.bits > 31) {
    Damaged("value width of " + name + " is " + Num(ch.bits) + ", not 1 to 31 bits");
  }
  ch.symbols = in.Take((uint64_t{ch.symbolCount} + 3) / 4, "symbols of " + name);
  ch.values = in.Take((uint64_t{ch.valueCount} * ch.bits + 7) / 8, "values of " + name);
  return ch;
}

// How many values of a channel the expansion can use: one per symbol at most, and one per
// coefficient (each value it takes yields at least one).
size_t UsableValues(const TChannelData& ch, size_t total) {
  return std::min<size_t>({ch.valueCount, ch.symbolCount, total});
}

// Unpacks the usable values of a channel into `out` (room for them and one more): by the bit
// rule, the first bit taken is the value's bit 0, bits come from each byte least significant
// first. The block holds all of them (LocateChannel checked its length), so no byte behind it is
// read. The extra last value is 0; the expansion may read it but never uses it.
void UnpackValues(const TChannelData& ch, size_t total, uint32_t* out) {
  const size_t count = UsableValues(ch, total);
  if (ch.bits == 8) {
    for (size_t i = 0; i < count; ++i) out[i] = ch.values[i];
  } else {
    const uint64_t mask = (uint64_t{1} << ch.bits) - 1;
    uint64_t buffer = 0;
    uint32_t held = 0;
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
      while (held < ch.bits) {
        buffer |= uint64_t{ch.values[at++]} << held;
        held += 8;
      }
      out[i] = static_cast<uint32_t>(buffer & mask);
      buffer >>= ch.bits;
      held -= ch.bits;
    }
  }
  out[count] = 0;
}

[[noreturn]] void TooFewValues(int c, uint32_t count) {
  Damaged("symbols of channel " + Num(static_cast<uint64_t>(c + 1)) + " use more than its " +
          Num(count) + " values");
}

// Expands the symbols of a channel into `total` coefficients, writing every one of them: the
// expansion stops at the last symbol or when the plane is full, a run that goes past the end
// stops there, and coefficients after the last symbol are zero. `values` are the channel's
// usable values, unpacked, with one more behind them: the expansion never takes more than the
// usable ones, and reads at most the one behind them.
void ExpandChannel(const TChannelData& ch, int c, const uint32_t* values, double* plane,
                   size_t total) {
  auto symbol = [&](uint32_t i) { return (ch.symbols[i >> 2] >> (2 * (i & 3))) & 3u; };
  // Symbols 0, 2 and 3 are one coefficient each: 0, +v or -v (integers, so -0 is 0), of which
  // 2 and 3 take a value. They are written without a branch on the symbol.
  static constexpr int64_t kSign[4] = {0, 0, 1, -1};
  const uint32_t count = ch.symbolCount, valueCount = ch.valueCount;
  size_t d = 0;
  uint32_t i = 0, v = 0;
  while (i < count && d < total) {
    const uint32_t s = symbol(i++);
    if (s == 1) {
      if (i >= count) {
        Damaged("symbols of channel " + Num(static_cast<uint64_t>(c + 1)) + " end inside a run");
      }
      if (v >= valueCount) TooFewValues(c, valueCount);
      const uint64_t run = (uint64_t{symbol(i++)} << ch.bits) + values[v++] + 1;
      const auto length = static_cast<size_t>(std::min<uint64_t>(run, total - d));
      std::fill_n(plane + d, length, 0.0);
      d += length;
      continue;
    }
    // v is at most the usable count here: values[v] is there, if only as the one behind them.
    plane[d++] = static_cast<double>(kSign[s] * int64_t{values[v]});
    v += s >> 1;
    if (v > valueCount) TooFewValues(c, valueCount);
  }
  std::fill(plane + d, plane + total, 0.0);
}

double Factor(double entry) { return entry == 0 ? 0.0 : 1.0 / entry; }

// ---------------------------------------------------------------------------------------------
// The pair rule. It is written once over a lane type: a plain double, or two doubles in an SSE2
// register (every x86-64 processor has SSE2); the AVX2 kernels further down spell the same
// operations for four. Every lane runs the same IEEE operations in the same order, so all widths
// give the same bits. == is false and != true for NaN, as in plain C++.

struct TScalar {
  using V = double;
  using M = bool;
  static V Load(const double* p) { return *p; }
  static V Set(double v) { return v; }
  static V Add(V a, V b) { return a + b; }
  static V Sub(V a, V b) { return a - b; }
  static V Mul(V a, V b) { return a * b; }
  static M Eq(V a, V b) { return a == b; }
  static M Ne(V a, V b) { return a != b; }
  static M And(M a, M b) { return a & b; }
  static V Select(M m, V a, V b) { return m ? a : b; }
};

#if FOLIVAR_XWL_X86
struct TSse2 {
  using V = __m128d;
  using M = __m128d;
  static V Load(const double* p) { return _mm_loadu_pd(p); }
  static V Set(double v) { return _mm_set1_pd(v); }
  static V Add(V a, V b) { return _mm_add_pd(a, b); }
  static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
  static V Mul(V a, V b) { return _mm_mul_pd(a, b); }
  static M Eq(V a, V b) { return _mm_cmpeq_pd(a, b); }
  static M Ne(V a, V b) { return _mm_cmpneq_pd(a, b); }
  static M And(M a, M b) { return _mm_and_pd(a, b); }
  static V Select(M m, V a, V b) { return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b)); }
};
#endif

// The inverse step of one pair. lo and hi are the pair; before and after the low-pass
// neighbours w - 1 and w + 1, before2 and after2 those at w - 2 and w + 2, hiBefore and hiAfter
// the neighbours' details. For an interior pair whose detail is zero, each half moves a fifth of
// the way towards the neighbour on its side when that neighbour's detail is zero too and it
// differs from lo without starting a flat stretch; otherwise the pair is the plain Haar step.
// First: the pair is pair 1 (there is no w - 2); Last: the pair is pair hn - 2 (w + 2 is no
// low-pass coefficient).
//
// A zero detail that takes no edge step goes through the plain rule, (lo + 0) k and (lo - 0) k:
// that is lo k except for the sign of a zero, which no later step can see (zeros compare equal,
// add as zeros and become black).
template <class P, bool First, bool Last>
inline void Pair(typename P::V lo, typename P::V hi, typename P::V before, typename P::V before2,
                 typename P::V after, typename P::V after2, typename P::V hiBefore,
                 typename P::V hiAfter, typename P::V& even, typename P::V& odd) {
  const auto zero = P::Set(0.0), k = P::Set(kK);
  const auto flat = P::Eq(hi, zero);
  auto towardsBefore = P::And(P::And(flat, P::Eq(hiBefore, zero)), P::Ne(after, lo));
  if constexpr (!Last) towardsBefore = P::And(towardsBefore, P::Ne(after, after2));
  auto towardsAfter = P::And(P::And(flat, P::Eq(hiAfter, zero)), P::Ne(before, lo));
  if constexpr (!First) towardsAfter = P::And(towardsAfter, P::Ne(before, before2));
  const auto lo8 = P::Mul(P::Set(0.8), lo);
  const auto edgeEven = P::Mul(P::Add(lo8, P::Mul(P::Set(0.2), before)), k);
  const auto edgeOdd = P::Mul(P::Add(lo8, P::Mul(P::Set(0.2), after)), k);
  even = P::Select(towardsBefore, edgeEven, P::Mul(P::Add(lo, hi), k));
  odd = P::Select(towardsAfter, edgeOdd, P::Mul(P::Sub(lo, hi), k));
}

// 0 if not above 0 (NaN included), 255 from 255 on, otherwise the nearest integer, ties to even.
// Adding and taking away 2^52 rounds a value of 0..255 to an integer in the current rounding mode,
// exactly as std::nearbyint does, without a library call.
constexpr double kRoundShift = 4503599627370496.0;  // 2^52

inline uint32_t ToByte(double v) {
  v = v > 0 ? v : 0.0;
  v = v < 255 ? v : 255.0;
  return static_cast<uint32_t>((v + kRoundShift) - kRoundShift);
}

inline uint32_t ColourPixel(double y, double u, double v) {
  const double r = y + 1.140251 * v;
  const double b = y + 2.028398 * u;
  const double g = (y - 0.3 * r - 0.11 * b) * 1.694915;
  return ToByte(r) << 16 | ToByte(g) << 8 | ToByte(b);
}

// ---------------------------------------------------------------------------------------------
// AVX2 kernels, used when the processor has AVX2 (checked once). They run the bulk of each row;
// the narrower code finishes the columns they leave. maxpd gives its second operand when the
// first is NaN, so max(v, 0) is ToByte's "v if above 0, else 0" (the same for the SSE2 forms).

#if FOLIVAR_XWL_X86
#define FOLIVAR_AVX2 __attribute__((target("avx2")))

template <bool First, bool Last>
FOLIVAR_AVX2 inline void PairAvx2(__m256d lo, __m256d hi, __m256d before, __m256d before2,
                                  __m256d after, __m256d after2, __m256d hiBefore, __m256d hiAfter,
                                  __m256d& even, __m256d& odd) {
  const __m256d zero = _mm256_setzero_pd(), k = _mm256_set1_pd(kK);
  const __m256d flat = _mm256_cmp_pd(hi, zero, _CMP_EQ_OQ);
  __m256d towardsBefore =
      _mm256_and_pd(_mm256_and_pd(flat, _mm256_cmp_pd(hiBefore, zero, _CMP_EQ_OQ)),
                    _mm256_cmp_pd(after, lo, _CMP_NEQ_UQ));
  if constexpr (!Last) {
    towardsBefore = _mm256_and_pd(towardsBefore, _mm256_cmp_pd(after, after2, _CMP_NEQ_UQ));
  }
  __m256d towardsAfter =
      _mm256_and_pd(_mm256_and_pd(flat, _mm256_cmp_pd(hiAfter, zero, _CMP_EQ_OQ)),
                    _mm256_cmp_pd(before, lo, _CMP_NEQ_UQ));
  if constexpr (!First) {
    towardsAfter = _mm256_and_pd(towardsAfter, _mm256_cmp_pd(before, before2, _CMP_NEQ_UQ));
  }
  const __m256d lo8 = _mm256_mul_pd(_mm256_set1_pd(0.8), lo);
  const __m256d fifth = _mm256_set1_pd(0.2);
  const __m256d edgeEven = _mm256_mul_pd(_mm256_add_pd(lo8, _mm256_mul_pd(fifth, before)), k);
  const __m256d edgeOdd = _mm256_mul_pd(_mm256_add_pd(lo8, _mm256_mul_pd(fifth, after)), k);
  even = _mm256_blendv_pd(_mm256_mul_pd(_mm256_add_pd(lo, hi), k), edgeEven, towardsBefore);
  odd = _mm256_blendv_pd(_mm256_mul_pd(_mm256_sub_pd(lo, hi), k), edgeOdd, towardsAfter);
}

// Columns [0, end) of an interior pair, end a multiple of 4; the row pointers as in
// VerticalInterior.
template <bool First, bool Last>
FOLIVAR_AVX2 void VerticalInteriorAvx2(const double* const* r, uint32_t end, double* even,
                                       double* odd) {
  for (uint32_t x = 0; x < end; x += 4) {
    __m256d e, o;
    PairAvx2<First, Last>(_mm256_loadu_pd(r[0] + x), _mm256_loadu_pd(r[1] + x),
                          _mm256_loadu_pd(r[2] + x), _mm256_loadu_pd(r[3] + x),
                          _mm256_loadu_pd(r[4] + x), _mm256_loadu_pd(r[5] + x),
                          _mm256_loadu_pd(r[6] + x), _mm256_loadu_pd(r[7] + x), e, o);
    _mm256_storeu_pd(even + x, e);
    _mm256_storeu_pd(odd + x, o);
  }
}

// Pairs [i, end) of a row, all of them with both neighbours on each side (2 <= i, end <= ha - 2),
// end - i a multiple of 4; returns end.
FOLIVAR_AVX2 uint32_t HorizontalMiddleAvx2(const double* in, double* out, uint32_t i, uint32_t end,
                                           uint32_t ha) {
  for (; i < end; i += 4) {
    __m256d e, o;
    const double* p = in + i;
    PairAvx2<false, false>(_mm256_loadu_pd(p), _mm256_loadu_pd(p + ha), _mm256_loadu_pd(p - 1),
                           _mm256_loadu_pd(p - 2), _mm256_loadu_pd(p + 1), _mm256_loadu_pd(p + 2),
                           _mm256_loadu_pd(p + ha - 1), _mm256_loadu_pd(p + ha + 1), e, o);
    // even and odd of pairs i..i+3 go out interleaved: e0 o0 e1 o1 | e2 o2 e3 o3.
    const __m256d low = _mm256_unpacklo_pd(e, o), high = _mm256_unpackhi_pd(e, o);
    _mm256_storeu_pd(out + 2 * i, _mm256_permute2f128_pd(low, high, 0x20));
    _mm256_storeu_pd(out + 2 * i + 4, _mm256_permute2f128_pd(low, high, 0x31));
  }
  return i;
}

FOLIVAR_AVX2 void ScaleAvx2(double* p, uint32_t count, double f) {
  const __m256d factor = _mm256_set1_pd(f);
  for (uint32_t x = 0; x + 4 <= count; x += 4)
    _mm256_storeu_pd(p + x, _mm256_mul_pd(_mm256_loadu_pd(p + x), factor));
}

FOLIVAR_AVX2 void VerticalPlainAvx2(const double* lo, const double* hi, uint32_t end, double* even,
                                    double* odd) {
  const __m256d k = _mm256_set1_pd(kK);
  for (uint32_t x = 0; x < end; x += 4) {
    const __m256d l = _mm256_loadu_pd(lo + x), h = _mm256_loadu_pd(hi + x);
    _mm256_storeu_pd(even + x, _mm256_mul_pd(_mm256_add_pd(l, h), k));
    _mm256_storeu_pd(odd + x, _mm256_mul_pd(_mm256_sub_pd(l, h), k));
  }
}

FOLIVAR_AVX2 inline __m128i BytesAvx2(__m256d v) {
  const __m256d shift = _mm256_set1_pd(kRoundShift);
  v = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255.0));
  return _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_add_pd(v, shift), shift));
}

// Pixels [0, end), end a multiple of 4.
FOLIVAR_AVX2 void ColourRowAvx2(const double* ys, const double* us, const double* vs, uint32_t* out,
                                uint32_t end) {
  for (uint32_t x = 0; x < end; x += 4) {
    const __m256d y = _mm256_loadu_pd(ys + x);
    const __m256d r =
        _mm256_add_pd(y, _mm256_mul_pd(_mm256_set1_pd(1.140251), _mm256_loadu_pd(vs + x)));
    const __m256d b =
        _mm256_add_pd(y, _mm256_mul_pd(_mm256_set1_pd(2.028398), _mm256_loadu_pd(us + x)));
    const __m256d g =
        _mm256_mul_pd(_mm256_sub_pd(_mm256_sub_pd(y, _mm256_mul_pd(_mm256_set1_pd(0.3), r)),
                                    _mm256_mul_pd(_mm256_set1_pd(0.11), b)),
                      _mm256_set1_pd(1.694915));
    const __m128i pixel = _mm_or_si128(
        _mm_or_si128(_mm_slli_epi32(BytesAvx2(r), 16), _mm_slli_epi32(BytesAvx2(g), 8)),
        BytesAvx2(b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), pixel);
  }
}

FOLIVAR_AVX2 void GreyRowAvx2(const double* ls, uint32_t* out, uint32_t end) {
  for (uint32_t x = 0; x < end; x += 4) {
    const __m128i l = BytesAvx2(_mm256_loadu_pd(ls + x));
    const __m128i pixel =
        _mm_or_si128(_mm_or_si128(l, _mm_slli_epi32(l, 8)), _mm_slli_epi32(l, 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), pixel);
  }
}
#undef FOLIVAR_AVX2

// Whether the processor (and the system, which must save the AVX registers) offers AVX2.
bool ProcessorHasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();  // in case a decode runs before the runtime's own constructors
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}
#endif

std::atomic<bool> gAvx2Allowed{true};

// ---------------------------------------------------------------------------------------------
// Rows of the transform.

// Multiplies the values [x1, x2) of a row by f.
void ScaleRow(double* row, uint32_t x1, uint32_t x2, double f, bool avx2) {
  uint32_t x = x1;
#if FOLIVAR_XWL_X86
  if (avx2 && x2 > x1) {
    ScaleAvx2(row + x1, x2 - x1, f);
    x += (x2 - x1) & ~3u;
  }
  const __m128d factor = _mm_set1_pd(f);
  for (; x + 2 <= x2; x += 2) _mm_storeu_pd(row + x, _mm_mul_pd(_mm_loadu_pd(row + x), factor));
#else
  (void)avx2;
#endif
  for (; x < x2; ++x) row[x] *= f;
}

void VerticalPlain(const double* lo, const double* hi, uint32_t a, double* even, double* odd,
                   bool avx2) {
  uint32_t x = 0;
#if FOLIVAR_XWL_X86
  if (avx2) {
    x = a & ~3u;
    VerticalPlainAvx2(lo, hi, x, even, odd);
  }
  const __m128d k = _mm_set1_pd(kK);
  for (; x + 2 <= a; x += 2) {
    const __m128d l = _mm_loadu_pd(lo + x), h = _mm_loadu_pd(hi + x);
    _mm_storeu_pd(even + x, _mm_mul_pd(_mm_add_pd(l, h), k));
    _mm_storeu_pd(odd + x, _mm_mul_pd(_mm_sub_pd(l, h), k));
  }
#else
  (void)avx2;
#endif
  for (; x < a; ++x) {
    even[x] = (lo[x] + hi[x]) * kK;
    odd[x] = (lo[x] - hi[x]) * kK;
  }
}

// The vertical step of interior pair w for the columns x < a of a region in C (stride `stride`),
// into the rows even and odd.
template <bool First, bool Last>
void VerticalInterior(const double* c, size_t stride, uint32_t w, uint32_t hn, uint32_t a,
                      double* even, double* odd, bool avx2) {
  const double* lo = c + w * stride;
  const double* hi = c + (w + hn) * stride;
  // lo, hi, before, before2 (not read for pair 1), after, after2, hiBefore, hiAfter
  const double* r[8] = {lo,          hi,
                        lo - stride, First ? lo - stride : lo - 2 * stride,
                        lo + stride, lo + 2 * stride,
                        hi - stride, hi + stride};
  uint32_t x = 0;
#if FOLIVAR_XWL_X86
  if (avx2) {
    x = a & ~3u;
    VerticalInteriorAvx2<First, Last>(r, x, even, odd);
  }
  for (; x + 2 <= a; x += 2) {
    TSse2::V e, o;
    Pair<TSse2, First, Last>(TSse2::Load(r[0] + x), TSse2::Load(r[1] + x), TSse2::Load(r[2] + x),
                             TSse2::Load(r[3] + x), TSse2::Load(r[4] + x), TSse2::Load(r[5] + x),
                             TSse2::Load(r[6] + x), TSse2::Load(r[7] + x), e, o);
    _mm_storeu_pd(even + x, e);
    _mm_storeu_pd(odd + x, o);
  }
#else
  (void)avx2;
#endif
  for (; x < a; ++x) {
    Pair<TScalar, First, Last>(r[0][x], r[1][x], r[2][x], r[3][x], r[4][x], r[5][x], r[6][x],
                               r[7][x], even[x], odd[x]);
  }
}

template <class P, bool First, bool Last>
inline void RowPair(const double* in, uint32_t i, uint32_t ha, typename P::V& even,
                    typename P::V& odd) {
  Pair<P, First, Last>(P::Load(in + i), P::Load(in + i + ha), P::Load(in + i - 1),
                       First ? P::Set(0.0) : P::Load(in + i - 2), P::Load(in + i + 1),
                       Last ? P::Set(0.0) : P::Load(in + i + 2), P::Load(in + i + ha - 1),
                       P::Load(in + i + ha + 1), even, odd);
}

template <bool First, bool Last>
inline void RowInterior(const double* in, double* out, uint32_t i, uint32_t ha) {
  RowPair<TScalar, First, Last>(in, i, ha, out[2 * i], out[2 * i + 1]);
}

// The horizontal step of one row of a values (lo half, hi half) into out.
void HorizontalRow(const double* in, double* out, uint32_t a, bool avx2) {
  const uint32_t ha = a / 2;
  if (ha == 0) {
    // One column: pair 0 still runs, its hi read from the same place.
    out[0] = (in[0] + in[0]) * kK;
    return;
  }
  out[0] = (in[0] + in[ha]) * kK;
  out[1] = (in[0] - in[ha]) * kK;
  if (ha == 3) {
    RowInterior<true, true>(in, out, 1, ha);
  } else if (ha > 3) {
    RowInterior<true, false>(in, out, 1, ha);
    // The middle pairs 2 .. ha - 3 have both neighbours on each side.
    uint32_t i = 2;
    const uint32_t end = ha - 2;
#if FOLIVAR_XWL_X86
    if (avx2) i = HorizontalMiddleAvx2(in, out, i, i + ((end - i) & ~3u), ha);
    for (; i + 2 <= end; i += 2) {
      TSse2::V e, o;
      RowPair<TSse2, false, false>(in, i, ha, e, o);
      _mm_storeu_pd(out + 2 * i, _mm_unpacklo_pd(e, o));
      _mm_storeu_pd(out + 2 * i + 2, _mm_unpackhi_pd(e, o));
    }
#else
    (void)avx2;
#endif
    for (; i < end; ++i) RowInterior<false, false>(in, out, i, ha);
    RowInterior<false, true>(in, out, ha - 2, ha);
  }
  if (ha >= 2) {
    out[2 * ha - 2] = (in[ha - 1] + in[2 * ha - 1]) * kK;
    out[2 * ha - 1] = (in[ha - 1] - in[2 * ha - 1]) * kK;
  }
  // The last column of an odd region has no pair and keeps its coefficient.
  if (a & 1) out[a - 1] = in[a - 1];
}

// One level of the inverse transform on the a x n region of a plane C (stride `stride`), a pair
// of rows at a time. It dequantises the level's detail band (and, at the coarsest level, the
// approximation) just before those rows are first read; the region of the level above has
// already been rebuilt in C and is left as it is. Each step runs the vertical rule of pair w into
// two scratch rows and the horizontal rule of each into the caller's output rows 2w and 2w + 1.
// Nothing of C outside the region is read or written.
class TLevel {
 public:
  // scratch: room for 2 x a doubles.
  TLevel(double* c, uint32_t stride, uint32_t a, uint32_t n, double detail, bool coarsest,
         double approximation, double* scratch, bool avx2)
      : c_(c),
        stride_(stride),
        a_(a),
        n_(n),
        hn_(n / 2),
        ha_(a / 2),
        detail_(detail),
        coarsest_(coarsest),
        approximation_(approximation),
        even_(scratch),
        odd_(scratch + a),
        avx2_(avx2),
        highDone_(n / 2) {}

  // Pairs of rows; a region one row high still has pair 0.
  uint32_t Pairs() const { return hn_ > 0 ? hn_ : 1; }
  // Whether the region has a last row without a pair.
  bool OddRow() const { return hn_ > 0 && (n_ & 1); }

  // Rebuilds output rows 2w and 2w + 1 (only row 0, into evenOut, when the region is one row
  // high; oddOut is not touched then).
  void Step(uint32_t w, double* evenOut, double* oddOut) {
    if (hn_ == 0) {
      // One row, all of it detail: pair 0 runs with hi read from the same row.
      ScaleHigh(0);
      for (uint32_t x = 0; x < a_; ++x) even_[x] = (c_[x] + c_[x]) * kK;
      HorizontalRow(even_, evenOut, a_, avx2_);
      return;
    }
    for (const uint32_t last = std::min(w + 2, hn_ - 1); lowDone_ <= last; ++lowDone_)
      ScaleLow(lowDone_);
    for (const uint32_t last = std::min(w + hn_ + 1, 2 * hn_ - 1); highDone_ <= last; ++highDone_) {
      ScaleHigh(highDone_);
    }
    if (w == 0 || w + 1 == hn_) {
      VerticalPlain(Row(w), Row(w + hn_), a_, even_, odd_, avx2_);
    } else if (w == 1 && w + 2 == hn_) {
      VerticalInterior<true, true>(c_, stride_, w, hn_, a_, even_, odd_, avx2_);
    } else if (w == 1) {
      VerticalInterior<true, false>(c_, stride_, w, hn_, a_, even_, odd_, avx2_);
    } else if (w + 2 == hn_) {
      VerticalInterior<false, true>(c_, stride_, w, hn_, a_, even_, odd_, avx2_);
    } else {
      VerticalInterior<false, false>(c_, stride_, w, hn_, a_, even_, odd_, avx2_);
    }
    HorizontalRow(even_, evenOut, a_, avx2_);
    HorizontalRow(odd_, oddOut, a_, avx2_);
  }

  // The last row of an odd region keeps its dequantised coefficients through the vertical rule.
  void StepOddRow(double* out) {
    ScaleHigh(n_ - 1);
    HorizontalRow(Row(n_ - 1), out, a_, avx2_);
  }

 private:
  double* Row(uint32_t r) const { return c_ + size_t{r} * stride_; }
  void ScaleLow(uint32_t r) {
    if (coarsest_) ScaleRow(Row(r), 0, ha_, approximation_, avx2_);
    ScaleRow(Row(r), ha_, a_, detail_, avx2_);
  }
  void ScaleHigh(uint32_t r) { ScaleRow(Row(r), 0, a_, detail_, avx2_); }

  double* c_;
  uint32_t stride_, a_, n_, hn_, ha_;
  double detail_;
  bool coarsest_;
  double approximation_;
  double* even_;
  double* odd_;
  bool avx2_;
  uint32_t lowDone_ = 0, highDone_;  // rows scaled so far: [0, lowDone_) and [hn, highDone_)
};

struct TChannelPlane {
  double* plane;
  const double* table;
};

TLevel MakeLevel(const TChannelPlane& ch, uint32_t w, uint32_t h, uint32_t levels, uint32_t level,
                 double* scratch, bool avx2) {
  return TLevel(ch.plane, w, w >> level, h >> level, Factor(ch.table[level]), level == levels,
                Factor(ch.table[levels + 1]), scratch, avx2);
}

// Runs the levels above level 0, coarsest first; each level writes its rows into the temporary
// (stride a), which is then copied back into the region. Level 0 is left to the caller, who
// takes its rows straight into pixels.
void InverseUpperLevels(const TChannelPlane& ch, double* temp, double* scratch, uint32_t w,
                        uint32_t h, uint32_t levels, bool avx2) {
  for (uint32_t level = levels; level >= 1; --level) {
    const uint32_t a = w >> level, n = h >> level;
    if (a == 0 || n == 0) continue;
    TLevel step = MakeLevel(ch, w, h, levels, level, scratch, avx2);
    for (uint32_t p = 0; p < step.Pairs(); ++p) {
      step.Step(p, temp + size_t{2 * p} * a, temp + size_t{2 * p + 1} * a);
    }
    if (step.OddRow()) step.StepOddRow(temp + size_t{n - 1} * a);
    for (uint32_t y = 0; y < n; ++y) {
      std::memcpy(ch.plane + size_t{y} * w, temp + size_t{y} * a, a * sizeof(double));
    }
  }
}

#if FOLIVAR_XWL_X86
// ToByte of two values at once, into the two low 32-bit lanes.
inline __m128i BytesSse2(__m128d v) {
  const __m128d shift = _mm_set1_pd(kRoundShift);
  v = _mm_min_pd(_mm_max_pd(v, _mm_setzero_pd()), _mm_set1_pd(255.0));
  return _mm_cvttpd_epi32(_mm_sub_pd(_mm_add_pd(v, shift), shift));
}
#endif

void GreyRow(const double* ls, uint32_t* out, uint32_t count, bool avx2) {
  uint32_t x = 0;
#if FOLIVAR_XWL_X86
  if (avx2) {
    x = count & ~3u;
    GreyRowAvx2(ls, out, x);
  }
  for (; x + 2 <= count; x += 2) {
    const __m128i l = BytesSse2(_mm_loadu_pd(ls + x));
    const __m128i pixel =
        _mm_or_si128(_mm_or_si128(l, _mm_slli_epi32(l, 8)), _mm_slli_epi32(l, 16));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), pixel);
  }
#else
  (void)avx2;
#endif
  for (; x < count; ++x) out[x] = ToByte(ls[x]) * 0x010101u;
}

void ColourRow(const double* ys, const double* us, const double* vs, uint32_t* out, uint32_t count,
               bool avx2) {
  uint32_t x = 0;
#if FOLIVAR_XWL_X86
  if (avx2) {
    x = count & ~3u;
    ColourRowAvx2(ys, us, vs, out, x);
  }
  for (; x + 2 <= count; x += 2) {
    const __m128d y = _mm_loadu_pd(ys + x);
    const __m128d r = _mm_add_pd(y, _mm_mul_pd(_mm_set1_pd(1.140251), _mm_loadu_pd(vs + x)));
    const __m128d b = _mm_add_pd(y, _mm_mul_pd(_mm_set1_pd(2.028398), _mm_loadu_pd(us + x)));
    const __m128d g = _mm_mul_pd(_mm_sub_pd(_mm_sub_pd(y, _mm_mul_pd(_mm_set1_pd(0.3), r)),
                                            _mm_mul_pd(_mm_set1_pd(0.11), b)),
                                 _mm_set1_pd(1.694915));
    const __m128i pixel = _mm_or_si128(
        _mm_or_si128(_mm_slli_epi32(BytesSse2(r), 16), _mm_slli_epi32(BytesSse2(g), 8)),
        BytesSse2(b));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), pixel);
  }
#else
  (void)avx2;
#endif
  for (; x < count; ++x) out[x] = ColourPixel(ys[x], us[x], vs[x]);
}

}  // namespace

void AllowXwlAvx2(bool allowed) { gAvx2Allowed.store(allowed); }

TXwlHeader ReadXwlHeader(const uint8_t* data, size_t size) {
  TXwlCursor in(data, size);
  return ParseHeader(in);
}

namespace {

// DecodeXwl without its translation of allocation failures; fills *headerOut once the header is
// read.
std::vector<uint32_t> DecodeStream(const uint8_t* data, size_t size, TXwlHeader* headerOut) {
  TXwlCursor in(data, size);
  const TXwlHeader header = ParseHeader(in);
  if (headerOut) *headerOut = header;
  CheckHeader(header);
  const uint32_t w = header.width, h = header.height;
  const size_t total = size_t{w} * h;
  const int channels = header.depth == 8 ? 1 : header.depth == 24 ? 3 : 0;
  if (channels == 0) return std::vector<uint32_t>(total, 0);

  const uint32_t levels = header.levels;
  const size_t entries = levels + 2;
  double tables[3][kXwlMaxLevel + 2];
  for (int c = 0; c < channels; ++c) {
    const uint8_t* raw =
        in.Take(entries * 8, "step table of channel " + Num(static_cast<uint64_t>(c + 1)), false);
    for (size_t i = 0; i < entries; ++i) tables[c][i] = F64(raw + 8 * i);
  }
  TChannelData located[3];
  for (int c = 0; c < channels; ++c) located[c] = LocateChannel(in, header, c);
  std::vector<uint32_t> pixels;
  if (total == 0) return pixels;

#if FOLIVAR_XWL_X86
  const bool avx2 = gAvx2Allowed.load() && ProcessorHasAvx2();
#else
  const bool avx2 = false;
#endif

  // All the working memory of the decode, taken once: the coefficient planes, a temporary for the
  // levels above level 0 (a quarter plane), two scratch rows and two output rows per channel, and
  // one row of pixels.
  const auto count = static_cast<size_t>(channels);
  const size_t quarter = size_t{w / 2} * (h / 2);
  std::unique_ptr<double[]> memory(new double[total * count + quarter + size_t{4} * w * count]);
  TChannelPlane planes[3];
  double* next = memory.get();
  for (size_t c = 0; c < count; ++c, next += total) planes[c] = {next, tables[c]};
  double* temp = next;
  next += quarter;
  double* scratch[3];
  double* out[3][2];
  for (size_t c = 0; c < count; ++c, next += size_t{4} * w) {
    scratch[c] = next;
    out[c][0] = next + size_t{2} * w;
    out[c][1] = next + size_t{3} * w;
  }
  std::vector<uint32_t> row(w);

  size_t mostValues = 0;
  for (size_t c = 0; c < count; ++c)
    mostValues = std::max(mostValues, UsableValues(located[c], total));
  std::unique_ptr<uint32_t[]> values(new uint32_t[mostValues + 1]);
  for (size_t c = 0; c < count; ++c) {
    UnpackValues(located[c], total, values.get());
    ExpandChannel(located[c], static_cast<int>(c), values.get(), planes[c].plane, total);
    InverseUpperLevels(planes[c], temp, scratch[c], w, h, levels, avx2);
  }

  // Level 0 of every channel in step, its rows straight into pixels.
  pixels.reserve(total);
  std::vector<TLevel> finest;
  for (size_t c = 0; c < count; ++c) {
    finest.push_back(MakeLevel(planes[c], w, h, levels, 0, scratch[c], avx2));
  }
  auto emit = [&](int which) {
    if (count == 1) {
      GreyRow(out[0][which], row.data(), w, avx2);
    } else {
      ColourRow(out[0][which], out[1][which], out[2][which], row.data(), w, avx2);
    }
    pixels.insert(pixels.end(), row.begin(), row.end());
  };
  for (uint32_t p = 0; p < finest[0].Pairs(); ++p) {
    for (size_t c = 0; c < count; ++c) finest[c].Step(p, out[c][0], out[c][1]);
    emit(0);
    if (2 * p + 1 < h) emit(1);
  }
  if (finest[0].OddRow()) {
    for (size_t c = 0; c < count; ++c) finest[c].StepOddRow(out[c][0]);
    emit(0);
  }
  return pixels;
}

}  // namespace

std::vector<uint32_t> DecodeXwl(const uint8_t* data, size_t size, TXwlHeader* header) {
  TXwlHeader read;
  TXwlHeader* fields = header ? header : &read;
  try {
    return DecodeStream(data, size, fields);
  } catch (const std::bad_alloc&) {
    Damaged("picture of " + Num(fields->width) + " x " + Num(fields->height) +
            " pixels needs more memory than there is");
  }
}

}  // namespace folivar
