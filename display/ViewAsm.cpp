// The row routines. The copy is a block move and the fill a loop of 16-byte stores. The keyed
// copy and the blend have three paths that give the same bytes: pixel by pixel (any processor),
// four pixels at a time with SSE2 (every x86-64) and eight at a time with AVX2, which is taken
// when the processor and the operating system support it. Each block path finishes the row
// pixel by pixel.
#include "display/ViewAsm.h"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define FOLIVAR_VIEWASM_SSE2 1
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define FOLIVAR_VIEWASM_AVX2 1
#define FOLIVAR_TARGET_AVX2 __attribute__((target("avx2")))
#endif

namespace folivar {

namespace {

// One blended pixel. Blue and red are multiplied together in one 32-bit word (each product is
// below 65536, so they do not meet), green on its own; each product is shifted right on its own,
// as the blend requires. The sums cannot carry into the next byte: they are at most 255.
inline uint32_t BlendPixel(uint32_t d, uint32_t s, uint32_t weight, uint32_t inverse) {
  const uint32_t redBlue = ((((d & 0x00FF00FFu) * weight) >> 8) & 0x00FF00FFu) +
                           ((((s & 0x00FF00FFu) * inverse) >> 8) & 0x00FF00FFu);
  const uint32_t green = ((((d & 0x0000FF00u) * weight) >> 8) & 0x0000FF00u) +
                         ((((s & 0x0000FF00u) * inverse) >> 8) & 0x0000FF00u);
  return (d & 0xFF000000u) | redBlue | green;
}

void CopyKeyedPortable(const uint32_t* source, uint32_t* destination, int32_t from, int32_t count,
                       uint32_t key) {
  for (int32_t i = from; i < count; ++i) {
    const uint32_t s = source[i];
    if (s != key) destination[i] = s;
  }
}

void BlendKeyedPortable(const uint32_t* source, uint32_t* destination, int32_t from,
                        int32_t count, uint32_t key, uint32_t weight) {
  const uint32_t inverse = 256 - weight;
  for (int32_t i = from; i < count; ++i) {
    const uint32_t s = source[i];
    if (s != key) destination[i] = BlendPixel(destination[i], s, weight, inverse);
  }
}

// The block paths blend with 16-bit lanes: each byte is moved into the high half of a lane,
// where the high half of its product with a factor of at most 256 is exactly
// (byte * factor) >> 8. Blue and red (the even bytes) are shifted up, green and the fourth byte
// (the odd ones) masked in place. The fourth byte gets the factors 256 and 0, which keeps the
// destination's. Key pixels take the destination back unchanged.

#ifdef FOLIVAR_VIEWASM_SSE2
int32_t CopyKeyedSse2(const uint32_t* source, uint32_t* destination, int32_t count,
                      uint32_t key) {
  const __m128i keys = _mm_set1_epi32(static_cast<int>(key));
  int32_t i = 0;
  for (; count - i >= 4; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + i));
    const __m128i transparent = _mm_cmpeq_epi32(s, keys);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i),
                     _mm_or_si128(_mm_and_si128(transparent, d), _mm_andnot_si128(transparent, s)));
  }
  return i;
}

inline __m128i BlendFourSse2(__m128i d, __m128i s, __m128i evenD, __m128i evenS, __m128i oddD,
                             __m128i oddS, __m128i keys) {
  const __m128i highBytes = _mm_set1_epi16(static_cast<short>(0xFF00));
  const __m128i even = _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(d, 8), evenD),
                                     _mm_mulhi_epu16(_mm_slli_epi16(s, 8), evenS));
  const __m128i odd = _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(d, highBytes), oddD),
                                    _mm_mulhi_epu16(_mm_and_si128(s, highBytes), oddS));
  const __m128i blended = _mm_or_si128(even, _mm_slli_epi16(odd, 8));
  const __m128i transparent = _mm_cmpeq_epi32(s, keys);
  return _mm_or_si128(_mm_and_si128(transparent, d), _mm_andnot_si128(transparent, blended));
}

int32_t BlendKeyedSse2(const uint32_t* source, uint32_t* destination, int32_t count, uint32_t key,
                       uint32_t weight) {
  const uint32_t inverse = 256 - weight;
  const __m128i evenD = _mm_set1_epi16(static_cast<short>(weight));
  const __m128i evenS = _mm_set1_epi16(static_cast<short>(inverse));
  const __m128i oddD = _mm_set1_epi32(static_cast<int>((256u << 16) | weight));
  const __m128i oddS = _mm_set1_epi32(static_cast<int>(inverse));
  const __m128i keys = _mm_set1_epi32(static_cast<int>(key));
  int32_t i = 0;
  // Two blocks per turn: they are independent, so the processor works on both at once.
  for (; count - i >= 8; i += 8) {
    const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
    const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 4));
    const __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + i));
    const __m128i d1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + i + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i),
                     BlendFourSse2(d0, s0, evenD, evenS, oddD, oddS, keys));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i + 4),
                     BlendFourSse2(d1, s1, evenD, evenS, oddD, oddS, keys));
  }
  for (; count - i >= 4; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i),
                     BlendFourSse2(d, s, evenD, evenS, oddD, oddS, keys));
  }
  return i;
}
#endif

#ifdef FOLIVAR_VIEWASM_AVX2
// Kept to one loop with every value in a register. A 256-bit value that does reach the stack is
// safe on 64-bit Windows too, which keeps the stack aligned to 16 bytes only: the Windows build
// assembles every aligned vector move as the unaligned one (cmake/FolivarTargets.cmake).
FOLIVAR_TARGET_AVX2 int32_t CopyKeyedAvx2(const uint32_t* source, uint32_t* destination,
                                          int32_t count, uint32_t key) {
  const __m256i keys = _mm256_set1_epi32(static_cast<int>(key));
  int32_t i = 0;
  for (; count - i >= 8; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(destination + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + i),
                        _mm256_blendv_epi8(s, d, _mm256_cmpeq_epi32(s, keys)));
  }
  return i;
}

FOLIVAR_TARGET_AVX2 int32_t BlendKeyedAvx2(const uint32_t* source, uint32_t* destination,
                                           int32_t count, uint32_t key, uint32_t weight) {
  const uint32_t inverse = 256 - weight;
  const __m256i evenD = _mm256_set1_epi16(static_cast<short>(weight));
  const __m256i evenS = _mm256_set1_epi16(static_cast<short>(inverse));
  const __m256i oddD = _mm256_set1_epi32(static_cast<int>((256u << 16) | weight));
  const __m256i oddS = _mm256_set1_epi32(static_cast<int>(inverse));
  const __m256i keys = _mm256_set1_epi32(static_cast<int>(key));
  const __m256i highBytes = _mm256_set1_epi16(static_cast<short>(0xFF00));
  int32_t i = 0;
  for (; count - i >= 8; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(destination + i));
    const __m256i even = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(d, 8), evenD),
                                          _mm256_mulhi_epu16(_mm256_slli_epi16(s, 8), evenS));
    const __m256i odd =
        _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(d, highBytes), oddD),
                         _mm256_mulhi_epu16(_mm256_and_si256(s, highBytes), oddS));
    const __m256i blended = _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + i),
                        _mm256_blendv_epi8(blended, d, _mm256_cmpeq_epi32(s, keys)));
  }
  return i;
}

bool HasAvx2() {
  // Also false when the operating system does not save the 32-byte registers.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

TRowPath BestPath() {
#ifdef FOLIVAR_VIEWASM_AVX2
  if (HasAvx2()) return TRowPath::kAvx2;
#endif
#ifdef FOLIVAR_VIEWASM_SSE2
  return TRowPath::kSse2;
#else
  return TRowPath::kPortable;
#endif
}

// The path in use. Views live on the user-interface thread; only tests change it.
TRowPath& Path() {
  static TRowPath path = BestPath();
  return path;
}

}  // namespace

bool RowPathAvailable(TRowPath path) {
  switch (path) {
    case TRowPath::kPortable:
      return true;
    case TRowPath::kSse2:
#ifdef FOLIVAR_VIEWASM_SSE2
      return true;
#else
      return false;
#endif
    case TRowPath::kAvx2:
#ifdef FOLIVAR_VIEWASM_AVX2
      return HasAvx2();
#else
      return false;
#endif
  }
  return false;
}

bool SelectRowPath(TRowPath path) {
  if (!RowPathAvailable(path)) return false;
  Path() = path;
  return true;
}

TRowPath SelectedRowPath() { return Path(); }

void FillPixels(uint32_t value, uint32_t* destination, int32_t count) {
  int32_t i = 0;
#ifdef FOLIVAR_VIEWASM_SSE2
  const __m128i values = _mm_set1_epi32(static_cast<int>(value));
  for (; count - i >= 8; i += 8) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), values);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i + 4), values);
  }
#endif
  for (; i < count; ++i) destination[i] = value;
}

void CopyPixels(const uint32_t* source, uint32_t* destination, int32_t count) {
  if (count <= 0) return;
  // memmove, not memcpy: a view may be put into itself.
  std::memmove(destination, source, static_cast<size_t>(count) * sizeof(uint32_t));
}

void CopyPixelsKeyed(const uint32_t* source, uint32_t* destination, int32_t count, uint32_t key) {
  int32_t done = 0;
  switch (Path()) {
    case TRowPath::kAvx2:
#ifdef FOLIVAR_VIEWASM_AVX2
      done = CopyKeyedAvx2(source, destination, count, key);
#endif
      break;
    case TRowPath::kSse2:
#ifdef FOLIVAR_VIEWASM_SSE2
      done = CopyKeyedSse2(source, destination, count, key);
#endif
      break;
    case TRowPath::kPortable:
      break;
  }
  CopyKeyedPortable(source, destination, done, count, key);
}

void BlendPixelsKeyed(const uint32_t* source, uint32_t* destination, int32_t count, uint32_t key,
                      uint8_t weight) {
  int32_t done = 0;
  switch (Path()) {
    case TRowPath::kAvx2:
#ifdef FOLIVAR_VIEWASM_AVX2
      done = BlendKeyedAvx2(source, destination, count, key, weight);
#endif
      break;
    case TRowPath::kSse2:
#ifdef FOLIVAR_VIEWASM_SSE2
      done = BlendKeyedSse2(source, destination, count, key, weight);
#endif
      break;
    case TRowPath::kPortable:
      break;
  }
  BlendKeyedPortable(source, destination, done, count, key, weight);
}

}  // namespace folivar
