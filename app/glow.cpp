// Glow layers: mask selection, box reduction and the fixed-point blur.
#include "app/glow.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace {

constexpr int kChannels = 4;
constexpr int kFractionBits = 7;   // the blur state carries 7 fraction bits
constexpr int kCoefficientBits = 16;
constexpr uint8_t kOpaque = 255;
// The lane sums read pixels as little-endian words.
constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;

int log2Of(int powerOfTwo) {
  int shift = 0;
  while ((1 << shift) < powerOfTwo) ++shift;
  return shift;
}

// Coefficients below 2^16 keep (input * 128 - state) * k inside 32 bits.
constexpr int32_t kMaxNarrowK = 65535;

// One step of the recursive filter. The product is taken as a 32-bit signed
// value; coefficients outside 0..65535 compute it wide first, so none can overflow.
inline int32_t blurStep(int32_t state, uint8_t input, int32_t k) {
  const int32_t delta = (int32_t(input) << kFractionBits) - state;
  if (k >= 0 && k <= kMaxNarrowK) return state + ((delta * k) >> kCoefficientBits);
  return state + (int32_t(int64_t(delta) * k) >> kCoefficientBits);
}

// The filter along `count` pixels `stride` bytes apart: forward from the second
// pixel, then backward from the second-to-last, continuing the same state.
void blurLine(int32_t k, uint8_t* p, int count, int stride) {
  if (count < 1) return;
  int32_t state[kChannels];
  for (int c = 0; c < kChannels; ++c) state[c] = int32_t(p[c]) << kFractionBits;
  auto update = [&](uint8_t* q) {
    for (int c = 0; c < kChannels; ++c) {
      state[c] = blurStep(state[c], q[c], k);
      q[c] = uint8_t(state[c] >> kFractionBits);
    }
  };
  for (int x = 1; x < count; ++x) update(p + size_t(x) * stride);
  for (int x = count - 2; x >= 0; --x) update(p + size_t(x) * stride);
}

inline uint32_t loadWord(const uint8_t* p) {  // little-endian, whatever the host
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void storeWord(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// Adds the truncated average of every group of `factor` pixels of one row to
// the per-channel sums of its reduced column. Two pixels are read as one
// 64-bit word and their channels summed in 16-bit lanes (red and blue in one
// word, green and alpha in another): no lane can exceed 8 x 255.
template <int factor>
void addRowAverages(const uint8_t* row, int groups, uint32_t* sums) {
  static_assert(factor == 4 || factor == 8, "lanes hold at most 8 pixels");
  constexpr int shift = factor == 8 ? 3 : 2;
  constexpr uint64_t kLanes = 0x00FF00FF00FF00FFull;
  for (int g = 0; g < groups; ++g, row += factor * kChannels, sums += kChannels) {
    uint64_t redBlue = 0, greenAlpha = 0;
    for (int i = 0; i < factor / 2; ++i) {
      uint64_t word;
      memcpy(&word, row + i * 2 * kChannels, sizeof word);
      redBlue += word & kLanes;
      greenAlpha += (word >> 8) & kLanes;
    }
    redBlue += redBlue >> 32;  // add the second pixel's lanes to the first's
    greenAlpha += greenAlpha >> 32;
    sums[0] += (redBlue & 0xFFFF) >> shift;
    sums[1] += (greenAlpha & 0xFFFF) >> shift;
    sums[2] += ((redBlue >> 16) & 0xFFFF) >> shift;
    sums[3] += ((greenAlpha >> 16) & 0xFFFF) >> shift;
  }
}

void addRowAveragesAnyFactor(const uint8_t* row, int groups, int factor, int shift,
                             uint32_t* sums) {
  for (int g = 0; g < groups; ++g, row += factor * kChannels, sums += kChannels) {
    uint32_t acc[kChannels] = {0, 0, 0, 0};
    for (int i = 0; i < factor; ++i)
      for (int c = 0; c < kChannels; ++c) acc[c] += row[i * kChannels + c];
    for (int c = 0; c < kChannels; ++c) sums[c] += acc[c] >> shift;
  }
}

// The layer builder works on alpha alone, in one-byte planes, with inner
// loops of a fixed lane count so that the compiler turns them into vector code.
constexpr int kLanes = 16;

// Mask and layer words are little-endian whatever the host.
inline uint32_t littleEndian(uint32_t v) {
  if constexpr (kLittleEndianHost) return v;
  return __builtin_bswap32(v);
}

inline uint32_t layerWord(uint32_t clear, bool marked) {
  return clear | uint32_t(marked ? kOpaque : 0) << 24;
}

// Writes one row of the full layer and, in `marks`, 1 for every marked pixel.
void fillRow(uint8_t* __restrict out, uint8_t* __restrict marks, const uint8_t* __restrict mask,
             int width, uint32_t maskBit, uint32_t clear) {
  int x = 0;
  for (; x + kLanes <= width; x += kLanes) {
    uint32_t words[kLanes];
    memcpy(words, mask + size_t(x) * kChannels, sizeof words);
    for (int j = 0; j < kLanes; ++j) {
      const bool marked = (littleEndian(words[j]) & maskBit) != 0;
      marks[x + j] = uint8_t(marked);
      words[j] = littleEndian(layerWord(clear, marked));
    }
    memcpy(out + size_t(x) * kChannels, words, sizeof words);
  }
  for (; x < width; ++x) {
    const bool marked = (loadWord(mask + size_t(x) * kChannels) & maskBit) != 0;
    marks[x] = uint8_t(marked);
    storeWord(out + size_t(x) * kChannels, layerWord(clear, marked));
  }
}

// Adds each group's truncated row average, count * 255 / factor, to its sum.
// The marks of a group of 4 or 8 are read as one word; a multiplication
// gathers the sum of all its bytes in the top byte.
template <int factor>
void addGroupAlpha(const uint8_t* __restrict marks, int groups, uint32_t* __restrict sums) {
  static_assert(factor == 4 || factor == 8, "a group fills one word");
  using Word = std::conditional_t<factor == 8, uint64_t, uint32_t>;
  constexpr Word kOnes = Word(0x0101010101010101ull);
  constexpr int shift = factor == 8 ? 3 : 2;
  for (int g = 0; g < groups; ++g) {
    Word word;
    memcpy(&word, marks + size_t(g) * factor, sizeof word);
    const uint32_t count = uint32_t((word * kOnes) >> (8 * sizeof(Word) - 8));
    sums[g] += (count * kOpaque) >> shift;
  }
}

void addGroupAlphaAnyFactor(const uint8_t* marks, int groups, int factor, int shift,
                            uint32_t* sums) {
  for (int g = 0; g < groups; ++g) {
    uint32_t count = 0;
    for (int i = 0; i < factor; ++i) count += marks[g * factor + i];
    sums[g] += (count * kOpaque) >> shift;
  }
}

// The full layer and the box reduction of its alpha in one pass over the mask.
// A row's truncated group average is count * 255 / factor; the colour channels
// average to the colour.
void fillAndReduce(uint8_t* full, uint8_t* alpha, const uint8_t* mask, int width, int height,
                   int factor, uint32_t maskBit, uint32_t clear) {
  const int shift = log2Of(factor);
  const int groups = width / factor;
  const int reducedRows = height / factor;
  const size_t rowBytes = size_t(width) * kChannels;
  std::vector<uint8_t> marks(static_cast<size_t>(width));
  std::vector<uint32_t> sums(size_t(groups), 0);
  for (int y = 0; y < height; ++y) {
    fillRow(full + y * rowBytes, marks.data(), mask + y * rowBytes, width, maskBit, clear);
    const int block = y >> shift;
    if (block >= reducedRows) continue;
    if (factor == 8) {
      addGroupAlpha<8>(marks.data(), groups, sums.data());
    } else if (factor == 4) {
      addGroupAlpha<4>(marks.data(), groups, sums.data());
    } else {
      addGroupAlphaAnyFactor(marks.data(), groups, factor, shift, sums.data());
    }
    if (((y + 1) & (factor - 1)) != 0) continue;
    uint8_t* out = alpha + size_t(block) * groups;
    for (int g = 0; g < groups; ++g) {
      out[g] = uint8_t(sums[g] >> shift);
      sums[g] = 0;
    }
  }
}

// One step of the filter for a whole row of independent lanes.
void blurLanes(int32_t k, int32_t* __restrict state, uint8_t* __restrict row, int width) {
  int x = 0;
  if (k >= 0 && k <= kMaxNarrowK) {
    for (; x + kLanes <= width; x += kLanes)
      for (int j = 0; j < kLanes; ++j) {
        const int32_t delta = (int32_t(row[x + j]) << kFractionBits) - state[x + j];
        state[x + j] += (delta * k) >> kCoefficientBits;
        row[x + j] = uint8_t(state[x + j] >> kFractionBits);
      }
  }
  for (; x < width; ++x) {
    state[x] = blurStep(state[x], row[x], k);
    row[x] = uint8_t(state[x] >> kFractionBits);
  }
}

// The filter down every column of a one-byte plane at once, as blurColumn
// does for each column: forward from the second row, then backward.
void blurPlaneColumns(int32_t k, uint8_t* plane, int width, int height, int32_t* state) {
  for (int x = 0; x < width; ++x) state[x] = int32_t(plane[x]) << kFractionBits;
  const size_t w = size_t(width);
  for (int y = 1; y < height; ++y) blurLanes(k, state, plane + y * w, width);
  for (int y = height - 2; y >= 0; --y) blurLanes(k, state, plane + y * w, width);
}

void transpose(const uint8_t* __restrict from, int width, int height, uint8_t* __restrict to) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) to[size_t(x) * height + y] = from[size_t(y) * width + x];
}

// Every row, then every column, as blurRow and blurColumn would: the rows are
// blurred as the columns of the transposed plane, so both passes run lane-wide.
void blurAlphaPlane(int32_t k, uint8_t* plane, int width, int height) {
  if (width < 1 || height < 1) return;
  std::vector<uint8_t> transposed(size_t(width) * height);
  std::vector<int32_t> state(size_t(std::max(width, height)));
  transpose(plane, width, height, transposed.data());
  blurPlaneColumns(k, transposed.data(), height, width, state.data());
  transpose(transposed.data(), height, width, plane);
  blurPlaneColumns(k, plane, width, height, state.data());
}

// A halo pixel is the colour with the blurred alpha.
void expandAlpha(uint8_t* __restrict out, const uint8_t* __restrict alpha, size_t pixels,
                 uint32_t clear) {
  size_t i = 0;
  for (; i + kLanes <= pixels; i += kLanes) {
    uint32_t words[kLanes];
    for (int j = 0; j < kLanes; ++j) words[j] = littleEndian(clear | uint32_t(alpha[i + j]) << 24);
    memcpy(out + i * kChannels, words, sizeof words);
  }
  for (; i < pixels; ++i) storeWord(out + i * kChannels, clear | uint32_t(alpha[i]) << 24);
}

}  // namespace

int32_t pow2Above(int32_t n) {
  int halvings = 0;
  for (int32_t v = n >> 1; v != 0; v >>= 1) ++halvings;
  return int32_t(1) << (halvings + 1);
}

void boxDownsample(const uint8_t* pixels, int width, int height, int factor, uint8_t* reduced) {
  const int shift = log2Of(factor);
  const int groups = width / factor;
  const int outRows = height / factor;
  // Column sums of the truncated row averages of the current block row.
  std::vector<uint32_t> sums(size_t(groups) * kChannels);
  for (int r = 0; r < outRows; ++r) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int y = r * factor; y < (r + 1) * factor; ++y) {
      const uint8_t* row = pixels + size_t(y) * width * kChannels;
      if (kLittleEndianHost && factor == 8) {
        addRowAverages<8>(row, groups, sums.data());
      } else if (kLittleEndianHost && factor == 4) {
        addRowAverages<4>(row, groups, sums.data());
      } else {
        addRowAveragesAnyFactor(row, groups, factor, shift, sums.data());
      }
    }
    uint8_t* out = reduced + size_t(r) * groups * kChannels;
    for (size_t i = 0; i < sums.size(); ++i) out[i] = uint8_t(sums[i] >> shift);
  }
}

void blurRow(int32_t k, uint8_t* pixels, int width, int row) {
  blurLine(k, pixels + size_t(row) * width * kChannels, width, kChannels);
}

void blurColumn(int32_t k, uint8_t* pixels, int width, int height, int column) {
  blurLine(k, pixels + size_t(column) * kChannels, height, width * kChannels);
}

void buildGlowLayers(GlowLayers& layers, const uint8_t* mask, int width, int height,
                     uint32_t maskBit, GlowColour colour, const GlowSettings& settings) {
  const int s = settings.supersample;
  layers.width = width;
  layers.height = height;
  layers.reducedWidth = width / s;
  layers.reducedHeight = height / s;
  const size_t fullBytes = size_t(width) * height * kChannels;
  const size_t reducedPixels = size_t(layers.reducedWidth) * layers.reducedHeight;
  layers.full.resize(fullBytes);
  layers.nearHalo.resize(reducedPixels * kChannels);
  layers.wideHalo.resize(reducedPixels * kChannels);
  const uint32_t clear = uint32_t(colour.red) | uint32_t(colour.green) << 8 |
                         uint32_t(colour.blue) << 16;
  // Only alpha varies: the colour channels of the full layer are uniform, so
  // their block averages and their blurred values are the colour itself.
  std::vector<uint8_t> nearAlpha(reducedPixels);
  fillAndReduce(layers.full.data(), nearAlpha.data(), mask, width, height, s, maskBit, clear);
  std::vector<uint8_t> wideAlpha = nearAlpha;
  blurAlphaPlane(settings.nearK, nearAlpha.data(), layers.reducedWidth, layers.reducedHeight);
  blurAlphaPlane(settings.wideK, wideAlpha.data(), layers.reducedWidth, layers.reducedHeight);
  expandAlpha(layers.nearHalo.data(), nearAlpha.data(), reducedPixels, clear);
  expandAlpha(layers.wideHalo.data(), wideAlpha.data(), reducedPixels, clear);
}
