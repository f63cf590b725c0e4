// The inner loops of the glow layer builder, one set per instruction set.
// Every set gives the same bytes; the builder picks the fastest that the
// processor runs, and the tests hold each set against the plain one.
//
// The reduced alpha and the halos are kept in planes of 16-bit lanes whose
// row length (stride) is a multiple of kPlaneAlign. A blur step works on whole
// strides at once: the padding lanes compute values nobody reads, so the
// loops need no tails.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace glow {

constexpr int kChannels = 4;
constexpr int kPlaneAlign = 16;        // lanes per stride and rows per plane round up to this
constexpr int kTransposeBlock = 8;     // transposes move 8 x 8 lanes at a time
constexpr int kFractionBits = 7;       // the blur state carries 7 fraction bits
constexpr int kCoefficientBits = 16;
constexpr uint8_t kOpaque = 255;
constexpr uint32_t kAlphaShift = 24;   // alpha is the top byte of a little-endian pixel word
// The 16-bit blur takes coefficients 0..65535: then the state stays within
// 0..255 * 128 and every step is exact in 16-bit lanes.
constexpr int32_t kMaxLaneK = 65535;

constexpr int roundUp(int n, int multiple) { return (n + multiple - 1) / multiple * multiple; }

constexpr int log2Of(int powerOfTwo) {
  int shift = 0;
  while ((1 << shift) < powerOfTwo) ++shift;
  return shift;
}

// The truncated row average of a group's alpha, count * 255 / factor, for
// every pattern of marked pixels (bit i set: pixel i of the group is marked).
template <int factor>
constexpr std::array<uint16_t, (1u << factor)> makeRowAverages() {
  std::array<uint16_t, (1u << factor)> table{};
  for (unsigned bits = 0; bits < table.size(); ++bits)
    table[bits] = uint16_t((std::popcount(bits) * kOpaque) >> log2Of(factor));
  return table;
}
inline constexpr auto kRowAverages4 = makeRowAverages<4>();
inline constexpr auto kRowAverages8 = makeRowAverages<8>();

// Two groups of 4 at once: the row averages of the low and the high four bits
// in the low and the high 16 bits, to be added to two neighbouring sums as
// one little-endian word (no sum can carry into the next).
constexpr std::array<uint32_t, 256> makeRowAveragePairs() {
  std::array<uint32_t, 256> table{};
  for (unsigned bits = 0; bits < table.size(); ++bits)
    table[bits] = kRowAverages4[bits & 0xFu] | uint32_t(kRowAverages4[bits >> 4]) << 16;
  return table;
}
inline constexpr auto kRowAveragePairs4 = makeRowAveragePairs();

struct GlowKernels {
  const char* name;
  // Writes `width` pixels of the full layer (`clear` with alpha 255 where the
  // mask word has a bit of `maskBit`, alpha 0 elsewhere) and adds the
  // truncated row average of the first `groups` groups of `factor` pixels to
  // sums[0..groups-1].
  void (*fillRow)(uint8_t* out, const uint8_t* mask, int width, uint32_t maskBit, uint32_t clear,
                  int factor, int groups, uint16_t* sums);
  // One filter step on `lanes` independent lanes (a multiple of kPlaneAlign):
  // the state follows the row's values, which then receive state >> 7.
  void (*blurLanes)(uint16_t k, uint16_t* state, uint16_t* row, int lanes);
  // to[c][r] = from[r][c] for r < rows, c < cols, both multiples of kTransposeBlock.
  void (*transpose)(const uint16_t* from, int fromStride, uint16_t* to, int toStride, int rows,
                    int cols);
  // `count` pixels of `clear` with the alpha read from `alpha`.
  void (*expandAlpha)(uint8_t* out, const uint16_t* alpha, int count, uint32_t clear);
};

// Plain C++, for every processor.
const GlowKernels& portableKernels();
// SSE2 and AVX2 sets; null where not built or where the processor lacks them.
const GlowKernels* sse2Kernels();
const GlowKernels* avx2Kernels();
// The fastest set this processor runs, chosen once.
const GlowKernels& bestKernels();

}  // namespace glow

struct GlowLayers;
struct GlowColour;
struct GlowSettings;

namespace glow {

// buildGlowLayers with a chosen kernel set.
void buildLayersWith(const GlowKernels& kernels, GlowLayers& layers, const uint8_t* mask,
                     int width, int height, uint32_t maskBit, GlowColour colour,
                     const GlowSettings& settings);

}  // namespace glow
