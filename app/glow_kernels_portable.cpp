// The glow builder's inner loops in plain C++, and the choice of the fastest set.
#include "app/glow_kernels.h"

namespace glow {
namespace {

inline uint32_t loadWord(const uint8_t* p) {  // little-endian, whatever the host
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void storeWord(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

inline bool fillPixel(uint8_t* out, const uint8_t* mask, uint32_t maskBit, uint32_t clear) {
  const bool marked = (loadWord(mask) & maskBit) != 0;
  storeWord(out, clear | uint32_t(marked ? kOpaque : 0) << kAlphaShift);
  return marked;
}

void fillRow(uint8_t* out, const uint8_t* mask, int width, uint32_t maskBit, uint32_t clear,
             int factor, int groups, uint16_t* sums) {
  const int shift = log2Of(factor);
  int x = 0;
  for (int g = 0; g < groups; ++g) {
    unsigned count = 0;
    for (int end = x + factor; x < end; ++x)
      count += fillPixel(out + x * kChannels, mask + x * kChannels, maskBit, clear);
    sums[g] = uint16_t(sums[g] + ((count * kOpaque) >> shift));
  }
  for (; x < width; ++x) fillPixel(out + x * kChannels, mask + x * kChannels, maskBit, clear);
}

// The product is taken wide: padding lanes may hold any value.
void blurLanes(uint16_t k, uint16_t* state, uint16_t* row, int lanes) {
  for (int x = 0; x < lanes; ++x) {
    const int64_t delta = (int64_t(row[x]) << kFractionBits) - state[x];
    const int32_t s = state[x] + int32_t((delta * k) >> kCoefficientBits);
    state[x] = uint16_t(s);
    row[x] = uint16_t(s >> kFractionBits);
  }
}

void transpose(const uint16_t* from, int fromStride, uint16_t* to, int toStride, int rows,
               int cols) {
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) to[c * toStride + r] = from[r * fromStride + c];
}

void expandAlpha(uint8_t* out, const uint16_t* alpha, int count, uint32_t clear) {
  for (int i = 0; i < count; ++i)
    storeWord(out + i * kChannels, clear | uint32_t(uint8_t(alpha[i])) << kAlphaShift);
}

constexpr GlowKernels kPortable = {"portable", fillRow, blurLanes, transpose, expandAlpha};

}  // namespace

const GlowKernels& portableKernels() { return kPortable; }

const GlowKernels& bestKernels() {
  static const GlowKernels* const best = [] {
    if (const GlowKernels* k = avx2Kernels()) return k;
    if (const GlowKernels* k = sse2Kernels()) return k;
    return &kPortable;
  }();
  return *best;
}

}  // namespace glow
