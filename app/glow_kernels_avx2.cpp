// The glow builder's two busiest loops with AVX2: eight pixels or sixteen
// lanes per instruction. Only these functions are compiled for AVX2, and only
// processors that report it run them; the other kernels are the SSE2 ones.
#include "app/glow_kernels.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

namespace glow {
namespace {

// Read through plain pointers: no library template is compiled for AVX2 here.
const uint32_t* const kAveragePairs4 = kRowAveragePairs4.data();
const uint16_t* const kAverages8 = kRowAverages8.data();

inline void addPair(uint16_t* sums, uint32_t pair) {  // x86 is little-endian
  uint32_t word;
  memcpy(&word, sums, sizeof word);
  word += pair;
  memcpy(sums, &word, sizeof word);
}

#pragma GCC push_options
#pragma GCC target("avx2")

inline __m256i load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
inline void store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

// Tells marked pixels from the mask words. A single mask bit is shifted into
// the top bit of its lane, where the blend and the bit gathering read it;
// any other mask is compared.
struct SingleBit {
  __m128i shift;
  explicit SingleBit(uint32_t maskBit)
      : shift(_mm_cvtsi32_si128(31 - __builtin_ctz(maskBit))) {}
  __m256i operator()(__m256i mask) const { return _mm256_sll_epi32(mask, shift); }
};
struct AnyBit {
  __m256i bit;
  explicit AnyBit(uint32_t maskBit) : bit(_mm256_set1_epi32(int32_t(maskBit))) {}
  __m256i operator()(__m256i mask) const {  // all ones where marked
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_xor_si256(_mm256_cmpeq_epi32(_mm256_and_si256(mask, bit), zero),
                            _mm256_cmpeq_epi32(zero, zero));
  }
};

// Eight pixels of the full layer; answers their marked pixels as bits 0..7.
template <class Marker>
inline unsigned fill8(uint8_t* out, const uint8_t* mask, const Marker& marker, __m256 clear,
                      __m256 opaque) {
  const __m256 marked = _mm256_castsi256_ps(marker(load(mask)));
  store(out, _mm256_castps_si256(_mm256_blendv_ps(clear, opaque, marked)));
  return unsigned(_mm256_movemask_ps(marked));
}

// Whole groups, eight pixels at a time; answers the first pixel not written.
template <class Marker>
int fillGroupsWith(uint8_t* out, const uint8_t* mask, const Marker& marker, uint32_t clear,
                   int factor, int groups, uint16_t* sums) {
  const __m256 colour = _mm256_castsi256_ps(_mm256_set1_epi32(int32_t(clear)));
  const __m256 opaque = _mm256_castsi256_ps(
      _mm256_set1_epi32(int32_t(clear | uint32_t(kOpaque) << kAlphaShift)));
  int x = 0;
  if (factor == 8) {
    for (int g = 0; g < groups; ++g, x += 8) {
      const size_t at = size_t(x) * kChannels;
      sums[g] = uint16_t(sums[g] + kAverages8[fill8(out + at, mask + at, marker, colour, opaque)]);
    }
    return x;
  }
  for (int g = 0; g + 2 <= groups; g += 2, x += 8) {  // two groups of four
    const size_t at = size_t(x) * kChannels;
    addPair(sums + g, kAveragePairs4[fill8(out + at, mask + at, marker, colour, opaque)]);
  }
  return x;
}

int fillGroups(uint8_t* out, const uint8_t* mask, uint32_t maskBit, uint32_t clear, int factor,
               int groups, uint16_t* sums) {
  if (maskBit != 0 && (maskBit & (maskBit - 1)) == 0)
    return fillGroupsWith(out, mask, SingleBit(maskBit), clear, factor, groups, sums);
  return fillGroupsWith(out, mask, AnyBit(maskBit), clear, factor, groups, sums);
}

// The pixels after the groups, eight at a time.
template <class Marker>
int fillRestWith(uint8_t* out, const uint8_t* mask, const Marker& marker, int x, int width,
                 uint32_t clear) {
  const __m256 colour = _mm256_castsi256_ps(_mm256_set1_epi32(int32_t(clear)));
  const __m256 opaque = _mm256_castsi256_ps(
      _mm256_set1_epi32(int32_t(clear | uint32_t(kOpaque) << kAlphaShift)));
  for (; x + 8 <= width; x += 8)
    fill8(out + size_t(x) * kChannels, mask + size_t(x) * kChannels, marker, colour, opaque);
  return x;
}

int fillRest(uint8_t* out, const uint8_t* mask, int x, int width, uint32_t maskBit,
             uint32_t clear) {
  if (maskBit != 0 && (maskBit & (maskBit - 1)) == 0)
    return fillRestWith(out, mask, SingleBit(maskBit), x, width, clear);
  return fillRestWith(out, mask, AnyBit(maskBit), x, width, clear);
}

// As the SSE2 step: the unsigned high product corrected for negative deltas.
void blurLanes(uint16_t k, uint16_t* state, uint16_t* row, int lanes) {
  const __m256i kv = _mm256_set1_epi16(int16_t(k));
  for (int x = 0; x < lanes; x += 16) {
    __m256i s = load(state + x);
    const __m256i delta = _mm256_sub_epi16(_mm256_slli_epi16(load(row + x), kFractionBits), s);
    const __m256i high = _mm256_mulhi_epu16(delta, kv);
    s = _mm256_add_epi16(s,
                         _mm256_sub_epi16(high, _mm256_and_si256(_mm256_srai_epi16(delta, 15), kv)));
    store(state + x, s);
    store(row + x, _mm256_srli_epi16(s, kFractionBits));
  }
}

#pragma GCC pop_options

// Groups of 4 and 8 here; an odd last group of 4, the rest of the row and
// other factors by the SSE2 kernel.
void fillRow(uint8_t* out, const uint8_t* mask, int width, uint32_t maskBit, uint32_t clear,
             int factor, int groups, uint16_t* sums) {
  const GlowKernels& sse2 = *sse2Kernels();
  if (factor != 4 && factor != 8) return sse2.fillRow(out, mask, width, maskBit, clear, factor,
                                                      groups, sums);
  int x = fillGroups(out, mask, maskBit, clear, factor, groups, sums);
  const int done = x / factor;
  if (done < groups) {
    sse2.fillRow(out + size_t(x) * kChannels, mask + size_t(x) * kChannels, factor, maskBit,
                 clear, factor, groups - done, sums + done);
    x += factor;
  }
  x = fillRest(out, mask, x, width, maskBit, clear);
  sse2.fillRow(out + size_t(x) * kChannels, mask + size_t(x) * kChannels, width - x, maskBit,
               clear, factor, 0, nullptr);
}

}  // namespace

const GlowKernels* avx2Kernels() {
  static const GlowKernels* const kernels = []() -> const GlowKernels* {
    __builtin_cpu_init();  // may run before the constructors that would do it
    if (!__builtin_cpu_supports("avx2")) return nullptr;
    static const GlowKernels avx2 = {"avx2", fillRow, blurLanes, sse2Kernels()->transpose,
                                     sse2Kernels()->expandAlpha};
    return &avx2;
  }();
  return kernels;
}

}  // namespace glow
#else
namespace glow {
const GlowKernels* avx2Kernels() { return nullptr; }
}  // namespace glow
#endif
