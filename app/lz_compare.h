// Byte comparisons of the block codec's compressor: how far two places of the
// input agree, and whether an item starts a run. Internal to the codec's sources.
//
// The long scans (commonLength) run over most of a picture's bytes, so they
// come in two widths: 16-byte SSE2 compares, which every x86-64 processor has,
// and 32-byte AVX2 compares where the processor has them (chosen at run time,
// see wideCompareAvailable). Both answer the same; the tests compare each with
// a plain loop.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LZ_HAVE_AVX2_SCAN 1
#else
#define LZ_HAVE_AVX2_SCAN 0
#endif

namespace lz {

// Bit i set when a[i] == b[i], for the 16 bytes at a and b.
inline uint32_t sameMask16(const uint8_t* a, const uint8_t* b) {
#if defined(__SSE2__)
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
  const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
  return uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
#else
  uint32_t mask = 0;
  for (uint32_t i = 0; i < 16; ++i) mask |= uint32_t(a[i] == b[i]) << i;
  return mask;
#endif
}

// Index of the first of 16 bytes where a and b differ, or 16 when all agree.
inline uint32_t firstDifference16(const uint8_t* a, const uint8_t* b) {
  return uint32_t(std::countr_zero(~sameMask16(a, b) | 1u << 16));
}

// Do the 64 bytes at a and b agree?
inline bool equal64(const uint8_t* a, const uint8_t* b) {
  return (sameMask16(a, b) & sameMask16(a + 16, b + 16) & sameMask16(a + 32, b + 32) &
          sameMask16(a + 48, b + 48)) == 0xFFFF;
}

// Number of leading bytes that a and b share, at most `limit`.
inline uint32_t commonLength(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  uint32_t len = 0;
  while (len + 64 <= limit && equal64(a + len, b + len)) len += 64;
  while (len + 16 <= limit) {
    const uint32_t same = firstDifference16(a + len, b + len);
    len += same;
    if (same < 16) return len;
  }
  while (len < limit && a[len] == b[len]) ++len;
  return len;
}

#if LZ_HAVE_AVX2_SCAN
// Byte i all ones when a[i] == b[i], for the 32 bytes at a and b.
__attribute__((target("avx2"))) inline __m256i equal32(const uint8_t* a, const uint8_t* b) {
  return _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b)));
}

// Bit i set when a[i] == b[i], for the 32 bytes at a and b.
__attribute__((target("avx2"))) inline uint32_t sameMask32(const uint8_t* a, const uint8_t* b) {
  return uint32_t(_mm256_movemask_epi8(equal32(a, b)));
}

// commonLength with 32-byte compares: 128 bytes per step while they all
// agree (one mask for four compares), then 64 bytes per step to place the
// difference.
__attribute__((target("avx2"))) inline uint32_t commonLengthAvx2(const uint8_t* a,
                                                                  const uint8_t* b,
                                                                  uint32_t limit) {
  uint32_t len = 0;
  for (; len + 128 <= limit; len += 128) {
    const __m256i all = _mm256_and_si256(_mm256_and_si256(equal32(a + len, b + len),
                                                          equal32(a + len + 32, b + len + 32)),
                                         _mm256_and_si256(equal32(a + len + 64, b + len + 64),
                                                          equal32(a + len + 96, b + len + 96)));
    if (uint32_t(_mm256_movemask_epi8(all)) != 0xFFFFFFFF) break;
  }
  for (; len + 64 <= limit; len += 64) {
    const uint64_t same = uint64_t(sameMask32(a + len + 32, b + len + 32)) << 32 |
                          sameMask32(a + len, b + len);
    if (~same) return len + uint32_t(std::countr_zero(~same));
  }
  return len + commonLength(a + len, b + len, limit - len);
}

// Has this processor the 32-byte compares? Asked once.
inline bool wideCompareAvailable() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}
#else
inline uint32_t commonLengthAvx2(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  return commonLength(a, b, limit);
}
inline bool wideCompareAvailable() { return false; }
#endif

// Are the 16 bytes at p all equal? Reads 17 bytes (p[16] too): each byte is
// compared with the next.
inline bool sixteenEqualBytes(const uint8_t* p) {
  return (sameMask16(p, p + 1) & 0x7FFF) == 0x7FFF;
}

}  // namespace lz
