// Glow layers: mask selection, box reduction and the fixed-point blur.
#include "app/glow.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kChannels = 4;
constexpr int kFractionBits = 7;   // the blur state carries 7 fraction bits
constexpr int kCoefficientBits = 16;
constexpr uint8_t kOpaque = 255;

int log2Of(int powerOfTwo) {
  int shift = 0;
  while ((1 << shift) < powerOfTwo) ++shift;
  return shift;
}

// One step of the recursive filter. The product is computed wide and taken as
// a 32-bit signed value, so no coefficient can overflow it.
inline int32_t blurStep(int32_t state, uint8_t input, int32_t k) {
  const int32_t delta = (int32_t(input) << kFractionBits) - state;
  return state + (int32_t(int64_t(delta) * k) >> kCoefficientBits);
}

// The filter along `count` pixels `stride` bytes apart: forward from the second
// pixel, then backward from the second-to-last, continuing the same state.
void blurLine(int32_t k, uint8_t* p, int count, int stride) {
  if (count < 1) return;
  for (int c = 0; c < kChannels; ++c) {
    uint8_t* q = p + c;
    int32_t state = int32_t(q[0]) << kFractionBits;
    for (int x = 1; x < count; ++x) {
      state = blurStep(state, q[x * stride], k);
      q[x * stride] = uint8_t(state >> kFractionBits);
    }
    for (int x = count - 2; x >= 0; --x) {
      state = blurStep(state, q[x * stride], k);
      q[x * stride] = uint8_t(state >> kFractionBits);
    }
  }
}

inline uint32_t maskWord(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void fillFullLayer(uint8_t* out, const uint8_t* mask, size_t pixels, uint32_t maskBit,
                   GlowColour colour) {
  for (size_t i = 0; i < pixels; ++i, out += kChannels, mask += kChannels) {
    out[0] = colour.red;
    out[1] = colour.green;
    out[2] = colour.blue;
    out[3] = (maskWord(mask) & maskBit) ? kOpaque : 0;
  }
}

void blurLayer(int32_t k, uint8_t* pixels, int width, int height) {
  for (int row = 0; row < height; ++row) blurRow(k, pixels, width, row);
  for (int column = 0; column < width; ++column) blurColumn(k, pixels, width, height, column);
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
      for (int g = 0; g < groups; ++g) {
        uint32_t acc[kChannels] = {0, 0, 0, 0};
        const uint8_t* px = row + size_t(g) * factor * kChannels;
        for (int i = 0; i < factor; ++i, px += kChannels)
          for (int c = 0; c < kChannels; ++c) acc[c] += px[c];
        for (int c = 0; c < kChannels; ++c) sums[g * kChannels + c] += acc[c] >> shift;
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
