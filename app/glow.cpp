// Glow layers: mask selection, box reduction and the fixed-point blur.
#include "app/glow.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

void fillFullLayer(uint8_t* out, const uint8_t* mask, size_t pixels, uint32_t maskBit,
                   GlowColour colour) {
  const uint32_t clear = uint32_t(colour.red) | uint32_t(colour.green) << 8 |
                         uint32_t(colour.blue) << 16;
  const uint32_t marked = clear | uint32_t(kOpaque) << 24;
  for (size_t i = 0; i < pixels; ++i)
    storeWord(out + i * kChannels, (loadWord(mask + i * kChannels) & maskBit) ? marked : clear);
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

// All columns at once, row after row: the same filter as blurColumn on every
// column, with one independent state per column and channel.
void blurAllColumns(int32_t k, uint8_t* pixels, int width, int height) {
  if (height < 1) return;
  const size_t rowBytes = size_t(width) * kChannels;
  std::vector<int32_t> state(rowBytes);
  for (size_t i = 0; i < rowBytes; ++i) state[i] = int32_t(pixels[i]) << kFractionBits;
  auto update = [&](uint8_t* row) {
    for (size_t i = 0; i < rowBytes; ++i) {
      state[i] = blurStep(state[i], row[i], k);
      row[i] = uint8_t(state[i] >> kFractionBits);
    }
  };
  for (int y = 1; y < height; ++y) update(pixels + y * rowBytes);
  for (int y = height - 2; y >= 0; --y) update(pixels + y * rowBytes);
}

void blurLayer(int32_t k, uint8_t* pixels, int width, int height) {
  for (int row = 0; row < height; ++row) blurRow(k, pixels, width, row);
  blurAllColumns(k, pixels, width, height);
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
  const size_t reducedBytes = size_t(layers.reducedWidth) * layers.reducedHeight * kChannels;
  layers.full.resize(fullBytes);
  layers.nearHalo.resize(reducedBytes);
  layers.wideHalo.resize(reducedBytes);
  fillFullLayer(layers.full.data(), mask, size_t(width) * height, maskBit, colour);
  boxDownsample(layers.full.data(), width, height, s, layers.wideHalo.data());
  if (reducedBytes > 0) memcpy(layers.nearHalo.data(), layers.wideHalo.data(), reducedBytes);
  blurLayer(settings.nearK, layers.nearHalo.data(), layers.reducedWidth, layers.reducedHeight);
  blurLayer(settings.wideK, layers.wideHalo.data(), layers.reducedWidth, layers.reducedHeight);
}
