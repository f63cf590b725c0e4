// The glow builder's inner loops with SSE2, which every x86-64 processor has:
// four pixels or eight lanes per instruction.
#include "app/glow_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace glow {
namespace {

inline __m128i load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// Four pixels of the full layer; answers their marked pixels as bits 0..3.
inline unsigned fill4(uint8_t* out, const uint8_t* mask, __m128i bit, __m128i alpha,
                      __m128i colour) {
  const __m128i unmarked = _mm_cmpeq_epi32(_mm_and_si128(load(mask), bit), _mm_setzero_si128());
  store(out, _mm_or_si128(_mm_andnot_si128(unmarked, alpha), colour));
  return unsigned(_mm_movemask_ps(_mm_castsi128_ps(unmarked))) ^ 0xFu;
}

template <int factor>
void fillRowOf(uint8_t* out, const uint8_t* mask, int width, uint32_t maskBit, uint32_t clear,
               int groups, uint16_t* sums) {
  const __m128i bit = _mm_set1_epi32(int32_t(maskBit));
  const __m128i alpha = _mm_set1_epi32(int32_t(uint32_t(kOpaque) << kAlphaShift));
  const __m128i colour = _mm_set1_epi32(int32_t(clear));
  int x = 0;
  for (int g = 0; g < groups; ++g, x += factor) {
    const size_t at = size_t(x) * kChannels;
    if constexpr (factor == 4) {
      sums[g] = uint16_t(sums[g] + kRowAverages4[fill4(out + at, mask + at, bit, alpha, colour)]);
    } else {
      const unsigned bits = fill4(out + at, mask + at, bit, alpha, colour) |
                            fill4(out + at + 16, mask + at + 16, bit, alpha, colour) << 4;
      sums[g] = uint16_t(sums[g] + kRowAverages8[bits]);
    }
  }
  for (; x + 4 <= width; x += 4)
    fill4(out + size_t(x) * kChannels, mask + size_t(x) * kChannels, bit, alpha, colour);
  portableKernels().fillRow(out + size_t(x) * kChannels, mask + size_t(x) * kChannels, width - x,
                            maskBit, clear, factor, 0, nullptr);
}

void fillRow(uint8_t* out, const uint8_t* mask, int width, uint32_t maskBit, uint32_t clear,
             int factor, int groups, uint16_t* sums) {
  if (factor == 8) return fillRowOf<8>(out, mask, width, maskBit, clear, groups, sums);
  if (factor == 4) return fillRowOf<4>(out, mask, width, maskBit, clear, groups, sums);
  portableKernels().fillRow(out, mask, width, maskBit, clear, factor, groups, sums);
}

// state += floor((row * 128 - state) * k / 65536) in 16-bit lanes. The delta
// is signed and k unsigned: the unsigned high product of the delta's bit
// pattern is k too large exactly when the delta is negative.
void blurLanes(uint16_t k, uint16_t* state, uint16_t* row, int lanes) {
  const __m128i kv = _mm_set1_epi16(int16_t(k));
  for (int x = 0; x < lanes; x += 8) {
    __m128i s = load(state + x);
    const __m128i delta = _mm_sub_epi16(_mm_slli_epi16(load(row + x), kFractionBits), s);
    const __m128i high = _mm_mulhi_epu16(delta, kv);
    s = _mm_add_epi16(s, _mm_sub_epi16(high, _mm_and_si128(_mm_srai_epi16(delta, 15), kv)));
    store(state + x, s);
    store(row + x, _mm_srli_epi16(s, kFractionBits));
  }
}

// Rows interleaved by 16, then 32, then 64 bits: each step doubles the run
// of one column's lanes that sit together. Written out so that all of it
// stays in registers.
void transpose8x8(const uint16_t* from, int fromStride, uint16_t* to, int toStride) {
  const __m128i a0 = load(from), a1 = load(from + fromStride);
  const __m128i a2 = load(from + 2 * fromStride), a3 = load(from + 3 * fromStride);
  const __m128i a4 = load(from + 4 * fromStride), a5 = load(from + 5 * fromStride);
  const __m128i a6 = load(from + 6 * fromStride), a7 = load(from + 7 * fromStride);
  const __m128i b0 = _mm_unpacklo_epi16(a0, a1), b1 = _mm_unpackhi_epi16(a0, a1);
  const __m128i b2 = _mm_unpacklo_epi16(a2, a3), b3 = _mm_unpackhi_epi16(a2, a3);
  const __m128i b4 = _mm_unpacklo_epi16(a4, a5), b5 = _mm_unpackhi_epi16(a4, a5);
  const __m128i b6 = _mm_unpacklo_epi16(a6, a7), b7 = _mm_unpackhi_epi16(a6, a7);
  // cN: columns 2N and 2N + 1 of rows 0-3; cN + 4 the same of rows 4-7.
  const __m128i c0 = _mm_unpacklo_epi32(b0, b2), c1 = _mm_unpackhi_epi32(b0, b2);
  const __m128i c2 = _mm_unpacklo_epi32(b1, b3), c3 = _mm_unpackhi_epi32(b1, b3);
  const __m128i c4 = _mm_unpacklo_epi32(b4, b6), c5 = _mm_unpackhi_epi32(b4, b6);
  const __m128i c6 = _mm_unpacklo_epi32(b5, b7), c7 = _mm_unpackhi_epi32(b5, b7);
  store(to, _mm_unpacklo_epi64(c0, c4));
  store(to + toStride, _mm_unpackhi_epi64(c0, c4));
  store(to + 2 * toStride, _mm_unpacklo_epi64(c1, c5));
  store(to + 3 * toStride, _mm_unpackhi_epi64(c1, c5));
  store(to + 4 * toStride, _mm_unpacklo_epi64(c2, c6));
  store(to + 5 * toStride, _mm_unpackhi_epi64(c2, c6));
  store(to + 6 * toStride, _mm_unpacklo_epi64(c3, c7));
  store(to + 7 * toStride, _mm_unpackhi_epi64(c3, c7));
}

void transpose(const uint16_t* from, int fromStride, uint16_t* to, int toStride, int rows,
               int cols) {
  for (int r = 0; r < rows; r += kTransposeBlock)
    for (int c = 0; c < cols; c += kTransposeBlock)
      transpose8x8(from + r * fromStride + c, fromStride, to + c * toStride + r, toStride);
}

void expandAlpha(uint8_t* out, const uint16_t* alpha, int count, uint32_t clear) {
  const __m128i colour = _mm_set1_epi32(int32_t(clear));
  const __m128i low = _mm_set1_epi16(0xFF);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i a = _mm_and_si128(load(alpha + i), low);
    const __m128i zero = _mm_setzero_si128();
    store(out + size_t(i) * kChannels,
          _mm_or_si128(_mm_slli_epi32(_mm_unpacklo_epi16(a, zero), kAlphaShift), colour));
    store(out + size_t(i + 4) * kChannels,
          _mm_or_si128(_mm_slli_epi32(_mm_unpackhi_epi16(a, zero), kAlphaShift), colour));
  }
  portableKernels().expandAlpha(out + size_t(i) * kChannels, alpha + i, count - i, clear);
}

constexpr GlowKernels kSse2 = {"sse2", fillRow, blurLanes, transpose, expandAlpha};

}  // namespace

const GlowKernels* sse2Kernels() { return &kSse2; }

}  // namespace glow
#else
namespace glow {
const GlowKernels* sse2Kernels() { return nullptr; }
}  // namespace glow
#endif
