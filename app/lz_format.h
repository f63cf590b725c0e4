// The block codec's format constants and the small byte helpers that the
// compressor and the decompressor share. Internal to the codec's sources.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lz {

constexpr int kGroupItems = 16;         // items under one control word
constexpr uint32_t kControlBytes = 2;   // a control word, high byte first
constexpr uint32_t kReferenceBit = 0x8000;  // the control bit of the group's next item
constexpr uint32_t kCopyBytes = 2;      // a copy item: 12-bit offset, 4-bit length - 3
constexpr uint32_t kRunBytes = 4;       // a run item: 0x00, length - 16 in 12 bits, the value
constexpr uint32_t kWindow = 4096;      // offsets are 12 bits: 1 to 4095
constexpr uint32_t kMinCopy = 3;
constexpr uint32_t kMaxCopy = 18;
constexpr uint32_t kMinRun = 16;
constexpr uint32_t kMaxRun = 4095;      // the longest run the compressor makes
constexpr uint32_t kLengthMask = 15;    // the length nibble of a copy's second byte

inline uint32_t load16be(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

inline void store16be(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

inline void store64(uint8_t* p, uint64_t v) { memcpy(p, &v, sizeof v); }

// Copies 16 bytes with one load and one store (the two ranges must not overlap).
inline void copy16(uint8_t* to, const uint8_t* from) {
#if defined(__SSE2__)
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
#else
  uint8_t t[16];
  memcpy(t, from, 16);
  memcpy(to, t, 16);
#endif
}

// Stores the two-byte word v (high byte first) eight times, 16 bytes in all.
// The word comes in a register: a vector built from bytes just stored to
// memory would wait for those stores.
inline void fill16Words(uint8_t* to, uint32_t v) {
#if defined(__SSE2__)
  const uint16_t inMemoryOrder = uint16_t(v >> 8 | v << 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_set1_epi16(int16_t(inMemoryOrder)));
#else
  for (int i = 0; i < 16; i += 2) store16be(to + i, v);
#endif
}

// Do the 16 two-byte words at p all equal the first?
inline bool sixteenEqualWords(const uint8_t* p) {
#if defined(__SSE2__)
  uint16_t first;
  memcpy(&first, p, sizeof first);
  const __m128i w = _mm_set1_epi16(int16_t(first));
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  return _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(a, w), _mm_cmpeq_epi16(b, w))) == 0xFFFF;
#else
  for (int i = 2; i < 32; i += 2)
    if (p[i] != p[0] || p[i + 1] != p[1]) return false;
  return true;
#endif
}

}  // namespace lz
